#pragma once
#include "data/sql_engine.h"
#include "data/table.h"

#include <string>
#include <vector>

namespace demovia::calculo {

// The projection step's reading statements computed over tables already in
// memory: each input is read once, and the results are the ones the
// statements give (texts ordered as texts, numbers as numbers, ties kept in
// file order).

// select {columns} from t order by {orderBy};   (orderBy may be empty: file order)
ResultSet selectOrdered(const Table& t, const std::vector<std::string>& columns,
                        const std::vector<std::string>& orderBy);
// select {key}, count (*) as {countName} from t group by {key} order by {key};
ResultSet countBy(const Table& t, const std::string& key, const std::string& countName);
// select max ({field}) as {field} from t;   (no row when the table is empty)
ResultSet maxOf(const Table& t, const std::string& field);

} // namespace demovia::calculo

#include "engine/table_query.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace demovia::calculo {

namespace {

// Orders two cells of one field as the table store's SQL does: numbers as
// numbers, texts as texts, empty first.
int compareCells(const Value& a, const Value& b, bool numeric)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    if (numeric) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const std::string *x = a.text(), *y = b.text();
    if (x && y)
        return x->compare(*y);
    return a.toText().compare(b.toText());
}

} // namespace

ResultSet selectOrdered(const Table& t, const std::vector<std::string>& columns, const std::vector<std::string>& orderBy)
{
    std::vector<int> cols, keys;
    ResultSet out;
    for (const auto& c : columns) {
        cols.push_back(t.field(c));
        out.columns.push_back(c);
    }
    for (const auto& k : orderBy)
        keys.push_back(t.field(k));
    std::vector<std::size_t> order(t.rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (!keys.empty())
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
            for (int k : keys) {
                const int c = compareCells(t.rows[x][k], t.rows[y][k], t.fields[k].isNumeric());
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
    out.rows.reserve(order.size());
    for (std::size_t r : order) {
        Row row;
        row.reserve(cols.size());
        for (int c : cols)
            row.push_back(t.rows[r][c]);
        out.rows.push_back(std::move(row));
    }
    return out;
}

ResultSet countBy(const Table& t, const std::string& key, const std::string& countName)
{
    const int k = t.field(key);
    ResultSet out;
    out.columns = {key, countName};
    if (t.fields[k].isNumeric()) {
        std::map<double, long long> counts;
        for (const auto& r : t.rows)
            ++counts[r[k].toDouble()];
        for (const auto& [v, n] : counts)
            out.rows.push_back({Value(v), Value(n)});
    } else {
        std::map<std::string, long long> counts;
        for (const auto& r : t.rows)
            ++counts[r[k].toText()];
        for (const auto& [v, n] : counts)
            out.rows.push_back({Value(v), Value(n)});
    }
    return out;
}

ResultSet maxOf(const Table& t, const std::string& field)
{
    const int f = t.field(field);
    ResultSet out;
    out.columns = {field};
    const Value* best = nullptr;
    for (const auto& r : t.rows)
        if (!r[f].isNull() && (!best || compareCells(r[f], *best, t.fields[f].isNumeric()) > 0))
            best = &r[f];
    out.rows.push_back({best ? *best : Value()});
    return out;
}

} // namespace demovia::calculo

// Placeholder until the SQL engine lands; every entry point fails loudly.
#include "data/sql_engine.h"
#include "data/error.h"

namespace demovia {
struct SqlEngine::Impl {};
int ResultSet::column(std::string_view) const { return -1; }
SqlEngine::SqlEngine() = default;
SqlEngine::~SqlEngine() = default;
ResultSet SqlEngine::query(const std::string&, const std::vector<Value>&) { throw Error("não implementado"); }
long long SqlEngine::execute(const std::string&, const std::vector<Value>&) { throw Error("não implementado"); }
ResultSet SqlEngine::run(const std::string&, const std::vector<Value>&) { throw Error("não implementado"); }
void SqlEngine::beginBatch() {}
void SqlEngine::commitBatch() {}
void SqlEngine::rollbackBatch() {}
}

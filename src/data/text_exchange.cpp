// Placeholder until the text exchange lands; every entry point fails loudly.
#include "data/text_exchange.h"
#include "data/error.h"

namespace demovia {
double parseRegionalNumber(std::string_view, const NumberFormat&) { throw Error("não implementado"); }
std::string formatRegionalNumber(double, const NumberFormat&) { throw Error("não implementado"); }
bool importText(const fs::path&, const fs::path&, const fs::path&, int, const NumberFormat&, Dialogs&) { throw Error("não implementado"); }
void writeExportFile(const fs::path&, const ResultSet&, const NumberFormat&) { throw Error("não implementado"); }
bool exportStatement(SqlEngine&, const std::string&, const NumberFormat&, Dialogs&) { throw Error("não implementado"); }
bool splitFields(std::string_view, FieldArray&) { throw Error("não implementado"); }
}

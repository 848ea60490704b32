#pragma once
#include "data/table.h"

#include <string>
#include <vector>

namespace demovia {

// Every table the system writes, with its fields in order: the one source from
// which the empty templates of DBVazio (and the reference tables' layouts) are
// made at build time.
struct TemplateDef {
    std::string file;               // name as created, e.g. "Tot_UFM.dbf"
    std::vector<FieldDef> fields;
};

const std::vector<TemplateDef>& templateDefs();
// The definition of one template, name matched without regard to case; throws Error.
const TemplateDef& templateDef(const std::string& file);

// Writes every template into folder (DBVazio).
void writeTemplates(const fs::path& folder);

} // namespace demovia

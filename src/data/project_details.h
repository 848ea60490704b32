#pragma once
#include "data/table.h"

#include <string>
#include <vector>

namespace demovia {

// One census as the census window shows it.
struct CensusDetails {
    int mes = 0;                 // 0 "Janeiro" .. 11 "Dezembro"; -1 when none is selected
    std::string ano = "0000";    // the year box as shown
    std::string arquivo = "?";   // the text file imported
    std::string registros = "?"; // the record-count box as shown
};

// The details and window state of one project, kept in its detalhes.ini.
// The defaults are what a missing key reads as.
struct ProjectDetails {
    std::string uf = "?";  // two-digit UF code; the file holds it after a blank ("uf= 35")
    std::string obs = "?"; // the description
    CensusDetails census1; // [censo inicial]
    CensusDetails census2; // [censo final]
    std::string rsnHom = "0000"; // sex ratio at birth box as shown
    int ano1Proj = 0;            // first projected year, 0 before a projection
};

fs::path projectDetailsFile(const fs::path& projectDir);

// A missing file or key reads as its default; values are read without the
// blanks around them. Throws Error when the file exists but cannot be read.
// A month or first projected year that is not one reads as its default, and
// a note naming file, section and key is added to problems.
ProjectDetails readProjectDetails(const fs::path& file, std::vector<std::string>* problems = nullptr);

// Writes every key, sections and keys in their fixed order, keeping anything
// else the file holds. A description with line breaks is kept on its one line,
// each break written as a blank. Throws Error.
void writeProjectDetails(const fs::path& file, const ProjectDetails& details);

} // namespace demovia

#pragma once
#include "data/table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace demovia {

// A synthetic state for trying the system out: two censuses ten years apart,
// the state projection, fertility rates and survival at birth, written as the
// semicolon text files the imports read. Everything comes from a fixed PRNG and
// plain arithmetic, so one seed gives the same bytes on every machine.
struct SampleOptions {
    int uf = 12;              // Acre
    int municipalities = 0;   // the first N of the state; 0 = all of them
    int years = 31;           // rows of the larger-area files, from the year of census 2
    std::uint64_t seed = 2010;
    int sexRatio = 105;       // boys per 100 girls
    char decimal = ',';       // regional decimal separator written in the files
};

// What was written, also kept in amostra.ini beside the files.
struct SampleInfo {
    int uf = 0;
    int otherUf = 0;          // the state whose rows are mixed in to exercise the filters
    std::vector<std::string> municipalities; // codes of the state, "0001"..
    int years = 0;
    int census1Year = 2000, census1Month = 8; // month 1 = January
    int census2Year = 2010, census2Month = 8;
    int sexRatio = 105;
    char decimal = ',';
};

// File names inside the sample folder.
inline constexpr const char* kSampleCensus1 = "censo1.txt";
inline constexpr const char* kSampleCensus2 = "censo2.txt";
inline constexpr const char* kSamplePopProj = "pop_proj.txt";
inline constexpr const char* kSampleTxFec = "tx_fec.txt";
inline constexpr const char* kSampleRelNas = "rel_nas.txt";
inline constexpr const char* kSampleInfo = "amostra.ini";

// Municipality codes (as numbers) of a state, in the order of the registry
// table mun.dbf (fields id_uf, id_mun).
std::vector<int> stateMunicipalities(const Table& mun, int uf);

// Writes the sample into outDir (created when missing) from the municipality
// registry. Throws Error when the state has no municipality or the options
// are out of range.
SampleInfo writeSample(const fs::path& outDir, const Table& mun, const SampleOptions& options);

} // namespace demovia

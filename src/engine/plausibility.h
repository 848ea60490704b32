#pragma once
#include "data/dialogs.h"
#include "data/sql_engine.h"
#include "data/table.h"

#include <optional>
#include <string>
#include <vector>

namespace demovia {

// When a municipality's run is flagged. Kept in conf.ini, section
// [verificacoes]; a missing key takes the default.
struct CheckThresholds {
    int maxNegativeCells = 0;     // negativos_max: negative interpolated cells allowed
    double kMin = 0.5;            // k_min, k_max: the K factors' plausible range
    double kMax = 2.0;
    double maxGrowth = 10.0;      // crescimento_max: largest |annual growth| in %
    double sexRatioMin = 50;      // razao_sexo_min, razao_sexo_max: men per 100 women of one age
    double sexRatioMax = 200;
    double sexRatioMinPersons = 100; // razao_sexo_pessoas: ages with fewer persons are not judged
};

// Reads the thresholds from {application folder}conf.ini. A value that is not
// a number keeps its default and is reported through dialogs, naming file and key.
CheckThresholds loadCheckThresholds(const fs::path& appDir, Dialogs& dialogs);

// The checks of one municipality after a run.
struct MunicipalityCheck {
    std::string mun;
    int negativeCells = 0;              // interp.dbf cells below zero
    std::optional<double> smallestInterpolated;
    std::optional<double> kMaleMin, kMaleMax, kFemaleMin, kFemaleMax;
    std::optional<double> largestGrowth; // % a year, the signed value of largest magnitude
    int largestGrowthYear = 0;
    int implausibleSexRatios = 0;       // (year, age) cells outside the range
    std::string firstImplausible;       // "2015, 23 anos: 230,4"
    std::vector<std::string> reasons;   // why it is flagged; empty when it is not
    bool flagged() const { return !reasons.empty(); }
};

// Every municipality of the year tables, in their order. years: the run's
// year list; interp.dbf and fator_k.dbf are read when present.
std::vector<MunicipalityCheck> checkRun(const fs::path& projectDir, const std::vector<int>& years,
                                        const CheckThresholds& limits);

std::size_t flaggedCount(const std::vector<MunicipalityCheck>& checks);
// The step log's last line of a run.
std::string checksSummaryLine(const std::vector<MunicipalityCheck>& checks);

ResultSet checksResult(const std::vector<MunicipalityCheck>& checks);

} // namespace demovia

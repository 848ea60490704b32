#include "engine/run.h"

#include "data/error.h"
#include "data/text_util.h"

namespace demovia {

RunSettings deriveRunSettings(const std::string& year1, int monthPos1, const std::string& year2, int monthPos2,
                              int stepsToRun, InterpolationMethod method)
{
    const std::string y1 = trim(year1);
    const std::string y2 = trim(year2);
    if (y1.empty() || y2.empty())
        throw Error("Os anos dos censos devem estar preenchidos por conta de alguns\n"
                    "arquivos envolvidos na projeção precisarem do campo contendo\n"
                    "o ano a que se refere cada linha.\n\n"
                    "Preencha esses campos e tente novamente");
    const long long year1Value = parseWhole(y1);
    const long long year2Value = parseWhole(y2);

    // Counted in whole months, so that the limits 7.5 and 12.5 years are met
    // exactly and not missed by a rounding of twelfths.
    const long long months = (year2Value * 12 + monthPos2) - (year1Value * 12 + monthPos1);
    int shift = 0;
    if (months >= 30 && months <= 90)
        shift = 1;
    else if (months > 90 && months <= 150)
        shift = 2;
    else
        throw Error("A diferença de anos entre os censos não está sendo\n"
                    "tratada pelo sistema.\n\n"
                    "Verifique os anos informados e tente novamente");

    RunSettings s;
    s.baseYear = static_cast<int>(year2Value);
    s.censusInterval = static_cast<double>(months) / 12.0;
    s.cohortShift = shift;
    s.intervalReciprocal = 1.0 / s.censusInterval;
    s.stepsToRun = stepsToRun;
    s.method = method;
    return s;
}

} // namespace demovia

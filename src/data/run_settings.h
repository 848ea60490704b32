#pragma once

namespace demovia {

enum class InterpolationMethod { KarupKing, Sprague };

// Set immediately before a run from the census dates and the choices of the
// pre-processing window; read by the steps.
struct RunSettings {
    int baseYear = 0;              // year of census 2
    double censusInterval = 0;     // years between the censuses
    int cohortShift = 0;           // 1 (about five years) or 2 (about ten)
    double intervalReciprocal = 0; // 1 / censusInterval
    int stepsToRun = 7;            // 1..7
    InterpolationMethod method = InterpolationMethod::KarupKing;
};

} // namespace demovia

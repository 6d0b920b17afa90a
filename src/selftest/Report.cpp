#include "selftest/Report.h"

#include <cmath>
#include <cstdio>

namespace velmorin {

std::string pageReportLine(const ScriptResult& probe) {
    std::string line = pageLinePrefix;
    if (probe.value) {
        line += *probe.value;
    } else if (probe.errorDescription) {
        line += *probe.errorDescription;
    } else {
        line += missingValueText;
    }
    return line;
}

std::string litPixelsReportLine(double litPercent) {
    // printf writes a NaN with its sign bit set as "-nan"; the report has one
    // spelling for it.
    const double shown = std::isnan(litPercent) ? std::fabs(litPercent) : litPercent;
    char text[64];
    std::snprintf(text, sizeof text, "selftest lit pixels: %.1f %%", shown);
    return text;
}

}  // namespace velmorin

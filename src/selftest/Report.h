#pragma once

#include <string>

#include "platform/WebView.h"

namespace velmorin {

// The script the self-test evaluates in the page: its visible text (the first
// 80 UTF-16 units), how many buttons it has and the size of its first canvas,
// as one line of JSON.
inline constexpr const char* pageProbeScript =
    "JSON.stringify({ text: document.body.innerText.slice(0, 80), buttons: "
    "document.querySelectorAll('button').length, canvas: (c => c && [c.width, "
    "c.height])(document.querySelector('canvas')) })";

inline constexpr const char* pageLinePrefix = "selftest page: ";
inline constexpr const char* missingValueText = "nil";

// "selftest page: " and the probe's value; failing that the error's
// description; failing both "nil".
std::string pageReportLine(const ScriptResult& probe);

// "selftest lit pixels: 33.3 %": one digit after the point, and "nan" for a
// value that is not a number, whatever its sign bit.
std::string litPixelsReportLine(double litPercent);

}  // namespace velmorin

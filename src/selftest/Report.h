#pragma once

#include <string>
#include <string_view>

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
// description; failing both "nil". The probe runs in the page's own script
// world, where a page may replace what it calls, so its answer is written
// on one line whatever it holds: see oneLine().
std::string pageReportLine(const ScriptResult& probe);

// The text with every character that could end or break a line written as
// JSON writes it in a string: "\n", "\r", "\t", "\b", "\f", and "\u00XX"
// for the other C0 controls, DEL and the C1 controls, "\u2028" and "\u2029"
// for the Unicode line and paragraph separators. Everything else, a
// backslash included, stays as it came. The probe's honest answer is
// JSON.stringify's, which escapes the C0 controls itself, so it passes
// unchanged unless the page's text holds DEL, a C1 control or one of the two
// separators, which JSON.stringify leaves as they are; written as escapes,
// they still read back as the same characters, so the answer means the same
// to a JSON reader. Since a backslash is kept, a forged answer can come out
// as another forged answer would: only one without a backslash reads back
// exactly.
std::string oneLine(std::string_view text);

// "selftest lit pixels: 33.3 %": one digit after the point, and "nan" for a
// value that is not a number, whatever its sign bit.
std::string litPixelsReportLine(double litPercent);

}  // namespace velmorin

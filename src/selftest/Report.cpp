#include "selftest/Report.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

namespace velmorin {

namespace {

// A character that ends or breaks a line for some reader, or that a
// terminal acts on, and how many bytes of UTF-8 it takes.
struct Control {
    unsigned codePoint;
    std::size_t length;
};

constexpr unsigned firstPrintable = 0x20;
constexpr unsigned deleteCharacter = 0x7f;
// U+0080 to U+009F, in UTF-8 0xC2 followed by 0x80 to 0x9F.
constexpr unsigned c1Lead = 0xc2;
constexpr unsigned c1First = 0x80;
constexpr unsigned c1Last = 0x9f;
constexpr std::pair<std::string_view, unsigned> separators[] = {
    {"\xe2\x80\xa8", 0x2028},  // LINE SEPARATOR
    {"\xe2\x80\xa9", 0x2029},  // PARAGRAPH SEPARATOR
};

std::optional<Control> controlAt(std::string_view rest) {
    const auto first = static_cast<unsigned char>(rest[0]);
    if (first < firstPrintable || first == deleteCharacter) {
        return Control{first, 1};
    }
    if (first == c1Lead && rest.size() >= 2) {
        const auto second = static_cast<unsigned char>(rest[1]);
        if (second >= c1First && second <= c1Last) {
            return Control{second, 2};
        }
    }
    for (const auto& [bytes, codePoint] : separators) {
        if (rest.starts_with(bytes)) {
            return Control{codePoint, bytes.size()};
        }
    }
    return std::nullopt;
}

// As JSON writes the character in a string: its short escape where it has
// one, "\u" and four hexadecimal digits otherwise.
void appendEscape(std::string& out, unsigned codePoint) {
    switch (codePoint) {
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        default:
            break;
    }
    char escape[16];
    std::snprintf(escape, sizeof escape, "\\u%04x", codePoint);
    out += escape;
}

}  // namespace

std::string oneLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (const auto control = controlAt(text.substr(i))) {
            appendEscape(out, control->codePoint);
            i += control->length;
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string pageReportLine(const ScriptResult& probe) {
    std::string line = pageLinePrefix;
    if (probe.value) {
        line += oneLine(*probe.value);
    } else if (probe.errorDescription) {
        line += oneLine(*probe.errorDescription);
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

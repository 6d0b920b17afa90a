// Fuzzes the report's page line, which carries whatever the page's script
// answered: a page may replace JSON.stringify, so the answer can be any bytes.
//
// Each input is taken as the probe's value and as its error description, as
// the report writes them (the line and one line feed). Each time exactly one
// line comes out, by the reckoning of any reader that breaks lines at C0
// separators, NEL or the Unicode line and paragraph separators; valid UTF-8
// stays valid; and when the input holds no backslash, reading the JSON
// escapes back gives the input exactly.
//
// The input also becomes the page's visible text in the answer an honest
// probe gives: the object JSON.stringify writes, the text cut at 80 UTF-16
// units. That answer passes byte for byte when its text holds nothing the
// line escapes, and reading the line's text member as JSON always gives the
// page's text back exactly.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scheme/UrlPath.h"
#include "scheme/Utf8.h"
#include "selftest/Report.h"

namespace {

using velmorin::decodeUtf8At;
using velmorin::isValidUtf8;
using velmorin::pageLinePrefix;
using velmorin::ScriptResult;

constexpr std::size_t probeTextUnits = 80;
constexpr char32_t replacementCharacter = 0xfffd;
constexpr std::string_view textMember = "{\"text\":\"";

[[noreturn]] void fail(const char* what, std::string_view input, std::string_view line) {
    std::fprintf(stderr, "%s\n  input: ", what);
    for (const char c : input) {
        std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(c));
    }
    std::fprintf(stderr, "\n  line:  %.*s\n", static_cast<int>(line.size()), line.data());
    std::abort();
}

bool breaksLine(char32_t c) {
    return (c >= 0x0a && c <= 0x0d) || (c >= 0x1c && c <= 0x1e) || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// The text as code points. A byte that is no well-formed UTF-8 becomes a low
// surrogate of its own, U+DC80 to U+DCFF, which no UTF-8 reader takes for a
// line break and which keeps two different texts apart.
std::u32string codePoints(std::string_view text) {
    constexpr char32_t strayByteBase = 0xdc00;
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const auto character = decodeUtf8At(text, i)) {
            out += static_cast<char32_t>(character->codePoint);
            i += character->length;
        } else {
            out += strayByteBase + static_cast<unsigned char>(text[i++]);
        }
    }
    return out;
}

// Reads JSON string escapes back, as code points (a "\uXXXX" is its unit as
// it stands, a lone surrogate included), up to an unescaped quote when
// `toQuote` is set. Anything else stands for itself.
std::u32string unescaped(std::string_view text, bool toQuote) {
    std::u32string out;
    const std::u32string points = codePoints(text);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (toQuote && c == '"') {
            break;
        }
        if (c != '\\' || i + 1 == points.size()) {
            out += c;
            continue;
        }
        const char32_t next = points[++i];
        switch (next) {
            case 'n':
                out += U'\n';
                break;
            case 'r':
                out += U'\r';
                break;
            case 't':
                out += U'\t';
                break;
            case 'b':
                out += U'\b';
                break;
            case 'f':
                out += U'\f';
                break;
            case 'u': {
                char32_t unit = 0;
                for (int digit = 0; digit < 4 && i + 1 < points.size(); ++digit) {
                    const int value =
                        points[i + 1] < 0x80
                            ? velmorin::hexDigitValue(static_cast<char>(points[i + 1]))
                            : -1;
                    if (value < 0) {
                        break;
                    }
                    unit = unit * 16 + static_cast<char32_t>(value);
                    ++i;
                }
                out += unit;
                break;
            }
            default:
                out += next;
                break;
        }
    }
    return out;
}

// The page's visible text as the probe cuts it: the input read as UTF-8 with
// a replacement character for each byte that is none, then the first 80
// UTF-16 units. A character beyond the Basic Multilingual Plane at the limit
// leaves its high surrogate alone at the end.
std::u32string pageText(std::string_view input) {
    std::u32string text;
    std::size_t units = 0;
    for (std::size_t i = 0; i < input.size() && units < probeTextUnits;) {
        const auto character = decodeUtf8At(input, i);
        const char32_t c =
            character ? static_cast<char32_t>(character->codePoint) : replacementCharacter;
        i += character ? character->length : 1;
        if (c < 0x10000) {
            text += c;
            ++units;
        } else if (units + 1 == probeTextUnits) {
            text += static_cast<char32_t>(0xd800 + ((c - 0x10000) >> 10));
            ++units;
        } else {
            text += c;
            units += 2;
        }
    }
    return text;
}

// The probe's answer as JSON.stringify writes it for this page: quote,
// backslash and the C0 controls escaped, a lone surrogate as "\uXXXX", every
// other character as it is.
std::string honestAnswer(const std::u32string& text, std::size_t size) {
    std::string answer(textMember);
    for (const char32_t c : text) {
        char escape[8];
        if (c == '"' || c == '\\') {
            answer += '\\';
            answer += static_cast<char>(c);
        } else if (c == '\n' || c == '\r' || c == '\t' || c == '\b' || c == '\f') {
            answer += '\\';
            answer += c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\t' ? 't' : c == '\b' ? 'b' : 'f';
        } else if (c < 0x20 || (c >= 0xd800 && c <= 0xdfff)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            answer += escape;
        } else {
            appendUtf8(answer, c);
        }
    }
    answer += "\",\"buttons\":" + std::to_string(size % 7) + ",\"canvas\":";
    answer += size % 3 == 0
                  ? "null"
                  : "[" + std::to_string(size * 3) + "," + std::to_string(size % 100) + "]";
    return answer + "}";
}

// Checks one line as the report writes it, and gives the text after the prefix.
std::string_view checkLine(const std::string& line, std::string_view input) {
    const std::string written = line + "\n";
    if (!line.starts_with(pageLinePrefix)) {
        fail("the line lost its prefix", input, line);
    }
    for (const char32_t c : codePoints(line)) {
        if (breaksLine(c)) {
            fail("the line holds a line break", input, line);
        }
    }
    if (written.find('\n') != written.size() - 1) {
        fail("the line is not ended by one line feed", input, line);
    }
    if (isValidUtf8(input) && !isValidUtf8(line)) {
        fail("valid UTF-8 came out invalid", input, line);
    }
    return std::string_view(line).substr(std::string_view(pageLinePrefix).size());
}

void checkAnyAnswer(const std::string& input) {
    const std::string asValue = velmorin::pageReportLine(ScriptResult{input, std::nullopt});
    const std::string_view text = checkLine(asValue, input);
    checkLine(velmorin::pageReportLine(ScriptResult{std::nullopt, input}), input);
    if (velmorin::pageReportLine(ScriptResult{input, "an error"}) != asValue) {
        fail("an error beside the value changed the line", input, asValue);
    }
    if (input.find('\\') == std::string::npos && unescaped(text, false) != codePoints(input)) {
        fail("reading the escapes back does not give the input", input, asValue);
    }
}

void checkHonestAnswer(std::string_view input) {
    const std::u32string text = pageText(input);
    const std::string answer = honestAnswer(text, input.size());
    const std::string line = velmorin::pageReportLine(ScriptResult{answer, std::nullopt});
    const std::string_view shown = checkLine(line, answer);
    bool plain = true;
    for (const char32_t c : text) {
        plain = plain && !(c >= 0x7f && c <= 0x9f) && c != 0x2028 && c != 0x2029;
    }
    if (plain && shown != answer) {
        fail("an honest answer was changed", answer, line);
    }
    if (!shown.starts_with(textMember) ||
        unescaped(shown.substr(textMember.size()), true) != text) {
        fail("the honest answer's text does not read back as the page's text", answer, line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    checkAnyAnswer(input);
    checkHonestAnswer(input);
    return 0;
}

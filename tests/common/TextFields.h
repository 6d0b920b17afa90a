#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmorin::test {

// The parts of `text` between the separators: "a\nb" gives "a" and "b".
inline std::vector<std::string> splitOn(std::string_view text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const auto end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// The lines as one text, a line break between each two.
inline std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += (&line == &lines.front() ? "" : "\n") + line;
    }
    return text;
}

}  // namespace velmorin::test

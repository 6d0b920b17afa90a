#include "common/HostileCatalogue.h"
#include "common/TextFields.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

namespace velmorin::test {

namespace {

std::string repeat(std::string_view unit, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += unit;
    }
    return text;
}

// The path a generator line stands for, and the name it resolves to when it
// stays inside. The generated names are plain letters, so they are their own
// standardized form.
struct Generated {
    std::string path;
    std::string name;
};

std::optional<Generated> generate(std::string_view kind, int count) {
    if (kind == "@long-path") {
        std::string path = "/";
        while (path.size() < static_cast<std::size_t>(count)) {
            path += "abcdefg/";
        }
        path.resize(static_cast<std::size_t>(count));
        if (path.back() == '/') {
            path.back() = 'z';
        }
        return Generated{path, path.substr(1)};
    }
    if (kind == "@many-components") {
        std::string path = repeat("/c", count);
        return Generated{path, path.substr(1)};
    }
    if (kind == "@climb-past") {
        return Generated{"/" + repeat("d/", count - 1) + repeat("../", count) + "secret.txt", ""};
    }
    if (kind == "@climb-back") {
        return Generated{"/" + repeat("d/", count) + repeat("../", count) + "a.js", "a.js"};
    }
    return std::nullopt;
}

std::optional<Outcome> outcomeNamed(std::string_view word) {
    for (const auto outcome : {Outcome::refused, Outcome::inside, Outcome::link}) {
        constexpr std::string_view names[] = {"refused", "inside", "link"};
        if (word == names[static_cast<int>(outcome)]) {
            return outcome;
        }
    }
    return std::nullopt;
}

std::vector<HostileRow> loadCatalogue() {
    std::ifstream file(VELMORIN_TEST_DATA_DIR "/hostile-urls.txt", std::ios::binary);
    EXPECT_TRUE(file) << "cannot open the hostile URL catalogue";
    std::vector<HostileRow> rows;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fields = splitOn(line, '\t');
        HostileRow row;
        row.line = number;
        if (line.front() == '@') {
            const auto space = fields[0].find(' ');
            const auto kind = fields[0].substr(0, space);
            const int count = space == std::string_view::npos
                                  ? 0
                                  : std::atoi(std::string(fields[0].substr(space + 1)).c_str());
            const auto generated = generate(kind, count);
            const auto outcome = fields.size() == 2 ? outcomeNamed(fields[1]) : std::nullopt;
            if (!generated || count <= 0 || !outcome || *outcome == Outcome::link) {
                ADD_FAILURE() << "line " << number << ": bad generator line: " << line;
                continue;
            }
            row.outcome = *outcome;
            row.url = "app://demo" + generated->path;
            row.name = row.outcome == Outcome::inside ? generated->name : "";
            row.generated = true;
            rows.push_back(row);
            continue;
        }
        const auto outcome = outcomeNamed(fields[0]);
        const std::size_t wanted = outcome == Outcome::refused ? 2 : 3;
        if (!outcome || fields.size() != wanted || fields[1].empty() ||
            (wanted == 3 && fields[2].empty())) {
            ADD_FAILURE() << "line " << number << ": bad row: " << line;
            continue;
        }
        row.outcome = *outcome;
        row.url = std::string(fields[1]);
        row.name = wanted == 3 ? std::string(fields[2]) : "";
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

const std::vector<HostileRow>& hostileCatalogue() {
    static const auto rows = loadCatalogue();
    return rows;
}

std::vector<std::string> writtenCatalogueUrls() {
    std::vector<std::string> urls;
    for (const auto& row : hostileCatalogue()) {
        if (!row.generated) {
            urls.push_back(row.url);
        }
    }
    return urls;
}

std::string describe(const HostileRow& row) {
    std::ostringstream text;
    text << "hostile-urls.txt line " << row.line << ": ";
    if (row.url.size() > 120) {
        text << row.url.substr(0, 120) << "... (" << row.url.size() << " characters)";
    } else {
        text << row.url;
    }
    return text.str();
}

}  // namespace velmorin::test

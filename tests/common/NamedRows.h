#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>

namespace velmorin::test {

// The rows of a table test carry a `name`; googletest prints a row as its
// name. A test file brings this in with `using test::PrintTo;` in the
// namespace of its rows.
template <typename Row>
requires requires(const Row& row, std::ostream& out) {
    out << row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// Names each instance of a table test after its row.
inline constexpr auto rowName = [](const auto& info) { return std::string(info.param.name); };

// Checks that `function` maps each input of the table to its expected value,
// every row traced by its input.
template <typename Function, typename Row, std::size_t size>
void expectEachMapped(const Function& function, const Row (&table)[size]) {
    for (const auto& [input, expected] : table) {
        SCOPED_TRACE(::testing::PrintToString(input));
        EXPECT_EQ(function(input), expected);
    }
}

}  // namespace velmorin::test

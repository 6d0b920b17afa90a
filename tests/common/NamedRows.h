#pragma once

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

}  // namespace velmorin::test

#pragma once

// The catalogue of hostile request URLs in tests/data/hostile-urls.txt, read
// once per process. Each row says what the resolver must make of its URL:
//
//   refused <TAB> url            no file at all
//   inside  <TAB> url <TAB> name the file `name` of the demo folder
//   link    <TAB> url <TAB> name as inside, where `name` is a link that
//                                leads out of the folder
//   @kind count <TAB> outcome    a generated URL, too long to write out

#include <string>
#include <vector>

namespace velmorin::test {

enum class Outcome { refused, inside, link };

struct HostileRow {
    int line = 0;
    Outcome outcome = Outcome::refused;
    std::string url;
    // The expected file relative to the demo folder, for inside and link.
    std::string name;
    // Made by a generator line rather than written out.
    bool generated = false;
};

// Every row; a malformed line fails the test that first asks for them.
const std::vector<HostileRow>& hostileCatalogue();

// The URLs of the rows written out, in order: the generated ones test the
// resolver's limits, which the unit tests cover.
std::vector<std::string> writtenCatalogueUrls();

// The file and line of a row and its URL, cut short when long.
std::string describe(const HostileRow& row);

}  // namespace velmorin::test

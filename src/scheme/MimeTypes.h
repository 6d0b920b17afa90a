#pragma once

#include <map>
#include <string>
#include <string_view>

#include "scheme/PageContract.h"

namespace velmorin {

// File extension (without the dot) to content type. Matching is exact and
// case-sensitive: "logo.PNG" is not "png".
using MimeTable = std::map<std::string, std::string, std::less<>>;

// The types the demo is served with, as src/page-contract.txt gives them; every
// other file gets fallbackContentType.
MimeTable demoMimeTable();

// The content type for `extension`, or the fallback when the table has none.
std::string contentTypeFor(const MimeTable& types, std::string_view extension);

// The text after the last "." of the last path component: "lib.min.js" gives
// "js". A name whose only "." is its first character is a hidden file with no
// extension (".hidden" gives ""), as is a name ending in ".". The demo
// folder's check has the same rule, and both pass tests/data/extension-rule.txt.
std::string pathExtension(std::string_view path);

}  // namespace velmorin

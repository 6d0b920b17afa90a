#pragma once

#include <map>
#include <string>
#include <string_view>

namespace velmorin {

// File extension (without the dot) to content type. Matching is exact and
// case-sensitive: "logo.PNG" is not "png".
using MimeTable = std::map<std::string, std::string, std::less<>>;

inline constexpr std::string_view fallbackContentType = "application/octet-stream";

// The three types the demo is served with.
MimeTable demoMimeTable();

// The content type for `extension`, or the fallback when the table has none.
std::string contentTypeFor(const MimeTable& types, std::string_view extension);

// The text after the last "." of the last path component: "lib.min.js" gives
// "js". A name whose only "." is its first character is a hidden file with no
// extension (".hidden" gives ""), as is a name ending in ".".
std::string pathExtension(std::string_view path);

}  // namespace velmorin

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmorin {

// The path of a URL as the program reads it: the path part, percent-decoded,
// without query and fragment, without a trailing "/" unless the whole path is
// "/", and empty when the URL has none.
//
//   "app://demo/a%20b.js?v=2#top"  gives  "/a b.js"
//   "app://demo/sub/"              gives  "/sub"
//   "app://demo"                   gives  ""
//
// A URL has no path at all (nothing is returned) when an escape is not "%"
// followed by two hex digits, when the decoded bytes are not valid UTF-8, or
// when they hold a NUL byte: no file name can contain one, and letting it
// through would cut the name short wherever it meets a C string.
std::optional<std::string> urlPath(std::string_view url);

// The value of one hexadecimal digit, either case, or -1 for any other byte.
int hexDigitValue(char c);

// Decodes "%hh" escapes; nothing when an escape is malformed.
std::optional<std::string> percentDecode(std::string_view text);

}  // namespace velmorin

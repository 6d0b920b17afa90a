#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmorin {

// Removes empty and "." components and each ".." together with the component
// before it, the way a file URL is standardized. The text alone decides; the
// file system is not asked.
//
//   "/srv/demo/sub/../index.html"  gives  "/srv/demo/index.html"
//   "/srv/demo//x.js"              gives  "/srv/demo/x.js"
//   "/srv/demo/."                  gives  "/srv/demo"
std::string standardizePath(std::string_view path);

// The name the program appends to the demo folder for a request path: "/"
// names the start page; any other path loses its first character, whatever
// it is. The first character is one user-perceived character, so combining
// marks right after it go with it ("/\u0301x" gives "x").
std::string relativeName(std::string_view path);

// Whether `path` lies strictly inside the folder `rootPath`: a prefix test
// on the text, the separator part of the prefix, so the folder itself and a
// neighbour such as "demo2" beside "demo" both fail.
bool liesInside(std::string_view rootPath, std::string_view path);

// Maps a request URL to a file strictly inside `rootPath` (a standardized
// absolute path), or refuses with nothing. Only the URL's path is read.
//
//   "app://demo/sub/../index.html"  gives  rootPath + "/index.html"
//   "app://demo/../secret.txt"      is refused: it leaves the folder
//   "app://demo/../demo2/x.js"      is refused: the folder's neighbour only
//                                   shares the first letters of its name
//   "app://demo"                    is refused: the folder itself is no file
std::optional<std::string> resolveResource(std::string_view rootPath, std::string_view url);

}  // namespace velmorin

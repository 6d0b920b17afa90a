#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmorin {

// One character read from UTF-8 text: its code point and its length in bytes.
struct Utf8Character {
    std::uint32_t codePoint = 0;
    std::size_t length = 0;
};

// Reads the character that starts at `offset`, or nothing when the bytes
// there are no well-formed UTF-8: a stray continuation byte or an unknown
// lead byte, a sequence cut short, an overlong form ("\xC0\xAE" for "."), a
// surrogate, or a value beyond U+10FFFF.
//
//   decodeUtf8At("a\xC3\xA9", 1)  gives  {U+00E9, 2}
std::optional<Utf8Character> decodeUtf8At(std::string_view text, std::size_t offset);

// Whether the whole text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

}  // namespace velmorin

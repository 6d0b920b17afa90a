// Fuzzes the exit-title rule with titles as the engine hands them over: no
// title at all, or a NUL-terminated string, which the backend copies up to
// its first NUL. The title is also given with every byte, NULs included,
// as a caller holding a std::string could.
//
// The first input byte picks the exit title: the program's own, or the
// bytes up to the first NUL after it, the title being what follows. The rule
// must say yes exactly when the title is there and equal to the exit title
// byte for byte, length included.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "app/LaunchRules.h"
#include "app/LaunchSettings.h"
#include "app/ProgramFacts.h"

namespace {

[[noreturn]] void fail(const char* what, const std::optional<std::string>& title,
                       std::string_view exitTitle) {
    std::fprintf(stderr, "%s\n  title: ", what);
    if (title) {
        for (const char c : *title) {
            std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(c));
        }
    } else {
        std::fprintf(stderr, "(none)");
    }
    std::fprintf(stderr, "\n  exit title: %.*s\n", static_cast<int>(exitTitle.size()),
                 exitTitle.data());
    std::abort();
}

bool sameBytes(const std::optional<std::string>& title, std::string_view exitTitle) {
    return title && title->size() == exitTitle.size() &&
           std::memcmp(title->data(), exitTitle.data(), exitTitle.size()) == 0;
}

void check(const std::optional<std::string>& title, std::string_view exitTitle) {
    if (velmorin::isExitTitle(title, exitTitle) != sameBytes(title, exitTitle)) {
        fail(sameBytes(title, exitTitle) ? "the exit title was not seen"
                                         : "another title was taken for the exit title",
             title, exitTitle);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool ownExitTitle = data[0] % 2 == 0;
    std::string exitTitle = velmorin::exitTitleText;
    if (!ownExitTitle) {
        const auto end = rest.find('\0');
        exitTitle = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    const std::string bytes(rest);

    check(std::nullopt, exitTitle);
    check(std::string(bytes.c_str()), exitTitle);
    check(bytes, exitTitle);
    return 0;
}

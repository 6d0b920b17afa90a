#include "FetchProbe.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace velmorin::test {

namespace {

// Runs in the page. One line per URL, tab-separated; every text field is
// URI-encoded so no tab or newline can hide in it, and a missing header is an
// empty field while a present one starts with "=".
constexpr const char* probeBody = R"js(
const checksum = (bytes) => {
    let hash = 0x811c9dc5;
    for (let i = 0; i < bytes.length; i++) {
        hash ^= bytes[i];
        hash = Math.imul(hash, 0x01000193) >>> 0;
    }
    return hash >>> 0;
};
const base64 = (bytes) => {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
        text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
};
const field = (value) => value === null || value === undefined
    ? '' : '=' + encodeURIComponent(String(value));
const lines = [];
for (const url of (urlList.length ? urlList.split('\n') : [])) {
    try {
        const init = range ? { headers: { Range: range } } : {};
        const response = await fetch(url, init);
        const bytes = new Uint8Array(await response.arrayBuffer());
        lines.push(['ok', response.status, field(response.headers.get('Content-Type')),
                    field(response.headers.get('Content-Length')), field(response.url),
                    bytes.length, checksum(bytes),
                    bytes.length <= keep ? field(base64(bytes)) : ''].join('\t'));
    } catch (error) {
        lines.push(['failed', field(error && error.name), field(error && error.message)]
                       .join('\t'));
    }
}
return lines.join('\n');
)js";

std::optional<std::string> decodeField(const std::string& field) {
    if (field.empty()) {
        return std::nullopt;
    }
    char* decoded = g_uri_unescape_string(field.c_str() + 1, nullptr);
    std::string text = decoded != nullptr ? decoded : "(undecodable)";
    g_free(decoded);
    return text;
}

template <typename Number>
bool parseNumber(const std::string& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::optional<FetchResult> parseLine(const std::string& url, const std::string& line) {
    const auto fields = splitOn(line, '\t');
    FetchResult result;
    result.url = url;
    if (fields.size() == 3 && fields[0] == "failed") {
        result.errorName = decodeField(fields[1]).value_or("");
        result.errorMessage = decodeField(fields[2]).value_or("");
        return result;
    }
    if (fields.size() != 8 || fields[0] != "ok") {
        return std::nullopt;
    }
    result.ok = true;
    if (!parseNumber(fields[1], result.status) || !parseNumber(fields[5], result.size) ||
        !parseNumber(fields[6], result.checksum)) {
        return std::nullopt;
    }
    result.contentType = decodeField(fields[2]);
    result.contentLength = decodeField(fields[3]);
    result.responseUrl = decodeField(fields[4]).value_or("");
    if (const auto encoded = decodeField(fields[7])) {
        gsize length = 0;
        guchar* data = g_base64_decode(encoded->c_str(), &length);
        result.body = Bytes(data, data + length);
        g_free(data);
    }
    return result;
}

}  // namespace

std::string FetchResult::describe() const {
    std::ostringstream text;
    text << url << " -> ";
    if (!ok) {
        text << "rejected with " << errorName << ": " << errorMessage;
        return text.str();
    }
    text << "status " << status << ", Content-Type " << contentType.value_or("(none)")
         << ", Content-Length " << contentLength.value_or("(none)") << ", " << size
         << " bytes, checksum " << checksum << ", response URL " << responseUrl;
    return text.str();
}

std::optional<std::vector<FetchResult>> fetchAll(WebKitWebView* view,
                                                 const std::vector<std::string>& urls,
                                                 const FetchOptions& options,
                                                 std::string& problem) {
    // The engine takes no arrays as arguments, so the URLs travel as one
    // text, a line each: no URL holds a line break once parsed.
    const auto arguments = g_variant_new_parsed("{'urlList': <%s>, 'range': <%s>, 'keep': <%d>}",
                                                joinLines(urls).c_str(), options.range.c_str(),
                                                static_cast<double>(options.keepBodiesUpTo));
    const auto outcome = callAsyncAndWait(view, probeBody, arguments, defaultEngineTimeout);
    auto fail = [&problem](std::string why) -> std::optional<std::vector<FetchResult>> {
        problem = std::move(why);
        return std::nullopt;
    };
    if (!outcome.succeeded()) {
        return fail(outcome.describe());
    }
    const auto lines =
        urls.empty() ? std::vector<std::string>{} : splitOn(outcome.value.value_or(""), '\n');
    if (lines.size() != urls.size()) {
        return fail("the page answered " + std::to_string(lines.size()) + " lines for " +
                    std::to_string(urls.size()) + " URLs");
    }
    std::vector<FetchResult> results;
    for (std::size_t index = 0; index < urls.size(); ++index) {
        auto result = parseLine(urls[index], lines[index]);
        if (!result) {
            return fail("unreadable answer for " + urls[index] + ": " + lines[index]);
        }
        results.push_back(std::move(*result));
    }
    return results;
}

std::uint32_t fnv1a(const std::uint8_t* data, std::size_t size) {
    std::uint32_t hash = 0x811c9dc5U;
    for (std::size_t index = 0; index < size; ++index) {
        hash ^= data[index];
        hash *= 0x01000193U;
    }
    return hash;
}

bool containsText(const Bytes& bytes, std::string_view text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

}  // namespace velmorin::test

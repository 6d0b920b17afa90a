// Demo files that change under a page that is playing, and a file too big to
// be handled lightly, fetched through the real engine in this process.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "FaultRuns.h"
#include "common/NamedRows.h"

namespace velmorin::test {
namespace {

using test::PrintTo;

namespace fs = std::filesystem;

// "<status> <text>" for an answer, "<error name>" for a rejected fetch.
const std::string fetchText =
    "try {\n"
    "  const response = await fetch(url, { cache: 'no-store' });\n"
    "  return response.status + ' ' + await response.text();\n"
    "} catch (error) { return error.name; }";

// What takes the place of the file between the first fetch and the second.
struct Replacement {
    std::string name;
    std::function<void(const fs::path&)> make;
};

class ChangedFile : public testing::TestWithParam<Replacement> {};

TEST_P(ChangedFile, FailsWhileGoneAndIsServedAgainOnceBack) {
    TestBundle bundle({{"index.html", "<p>playing</p>"}, {"moving.txt", "first"}});
    const fs::path file = bundle.demoDirectory() / "moving.txt";
    auto engine = openView(bundle);
    ASSERT_NE(engine, nullptr);
    const std::map<std::string, std::string> moving{{"url", "moving.txt"}};

    EXPECT_EQ(pageAnswer(engine->view(), fetchText, moving), "200 first");

    fs::remove(file);
    GetParam().make(file);
    EXPECT_EQ(pageAnswer(engine->view(), fetchText, moving), "TypeError");
    // The rest of the demo is still served.
    EXPECT_EQ(pageAnswer(engine->view(), fetchText, {{"url", "index.html"}}).substr(0, 4), "200 ");

    fs::remove_all(file);
    std::ofstream(file) << "second";
    EXPECT_EQ(pageAnswer(engine->view(), fetchText, moving), "200 second");
}

INSTANTIATE_TEST_SUITE_P(
    Replacements, ChangedFile,
    testing::Values(Replacement{"Removed", [](const fs::path&) {}},
                    Replacement{"FolderInItsPlace",
                                [](const fs::path& file) {
                                    fs::create_directory(file);
                                    std::ofstream(file / "inner.txt") << "inner";
                                }},
                    Replacement{"DanglingLink",
                                [](const fs::path& file) {
                                    fs::create_symlink(file.parent_path() / "nowhere", file);
                                }},
                    Replacement{"NamedPipe",
                                [](const fs::path& file) { ::mkfifo(file.c_str(), 0644); }}),
    test::rowName);

// 256 MiB, each byte a function of its offset, so any slice can be checked.
constexpr std::size_t hugeSize = std::size_t{256} << 20;

std::uint8_t hugeByte(std::size_t offset) {
    return static_cast<std::uint8_t>((offset * 2654435761u) >> 13);
}

// 32-bit FNV-1a, as the page computes it below.
std::uint32_t sliceChecksum(std::size_t offset, std::size_t length) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = offset; i < offset + length; ++i) {
        hash = (hash ^ hugeByte(i)) * 16777619u;
    }
    return hash;
}

TEST(HugeFile, ServedWholeAndItsMemoryGivenBack) {
    TestBundle bundle(DemoPages{{"index.html", "<p>playing</p>"}});
    {
        std::vector<std::uint8_t> block(std::size_t{1} << 20);
        std::ofstream out(bundle.demoDirectory() / "huge.bin", std::ios::binary);
        for (std::size_t start = 0; start < hugeSize; start += block.size()) {
            for (std::size_t i = 0; i < block.size(); ++i) {
                block[i] = hugeByte(start + i);
            }
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size()));
        }
    }
    auto engine = openView(bundle);
    ASSERT_NE(engine, nullptr);
    settle(Timeout{1000});
    const double before = memoryMiB();

    const std::vector<std::size_t> offsets{0, (std::size_t{64} << 20) + 7, hugeSize / 2 + 4093,
                                           hugeSize - 4096};
    std::string expected = std::to_string(hugeSize);
    std::string offsetList;
    for (const auto offset : offsets) {
        expected += " " + std::to_string(sliceChecksum(offset, 4096));
        offsetList += (offsetList.empty() ? "" : ",") + std::to_string(offset);
    }
    const auto answer = pageAnswer(engine->view(),
                                   "const bytes = new Uint8Array(await (await fetch('huge.bin', "
                                   "{ cache: 'no-store' })).arrayBuffer());\n"
                                   "let text = String(bytes.length);\n"
                                   "for (const offset of offsets.split(',').map(Number)) {\n"
                                   "  let hash = 2166136261;\n"
                                   "  for (let i = offset; i < offset + 4096; ++i) {\n"
                                   "    hash = Math.imul(hash ^ bytes[i], 16777619) >>> 0;\n"
                                   "  }\n"
                                   "  text += ' ' + hash;\n"
                                   "}\n"
                                   "return text;",
                                   {{"offsets", offsetList}}, Timeout{120'000});
    EXPECT_EQ(answer, expected);
    const double fetched = memoryMiB();
    settle(Timeout{2000});
    const double settled = memoryMiB();
    const double peak = memoryMiB("VmHWM");

    std::cout << "resident MiB: before " << before << ", after the fetch " << fetched
              << ", settled " << settled << ", peak " << peak << '\n';
    // The whole file did pass through this process, and was not kept: what
    // stays is far less than the file.
    EXPECT_GT(peak, before + 200.0);
    EXPECT_LT(settled, before + 64.0);
}

}  // namespace
}  // namespace velmorin::test

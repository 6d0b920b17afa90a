#include "app/LaunchSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/NamedRows.h"

namespace velmorin {
namespace {

using test::PrintTo;

struct SelfTestCase {
    const char* name;
    Environment environment;
    SelfTestMode expected;
};

class SelfTestModeTest : public ::testing::TestWithParam<SelfTestCase> {};

TEST_P(SelfTestModeTest, OnlyExactlyOneTurnsItOn) {
    const auto& row = GetParam();
    EXPECT_EQ(selfTestModeFrom(row.environment), row.expected);
    const auto settings = launchSettingsFrom(row.environment);
    EXPECT_EQ(settings.selfTest, row.expected);
    EXPECT_EQ(settings.exitTitle, "vantorelix_exit");
}

INSTANTIATE_TEST_SUITE_P(
    Environments, SelfTestModeTest,
    ::testing::Values(
        SelfTestCase{"empty", {}, SelfTestMode::off},
        SelfTestCase{"unset", {{"HOME", "/root"}, {"PATH", "/bin"}}, SelfTestMode::off},
        SelfTestCase{"one", {{"VELM_SELFTEST", "1"}}, SelfTestMode::on},
        SelfTestCase{
            "oneAmongOthers", {{"A", "0"}, {"VELM_SELFTEST", "1"}, {"Z", "0"}}, SelfTestMode::on},
        SelfTestCase{"true", {{"VELM_SELFTEST", "true"}}, SelfTestMode::off},
        SelfTestCase{"yes", {{"VELM_SELFTEST", "yes"}}, SelfTestMode::off},
        SelfTestCase{"leadingZero", {{"VELM_SELFTEST", "01"}}, SelfTestMode::off},
        SelfTestCase{"leadingSpace", {{"VELM_SELFTEST", " 1"}}, SelfTestMode::off},
        SelfTestCase{"trailingSpace", {{"VELM_SELFTEST", "1 "}}, SelfTestMode::off},
        SelfTestCase{"trailingNewline", {{"VELM_SELFTEST", "1\n"}}, SelfTestMode::off},
        SelfTestCase{"emptyValue", {{"VELM_SELFTEST", ""}}, SelfTestMode::off},
        SelfTestCase{"zero", {{"VELM_SELFTEST", "0"}}, SelfTestMode::off},
        SelfTestCase{"two", {{"VELM_SELFTEST", "2"}}, SelfTestMode::off},
        SelfTestCase{"lowerCaseName", {{"velm_selftest", "1"}}, SelfTestMode::off},
        SelfTestCase{"longerName", {{"VELM_SELFTESTS", "1"}}, SelfTestMode::off},
        SelfTestCase{"shorterName", {{"VELM_SELFTES", "1"}}, SelfTestMode::off}),
    test::rowName);

// Builds a NULL-terminated entry array the way the C runtime hands it over.
class EntryArray {
public:
    explicit EntryArray(std::vector<std::string> entries) : storage_(std::move(entries)) {
        for (auto& entry : storage_) {
            pointers_.push_back(entry.data());
        }
        pointers_.push_back(nullptr);
    }
    char** get() { return pointers_.data(); }

private:
    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};

struct EntriesCase {
    const char* name;
    std::vector<std::string> entries;
    Environment expected;
};

class ProcessEnvironmentTest : public ::testing::TestWithParam<EntriesCase> {};

TEST_P(ProcessEnvironmentTest, SplitsAtTheFirstEquals) {
    EntryArray entries(GetParam().entries);
    EXPECT_EQ(processEnvironment(entries.get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ProcessEnvironmentTest,
    ::testing::Values(
        EntriesCase{"none", {}, {}},
        EntriesCase{"simple",
                    {"HOME=/root", "VELM_SELFTEST=1"},
                    {{"HOME", "/root"}, {"VELM_SELFTEST", "1"}}},
        EntriesCase{"valueWithEquals",
                    {"OPTS=a=b=c", "VELM_SELFTEST=1=1"},
                    {{"OPTS", "a=b=c"}, {"VELM_SELFTEST", "1=1"}}},
        EntriesCase{"emptyValue", {"EMPTY="}, {{"EMPTY", ""}}},
        EntriesCase{"entryWithoutEquals", {"JUNK", "A=1"}, {{"A", "1"}}},
        EntriesCase{"laterWins", {"VELM_SELFTEST=0", "VELM_SELFTEST=1"}, {{"VELM_SELFTEST", "1"}}},
        EntriesCase{"spacesKept", {" A = 1 "}, {{" A ", " 1 "}}}),
    test::rowName);

TEST(ProcessEnvironment, NullArrayGivesNothing) {
    EXPECT_TRUE(processEnvironment(nullptr).empty());
}

TEST(ProcessEnvironment, FeedsTheSelfTestSwitch) {
    EntryArray on({"PATH=/bin", "VELM_SELFTEST=1"});
    EXPECT_EQ(launchSettingsFrom(processEnvironment(on.get())).selfTest, SelfTestMode::on);
    EntryArray valueWithEquals({"VELM_SELFTEST=1=1"});
    EXPECT_EQ(launchSettingsFrom(processEnvironment(valueWithEquals.get())).selfTest,
              SelfTestMode::off);
}

}  // namespace
}  // namespace velmorin

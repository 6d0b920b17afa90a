#include <gtest/gtest.h>

#include <string>

#include "app/BundleLayout.h"
#include "common/NamedRows.h"

namespace velmorin {
namespace {

using test::PrintTo;

// The folders a program finds beside itself. The icons are where the build
// installs them (share/icons, with the hicolor theme below), so an unpacked
// bundle shows its icon without being installed.
struct LayoutCase {
    const char* name;
    std::string executable;
    std::string resources;
    std::string icons;
};

class BundleLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(BundleLayoutTest, FoldersBesideTheProgram) {
    const auto& row = GetParam();
    EXPECT_EQ(resourceDirectoryForExecutable(row.executable), row.resources);
    EXPECT_EQ(iconDirectoryForExecutable(row.executable), row.icons);
}

INSTANTIATE_TEST_SUITE_P(Paths, BundleLayoutTest,
                         ::testing::Values(LayoutCase{"installed", "/usr/bin/velmorin-hd",
                                                      "/usr/share/velmorin-hd", "/usr/share/icons"},
                                           LayoutCase{"unpacked", "/opt/vhd/bin/velmorin-hd",
                                                      "/opt/vhd/share/velmorin-hd",
                                                      "/opt/vhd/share/icons"},
                                           LayoutCase{"atTheTop", "/bin/velmorin-hd",
                                                      "/share/velmorin-hd", "/share/icons"}),
                         test::rowName);

}  // namespace
}  // namespace velmorin

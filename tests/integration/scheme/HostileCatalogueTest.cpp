// Every URL of the hostile request catalogue, fetched by a page in the real
// engine: whatever the engine and the program make of it, no byte from beside
// the demo folder reaches the page, and every request is answered.

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "FetchProbe.h"
#include "SchemeBundle.h"
#include "common/HostileCatalogue.h"
#include "integration/support/EngineWait.h"

namespace velmorin::test {
namespace {

TEST(AppSchemeHostileCatalogue, NoRequestReachesBeyondTheDemoFolder) {
    // The generated rows are left out: they test the resolver's limits, which
    // the unit tests cover, and the engine's own limits are not the point here.
    std::vector<std::string> urls;
    for (const auto& row : hostileCatalogue()) {
        if (!row.generated) {
            urls.push_back(row.url);
        }
    }
    ASSERT_FALSE(urls.empty()) << "the hostile URL catalogue holds no rows";
    const auto catalogueSize = urls.size();

    SchemeBundle bundle;
    std::string problem;
    auto engine = EngineView::create(bundle.resourceDirectory().string(), &problem);
    ASSERT_NE(engine, nullptr) << problem;
    const auto load = engine->load("app://demo/index.html");
    ASSERT_TRUE(load.succeeded()) << load.describe();

    // The control file proves that the bodies the page gets are looked into.
    urls.push_back("app://demo/control.txt");
    const auto results = fetchAll(engine->view(), urls, FetchOptions{}, &problem);
    ASSERT_TRUE(results.has_value()) << problem;
    ASSERT_EQ(results->size(), catalogueSize + 1);

    const auto& control = results->back();
    ASSERT_TRUE(control.ok && control.body) << control.describe();
    EXPECT_TRUE(containsText(*control.body, bundle.controlMarker)) << control.describe();

    std::size_t answered = 0;
    for (std::size_t index = 0; index < catalogueSize; ++index) {
        const auto& result = (*results)[index];
        SCOPED_TRACE(result.describe());
        if (!result.ok) {
            EXPECT_EQ(result.errorName, "TypeError");
            continue;
        }
        ++answered;
        EXPECT_EQ(result.status, 200);
        EXPECT_NE(result.checksum, bundle.secretChecksum);
        EXPECT_NE(result.checksum, bundle.neighbourChecksum);
        ASSERT_TRUE(result.body.has_value()) << "the body did not come back to be read";
        EXPECT_FALSE(containsText(*result.body, bundle.secretMarker));
        EXPECT_FALSE(containsText(*result.body, bundle.neighbourMarker));
    }
    std::cout << answered << " of " << catalogueSize
              << " catalogue requests were answered with a file of the demo folder\n";
    // Plain rows such as "app://demo/a.js" are served; a catalogue whose every
    // row fails would prove nothing.
    EXPECT_GT(answered, 0U);
}

}  // namespace
}  // namespace velmorin::test

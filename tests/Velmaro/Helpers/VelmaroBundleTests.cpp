#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Foundation/Bundle.h"
#include "UIKitTesting/BundleTestApi.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Version.h"

using namespace velmaro;
namespace fs = std::filesystem;

namespace {

class VelmaroBundleLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        BundleTestApi::reset();
        ::unsetenv("VELMARO_BUNDLE_VELMARO");
        root = fs::temp_directory_path() / ("velmaro-lookup-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "prefix" / "bin");
        // The main bundle is an empty folder, so only the places under test can hold the bundle.
        fs::create_directories(root / "app");
        Bundle::setMainBundlePath(root / "app");
    }
    void TearDown() override {
        ::unsetenv("VELMARO_BUNDLE_VELMARO");
        BundleTestApi::reset();
        fs::remove_all(root);
    }
    fs::path makeBundle(const fs::path& path) {
        fs::create_directories(path);
        return path;
    }
    // Where the lookup ends for a program in <prefix>/bin, ignoring what the test program itself
    // was built against.
    fs::path foundFrom(std::vector<VelmaroBundlePlace> places) {
        return velmaroBundleFrom(places)->bundlePath();
    }
    static std::string notFoundMessage(const std::vector<VelmaroBundlePlace>& places) {
        try {
            velmaroBundleFrom(places);
        } catch (const VelmaroBundleNotFound& error) {
            return error.what();
        }
        return "(found)";
    }
    fs::path root;
};

TEST_F(VelmaroBundleLookupTest, TheInstalledLayoutBesideTheProgramIsFound) {
    auto installed = makeBundle(root / "prefix" / "share" / "velmaro" / "Velmaro.bundle");
    auto places = velmaroBundlePlaces(root / "prefix" / "bin");
    ASSERT_GE(places.size(), 2u);
    EXPECT_EQ(places[0].path, root / "app" / "Velmaro.bundle");
    EXPECT_EQ(places[1].path, installed);
    EXPECT_EQ(foundFrom(places), installed);

    // A copy embedded in the main bundle comes first, as a framework inside an application.
    auto embedded = makeBundle(root / "app" / "Velmaro.bundle");
    EXPECT_EQ(foundFrom(velmaroBundlePlaces(root / "prefix" / "bin")), embedded);
}

TEST_F(VelmaroBundleLookupTest, ProgramsRunFromTheBuildTreeUseItsStagedCopyNotTheSources) {
    // This test program was built in the build tree: it recorded the build's copy of the bundle.
    auto places = velmaroBundlePlaces(root / "prefix" / "bin");
    auto found = foundFrom(places);
    EXPECT_EQ(found.filename(), "Velmaro.bundle");
    EXPECT_EQ(found.parent_path().filename(), "velmaro");
    EXPECT_TRUE(fs::is_regular_file(found / "AGENT.png"));
    EXPECT_FALSE(fs::exists(found.parent_path() / "CMakeLists.txt")) << "the sources' folder: " << found;

    // The same copy serves the layer's own lookup.
    EXPECT_EQ(fs::canonical(velmaroBundle()->bundlePath()), fs::canonical(found));
    // Recording the same place twice does not list it twice.
    EXPECT_TRUE(recordBuiltAgainstBundle(found.c_str()));
    EXPECT_EQ(velmaroBundlePlaces(root / "prefix" / "bin").size(), places.size());
    EXPECT_FALSE(recordBuiltAgainstBundle(""));
}

TEST_F(VelmaroBundleLookupTest, AChosenPlaceIsTheOnlyOneAndAMissingOneIsNamed) {
    makeBundle(root / "prefix" / "share" / "velmaro" / "Velmaro.bundle");

    ::setenv("VELMARO_BUNDLE_VELMARO", makeBundle(root / "override").c_str(), 1);
    auto places = velmaroBundlePlaces(root / "prefix" / "bin");
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(foundFrom(places), root / "override");
    EXPECT_EQ(velmaroBundleFrom(places)->bundleIdentifier(), "Velmaro");

    // A wrong override is an error, not a quiet fall back to another copy.
    ::setenv("VELMARO_BUNDLE_VELMARO", (root / "typo").c_str(), 1);
    auto message = notFoundMessage(velmaroBundlePlaces(root / "prefix" / "bin"));
    EXPECT_NE(message.find((root / "typo").string()), std::string::npos) << message;
    EXPECT_NE(message.find("VELMARO_BUNDLE_VELMARO"), std::string::npos) << message;

    ::unsetenv("VELMARO_BUNDLE_VELMARO");
    Bundle::setPathForIdentifier("Velmaro", root / "chosen-by-host");
    message = notFoundMessage(velmaroBundlePlaces(root / "prefix" / "bin"));
    EXPECT_NE(message.find((root / "chosen-by-host").string()), std::string::npos) << message;
    EXPECT_NE(message.find("host"), std::string::npos) << message;
}

TEST_F(VelmaroBundleLookupTest, AMissingBundleNamesEveryPlaceLookedAt) {
    std::vector<VelmaroBundlePlace> places = velmaroBundlePlaces(root / "prefix" / "bin");
    places.erase(places.begin() + 2, places.end());  // leave out the build tree's copy
    auto message = notFoundMessage(places);
    EXPECT_NE(message.find("not found"), std::string::npos) << message;
    for (const auto& place : places) EXPECT_NE(message.find(place.path.string()), std::string::npos) << message;
    EXPECT_NE(message.find("VELMARO_BUNDLE_VELMARO"), std::string::npos) << "says how to fix it: " << message;

    // A file where the bundle should be is not a bundle.
    fs::create_directories(root / "prefix" / "share" / "velmaro");
    std::FILE* file = std::fopen((root / "prefix" / "share" / "velmaro" / "Velmaro.bundle").c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_NE(notFoundMessage(places), "(found)");
}

TEST(VelmaroVersion, IsTheReleasedMajorMinorPatch) {
    EXPECT_EQ(version(), "0.2.0");
}

}  // namespace

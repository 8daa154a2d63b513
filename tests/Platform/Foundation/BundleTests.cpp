#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "Foundation/Bundle.h"
#include "UIKitTesting/BundleTestApi.h"

namespace fs = std::filesystem;

namespace {

class BundleTest : public ::testing::Test {
protected:
    void SetUp() override {
        BundleTestApi::reset();
        root = fs::temp_directory_path() / ("velmaro-bundle-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "app" / "Velmaro.bundle");
        fs::create_directories(root / "elsewhere");
    }
    void TearDown() override {
        ::unsetenv("VELMARO_MAIN_BUNDLE");
        ::unsetenv("VELMARO_BUNDLE_COM_EXAMPLE_KIT");
        BundleTestApi::reset();
        fs::remove_all(root);
    }
    static void touch(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }
    fs::path root;
};

TEST_F(BundleTest, MainBundleDefaultsToTheExecutableFolderHostPathThenEnvironmentWin) {
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), fs::read_symlink("/proc/self/exe").parent_path());
    Bundle::setMainBundlePath(root / "app");
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), root / "app");
    ::setenv("VELMARO_MAIN_BUNDLE", (root / "elsewhere").c_str(), 1);
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), root / "elsewhere");
}

TEST_F(BundleTest, FrameworkBundleFromEnvironmentHostOrInsideTheMainBundle) {
    EXPECT_EQ(Bundle::forIdentifier("NoSuchKit"), nullptr);
    Bundle::setMainBundlePath(root / "app");
    auto inside = Bundle::forIdentifier("Velmaro");
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(inside->bundlePath(), root / "app" / "Velmaro.bundle");
    EXPECT_EQ(inside->bundleIdentifier(), "Velmaro");

    Bundle::setPathForIdentifier("com.example.kit", root / "elsewhere");
    EXPECT_EQ(Bundle::forIdentifier("com.example.kit")->bundlePath(), root / "elsewhere");
    ::setenv("VELMARO_BUNDLE_COM_EXAMPLE_KIT", (root / "app").c_str(), 1);
    EXPECT_EQ(Bundle::forIdentifier("com.example.kit")->bundlePath(), root / "app");

    Bundle::setPathForIdentifier("missing", root / "nowhere");
    EXPECT_EQ(Bundle::forIdentifier("missing"), nullptr);
    EXPECT_EQ(Bundle::bundleWithPath(root / "nowhere"), nullptr);
}

TEST_F(BundleTest, ResourcesAreFoundByNameAndTypeAndNeverOutsideTheBundle) {
    Bundle bundle(root / "app");
    touch(root / "app" / "Velmaro.storyboard");
    touch(root / "app" / "Strings" / "en.strings");
    touch(root / "secret.txt");
    EXPECT_EQ(bundle.pathForResource("Velmaro", "storyboard"), root / "app" / "Velmaro.storyboard");
    EXPECT_EQ(bundle.pathForResource("Velmaro.storyboard"), root / "app" / "Velmaro.storyboard");
    EXPECT_EQ(bundle.pathForResource("en", ".strings", "Strings"), root / "app" / "Strings" / "en.strings");
    EXPECT_EQ(bundle.pathForResource("Velmaro", "png"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("Strings"), std::nullopt);  // a folder is not a resource
    EXPECT_EQ(bundle.pathForResource("../secret", "txt"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource((root / "secret.txt").string()), std::nullopt);
}

TEST_F(BundleTest, NamedImagesPreferTheScreenScaleThenPlainThenOtherScales) {
    Bundle bundle(root / "app");
    touch(root / "app" / "AGENT.png");
    touch(root / "app" / "AGENT@2x.png");
    touch(root / "app" / "upArrow@3x.png");
    touch(root / "app" / "christmasStar.png");

    auto agent = bundle.imageFileForResource("AGENT");
    ASSERT_TRUE(agent);
    EXPECT_EQ(agent->path, root / "app" / "AGENT@2x.png");
    EXPECT_EQ(agent->scale, 2.0);
    EXPECT_EQ(bundle.pathForImageResource("AGENT", 1.0), root / "app" / "AGENT.png");
    EXPECT_EQ(bundle.pathForImageResource("AGENT", 3.0), root / "app" / "AGENT.png");
    EXPECT_EQ(bundle.imageFileForResource("upArrow")->scale, 3.0);
    EXPECT_EQ(bundle.pathForImageResource("christmasStar.png"), root / "app" / "christmasStar.png");
    EXPECT_EQ(bundle.pathForImageResource("downArrow"), std::nullopt);
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "Foundation/UserDefaults.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserDetailsViewController.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "Velmaro/Helpers/ImageLoading.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "support/Platform/LoopbackHTTPServer.h"
#include "support/Platform/TestImages.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;
using Thread = RecordingCore::Thread;

namespace {

class UserDetailsTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
        core().setStoredUser(ann);
    }

    template <class Screen>
    static std::shared_ptr<Screen> make() {
        return instantiateVC<Screen>(*loadStoryboard(Storyboard::Velmaro));
    }
    // The profile on top of the host's stack, with the given screens between.
    std::shared_ptr<UserDetailsViewController> openOverHost(std::vector<std::shared_ptr<UIViewController>> between = {}) {
        host_ = hostInNavigation();
        auto details = make<UserDetailsViewController>();
        between.insert(between.begin(), host_);
        between.push_back(details);
        hostNavigation()->setViewControllers(between, false);
        drain();
        return details;
    }
    static std::shared_ptr<UITextField> firstName(const UserDetailsViewController& details) {
        return details.txtFldFirstNameForTesting().get();
    }
    static std::shared_ptr<UITextField> lastName(const UserDetailsViewController& details) {
        return details.txtFldLastnameForTesting().get();
    }
    std::string alertText() const {
        auto alert = GlassReader::visibleAlert(window());
        return alert ? alert->title().value_or("") + " / " + alert->message().value_or("") : "";
    }

    std::shared_ptr<UIViewController> host_;
};

TEST_F(UserDetailsTest, TheProfileShowsTheStoredUser) {
    auto details = openOverHost();
    EXPECT_EQ(details->navigationItem().title(), "Profile settings");
    EXPECT_EQ(firstName(*details)->text(), "Ann");
    EXPECT_EQ(lastName(*details)->text(), "Lee");
    EXPECT_FALSE(details->btnSave->isEnabled());
    EXPECT_EQ(details->btnLogout->backgroundColor(), SupportUITest::acmeConfig().primaryColor);
    EXPECT_EQ(details->navigationItem().backBarButtonItem()->title(), "");
}

TEST_F(UserDetailsTest, LogoutShowsOnlyForAUserTheHostIdentified) {
    const std::pair<std::optional<Any>, bool> cases[] = {
        {Any(std::string("ann@acme.example")), true}, {Any(std::string()), true}, {Any(std::int64_t{1}), false},
        {std::nullopt, false}};
    for (const auto& [extUserName, shown] : cases) {
        UserDefaults::standard().remove(StoredKeys::extUserName);
        if (extUserName) UserDefaults::standard().set(*extUserName, StoredKeys::extUserName);
        auto details = openOverHost();
        EXPECT_EQ(details->btnLogout->isHidden(), !shown) << (extUserName ? "stored" : "none");
    }
}

TEST_F(UserDetailsTest, SaveFollowsOnlyTheFieldLastEdited) {
    auto details = openOverHost();
    UIEventGenerator::type(lastName(*details), "ds");
    EXPECT_TRUE(details->btnSave->isEnabled());
    UIEventGenerator::deleteBackward(lastName(*details), 2);
    EXPECT_FALSE(details->btnSave->isEnabled());  // compared with the stored last name
    UIEventGenerator::type(lastName(*details), "ds");
    UIEventGenerator::type(firstName(*details), "e");
    EXPECT_TRUE(details->btnSave->isEnabled());
    UIEventGenerator::deleteBackward(firstName(*details));
    EXPECT_FALSE(details->btnSave->isEnabled());  // "Ann" again, though the last name changed

    core().setStoredUser(std::nullopt);
    UIEventGenerator::type(firstName(*details), "e");
    EXPECT_FALSE(details->btnSave->isEnabled());  // without a stored user nothing changes
}

TEST_F(UserDetailsTest, SavingChecksBothNamesAndSendsThemAsTyped) {
    auto details = openOverHost();
    struct Case {
        const char* first;
        const char* last;
        const char* alert;
    };
    for (const Case& c : {Case{"", "Lee", "Error / Please fill firstname"}, Case{"Ann", "", "Error / Please fill lastname"}}) {
        firstName(*details)->setText(std::string(c.first));
        lastName(*details)->setText(std::string(c.last));
        details->saveUserData();  // set in code, so the button was never enabled
        settle();
        EXPECT_EQ(alertText(), c.alert);
        UIEventGenerator::pressAlertAction(window(), "Dismiss");
        settle();
    }
    EXPECT_EQ(core().callCount("updateUser"), 0u);

    firstName(*details)->setText(std::string("  "));
    lastName(*details)->setText(std::string("Lee"));
    details->saveUserData();
    const Any parameters = core().lastCall("updateUser")->arguments.at("userParameters");
    const auto* sent = parameters.dictionary();
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->at("firstName").string(), "  ");
    EXPECT_EQ(sent->at("lastName").string(), "Lee");

    core().deliverError("updateUser", "name refused", Thread::background);
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);  // on the main queue only
    settle();
    EXPECT_EQ(alertText(), "error / name refused");
}

// ----- Logout

TEST_F(UserDetailsTest, LogoutAboveTheHostGoesBackToTheScreenBelowTheStartScreen) {
    UserDefaults::standard().set(std::string("ann@acme.example"), StoredKeys::extUserName);
    UserDefaults::standard().set(std::string("Ann"), StoredKeys::extFirstName);
    auto middle = std::make_shared<UIViewController>();
    auto details = openOverHost({middle, make<StartViewController>(), std::make_shared<UIViewController>()});
    ASSERT_TRUE(UIEventGenerator::tap(details->btnLogout.get()));
    settle();
    EXPECT_EQ(core().callCount("clearUserDetails"), 1u);
    EXPECT_EQ(hostNavigation()->viewControllers(), (std::vector<std::shared_ptr<UIViewController>>{host_, middle}));
    // The host's identity outlives the logout.
    EXPECT_EQ(UserDefaults::standard().string(StoredKeys::extUserName), "ann@acme.example");
    EXPECT_EQ(UserDefaults::standard().string(StoredKeys::extFirstName), "Ann");
}

TEST_F(UserDetailsTest, LogoutWithTheStartScreenAsRootDismissesThePresentation) {
    auto host = bareHost();
    auto details = make<UserDetailsViewController>();
    auto navigation = UINavigationController::make<NavigationController>();
    navigation->setViewControllers({make<StartViewController>(), details}, false);
    host->present(navigation, false);
    drain();
    details->logout();
    settle();
    EXPECT_EQ(host->presentedViewController(), nullptr);
    EXPECT_EQ(topScreen(), host);
}

TEST_F(UserDetailsTest, LogoutWithoutAStartScreenOrAStoredUserStays) {
    auto details = openOverHost();
    details->logout();
    settle();
    EXPECT_EQ(core().callCount("clearUserDetails"), 1u);
    EXPECT_EQ(topScreen(), details);

    auto second = openOverHost({make<StartViewController>()});
    second->logout();  // the user is gone now: nothing at all happens
    settle();
    EXPECT_EQ(core().callCount("clearUserDetails"), 1u);
    EXPECT_EQ(topScreen(), second);
}

// ----- The avatar

TEST_F(UserDetailsTest, TheAvatarIsDownloadedEachTimeWithoutTheImageCache) {
    LoopbackHTTPServer server;
    server.respond("/ann.png", pngOfColor(0, 0, 255), "image/png");
    ImageCache::shared().removeAllObjects();
    auto withAvatar = ann;
    withAvatar.avatarUrl = server.url("/ann.png");
    core().setStoredUser(withAvatar);
    for (int opening = 1; opening <= 2; ++opening) {
        auto details = openOverHost();
        auto button = details->btnAvatar.get();
        // The download may already have landed while the screen was being shown.
        ASSERT_TRUE(waitFor([&] { return button->image(UIControlStateNormal)->name() != "AGENT"; }));
        EXPECT_EQ(button->image(UIControlStateNormal)->pixelAt(1, 1), UIColor(0, 0, 1, 1));
        EXPECT_EQ(server.requestCount("/ann.png"), static_cast<std::size_t>(opening));
    }
    EXPECT_EQ(ImageCache::shared().totalCost(), 0u);
}

// The stored user's avatar address comes from the network: a file address there is never read,
// though the same file shows when a host loads it itself.
TEST_F(UserDetailsTest, AFileAvatarAddressIsNeverRead) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmaro-profile-" + std::to_string(::getpid()) + ".png");
    {
        std::ofstream out(path, std::ios::binary);
        out << pngOfColor(255, 0, 0);
    }
    auto withAvatar = ann;
    withAvatar.avatarUrl = "file://" + path.string();
    core().setStoredUser(withAvatar);
    auto details = openOverHost();
    auto witness = UIView::make<UIImageView>();
    loadImage(*witness, withAvatar.avatarUrl);
    ASSERT_TRUE(waitFor([&] { return witness->image() != nullptr; }));
    settle();
    auto shown = details->btnAvatar->image(UIControlStateNormal);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->name(), "AGENT");
    std::filesystem::remove(path);
}

}  // namespace

#include <gtest/gtest.h>

#include "Foundation/UserDefaults.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/SupportUI.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

UserDefaults& defaults() { return UserDefaults::standard(); }

const UserModel registered{"u7", "Ann", "Lee", "", "ann@acme.example"};

class OnboardingTest : public SupportUITest {
protected:
    std::shared_ptr<SupportUI> start(bool userNameRequired, std::optional<StringDictionary> parameters) {
        core().setConfig(acmeConfig(userNameRequired));
        host = hostInNavigation();
        return SupportUI::make(host, window(), std::move(parameters));
    }
    // What reached the core's createEndUser, or null when it was not called.
    std::optional<StringDictionary> sentParameters() {
        auto call = core().lastCall("createEndUser");
        if (!call) return std::nullopt;
        StringDictionary sent;
        auto* parameters = call->arguments.at("userParameters").dictionary();
        if (!parameters) return sent;
        for (const auto& [key, value] : *parameters) sent[key] = value.string().value_or("<not text>");
        return sent;
    }

    std::shared_ptr<UIViewController> host;
};

// ----- The decision

TEST_F(OnboardingTest, ARequiredUserNameThatIsNotKnownOpensTheUserAccessScreenWithoutTheCore) {
    // Parameters without "userName" are not stored, and when a user name is required they are
    // not looked at either.
    start(true, StringDictionary{{"firstName", "Ann"}});
    settle();
    EXPECT_NE(topScreen<UserAccessViewController>(), nullptr);
    EXPECT_EQ(core().callCount("createEndUser"), 0u);
}

TEST_F(OnboardingTest, AValueThatIsNotTextIsNoUserName) {
    defaults().set(42, "extuserName");
    start(true, std::nullopt);
    settle();
    EXPECT_NE(topScreen<UserAccessViewController>(), nullptr);
    EXPECT_EQ(core().callCount("createEndUser"), 0u);
}

TEST_F(OnboardingTest, ARequiredUserNameThatIsKnownRegistersTheStoredIdentity) {
    defaults().set("ann@acme.example", "extuserName");
    defaults().set("Ann", "extfirstName");
    defaults().set(true, "extlastName");  // not text: left out
    start(true, StringDictionary{{"firstName", "Bob"}});
    EXPECT_EQ(sentParameters(), (StringDictionary{{"userName", "ann@acme.example"}, {"firstName", "Ann"}}));
}

TEST_F(OnboardingTest, TheEmptyTextIsAKnownUserName) {
    defaults().set("", "extuserName");
    start(true, std::nullopt);
    EXPECT_EQ(sentParameters(), (StringDictionary{{"userName", ""}}));
}

TEST_F(OnboardingTest, GivenParametersGoToTheCoreAsTheyAreWhenNoUserNameIsRequired) {
    defaults().set("stored@acme.example", "extuserName");
    start(false, StringDictionary{{"userName", "ann@acme.example"}, {"endUserToken", "tok"}, {"team", "blue"}});
    EXPECT_EQ(sentParameters(),
              (StringDictionary{{"userName", "ann@acme.example"}, {"endUserToken", "tok"}, {"team", "blue"}}));
}

TEST_F(OnboardingTest, AnEmptyDictionaryIsSentEvenWhenAnIdentityIsStored) {
    defaults().set("stored@acme.example", "extuserName");
    core().setStoredUser(registered);
    start(false, StringDictionary{});
    EXPECT_EQ(sentParameters(), StringDictionary{});
}

TEST_F(OnboardingTest, WithoutParametersTheStoredIdentityComesFirstThenTheCoresUser) {
    defaults().set("stored@acme.example", "extuserName");
    defaults().set("Sam", "extlastName");
    core().setStoredUser(registered);
    start(false, std::nullopt);
    EXPECT_EQ(sentParameters(), (StringDictionary{{"userName", "stored@acme.example"}, {"lastName", "Sam"}}));

    defaults().remove("extuserName");
    SupportUI::make(host, window(), std::nullopt);
    EXPECT_EQ(sentParameters(),
              (StringDictionary{{"firstName", "Ann"}, {"lastName", "Lee"}, {"userName", "ann@acme.example"}}));

    core().setStoredUser(std::nullopt);
    SupportUI::make(host, window(), std::nullopt);
    EXPECT_EQ(sentParameters(), StringDictionary{});
}

// ----- After registration

TEST_F(OnboardingTest, AStoredTokenSkipsAuthentication) {
    defaults().set("secret", "u7v3lm4r0t0k3n");
    start(false, StringDictionary{});
    core().setStoredUser(registered);
    ASSERT_TRUE(core().deliver("createEndUser", registered));
    settle();
    EXPECT_EQ(core().callCount("authenticateUser"), 0u);
    EXPECT_NE(topScreen<StartViewController>(), nullptr);
}

TEST_F(OnboardingTest, WithoutATokenTheStoredUserIsAuthenticatedAndAFailureStillOpensTheStartScreen) {
    defaults().set(7, "u7v3lm4r0t0k3n");  // not text: no token
    defaults().set("other", "u8v3lm4r0t0k3n");
    start(false, StringDictionary{});
    core().setStoredUser(registered);
    ASSERT_TRUE(core().deliver("createEndUser", registered));
    settle();
    EXPECT_EQ(topScreen<StartViewController>(), nullptr);  // not before authentication has answered
    ASSERT_EQ(core().callCount("authenticateUser"), 1u);
    EXPECT_EQ(core().lastCall("authenticateUser")->arguments.at("id"), Any("u7"));

    ASSERT_TRUE(core().deliver("authenticateUser", false, ServiceError{ServiceError::Kind::connection, "offline"}));
    settle();
    EXPECT_NE(topScreen<StartViewController>(), nullptr);
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
}

TEST_F(OnboardingTest, WithoutATokenOrAStoredUserNothingMoreHappens) {
    start(false, StringDictionary{});
    ASSERT_TRUE(core().deliver("createEndUser", registered));
    settle();
    EXPECT_EQ(core().callCount("authenticateUser"), 0u);
    EXPECT_EQ(hostNavigation()->viewControllers().size(), 1u);
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
}

TEST_F(OnboardingTest, CompletionsFromTheCoresOwnThreadsEndOnTheMainQueue) {
    start(false, StringDictionary{});
    core().setStoredUser(registered);
    ASSERT_TRUE(core().deliver("createEndUser", registered, std::nullopt, RecordingCore::Thread::background));
    ASSERT_TRUE(waitFor([&] { return core().pendingCount("authenticateUser") == 1; }));
    ASSERT_TRUE(core().deliver("authenticateUser", true, std::nullopt, RecordingCore::Thread::background));
    ASSERT_TRUE(waitFor([&] { return topScreen<StartViewController>() != nullptr; }));
    settle();
    EXPECT_TRUE(topScreen<StartViewController>()->isOnGlass());
}

// ----- Failures

TEST_F(OnboardingTest, AFailedRegistrationShowsTheErrorOnTheHostsScreen) {
    start(false, StringDictionary{});
    ASSERT_TRUE(core().deliverError("createEndUser", "Acme support is closed", RecordingCore::Thread::background));
    ASSERT_TRUE(waitFor([&] { return GlassReader::visibleAlert(window()) != nullptr; }));
    auto alert = GlassReader::visibleAlert(window());
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), "Acme support is closed");
    EXPECT_EQ(alert->presentingViewController(), hostNavigation());
    ASSERT_TRUE(UIEventGenerator::pressAlertAction(window(), "Dismiss"));
    settle();
    EXPECT_EQ(hostNavigation()->viewControllers().size(), 1u);
    EXPECT_EQ(core().callCount("authenticateUser"), 0u);
}

TEST_F(OnboardingTest, NeitherUserNorErrorIsStillAFailure) {
    start(false, StringDictionary{});
    ASSERT_TRUE(core().deliver("createEndUser", std::monostate{}));
    settle();
    auto alert = GlassReader::visibleAlert(window());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), registrationFailedMessage);
}

TEST_F(OnboardingTest, AFailureWithoutAHostScreenShowsNothing) {
    auto support = start(false, StringDictionary{});
    support->setInitialVC(nullptr);
    ASSERT_TRUE(core().deliverError("createEndUser", "closed"));
    settle();
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
}

}  // namespace

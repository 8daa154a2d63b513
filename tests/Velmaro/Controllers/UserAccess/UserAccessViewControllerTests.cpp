#include <gtest/gtest.h>

#include <thread>

#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/VelmaroApplication.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;
using Thread = RecordingCore::Thread;

namespace {

class UserAccessTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
    }

    std::shared_ptr<UserAccessViewController> make() {
        return instantiateVC<UserAccessViewController>(*loadStoryboard(Storyboard::Velmaro));
    }
    // Pushed onto the host's navigation controller, as the facade does for a host inside one.
    std::shared_ptr<UserAccessViewController> openPushed() {
        host_ = hostInNavigation();
        auto access = make();
        hostNavigation()->pushViewController(access, false);
        drain();
        return access;
    }
    // The root of a NavigationController presented over a bare host screen.
    std::shared_ptr<UserAccessViewController> openPresented() {
        host_ = bareHost();
        auto access = make();
        host_->present(UINavigationController::make<NavigationController>(access), false);
        drain();
        return access;
    }
    static std::shared_ptr<UITextField> email(const UserAccessViewController& access) {
        return access.fldUsernameForTesting().get();
    }
    std::string alertText() const {
        auto alert = GlassReader::visibleAlert(window());
        return alert ? alert->title().value_or("") + " / " + alert->message().value_or("") : "";
    }
    StringDictionary registered() {
        StringDictionary result;
        auto call = core().lastCall("createEndUser");
        if (!call) return result;
        if (const auto* parameters = call->arguments.at("userParameters").dictionary())
            for (const auto& [key, value] : *parameters) result[key] = value.string().value_or("<not text>");
        return result;
    }
    static std::optional<std::string> stored(const char* key) { return UserDefaults::standard().string(key); }
    // Registration answers with Ann, who the core then keeps as its stored user.
    void registerAnn(Thread thread = Thread::background) {
        core().setStoredUser(ann);
        ASSERT_TRUE(core().deliver("createEndUser", ann, std::nullopt, thread));
        drain();
    }
    static void postSavedAuthFromTheCore() {
        std::thread([] { NotificationCenter::defaultCenter().post("SavedAuth"); }).join();
    }

    std::shared_ptr<UIViewController> host_;
};

// ----- The e-mail check

struct EmailCase {
    const char* name;
    const char* typed;
    bool accepted;
};

class UserAccessEmailTest : public UserAccessTest, public testing::WithParamInterface<EmailCase> {};

TEST_P(UserAccessEmailTest, AnAddressAnywhereInTheTextRegistersAsTyped) {
    auto access = openPushed();
    UIEventGenerator::type(email(*access), GetParam().typed);
    EXPECT_EQ(stored(StoredKeys::extUserName), GetParam().typed);
    UIEventGenerator::tap(access->btnConfirm.get());
    settle();
    if (GetParam().accepted) {
        EXPECT_EQ(registered(), (StringDictionary{{"userName", GetParam().typed}}));
        EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
        EXPECT_EQ(stored(StoredKeys::extUserName), GetParam().typed);
    } else {
        EXPECT_EQ(core().callCount("createEndUser"), 0u);
        EXPECT_EQ(alertText(), "Validation error / Please use proper email adress");
        EXPECT_EQ(stored(StoredKeys::extUserName), std::nullopt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, UserAccessEmailTest,
    testing::Values(EmailCase{"Plain", "ann@acme.com", true},
                    EmailCase{"NothingBeforeTheAt", "@acme.com", false},
                    EmailCase{"NoFullStopAfterTheAt", "ann@acme", false},
                    EmailCase{"WordsAround", "mail ann@acme.com today", true},
                    EmailCase{"FourLetterEnding", "ann@acme.info", true},
                    EmailCase{"OneLetterEnding", "ann@acme.c", false},
                    EmailCase{"SpacesOnly", "   ", false},
                    // ".-_" is a range: the slash is in it, the hyphen is not.
                    EmailCase{"SlashBeforeTheAt", "a/b@acme.com", true},
                    EmailCase{"OnlyAHyphenBeforeTheAt", "-@acme.com", false}),
    [](const testing::TestParamInfo<EmailCase>& emailCase) { return std::string(emailCase.param.name); });

TEST_F(UserAccessTest, AnEmptyUserNameAsksForTheEmailAndKeepsTheStoredIdentity) {
    UserDefaults::standard().set(std::string("old@acme.com"), StoredKeys::extUserName);
    auto access = openPushed();
    UIEventGenerator::tap(access->btnConfirm.get());
    settle();
    EXPECT_EQ(alertText(), "Validation error / Please enter your email");
    EXPECT_EQ(core().callCount("createEndUser"), 0u);
    EXPECT_EQ(stored(StoredKeys::extUserName), "old@acme.com");
}

// ----- The fields

TEST_F(UserAccessTest, FieldsComeFromTheStoredUserAndEveryEditIsWrittenThrough) {
    auto& defaults = UserDefaults::standard();
    defaults.set(std::string("ann@acme.com"), StoredKeys::userName);
    defaults.set(std::string("Ann"), StoredKeys::firstName);
    defaults.set(std::int64_t{7}, StoredKeys::lastName);  // not text: the field stays as it was
    auto access = openPushed();
    EXPECT_EQ(email(*access)->text(), "ann@acme.com");
    EXPECT_EQ(access->fldFirstName->text(), "Ann");
    EXPECT_EQ(access->fldLastName->text(), "");

    UIEventGenerator::type(access->fldLastName.get(), "Lee");
    UIEventGenerator::deleteBackward(access->fldFirstName.get(), 3);
    UIEventGenerator::type(email(*access), "x");
    EXPECT_EQ(stored(StoredKeys::extLastName), "Lee");
    EXPECT_EQ(stored(StoredKeys::extFirstName), "");  // the edit that emptied it
    EXPECT_EQ(stored(StoredKeys::extUserName), "ann@acme.comx");

    UIEventGenerator::tap(access->btnConfirm.get());
    EXPECT_EQ(registered(), (StringDictionary{{"userName", "ann@acme.comx"}, {"lastName", "Lee"}}));
}

TEST_F(UserAccessTest, TheDoneKeyConfirmsAndTheNextKeyOnlyMovesOn) {
    auto access = openPushed();
    UIEventGenerator::type(access->fldFirstName.get(), "Ann");
    EXPECT_TRUE(UIEventGenerator::pressReturn(access->fldFirstName.get()));
    EXPECT_TRUE(access->fldLastName->isFirstResponder());
    EXPECT_EQ(core().callCount("createEndUser"), 0u);

    UIEventGenerator::type(email(*access), "ann@acme.com");
    EXPECT_EQ(email(*access)->returnKeyType(), UIReturnKeyType::done);
    EXPECT_TRUE(UIEventGenerator::pressReturn(email(*access)));
    EXPECT_FALSE(email(*access)->isFirstResponder());
    EXPECT_EQ(registered(), (StringDictionary{{"userName", "ann@acme.com"}, {"firstName", "Ann"}}));
}

TEST_F(UserAccessTest, TheViewMovesUpByTheOverlapOfTheKeyboardWithTheActiveField) {
    auto access = openPushed();
    auto root = access->view();
    UIEventGenerator::beginEditing(email(*access));
    const CGFloat bottom = email(*access)->frame().maxY();
    UIEventGenerator::showKeyboard(window(), 400);
    EXPECT_EQ(root->frame().origin.y, 667 - bottom - 400);
    UIEventGenerator::hideKeyboard(window(), 400);
    EXPECT_EQ(root->frame().origin.y, 0);
    // A field the keyboard does not cover leaves the view where it is.
    UIEventGenerator::beginEditing(access->fldFirstName.get());
    UIEventGenerator::showKeyboard(window(), 400);
    EXPECT_EQ(root->frame().origin.y, 0);
}

// ----- Registering and moving on

TEST_F(UserAccessTest, PushedOverTheHostTheStartScreenTakesTheFormsPlaceOnlyAfterSavedAuth) {
    auto access = openPushed();
    UIEventGenerator::type(email(*access), "ann@acme.com");
    UIEventGenerator::tap(access->btnConfirm.get());
    UIEventGenerator::tap(access->btnConfirm.get());  // ignored: the registration is outstanding
    EXPECT_EQ(core().callCount("createEndUser"), 1u);

    registerAnn();
    auto authenticate = core().lastCall("authenticateUser");
    ASSERT_TRUE(authenticate);
    EXPECT_EQ(authenticate->arguments.at("id").string(), "user-1");
    EXPECT_EQ(authenticate->arguments.at("completion").boolean(), false);
    settle();
    EXPECT_EQ(topScreen(), access);  // nothing moves before the core says so

    postSavedAuthFromTheCore();
    postSavedAuthFromTheCore();  // a second one pushes nothing more
    drain();
    settle();
    const auto& stack = hostNavigation()->viewControllers();
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0], host_);  // the host's own screen stays
    EXPECT_NE(std::dynamic_pointer_cast<StartViewController>(stack[1]), nullptr);
}

TEST_F(UserAccessTest, PresentedTheStartScreenBecomesTheRoot) {
    auto access = openPresented();
    auto navigation = access->navigationController();
    UIEventGenerator::type(email(*access), "ann@acme.com");
    UIEventGenerator::tap(access->btnConfirm.get());
    registerAnn(Thread::caller);
    postSavedAuthFromTheCore();
    drain();
    settle();
    ASSERT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_NE(std::dynamic_pointer_cast<StartViewController>(navigation->viewControllers()[0]), nullptr);
}

TEST_F(UserAccessTest, ARegistrationErrorAlertsAndTheFormCanConfirmAgain) {
    auto access = openPushed();
    UIEventGenerator::type(email(*access), "ann@acme.com");
    UIEventGenerator::tap(access->btnConfirm.get());
    core().deliverError("createEndUser", "desk unreachable", Thread::background);
    settle();
    EXPECT_EQ(alertText(), "Error / desk unreachable");
    EXPECT_EQ(core().callCount("authenticateUser"), 0u);
    UIEventGenerator::pressAlertAction(window(), "Dismiss");
    settle();
    UIEventGenerator::tap(access->btnConfirm.get());
    EXPECT_EQ(core().callCount("createEndUser"), 2u);
}

TEST_F(UserAccessTest, SavedAuthIsHeardOnlyWhileTheFormIsOnDisplay) {
    auto access = openPushed();
    auto cover = std::make_shared<UIViewController>();
    hostNavigation()->present(cover, false);
    drain();
    postSavedAuthFromTheCore();
    drain();
    settle();
    cover->dismiss(false);
    drain();
    EXPECT_EQ(hostNavigation()->viewControllers().size(), 2u);
    EXPECT_EQ(topScreen(), access);

    postSavedAuthFromTheCore();
    drain();
    settle();
    EXPECT_NE(topScreen<StartViewController>(), nullptr);
}

// ----- Leaving

TEST_F(UserAccessTest, LeavingPopsOrDismissesAndGivesTheHostWhiteBars) {
    for (bool presented : {false, true}) {
        SCOPED_TRACE(presented ? "presented" : "pushed");
        VelmaroApplication::utilizePrimaryColor(colorWithHexValue(0xFF0000));
        auto access = presented ? openPresented() : openPushed();
        auto navigation = access->navigationController();
        ASSERT_TRUE(UIEventGenerator::tap(access->navigationItem().leftBarButtonItem()));
        settle();
        EXPECT_TRUE(navigation->isNavigationBarHidden());
        EXPECT_TRUE(navigation->navigationItem().hidesBackButton());
        EXPECT_EQ(topScreen(), host_);
        EXPECT_EQ(UIView::make<UINavigationBar>()->tintColor(), UIColor::white());
    }
}

}  // namespace

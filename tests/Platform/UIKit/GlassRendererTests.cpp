#include <memory>
#include <string>

#include "UIKit/GlassRenderer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

namespace {

class NamesList : public UITableViewDataSource {
public:
    int numberOfRowsInSection(UITableView&, int) override { return 2; }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        auto cell = table.dequeueReusableCell("Name", indexPath);
        auto label = UIView::make<UILabel>(CGRect{10, 5, 200, 20});
        label->setText(indexPath.row == 0 ? "Ann" : "Bob");
        for (const auto& old : std::vector(cell->contentView()->subviews())) old->removeFromSuperview();
        cell->contentView()->addSubview(label);
        return cell;
    }
};

// A small screen: a greeting, a button, a picture, what does not show, and a list.
class SmallScreen : public UIViewController {
public:
    void viewDidLoad() override {
        auto root = view();
        auto button = UIView::make<UIButton>(CGRect{20, 300, 100, 40});
        button->setTitle("Send", UIControlStateNormal);
        button->setEnabled(false);
        root->addSubview(button);  // added first, shown by its place
        auto greeting = UIView::make<UILabel>(CGRect{20, 60, 200, 20});
        greeting->setText("Hello\nthere");
        root->addSubview(greeting);
        auto picture = UIView::make<UIImageView>(UIImage::filled({4, 4}, UIColor::black())->withName("AGENT"));
        picture->setFrame(CGRect{250, 60, 40, 40});
        root->addSubview(picture);
        auto hidden = UIView::make<UILabel>(CGRect{20, 100, 200, 20});
        hidden->setText("hidden");
        hidden->setHidden(true);
        root->addSubview(hidden);
        auto faded = UIView::make(CGRect{20, 120, 200, 20});
        auto inside = UIView::make<UILabel>(CGRect{0, 0, 200, 20});
        inside->setText("faded");
        faded->addSubview(inside);
        faded->setAlpha(0);
        root->addSubview(faded);
        table = UIView::make<UITableView>(CGRect{0, 400, 375, 88});
        table->registerCell("Name", [] { return UIView::make<UITableViewCell>(); });
        table->setDataSource(names);
        root->addSubview(table);
    }
    std::shared_ptr<NamesList> names = std::make_shared<NamesList>();
    std::shared_ptr<UITableView> table;
};

TEST(GlassRendererStandalone, AnEmptyOrHiddenWindowShowsNothing) {
    EXPECT_EQ(GlassRenderer::render(std::shared_ptr<UIWindow>()), "");
}

class GlassRendererTest : public UIKitTest {};

TEST_F(GlassRendererTest, ASmallScreenReadsTopToBottomWithTheAlertOnTop) {
    auto below = std::make_shared<UIViewController>();
    below->setTitle("Start");
    auto screen = std::make_shared<SmallScreen>();
    screen->setTitle("Chat");
    auto navigation = UINavigationController::make(below);
    navigation->pushViewController(screen, false);
    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();
    drain();  // the table loads on its first turn in the window
    screen->table->tapRow({0, 1});

    EXPECT_EQ(GlassRenderer::render(window()),
              "NavigationBar < \"Start\" \"Chat\"\n"
              "Label \"Hello\\nthere\"\n"
              "Image \"AGENT\"\n"
              "Button \"Send\" (disabled)\n"
              "Table\n"
              "  Row 0.0\n"
              "    Label \"Ann\"\n"
              "  Row 0.1 (selected)\n"
              "    Label \"Bob\"\n");

    auto alert = UIAlertController::make("Error", "Please enter some text");
    alert->addAction(UIAlertAction::make("Dismiss", UIAlertActionStyle::defaultStyle));
    alert->addAction(UIAlertAction::make("Delete", UIAlertActionStyle::destructive));
    screen->present(alert, false);
    navigation->setNavigationBarHidden(true, true);
    EXPECT_EQ(GlassRenderer::render(window()),
              "Label \"Hello\\nthere\"\n"
              "Image \"AGENT\"\n"
              "Button \"Send\" (disabled)\n"
              "Table\n"
              "  Row 0.0\n"
              "    Label \"Ann\"\n"
              "  Row 0.1 (selected)\n"
              "    Label \"Bob\"\n"
              "Alert \"Error\"\n"
              "  Message \"Please enter some text\"\n"
              "  Action \"Dismiss\"\n"
              "  Action \"Delete\" (destructive)\n");

    // A full-screen presentation covers everything below it.
    alert->dismiss(false);
    auto cover = std::make_shared<UIViewController>();
    auto coverLabel = UIView::make<UILabel>(CGRect{0, 0, 100, 20});
    coverLabel->setText("Covering");
    cover->view()->addSubview(coverLabel);
    navigation->present(cover, false);
    EXPECT_EQ(GlassRenderer::render(window()), "Label \"Covering\"\n");
}

TEST_F(GlassRendererTest, TheBackControlFollowsTheScreenBelowAndTheItem) {
    auto below = std::make_shared<UIViewController>();
    auto top = std::make_shared<UIViewController>();
    auto navigation = UINavigationController::make(below);
    EXPECT_EQ(navigation->backButtonTitle(), std::nullopt);  // at the root
    navigation->pushViewController(top, false);
    EXPECT_EQ(navigation->backButtonTitle(), "Back");
    below->setTitle("List");
    EXPECT_EQ(navigation->backButtonTitle(), "List");
    top->navigationItem().setHidesBackButton(true, true);
    EXPECT_EQ(navigation->backButtonTitle(), std::nullopt);
    EXPECT_FALSE(navigation->tapBackButton());
    top->navigationItem().setHidesBackButton(false);
    EXPECT_TRUE(navigation->tapBackButton());
    EXPECT_EQ(navigation->topViewController(), below);
}

TEST_F(GlassRendererTest, BarItemsTextInputsAndSegmentsShowWhatTheyHold) {
    auto below = std::make_shared<UIViewController>();
    below->navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::string(""), UIBarButtonItem::Style::plain));
    auto form = std::make_shared<UIViewController>();
    form->navigationItem().setTitle("Profile settings");
    auto save = std::make_shared<UIBarButtonItem>(std::string("Save"), UIBarButtonItem::Style::done);
    save->setEnabled(false);
    int saved = 0;
    save->setAction([&](const auto&) { ++saved; });
    form->navigationItem().setRightBarButtonItem(save);
    auto close = std::make_shared<UIBarButtonItem>(UIImage::filled({2, 2}, UIColor::white())->withName("leftArrow"),
                                                   UIBarButtonItem::Style::plain);
    auto navigation = UINavigationController::make(below);
    navigation->pushViewController(form, false);

    auto root = form->view();
    auto name = UIView::make<UITextField>(CGRect{10, 60, 200, 30});
    name->setPlaceholder("First name");
    root->addSubview(name);
    auto secret = UIView::make<UITextField>(CGRect{10, 100, 200, 30});
    secret->setText("hunter2");
    secret->setSecureTextEntry(true);
    secret->setEnabled(false);
    root->addSubview(secret);
    auto notes = UIView::make<UITextView>(CGRect{10, 140, 200, 60});
    notes->setText("Line");
    notes->setEditable(false);
    root->addSubview(notes);
    auto segments = UIView::make<UISegmentedControl>(std::vector<std::string>{"Open", "Closed"});
    segments->setFrame(CGRect{10, 210, 200, 30});
    segments->setSelectedSegmentIndex(1);
    root->addSubview(segments);
    window()->setRootViewController(navigation);
    window()->makeKeyAndVisible();

    EXPECT_EQ(glass(window()),
              "NavigationBar < \"\" \"Profile settings\" [\"Save\" disabled]\n"
              "TextField placeholder \"First name\"\n"
              "TextField (secure) (disabled)\n"
              "TextView \"Line\" (read-only)\n"
              "Segments \"Open\" [\"Closed\"]\n");
    EXPECT_FALSE(UIEventGenerator::tap(save));
    save->setEnabled(true);
    EXPECT_TRUE(UIEventGenerator::tap(save));
    EXPECT_EQ(saved, 1);

    form->navigationItem().setLeftBarButtonItem(close);  // replaces the back control
    EXPECT_EQ(glass(window()).substr(0, glass(window()).find('\n')),
              "NavigationBar [image \"leftArrow\"] \"Profile settings\" [\"Save\"]");
}

}  // namespace

namespace {

TEST_F(GlassRendererTest, AViewParkedWhollyOutsideTheWindowIsNotOnTheGlass) {
    auto screen = std::make_shared<UIViewController>();
    auto panel = UIView::make(CGRect{0, -300, 375, 300});  // above the top edge
    panel->addSubview(UIView::make<UILabel>(CGRect{10, 10, 100, 20}));
    std::static_pointer_cast<UILabel>(panel->subviews()[0])->setText("Parked");
    auto peeking = UIView::make<UILabel>(CGRect{0, -10, 100, 20});  // half in
    peeking->setText("Peeking");
    screen->view()->addSubview(panel);
    screen->view()->addSubview(peeking);
    window()->setRootViewController(screen);
    window()->makeKeyAndVisible();
    EXPECT_EQ(glass(window()).find("Parked"), std::string::npos) << glass(window());
    EXPECT_NE(glass(window()).find("Peeking"), std::string::npos);
    panel->setFrame(CGRect{0, 64, 375, 300});
    EXPECT_NE(glass(window()).find("Parked"), std::string::npos);
}

}  // namespace

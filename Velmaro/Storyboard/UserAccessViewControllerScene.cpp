#include "Velmaro/Storyboard/UserAccessViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIBarButtonItem.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"

namespace velmaro {

namespace {

std::shared_ptr<UITextField> field(CGFloat y, const std::string& placeholder, UIReturnKeyType returnKey) {
    auto field = SceneKit::textField(CGRect{32, y, 311, 44}, placeholder);
    field->setReturnKeyType(returnKey);
    return field;
}

}  // namespace

void UserAccessViewControllerScene::registerIn(const std::string& storyboardName) {
    SceneRegistrar::add<UserAccessViewController>(storyboardName, &build);
}

std::shared_ptr<UIView> UserAccessViewControllerScene::build(SceneKey key, UserAccessViewController& screen) {
    auto self = std::static_pointer_cast<UserAccessViewController>(screen.shared_from_this());
    auto root = SceneKit::rootView();
    SceneKit::addHeader(key, root, screen);
    auto close = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Close"), UIBarButtonItem::Style::plain);
    close->setTarget(self, &UserAccessViewController::dismissHelp);
    screen.navigationItem().setLeftBarButtonItem(close);

    auto heading = SceneKit::label({32, 64, 311, 44}, "Tell us who you are");
    root->addSubview(heading);
    SceneKit::underBars(screen, heading);
    // Top to bottom in the order the return key walks them.
    auto firstName = field(120, "First name", UIReturnKeyType::next);
    auto lastName = field(176, "Last name", UIReturnKeyType::next);
    auto username = field(232, "E-mail", UIReturnKeyType::done);
    auto confirm = SceneKit::button({32, 304, 311, 48}, "Confirm");
    confirm->layer()->setCornerRadius(6);
    confirm->setTitleColor(UIColor::white(), UIControlStateNormal);
    confirm->addTarget(self, UserAccessViewController::loginAction(key), UIControlEventTouchUpInside);
    for (const auto& input : {username, firstName, lastName}) {
        input->setDelegate(self);
        input->addTarget(self, &UserAccessViewController::textFieldEditingChanged, UIControlEventEditingChanged);
    }
    for (const auto& view : std::initializer_list<std::shared_ptr<UIView>>{username, firstName, lastName, confirm}) {
        root->addSubview(view);
        SceneKit::underBars(screen, view);
    }
    screen.connectFldUsername(key, username);
    screen.fldFirstName.connect(key, firstName);
    screen.fldLastName.connect(key, lastName);
    screen.btnConfirm.connect(key, confirm);
    return root;
}

}  // namespace velmaro

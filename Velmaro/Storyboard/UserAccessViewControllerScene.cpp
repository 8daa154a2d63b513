#include "Velmaro/Storyboard/UserAccessViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIBarButtonItem.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"

namespace velmaro {

namespace {

std::shared_ptr<UITextField> field(CGFloat y, const std::string& placeholder, UIReturnKeyType returnKey) {
    auto field = UIView::make<UITextField>(CGRect{32, y, 311, 44});
    field->setPlaceholder(placeholder);
    field->setReturnKeyType(returnKey);
    field->layer()->setBorderWidth(1);
    field->layer()->setCornerRadius(6);
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

    root->addSubview(SceneKit::label({32, 100, 311, 44}, "Tell us who you are"));
    // Top to bottom in the order the return key walks them.
    auto firstName = field(160, "First name", UIReturnKeyType::next);
    auto lastName = field(216, "Last name", UIReturnKeyType::next);
    auto username = field(272, "E-mail", UIReturnKeyType::done);
    auto confirm = SceneKit::button({32, 344, 311, 48}, "Confirm");
    confirm->layer()->setCornerRadius(6);
    confirm->setTitleColor(UIColor::white(), UIControlStateNormal);
    confirm->addTarget(self, UserAccessViewController::loginAction(key), UIControlEventTouchUpInside);
    for (const auto& input : {username, firstName, lastName}) {
        input->setDelegate(self);
        input->addTarget(self, &UserAccessViewController::textFieldEditingChanged, UIControlEventEditingChanged);
    }
    for (const auto& view : std::initializer_list<std::shared_ptr<UIView>>{username, firstName, lastName, confirm})
        root->addSubview(view);
    screen.connectFldUsername(key, username);
    screen.fldFirstName.connect(key, firstName);
    screen.fldLastName.connect(key, lastName);
    screen.btnConfirm.connect(key, confirm);
    return root;
}

}  // namespace velmaro

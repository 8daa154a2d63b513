#include "Velmaro/Storyboard/UserAccessViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIStoryboard.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/Storyboard/SceneKit.h"

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
    UIStoryboard::registerScene(storyboardName, UserAccessViewController::storyboardIdentifier,
                                [](const UIStoryboard&) { return std::make_shared<UserAccessViewController>(); });
}

void UserAccessViewControllerScene::loadView(UserAccessViewController& screen) {
    auto root = SceneKit::rootView();
    auto header = SceneKit::addHeader(root);
    screen.titleAvatar = header.avatar;
    screen.titleLabel = header.title;

    root->addSubview(SceneKit::label({32, 100, 311, 44}, "Tell us who you are"));
    auto username = field(160, "E-mail", UIReturnKeyType::next);
    auto firstName = field(216, "First name", UIReturnKeyType::next);
    auto lastName = field(272, "Last name", UIReturnKeyType::done);
    auto confirm = SceneKit::button({32, 344, 311, 48}, "Confirm");
    confirm->layer()->setCornerRadius(6);
    for (const auto& view : std::initializer_list<std::shared_ptr<UIView>>{username, firstName, lastName, confirm})
        root->addSubview(view);
    screen.fldUsername = username;
    screen.fldFirstName = firstName;
    screen.fldLastName = lastName;
    screen.btnConfirm = confirm;

    screen.setView(root);
}

}  // namespace velmaro

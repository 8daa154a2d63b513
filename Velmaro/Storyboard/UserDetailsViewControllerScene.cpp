#include "Velmaro/Storyboard/UserDetailsViewControllerScene.h"

#include <utility>

#include "UIKit/CALayer.h"
#include "UIKit/UIBarButtonItem.h"
#include "Velmaro/Controllers/UserAccess/UserDetailsViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"

namespace velmaro {

namespace {

std::shared_ptr<UITextField> nameField(CGFloat y, const std::string& placeholder) {
    return SceneKit::textField(CGRect{124, y, 219, 44}, placeholder);
}

}  // namespace

void UserDetailsViewControllerScene::registerIn(const std::string& storyboardName) {
    SceneRegistrar::add<UserDetailsViewController>(storyboardName, &build);
}

std::shared_ptr<UIView> UserDetailsViewControllerScene::build(SceneKey key, UserDetailsViewController& screen) {
    auto self = std::static_pointer_cast<UserDetailsViewController>(screen.shared_from_this());
    auto root = SceneKit::rootView();

    auto save = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::save);
    save->setEnabled(false);
    save->setTarget(self, &UserDetailsViewController::saveUserData);
    screen.navigationItem().setRightBarButtonItem(save);
    screen.btnSave.connect(key, save);

    auto avatar = UIView::make<UIButton>(CGRect{147, 16, 80, 80});
    avatar->setImage(SceneKit::image("AGENT"), UIControlStateNormal);
    avatar->layer()->setCornerRadius(40);
    avatar->setBackgroundColor(VelmaroColors::VelmaroLightGray());  // the picture's circle, whatever its size
    avatar->layer()->setMasksToBounds(true);
    root->addSubview(avatar);
    SceneKit::underBars(screen, avatar);
    screen.btnAvatar.connect(key, avatar);

    for (auto [y, caption] : {std::pair<CGFloat, const char*>{120, "First name"}, {176, "Last name"}}) {
        auto label = SceneKit::label({32, y, 88, 44}, caption);
        label->setTextAlignment(NSTextAlignment::left);
        root->addSubview(label);
        SceneKit::underBars(screen, label);
    }
    auto firstName = nameField(120, "First name");
    auto lastName = nameField(176, "Last name");
    connectFields({firstName, lastName});
    for (const auto& field : {firstName, lastName}) {
        field->addTarget(self, &UserDetailsViewController::editingChanged, UIControlEventEditingChanged);
        root->addSubview(field);
        SceneKit::underBars(screen, field);
    }
    screen.connectNameFields(key, firstName, lastName);

    auto language = SceneKit::label({32, 240, 311, 30}, "Language: English");
    language->setTextColor(SceneKit::secondaryTextColor());
    root->addSubview(language);
    SceneKit::underBars(screen, language);
    screen.lblLanguage.connect(key, language);

    // Shown by the screen only for a user the host identified.
    auto logout = SceneKit::button({32, 591, 311, 48}, "Log out");
    logout->setTitleColor(UIColor::white(), UIControlStateNormal);
    logout->layer()->setCornerRadius(6);
    logout->setHidden(true);
    logout->addTarget(self, &UserDetailsViewController::logout, UIControlEventTouchUpInside);
    root->addSubview(logout);
    SceneKit::onBottom(logout);
    screen.btnLogout.connect(key, logout);
    return root;
}

}  // namespace velmaro

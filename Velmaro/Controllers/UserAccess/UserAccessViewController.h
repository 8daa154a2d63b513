#pragma once

#include <memory>

#include "UIKit/UIButton.h"
#include "UIKit/UITextField.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/Storyboard/StoryboardIdentifiable.h"

namespace velmaro {

// Where the end user identifies with an e-mail address and optionally a name, when the tenant
// needs a user name and none is known.
class UserAccessViewController : public TitledViewController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "UserAccessViewController";

    Outlet<UITextField> fldFirstName;
    Outlet<UITextField> fldLastName;
    Outlet<UIButton> btnConfirm;
    // Kept for callers; nothing in the layer reads or changes it.
    bool userExists = false;

    // The e-mail field is the screen's own; the scene connects it like the others.
    void connectFldUsername(SceneKey key, const std::shared_ptr<UITextField>& field) {
        fldUsername.connect(key, field);
    }
    const Outlet<UITextField>& fldUsernameForTesting() const { return fldUsername; }

private:
    Outlet<UITextField> fldUsername;
    // The field that began editing last; a fresh field in no view until then.
    std::shared_ptr<UITextField> activeField = std::make_shared<UITextField>();
};

}  // namespace velmaro

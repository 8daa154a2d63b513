#include "Velmaro/Controllers/TitledViewController.h"

#include "UIKit/UIBarButtonItem.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/ImageLoading.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace velmaro {

void TitledViewController::viewDidLoad() {
    UIViewController::viewDidLoad();
    auto config = Config::loadConfig();
    // Without a configuration the header keeps what the scene shows.
    if (!config) return;
    if (titleLabel) titleLabel->setText(config->name + " support");
    if (titleAvatar) {
        loadCoreImage(*titleAvatar.get(), config->avatarUrl);
        titleAvatar->setBackgroundColor(uiColor(config->primaryColor));
    }
    if (auto item = navigationItem().leftBarButtonItem()) item->setTintColor(uiColor(config->primaryColor));
    if (auto item = navigationItem().rightBarButtonItem()) item->setTintColor(uiColor(config->primaryColor));
}

}  // namespace velmaro

#include "Velmaro/Helpers/Storyboard.h"

#include "UIKit/UIStoryboard.h"
#include "Velmaro/Helpers/VelmaroBundle.h"

namespace velmaro {

std::string rawValue(Storyboard storyboard) {
    switch (storyboard) {
    case Storyboard::Velmaro:
        return "Velmaro";
    }
    return {};
}

std::optional<Storyboard> storyboardFromRawValue(std::string_view text) {
    if (text == "Velmaro") return Storyboard::Velmaro;
    return std::nullopt;
}

std::shared_ptr<UIStoryboard> loadStoryboard(Storyboard storyboard) {
    return UIStoryboard::make(rawValue(storyboard), velmaroBundle());
}

}  // namespace velmaro

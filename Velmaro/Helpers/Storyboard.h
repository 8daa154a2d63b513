#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class UIStoryboard;

namespace velmaro {

// The names of the layer's storyboards; their raw values are the storyboard names.
enum class Storyboard { Velmaro };

std::string rawValue(Storyboard storyboard);
// Nothing for a text that names no storyboard of the layer.
std::optional<Storyboard> storyboardFromRawValue(std::string_view rawValue);
// `storyboardWithName:bundle:` for a storyboard of the layer, from velmaroBundle().
std::shared_ptr<UIStoryboard> loadStoryboard(Storyboard storyboard);

}  // namespace velmaro

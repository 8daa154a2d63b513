#pragma once

#include <string>

namespace velmaro {

// One choice on the rating scale; the core delivers the scale in order, worst first.
struct SatisfactionScoreModel {
    std::string id;

    bool operator==(const SatisfactionScoreModel&) const = default;
};

}  // namespace velmaro

#include "UIKit/UIViewAnimationLog.h"

namespace {
std::vector<UIViewAnimationRecord>& storage() {
    static std::vector<UIViewAnimationRecord> records;
    return records;
}
}  // namespace

const std::vector<UIViewAnimationRecord>& UIViewAnimationLog::records() { return storage(); }
void UIViewAnimationLog::append(const UIViewAnimationRecord& record) { storage().push_back(record); }
void UIViewAnimationLog::clear() { storage().clear(); }

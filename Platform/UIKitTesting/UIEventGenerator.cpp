#include "UIKitTesting/UIEventGenerator.h"

#include <algorithm>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIKeyboard.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"

namespace {

// Code points of a UTF-8 text, each as its own text.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        while (i + length < text.size() &&
               (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80 && length < 4) {
            ++length;
        }
        out.push_back(text.substr(i, length));
        i += length;
    }
    return out;
}

bool tapPoint(const std::shared_ptr<UIView>& view, CGPoint local) {
    auto window = view ? view->window() : nullptr;
    if (!window) return false;
    CGPoint point = view->convertPointTo(local, window.get());
    auto hit = window->hitTest(point, nullptr);
    if (!hit || !hit->isDescendantOf(view.get())) return false;
    window->sendTap(point);
    return true;
}

template <class Input>
std::size_t typeInto(const std::shared_ptr<Input>& input, const std::string& text) {
    if (!input->isFirstResponder() && !input->becomeFirstResponder()) return 0;
    std::size_t accepted = 0;
    for (const auto& character : characters(text)) {
        if (input->insertText(character)) ++accepted;
    }
    return accepted;
}

template <class Input>
std::size_t deleteFrom(const std::shared_ptr<Input>& input, std::size_t count) {
    std::size_t deleted = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (input->deleteBackward()) ++deleted;
    }
    return deleted;
}

}  // namespace

void UIEventGenerator::tapAt(const std::shared_ptr<UIWindow>& window, CGPoint point) {
    if (window) window->sendTap(point);
}

bool UIEventGenerator::tap(const std::shared_ptr<UIView>& view) {
    if (!view) return false;
    CGRect b = view->bounds();
    return tapPoint(view, b.center());
}

bool UIEventGenerator::tap(const std::shared_ptr<UIBarButtonItem>& item) {
    if (!item || !item->isEnabled() || item->isSpace()) return false;
    item->sendAction();
    return true;
}

bool UIEventGenerator::selectSegment(const std::shared_ptr<UISegmentedControl>& control, int index) {
    if (!control || index < 0 || index >= control->numberOfSegments()) return false;
    CGRect b = control->bounds();
    CGFloat share = b.size.width / control->numberOfSegments();
    return tapPoint(control, {b.origin.x + share * (index + 0.5), b.midY()});
}

bool UIEventGenerator::tapBackButton(const std::shared_ptr<UINavigationController>& navigation) {
    return navigation && navigation->tapBackButton();
}

bool UIEventGenerator::pressAlertAction(const std::shared_ptr<UIWindow>& window, const std::string& title) {
    auto alert = GlassReader::visibleAlert(window);
    return alert && alert->pressAction(alert->actionTitled(title));
}

bool UIEventGenerator::selectRow(const std::shared_ptr<UITableView>& table, const IndexPath& indexPath) {
    if (!table || table->isHidden() || !table->isUserInteractionEnabled()) return false;
    return table->tapRow(indexPath);
}

CGFloat UIEventGenerator::scroll(const std::shared_ptr<UITableView>& table, CGFloat dy) {
    return table ? table->drag(dy) : 0;
}

bool UIEventGenerator::scrollToRow(const std::shared_ptr<UITableView>& table, const IndexPath& indexPath) {
    if (!table || indexPath.section < 0 || indexPath.section >= table->numberOfSections() || indexPath.row < 0 ||
        indexPath.row >= table->numberOfRows(indexPath.section)) {
        return false;
    }
    // Drag in steps of a screenful, as a person would, until the row shows.
    for (int step = 0; step < 10000 && !table->cellForRow(indexPath); ++step) {
        CGFloat before = table->contentOffset().y;
        CGFloat height = std::max<CGFloat>(1, table->bounds().size.height);
        bool below = table->rectForRow(indexPath).minY() >= before;
        if (scroll(table, below ? height : -height) == before) break;
    }
    return table->cellForRow(indexPath) != nullptr;
}

bool UIEventGenerator::beginEditing(const std::shared_ptr<UIView>& input) {
    return input && input->becomeFirstResponder();
}

bool UIEventGenerator::endEditing(const std::shared_ptr<UIView>& input) {
    return input && input->resignFirstResponder();
}

std::size_t UIEventGenerator::type(const std::shared_ptr<UITextField>& field, const std::string& text) {
    return field ? typeInto(field, text) : 0;
}

std::size_t UIEventGenerator::type(const std::shared_ptr<UITextView>& view, const std::string& text) {
    return view ? typeInto(view, text) : 0;
}

std::size_t UIEventGenerator::deleteBackward(const std::shared_ptr<UITextField>& field, std::size_t count) {
    return field ? deleteFrom(field, count) : 0;
}

std::size_t UIEventGenerator::deleteBackward(const std::shared_ptr<UITextView>& view, std::size_t count) {
    return view ? deleteFrom(view, count) : 0;
}

bool UIEventGenerator::pressReturn(const std::shared_ptr<UITextField>& field) {
    return field && field->handleReturnKey();
}

bool UIEventGenerator::pressReturn(const std::shared_ptr<UITextView>& view) {
    return view && view->insertText("\n");
}

void UIEventGenerator::showKeyboard(const std::shared_ptr<UIWindow>& window, CGFloat height) {
    CGRect bounds = window ? window->bounds() : CGRect{};
    UIKeyboard::postShowing(UIKeyboard::hiddenFrame(bounds, height), UIKeyboard::shownFrame(bounds, height));
}

void UIEventGenerator::hideKeyboard(const std::shared_ptr<UIWindow>& window, CGFloat height) {
    CGRect bounds = window ? window->bounds() : CGRect{};
    UIKeyboard::postHiding(UIKeyboard::shownFrame(bounds, height), UIKeyboard::hiddenFrame(bounds, height));
}

std::size_t UIEventGenerator::drainMainQueue() { return RunLoop::main().runUntilIdle(); }

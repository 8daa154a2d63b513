#include "UIKit/GlassRenderer.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITabBarController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIWindow.h"

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '"') {
            out += "\\\"";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string imageName(const std::shared_ptr<UIImage>& image) {
    if (!image) return {};
    return image->name() ? *image->name() : std::string("(unnamed)");
}

class Writer {
public:
    void line(int depth, const std::string& text) {
        out_ << std::string(static_cast<std::size_t>(depth) * 2, ' ') << text << '\n';
    }
    std::string str() const { return out_.str(); }

    void controller(const std::shared_ptr<UIViewController>& controller, int depth) {
        if (!controller) return;
        auto presented = controller->parentViewController() ? nullptr : controller->presentedViewController();
        bool covered = presented && presented->modalPresentationStyle() == UIModalPresentationStyle::fullScreen;
        if (!covered) screen(controller, depth);
        if (presented) this->controller(presented, depth);
    }

    void screen(const std::shared_ptr<UIViewController>& controller, int depth) {
        if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(controller)) {
            if (!navigation->isNavigationBarHidden()) bar(*navigation, depth);
            if (auto top = navigation->topViewController()) screen(top, depth);
            return;
        }
        if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(controller)) {
            if (auto selected = tabs->selectedViewController()) screen(selected, depth);
            return;
        }
        if (auto alert = std::dynamic_pointer_cast<UIAlertController>(controller)) {
            this->alert(*alert, depth);
            return;
        }
        view(controller->view(), depth);
    }

    void bar(UINavigationController& navigation, int depth) {
        // Appended piece by piece: `" " + temporary` trips GCC 12's -Wrestrict at -O3.
        std::string text = "NavigationBar";
        if (auto back = navigation.backButtonTitle()) text.append(" < ").append(quoted(*back));
        for (const auto& item : navigation.leftBarItems()) text.append(" ").append(barItem(*item));
        if (auto title = navigation.barTitle()) text.append(" ").append(quoted(*title));
        for (const auto& item : navigation.rightBarItems()) text.append(" ").append(barItem(*item));
        line(depth, text);
    }

    static std::string barItem(const UIBarButtonItem& item) {
        std::string text = "[";
        if (item.title() && !item.title()->empty()) {
            text += quoted(*item.title());
        } else if (item.image()) {
            text += "image " + quoted(imageName(item.image()));
        } else {
            text += "item";
        }
        if (!item.isEnabled()) text += " disabled";
        return text + "]";
    }

    void alert(const UIAlertController& alert, int depth) {
        line(depth, "Alert " + quoted(alert.title().value_or("")));
        if (alert.message()) line(depth + 1, "Message " + quoted(*alert.message()));
        for (const auto& action : alert.actions()) {
            std::string text = "Action " + quoted(action->title());
            if (action->style() == UIAlertActionStyle::cancel) text += " (cancel)";
            if (action->style() == UIAlertActionStyle::destructive) text += " (destructive)";
            if (!action->isEnabled()) text += " (disabled)";
            line(depth + 1, text);
        }
    }

    // Hidden, transparent, or wholly outside the window (a panel parked above the top edge).
    static bool shows(const std::shared_ptr<UIView>& view) {
        if (!view || view->isHidden() || view->alpha() <= 0) return false;
        auto window = view->window();
        if (!window || view->bounds().isEmpty()) return true;
        return view->convertRectTo(view->bounds(), nullptr).intersects(window->bounds());
    }

    // Siblings in reading order: top edge, then left edge, then their order among the subviews.
    static std::vector<std::shared_ptr<UIView>> readingOrder(const std::vector<std::shared_ptr<UIView>>& views) {
        std::vector<std::shared_ptr<UIView>> sorted;
        for (const auto& view : views) {
            if (shows(view)) sorted.push_back(view);
        }
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            auto fa = a->frame();
            auto fb = b->frame();
            if (fa.minY() != fb.minY()) return fa.minY() < fb.minY();
            return fa.minX() < fb.minX();
        });
        return sorted;
    }

    void children(const std::shared_ptr<UIView>& view, int depth) {
        for (const auto& child : readingOrder(view->subviews())) this->view(child, depth);
    }

    void view(const std::shared_ptr<UIView>& view, int depth) {
        if (!shows(view)) return;
        if (auto table = std::dynamic_pointer_cast<UITableView>(view)) {
            this->table(*table, depth);
            return;
        }
        if (auto label = std::dynamic_pointer_cast<UILabel>(view)) {
            if (label->text() && !label->text()->empty()) line(depth, "Label " + quoted(*label->text()));
            return;
        }
        if (auto button = std::dynamic_pointer_cast<UIButton>(view)) {
            std::string text = "Button";
            if (auto title = button->currentTitle(); title && !title->empty()) text += " " + quoted(*title);
            if (auto image = button->currentImage()) text += " image " + quoted(imageName(image));
            if (!button->isEnabled()) text += " (disabled)";
            line(depth, text);
            return;
        }
        if (auto imageView = std::dynamic_pointer_cast<UIImageView>(view)) {
            if (imageView->image()) line(depth, "Image " + quoted(imageName(imageView->image())));
            children(view, depth);
            return;
        }
        if (auto field = std::dynamic_pointer_cast<UITextField>(view)) {
            std::string text = "TextField";
            auto value = field->text().value_or("");
            if (!value.empty()) {
                text += " " + (field->isSecureTextEntry() ? std::string("(secure)") : quoted(value));
            } else if (field->placeholder() && !field->placeholder()->empty()) {
                text += " placeholder " + quoted(*field->placeholder());
            }
            if (!field->isEnabled()) text += " (disabled)";
            line(depth, text);
            return;
        }
        if (auto textView = std::dynamic_pointer_cast<UITextView>(view)) {
            std::string text = "TextView";
            if (!textView->text().empty()) text += " " + quoted(textView->text());
            if (!textView->isEditable()) text += " (read-only)";
            line(depth, text);
            children(view, depth + 1);
            return;
        }
        if (auto segments = std::dynamic_pointer_cast<UISegmentedControl>(view)) {
            std::string text = "Segments";
            for (int index = 0; index < segments->numberOfSegments(); ++index) {
                auto title = quoted(segments->titleForSegment(index).value_or(""));
                text += " " + (index == segments->selectedSegmentIndex() ? "[" + title + "]" : title);
            }
            if (!segments->isEnabled()) text += " (disabled)";
            line(depth, text);
            return;
        }
        children(view, depth);
    }

    void table(UITableView& table, int depth) {
        line(depth, "Table");
        std::vector<std::pair<CGFloat, std::shared_ptr<UIView>>> items;
        for (const auto& indexPath : table.indexPathsForVisibleRows()) {
            auto cell = table.cellForRow(indexPath);
            if (!shows(cell)) continue;
            std::string text = "Row " + indexPath.description();
            if (cell->isSelected()) text += " (selected)";
            line(depth + 1, text);
            children(cell, depth + 2);
        }
        for (int section = 0; section < table.numberOfSections(); ++section) {
            if (auto footer = table.footerView(section); shows(footer) && !footer->subviews().empty()) {
                line(depth + 1, "Footer " + std::to_string(section));
                children(footer, depth + 2);
            }
        }
        if (auto footer = table.tableFooterView(); shows(footer)) children(footer, depth + 1);
    }

private:
    std::ostringstream out_;
};

}  // namespace

std::string GlassRenderer::render(const std::shared_ptr<UIWindow>& window) {
    Writer writer;
    if (!window || window->isHidden()) return {};
    if (auto root = window->rootViewController()) {
        writer.controller(root, 0);
    } else {
        writer.children(window, 0);
    }
    return writer.str();
}

std::string GlassRenderer::render(const std::shared_ptr<UIViewController>& controller) {
    Writer writer;
    writer.controller(controller, 0);
    return writer.str();
}

std::string GlassRenderer::renderView(const std::shared_ptr<UIView>& view) {
    Writer writer;
    writer.view(view, 0);
    return writer.str();
}

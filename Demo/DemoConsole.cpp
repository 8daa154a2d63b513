#include "Demo/DemoConsole.h"

#include <optional>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "CoreSimulator/SupportDesk.h"
#include "Demo/DemoHost.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/GlassRenderer.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITabBarController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Velmaro.h"

using namespace velmaro;

namespace {

std::string folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// A command's argument: "text in quotes" (\" and \\ inside) or the rest of the line as it stands.
std::optional<std::string> argument(std::string_view rest, std::string& error) {
    rest = trimmed(rest);
    if (rest.empty() || rest.front() != '"') return std::string(rest);
    std::string text;
    for (std::size_t i = 1; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '\\' && i + 1 < rest.size()) {
            text += rest[++i];
        } else if (c == '"') {
            if (!trimmed(rest.substr(i + 1)).empty()) {
                error = "unexpected text after the closing quote";
                return std::nullopt;
            }
            return text;
        } else {
            text += c;
        }
    }
    error = "the quote is not closed";
    return std::nullopt;
}

// What a tap on the glass would reach: the first element, in reading order, showing the text.
class TapTarget {
public:
    explicit TapTarget(const std::shared_ptr<UIWindow>& window, std::string wanted, bool ignoringCase)
        : window_(window), wanted_(std::move(wanted)), ignoringCase_(ignoringCase) {}

    // The gesture; false when the element is there but a person could not tap it.
    std::function<bool()> find() {
        if (auto root = window_->rootViewController()) controller(root);
        return found_;
    }

private:
    bool matches(const std::optional<std::string>& text) const {
        if (!text || text->empty()) return false;
        return ignoringCase_ ? folded(*text) == folded(wanted_) : *text == wanted_;
    }
    void offer(std::function<bool()> gesture) {
        if (!found_) found_ = std::move(gesture);
    }

    static bool shows(const std::shared_ptr<UIView>& view) {
        if (!view || view->isHidden() || view->alpha() <= 0) return false;
        auto window = view->window();
        if (!window || view->bounds().isEmpty()) return true;
        return view->convertRectTo(view->bounds(), nullptr).intersects(window->bounds());
    }

    void controller(const std::shared_ptr<UIViewController>& controller) {
        auto presented = controller->parentViewController() ? nullptr : controller->presentedViewController();
        bool covered = presented && presented->modalPresentationStyle() == UIModalPresentationStyle::fullScreen;
        if (!covered) screen(controller);
        if (presented) this->controller(presented);
    }

    void screen(const std::shared_ptr<UIViewController>& controller) {
        if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(controller)) {
            if (!navigation->isNavigationBarHidden()) bar(navigation);
            if (auto top = navigation->topViewController()) screen(top);
            return;
        }
        if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(controller)) {
            if (auto selected = tabs->selectedViewController()) screen(selected);
            return;
        }
        if (auto alert = std::dynamic_pointer_cast<UIAlertController>(controller)) {
            for (const auto& action : alert->actions())
                if (matches(action->title()))
                    offer([window = window_, title = action->title()] {
                        return UIEventGenerator::pressAlertAction(window, title);
                    });
            return;
        }
        view(controller->view());
    }

    void bar(const std::shared_ptr<UINavigationController>& navigation) {
        if (matches(navigation->backButtonTitle()))
            offer([navigation] { return UIEventGenerator::tapBackButton(navigation); });
        auto items = navigation->leftBarItems();
        for (const auto& item : navigation->rightBarItems()) items.push_back(item);
        for (const auto& item : items)
            if (matches(item->title()) || (item->image() && matches(item->image()->name())))
                offer([item] { return UIEventGenerator::tap(item); });
    }

    void view(const std::shared_ptr<UIView>& view) {
        if (!shows(view)) return;
        if (auto table = std::dynamic_pointer_cast<UITableView>(view)) {
            for (const auto& indexPath : table->indexPathsForVisibleRows()) {
                auto cell = table->cellForRow(indexPath);
                if (!shows(cell)) continue;
                // A text of the row selects the row, unless a control in it shows the text; in a
                // row with a text input, the text is the input's placeholder.
                bool before = static_cast<bool>(found_);
                children(cell);
                if (!before && found_ && !controlFound_) {
                    if (auto input = firstInput(cell)) {
                        found_ = [input] { return UIEventGenerator::beginEditing(input); };
                    } else {
                        found_ = [table, indexPath] { return UIEventGenerator::selectRow(table, indexPath); };
                    }
                }
                controlFound_ = false;
            }
            if (auto footer = table->tableFooterView()) this->view(footer);
            return;
        }
        if (auto button = std::dynamic_pointer_cast<UIButton>(view)) {
            if (matches(button->currentTitle()) || (button->currentImage() && matches(button->currentImage()->name()))) {
                if (!found_) controlFound_ = true;
                offer([button] { return UIEventGenerator::tap(std::static_pointer_cast<UIView>(button)); });
            }
            return;
        }
        if (auto segments = std::dynamic_pointer_cast<UISegmentedControl>(view)) {
            for (int index = 0; index < segments->numberOfSegments(); ++index)
                if (matches(segments->titleForSegment(index))) {
                    if (!found_) controlFound_ = true;
                    offer([segments, index] { return UIEventGenerator::selectSegment(segments, index); });
                }
            return;
        }
        auto field = std::dynamic_pointer_cast<UITextField>(view);
        auto textView = std::dynamic_pointer_cast<UITextView>(view);
        auto label = std::dynamic_pointer_cast<UILabel>(view);
        if ((field && (matches(field->text()) || matches(field->placeholder()))) ||
            (textView && matches(textView->text())) || (label && matches(label->text()))) {
            if ((field || textView) && !found_) controlFound_ = true;
            offer([window = window_, view] {
                auto frame = view->convertRectTo(view->bounds(), nullptr);
                UIEventGenerator::tapAt(window, CGPoint{frame.midX(), frame.midY()});
                return true;
            });
        }
        children(view);
    }

    static std::shared_ptr<UIView> firstInput(const std::shared_ptr<UIView>& view) {
        if (std::dynamic_pointer_cast<UITextField>(view) || std::dynamic_pointer_cast<UITextView>(view)) return view;
        for (const auto& child : view->subviews())
            if (auto input = firstInput(child)) return input;
        return nullptr;
    }

    void children(const std::shared_ptr<UIView>& view) {
        auto subviews = view->subviews();
        std::vector<std::shared_ptr<UIView>> sorted;
        for (const auto& subview : subviews)
            if (shows(subview)) sorted.push_back(subview);
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            auto fa = a->frame(), fb = b->frame();
            if (fa.minY() != fb.minY()) return fa.minY() < fb.minY();
            return fa.minX() < fb.minX();
        });
        for (const auto& child : sorted) this->view(child);
    }

    std::shared_ptr<UIWindow> window_;
    std::string wanted_;
    bool ignoringCase_;
    std::function<bool()> found_;
    bool controlFound_ = false;
};

}  // namespace

int DemoConsole::run(const DemoTour::Options& options, std::istream& in, std::ostream& out) {
    UserDefaults::standard().remove("extuserName");
    auto made = options.open(true, out);
    if (!made) return 1;
    DemoHost& host = *made;
    if (options.deskUrl)
        out << "velmaro-demo: the Acme shop app, on the velmaro-desk at " << *options.deskUrl
            << " (its conversations come when you sign in). Type help for the commands.\n";
    else
        out << "velmaro-demo: the Acme shop app, on the tour's support desk. Type help for the commands.\n";
    DemoConsole console(host, in, out);
    console.run();
    return 0;
}

std::string DemoConsole::help() {
    return "commands:\n"
           "  help                  this list\n"
           "  glass                 what is on the screen\n"
           "  tap \"<text>\"          tap the button, row, field, bar item or alert button showing the text\n"
           "  type \"<text>\"         type into the field being edited\n"
           "  return                press the return key\n"
           "  back                  the navigation bar's way back\n"
           "  wait <seconds>        let time pass (animations, the agent's answers)\n"
           "  agent \"<text>\"        the desk's agent writes in the open chat\n"
           "  push <conversation>   open a push notification about a conversation\n"
           "                        (the desk holds kettle, invoice, parcel and slot)\n"
           "  snap <file.png>       a picture of the screen\n"
           "  quit                  end (so does the end of input)\n";
}

void DemoConsole::run() {
    std::string line;
    for (;;) {
        out_ << "velmaro> " << std::flush;
        if (!std::getline(in_, line)) {
            out_ << "\n";
            return;
        }
        // Answers of the desk that arrived while the person was thinking.
        RunLoop::main().runUntilIdle();
        if (!execute(line)) return;
    }
}

bool DemoConsole::execute(const std::string& line) {
    std::string_view text = trimmed(line);
    if (text.empty() || text.front() == '#') return true;
    const auto space = text.find_first_of(" \t");
    const std::string command(text.substr(0, space));
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : text.substr(space);

    if (command == "quit" || command == "exit") return false;
    if (command == "help") {
        out_ << help();
        return true;
    }
    if (command == "glass") {
        out_ << GlassRenderer::render(host_.window());
        return true;
    }
    if (command == "return" || command == "back") {
        if (!trimmed(rest).empty()) {
            error(command + " takes nothing after it");
        } else if (command == "return") {
            pressReturn();
        } else {
            back();
        }
        return true;
    }
    static const std::map<std::string, void (DemoConsole::*)(const std::string&)> withText{
        {"tap", &DemoConsole::tap},   {"type", &DemoConsole::type}, {"agent", &DemoConsole::agent},
        {"push", &DemoConsole::push}, {"snap", &DemoConsole::snap}};
    if (command == "wait") {
        std::string number(trimmed(rest));
        char* end = nullptr;
        const double seconds = number.empty() ? -1 : std::strtod(number.c_str(), &end);
        if (number.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 600) {
            error("wait needs a number of seconds from 0 to 600");
            return true;
        }
        pass(seconds);
        return true;
    }
    auto found = withText.find(command);
    if (found == withText.end()) {
        error("unknown command \"" + command + "\" (type help for the list)");
        return true;
    }
    std::string problem;
    auto value = argument(rest, problem);
    if (!value) {
        error(command + ": " + problem);
    } else if (value->empty()) {
        error(command + " needs a text, e.g. " + command + " \"...\"");
    } else {
        (this->*found->second)(*value);
    }
    return true;
}

void DemoConsole::tap(const std::string& text) {
    auto gesture = TapTarget(host_.window(), text, false).find();
    if (!gesture) gesture = TapTarget(host_.window(), text, true).find();
    if (!gesture) return error("nothing on the screen shows \"" + text + "\"");
    if (!gesture()) return error("\"" + text + "\" cannot be tapped now (covered or moving; try wait 1)");
    acted();
}

void DemoConsole::type(const std::string& text) {
    auto focused = host_.window()->firstResponder();
    if (auto field = std::dynamic_pointer_cast<UITextField>(focused)) {
        UIEventGenerator::type(field, text);
    } else if (auto textView = std::dynamic_pointer_cast<UITextView>(focused)) {
        UIEventGenerator::type(textView, text);
    } else {
        return error("nothing is being edited: tap a field first");
    }
    acted();
}

void DemoConsole::pressReturn() {
    auto focused = host_.window()->firstResponder();
    if (auto field = std::dynamic_pointer_cast<UITextField>(focused)) {
        UIEventGenerator::pressReturn(field);
    } else if (auto textView = std::dynamic_pointer_cast<UITextView>(focused)) {
        UIEventGenerator::pressReturn(textView);
    } else {
        return error("nothing is being edited: tap a field first");
    }
    acted();
}

void DemoConsole::back() {
    auto top = host_.topScreen();
    if (std::dynamic_pointer_cast<UIAlertController>(top)) return error("an alert is showing: tap one of its buttons");
    auto navigation = top ? top->navigationController() : nullptr;
    if (!navigation || navigation->isNavigationBarHidden()) return error("there is no way back from this screen");
    bool tapped = false;
    if (navigation->backButtonTitle()) {
        tapped = UIEventGenerator::tapBackButton(navigation);
    } else if (auto items = navigation->leftBarItems(); !items.empty()) {
        tapped = UIEventGenerator::tap(items.front());
    }
    if (!tapped) return error("there is no way back from this screen");
    acted();
}

void DemoConsole::agent(const std::string& text) {
    auto chat = std::dynamic_pointer_cast<ChatViewController>(host_.topScreen());
    if (!chat) return error("no chat is open: the agent writes in the chat on the screen");
    if (!host_.agentSays(chat->conversation ? chat->conversation->id : std::string(), text))
        return error("the desk refused the agent's message");
    acted();
}

void DemoConsole::push(const std::string& conversationId) {
    if (!host_.support()) return error("the support layer has not started: tap \"Help & support\" first");
    auto id = host_.conversationId(conversationId);
    if (!id) return error("the desk has no conversation \"" + conversationId + "\"");
    host_.support()->handlePushNotification({{"conversationId", *id}});
    acted();
}

void DemoConsole::snap(const std::string& file) {
    try {
        PictureRenderer::writePng(host_.window(), file, 2);  // as a phone of this size draws
        out_ << "wrote " << file << "\n";
    } catch (const std::exception& failure) {
        error(failure.what());
    }
}

void DemoConsole::pass(double seconds) {
    auto& loop = RunLoop::main();
    if (!loop.clock().isManual()) {
        loop.runFor(seconds);
        return;
    }
    using Steady = std::chrono::steady_clock;
    constexpr double slice = 0.02;
    for (double left = seconds; left > 0; left -= slice) {
        const double step = std::min(slice, left);
        // The desk answers on its own thread in real time; the screens move on the loop's clock.
        const auto until = Steady::now() + std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(step));
        loop.runUntil([&] { return Steady::now() >= until; }, step + 1.0);
        loop.runFor(step);
    }
    loop.runUntilIdle();
}

void DemoConsole::acted() {
    pass(UIViewController::transitionDuration + 0.25);
    out_ << "now on: " << DemoHost::screenName(host_.topScreen()) << "\n";
}

void DemoConsole::error(const std::string& message) {
    out_ << "error: " << message << "\n";
}

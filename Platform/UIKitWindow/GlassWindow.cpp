#include "UIKitWindow/GlassWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIWindow.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#endif

namespace {

// How far a pressed pointer moves, in points, before the press is a drag and no longer a tap.
constexpr CGFloat dragSlop = 4;
// Points one notch of the wheel scrolls.
constexpr CGFloat wheelStep = 40;

#if defined(SDL_VIDEO_DRIVER_X11)
XErrorHandler previousXErrorHandler = nullptr;

// SDL wakes a waiting window by sending it a message on a connection of its own. One that the
// server takes after the window is gone (a wake racing the window's end) fails harmlessly, but
// Xlib's default handler would end the program over it.
int toleratingLateWakes(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
    return previousXErrorHandler ? previousXErrorHandler(display, error) : 0;
}
#endif

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Code points of a UTF-8 text, each as its own text: inputs hear one character at a time, as
// from the device's keyboard.
std::vector<std::string> codePoints(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        while (i + length < text.size() && (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80 &&
               length < 4) {
            ++length;
        }
        out.push_back(text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace

struct GlassWindow::Native {
    SDL_Window* window = nullptr;
    Uint32 wakeEvent = 0;
    // Set while the main thread sleeps in the window's wait: a submit then pushes one wake event.
    std::shared_ptr<std::atomic<bool>> waiting = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<RunLoop> loop;
    std::unique_ptr<GlassCanvas> canvas;
    // The window's pixels the last frame went into; another one holds none of the glass yet.
    SDL_Surface* drawnSurface = nullptr;
};

struct GlassWindow::Press {
    CGPoint start;
    CGPoint last;
    bool dragging = false;
    std::shared_ptr<UIScrollView> scrollView;
};

double GlassWindow::fittingScale(CGSize points, CGSize pixels) {
    if (points.width <= 0 || points.height <= 0) return 1;
    // Room for the desktop's own bars around the window.
    double fits = std::min(pixels.width * 0.95 / points.width, pixels.height * 0.9 / points.height);
    return std::clamp(std::floor(fits * 4) / 4, 0.5, 3.0);
}

GlassWindow::GlassWindow(std::shared_ptr<UIWindow> window, Options options)
    : native_(std::make_unique<Native>()), window_(std::move(window)) {
    // The host keeps its own signal handling (Ctrl-C ends a test run, not just the window).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The click that brings the window to the front is a tap like any other, as a finger's is.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The window's own pixel buffer (shared memory with an X server), not one emulated over GL:
    // a software GL would redraw the whole window for every changed line.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
#if defined(SDL_VIDEO_DRIVER_X11)
    // Before SDL's own start, which keeps the handler it finds and puts it back at its end.
    static const bool tolerating = [] {
        previousXErrorHandler = XSetErrorHandler(toleratingLateWakes);
        return true;
    }();
    (void)tolerating;
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        throw std::runtime_error(std::string("no display for a window: ") + SDL_GetError());
    }
    auto fail = [this](const char* what) {
        std::string message = std::string(what) + ": " + SDL_GetError();
        if (native_->window) SDL_DestroyWindow(native_->window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw std::runtime_error(message);
    };
    CGSize points = window_ ? window_->bounds().size : CGSize{375, 667};
    scale_ = options.scale;
    SDL_DisplayMode mode{};
    bool haveMode = SDL_GetCurrentDisplayMode(0, &mode) == 0;
    if (scale_ <= 0) {
        SDL_Rect usable{};
        if (SDL_GetDisplayUsableBounds(0, &usable) != 0 && haveMode) usable = SDL_Rect{0, 0, mode.w, mode.h};
        scale_ = usable.w > 0 ? fittingScale(points, CGSize{double(usable.w), double(usable.h)}) : 1;
    }
    if (haveMode && mode.refresh_rate > 0) frameInterval_ = 1.0 / mode.refresh_rate;
    const int width = std::max(1, int(std::lround(points.width * scale_)));
    const int height = std::max(1, int(std::lround(points.height * scale_)));
    native_->window = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                       height, SDL_WINDOW_SHOWN);
    if (!native_->window) fail("cannot open a window");
    // The glass goes straight into the window's own pixels, a changed rectangle at a time: no
    // texture to upload whole and no GPU to wake for a frame of a few changed lines.
    if (!SDL_GetWindowSurface(native_->window)) fail("cannot draw in the window");
    native_->canvas = std::make_unique<GlassCanvas>(scale_);
    native_->wakeEvent = SDL_RegisterEvents(1);
    SDL_StartTextInput();

    native_->loop = RunLoop::mainShared();
    auto waiting = native_->waiting;
    Uint32 wake = native_->wakeEvent;
    native_->loop->setSubmitHook([waiting, wake] {
        if (!waiting->exchange(false)) return;
        SDL_Event event{};
        event.type = wake;
        SDL_PushEvent(&event);
    });
}

GlassWindow::~GlassWindow() {
    native_->loop->setSubmitHook(nullptr);
    SDL_StopTextInput();
    SDL_DestroyWindow(native_->window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void GlassWindow::setWindow(std::shared_ptr<UIWindow> window) {
    if (window == window_) return;
    window_ = std::move(window);
    press_.reset();
    drawnOnce_ = false;
    native_->canvas->redrawAll();
}

std::uint64_t GlassWindow::nativeId() const {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(native_->window, &info)) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) return static_cast<std::uint64_t>(info.info.x11.window);
#endif
    return 0;
}

bool GlassWindow::present(bool force) {
    if (!window_ || closed_) return false;
    if (!force && isUpToDate()) return false;
    auto& n = *native_;
    SDL_Surface* surface = SDL_GetWindowSurface(n.window);
    // A window shown again, or whose pixels were lost, gets all of the glass.
    const bool whole = force || exposed_ || !drawnOnce_ || !surface || surface != n.drawnSurface;
    std::vector<PixelRect> changed = n.canvas->update(window_);
    // Drawing lays out what was waiting for it: that is in this frame too.
    drawnGeneration_ = UIView::glassGeneration();
    drawnOnce_ = true;
    exposed_ = false;
    const Picture& picture = n.canvas->picture();
    if (whole) changed = {PixelRect{0, 0, picture.width, picture.height}};
    if (changed.empty()) return false;
    // Until a frame goes out whole again, the window may not hold what the canvas drew.
    n.drawnSurface = nullptr;
    if (!surface || picture.width <= 0 || picture.height <= 0) return false;
    std::vector<SDL_Rect> rects;
    // A window of 32-bit pixels laid out as the picture's (the usual X visual) takes its rows as
    // they are; any other is converted.
    const auto format = surface->format->format;
    if ((format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) && SDL_LockSurface(surface) == 0) {
        for (const auto& region : changed) {
            const int width = std::min(region.x + region.width, surface->w) - region.x;
            const int height = std::min(region.y + region.height, surface->h) - region.y;
            if (width <= 0 || height <= 0) continue;
            for (int y = region.y; y < region.y + height; ++y) {
                std::memcpy(static_cast<char*>(surface->pixels) + std::ptrdiff_t(y) * surface->pitch + region.x * 4,
                            picture.pixels.data() + std::size_t(y) * std::size_t(picture.width) + std::size_t(region.x),
                            std::size_t(width) * 4);
            }
            rects.push_back(SDL_Rect{region.x, region.y, width, height});
        }
        SDL_UnlockSurface(surface);
        changed.resize(rects.size());
    } else {
        // 0xAARRGGBB words, as the picture holds them.
        SDL_Surface* glass = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(picture.pixels.data()),
                                                                picture.width, picture.height, 32, picture.width * 4,
                                                                SDL_PIXELFORMAT_ARGB8888);
        if (!glass) return false;
        SDL_SetSurfaceBlendMode(glass, SDL_BLENDMODE_NONE);
        for (const auto& region : changed) {
            SDL_Rect rect{region.x, region.y, region.width, region.height};
            SDL_Rect to = rect;
            if (SDL_BlitSurface(glass, &rect, surface, &to) == 0) rects.push_back(to);
        }
        SDL_FreeSurface(glass);
    }
    if (rects.size() != changed.size() ||
        SDL_UpdateWindowSurfaceRects(n.window, rects.data(), int(rects.size())) != 0)
        return false;
    n.drawnSurface = surface;
    lastFrameNanoseconds_ = std::int64_t(steadySeconds() * 1e9);
    ++frames_;
    return true;
}

bool GlassWindow::isUpToDate() const {
    if (!window_ || closed_) return true;
    return drawnOnce_ && !exposed_ && UIView::glassGeneration() == drawnGeneration_;
}

double GlassWindow::untilNextFrame() const {
    if (frames_ == 0) return 0;
    double since = steadySeconds() - double(lastFrameNanoseconds_) / 1e9;
    return std::max(0.0, frameInterval_ - since);
}

GlassWindow::Outcome GlassWindow::runUntil(const std::function<bool()>& done, double timeoutSeconds) {
    auto& loop = *native_->loop;
    const double deadline = timeoutSeconds < 0 ? INFINITY : steadySeconds() + timeoutSeconds;
    for (;;) {
        loop.runUntilIdle();
        if (closed_) return Outcome::closed;
        if (done()) return Outcome::done;
        if (!isUpToDate() && untilNextFrame() <= 0) present();

        // From here a submit from any thread wakes the wait below; what was submitted before is
        // seen by the look at the queue after this line.
        native_->waiting->store(true);
        double wait = deadline - steadySeconds();
        if (wait <= 0) {
            native_->waiting->store(false);
            return Outcome::timedOut;
        }
        if (auto due = loop.nextDueTime()) {
            // A manual clock only moves when told: its tasks do not set the pace here.
            if (!loop.clock().isManual()) wait = std::min(wait, double(*due - loop.clock().nanoseconds()) / 1e9);
        }
        if (!isUpToDate()) wait = std::min(wait, untilNextFrame());
        waitAndHandleEvents(std::max(0.0, wait));
    }
}

bool GlassWindow::hold(double seconds) {
    const double end = steadySeconds() + std::max(0.0, seconds);
    present();
    for (;;) {
        double left = end - steadySeconds();
        if (closed_) return false;
        if (left <= 0) return true;
        waitAndHandleEvents(std::min(left, exposed_ ? untilNextFrame() : left));
        present();
    }
}

void GlassWindow::waitAndHandleEvents(double seconds) {
    native_->waiting->store(true);
    // Whole milliseconds, rounded up so that a task due in a fraction of one is not spun for.
    double ms = std::ceil(std::min(seconds, 3600.0) * 1000);
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, int(ms)) == 1) handle(&event);
    native_->waiting->store(false);
    while (SDL_PollEvent(&event) == 1) handle(&event);
}

CGPoint GlassWindow::toPoints(int x, int y) const { return CGPoint{x / scale_, y / scale_}; }

bool GlassWindow::onKeyboard(CGPoint point) const {
    auto keyboard = window_ ? window_->keyboardFrame() : std::nullopt;
    return keyboard && keyboard->contains(point);
}

void GlassWindow::handle(const void* raw) {
    const SDL_Event& event = *static_cast<const SDL_Event*>(raw);
    switch (event.type) {
        case SDL_QUIT:
            closed_ = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) closed_ = true;
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SHOWN ||
                event.window.event == SDL_WINDOWEVENT_RESTORED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                exposed_ = true;
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT) pressed(toPoints(event.button.x, event.button.y));
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.state & SDL_BUTTON_LMASK) moved(toPoints(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT) released(toPoints(event.button.x, event.button.y));
            break;
        case SDL_MOUSEWHEEL: {
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            double dy = event.wheel.preciseY;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) dy = -dy;
            wheel(toPoints(x, y), dy);
            break;
        }
        case SDL_TEXTINPUT:
            typed(event.text.text);
            break;
        case SDL_KEYDOWN:
            key(event.key.keysym.sym);
            break;
        default:
            break;
    }
}

namespace {

std::shared_ptr<UIScrollView> scrollViewUnder(const std::shared_ptr<UIWindow>& window, CGPoint point) {
    for (auto view = window->hitTest(point, nullptr); view; view = view->superview()) {
        if (auto scrollView = std::dynamic_pointer_cast<UIScrollView>(view)) return scrollView;
    }
    return nullptr;
}

}  // namespace

void GlassWindow::pressed(CGPoint point) {
    if (!window_) return;
    press_ = std::make_unique<Press>();
    press_->start = press_->last = point;
    // The keyboard is over the screens: what lies under it takes no touches.
    if (!onKeyboard(point)) press_->scrollView = scrollViewUnder(window_, point);
}

void GlassWindow::moved(CGPoint point) {
    if (!press_) return;
    if (!press_->dragging) {
        if (std::hypot(point.x - press_->start.x, point.y - press_->start.y) < dragSlop) return;
        press_->dragging = true;
    }
    // The content follows the finger: moving up shows what lies further down.
    if (press_->scrollView) press_->scrollView->drag(press_->last.y - point.y);
    press_->last = point;
}

void GlassWindow::released(CGPoint point) {
    if (!press_) return;
    moved(point);
    auto press = std::move(press_);
    if (press->dragging || !window_) return;
    if (onKeyboard(press->start)) {
        // The keys are the desktop's own; the toolbar above them works as on the device.
        if (auto item = PictureRenderer::keyboardBarItemAt(window_, press->start)) item->sendAction();
        return;
    }
    window_->sendTap(press->start);
}

void GlassWindow::wheel(CGPoint point, double dy) {
    if (!window_ || dy == 0 || onKeyboard(point)) return;
    if (auto scrollView = scrollViewUnder(window_, point)) scrollView->drag(-dy * wheelStep);
}

void GlassWindow::typed(const std::string& text) {
    auto responder = window_ ? window_->firstResponder() : nullptr;
    if (auto field = std::dynamic_pointer_cast<UITextField>(responder)) {
        for (const auto& character : codePoints(text)) field->insertText(character);
    } else if (auto textView = std::dynamic_pointer_cast<UITextView>(responder)) {
        for (const auto& character : codePoints(text)) textView->insertText(character);
    }
}

void GlassWindow::key(int keycode) {
    auto responder = window_ ? window_->firstResponder() : nullptr;
    auto field = std::dynamic_pointer_cast<UITextField>(responder);
    auto textView = std::dynamic_pointer_cast<UITextView>(responder);
    switch (keycode) {
        case SDLK_BACKSPACE:
            if (field) field->deleteBackward();
            if (textView) textView->deleteBackward();
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            if (field) field->handleReturnKey();
            if (textView) textView->insertText("\n");
            break;
        case SDLK_TAB:
            if (onTab) onTab();
            break;
        default:
            break;
    }
}

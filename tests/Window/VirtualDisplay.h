#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "UIKit/PictureRenderer.h"

// A virtual X display for one test: Xvfb picks a free display number itself and writes it to a
// pipe once it accepts clients, so nothing guesses a number or sleeps; it is killed at the end.
class VirtualDisplay {
public:
    VirtualDisplay(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("no pipe for Xvfb");
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, 15000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) {
            stop();
            throw std::runtime_error("Xvfb did not start");
        }
        name_ = ":" + number;
    }
    ~VirtualDisplay() { stop(); }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return name_; }

    // What the display shows in the window, pixel by pixel, as 0xFFRRGGBB.
    Picture capture(std::uint64_t window) const {
        Picture picture;
        Display* display = XOpenDisplay(name_.c_str());
        if (!display) return picture;
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes)) {
            XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
            if (image) {
                picture.width = attributes.width;
                picture.height = attributes.height;
                picture.pixels.resize(std::size_t(picture.width) * picture.height);
                for (int y = 0; y < picture.height; ++y)
                    for (int x = 0; x < picture.width; ++x)
                        picture.pixels[std::size_t(y) * picture.width + x] =
                            0xFF000000u | (std::uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
                XDestroyImage(image);
            }
        }
        XCloseDisplay(display);
        return picture;
    }

    // Gives a spare key the character, as a keyboard layout that has it would: typing it then
    // needs no remapping of keys on the fly, which races with the window reading the keyboard.
    void addKey(const char* keysymName) const {
        Display* display = XOpenDisplay(name_.c_str());
        if (!display) return;
        int low = 0, high = 0, perKey = 0;
        XDisplayKeycodes(display, &low, &high);
        KeySym* map = XGetKeyboardMapping(display, KeyCode(low), high - low + 1, &perKey);
        for (int code = high; code >= low; --code) {
            bool unused = true;
            for (int i = 0; i < perKey; ++i) unused = unused && map[(code - low) * perKey + i] == NoSymbol;
            if (!unused) continue;
            KeySym symbols[2] = {XStringToKeysym(keysymName), XStringToKeysym(keysymName)};
            XChangeKeyboardMapping(display, code, 2, symbols, 1);
            break;
        }
        XFree(map);
        XSync(display, False);
        XCloseDisplay(display);
    }

    // What the desktop's close button does: asks the window's program to close it.
    void requestClose(std::uint64_t window) const {
        Display* display = XOpenDisplay(name_.c_str());
        if (!display) return;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
        XCloseDisplay(display);
    }

private:
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::string name_;
};

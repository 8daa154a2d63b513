#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "Demo/DemoTour.h"

class DemoHost;

// The demo's hands-on mode: reads commands a line at a time and acts on the host's screens as a
// person would (tap, type, return, back), lets time pass, has the desk's agent write, opens push
// notifications and takes pictures. A bad line prints one "error: ..." line and the prompt stays.
class DemoConsole {
public:
    // A fresh host on the tour's desk (Acme requires a user name) driven from `in` until `quit`
    // or the end of input; answers the exit status.
    static int run(const DemoTour::Options& options, std::istream& in, std::ostream& out);

    DemoConsole(DemoHost& host, std::istream& in, std::ostream& out) : host_(host), in_(in), out_(out) {}
    // Reads and runs commands until `quit` or the end of input.
    void run();
    // Runs one command line; false when it asks to quit.
    bool execute(const std::string& line);

    static std::string help();

private:
    void tap(const std::string& text);
    void type(const std::string& text);
    void pressReturn();
    void back();
    void agent(const std::string& text);
    void push(const std::string& conversationId);
    void snap(const std::string& file);
    // Lets the screens' clock and the desk's real time move on together (a manual clock, as in
    // tests, is moved in step with real time).
    void pass(double seconds);
    // After an action: the transition ends and the desk's quick answers arrive; says where we are.
    void acted();
    void error(const std::string& message);

    DemoHost& host_;
    std::istream& in_;
    std::ostream& out_;
};

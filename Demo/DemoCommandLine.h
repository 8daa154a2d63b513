#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Demo/DemoTour.h"

// velmaro-demo's command line: which mode to run and with what.
class DemoCommandLine {
public:
    enum class Mode { tour, once, interactive, help };

    Mode mode = Mode::tour;
    DemoTour::Options options;
    // In a desktop window instead of on the terminal alone; the tour holds each step `pace` seconds.
    bool window = false;
    double pace = 2.5;
    // What was wrong, when the line could not be used; the program then exits with status 2.
    std::optional<std::string> error;

    static constexpr const char* defaultSnapshotFolder = "build/demo";

    // The arguments after the program's name.
    static DemoCommandLine parse(const std::vector<std::string>& arguments);
    static std::string usage();
};

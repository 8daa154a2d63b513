#include "support/Platform/GoldenPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string programName() {
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "tests" : name;
}

struct Failure {
    std::string name;
    std::string why;
};

std::vector<Failure>& failures() {
    static std::vector<Failure> list;
    return list;
}

void writePage(const fs::path& page) {
    std::ofstream html(page);
    html << "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\"><title>Changed screens</title>\n"
            "<style>body{font-family:sans-serif;margin:2em}td{vertical-align:top;padding:0 1em 2em 0}"
            "img{border:1px solid #ccc;width:375px}</style></head>\n<body>\n<h1>Screens that no longer match "
            "their golden pictures</h1>\n<p>Accept a change of look with <code>VELMARO_UPDATE_GOLDENS=1 make "
            "test</code>, then review the changed files in <code>tests/goldens/</code> before committing.</p>\n"
            "<table>\n<tr><th>golden</th><th>actual</th><th>difference</th></tr>\n";
    for (const auto& failure : failures()) {
        const fs::path golden = GoldenPicture::goldensFolder() / (failure.name + ".png");
        html << "<tr><td colspan=\"3\"><h2>" << failure.name << "</h2>" << failure.why << "</td></tr>\n<tr><td><img src=\"file://"
             << golden.string() << "\" alt=\"golden\"></td><td><img src=\"" << failure.name
             << ".actual.png\" alt=\"actual\"></td><td><img src=\"" << failure.name
             << ".difference.png\" alt=\"difference\"></td></tr>\n";
    }
    html << "</table>\n</body>\n</html>\n";
}

}  // namespace

fs::path GoldenPicture::goldensFolder() { return VELMARO_GOLDENS_DIR; }

fs::path GoldenPicture::failuresFolder() { return fs::path(VELMARO_GOLDEN_FAILURES_DIR) / programName(); }

bool GoldenPicture::updating() {
    const char* value = std::getenv("VELMARO_UPDATE_GOLDENS");
    return value && std::string(value) == "1";
}

::testing::AssertionResult GoldenPicture::matches(const Picture& actual, const std::string& name) {
    const fs::path golden = goldensFolder() / (name + ".png");
    if (updating()) {
        fs::create_directories(golden.parent_path());
        PictureRenderer::writePng(actual, golden);
        return ::testing::AssertionSuccess() << "wrote " << golden.string();
    }
    std::string why;
    if (!fs::exists(golden)) {
        why = "there is no golden picture " + golden.string() + " (VELMARO_UPDATE_GOLDENS=1 make test writes it)";
    } else {
        const PictureDifference difference = PictureComparison::compare(PictureRenderer::readPng(golden), actual);
        if (difference.withinTolerance()) return ::testing::AssertionSuccess();
        if (!difference.sameSize) {
            why = "the picture is " + std::to_string(actual.width) + " x " + std::to_string(actual.height) +
                  ", the golden is not";
        } else {
            char text[200];
            std::snprintf(text, sizeof text,
                          "%ld of %ld pixels (%.3f %%) differ by more than dE94 %.1f (largest %.1f); at most %.3f %% "
                          "may",
                          difference.differing, difference.pixels, 100 * difference.share(),
                          GoldenTolerance::pixelDeltaE94, difference.largestDeltaE, 100 * GoldenTolerance::shareOfPixels);
            why = text;
        }
        const fs::path folder = failuresFolder();
        fs::create_directories(folder / fs::path(name).parent_path());
        PictureRenderer::writePng(difference.map, folder / (name + ".difference.png"));
    }
    const fs::path folder = failuresFolder();
    fs::create_directories(folder / fs::path(name).parent_path());
    PictureRenderer::writePng(actual, folder / (name + ".actual.png"));
    failures().push_back({name, why});
    const fs::path page = folder / "index.html";
    writePage(page);
    return ::testing::AssertionFailure() << "screen state \"" << name << "\" no longer looks as its golden: " << why
                                         << "\nside by side: " << page.string();
}

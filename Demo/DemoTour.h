#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Demo/DemoHost.h"
#include "Foundation/Any.h"
#include "Foundation/Date.h"
#include "UIKit/UIColor.h"

namespace velmaro {
class ChatViewController;
class StartViewController;
}  // namespace velmaro
class UINavigationController;
class UIWindow;

// The demo host's scripted tour: one story through every support screen on the embedded desk,
// each step a caption, the glass as text and (when a folder is given) a PNG of the window, with
// an index.html showing the pictures in order. Every step is checked against what it should show.
class DemoTour {
public:
    struct Options {
        bool userNameRequired = false;
        std::optional<StringDictionary> userParameters;
        std::optional<std::uint64_t> chaosSeed;
        // Where the tour's pictures go; none: no pictures.
        std::optional<std::filesystem::path> snapshotFolder;
        // Pixels a point in the pictures: 2, as a phone of this size draws, or 1.
        double scale = 2;
        // The moment the tour plays at; its pictures show it in UTC with the en_US_POSIX locale,
        // whatever the machine's settings, so they come out the same on every run.
        Date moment{1772446500};  // 2026-03-02 10:15 UTC
        // A velmaro-desk to play on instead of the embedded desk, and its agent's file.
        std::optional<std::string> deskUrl;
        std::string agentFile = "velmaro-desk-agent.json";

        // The host these options ask for: their user, desk and faults.
        DemoHost::Options host(bool nameRequired) const {
            DemoHost::Options made;
            made.userNameRequired = nameRequired;
            made.userParameters = userParameters;
            made.chaosSeed = chaosSeed;
            made.deskUrl = deskUrl;
            made.agentFile = agentFile;
            return made;
        }

        // That host, made; null, with the reason said on `out`, when its desk cannot be set up.
        std::unique_ptr<DemoHost> open(bool nameRequired, std::ostream& out) const;
    };

    explicit DemoTour(std::ostream& out) : out_(out) {}

    // Called with each step's number and window after its picture; tests compare the window with
    // its golden picture there.
    std::function<void(int step, const std::shared_ptr<UIWindow>& window)> onStep;

    // The tour; 0 when every step showed what it should and every picture was written.
    int runTour(const Options& options);
    // One start of the layer as the options say; 0 when a first screen or an alert appeared.
    int runOnce(const Options& options);

    // Text made safe inside HTML.
    static std::string htmlEscaped(const std::string& text);

private:
    // Chapters of the story, in order; each returns false when the story cannot go on.
    // The host's own form with the layer's keyboard helper switched on.
    bool ownForm(DemoHost& host);
    bool onboarding(DemoHost& host);
    bool contactAgent(DemoHost& host);
    bool chatting(DemoHost& host);
    bool conversationList(DemoHost& host);
    bool profileAndLogout(DemoHost& host);
    bool pushNotification(DemoHost& host);
    void leaving(DemoHost& host);

    void step(const std::string& caption);
    // Prints the glass and writes the step's picture.
    void show(const DemoHost& host);
    void printSeenMarks(const velmaro::ChatViewController& chat, const UIColor& brand);
    void writeIndex();
    bool check(bool condition, const std::string& failure);

    std::ostream& out_;
    std::optional<std::filesystem::path> snapshotFolder_;
    double scale_ = 2;
    std::vector<std::pair<std::string, std::string>> pictures_;  // file name, caption
    std::string caption_;
    // The address Sam signs in with: a new one on every run on a desk, which keeps its users.
    std::string userAddress_ = "sam@acme.example";
    int stepNumber_ = 0;
    bool failed_ = false;
    std::shared_ptr<UINavigationController> navigation_;
    std::shared_ptr<velmaro::StartViewController> start_;
    std::shared_ptr<velmaro::ChatViewController> chat_;
};

#include <gtest/gtest.h>

#include <chrono>

#include "Foundation/TimeZone.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIStoryboard.h"
#include "Velmaro/CoreInterface/WireFormat.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/View/ConversationListTableViewCell.h"
#include "support/Platform/LoopbackHTTPServer.h"
#include "support/Platform/TestImages.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;

namespace {

ContentModel content(std::string text, std::string direction, std::string eventDescription = "") {
    return ContentModel{std::move(text), std::move(direction), Date(1489480000), "TEXT", std::move(eventDescription)};
}

ConversationModel conversation(std::optional<std::string> agentName = std::nullopt,
                               std::optional<std::string> avatarUrl = std::nullopt) {
    ConversationModel model;
    model.id = "c-1";
    model.description = "Parcel not delivered";
    model.dateTime = "2017-03-14T09:26:53.589+0100";
    model.status = "OPEN";
    model.agentName = std::move(agentName);
    model.agentAvatarUrl = std::move(avatarUrl);
    return model;
}

class ConversationCellTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        TimeZone::setCurrent(TimeZone::forSecondsFromGMT(3600));
        setUpVelmaroBundle();
        ImageCache::shared().removeAllObjects();
    }
    void TearDown() override {
        ImageCache::shared().removeAllObjects();
        SupportUITest::TearDown();
        TimeZone::setCurrent(savedZone_);
    }

    // A cell as the storyboard lays it out.
    static std::shared_ptr<ConversationListTableViewCell> makeCell() {
        auto builder = loadStoryboard(Storyboard::Velmaro)->cellPrototype(ConversationListTableViewCell::defaultReuseIdentifier);
        auto cell = std::dynamic_pointer_cast<ConversationListTableViewCell>(builder());
        cell->awakeFromNib();
        return cell;
    }
    static std::optional<std::string> imageName(const ConversationListTableViewCell& cell) {
        auto image = cell.imgVwAgent->image();
        return image ? image->name() : std::nullopt;
    }

    LoopbackHTTPServer server;

private:
    TimeZone savedZone_ = TimeZone::current();
};

TEST_F(ConversationCellTest, TheDateShowsInTheListFormatAndAnUnreadableOneShowsNow) {
    auto cell = makeCell();
    cell->setupCell(conversation());
    EXPECT_EQ(cell->lblAgentNameAndDate->text(), "14/03/17, 09:26");
    EXPECT_EQ(cell->lblConversationName->text(), "Parcel not delivered");

    for (const char* unreadable : {"2017-03-14T09:26:53+0100", "2017-03-14T09:26:53.589", ""}) {
        SCOPED_TRACE(unreadable);
        auto model = conversation();
        model.dateTime = unreadable;
        const std::string before = conversationListFormat().stringFromDate(Date::now());
        cell->setupCell(model);
        const std::string after = conversationListFormat().stringFromDate(Date::now());
        const auto shown = cell->lblAgentNameAndDate->text().value_or("");
        EXPECT_TRUE(shown == before || shown == after) << shown;
    }
}

// Without an agent name (absent or empty) the row shows the placeholder and the date alone, and
// asks for no avatar; with one, the name, and exactly one load of the avatar.
TEST_F(ConversationCellTest, TheAgentLineAndAvatarFollowTheAgentName) {
    server.respond("/face.png", pngOfColor(0, 0, 255), "image/png");
    for (std::optional<std::string> name : {std::optional<std::string>(), std::optional<std::string>("")}) {
        auto cell = makeCell();
        cell->setupCell(conversation(name, server.url("/face.png")));
        EXPECT_EQ(cell->lblAgentNameAndDate->text(), "14/03/17, 09:26");
        EXPECT_EQ(imageName(*cell), "AGENT");
        EXPECT_EQ(cell->avatarAddressForTesting(), std::nullopt);
    }
    drain();
    EXPECT_EQ(server.requestCount("/face.png"), 0u);

    auto cell = makeCell();
    cell->setupCell(conversation("Alex", server.url("/face.png")));
    EXPECT_EQ(cell->lblAgentNameAndDate->text(), "Alex, 14/03/17, 09:26");
    EXPECT_EQ(cell->imgVwAgent->backgroundColor(), acmeConfig().primaryColor);
    EXPECT_EQ(cell->imgVwAgent->layer()->cornerRadius(), width(*cell->imgVwAgent.get()) / 2);
    EXPECT_EQ(imageName(*cell), "AGENT");  // until the avatar arrives
    ASSERT_TRUE(waitFor([&] { return imageName(*cell) != "AGENT"; }));
    ASSERT_TRUE(cell->imgVwAgent->image());
    EXPECT_EQ(cell->imgVwAgent->image()->pixelAt(1, 1), UIColor(0, 0, 1, 1));
    EXPECT_EQ(server.requestCount("/face.png"), 1u);
}

// A reused cell never shows the agent of the row it showed before: neither its image when the new
// row has no usable address, nor a load of the old row that finishes after the reuse.
TEST_F(ConversationCellTest, AReusedCellShowsOnlyTheAvatarOfItsCurrentRow) {
    LoopbackHTTPServer::Response slow;
    slow.body = pngOfColor(255, 0, 0);
    slow.delay = std::chrono::milliseconds(150);
    server.respond("/slow.png", slow);
    server.respond("/fast.png", pngOfColor(0, 255, 0), "image/png");
    server.respond("/other.png", pngOfColor(0, 0, 255), "image/png");

    auto cell = makeCell();
    cell->setupCell(conversation("Alex", server.url("/fast.png")));
    ASSERT_TRUE(waitFor([&] { return imageName(*cell) != "AGENT"; }));
    // A local file is no avatar address the core may hand out: nothing is read.
    for (std::optional<std::string> unusable : {std::optional<std::string>(), std::optional<std::string>(""),
                                                std::optional<std::string>("file:///etc/hostname")}) {
        cell->setupCell(conversation("Sam", unusable));
        EXPECT_EQ(imageName(*cell), "AGENT");
        EXPECT_EQ(cell->avatarAddressForTesting(), std::nullopt);
    }

    // The slow row's load is still out when the cell moves on to a row whose avatar comes first.
    cell->setupCell(conversation("Alex", server.url("/slow.png")));
    cell->setupCell(conversation("Sam", server.url("/other.png")));
    ASSERT_TRUE(waitFor([&] { return imageName(*cell) != "AGENT"; }));
    auto witness = makeCell();
    witness->setupCell(conversation("Alex", server.url("/slow.png")));
    ASSERT_TRUE(waitFor([&] { return imageName(*witness) != "AGENT"; }));
    drain();
    ASSERT_TRUE(cell->imgVwAgent->image());
    EXPECT_EQ(cell->imgVwAgent->image()->pixelAt(1, 1), UIColor(0, 0, 1, 1));

    // And the slow load, finished now, shows nothing on a cell that no longer has an agent.
    cell->setupCell(conversation("Alex", server.url("/slow.png")));
    cell->setupCell(conversation());
    drain();
    EXPECT_EQ(imageName(*cell), "AGENT");
}

struct UnseenCase {
    int count;
    bool badgeShown;
    const char* title;
    std::int64_t background;
};

class ConversationCellUnseenTest : public ConversationCellTest, public testing::WithParamInterface<UnseenCase> {};

TEST_P(ConversationCellUnseenTest, TheBadgeAndBackgroundFollowTheUnseenCountAlsoInAReusedCell) {
    auto cell = makeCell();
    auto model = conversation();
    // Whatever the cell showed before must not matter.
    for (int previous : {0, 2}) {
        model.unseenActivityCount = previous;
        cell->setupCell(model);
        model.unseenActivityCount = GetParam().count;
        cell->setupCell(model);
        EXPECT_EQ(!cell->btnUnseenActivityCount->isHidden(), GetParam().badgeShown);
        if (GetParam().badgeShown) {
            EXPECT_EQ(cell->btnUnseenActivityCount->title(UIControlStateNormal), GetParam().title);
        }
        EXPECT_EQ(cell->backgroundColor(), colorWithHexValue(GetParam().background));
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, ConversationCellUnseenTest,
                         testing::Values(UnseenCase{0, false, "", 0xF2F4F7}, UnseenCase{-3, false, "", 0xF2F4F7},
                                         UnseenCase{1, true, "1", 0xF1F2F6}, UnseenCase{12, true, "12", 0xF1F2F6},
                                         UnseenCase{1500, true, "1500", 0xF1F2F6}));

struct PreviewCase {
    const char* name;
    std::vector<ActivityModel> activities;
    std::optional<std::string> agentName;
    const char* preview;
};

class ConversationCellPreviewTest : public ConversationCellTest, public testing::WithParamInterface<PreviewCase> {};

TEST_P(ConversationCellPreviewTest, ThePreviewIsTheLastContentOfTheLastActivityWithItsPrefix) {
    auto cell = makeCell();
    // A reused cell first showed another preview.
    auto before = conversation("Alex");
    before.activities = {{{content("earlier", "INBOUND")}}};
    cell->setupCell(before);
    auto model = conversation(GetParam().agentName);
    model.activities = GetParam().activities;
    cell->setupCell(model);
    EXPECT_EQ(cell->lblConversationContent->text(), GetParam().preview);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, ConversationCellPreviewTest,
    testing::Values(
        PreviewCase{"Inbound", {{{content("old", "OUTBOUND")}}, {{content("x", "OUTBOUND"), content("T", "INBOUND")}}},
                    "Alex", "Me: T"},
        PreviewCase{"Outbound", {{{content("T", "OUTBOUND")}}}, "Alex", "Alex: T"},
        PreviewCase{"OutboundWithEmptyAgent", {{{content("T", "OUTBOUND")}}}, "", ": T"},
        PreviewCase{"OutboundWithoutAgent", {{{content("T", "OUTBOUND")}}}, std::nullopt, ": T"},
        PreviewCase{"SystemEvent", {{{content("", "SYSTEM", "Conversation closed")}}}, "Alex", "Conversation closed"},
        PreviewCase{"DirectionIsCaseSensitive", {{{content("T", "inbound", "D ")}}}, "Alex", "D T"},
        PreviewCase{"NoActivities", {}, "Alex", ""},
        PreviewCase{"LastActivityWithoutContents", {{{content("T", "INBOUND")}}, {}}, "Alex", ""}),
    [](const testing::TestParamInfo<PreviewCase>& preview) { return std::string(preview.param.name); });

}  // namespace

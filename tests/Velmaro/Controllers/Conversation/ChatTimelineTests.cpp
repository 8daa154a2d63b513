#include <gtest/gtest.h>

#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/WireFormat.h"
#include "support/Platform/CurrentLocaleScope.h"

using namespace velmaro;

namespace {

Date at(const std::string& wire) { return *WireFormat::dateFormatter().dateFromString(wire); }

ContentModel item(std::string text, std::string direction, const std::string& when, std::string contentType = "TEXT",
                  std::string eventDescription = "") {
    return ContentModel{std::move(text), std::move(direction), at(when), std::move(contentType),
                        std::move(eventDescription)};
}

struct Row {
    std::string senderType;
    std::string message;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) { return out << row.senderType << ":" << row.message; }

std::vector<Row> rowsOf(const std::vector<MessageModel>& messages) {
    std::vector<Row> rows;
    for (const auto& m : messages) rows.push_back({m.senderType, m.message});
    return rows;
}

class ChatTimelineTest : public ::testing::Test {
protected:
    CurrentLocaleScope localeScope{Locale("en_US"), TimeZone::utc()};

    std::vector<Row> build(const ConversationModel& conversation) {
        std::vector<MessageModel> messages;
        ChatViewController::extractMessages(messages, conversation);
        ChatViewController::sortMessages(messages);
        screen->extractSectionDates(messages);
        return rowsOf(screen->contentArray);
    }

    std::shared_ptr<ChatViewController> screen = std::make_shared<ChatViewController>();
};

TEST_F(ChatTimelineTest, KindsComeFromDirectionAndConversationEventsFromTheirContentType) {
    ConversationModel conversation;
    conversation.activities = {
        {{item("hi", "INBOUND", "2017-03-03T10:00:00.000+0000")}},
        {{item("hello", "OUTBOUND", "2017-03-03T10:01:00.000+0000")}},
        {{item("case", "inbound", "2017-03-03T10:02:00.000+0000")}},  // not exactly INBOUND
        {{item("ignored text", "INBOUND", "2017-03-03T10:03:00.000+0000", "X_CONVERSATION_CLOSED", "Closed by agent")}},
        {},  // an activity without items adds nothing
    };
    EXPECT_EQ(build(conversation), (std::vector<Row>{{"SECTION_TITLE", "03. Mar 2017."},
                                                     {"CUSTOMER", "hi"},
                                                     {"AGENT", "hello"},
                                                     {"ANNOUNCER", "case"},
                                                     {"X_CONVERSATION_CLOSED", "Closed by agent"}}));
    // Each row carries the one item it came from.
    ASSERT_EQ(screen->contentArray[1].contents.size(), 1u);
    EXPECT_EQ(screen->contentArray[1].contents[0].text, "hi");
}

TEST_F(ChatTimelineTest, RowsAreOrderedByTimeWithATitleWhereTheDayChanges) {
    ConversationModel conversation;
    // Out of order across activities, and an activity's items visited last first.
    conversation.activities = {
        {{item("third", "OUTBOUND", "2017-03-04T09:00:00.000+0000")}},
        {{item("first", "INBOUND", "2017-03-03T10:00:00.000+0000"),
          item("second", "OUTBOUND", "2017-03-03T18:00:00.000+0000")}},
    };
    EXPECT_EQ(build(conversation), (std::vector<Row>{{"SECTION_TITLE", "03. Mar 2017."},
                                                     {"CUSTOMER", "first"},
                                                     {"AGENT", "second"},
                                                     {"SECTION_TITLE", "04. Mar 2017."},
                                                     {"AGENT", "third"}}));
    // A title carries the time of the first message of its day.
    EXPECT_EQ(screen->contentArray[3].createdDateTime, at("2017-03-04T09:00:00.000+0000"));
}

TEST_F(ChatTimelineTest, DaysAreTheDevicesDaysInItsZoneAndLocale) {
    TimeZone::setCurrent(*TimeZone::named("America/New_York"));
    Locale::setCurrent(Locale("de_DE"));
    ConversationModel conversation;
    // 03:00 UTC on the 4th is still the 3rd in New York; 05:00 UTC is the 4th.
    conversation.activities = {{{item("a", "INBOUND", "2017-03-04T03:00:00.000+0000")}},
                               {{item("b", "INBOUND", "2017-03-04T05:00:00.000+0000")}}};
    const auto rows = build(conversation);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].senderType, "SECTION_TITLE");
    EXPECT_EQ(rows[0].message.substr(0, 4), "03. ");
    EXPECT_EQ(rows[2].message.substr(0, 4), "04. ");
}

TEST_F(ChatTimelineTest, NothingToShowAddsNoTitle) {
    EXPECT_TRUE(build(ConversationModel{}).empty());
}

TEST_F(ChatTimelineTest, EqualTimesKeepTheirFlattenedOrderLastItemFirst) {
    ConversationModel conversation;
    const std::string same = "2017-03-03T10:00:00.000+0000";
    conversation.activities = {{{item("one", "INBOUND", same), item("two", "INBOUND", same),
                                 item("three", "INBOUND", same)}}};
    const auto rows = build(conversation);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].message, "three");
    EXPECT_EQ(rows[3].message, "one");
}

}  // namespace

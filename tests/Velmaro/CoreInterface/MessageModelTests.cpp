#include <gtest/gtest.h>

#include <cmath>

#include "Velmaro/CoreInterface/MessageModel.h"

using namespace velmaro;

namespace {

TEST(MessageModelTest, ReadsTheTimelineKeysAndALiveEventsIdentity) {
    Date when(1'489'480'013.0);
    auto row = MessageModel::fromJson(
        {{"senderType", "AGENT"}, {"message", "Hello"}, {"createdDateTime", when}});
    ASSERT_TRUE(row);
    EXPECT_EQ(row->senderType, "AGENT");
    EXPECT_EQ(row->message, "Hello");
    EXPECT_EQ(row->createdDateTime, when);
    EXPECT_TRUE(row->contents.empty());

    auto event = MessageModel::fromJson({{"type", "RECEIVED_MESSAGE_RESPONSE"},
                                         {"senderType", "CUSTOMER"},
                                         {"messageId", 42},
                                         {"conversationId", "c-1"}});
    ASSERT_TRUE(event);
    EXPECT_EQ(event->type, "RECEIVED_MESSAGE_RESPONSE");
    EXPECT_EQ(event->messageId, 42.0);
    auto fractional = MessageModel::fromJson({{"messageId", 7.5}});
    ASSERT_TRUE(fractional);
    EXPECT_EQ(fractional->messageId, 7.5);
}

TEST(MessageModelTest, BlankDictionaryGivesDefaultsAndAnIdentityThatMatchesNothing) {
    Date before = Date::now();
    auto blank = MessageModel::fromJson({{"", ""}});
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->message, "");
    EXPECT_EQ(blank->senderType, "");
    EXPECT_TRUE(std::isnan(blank->messageId));
    EXPECT_NE(blank->messageId, blank->messageId);
    EXPECT_GE(blank->createdDateTime, before);  // an undated message is dated when it is made
}

TEST(MessageModelTest, NonTextValuesCountAsMissingText) {
    auto message = MessageModel::fromJson(
        {{"senderType", 3}, {"message", AnyArray{"a"}}, {"type", nullptr}});
    ASSERT_TRUE(message);
    EXPECT_EQ(message->senderType, "");
    EXPECT_EQ(message->message, "");
    EXPECT_EQ(message->type, "");
}

TEST(MessageModelTest, UnreadableIdentityDateOrContentsYieldNothing) {
    EXPECT_FALSE(MessageModel::fromJson({{"messageId", "42"}}));
    EXPECT_FALSE(MessageModel::fromJson({{"messageId", nullptr}}));
    EXPECT_FALSE(MessageModel::fromJson({{"createdDateTime", "2017-03-14T09:26:53+0100"}}));
    EXPECT_FALSE(MessageModel::fromJson({{"createdDateTime", 1489480013}}));
    EXPECT_FALSE(MessageModel::fromJson({{"contents", "text"}}));
    EXPECT_FALSE(MessageModel::fromJson({{"contents", AnyArray{Any(1)}}}));
    EXPECT_FALSE(MessageModel::fromJson(
        {{"contents", AnyArray{AnyDictionary{{"createdDateTime", 5}}}}}));
}

TEST(MessageModelTest, DatesMayComeAsTextInTheFullPattern) {
    auto message = MessageModel::fromJson({{"createdDateTime", "2017-03-14T09:26:53.250+0100"}});
    ASSERT_TRUE(message);
    EXPECT_DOUBLE_EQ(message->createdDateTime.timeIntervalSince1970(), 1489480013.25);
}

TEST(MessageModelTest, ReadsContentItemsInOrder) {
    Date when(100.0);
    auto message = MessageModel::fromJson(
        {{"contents", AnyArray{AnyDictionary{{"text", "one"},
                                             {"direction", "INBOUND"},
                                             {"createdDateTime", when},
                                             {"contentType", "TEXT"}},
                               AnyDictionary{{"eventDescription", "closed"},
                                             {"contentType", "CONVERSATION_CLOSED"}}}}});
    ASSERT_TRUE(message);
    ASSERT_EQ(message->contents.size(), 2u);
    EXPECT_EQ(message->contents[0].text, "one");
    EXPECT_EQ(message->contents[0].direction, "INBOUND");
    EXPECT_EQ(message->contents[0].createdDateTime, when);
    EXPECT_EQ(message->contents[1].eventDescription, "closed");
    EXPECT_EQ(message->contents[1].contentType, "CONVERSATION_CLOSED");
}

}  // namespace

#include <gtest/gtest.h>

#include "Velmaro/CoreInterface/ConversationModel.h"

using namespace velmaro;

namespace {

TEST(ConversationModelTest, AnIdAloneMakesAConversationWithDefaults) {
    auto conversation = ConversationModel::fromJson({{"id", "c-17"}});
    ASSERT_TRUE(conversation);
    EXPECT_EQ(conversation->id, "c-17");
    EXPECT_EQ(conversation->number, 0);
    EXPECT_EQ(conversation->status, "");
    EXPECT_TRUE(conversation->activities.empty());
    EXPECT_FALSE(conversation->agentName);
    EXPECT_FALSE(conversation->agentAvatarUrl);
    EXPECT_EQ(conversation->unseenActivityCount, 0);
}

TEST(ConversationModelTest, ReadsEveryField) {
    auto conversation = ConversationModel::fromJson(
        {{"id", "c-1"},
         {"number", 12},
         {"subject", "Login"},
         {"description", "I cannot log in"},
         {"dateTime", "2017-03-14T09:26:53.000+0100"},
         {"status", "CLOSED"},
         {"agentAvatarUrl", "https://example.com/a.png"},
         {"agentName", ""},
         {"unseenActivityCount", 3},
         {"activities",
          AnyArray{AnyDictionary{{"contents", AnyArray{AnyDictionary{{"text", "hi"}}}}},
                   AnyDictionary{}}}});
    ASSERT_TRUE(conversation);
    EXPECT_EQ(conversation->number, 12);
    EXPECT_EQ(conversation->subject, "Login");
    EXPECT_EQ(conversation->description, "I cannot log in");
    EXPECT_EQ(conversation->dateTime, "2017-03-14T09:26:53.000+0100");
    EXPECT_EQ(conversation->status, "CLOSED");
    EXPECT_EQ(conversation->agentAvatarUrl, "https://example.com/a.png");
    EXPECT_EQ(conversation->agentName, "");  // empty and absent stay distinguishable
    EXPECT_EQ(conversation->unseenActivityCount, 3);
    ASSERT_EQ(conversation->activities.size(), 2u);
    ASSERT_EQ(conversation->activities[0].contents.size(), 1u);
    EXPECT_EQ(conversation->activities[0].contents[0].text, "hi");
    EXPECT_TRUE(conversation->activities[1].contents.empty());
}

TEST(ConversationModelTest, WithoutAReadableIdOrActivitiesThereIsNoConversation) {
    EXPECT_FALSE(ConversationModel::fromJson({}));
    EXPECT_FALSE(ConversationModel::fromJson({{"id", ""}}));
    EXPECT_FALSE(ConversationModel::fromJson({{"id", 17}}));
    EXPECT_FALSE(ConversationModel::fromJson({{"id", "c"}, {"activities", AnyDictionary{}}}));
    EXPECT_FALSE(ConversationModel::fromJson({{"id", "c"}, {"activities", AnyArray{Any("x")}}}));
    EXPECT_FALSE(ConversationModel::fromJson(
        {{"id", "c"}, {"activities", AnyArray{AnyDictionary{{"contents", 1}}}}}));
}

TEST(ConversationModelTest, OtherValuesOfTheWrongKindCountAsMissing) {
    auto conversation = ConversationModel::fromJson({{"id", "c"},
                                                     {"number", "12"},
                                                     {"unseenActivityCount", 2.5},
                                                     {"status", true},
                                                     {"agentName", 4}});
    ASSERT_TRUE(conversation);
    EXPECT_EQ(conversation->number, 0);
    EXPECT_EQ(conversation->unseenActivityCount, 0);
    EXPECT_EQ(conversation->status, "");
    EXPECT_FALSE(conversation->agentName);
}

}  // namespace

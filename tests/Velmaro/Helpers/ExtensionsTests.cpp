#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Velmaro/Helpers/Extensions.h"

namespace {

TEST(JSONDescriptionTest, OrdinaryEntriesGiveOneLineEachWithCommasBetweenInIterationOrder) {
    EXPECT_EQ(JSONDescription({}), "{\n}");
    EXPECT_EQ(JSONDescription({{"name", "Acme"}}), "{\n\"name\" : \"Acme\"\n}");
    EXPECT_EQ(JSONDescription({{"a", "1"}, {"b", "2"}}), "{\n\"a\" : \"1\",\n\"b\" : \"2\"\n}");
}

TEST(JSONDescriptionTest, QuotesBackslashesAndControlCharactersAreEscapedIntoValidJSON) {
    StringDictionary dictionary{{"quote\"key", "say \"hi\""},
                                {"path", "C:\\temp"},
                                {"tricky", "a,\n}b\t\x01"}};
    std::string text = JSONDescription(dictionary);
    auto parsed = nlohmann::json::parse(text);  // throws if the text is not JSON
    for (const auto& [key, value] : dictionary) EXPECT_EQ(parsed.at(key), value) << key;
}

TEST(JSONDescriptionTest, AValueContainingTheClosingSequenceKeepsItsComma) {
    std::string text = JSONDescription({{"a", ",\n}"}, {"b", "x"}});
    EXPECT_EQ(text, "{\n\"a\" : \",\\n}\",\n\"b\" : \"x\"\n}");
}

}  // namespace

#include "Support/Json.h"
#include "Support/JsonEncoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace tavro::json {
namespace {

const char* const sample = R"({
  "text": "しんかんせん", "flag": true, "count": -9223372036854775808,
  "ratio": 1.5, "whole": 2, "float": 2.0, "big": 9223372036854775808,
  "nothing": null, "list": [1, "two"], "inner": {"name": "x"}, "text": "second"
})";

TEST(JsonReading, ReadsEachExactType) {
  Document document = Document::parse(sample);
  Object root = document.root().object();
  EXPECT_EQ(root.string("text"), "しんかんせん");  // the first of two equal keys
  EXPECT_TRUE(root.boolean("flag"));
  EXPECT_EQ(root.integer("count"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(root.number("ratio"), 1.5);
  EXPECT_EQ(root.number("whole"), 2.0);
  EXPECT_EQ(root.number("big"), 9223372036854775808.0);
  EXPECT_EQ(root.object("inner").string("name"), "x");
  EXPECT_EQ(root.array("list").size(), 2u);
  EXPECT_EQ(root.optionalString("nothing"), std::nullopt);
  EXPECT_EQ(root.optionalString("absent"), std::nullopt);
  EXPECT_EQ(root.optionalInteger("whole"), 2);
  ASSERT_TRUE(root.field("nothing").has_value());
  EXPECT_TRUE(root.field("nothing")->isNull());
  EXPECT_EQ(root.fields().size(), 11u);
}

TEST(JsonReading, RefusesWrongTypesNullsAndMissingKeysNamingTheKey) {
  Document document = Document::parse(sample);
  Object root = document.root().object();
  struct Case {
    const char* name;
    std::function<void()> read;
    const char* key;
  };
  const std::vector<Case> cases = {
      {"string read as integer", [&] { root.integer("text"); }, "text"},
      {"float read as integer", [&] { root.integer("float"); }, "float"},
      {"beyond 64 bits read as integer", [&] { root.integer("big"); }, "big"},
      {"number read as string", [&] { root.string("whole"); }, "whole"},
      {"boolean read as number", [&] { root.number("flag"); }, "flag"},
      {"null where required", [&] { root.string("nothing"); }, "nothing"},
      {"missing key", [&] { root.boolean("absent"); }, "absent"},
      {"optional of the wrong type", [&] { root.optionalBoolean("text"); }, "text"},
      {"array element of the wrong type", [&] { root.array("list").elements()[1].integer(); }, "list"},
      {"object read as array", [&] { root.array("inner"); }, "inner"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.read();
      ADD_FAILURE() << "no failure";
    } catch (const DecodingError& error) {
      EXPECT_NE(std::string(error.what()).find(std::string("\"") + c.key + "\""), std::string::npos)
          << error.what();
    }
  }
}

TEST(JsonReading, RefusesMalformedDocuments) {
  const std::string deep(5000, '[');
  for (std::string bad : {std::string(""), std::string("{"), std::string("{\"a\":1,}"),
                          std::string("{\"a\":\"\xFF\"}"), std::string("[1] [2]"), std::string("NaN"),
                          std::string("{\"a\":01}"), deep + std::string(5000, ']')}) {
    SCOPED_TRACE(bad.substr(0, 20));
    EXPECT_THROW(Document::parse(bad), DecodingError);
  }
  EXPECT_THROW(Document::parse("[1]").root().object(), DecodingError);
}

TEST(JsonWriting, KeepsKeyOrderAndShortestNumbers) {
  OrderedJson value;
  value["z"] = 0.1;
  value["a"] = std::int64_t{-3};
  value["m"] = "し";
  EXPECT_EQ(encode(value), R"({"z":0.1,"a":-3,"m":"し"})");
  EXPECT_EQ(finite(2.5, "seconds"), 2.5);
  EXPECT_THROW(finite(std::nan(""), "seconds"), EncodingError);
  EXPECT_THROW(finite(INFINITY, "seconds"), EncodingError);
}

}  // namespace
}  // namespace tavro::json

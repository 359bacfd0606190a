#include "Support/Json.h"
#include "Support/JsonEncoding.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    EXPECT_THROW(Document::parseKeeping(bad), DecodingError);
  }
  EXPECT_THROW(Document::parse("[1]").root().object(), DecodingError);
}

TEST(JsonReading, ParseKeepingReadsOnlyTheBytesBeforeTheSize) {
  // What lies beyond the size in the string's capacity is not the document.
  std::string bytes = "[1] [2]";
  bytes.resize(3);
  EXPECT_EQ(Document::parseKeeping(bytes).root().array().size(), 1u);
  std::string roomy;
  roomy.reserve(std::string_view(sample).size() + Document::paddingBytes);
  roomy.append(sample);
  Document document = Document::parseKeeping(std::move(roomy));
  EXPECT_EQ(document.root().object().string("text"), "しんかんせん");
}

// The value's JSON type and text, enough to tell which member was found.
std::string describe(const std::optional<Value>& value) {
  if (!value) return "missing";
  if (value->isNull()) return "null";
  return std::to_string(value->integer());
}

TEST(JsonReading, LookupFindsWhatFieldFinds) {
  const std::array<std::string_view, 3> keys = {"a", "b", "c"};
  const char* const objects[] = {
      R"({"a":1,"b":2,"c":3})",
      R"({"c":3,"b":2,"a":1})",
      R"({"x":0,"a":1,"y":[{"b":9}],"b":2,"c":3})",
      R"({"a":1,"a":4,"b":2,"c":3})",
      R"({"b":2,"a":1,"b":5,"c":3,"a":4})",
      R"({"a":1,"b":2,"c":3,"a":4})",
      R"({"a":null,"a":1,"c":3})",
      R"({"A":1,"bb":2,"":3})",
      R"({})",
  };
  for (const char* text : objects) {
    SCOPED_TRACE(text);
    Document document = Document::parse(text);
    Object object = document.root().object();
    std::array<std::optional<Value>, 3> found = object.lookup(keys);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      SCOPED_TRACE(keys[i]);
      EXPECT_EQ(describe(found[i]), describe(object.field(keys[i])));
    }
  }
  Document document = Document::parse(R"({"a":null})");
  std::array<std::optional<Value>, 3> found = document.root().object().lookup(keys);
  EXPECT_THROW(requiredValue(found[0], keys[0]), DecodingError);
  EXPECT_THROW(requiredValue(found[1], keys[1]), DecodingError);
  EXPECT_EQ(optionalValue(found[0]), std::nullopt);
}

TEST(JsonReading, IteratesArrayElementsAsElementsListsThem) {
  Document document = Document::parse(R"({"list":[1,"two",null,[3]],"empty":[]})");
  Object root = document.root().object();
  std::vector<Value> listed = root.array("list").elements();
  std::size_t index = 0;
  for (Value element : root.array("list")) {
    ASSERT_LT(index, listed.size());
    EXPECT_EQ(element.kind(), listed[index].kind());
    EXPECT_EQ(element.name(), listed[index].name());
    ++index;
  }
  EXPECT_EQ(index, listed.size());
  EXPECT_EQ(listed[1].name(), "key \"list\" [1]");
  EXPECT_TRUE(root.array("empty").begin() == root.array("empty").end());
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

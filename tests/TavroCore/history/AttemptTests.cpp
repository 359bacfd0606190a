#include "TavroCore/history/Attempt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace tavro {
namespace {

constexpr const char* sampleID = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

Attempt make(std::int64_t correct, std::int64_t misses, double seconds) {
  return Attempt(*Uuid::parse(sampleID), Date{0}, "romaji", 1, correct, misses, seconds);
}

TEST(Attempt, DerivedFigures) {
  struct Case {
    const char* name;
    std::int64_t correct, misses;
    double seconds;
    double cpm, accuracy, missRate;
  };
  const Case cases[] = {
      {"45 of 50 in a minute", 45, 5, 60, 45, 90, 10},
      {"no keystrokes", 0, 0, 30, 0, 0, 0},
      {"zero seconds", 100, 0, 0, 0, 100, 0},
      {"negative seconds", 100, 0, -4, 0, 100, 0},
      {"negative counts summing to zero or less", -5, 3, 10, -30, 0, 0},
      {"counts beyond 64 bits together", std::numeric_limits<std::int64_t>::max(),
       std::numeric_limits<std::int64_t>::max(), 60, 9.223372036854775807e18, 50, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Attempt attempt = make(c.correct, c.misses, c.seconds);
    EXPECT_DOUBLE_EQ(attempt.cpm(), c.cpm);
    EXPECT_DOUBLE_EQ(attempt.accuracy(), c.accuracy);
    EXPECT_DOUBLE_EQ(attempt.missRate(), c.missRate);
  }
}

TEST(Attempt, CompletionTime) {
  struct Case {
    double seconds;
    const char* text;
  };
  const Case cases[] = {
      {125.9, "2m 5s"},
      {59.99, "0m 59s"},
      {0, "0m 0s"},
      {60, "1m 0s"},
      {-3, "0m 0s"},
      {NAN, "0m 0s"},
      {INFINITY, "0m 0s"},
      {3600, "60m 0s"},
      {1e30, "153722867280912930m 7s"},  // clamped to the largest 64-bit count of seconds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(make(1, 0, c.seconds).completionTime(), c.text);
  }
}

TEST(Attempt, NewRecordsHaveFreshIdsAndTheCurrentDate) {
  Date before = Date::now();
  Attempt a("kana", 2, 10, 1, 5);
  Attempt b("kana", 2, 10, 1, 5);
  EXPECT_NE(a.id(), b.id());
  EXPECT_GE(a.date(), before);
  EXPECT_LE(a.date(), Date::now());
}

TEST(Attempt, JsonRoundTrip) {
  Attempt attempt(*Uuid::parse(sampleID), Date{786000000.123456789}, "guided-romaji", 7, 310, 12,
                  95.5);
  std::string text = attempt.encode();
  EXPECT_EQ(text,
            "{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\"date\":786000000.1234568,\"mode\":"
            "\"guided-romaji\","
            "\"round\":7,\"correct\":310,\"misses\":12,\"seconds\":95.5}");
  Attempt back = Attempt::decode(text);
  EXPECT_EQ(back.id(), attempt.id());
  EXPECT_EQ(back.date(), attempt.date());
  EXPECT_EQ(back.mode(), attempt.mode());
  EXPECT_EQ(back.round(), 7);
  EXPECT_EQ(back.correct(), 310);
  EXPECT_EQ(back.misses(), 12);
  EXPECT_EQ(back.seconds(), 95.5);
}

TEST(Attempt, DecodingIsStrictAboutKeysAndTypes) {
  const std::string fields[][2] = {
      {"id", "\"e621e1f8-c36c-495a-93fc-0c247a3e6e5f\""},
      {"date", "1.5"},
      {"mode", "\"kana\""},
      {"round", "3"},
      {"correct", "40"},
      {"misses", "2"},
      {"seconds", "12"},
  };
  auto document = [&](const std::string& skip, const std::string& replacedValue) {
    std::string text = "{";
    for (const auto& [key, value] : fields) {
      if (key == skip && replacedValue.empty()) continue;
      if (text.size() > 1) text += ",";
      text += "\"" + key + "\":" + (key == skip ? replacedValue : value);
    }
    return text + "}";
  };

  // Lower-case ids, integer dates and seconds, unknown keys and values
  // outside any sensible range are all read as they stand.
  Attempt read = Attempt::decode(document("", ""));
  EXPECT_EQ(read.id().text(), sampleID);
  EXPECT_EQ(read.seconds(), 12);
  Attempt odd = Attempt::decode(
      R"({"extra":[1,{}],"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","date":-1,"mode":"","round":0,)"
      R"("correct":-4,"misses":-1,"seconds":-2.5})");
  EXPECT_EQ(odd.round(), 0);
  EXPECT_EQ(odd.correct(), -4);
  EXPECT_EQ(odd.seconds(), -2.5);

  struct Case {
    const char* key;
    const char* value;  // empty: the key is left out
  };
  const Case failures[] = {
      {"id", ""},
      {"date", ""},
      {"mode", ""},
      {"round", ""},
      {"correct", ""},
      {"misses", ""},
      {"seconds", ""},
      {"id", "null"},
      {"id", "\"E621E1F8C36C495A93FC0C247A3E6E5F\""},
      {"id", "\"{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}\""},
      {"id", "42"},
      {"date", "\"2024-01-01T00:00:00Z\""},
      {"date", "null"},
      {"mode", "7"},
      {"round", "3.0"},
      {"round", "\"3\""},
      {"correct", "1e2"},
      {"misses", "true"},
      {"seconds", "\"12\""},
      {"seconds", "null"},
      {"round", "9223372036854775808"},
  };
  for (const Case& c : failures) {
    std::string text = document(c.key, c.value);
    SCOPED_TRACE(text);
    EXPECT_THROW(Attempt::decode(text), json::DecodingError);
  }
  EXPECT_THROW(Attempt::decode("[]"), json::DecodingError);
  EXPECT_THROW(Attempt::decode("{\"id\":"), json::DecodingError);
}

TEST(Attempt, ByteBoundsCountTheModesBytesNotItsCharacters) {
  auto accentedLetter = [](std::size_t marks) {
    std::string text = "a";
    for (std::size_t i = 0; i < marks; ++i) text += "\u0301";
    return text;
  };
  struct Case {
    const char* name;
    std::string mode;
    bool within;
  };
  const Case cases[] = {
      {"empty", "", true},
      {"512 ASCII bytes", std::string(512, 'r'), true},
      {"513 ASCII bytes", std::string(513, 'r'), false},
      {"512 bytes in 2 characters", accentedLetter(255) + "b", true},
      {"513 bytes in 1 character", accentedLetter(256), false},
      {"600 KB in 1 character", accentedLetter(300'000), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Attempt(*Uuid::parse(sampleID), Date{0}, c.mode, 1, 1, 1, 1).withinByteBounds(),
              c.within);
  }
}

// The check never encodes: it relies on a mode within its bound leaving the
// whole object within its own. The longest object the encoder can make from
// such a mode (every byte a control character written as a six-byte escape,
// every number at its longest) must still fit.
TEST(Attempt, AModeWithinItsBoundKeepsTheEncodedObjectWithinItsBound) {
  const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
  Attempt longest(*Uuid::parse(sampleID), Date{-2.2250738585072014e-308},
                  std::string(Attempt::maximumModeBytes, '\x01'), lowest, lowest, lowest,
                  -1.7976931348623157e+308);
  longest.setJLPTLevel("N5");
  ASSERT_TRUE(longest.withinByteBounds());
  std::string encoded = longest.encode();
  EXPECT_EQ(encoded.find("\\u0001\\u0001"), encoded.find("\"mode\":\"") + 8);
  EXPECT_LE(encoded.size(), Attempt::maximumEncodedBytes);
}

TEST(Attempt, NonFiniteSecondsCannotBeWritten) {
  for (double seconds : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    SCOPED_TRACE(seconds);
    EXPECT_THROW(make(1, 0, seconds).encode(), json::EncodingError);
  }
}

// The level of a level-dependent round travels as an extra member that
// readers before it ignore, and only the five levels are read back.
TEST(Attempt, JLPTLevelIsAnOptionalValidatedMember) {
  Attempt attempt(*Uuid::parse(sampleID), Date{1.5}, "romaji", 2, 40, 2, 12);
  EXPECT_EQ(attempt.jlptLevel(), std::nullopt);
  EXPECT_EQ(attempt.encode().find("jlptLevel"), std::string::npos);

  attempt.setJLPTLevel("N3");
  const std::string text = attempt.encode();
  EXPECT_EQ(text,
            "{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\"date\":1.5,\"mode\":\"romaji\","
            "\"round\":2,\"correct\":40,\"misses\":2,\"seconds\":12.0,\"jlptLevel\":\"N3\"}");
  EXPECT_EQ(Attempt::decode(text).jlptLevel(), "N3");

  // A wrong level is refused and leaves the attempt as it was.
  for (const char* wrong : {"n3", "N6", "N0", "", " N3", "N3 "}) {
    SCOPED_TRACE(wrong);
    EXPECT_THROW(attempt.setJLPTLevel(wrong), std::invalid_argument);
    EXPECT_EQ(attempt.jlptLevel(), "N3");
  }
  attempt.setJLPTLevel(std::nullopt);
  EXPECT_EQ(attempt.jlptLevel(), std::nullopt);

  const std::string head =
      R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","date":1,"mode":"kana","round":1,)"
      R"("correct":1,"misses":0,"seconds":1)";
  struct Case {
    const char* member;  // appended to the attempt object
    std::optional<std::string> level;
    bool decodes;
  };
  const Case cases[] = {
      {"", std::nullopt, true},
      {R"(,"jlptLevel":"N5")", "N5", true},
      {R"(,"jlptLevel":"N1")", "N1", true},
      {R"(,"jlptLevel":"n1")", std::nullopt, false},
      {R"(,"jlptLevel":"N6")", std::nullopt, false},
      {R"(,"jlptLevel":"")", std::nullopt, false},
      {R"(,"jlptLevel":null)", std::nullopt, false},
      {R"(,"jlptLevel":5)", std::nullopt, false},
      {R"(,"jlptLevel":["N5"])", std::nullopt, false},
  };
  for (const Case& c : cases) {
    const std::string document = head + c.member + "}";
    SCOPED_TRACE(document);
    if (c.decodes) {
      EXPECT_EQ(Attempt::decode(document).jlptLevel(), c.level);
    } else {
      EXPECT_THROW(Attempt::decode(document), json::DecodingError);
    }
  }
}

}  // namespace
}  // namespace tavro

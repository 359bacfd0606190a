#include "TavroCore/input/Romaji.h"
#include "TavroCore/input/internal/RomajiPaths.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace tavro {
namespace {

using Strings = std::vector<std::string>;

std::string repeated(std::string_view text, int count) {
  std::string out;
  for (int index = 0; index < count; ++index) out += text;
  return out;
}

TEST(RomajiTable, HoldsEveryKeyWithItsSpellingsInOrder) {
  const auto& table = Romaji::table();
  EXPECT_EQ(table.size(), 133u);
  struct Row {
    const char* key;
    Strings spellings;
  };
  const Row rows[] = {
      {"あ", {"a"}},
      {"し", {"si", "shi"}},
      {"ち", {"ti", "chi"}},
      {"つ", {"tu", "tsu"}},
      {"ふ", {"hu", "fu"}},
      {"じ", {"zi", "ji"}},
      {"ん", {"nn", "n'"}},
      {"ー", {"-"}},
      {"！", {"!"}},
      {"）", {")"}},
      {"ちゃ", {"cha", "tya", "cya"}},
      {"ぢょ", {"dyo", "dixyo", "dilyo"}},
      {"ゔぉ", {"vo"}},
      {"ゖ", {"xke", "lke"}},
      {"っ", {"xtu", "ltu", "xtsu", "ltsu"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    auto found = table.find(row.key);
    ASSERT_NE(found, table.end());
    EXPECT_EQ(found->second, row.spellings);
  }
  EXPECT_EQ(table.count("ゔぅ"), 0u);
  EXPECT_EQ(table.count("カ"), 0u);
}

TEST(RomajiSpellings, FollowTheHeadRulesInSearchOrder) {
  struct Row {
    const char* prompt;
    Strings spellings;
  };
  const Row rows[] = {
      {"し", {"si", "shi"}},
      {"ほん", {"hon", "honn", "hon'"}},
      {"きんえん", {"kinnen", "kinnenn", "kinnen'", "kin'en", "kin'enn", "kin'en'"}},
      {"んな", {"nnna", "n'na"}},
      {"かんじ", {"kanzi", "kanji", "kannzi", "kannji", "kan'zi", "kan'ji"}},
      {"かった", {"katta", "kaxtuta", "kaltuta", "kaxtsuta", "kaltsuta"}},
      {"しゃ", {"sha", "sya", "sixya", "silya", "shixya", "shilya"}},
      {"ぢゃ", {"dya", "dixya", "dilya", "dixya", "dilya"}},  // split spellings keep duplicates
      {"ふぁ", {"huxa", "hula", "fuxa", "fula"}},
      {"っち", {"cti", "cchi", "tti", "tchi", "xtuti", "xtuchi", "ltuti", "ltuchi", "xtsuti", "xtsuchi", "ltsuti",
                "ltsuchi"}},
      {"っ", {"xtu", "ltu", "xtsu", "ltsu"}},  // a final っ has no doubled letter
      {"っあ", {"xtua", "ltua", "xtsua", "ltsua"}},  // vowels are never doubled
      {"っっか", {"kkka", "kxtuka", "kltuka", "kxtsuka", "kltsuka", "lkka", "lxtuka", "lltuka", "lxtsuka", "lltsuka",
                  "xkka", "xxtuka", "xltuka", "xxtsuka", "xltsuka", "xtukka", "xtuxtuka", "xtultuka", "xtuxtsuka",
                  "xtultsuka", "ltukka", "ltuxtuka", "ltultuka", "ltuxtsuka", "ltultsuka", "xtsukka", "xtsuxtuka",
                  "xtsultuka", "xtsuxtsuka", "xtsultsuka", "ltsukka", "ltsuxtuka", "ltsultuka", "ltsuxtsuka",
                  "ltsultsuka"}},
      {"ゔぅ", {"vuxu", "vulu"}},  // no pair entry: two heads
      {"っK", {"KK", "xtuK", "ltuK", "xtsuK", "ltsuK"}},  // an upper-case letter is doubled too
      {"カな", {"カna"}},
      {"日本", {"日本"}},
      {"aか", {"aka"}},
      {"「ー」", {"[-]"}},
      {"", {""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.prompt);
    EXPECT_EQ(Romaji::spellings(row.prompt), row.spellings);
  }
}

TEST(RomajiSpellings, MatchingSpellingsAgreeWithTheTypedText) {
  struct Row {
    const char* prompt;
    const char* typed;
    Strings spellings;
  };
  const Row rows[] = {
      {"かな", "", {"kana"}},
      {"かな", "ka", {"kana"}},
      {"かな", "kana", {"kana"}},
      {"かな", "kanax", {}},
      {"かな", "x", {}},
      {"かな", "KA", {}},  // not lower-cased here
      {"ほん", "hon", {"hon", "honn", "hon'"}},
      {"きんえん", "kine", {}},
      {"きんえん", "kin'", {"kin'en", "kin'enn", "kin'en'"}},
      {"しゃ", "shi", {"shixya", "shilya"}},
      {"ふぁ", "fa", {}},
      {"っち", "t", {"tti", "tchi"}},
      {"あe\u0301", "ae", {}},                   // the typed text would end inside e + U+0301
      {"あe\u0301", "ae\u0301", {"a\u00E9"}},  // the whole character matches; answers are in form C
      // Canonically equivalent forms agree whichever side is decomposed.
      {"e\u0301", "\u00E9", {"\u00E9"}},
      {"\u00E9", "e\u0301", {"\u00E9"}},
      {"\u00E9", "e", {}},
      {"か\u3099", "g", {"ga"}},  // a decomposed が has the spellings of が
      {"カ", "カ", {"カ"}},
      {"カ", "ka", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.prompt) + " / " + row.typed);
    EXPECT_EQ(Romaji::matchingSpellings(row.prompt, row.typed), row.spellings);
  }
}

TEST(RomajiSpellings, StopAtOneHundredTwentyEightPaths) {
  std::string tenShi = repeated("し", 10);  // 1,024 spellings in all
  Strings all = Romaji::spellings(tenShi);
  ASSERT_EQ(all.size(), 128u);
  EXPECT_EQ(all.front(), repeated("si", 10));
  EXPECT_EQ(all.back(), repeated("si", 3) + repeated("shi", 7));
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 128u);

  // The bound applies to what agrees with the typed text.
  Strings typedShi = Romaji::matchingSpellings(tenShi, "shi");
  ASSERT_EQ(typedShi.size(), 128u);
  EXPECT_EQ(typedShi.front(), "shi" + repeated("si", 9));
  for (const std::string& spelling : typedShi) EXPECT_EQ(spelling.rfind("shi", 0), 0u) << spelling;
}

TEST(RomajiSpellings, BadInputGetsPlainAnswers) {
  // Ill-formed UTF-8 is read as U+FFFD: the answers stay well-formed.
  EXPECT_EQ(Romaji::spellings("か\xFF"), (Strings{"ka\uFFFD"}));
  EXPECT_EQ(Romaji::matchingSpellings("か", "k\xFF"), Strings{});
  // An unpaired combining mark and an emoji are characters spelled as themselves.
  EXPECT_EQ(Romaji::spellings("\u0301か"), (Strings{"\u0301ka"}));
  EXPECT_EQ(Romaji::spellings("👍🏽か"), (Strings{"👍🏽ka"}));
  EXPECT_EQ(Romaji::completedCharacters("👍🏽か", "👍🏽"), 1);

  // Ten thousand し: the bound keeps the answer at 128 paths.
  std::string manyShi = repeated("し", 10000);
  Strings spellings = Romaji::spellings(manyShi);
  ASSERT_EQ(spellings.size(), 128u);
  EXPECT_EQ(spellings.front(), repeated("si", 10000));
  EXPECT_EQ(Romaji::matchingSpellings(manyShi, "shiz"), Strings{});
  EXPECT_EQ(Romaji::hints(manyShi, "sh", 2).size(), 2u);

  // Many head sequences spell the same typed text ("n"+"n" or "nn"+"n" per
  // pair) and all fail at the end; failed states are not searched twice.
  std::string ambiguous = repeated("んn", 60);
  EXPECT_EQ(Romaji::matchingSpellings(ambiguous, std::string(150, 'n') + "x"), Strings{});
  EXPECT_EQ(Romaji::matchingSpellings(ambiguous, std::string(150, 'n')).size(), 128u);
}

TEST(RomajiCompletedCharacters, CountsPromptCharactersTypedCompletely) {
  struct Row {
    const char* prompt;
    const char* typed;
    std::int64_t completed;
  };
  const Row rows[] = {
      {"かな", "", 0},      {"かな", "k", 0},   {"かな", "ka", 1},    {"かな", "kan", 1},  {"かな", "kana", 2},
      {"かな", "kax", 0},   {"っか", "k", 1},   {"っか", "kk", 1},    {"っか", "kka", 2},  {"っか", "xtu", 1},
      {"きゃ", "ki", 0},    {"きゃ", "kya", 2}, {"きゃ", "kixya", 2}, {"ほん", "hon", 2},  {"しか", "shik", 1},
      {"", "", 0},          {"日本", "日", 1},    {"e\u0301か", "\u00E9k", 1}, {"\u00E9か", "e\u0301ka", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.prompt) + " / " + row.typed);
    EXPECT_EQ(Romaji::completedCharacters(row.prompt, row.typed), row.completed);
  }
}

TEST(RomajiHints, DescribeTheHeadBeingTypedAndTheHeadsAfterIt) {
  std::vector<RomajiHint> hints = Romaji::hints("かな", "k", 2);
  EXPECT_EQ(hints, (std::vector<RomajiHint>{{0, "か", {"K", "A"}, 1, 1}, {1, "な", {"N", "A"}, 0, std::nullopt}}));
  ASSERT_EQ(hints.size(), 2u);
  EXPECT_TRUE(hints[0].isActive());
  EXPECT_FALSE(hints[1].isActive());
  EXPECT_EQ(hints[0].text(), "[ K A ]");

  // Upper-case typing is lower-cased first; completed heads give no hint.
  EXPECT_EQ(Romaji::hints("かな", "KA", 3), (std::vector<RomajiHint>{{1, "な", {"N", "A"}, 0, 0}}));
  // One pair head covers two prompt characters; っ's doubled letter is its own head.
  EXPECT_EQ(Romaji::hints("きゃっか", "", 3),
            (std::vector<RomajiHint>{{0, "きゃ", {"K", "Y", "A"}, 0, 0},
                                     {2, "っ", {"K"}, 0, std::nullopt},
                                     {3, "か", {"K", "A"}, 0, std::nullopt}}));
  // The kana are cut from the prompt in form C.
  EXPECT_EQ(Romaji::hints("か\u3099", "", 1), (std::vector<RomajiHint>{{0, "が", {"G", "A"}, 0, 0}}));
  // Once "sh" is typed the hint follows the spelling that agrees.
  EXPECT_EQ(Romaji::hints("しか", "sh", 1), (std::vector<RomajiHint>{{0, "し", {"S", "H", "I"}, 2, 2}}));
  EXPECT_EQ(Romaji::hints("かな", "kana", 3), std::vector<RomajiHint>{});
  EXPECT_EQ(Romaji::hints("かな", "k", 0), std::vector<RomajiHint>{});
  EXPECT_EQ(Romaji::hints("かな", "k", -5), std::vector<RomajiHint>{});
  EXPECT_EQ(Romaji::hints("かな", "x", 3), std::vector<RomajiHint>{});
}

TEST(RomajiKanaKeys, TranslateKanaToJisKeys) {
  struct Row {
    const char* kana;
    const char* keys;
  };
  const Row rows[] = {
      {"か", "t"},     {"が", "t@"},      {"ぱ", "f["},   {"ゔ", "4@"},  {"か\u3099", "t@"},
      {"ぁ", "ぁ"},    {"カ", "カ"},      {"abc", "abc"}, {"ろ", "\\"},  {"がっこう", "t@っb4"},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kana);
    EXPECT_EQ(Romaji::kanaKeys(row.kana), row.keys);
  }
}

TEST(RomajiPathCache, IsEmptiedWholesaleAndSkipsLongPrompts) {
  Romaji::detail::clearPathCache();
  for (int index = 0; index < 256; ++index) Romaji::matchingSpellings("かな", std::string(index % 3, 'k') + std::to_string(index));
  EXPECT_EQ(Romaji::detail::pathCacheCount(), 256u);
  Romaji::matchingSpellings("かな", "ka");  // the 257th entry: everything before it goes
  EXPECT_EQ(Romaji::detail::pathCacheCount(), 1u);
  Romaji::matchingSpellings("かな", "ka");  // found, nothing stored
  EXPECT_EQ(Romaji::detail::pathCacheCount(), 1u);

  // Prompts may hold U+0000; no two queries share an entry.
  using namespace std::string_literals;
  EXPECT_EQ(Romaji::spellings("a\0b"s), Strings{"a\0b"s});
  EXPECT_EQ(Romaji::matchingSpellings("a", "b\0"s), Strings{});
  EXPECT_EQ(Romaji::matchingSpellings("a\0"s, "\0"s), Strings{});

  Romaji::detail::clearPathCache();
  Romaji::spellings(repeated("し", 121));
  EXPECT_EQ(Romaji::detail::pathCacheCount(), 0u);
  Romaji::spellings(repeated("し", 120));
  EXPECT_EQ(Romaji::detail::pathCacheCount(), 1u);

  // Few characters but a large result: seven し and one character carrying
  // 40,000 combining marks spell 128 texts of 80 kB each.
  std::string heavy = repeated("し", 7) + "a" + repeated("\u0301", 40000);
  EXPECT_EQ(Romaji::spellings(heavy).size(), 128u);
  EXPECT_EQ(Romaji::detail::pathCacheCount(), 1u);
}

// Many threads search, read and wipe the shared cache at once; each must see
// exactly the answers a lone caller sees.
TEST(RomajiConcurrency, MatchingSpellingsFromManyThreads) {
  struct Query {
    std::string prompt;
    std::string typed;
    Strings expected;
  };
  std::vector<Query> queries;
  const char* prompts[] = {"きょうはいいてんきですね", "しんぶん", "がっこう", "ちゃわん", "ほん", "ぢゃ"};
  for (const char* prompt : prompts) {
    std::string spelling = Romaji::spellings(prompt).front();
    for (std::size_t length = 0; length <= spelling.size(); ++length) {
      queries.push_back({prompt, spelling.substr(0, length), {}});
    }
    queries.push_back({prompt, spelling + "x", {}});
  }
  for (Query& query : queries) query.expected = Romaji::matchingSpellings(query.prompt, query.typed);

  constexpr int kThreads = 6;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      for (int round = 0; round < 20; ++round) {
        for (std::size_t index = 0; index < queries.size(); ++index) {
          const Query& query = queries[(index * (thread + 1) + round) % queries.size()];
          if (Romaji::matchingSpellings(query.prompt, query.typed) != query.expected) ++failures[thread];
          // Distinct prefixes keep the cache filling up and being emptied.
          Romaji::matchingSpellings(query.prompt, query.typed + std::to_string(thread * 1000 + round));
          if (index % 64 == 0 && thread == 0) Romaji::detail::clearPathCache();
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int thread = 0; thread < kThreads; ++thread) EXPECT_EQ(failures[thread], 0) << "thread " << thread;
  EXPECT_LE(Romaji::detail::pathCacheCount(), Romaji::detail::kMaxCacheEntries);
}

}  // namespace
}  // namespace tavro

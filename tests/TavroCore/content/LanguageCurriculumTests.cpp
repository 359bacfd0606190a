#include "TavroCore/content/LanguageCurriculum.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

std::vector<std::string> displays(const std::vector<LanguagePrompt>& prompts) {
  std::vector<std::string> result;
  for (const LanguagePrompt& prompt : prompts) result.push_back(prompt.display);
  return result;
}

TEST(LanguageCurriculum, TitlesAreExact) {
  EXPECT_EQ(LanguageCurriculum::englishTitles(),
            (std::vector<std::string>{"Home Row & Basic Keys", "Short Common Words",
                                      "Everyday Vocabulary & Capitals", "Phrases & Punctuation",
                                      "Everyday & Professional Sentences",
                                      "Advanced Text, Numbers & Symbols"}));
  EXPECT_EQ(
      LanguageCurriculum::nepaliTitles(),
      (std::vector<std::string>{"Vowels & Consonants", "Simple Nepali Words", "Conjuncts & Matras",
                                "Everyday Nepali Expressions", "Complete Nepali Sentences",
                                "Complex Sentences, Idioms & Numbers"}));
}

TEST(LanguageCurriculum, RoundsHaveTheirSizesAndEnds) {
  struct Case {
    TavroLanguage language;
    std::int64_t round;
    std::size_t count;
    LanguagePrompt first;
    LanguagePrompt last;
  };
  const std::vector<Case> cases = {
      {TavroLanguage::english, 1, 18, LanguagePrompt("a"), LanguagePrompt("a;")},
      {TavroLanguage::english, 2, 25, LanguagePrompt("an"), LanguagePrompt("work")},
      {TavroLanguage::english, 3, 20, LanguagePrompt("family"), LanguagePrompt("Good morning")},
      {TavroLanguage::english, 4, 12, LanguagePrompt("Hello, world!"),
       LanguagePrompt("Practice makes progress.")},
      {TavroLanguage::english, 5, 10, LanguagePrompt("I practice typing every day."),
       LanguagePrompt("A short break helps me stay focused.")},
      {TavroLanguage::english, 6, 8,
       LanguagePrompt(
           "The project reached 95% completion in 2026; the remaining 5% requires careful review."),
       LanguagePrompt("Learning takes patience. Consistent practice turns small improvements into "
                      "lasting skills.")},
      {TavroLanguage::nepali, 1, 16, LanguagePrompt("अ", "a"), LanguagePrompt("छ", "chha")},
      {TavroLanguage::nepali, 2, 25, LanguagePrompt("घर", "ghar"),
       LanguagePrompt("सानो", "sano", {"saano"})},
      {TavroLanguage::nepali, 3, 20, LanguagePrompt("नमस्ते", "namaste"),
       LanguagePrompt("लक्ष्य", "lakshya", {"laksya"})},
      {TavroLanguage::nepali, 4, 12,
       LanguagePrompt("सन्चै हुनुहुन्छ?", "sanchai hunuhunchha?", {"sanchai hunuhuncha?"}),
       LanguagePrompt("बिस्तारै बोल्नुहोस्।", "bistarai bolnuhos.")},
      {TavroLanguage::nepali, 5, 12, LanguagePrompt("मेरो देश नेपाल हो।", "mero desh nepal ho."),
       LanguagePrompt("सबैको विचार सुन्नु महत्त्वपूर्ण हुन्छ।",
                      "sabaiko bichar sunnu mahatwapurna hunchha.")},
      {TavroLanguage::nepali, 6, 8,
       LanguagePrompt("जहाँ इच्छा, त्यहाँ उपाय।", "jaha ichchha, tyaha upaya."),
       LanguagePrompt("असफलताबाट सिक्दै अघि बढ्नु नै सफलताको आधार हो।",
                      "asafalatabata sikdai aghi badhnu nai safalatako aadhar ho.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(rawValue(c.language)) + " " + std::to_string(c.round));
    const auto prompts = LanguageCurriculum::prompts(c.language, c.round, "");
    ASSERT_EQ(prompts.size(), c.count);
    EXPECT_EQ(prompts.front(), c.first);
    EXPECT_EQ(prompts.back(), c.last);
  }
}

TEST(LanguageCurriculum, EntriesKeepTheirExactForms) {
  const auto english3 = LanguageCurriculum::prompts(TavroLanguage::english, 3, "");
  EXPECT_EQ(english3[18], LanguagePrompt("Thank you"));
  const auto english6 = LanguageCurriculum::prompts(TavroLanguage::english, 6, "");
  const std::string& email = english6[5].display;
  EXPECT_TRUE(email.starts_with("Please email ")) << email;
  EXPECT_TRUE(email.ends_with(" before 5:00 PM; include order #2048 in the subject.")) << email;
  EXPECT_NE(email.find("@example."), std::string::npos) << email;
  EXPECT_EQ(english6[6].roman,
            "The calculation is simple: (12 + 8) * 3 = 60. Check every digit and symbol.");

  const auto nepali2 = LanguageCurriculum::prompts(TavroLanguage::nepali, 2, "");
  EXPECT_EQ(nepali2[1], LanguagePrompt("पानी", "pani", {"paani"}));
  const auto nepali6 = LanguageCurriculum::prompts(TavroLanguage::nepali, 6, "");
  EXPECT_EQ(nepali6[3], LanguagePrompt("सन् २०२६ मा हामीले २५ वटा नयाँ योजना बनायौँ।",
                                       "san 2026 ma hamile 25 wata naya yojana banayau."));
  EXPECT_EQ(nepali6[4].display, "बिहान ९:३० बजे बैठक सुरु हुन्छ।");
}

TEST(LanguageCurriculum, JapaneseAndUnknownRoundsAreEmpty) {
  EXPECT_TRUE(LanguageCurriculum::prompts(TavroLanguage::japanese, 1, "").empty());
  EXPECT_TRUE(LanguageCurriculum::prompts(TavroLanguage::japanese, 7, "a").empty());
  for (std::int64_t round : {-1, 0, 8}) {
    EXPECT_TRUE(LanguageCurriculum::prompts(TavroLanguage::english, round, "a").empty()) << round;
    EXPECT_TRUE(LanguageCurriculum::prompts(TavroLanguage::nepali, round, "a").empty()) << round;
  }
}

TEST(LanguageCurriculum, WeakRoundKeepsPromptsWithAWeakScalar) {
  EXPECT_EQ(
      displays(LanguageCurriculum::prompts(TavroLanguage::english, 7, "q")),
      (std::vector<std::string>{
          "Please let me know if you have any questions.",
          "The project reached 95% completion in 2026; the remaining 5% requires careful review.",
          "At 10:30, the team reviewed 3 priorities: quality, reliability, and speed."}));
  // Roman forms are lower-cased, weak keys and displays are not.
  const auto lowerA = LanguageCurriculum::prompts(TavroLanguage::english, 7, "a");
  const auto upperA = LanguageCurriculum::prompts(TavroLanguage::english, 7, "A");
  EXPECT_NE(
      std::find(lowerA.begin(), lowerA.end(),
                LanguagePrompt(
                    "At 10:30, the team reviewed 3 priorities: quality, reliability, and speed.")),
      lowerA.end());
  for (const LanguagePrompt& prompt : upperA)
    EXPECT_NE(prompt.display.find('A'), std::string::npos) << prompt.display;
  EXPECT_LT(upperA.size(), lowerA.size());

  // Nothing qualifies: rounds 2 to 6 in order, round 1 left out.
  std::vector<LanguagePrompt> pool;
  for (std::int64_t round = 2; round <= 6; ++round) {
    for (auto& prompt : LanguageCurriculum::prompts(TavroLanguage::english, round, ""))
      pool.push_back(prompt);
  }
  EXPECT_EQ(pool.size(), 75u);
  EXPECT_EQ(LanguageCurriculum::prompts(TavroLanguage::english, 7, "~"), pool);
  EXPECT_EQ(LanguageCurriculum::prompts(TavroLanguage::english, 7, ""), pool);

  // Nepali: each scalar of "ch" qualifies on its own; a Devanagari key is
  // looked for in the display.
  const auto c = LanguageCurriculum::prompts(TavroLanguage::nepali, 7, "c");
  const auto h = LanguageCurriculum::prompts(TavroLanguage::nepali, 7, "h");
  const auto ch = LanguageCurriculum::prompts(TavroLanguage::nepali, 7, "ch");
  EXPECT_GT(ch.size(), c.size());
  EXPECT_GE(ch.size(), h.size());
  EXPECT_NE(std::find(ch.begin(), ch.end(), LanguagePrompt("घर", "ghar")), ch.end());  // h only
  EXPECT_EQ(std::find(c.begin(), c.end(), LanguagePrompt("घर", "ghar")), c.end());
  for (const LanguagePrompt& prompt : LanguageCurriculum::prompts(TavroLanguage::nepali, 7, "ञ")) {
    EXPECT_NE(prompt.display.find("ञ"), std::string::npos) << prompt.display;
  }
}

}  // namespace
}  // namespace tavro

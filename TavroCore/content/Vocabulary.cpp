#include "TavroCore/content/Vocabulary.h"

#include "Support/Text.h"

#include <algorithm>
#include <string>
#include <utility>

namespace tavro::Vocabulary {

namespace {

struct Word {
  const char* display;
  const char* reading;
};

struct Lists {
  std::vector<JapanesePrompt> basic;
  std::vector<JapanesePrompt> tango;
  // Dictionary of the conversion: basic, tango and the extra words, longest
  // reading first, equal lengths in that order.
  std::vector<std::pair<JapanesePrompt, std::size_t>> conversion;
};

std::vector<JapanesePrompt> makePrompts(const std::vector<Word>& words) {
  std::vector<JapanesePrompt> prompts;
  prompts.reserve(words.size());
  for (const Word& word : words) prompts.emplace_back(word.display, word.reading);
  return prompts;
}

const Lists& lists() {
  static const Lists built = [] {
    // clang-format off
    const std::vector<Word> basicWords =
        {
            {"顔", "かお"},
            {"傘", "かさ"},
            {"雨", "あめ"},
            {"空", "そら"},
            {"山", "やま"},
            {"川", "かわ"},
            {"花", "はな"},
            {"犬", "いぬ"},
            {"猫", "ねこ"},
            {"海", "うみ"},
            {"桜", "さくら"},
            {"車", "くるま"},
            {"魚", "さかな"},
            {"林", "はやし"},
            {"光", "ひかり"},
            {"心", "こころ"},
            {"力", "ちから"},
            {"薬", "くすり"},
            {"隣", "となり"},
            {"形", "かたち"},
        };
    const std::vector<Word> tangoWords =
        {
            {"学校", "がっこう"},
            {"勉強", "べんきょう"},
            {"図書館", "としょかん"},
            {"駅", "えき"},
            {"会社", "かいしゃ"},
            {"旅行", "りょこう"},
            {"料理", "りょうり"},
            {"病院", "びょういん"},
            {"家族", "かぞく"},
            {"天気", "てんき"},
            {"約束", "やくそく"},
            {"予定", "よてい"},
            {"準備", "じゅんび"},
            {"説明", "せつめい"},
            {"経験", "けいけん"},
            {"習慣", "しゅうかん"},
            {"生活", "せいかつ"},
            {"必要", "ひつよう"},
            {"将来", "しょうらい"},
            {"文化", "ぶんか"},
            {"社会", "しゃかい"},
            {"環境", "かんきょう"},
            {"関係", "かんけい"},
            {"連絡", "れんらく"},
            {"相談", "そうだん"},
            {"参加", "さんか"},
            {"意見", "いけん"},
            {"原因", "げんいん"},
            {"結果", "けっか"},
            {"努力", "どりょく"},
        };
    // Further words known only to the conversion.
    const std::vector<Word> extraWords =
        {
            {"今日", "きょう"},
            {"明日", "あした"},
            {"毎日", "まいにち"},
            {"練習", "れんしゅう"},
            {"友達", "ともだち"},
            {"映画", "えいが"},
        };
    // clang-format on
    Lists result;
    result.basic = makePrompts(basicWords);
    result.tango = makePrompts(tangoWords);
    for (const auto* list : {&result.basic, &result.tango}) {
      for (const JapanesePrompt& word : *list) result.conversion.emplace_back(word, 0);
    }
    for (JapanesePrompt& word : makePrompts(extraWords))
      result.conversion.emplace_back(std::move(word), 0);
    for (auto& [word, length] : result.conversion) length = text::graphemeCount(word.reading());
    std::stable_sort(result.conversion.begin(), result.conversion.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return result;
  }();
  return built;
}

std::vector<JapanesePrompt> filtered(const std::vector<JapanesePrompt>& words,
                                     std::u32string_view set) {
  std::vector<JapanesePrompt> kept;
  for (const JapanesePrompt& word : words) {
    if (word.readingContainsAny(set)) kept.push_back(word);
  }
  return kept;
}

}  // namespace

const std::vector<JapanesePrompt>& basic() {
  return lists().basic;
}

const std::vector<JapanesePrompt>& tango() {
  return lists().tango;
}

std::vector<JapanesePrompt> guided(std::int64_t round) {
  const auto& basicWords = basic();
  const std::size_t take = std::min<std::size_t>(10, basicWords.size());
  switch (round) {
    case 1:
      return {basicWords.begin(), basicWords.begin() + static_cast<std::ptrdiff_t>(take)};
    case 2:
      return {basicWords.end() - static_cast<std::ptrdiff_t>(take), basicWords.end()};
    case 3:
      return filtered(tango(), U"がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽっ");
    case 4:
      return filtered(tango(), U"ゃゅょ");
    default:
      return tango();
  }
}

JapanesePrompt converted(std::string_view text) {
  const auto& dictionary = lists().conversion;
  const std::vector<std::string> characters = text::graphemes(text);
  // The characters joined again (ill-formed bytes have become U+FFFD), with
  // the byte offset of every character and of the end.
  std::string joined;
  std::vector<std::size_t> offsets{0};
  for (const std::string& character : characters) {
    joined += character;
    offsets.push_back(joined.size());
  }

  JapanesePrompt result;
  std::size_t position = 0;
  while (position < characters.size()) {
    const JapanesePrompt* match = nullptr;
    std::size_t matchLength = 0;
    for (const auto& [word, length] : dictionary) {
      if (length == 0 || position + length > characters.size()) continue;
      const std::string_view candidate = std::string_view(joined).substr(
          offsets[position], offsets[position + length] - offsets[position]);
      if (candidate == word.reading()) {
        match = &word;
        matchLength = length;
        break;
      }
    }
    if (match != nullptr) {
      result.segments.insert(result.segments.end(), match->segments.begin(), match->segments.end());
      position += matchLength;
    } else {
      result.segments.emplace_back(characters[position], characters[position]);
      ++position;
    }
  }
  return result;
}

}  // namespace tavro::Vocabulary

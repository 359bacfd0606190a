#include "TavroCore/content/CustomPractice.h"

#include "Support/Text.h"
#include "TavroCore/content/NumberReading.h"
#include "TavroCore/content/Vocabulary.h"

#include <mecab.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace tavro::CustomPractice {

namespace {

// The IPA dictionary, named explicitly: the system-wide default may be
// another dictionary whose readings serve us far worse.
// (A compiled-in setting; the path must not contain spaces.)
constexpr const char* tokenizerArguments = "-r /dev/null -d " TAVRO_MECAB_DICTIONARY_DIR;

// The dictionary and tagger are loaded once and only read afterwards: MeCab
// parses a lattice with a shared tagger safely from several threads, and
// each call brings its own lattice.
struct Tokenizer {
  std::unique_ptr<mecab_model_t, decltype(&mecab_model_destroy)> model{nullptr,
                                                                       &mecab_model_destroy};
  std::unique_ptr<mecab_t, decltype(&mecab_destroy)> tagger{nullptr, &mecab_destroy};
};

// The loaded tokenizer, or nothing when the dictionary cannot be loaded (the
// text is then passed through unread).
const Tokenizer* tokenizer() {
  static const std::optional<Tokenizer> loaded = []() -> std::optional<Tokenizer> {
    Tokenizer result;
    result.model.reset(mecab_model_new2(tokenizerArguments));
    if (!result.model) return std::nullopt;
    result.tagger.reset(mecab_model_new_tagger(result.model.get()));
    if (!result.tagger) return std::nullopt;
    return result;
  }();
  return loaded ? &*loaded : nullptr;
}

bool hasKanji(std::string_view text) {
  for (char32_t c : text::codePoints(text)) {
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || c == 0x3005) return true;
  }
  return false;
}

bool hasLetter(std::string_view text) {
  for (char32_t c : text::codePoints(text)) {
    if (text::isLetter(c)) return true;
  }
  return false;
}

bool hasKatakana(std::string_view text) {
  for (char32_t c : text::codePoints(text)) {
    if ((c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC) return true;
  }
  return false;
}

// Katakana and full-width forms as hiragana and half-width forms, each run
// between long-vowel marks on its own: the transforms would otherwise spell
// ー out as the vowel before it (コーヒー as こおひい), a reading no learner
// types and no input method writes.
std::string hiraganaKeepingLongVowels(std::string_view text, bool halfWidth) {
  static constexpr std::string_view marks[] = {"ー", "ｰ"};
  std::string result;
  auto convert = [&](std::string_view run) {
    if (run.empty()) return;
    const std::string narrowed =
        halfWidth ? text::transform("Fullwidth-Halfwidth", run) : std::string(run);
    result += text::transform("Hiragana-Katakana", narrowed, /*reverse=*/true);
  };
  std::size_t start = 0;
  while (true) {
    std::size_t at = std::string_view::npos, length = 0;
    for (std::string_view mark : marks) {
      const std::size_t found = text.find(mark, start);
      if (found < at) at = found, length = mark.size();
    }
    if (at == std::string_view::npos) break;
    convert(text.substr(start, at - start));
    result += "ー";
    start = at + length;
  }
  convert(text.substr(start));
  return result;
}

// Another reading of the same word counts as a real alternative when the
// dictionary rates it nearly as common as the one chosen (今日 きょう and
// こんにち); rarer ones (雨 as う, 前 as ぜん) are not worth a mark.
constexpr long alternativeCostMargin = 3000;

// Where the dictionary rates the rarer of two readings first, the one a
// learner says: 日本 and 日本人 are にほん and にほんじん in everyday speech.
constexpr std::pair<std::string_view, std::string_view> preferredReadingStarts[] = {
    {"ニッポン", "ニホン"},
};

// A token of the tokenizer: where it is, its text, and the fields of the IPA
// dictionary (part of speech, three sub-classes, conjugation type and form,
// base form, reading and pronunciation; unknown words stop after the base form).
struct Token {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string text;
  std::vector<std::string> fields;
  bool isUnknown = false;
  bool hasOtherReading = false;

  std::string_view field(std::size_t index) const {
    return index < fields.size() ? std::string_view(fields[index]) : std::string_view();
  }
  std::optional<std::string> reading() const {
    if (fields.size() > 7 && hasKatakana(fields[7])) return fields[7];
    return std::nullopt;
  }
  bool isSuffix() const { return field(1) == "接尾"; }
  bool isNumeral() const {
    if (field(0) != "名詞" || field(1) != "数") return false;
    return text == "何" || NumberReading::value(text).has_value();
  }
  bool isWrittenDigits(std::size_t count) const {
    const std::vector<char32_t> characters = text::codePoints(text);
    if (characters.size() != count) return false;
    for (char32_t c : characters) {
      if (!((c >= U'0' && c <= U'9') || (c >= U'０' && c <= U'９'))) return false;
    }
    return true;
  }
};

// A piece of a word: its text, the katakana reading the dictionary gives
// for it, if any (symbols and unknown words have none), or the hiragana
// reading worked out here for numbers and counts.
struct Part {
  std::string text;
  std::optional<std::string> reading;
  std::optional<std::string> hiragana;
  bool isNumber = false;
  bool isCounter = false;
  bool isGuess = false;

  // Digits that can be the hours of a clock time (0 to 24).
  bool isClockHours() const {
    const auto hours = NumberReading::value(text);
    return hours && *hours <= 24 && text.find_first_of(":：.．,，") == std::string::npos;
  }
};

// A word: a token of the tokenizer with any suffix tokens joined to it, so
// that 洞察力 is one word and not 洞察 followed by the vocabulary word 力,
// and a number with the digits, separators and counter that follow it.
struct Word {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::vector<Part> parts;
  bool isGuess = false;

  std::string text() const {
    std::string joined;
    for (const Part& part : parts) joined += part.text;
    return joined;
  }
  bool endsWithNumber() const { return !parts.empty() && parts.back().isNumber; }
};

// The tokens of `text` in order.
std::vector<Token> tokens(const Tokenizer& tokenizer, const std::string& text) {
  std::unique_ptr<mecab_lattice_t, decltype(&mecab_lattice_destroy)> lattice(
      mecab_model_new_lattice(tokenizer.model.get()), &mecab_lattice_destroy);
  if (!lattice) return {};
  mecab_lattice_set_sentence2(lattice.get(), text.data(), text.size());
  if (mecab_parse_lattice(tokenizer.tagger.get(), lattice.get()) == 0) return {};

  std::vector<Token> result;
  for (const mecab_node_t* node = mecab_lattice_get_bos_node(lattice.get()); node != nullptr;
       node = node->next) {
    if (node->stat != MECAB_NOR_NODE && node->stat != MECAB_UNK_NODE) continue;
    if (node->length == 0 || node->surface < text.data()) continue;
    const auto begin = static_cast<std::size_t>(node->surface - text.data());
    const std::size_t end = begin + node->length;
    if (end > text.size()) continue;
    // Tokens must follow one another; anything else is not trusted.
    if (!result.empty() && begin < result.back().end) continue;

    Token token;
    token.begin = begin;
    token.end = end;
    token.text = text.substr(begin, node->length);
    for (std::string_view field : text::split(node->feature != nullptr ? node->feature : "", ','))
      token.fields.emplace_back(field);
    token.isUnknown = node->stat == MECAB_UNK_NODE;
    // The other entries of the dictionary for exactly this text.
    const std::optional<std::string> reading = token.reading();
    if (reading && hasKanji(token.text)) {
      std::optional<std::string> preferred;
      // The lattice files nodes under where their leading white space starts.
      const std::size_t filedAt =
          begin - std::min<std::size_t>(begin, node->rlength - node->length);
      for (const mecab_node_t* other = mecab_lattice_get_begin_nodes(lattice.get(), filedAt);
           other != nullptr; other = other->bnext) {
        if (other->length != node->length || other->feature == nullptr) continue;
        const std::vector<std::string_view> fields = text::split(other->feature, ',');
        if (fields.size() <= 7 || fields[0] != token.field(0)) continue;
        if (fields[7] == *reading || !hasKatakana(fields[7])) continue;
        // Names (一 as はじめ) are no reason to doubt a common word.
        const bool isName = fields[1] == "固有名詞" && token.field(1) != "固有名詞";
        if (!isName && other->wcost <= node->wcost + alternativeCostMargin)
          token.hasOtherReading = true;
        for (const auto& [from, to] : preferredReadingStarts) {
          if (std::string_view(*reading).substr(0, from.size()) == from &&
              fields[7].substr(0, to.size()) == to &&
              fields[7].substr(to.size()) == std::string_view(*reading).substr(from.size()))
            preferred = std::string(fields[7]);
        }
      }
      if (preferred) token.fields[7] = *preferred;
    }
    result.push_back(std::move(token));
  }
  return result;
}

// The words of `text` in order, with their byte ranges.
std::vector<Word> words(const Tokenizer& tokenizer, const std::string& text) {
  const std::vector<Token> all = tokens(tokenizer, text);
  std::vector<Word> result;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Token& token = all[i];
    Word* previous = !result.empty() && result.back().end == token.begin ? &result.back() : nullptr;
    const bool afterNumber = previous && previous->endsWithNumber();

    // Numerals the tokenizer split (２０２４, 1万2千) are one number, and so
    // are digits around a thousands separator (1,000) or a decimal point.
    if (afterNumber && token.isNumeral() && token.text != "何" &&
        previous->parts.back().text != "何") {
      previous->parts.back().text += token.text;
      previous->end = token.end;
      continue;
    }
    // A clock time (10:30) is one number too, read as hours and minutes.
    const bool isSeparator = token.text == "," || token.text == "，";
    const bool isPoint = token.text == "." || token.text == "．";
    const bool isColon = token.text == ":" || token.text == "：";
    const Token* after =
        i + 1 < all.size() && all[i + 1].begin == token.end ? &all[i + 1] : nullptr;
    const bool joins =
        after &&
        ((isSeparator && after->isWrittenDigits(3)) || (isColon && after->isWrittenDigits(2)) ||
         (isPoint && after->isWrittenDigits(text::codePoints(after->text).size())));
    if (afterNumber && joins && (!isColon || previous->parts.back().isClockHours())) {
      previous->parts.back().text += token.text + all[i + 1].text;
      previous->end = all[i + 1].end;
      ++i;
      continue;
    }

    Part part;
    part.text = token.text;
    part.reading = token.reading();
    part.isNumber = token.isNumeral();
    part.isGuess =
        token.hasOtherReading || (token.isUnknown && !part.isNumber && hasLetter(token.text));
    // A counter after a number, including the words the tokenizer does not
    // take for one there (月 of 3月, つ of 3つ).
    part.isCounter = afterNumber &&
                     (token.isSuffix() || token.text == "月" || token.text == "つ") &&
                     NumberReading::isCounter(token.text);

    if (previous && (token.isSuffix() || part.isCounter)) {
      previous->parts.push_back(std::move(part));
      previous->end = token.end;
      continue;
    }
    Word word;
    word.begin = token.begin;
    word.end = token.end;
    word.parts.push_back(std::move(part));
    result.push_back(std::move(word));
  }
  return result;
}

// The hiragana reading of a run of katakana readings.
std::string hiraganaOfReading(std::string_view katakana) {
  return hiraganaKeepingLongVowels(katakana, /*halfWidth=*/false);
}

// A clock time such as 10:30 as it is said, じゅうじさんじゅっぷん (on the
// hour only the hours: 9:00 くじ); nothing for any other text.
std::optional<std::string> clockReading(std::string_view numerals) {
  for (std::string_view colon : {std::string_view(":"), std::string_view("：")}) {
    const std::size_t at = numerals.find(colon);
    if (at == std::string_view::npos) continue;
    const std::string_view hours = numerals.substr(0, at),
                           minutes = numerals.substr(at + colon.size());
    const auto hoursReading = NumberReading::ofCount(hours, "時", "ジ", false);
    const auto minutesValue = NumberReading::value(minutes);
    if (!hoursReading || !minutesValue || *minutesValue > 59) return std::nullopt;
    if (*minutesValue == 0) return hoursReading->hiragana;
    const auto minutesReading = NumberReading::ofCount(minutes, "分", "フン", false);
    if (!minutesReading) return std::nullopt;
    return hoursReading->hiragana + minutesReading->hiragana;
  }
  return std::nullopt;
}

// The reading of a word: the vocabulary's when the word is a vocabulary word,
// otherwise numbers read in words, and the dictionary's reading of each run of
// parts that has one, the other parts as written. Sets `word.isGuess` when a
// part of the reading is a guess. `afterMonth` says the word follows a month.
std::string readingOfWord(Word& word, bool afterMonth) {
  // Shown text to reading, basic words first; the first entry of a text wins.
  static const std::map<std::string, std::string, std::less<>> vocabulary = [] {
    std::map<std::string, std::string, std::less<>> words;
    for (const auto* list : {&Vocabulary::basic(), &Vocabulary::tango()}) {
      for (const JapanesePrompt& entry : *list) words.emplace(entry.display(), entry.reading());
    }
    return words;
  }();
  if (const auto found = vocabulary.find(word.text()); found != vocabulary.end())
    return found->second;

  for (std::size_t i = 0; i < word.parts.size(); ++i) {
    Part& part = word.parts[i];
    if (!part.isNumber) continue;
    Part* counter =
        i + 1 < word.parts.size() && word.parts[i + 1].isCounter ? &word.parts[i + 1] : nullptr;
    if (counter) {
      if (auto count = NumberReading::ofCount(part.text, counter->text,
                                              counter->reading.value_or(""), afterMonth)) {
        // The count's own rules decide; the dictionary's other readings of
        // 月 or 日 alone say nothing about 3月 or 5日.
        part.hiragana = std::move(count->hiragana);
        part.isGuess = count->isGuess;
        counter->hiragana = "";
        counter->isGuess = false;
        continue;
      }
    }
    if (part.text == "何") continue;
    if (auto clock = clockReading(part.text)) {
      part.hiragana = std::move(*clock);
      continue;
    }
    if (auto number = NumberReading::ofNumber(part.text)) {
      part.hiragana = std::move(number->hiragana);
      part.isGuess = part.isGuess || number->isGuess;
    }
  }

  std::string reading;
  std::string run;
  for (const Part& part : word.parts) {
    word.isGuess = word.isGuess || part.isGuess;
    if (!part.hiragana && part.reading) {
      run += *part.reading;
      continue;
    }
    if (!run.empty()) reading += hiraganaOfReading(run);
    run.clear();
    reading += part.hiragana ? *part.hiragana : part.text;
  }
  if (!run.empty()) reading += hiraganaOfReading(run);
  return reading;
}

// True when `word` ends with a month (3月), so that a day after it is a date.
bool endsWithMonth(const Word& word) {
  const std::size_t count = word.parts.size();
  return count >= 2 && word.parts[count - 1].text == "月" && word.parts[count - 2].isNumber;
}

// The characters of `text` split into lines at every line break (a CR LF
// pair is one character, so one break); empty lines are dropped.
std::vector<std::string> lines(std::string_view text) {
  std::vector<std::string> result;
  std::string line;
  for (std::string& character : text::graphemes(text)) {
    const char32_t first = text::codePoints(character).front();
    const bool isBreak = first == 0x0A || first == 0x0B || first == 0x0C || first == 0x0D ||
                         first == 0x85 || first == 0x2028 || first == 0x2029;
    if (!isBreak) {
      line += character;
      continue;
    }
    if (!line.empty()) result.push_back(std::move(line));
    line.clear();
  }
  if (!line.empty()) result.push_back(std::move(line));
  return result;
}

bool isAllowedInReading(char32_t c) {
  static constexpr std::u32string_view punctuation = U"ー、。！？!?.,0123456789-「」（）()";
  return (c >= 0x3041 && c <= 0x3096) || punctuation.find(c) != std::u32string_view::npos;
}

}  // namespace

std::string normalize(std::string_view text) {
  return hiraganaKeepingLongVowels(text, /*halfWidth=*/true);
}

ReadingSuggestion readingSuggestion(std::string_view input) {
  // Ill-formed bytes are read as U+FFFD so the tokenizer sees only UTF-8.
  std::string storage;
  const std::string text(text::wellFormed(input, storage));
  // Byte ranges of the guessed words, in the text and in the reading.
  struct Span {
    std::size_t textBegin, textEnd, readingBegin, readingEnd;
  };
  std::vector<Span> spans;
  ReadingSuggestion result;
  std::size_t previousEnd = 0;
  if (const Tokenizer* loaded = tokenizer()) {
    bool afterMonth = false;
    for (Word& word : words(*loaded, text)) {
      if (previousEnd < word.begin) {
        result.reading +=
            normalize(std::string_view(text).substr(previousEnd, word.begin - previousEnd));
        afterMonth = false;
      }
      const std::size_t readingBegin = result.reading.size();
      result.reading += normalize(readingOfWord(word, afterMonth));
      if (word.isGuess && result.reading.size() > readingBegin)
        spans.push_back({word.begin, word.end, readingBegin, result.reading.size()});
      afterMonth = endsWithMonth(word);
      previousEnd = word.end;
    }
  }
  if (previousEnd < text.size())
    result.reading += normalize(std::string_view(text).substr(previousEnd));

  // Byte offsets to character offsets, in one pass over each text; a range
  // that starts or ends inside a character takes that whole character.
  auto characterOffsets = [](const std::string& whole, std::vector<std::size_t*> offsets) {
    std::sort(offsets.begin(), offsets.end(),
              [](const std::size_t* a, const std::size_t* b) { return *a < *b; });
    std::size_t byte = 0, character = 0, next = 0;
    for (const std::string& grapheme : text::graphemes(whole)) {
      for (; next < offsets.size() && *offsets[next] < byte + grapheme.size(); ++next)
        *offsets[next] = character;
      byte += grapheme.size();
      ++character;
    }
    for (; next < offsets.size(); ++next) *offsets[next] = character;
  };
  std::vector<std::size_t*> textOffsets, readingOffsets;
  for (Span& span : spans) {
    // Ends are made inclusive so that they land in the last character.
    --span.textEnd;
    --span.readingEnd;
    textOffsets.insert(textOffsets.end(), {&span.textBegin, &span.textEnd});
    readingOffsets.insert(readingOffsets.end(), {&span.readingBegin, &span.readingEnd});
  }
  characterOffsets(text, textOffsets);
  characterOffsets(result.reading, readingOffsets);
  for (const Span& span : spans) {
    result.guesses.push_back({span.textBegin, span.textEnd - span.textBegin + 1, span.readingBegin,
                              span.readingEnd - span.readingBegin + 1});
  }
  return result;
}

std::string suggestedReading(std::string_view text) {
  return readingSuggestion(text).reading;
}

std::vector<JapanesePrompt> items(std::string_view display, std::string_view reading) {
  if (display.empty()) return {};
  if (text::graphemeCount(display) > maximumCharacters ||
      text::graphemeCount(reading) > maximumCharacters)
    return {};

  const std::vector<std::string> displayLines = lines(display);
  std::vector<std::string> readingLines;
  for (const std::string& line : lines(reading)) {
    std::string cleaned;
    for (std::string& character : text::graphemes(normalize(line))) {
      if (!text::isWhiteSpace(text::codePoints(character).front())) cleaned += character;
    }
    readingLines.push_back(std::move(cleaned));
  }
  if (displayLines.empty() || displayLines.size() != readingLines.size()) return {};

  for (const std::string& line : readingLines) {
    if (line.empty()) return {};
    for (char32_t c : text::codePoints(line)) {
      if (!isAllowedInReading(c)) return {};
    }
  }
  std::vector<JapanesePrompt> prompts;
  prompts.reserve(displayLines.size());
  for (std::size_t i = 0; i < displayLines.size(); ++i)
    prompts.emplace_back(displayLines[i], readingLines[i]);
  return prompts;
}

}  // namespace tavro::CustomPractice

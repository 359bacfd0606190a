#include "TavroCore/content/CustomPractice.h"

#include "Support/Text.h"
#include "TavroCore/content/Vocabulary.h"

#include <mecab.h>

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

// The comma-separated fields of a MeCab feature text. The IPA dictionary
// gives part of speech, three sub-classes, conjugation type and form, base
// form, reading and pronunciation; unknown words stop after the base form.
std::vector<std::string_view> featureFields(std::string_view feature) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = feature.find(',', start);
    fields.push_back(feature.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

bool isKatakana(char32_t c) {
  return (c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC;
}

bool hasKatakana(std::string_view text) {
  for (char32_t c : text::codePoints(text)) {
    if (isKatakana(c)) return true;
  }
  return false;
}

// A piece of a word: its text and the katakana reading the dictionary gives
// for it, if any (digits, Latin letters, symbols and unknown words have none).
struct Part {
  std::string text;
  std::optional<std::string> reading;
  bool isNumber = false;
};

// A word: a token of the tokenizer with any suffix tokens joined to it, so
// that 洞察力 is one word and not 洞察 followed by the vocabulary word 力.
struct Word {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::vector<Part> parts;

  std::string text() const {
    std::string joined;
    for (const Part& part : parts) joined += part.text;
    return joined;
  }
};

// Counters whose reading changes after certain numbers: 分 is ぷん after a
// number ending in 1, 3, 4, 6, 8 or 0; 本, 杯 and 匹 take the p sound after
// 1, 6, 8 and tens (b after 3 and thousands) and keep the h sound otherwise.
// Only numbers written in digits are looked at; their reading stays digits.
std::optional<std::string> counterReading(std::string_view counter, std::string_view number) {
  const std::vector<char32_t> digits = text::codePoints(number);
  if (digits.empty()) return std::nullopt;
  auto digitValue = [](char32_t c) -> int {
    if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
    if (c >= U'０' && c <= U'９') return static_cast<int>(c - U'０');
    return -1;
  };
  const int last = digitValue(digits.back());
  if (last < 0) return std::nullopt;
  // A number ending in three zeros (1000, 2000, ...) takes the b sound.
  bool thousands = digits.size() >= 4;
  for (std::size_t i = 0; thousands && i < 3; ++i)
    thousands = digitValue(digits[digits.size() - 1 - i]) == 0;
  if (counter == "分") {
    const bool p = last == 1 || last == 3 || last == 4 || last == 6 || last == 8 || last == 0;
    return std::string(p ? "プン" : "フン");
  }
  struct Series {
    std::string_view counter, h, b, p;
  };
  static constexpr Series series[] = {{"本", "ホン", "ボン", "ポン"},
                                      {"杯", "ハイ", "バイ", "パイ"},
                                      {"匹", "ヒキ", "ビキ", "ピキ"}};
  for (const Series& s : series) {
    if (counter != s.counter) continue;
    if (last == 3 || thousands) return std::string(s.b);
    if (last == 1 || last == 6 || last == 8 || last == 0) return std::string(s.p);
    return std::string(s.h);
  }
  return std::nullopt;
}

// The words of `text` in order, with their byte ranges.
std::vector<Word> words(const Tokenizer& tokenizer, const std::string& text) {
  std::unique_ptr<mecab_lattice_t, decltype(&mecab_lattice_destroy)> lattice(
      mecab_model_new_lattice(tokenizer.model.get()), &mecab_lattice_destroy);
  if (!lattice) return {};
  mecab_lattice_set_sentence2(lattice.get(), text.data(), text.size());
  if (mecab_parse_lattice(tokenizer.tagger.get(), lattice.get()) == 0) return {};

  std::vector<Word> result;
  for (const mecab_node_t* node = mecab_lattice_get_bos_node(lattice.get()); node != nullptr;
       node = node->next) {
    if (node->stat != MECAB_NOR_NODE && node->stat != MECAB_UNK_NODE) continue;
    if (node->length == 0 || node->surface < text.data()) continue;
    const auto begin = static_cast<std::size_t>(node->surface - text.data());
    const std::size_t end = begin + node->length;
    if (end > text.size()) continue;
    // Tokens must follow one another; anything else is not trusted.
    if (!result.empty() && begin < result.back().end) continue;

    const std::vector<std::string_view> fields =
        featureFields(node->feature != nullptr ? node->feature : "");
    Part part;
    part.text = text.substr(begin, node->length);
    if (fields.size() > 7 && hasKatakana(fields[7])) part.reading = std::string(fields[7]);
    part.isNumber = fields.size() > 1 && fields[0] == "名詞" && fields[1] == "数";
    const bool isSuffix = fields.size() > 1 && fields[1] == "接尾";

    if (isSuffix && !result.empty() && result.back().end == begin) {
      Word& previous = result.back();
      if (fields.size() > 2 && fields[2] == "助数詞" && previous.parts.back().isNumber) {
        if (auto reading = counterReading(part.text, previous.parts.back().text))
          part.reading = std::move(reading);
      }
      previous.parts.push_back(std::move(part));
      previous.end = end;
      continue;
    }
    Word word;
    word.begin = begin;
    word.end = end;
    word.parts.push_back(std::move(part));
    result.push_back(std::move(word));
  }
  return result;
}

// A katakana reading as hiragana, the way through the Latin transcription:
// long vowels written with a macron become doubled vowels.
std::string hiraganaOfReading(std::string_view katakana) {
  std::string latin = text::transform("Katakana-Latin", katakana);
  static constexpr std::pair<std::string_view, std::string_view> macrons[] = {
      {"ō", "ou"}, {"ū", "uu"}, {"ā", "aa"}, {"ē", "ee"}, {"ī", "ii"}};
  for (const auto& [from, to] : macrons) {
    for (std::size_t at = latin.find(from); at != std::string::npos;
         at = latin.find(from, at + to.size())) {
      latin.replace(at, from.size(), to);
    }
  }
  return text::transform("Latin-Hiragana", latin);
}

// The reading of a word: the vocabulary's when the word is a vocabulary word,
// otherwise the dictionary's reading of each run of parts that has one, the
// other parts as written.
std::string readingOfWord(const Word& word) {
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
  std::string reading;
  std::string run;
  for (const Part& part : word.parts) {
    if (part.reading) {
      run += *part.reading;
      continue;
    }
    if (!run.empty()) reading += hiraganaOfReading(run);
    run.clear();
    reading += part.text;
  }
  if (!run.empty()) reading += hiraganaOfReading(run);
  return reading;
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
  const std::string halfWidth = text::transform("Fullwidth-Halfwidth", text);
  return text::transform("Hiragana-Katakana", halfWidth, /*reverse=*/true);
}

std::string suggestedReading(std::string_view input) {
  // Ill-formed bytes are read as U+FFFD so the tokenizer sees only UTF-8.
  std::string storage;
  const std::string text(text::wellFormed(input, storage));
  std::string assembled;
  std::size_t previousEnd = 0;
  if (const Tokenizer* loaded = tokenizer()) {
    for (const Word& word : words(*loaded, text)) {
      if (previousEnd < word.begin) assembled.append(text, previousEnd, word.begin - previousEnd);
      assembled += readingOfWord(word);
      previousEnd = word.end;
    }
  }
  if (previousEnd < text.size()) assembled.append(text, previousEnd, std::string::npos);
  return normalize(assembled);
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

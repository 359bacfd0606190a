#include "TavroHost/ExerciseText.h"

#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/content/LanguageCurriculum.h"
#include "TavroCore/settings/UIStrings.h"

#include <vector>

namespace tavro {

std::string_view inputName(Exercise exercise) {
  switch (exercise) {
    case Exercise::japaneseRomaji:
      return "Romaji input";
    case Exercise::japaneseKana:
      return "Kana input";
    case Exercise::guidedRomaji:
      return "Guided romaji";
    case Exercise::english:
      return "Standard";
    case Exercise::englishDirect:
      return "System layout (direct)";
    case Exercise::nepaliRoman:
      return "Romanized";
    case Exercise::nepaliDirect:
      return "Devanagari (direct)";
    case Exercise::customText:
      return "Custom Text Practice";
  }
  return "";
}

std::string roundTitle(Exercise exercise, std::int64_t round) {
  if (exercise == Exercise::customText) return round == 1 ? "Custom Text Practice" : "";
  if (round == weakKeyRound) return "Weak Fingers";
  if (round == drillRound) return "Weak-key drill";
  if (exercise == Exercise::guidedRomaji) {
    if (round < 1 || round > static_cast<std::int64_t>(UIStrings::guidedRomajiRoundLabels.size()))
      return "";
    return std::string(UIStrings::guidedRomajiRoundLabels[static_cast<std::size_t>(round - 1)]);
  }
  const std::vector<std::string>* titles = nullptr;
  switch (exercise) {
    case Exercise::japaneseRomaji:
    case Exercise::japaneseKana:
      titles = &JLPTCurriculum::titles();
      break;
    case Exercise::guidedRomaji:
    case Exercise::english:
    case Exercise::englishDirect:
      titles = &LanguageCurriculum::englishTitles();
      break;
    case Exercise::nepaliRoman:
    case Exercise::nepaliDirect:
      titles = &LanguageCurriculum::nepaliTitles();
      break;
    case Exercise::customText:
      return "";
  }
  if (round < 1 || round > static_cast<std::int64_t>(titles->size())) return "";
  return (*titles)[static_cast<std::size_t>(round - 1)];
}

std::string keyLabel(std::string_view key, std::string_view mode, bool jis) {
  if (mode == tavro::mode(Exercise::japaneseKana) && !key.empty()) {
    std::string legend = KanaInput::label(key, jis);
    if (!legend.empty() && legend != " ") return legend;
    // A shifted keystroke: the small kana or mark Shift gives on its key.
    std::string base = Keyboard::baseKey(key, jis);
    if (base != key) {
      std::string shifted = KanaInput::shiftedLabel(base, jis);
      if (!shifted.empty()) return shifted;
    }
  }
  return std::string(key);
}

std::string fingerName(Finger finger) {
  std::string raw(rawValue(finger));
  std::string result;
  for (char c : raw) {
    if (c >= 'A' && c <= 'Z') {
      result += ' ';
      result += static_cast<char>(c - 'A' + 'a');
    } else {
      result += c;
    }
  }
  return result + (finger == Finger::thumb ? "" : " finger");
}

}  // namespace tavro

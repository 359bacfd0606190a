// The romaji spelling table, as constant data.
#include "TavroCore/input/Romaji.h"
#include "TavroCore/input/internal/RomajiPaths.h"

namespace tavro::Romaji {

// clang-format off
const std::map<std::string, std::vector<std::string>, std::less<>>& table() {
  static const std::map<std::string, std::vector<std::string>, std::less<>> entries = {
    {"あ", {"a"}}, {"い", {"i"}}, {"う", {"u"}}, {"え", {"e"}}, {"お", {"o"}},
    {"か", {"ka"}}, {"き", {"ki"}}, {"く", {"ku"}}, {"け", {"ke"}}, {"こ", {"ko"}},
    {"さ", {"sa"}}, {"し", {"si", "shi"}}, {"す", {"su"}}, {"せ", {"se"}}, {"そ", {"so"}},
    {"た", {"ta"}}, {"ち", {"ti", "chi"}}, {"つ", {"tu", "tsu"}}, {"て", {"te"}}, {"と", {"to"}},
    {"な", {"na"}}, {"に", {"ni"}}, {"ぬ", {"nu"}}, {"ね", {"ne"}}, {"の", {"no"}},
    {"は", {"ha"}}, {"ひ", {"hi"}}, {"ふ", {"hu", "fu"}}, {"へ", {"he"}}, {"ほ", {"ho"}},
    {"ま", {"ma"}}, {"み", {"mi"}}, {"む", {"mu"}}, {"め", {"me"}}, {"も", {"mo"}},
    {"や", {"ya"}}, {"ゆ", {"yu"}}, {"よ", {"yo"}},
    {"ら", {"ra"}}, {"り", {"ri"}}, {"る", {"ru"}}, {"れ", {"re"}}, {"ろ", {"ro"}},
    {"わ", {"wa"}}, {"を", {"wo"}},
    {"が", {"ga"}}, {"ぎ", {"gi"}}, {"ぐ", {"gu"}}, {"げ", {"ge"}}, {"ご", {"go"}},
    {"ざ", {"za"}}, {"じ", {"zi", "ji"}}, {"ず", {"zu"}}, {"ぜ", {"ze"}}, {"ぞ", {"zo"}},
    {"だ", {"da"}}, {"ぢ", {"di"}}, {"づ", {"du"}}, {"で", {"de"}}, {"ど", {"do"}},
    {"ば", {"ba"}}, {"び", {"bi"}}, {"ぶ", {"bu"}}, {"べ", {"be"}}, {"ぼ", {"bo"}},
    {"ぱ", {"pa"}}, {"ぴ", {"pi"}}, {"ぷ", {"pu"}}, {"ぺ", {"pe"}}, {"ぽ", {"po"}},
    {"ん", {"nn", "n'"}},
    {"ー", {"-"}},
    {"、", {","}}, {"。", {"."}}, {"！", {"!"}}, {"？", {"?"}},
    {"「", {"["}}, {"」", {"]"}}, {"（", {"("}}, {"）", {")"}},
    {"きゃ", {"kya"}}, {"きゅ", {"kyu"}}, {"きょ", {"kyo"}},
    {"にゃ", {"nya"}}, {"にゅ", {"nyu"}}, {"にょ", {"nyo"}},
    {"りゃ", {"rya"}}, {"りゅ", {"ryu"}}, {"りょ", {"ryo"}},
    {"ひゃ", {"hya"}}, {"ひゅ", {"hyu"}}, {"ひょ", {"hyo"}},
    {"みゃ", {"mya"}}, {"みゅ", {"myu"}}, {"みょ", {"myo"}},
    {"ぎゃ", {"gya"}}, {"ぎゅ", {"gyu"}}, {"ぎょ", {"gyo"}},
    {"びゃ", {"bya"}}, {"びゅ", {"byu"}}, {"びょ", {"byo"}},
    {"ぴゃ", {"pya"}}, {"ぴゅ", {"pyu"}}, {"ぴょ", {"pyo"}},
    {"しゃ", {"sha", "sya"}}, {"しゅ", {"shu", "syu"}}, {"しょ", {"sho", "syo"}},
    {"ちゃ", {"cha", "tya", "cya"}}, {"ちゅ", {"chu", "tyu", "cyu"}}, {"ちょ", {"cho", "tyo", "cyo"}},
    {"じゃ", {"ja", "jya", "zya"}}, {"じゅ", {"ju", "jyu", "zyu"}}, {"じょ", {"jo", "jyo", "zyo"}},
    {"ぢゃ", {"dya", "dixya", "dilya"}}, {"ぢゅ", {"dyu", "dixyu", "dilyu"}}, {"ぢょ", {"dyo", "dixyo", "dilyo"}},
    {"ゔ", {"vu"}},
    {"ゔぁ", {"va"}}, {"ゔぃ", {"vi"}}, {"ゔぇ", {"ve"}}, {"ゔぉ", {"vo"}},
    {"ぁ", {"xa", "la"}}, {"ぃ", {"xi", "li"}}, {"ぅ", {"xu", "lu"}}, {"ぇ", {"xe", "le"}}, {"ぉ", {"xo", "lo"}},
    {"ゃ", {"xya", "lya"}}, {"ゅ", {"xyu", "lyu"}}, {"ょ", {"xyo", "lyo"}},
    {"ゎ", {"xwa", "lwa"}}, {"ゕ", {"xka", "lka"}}, {"ゖ", {"xke", "lke"}},
    {"っ", {"xtu", "ltu", "xtsu", "ltsu"}},
  };
  return entries;
}
const std::vector<std::string_view>& detail::kanaBeforeDoubledN() {
  static const std::vector<std::string_view> kana = {
    "あ", "い", "う", "え", "お", "な", "に", "ぬ", "ね", "の", "や", "ゆ", "よ", "ん",
  };
  return kana;
}
// clang-format on

}  // namespace tavro::Romaji

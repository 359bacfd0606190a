#include "TavroCore/content/MainRomajiCurriculum.h"

#include "TavroCore/content/ExerciseMode.h"

namespace tavro::MainRomajiCurriculum {

namespace {

// One segment as written in the tables below; a segment shown as its own
// reading (kana, digits, punctuation) leaves the reading out.
struct Segment {
  const char* display;
  const char* reading;
};

struct Tables {
  std::vector<std::string> titles;
  std::vector<std::vector<JapanesePrompt>> rounds;
};

JapanesePrompt makePrompt(const std::vector<Segment>& entry) {
  JapanesePrompt prompt;
  for (const Segment& segment : entry) {
    prompt.segments.emplace_back(segment.display,
                                 segment.reading != nullptr ? segment.reading : segment.display);
  }
  return prompt;
}

const Tables& tables() {
  static const Tables built = [] {
    // clang-format off
    const std::vector<std::string> titles = {
        "Single Hiragana & Basic Vowels",
        "Easy Words · 2–3 Characters",
        "Dakuon, Sokuon & Yōon",
        "Basic Kanji Words · With Hiragana Guide",
        "Advanced Kanji & Daily Phrases · With Hiragana Guide",
        "Master Challenge · Complex Kanji & Full Sentences",
    };
    // Rounds 1 to 3: kana words, one segment per character.
    const std::vector<std::vector<const char*>> kanaRounds = {
        // round 1
        {"あ", "い", "う", "え", "お", "か", "さ", "た", "な", "は", "ま", "や", "ら", "わ"},
        // round 2
        {"あい", "うみ", "いえ", "あめ", "かさ", "かお", "そら", "はな", "やま", "かわ", "ねこ", "いぬ", "さくら", "くるま", "さかな", "こころ", "ひかり", "となり", "はやし", "ちから", "くすり", "かたち", "まくら", "おと", "みみ"},
        // round 3
        {"がく", "かぎ", "かぜ", "ざる", "だれ", "どこ", "ばら", "かばん", "ぱん", "さんぽ", "きって", "がっこう", "きっぷ", "ざっし", "こっぷ", "らっぱ", "きゃく", "きゅうり", "きょう", "しゃしん", "しゅみ", "しょくじ", "ちゃわん", "ちゅうい", "ちょきん"},
    };
    // Rounds 4 to 6: kanji words, phrases and sentences by segment.
    const std::vector<std::vector<std::vector<Segment>>> segmentRounds = {
        // round 4
        {
            {{"学校", "がっこう"}},
            {{"先生", "せんせい"}},
            {{"学生", "がくせい"}},
            {{"日本", "にほん"}},
            {{"電車", "でんしゃ"}},
            {{"駅", "えき"}},
            {{"山", "やま"}},
            {{"川", "かわ"}},
            {{"花", "はな"}},
            {{"雨", "あめ"}},
            {{"家族", "かぞく"}},
            {{"友達", "ともだち"}},
            {{"時間", "じかん"}},
            {{"会社", "かいしゃ"}},
            {{"仕事", "しごと"}},
            {{"天気", "てんき"}},
            {{"名前", "なまえ"}},
            {{"電話", "でんわ"}},
            {{"食事", "しょくじ"}},
            {{"買物", "かいもの"}},
            {{"図書館", "としょかん"}},
            {{"病院", "びょういん"}},
            {{"旅行", "りょこう"}},
            {{"料理", "りょうり"}},
            {{"勉強", "べんきょう"}},
        },
        // round 5
        {
            {{"準備", "じゅんび"}},
            {{"説明", "せつめい"}},
            {{"経験", "けいけん"}},
            {{"習慣", "しゅうかん"}},
            {{"生活", "せいかつ"}},
            {{"必要", "ひつよう"}},
            {{"将来", "しょうらい"}},
            {{"文化", "ぶんか"}},
            {{"社会", "しゃかい"}},
            {{"環境", "かんきょう"}},
            {{"関係", "かんけい"}},
            {{"連絡", "れんらく"}},
            {{"相談", "そうだん"}},
            {{"参加", "さんか"}},
            {{"意見", "いけん"}},
            {{"予定", "よてい"}, {"を", nullptr}, {"確認", "かくにん"}, {"します", nullptr}},
            {{"明日", "あした"}, {"の", nullptr}, {"準備", "じゅんび"}, {"をします", nullptr}},
            {{"友達", "ともだち"}, {"に", nullptr}, {"連絡", "れんらく"}, {"します", nullptr}},
            {{"毎日", "まいにち"}, {"の", nullptr}, {"習慣", "しゅうかん"}, {"を", nullptr}, {"大切", "たいせつ"}, {"にします", nullptr}},
            {{"電車", "でんしゃ"}, {"の", nullptr}, {"時間", "じかん"}, {"を", nullptr}, {"調", "しら"}, {"べます", nullptr}},
            {{"会議", "かいぎ"}, {"で", nullptr}, {"意見", "いけん"}, {"を", nullptr}, {"伝", "つた"}, {"えます", nullptr}},
            {{"新", "あたら"}, {"しい", nullptr}, {"経験", "けいけん"}, {"をしました", nullptr}},
            {{"環境", "かんきょう"}, {"について", nullptr}, {"考", "かんが"}, {"えます", nullptr}},
            {{"将来", "しょうらい"}, {"の", nullptr}, {"夢", "ゆめ"}, {"を", nullptr}, {"話", "はな"}, {"します", nullptr}},
            {{"健康", "けんこう"}, {"のために", nullptr}, {"運動", "うんどう"}, {"します", nullptr}},
        },
        // round 6
        {
            {{"一期一会", "いちごいちえ"}},
            {{"一石二鳥", "いっせきにちょう"}},
            {{"温故知新", "おんこちしん"}},
            {{"試行錯誤", "しこうさくご"}},
            {{"切磋琢磨", "せっさたくま"}},
            {{"臨機応変", "りんきおうへん"}},
            {{"以心伝心", "いしんでんしん"}},
            {{"十人十色", "じゅうにんといろ"}},
            {{"自給自足", "じきゅうじそく"}},
            {{"創意工夫", "そういくふう"}},
            {{"情報処理", "じょうほうしょり"}},
            {{"国際交流", "こくさいこうりゅう"}},
            {{"環境保護", "かんきょうほご"}},
            {{"責任感", "せきにんかん"}},
            {{"意思決定", "いしけってい"}},
            {{"明日", "あした"}, {"は", nullptr}, {"9", nullptr}, {"時", "じ"}, {"に", nullptr}, {"駅前", "えきまえ"}, {"で", nullptr}, {"集合", "しゅうごう"}, {"してください。", nullptr}},
            {{"今日", "きょう"}, {"の", nullptr}, {"会議", "かいぎ"}, {"は", nullptr}, {"10:30", nullptr}, {"からです。", nullptr}},
            {{"2026", nullptr}, {"年", "ねん"}, {"の", nullptr}, {"目標", "もくひょう"}, {"を", nullptr}, {"手帳", "てちょう"}, {"に", nullptr}, {"書", "か"}, {"きました。", nullptr}},
            {{"毎日", "まいにち"}, {"30", nullptr}, {"分", "ぷん"}, {"ずつ", nullptr}, {"練習", "れんしゅう"}, {"すると、", nullptr}, {"少", "すこ"}, {"しずつ", nullptr}, {"上達", "じょうたつ"}, {"します。", nullptr}},
            {{"図書館", "としょかん"}, {"で", nullptr}, {"借", "か"}, {"りた", nullptr}, {"本", "ほん"}, {"を", nullptr}, {"3", nullptr}, {"冊", "さつ"}, {"とも", nullptr}, {"読", "よ"}, {"みました。", nullptr}},
            {{"失敗", "しっぱい"}, {"しても、", nullptr}, {"試行錯誤", "しこうさくご"}, {"を", nullptr}, {"続", "つづ"}, {"けましょう。", nullptr}},
            {{"一人一人", "ひとりひとり"}, {"の", nullptr}, {"意見", "いけん"}, {"を", nullptr}, {"尊重", "そんちょう"}, {"することが", nullptr}, {"大切", "たいせつ"}, {"です。", nullptr}},
            {{"予定", "よてい"}, {"が", nullptr}, {"変", "か"}, {"わったら、", nullptr}, {"臨機応変", "りんきおうへん"}, {"に", nullptr}, {"対応", "たいおう"}, {"します。", nullptr}},
            {{"国際交流", "こくさいこうりゅう"}, {"を", nullptr}, {"通", "とお"}, {"して、", nullptr}, {"新", "あたら"}, {"しい", nullptr}, {"文化", "ぶんか"}, {"を", nullptr}, {"学", "まな"}, {"びます。", nullptr}},
            {{"商品", "しょうひん"}, {"の", nullptr}, {"値段", "ねだん"}, {"は", nullptr}, {"1,250", nullptr}, {"円", "えん"}, {"です。", nullptr}},
        },
    };
    // clang-format on
    Tables result;
    result.titles = titles;
    for (const auto& round : kanaRounds) {
      std::vector<JapanesePrompt> prompts;
      for (const char* word : round) prompts.push_back(JapanesePrompt::kana(word));
      result.rounds.push_back(std::move(prompts));
    }
    for (const auto& round : segmentRounds) {
      std::vector<JapanesePrompt> prompts;
      for (const auto& entry : round) prompts.push_back(makePrompt(entry));
      result.rounds.push_back(std::move(prompts));
    }
    return result;
  }();
  return built;
}

}  // namespace

const std::vector<std::string>& titles() {
  return tables().titles;
}

std::vector<JapanesePrompt> prompts(std::int64_t round) {
  const auto& rounds = tables().rounds;
  if (round < 1 || round > static_cast<std::int64_t>(rounds.size())) return {};
  return rounds[static_cast<std::size_t>(round - 1)];
}

bool showsReadingGuide(std::string_view mode, std::int64_t round) {
  if (mode == ExerciseMode::guidedRomaji) return true;
  return mode == ExerciseMode::romaji && round >= 4 && round <= 6;
}

}  // namespace tavro::MainRomajiCurriculum

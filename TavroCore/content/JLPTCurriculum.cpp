#include "TavroCore/content/JLPTCurriculum.h"

#include "Support/Text.h"
#include "TavroCore/content/MainRomajiCurriculum.h"
#include "TavroCore/input/Romaji.h"

#include <cstddef>
#include <set>

namespace tavro::JLPTCurriculum {

namespace {

// The stored texts of one level.
struct LevelTexts {
  const char* core;         // pairs
  const char* shortWords;   // kana words
  const char* advanced;     // pairs
  const char* sentences;    // pairs
  const char* round1Kana;   // kana, added to the base kana of round 1
  const char* round3Words;  // kana words, first in the round-3 pool
};

struct Tables {
  std::vector<std::string> titles;
  std::vector<LevelTexts> levels;  // in the order of JLPTLevels::allCases
  std::u32string round3Filter;     // voiced, semi-voiced and small kana
};

const Tables& tables() {
  static const Tables built = [] {
    Tables result;
    // clang-format off
    result.titles = {
        "Single Hiragana & Basic Vowels",
        "Short Vocabulary · Selected JLPT Level",
        "Dakuon, Sokuon & Yōon",
        "Core Kanji · Selected JLPT Level",
        "Compounds & Practical Phrases",
        "Sentences & Expressions · Selected JLPT Level",
    };
    result.levels = {
        // N5
        {
            "学校/がっこう|先生/せんせい|学生/がくせい|日本/にほん|電車/でんしゃ|駅/えき|山/やま|川/かわ|花/はな|雨/あめ|家族/かぞく|友達/ともだち|時間/じかん|会社/かいしゃ|仕事/しごと|天気/てんき|名前/なまえ|電話/でんわ|食事/しょくじ|買物/かいもの|本/ほん|毎日/まいにち|午前/ごぜん|午後/ごご|休み/やすみ",
            "あい|うみ|いえ|あめ|かさ|かお|そら|はな|やま|かわ|ねこ|いぬ|さくら|くるま|さかな|こころ|ひかり|となり|はやし|ちから|くすり|かたち|まくら|おと|みみ",
            "日本語/にほんご|小学校/しょうがっこう|外国人/がいこくじん|誕生日/たんじょうび|日曜日/にちようび|月曜日/げつようび|火曜日/かようび|水曜日/すいようび|木曜日/もくようび|金曜日/きんようび|土曜日/どようび|自転車/じてんしゃ|飛行機/ひこうき|地下鉄/ちかてつ|銀行/ぎんこう|毎朝/まいあさ|毎晩/まいばん|今週/こんしゅう|来週/らいしゅう|先週/せんしゅう",
            "今日は学校へ行きます。/きょうはがっこうへいきます。|毎朝7時に起きます。/まいあさ7じにおきます。|友達と本を読みます。/ともだちとほんをよみます。|駅で電車を待ちます。/えきででんしゃをまちます。|水を2本買いました。/みずを2ほんかいました。|日曜日に映画を見ます。/にちようびにえいがをみます。|日本語を勉強します。/にほんごをべんきょうします。|明日は雨です。/あしたはあめです。",
            "",
            "きって|きゃく|しゃしん|がっこう",
        },
        // N4
        {
            "予定/よてい|約束/やくそく|準備/じゅんび|説明/せつめい|経験/けいけん|習慣/しゅうかん|生活/せいかつ|必要/ひつよう|将来/しょうらい|文化/ぶんか|社会/しゃかい|連絡/れんらく|相談/そうだん|参加/さんか|意見/いけん|注意/ちゅうい|安全/あんぜん|住所/じゅうしょ|交通/こうつう|教育/きょういく|予約/よやく|運動/うんどう|病院/びょういん|図書館/としょかん|料理/りょうり",
            "よてい|よやく|いけん|ぶんか|しゃかい|ちゅうい|さんか|じゅんび|けいけん|せいかつ|あんぜん|れんらく|そうだん|うんどう|りょうり",
            "図書館/としょかん|美術館/びじゅつかん|展覧会/てんらんかい|運転手/うんてんしゅ|駐車場/ちゅうしゃじょう|入学式/にゅうがくしき|卒業式/そつぎょうしき|留学生/りゅうがくせい|正月/しょうがつ|受付/うけつけ|会議室/かいぎしつ|授業料/じゅぎょうりょう|教科書/きょうかしょ|研究室/けんきゅうしつ|水泳/すいえい|柔道/じゅうどう|地理/ちり|歴史/れきし|数学/すうがく|文学/ぶんがく",
            "明日の予定を確認してください。/あしたのよていをかくにんしてください。|旅行の前に予約をしておきます。/りょこうのまえによやくをしておきます。|図書館で本を3冊借りました。/としょかんでほんを3さつかりました。|会議は10:30から始まります。/かいぎは10:30からはじまります。|毎日運動するようにしています。/まいにちうんどうするようにしています。|電車に乗り遅れてしまいました。/でんしゃにのりおくれてしまいました。|料理を作ることができます。/りょうりをつくることができます。|雨が降ったら、家で勉強します。/あめがふったら、いえでべんきょうします。",
            "が|じ|ず|で|ば|ぱ",
            "しゅっせき|しゅっぱつ|りっぱ|じゅんび",
        },
        // N3
        {
            "環境/かんきょう|関係/かんけい|原因/げんいん|結果/けっか|努力/どりょく|責任/せきにん|影響/えいきょう|判断/はんだん|条件/じょうけん|目標/もくひょう|成長/せいちょう|成功/せいこう|失敗/しっぱい|協力/きょうりょく|情報/じょうほう|状況/じょうきょう|能力/のうりょく|知識/ちしき|技術/ぎじゅつ|資源/しげん|節約/せつやく|管理/かんり|変更/へんこう|改善/かいぜん|比較/ひかく",
            "げんいん|けっか|どりょく|せきにん|じょうけん|もくひょう|ちしき|ぎじゅつ|しげん|かんり|へんこう|かいぜん|ひかく|せいこう|しっぱい",
            "環境保護/かんきょうほご|情報交換/じょうほうこうかん|国際交流/こくさいこうりゅう|交通機関/こうつうきかん|健康管理/けんこうかんり|目標達成/もくひょうたっせい|社会生活/しゃかいせいかつ|経済成長/けいざいせいちょう|技術開発/ぎじゅつかいはつ|意見交換/いけんこうかん|安全確認/あんぜんかくにん|自然環境/しぜんかんきょう|共通点/きょうつうてん|責任感/せきにんかん|積極的/せっきょくてき|消極的/しょうきょくてき|具体例/ぐたいれい|可能性/かのうせい|重要性/じゅうようせい|専門家/せんもんか",
            "環境を守るために、資源を大切に使います。/かんきょうをまもるために、しげんをたいせつにつかいます。|失敗を通して、多くのことを学びました。/しっぱいをとおして、おおくのことをまなびました。|目標を達成するには、毎日の努力が必要です。/もくひょうをたっせいするには、まいにちのどりょくがひつようです。|状況に応じて、予定を変更します。/じょうきょうにおうじて、よていをへんこうします。|会議では、全員で意見を交換しました。/かいぎでは、ぜんいんでいけんをこうかんしました。|健康管理のため、1日30分歩いています。/けんこうかんりのため、1にち30ぷんあるいています。|急がば回れ。/いそがばまわれ。|七転び八起き。/ななころびやおき。",
            "ぎ|ぜ|ぞ|ぶ|ぴ|ぷ",
            "はっぴょう|きょうりょく|じっこう|じょうきょう",
        },
        // N2
        {
            "貢献/こうけん|評価/ひょうか|需要/じゅよう|供給/きょうきゅう|傾向/けいこう|矛盾/むじゅん|根拠/こんきょ|制度/せいど|政策/せいさく|分析/ぶんせき|適応/てきおう|維持/いじ|促進/そくしん|普及/ふきゅう|認識/にんしき|具体/ぐたい|抽象/ちゅうしょう|効率/こうりつ|消費/しょうひ|収益/しゅうえき|実績/じっせき|交渉/こうしょう|調整/ちょうせい|対策/たいさく|課題/かだい",
            "じゅよう|きょうきゅう|けいこう|むじゅん|こんきょ|せいど|せいさく|いじ|ふきゅう|ぐたい|こうりつ|しょうひ|こうしょう|ちょうせい|かだい",
            "需要予測/じゅようよそく|供給不足/きょうきゅうぶそく|制度改革/せいどかいかく|政策評価/せいさくひょうか|効率改善/こうりつかいぜん|費用対効果/ひようたいこうか|市場分析/しじょうぶんせき|人材育成/じんざいいくせい|相互理解/そうごりかい|地域振興/ちいきしんこう|持続可能/じぞくかのう|資源配分/しげんはいぶん|情報共有/じょうほうきょうゆう|品質管理/ひんしつかんり|業務改善/ぎょうむかいぜん|経費削減/けいひさくげん|長期計画/ちょうきけいかく|意思決定/いしけってい|利害関係/りがいかんけい|環境対策/かんきょうたいさく",
            "需要の変化に伴い、供給計画を見直す必要がある。/じゅようのへんかにともない、きょうきゅうけいかくをみなおすひつようがある。|制度の改革に当たっては、十分な議論が欠かせない。/せいどのかいかくにあたっては、じゅうぶんなぎろんがかかせない。|調査の結果に基づいて、対策を検討する。/ちょうさのけっかにもとづいて、たいさくをけんとうする。|費用が高いからといって、品質が良いとは限らない。/ひようがたかいからといって、ひんしつがよいとはかぎらない。|効率を重視する一方で、安全性にも配慮する。/こうりつをじゅうしするいっぽうで、あんぜんせいにもはいりょする。|2026年の実績を踏まえ、長期計画を策定する。/2026ねんのじっせきをふまえ、ちょうきけいかくをさくていする。|臨機応変/りんきおうへん|切磋琢磨/せっさたくま",
            "ぢ|づ|び|ぺ|ぼ|ぽ",
            "せっきょくてき|しゅっしょう|ぎょうせき|じっせき",
        },
        // N1
        {
            "概念/がいねん|洞察/どうさつ|妥当/だとう|顕著/けんちょ|緻密/ちみつ|寛容/かんよう|懸念/けねん|是正/ぜせい|推移/すいい|均衡/きんこう|脆弱/ぜいじゃく|恣意/しい|逸脱/いつだつ|踏襲/とうしゅう|模索/もさく|示唆/しさ|帰結/きけつ|遂行/すいこう|網羅/もうら|綿密/めんみつ|措置/そち|規範/きはん|真摯/しんし|享受/きょうじゅ|柔軟/じゅうなん",
            "がいねん|どうさつ|だとう|けんちょ|ちみつ|かんよう|けねん|ぜせい|すいい|きんこう|ぜいじゃく|しい|いつだつ|もさく|しさ",
            "概念形成/がいねんけいせい|洞察力/どうさつりょく|妥当性/だとうせい|論理的帰結/ろんりてききけつ|均衡状態/きんこうじょうたい|規範意識/きはんいしき|恣意的解釈/しいてきかいしゃく|構造的矛盾/こうぞうてきむじゅん|抜本的改革/ばっぽんてきかいかく|措置の妥当性/そちのだとうせい|綿密な検証/めんみつなけんしょう|顕著な傾向/けんちょなけいこう|柔軟な対応/じゅうなんなたいおう|真摯な姿勢/しんしなしせい|既成概念/きせいがいねん|試行錯誤/しこうさくご|多岐にわたる/たきにわたる|脆弱な基盤/ぜいじゃくなきばん|網羅的分析/もうらてきぶんせき|一貫性/いっかんせい",
            "制度を踏襲するにしても、その妥当性は検証すべきだ。/せいどをとうしゅうするにしても、そのだとうせいはけんしょうすべきだ。|恣意的な解釈を排し、客観的な根拠に即して判断する。/しいてきなかいしゃくをはいし、きゃっかんてきなこんきょにそくしてはんだんする。|顕著な成果の陰には、綿密な準備と不断の努力がある。/けんちょなせいかのかげには、めんみつなじゅんびとふだんのどりょくがある。|懸念を払拭すべく、抜本的な是正措置を講じた。/けねんをふっしょくすべく、ばっぽんてきなぜせいそちをこうじた。|計画の変更を余儀なくされても、柔軟な対応を模索する。/けいかくのへんこうをよぎなくされても、じゅうなんなたいおうをもさくする。|2026年の推移を網羅的に分析し、論理的帰結を導く。/2026ねんのすいいをもうらてきにぶんせきし、ろんりてききけつをみちびく。|不易流行/ふえきりゅうこう|換骨奪胎/かんこつだったい",
            "ぢ|づ|ぎ|ぜ|ぴ|ぽ",
            "きっこう|きょうじゅ|ばっぽん|けんちょ",
        },
    };
    result.round3Filter = U"がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽっゃゅょ";
    // clang-format on
    return result;
  }();
  return built;
}

const LevelTexts& texts(JLPTLevel level) {
  const auto& levels = tables().levels;
  const auto index = static_cast<std::size_t>(level);
  // A value outside the enumeration reads as the default level.
  return index < levels.size() ? levels[index] : levels.front();
}

// The non-empty pieces of `text` between "|" separators.
std::vector<std::string_view> entries(std::string_view text) {
  std::vector<std::string_view> pieces = text::split(text, '|');
  std::erase_if(pieces, [](std::string_view piece) { return piece.empty(); });
  return pieces;
}

// A pair list: each entry is display/reading, split at its first slash. An
// entry without a slash is shown and read as itself.
std::vector<JapanesePrompt> pairs(std::string_view text) {
  std::vector<JapanesePrompt> prompts;
  for (std::string_view entry : entries(text)) {
    const std::size_t slash = entry.find('/');
    if (slash == std::string_view::npos) {
      prompts.emplace_back(std::string(entry), std::string(entry));
    } else {
      prompts.emplace_back(std::string(entry.substr(0, slash)),
                           std::string(entry.substr(slash + 1)));
    }
  }
  return prompts;
}

// A kana list: each entry is a word of one segment per character.
std::vector<JapanesePrompt> kana(std::string_view text) {
  std::vector<JapanesePrompt> prompts;
  for (std::string_view entry : entries(text)) prompts.push_back(JapanesePrompt::kana(entry));
  return prompts;
}

void append(std::vector<JapanesePrompt>& to, std::vector<JapanesePrompt> more) {
  to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

std::vector<JapanesePrompt> weakRound(const LevelTexts& level, std::string_view weakKeys) {
  std::vector<JapanesePrompt> pool = pairs(level.core);
  append(pool, pairs(level.advanced));
  append(pool, kana(level.shortWords));
  const std::vector<std::string> keys = text::graphemes(weakKeys);
  std::vector<JapanesePrompt> kept;
  if (!keys.empty()) {
    for (const JapanesePrompt& prompt : pool) {
      const std::vector<std::string> spellings = Romaji::spellings(prompt.reading());
      if (spellings.empty()) continue;
      const std::vector<std::string> romaji = text::graphemes(spellings.front());
      const std::set<std::string> characters(romaji.begin(), romaji.end());
      for (const std::string& key : keys) {
        if (characters.count(key) != 0) {
          kept.push_back(prompt);
          break;
        }
      }
    }
  }
  return kept.empty() ? pool : kept;
}

}  // namespace

const std::vector<std::string>& titles() {
  return tables().titles;
}

std::vector<JapanesePrompt> core(JLPTLevel level) {
  return pairs(texts(level).core);
}

bool usesLevel(std::string_view mode, std::int64_t round) {
  // The two ways of typing the JLPT rounds; every one of their seven rounds
  // is built from the level's lists.
  return (mode == "romaji" || mode == "kana") && round >= 1 && round <= 7;
}

std::vector<JapanesePrompt> prompts(JLPTLevel level, std::int64_t round,
                                    std::string_view weakKeys) {
  const LevelTexts& lists = texts(level);
  switch (round) {
    case 1: {
      // The base kana are round 1 of the main curriculum.
      std::vector<JapanesePrompt> result = MainRomajiCurriculum::prompts(1);
      append(result, kana(lists.round1Kana));
      return result;
    }
    case 2:
      return kana(lists.shortWords);
    case 3: {
      std::vector<JapanesePrompt> pool = kana(lists.round3Words);
      append(pool, kana(lists.shortWords));
      append(pool, pairs(lists.core));
      std::vector<JapanesePrompt> kept;
      for (JapanesePrompt& prompt : pool) {
        if (prompt.readingContainsAny(tables().round3Filter)) kept.push_back(std::move(prompt));
      }
      return kept;
    }
    case 4:
      return pairs(lists.core);
    case 5: {
      std::vector<JapanesePrompt> result = pairs(lists.advanced);
      std::vector<JapanesePrompt> sentences = pairs(lists.sentences);
      if (sentences.size() > 5) sentences.resize(5);
      append(result, std::move(sentences));
      return result;
    }
    case 6:
      return pairs(lists.sentences);
    case 7:
      return weakRound(lists, weakKeys);
    default:
      return {};
  }
}

}  // namespace tavro::JLPTCurriculum

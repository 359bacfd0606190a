#include "TavroDesktop/DesktopStrings.h"

#include "Support/StringIndex.h"
#include "TavroCore/settings/UIStrings.h"
#include "TavroHost/HostMessage.h"
#include "TavroHost/HostStrings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>

#include <vector>

namespace tavro::desktop {
namespace {

struct Translation {
  std::string_view english;
  std::string_view japanese;
};

// The window's own texts, as its tr() calls write them.
// clang-format off
constexpr Translation rows[] = {
  {"&Tavro", "Tavro(&T)"},
  {"&Home", "ホーム(&H)"},
  {"&Quit", "終了(&Q)"},
  {"&Settings", "設定(&S)"},
  {"&Progress", "進捗(&P)"},
  {"Tavro — Progress", "Tavro — 進捗"},
  {"Median speed (%1) and accuracy, last %2 days", "速度の中央値（%1）と正確率・過去 %2 日"},
  {"No rounds in the last %1 days.", "過去 %1 日間に練習したラウンドはありません。"},
  {"Tavro — Settings", "Tavro — 設定"},
  {"Rounds", "ラウンド"},
  {"Start", "開始"},
  {"Tavro — Round %1", "Tavro — ラウンド %1"},
  {"Tavro — Results", "Tavro — 結果"},
  {"Speed %1   Accuracy %2%   Word %3/25", "速度 %1   正確率 %2%   問題 %3/25"},
  {"Next key: %1 · %2", "次のキー：%1 · %2"},
  {"Next: %1", "次：%1"},
  {"   (%1 is not next)", "   （%1 は次のキーではありません）"},
  {"Round complete", "ラウンド完了"},
  {"Speed %1 · Accuracy %2% · Keys %3 right, %4 missed", "速度 %1 · 正確率 %2% · 正しいキー %3、ミス %4"},
  {"Top 5", "トップ5"},
  {"Weakest keys, all rounds: %1", "苦手なキー（全ラウンド）：%1"},
  {"Next: round %1 (%2)", "次は ラウンド %1（%2）"},
  {"Enter next round · A again · P progress · H or Esc home", "Enter 次のラウンド · A もう一度 · P 進捗 · H または Esc ホーム"},
  {"Could not save the preference: %1", "設定を保存できませんでした：%1"},
  {"Keys per minute", "打鍵/分"},
  {"Words per minute (WPM)", "語/分（WPM）"},
  {"Show the keyboard while practising", "練習中にキーボードを表示する"},
  {"Show the romanized line under the prompt (%1)", "問題の下にローマ字の行を表示する（%1）"},
  {"English prompts have no romanized line", "英語の問題にはローマ字の行がありません"},
  {"Your &own text", "自分の文章(&O)"},
  {"Tavro — Your own text", "Tavro — 自分の文章"},
  {"Tavro — Setup", "Tavro — 初期設定"},
  {"&Account", "アカウント(&A)"},
  {"Tavro — Account", "Tavro — アカウント"},
  {"Choose Generate reading again to replace the reading you have with a generated one.", "もう一度「読みを生成」を選ぶと、今の読みを生成した読みに置き換えます。"},
  {"Ready: {1} practice items.", "準備ができました：練習項目は {1} 個です。"},
  {"Ready: 1 practice item.", "準備ができました：練習項目は 1 個です。"},
  {"Pick the colours. System keeps your desktop's own.", "色を選んでください。「システム」はデスクトップの色をそのまま使います。"},
  {"Signed in, Sync Now keeps them in your account too. You can sign in later, from the account page.", "サインインすると、「今すぐ同期」でアカウントにも保存できます。サインインはあとでアカウントのページからできます。"},
  {"Sign in later: Finish starts practising.", "サインインはあとで：「完了」で練習を始めます。"},
  {"Next", "次へ"},
  {"Finish", "完了"},
  {"Sign in with the browser", "ブラウザでサインイン"},
  {"Sign in on the account page in your browser; the browser then hands the sign-in back to this window.", "ブラウザのアカウントページでサインインしてください。サインインはブラウザからこのウィンドウに戻されます。"},
  {"The sign-in page, should the browser not open (good for 10 minutes):", "ブラウザが開かない場合のサインインページ（10分間有効）："},
  {"Or paste a session token (64 characters 0-9 a-f) or the address the browser was sent to:", "または、セッショントークン（0-9 と a-f の64文字）か、ブラウザの移動先アドレスを貼り付けてください："},
  {"Sign in", "サインイン"},
  {"Sign out", "サインアウト"},
  {"Keep this computer's scores out of your account, or add them to it? Sync Now waits for your answer.", "このコンピューターの成績をあなたのアカウントに入れずにおきますか、それとも追加しますか？「今すぐ同期」は回答を待っています。"},
  {"Keep them out", "入れない"},
  {"Add them", "追加する"},
  {"{1}: {2}", "{1}：{2}"},
  {"Backups (no account needed)", "バックアップ（アカウント不要）"},
  {"Export…", "書き出す…"},
  {"Import…", "読み込む…"},
  {"Export the scores", "成績を書き出す"},
  {"Import a backup", "バックアップを読み込む"},
  {"Tavro backups (*.json);;All files (*)", "Tavro のバックアップ (*.json);;すべてのファイル (*)"},
  {"The session token is kept in the system's keyring.", "セッショントークンはシステムのキーリングに保存しています。"},
  {"No Secret Service answered, so the session token is kept in {1}, readable by you alone.", "Secret Service が応答しないため、セッショントークンは {1} に保存しています（あなただけが読めます）。"},
  {"The session token of {1} is missing or unreadable; sign in again.", "{1} のセッショントークンが見つからないか読み込めません。もう一度サインインしてください。"},
  {"No browser sign-in is waiting for this address; choose Sign in with the browser and try again.", "このアドレスを待っているブラウザでのサインインはありません。「ブラウザでサインイン」を選んでからもう一度お試しください。"},
  {"The browser could not be opened; open the sign-in page below yourself.", "ブラウザを開けませんでした。下のサインインページをご自分で開いてください。"},
};
// clang-format on

bool& english() {
  static bool value = true;
  return value;
}

}  // namespace

std::optional<std::string_view> japaneseText(std::string_view text) {
  if (std::optional<std::string_view> core = UIStrings::translation(text)) return core;
  if (std::optional<std::string_view> shared = HostStrings::translation(text)) return shared;
  static const std::vector<Translation> table(std::begin(rows), std::end(rows));
  static const StringIndex byEnglish(table, &Translation::english, &Translation::japanese);
  return byEnglish.find(text);
}

void useEnglishInterface(bool wanted) {
  static TableTranslator* translator = nullptr;
  english() = wanted;
  if (QCoreApplication::instance() == nullptr) return;
  if (!wanted && translator == nullptr) {
    translator = new TableTranslator(QCoreApplication::instance());
    QCoreApplication::installTranslator(translator);
  } else if (wanted && translator != nullptr) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
    translator = nullptr;
  }
}

void useInterfaceFont() {
  if (QFontDatabase::families().contains("Noto Sans CJK JP"))
    QApplication::setFont(QFont("Noto Sans CJK JP", QApplication::font().pointSize()));
}

bool englishInterface() {
  return english();
}

QString say(std::string_view text, std::initializer_list<std::string> values) {
  std::string_view shown = text;
  if (!english()) shown = japaneseText(text).value_or(text);
  return QString::fromStdString(fillPlaceholders(shown, std::vector<std::string>(values)));
}

QString say(const HostMessage& message) {
  return QString::fromStdString(message.text(translated));
}

std::string translated(std::string_view text) {
  if (english()) return std::string(text);
  return std::string(japaneseText(text).value_or(text));
}

QString TableTranslator::translate(const char*, const char* sourceText, const char*, int) const {
  if (sourceText == nullptr) return {};
  std::optional<std::string_view> found = japaneseText(sourceText);
  if (!found) return {};
  return QString::fromUtf8(found->data(), static_cast<qsizetype>(found->size()));
}

}  // namespace tavro::desktop

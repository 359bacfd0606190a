#include "TavroHost/HostStrings.h"

#include "Support/StringIndex.h"

namespace tavro::HostStrings {
namespace {

// clang-format off
constexpr Translation rows[] = {
  {"Tavro · touch typing", "Tavro · タッチタイピング"},
  {"Input", "入力方法"},
  {"Layout", "配列"},
  {"JIS (Japanese)", "JIS（日本語）"},
  {"Guided romaji", "ガイド付きローマ字"},
  {"Standard", "標準"},
  {"Romanized", "ローマ字キー"},
  {"Devanagari (direct)", "デーヴァナーガリー（直接入力）"},
  {"System layout (direct)", "システムの配列（直接入力）"},
  {"Weak-key drill", "苦手キードリル"},
  {"The drill needs keys you have missed: practise a round first.", "ドリルにはミスしたキーが必要です。先にラウンドを練習してください。"},
  {"Could not save the preference: {1}", "設定を保存できませんでした：{1}"},
  {"This round has no prompts.", "このラウンドには問題がありません。"},
  {"Scores are not saved this session: the archive on disk could not be read.", "ディスク上の記録を読み込めなかったため、今回の成績は保存されません。"},
  {"Could not save the scores: {1}. They are kept until the next save.", "成績を保存できませんでした（{1}）。次に保存するまで保持します。"},
  {"Speed", "速度"},
  {"Romaji guide", "ローマ字ガイド"},
  {"space", "スペース"},
  {"none missed", "ミスなし"},
  {"Progress", "進捗"},
  {"Median speed ({1}) and accuracy, last {2} days", "速度の中央値（{1}）と正確率・過去 {2} 日"},
  {"keys/min", "打鍵/分"},
  {"median", "中央値"},
  {"No rounds in the last {1} days.", "過去 {1} 日間に練習したラウンドはありません。"},
  {"Accuracy by key", "キーごとの正確率"},
  {"under 85%", "85% 未満"},
  {"85% to 95%", "85〜95%"},
  {"95% and over", "95% 以上"},
  {"not typed yet", "未入力"},
  {"Weakest keys", "苦手なキー"},
  {"new", "今回"},
  {"Language (interface)", "表示言語"},
  {"This round was not kept: {1}", "このラウンドは保存していません：{1}"},
  {"The score archive {1} is damaged ({2}).", "成績の記録 {1} は壊れています（{2}）。"},
  {"The score archive was damaged ({2}). It was kept as {1} and a new archive was started.", "成績の記録が壊れていました（{2}）。{1} として残し、新しい記録を始めました。"},
  {"attempt {1} of {2}: {3}", "{2} 件中 {1} 件目の記録：{3}"},
  {"its mode is longer than {1} bytes", "モードが {1} バイトを超えています"},
  {"\"{1}\" is missing", "「{1}」がありません"},
  {"\"{1}\" is not a valid id", "「{1}」が正しい ID ではありません"},
  {"\"{1}\" is empty (null)", "「{1}」が空（null）です"},
  {"\"{1}\" holds the wrong kind of value", "「{1}」の値の種類が違います"},
  {"its text of {1} bytes is cut short or garbled: it is not complete JSON", "{1} バイトの内容が途中で切れているか壊れています（完全な JSON ではありません）"},
  {"larger than {1} MiB", "{1} MiB を超えています"},
  {"This archive would have more attempts than a backup may hold ({1}; at most {2}).", "記録の件数がバックアップに入る上限を超えてしまいます（{1} 件。上限は {2} 件）。"},
  {"Cannot read the score archive {1} ({2}). It is left as it is; scores of this session are not saved.", "成績の記録 {1} を読み込めません（{2}）。ファイルはそのままにし、今回の成績は保存されません。"},
  {"the file is empty", "ファイルが空です"},
  {"the file holds no score archive", "ファイルに成績の記録がありません"},
  {"a value has the wrong form", "値の形式が正しくありません"},
  {"This archive would take {1} bytes on disk, more than the {2} bytes the tutor reads back.", "記録がディスク上で {1} バイトになり、Tavro が読み込める {2} バイトを超えてしまいます。"},
  {"Cannot read {1} ({2}), which tells whose scores are whose. It is left as it is; Sync Now and imports are off this session.", "どの成績がどのアカウントのものかを記した {1} を読み込めません（{2}）。そのままにしてあります。今回は同期と読み込みを使えません。"},
  {"The record of whose scores are whose was damaged ({1}). It was kept as {2}; the next account to sync is asked whether this computer's scores are theirs.", "どの成績がどのアカウントのものかを記したファイルが壊れていました（{1}）。{2} として残しました。次に同期するアカウントには、このコンピュータの成績をそのアカウントに入れるかどうかを確認します。"},
  {"left pinky finger", "小指（左）"},
  {"left ring finger", "薬指（左）"},
  {"left middle finger", "中指（左）"},
  {"left index finger", "人差指（左）"},
  {"right index finger", "人差指（右）"},
  {"right middle finger", "中指（右）"},
  {"right ring finger", "薬指（右）"},
  {"right pinky finger", "小指（右）"},
  {"thumb", "親指"},
  {"best", "最高"},
  {"Hepburn (shi, tsu, ja)", "ヘボン式（shi, tsu, ja）"},
  {"Kunrei (si, tu, zya)", "訓令式（si, tu, zya）"},
  {"Fewest keys", "打鍵数が最少"},
  {"Next: round {1} ({2}): start here.", "次は ラウンド {1}（{2}）：ここから始めましょう。"},
  {"Next: the weak-key drill: {1} is right only {2} of the time.", "次は 苦手キードリル：{1} の正確率は {2} です。"},
  {"Next: round {1} ({2}): not taken yet.", "次は ラウンド {1}（{2}）：まだ練習していません。"},
  {"Next: round {1} ({2}): its best, {3}, is under your median, {4}.", "次は ラウンド {1}（{2}）：最高 {3} が中央値 {4} に届いていません。"},
  {"Next: round {1} ({2}): your slowest best, {3}.", "次は ラウンド {1}（{2}）：最高記録がいちばん遅いラウンドです（{3}）。"},
  {"{1} keys/min", "{1} 打鍵/分"},
  {"{1} WPM", "{1} 語/分"},
  {"Could not work out the days: {1}", "日付を計算できませんでした：{1}"},
  {"accuracy", "正確率"},
};
// clang-format on

}  // namespace

const std::vector<Translation>& japanese() {
  static const std::vector<Translation> table(std::begin(rows), std::end(rows));
  return table;
}

std::optional<std::string_view> translation(std::string_view english) {
  static const StringIndex byEnglish(japanese(), &Translation::english, &Translation::japanese);
  return byEnglish.find(english);
}

}  // namespace tavro::HostStrings

// String table texts, both languages side by side.
#include "downloader/core/strings.h"

#include <cstdlib>

namespace quillget {
namespace {

struct Entry {
  int number;
  const char* english;
  const char* japanese;
};

constexpr Entry kTable[] = {
    {110, "quillget version info.(&A)...", "quillget のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    {200, "Quillon Downloader", "Quillonダウンローダー"},
    {210, "Download file URL", "ダウンロードファイルURL"},
    {212, "Local file name", "ローカルファイル名"},
    {213, "Size (bytes)", "サイズ（バイト）"},
    {214, "Status", "状況"},
    {215, "Try", "試用"},
    {220, "Finished", "済"},
    {222, "Under DL", "DL中"},
    {223, "*", "*"},
    {230, "Download data files.", "データファイルをダウンロードします。"},
    {231, "Disk availability", "ディスク空き容量"},
    {232, "Number of downloaded files / Number of total files", "ダウンロード済みファイル数 / 合計ファイル数"},
    {233, "Size of downloaded files / Size of total file", "ダウンロード済みファイルサイズ / 合計ファイルサイズ"},
    {235, "Transfer rate / Elapsed time / The presumption remainder time", "転送速度 / 経過時間 / 推定残り時間"},
    {241, "%s bytes", "%s バイト"},
    {242, "%s files / %s files", "%s ファイル / %s ファイル"},
    {243, "%s bytes / %s bytes", "%s バイト / %s バイト"},
    {245, "%s Mbps / %s:%s:%s / %s:%s:%s", "%s Mbps / %s:%s:%s / %s:%s:%s"},
    {250, "Download", "ダウンロード"},
    {251, "Stop", "中止"},
    {252, "Close", "閉じる"},
    {253, "Help", "ヘルプ"},
    {254, "Finish", "完了"},
    {261, "It was canceled.", "キャンセルされました。"},
    {262, "Under processing. Please wait.", "処理中です。しばらくお待ち下さい。"},
    {263, "Download was completed.", "ダウンロードが完了しました。"},
    {801, "Resources are insufficient.", "リソースが不足しています。"},
    {802, "There is no execution file.", "実行ファイルがありません。"},
    {803, "There is no download definition file.", "ダウンロード定義ファイルがありません。"},
    {804, "Can't open the file.", "ファイルを開けません。"},
    {805, "Invalid definition file.", "有効な定義ファイルではありません。"},
    {815, "Can't securable the memory.", "メモリを確保することができません。"},
    {816, "File size isn't right.", "ファイルサイズが正しくありません。"},
    {817, "Disk availability is insufficient.", "ディスクの空き容量が不足しています。"},
    {819, "It is invalid URL.", "有効なURLではありません。"},
    {820, "Can't create the thread.", "スレッドを生成できません。"},
    {821, "Can't execute the file.", "ファイルを起動できません。"},
    {822, "Can't download the file.", "ファイルをダウンロードできません。"},
};

}  // namespace

Language LanguageFromTag(std::string_view tag) {
  return tag.size() >= 2 && (tag[0] | 0x20) == 'j' && (tag[1] | 0x20) == 'a' ? Language::Japanese : Language::English;
}

Language LanguageFromEnvironment() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return LanguageFromTag(value);
  }
  return Language::English;
}

std::string_view Strings::Text(int number) const {
  for (const auto& e : kTable)
    if (e.number == number) return language_ == Language::Japanese ? e.japanese : e.english;
  return {};
}

std::string FillIn(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string out;
  auto arg = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
      if (arg != args.end()) out += *arg++;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace quillget

#include "player/backend/modal/box_run.h"

#include <system_error>

namespace mavlet {

DialogAnswer RunDialogBox(DialogBox& box, DialogScreen& screen, GlyphSource& glyphs, std::string_view face,
                          const std::function<bool(DialogBox&)>& accept) {
  DialogStyle style;
  style.face = std::string(face);
  Surface backdrop = screen.Backdrop();
  style.font_size = DialogStyle::FontSizeFor(backdrop.height());
  box.Layout(glyphs, style, backdrop.width(), backdrop.height());
  Surface frame = backdrop;
  box.Draw(frame, glyphs);
  screen.Present(frame);
  for (;;) {
    const DialogEvent e = screen.WaitEvent();
    if (e.kind == DialogEvent::Kind::kResize) {
      backdrop = screen.Backdrop();
      style.font_size = DialogStyle::FontSizeFor(backdrop.height());
      box.Layout(glyphs, style, backdrop.width(), backdrop.height());
    }
    bool changed = box.Handle(e);
    if (box.Answer() == DialogAnswer::kOk && accept && !accept(box)) changed = true;
    if (std::optional<DialogAnswer> answer = box.Answer()) return *answer;
    if (changed) {
      frame = backdrop;
      box.Draw(frame, glyphs);
      screen.Present(frame);
    }
  }
}

std::string MakeFolder(const std::filesystem::path& folder) {
  if (folder.empty()) return "フォルダを入力してください";
  if (!folder.is_absolute()) return "フォルダは / で始まる絶対パスで入力してください";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (std::filesystem::is_directory(folder, ec)) return {};
  return "フォルダを作成できません (" + (ec ? ec.message() : std::string("not a folder")) + ")";
}

FolderAnswer AskFolderInBox(DialogScreen& screen, GlyphSource& glyphs, std::string_view face, std::string_view caption,
                            std::string_view prompt, const std::filesystem::path& suggestion) {
  DialogBox box(std::string(caption), std::string(prompt), DialogBox::Buttons::kOkCancel, suggestion.string());
  FolderAnswer result;
  result.answer = RunDialogBox(box, screen, glyphs, face, [&](DialogBox& b) {
    const std::filesystem::path folder(b.FieldText());
    std::string why = MakeFolder(folder);
    if (why.empty()) {
      result.folder = folder;
      return true;
    }
    b.Refuse(std::move(why));
    return false;
  });
  if (result.answer != DialogAnswer::kOk) result.folder.clear();
  return result;
}

}  // namespace mavlet

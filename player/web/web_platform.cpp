#include "player/web/web_platform.h"

#include <SDL.h>

#include <fstream>
#include <system_error>

#include "player/backend/font_table.h"
#include "player/backend/fonts/table_face_locator.h"
#include "player/backend/title_manifest.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/vars/font_list.h"
#include "player/web/web_glue.h"

namespace mavlet::web {
namespace {

namespace fs = std::filesystem;

PosixFileServices::Options BrowserFileOptions() {
  PosixFileServices::Options o;
  o.mounts_file = "";  // no data discs in a browser
  o.temp_folder = "/tmp";
  return o;
}

// The table's faces, each file fetched before the rasteriser opens it. A file that cannot be
// fetched draws its text empty (reported once on err).
class FetchingFaceLocator : public FaceLocator {
 public:
  FetchingFaceLocator(TableFaceLocator table, PendingFiles& files, std::ostream& err)
      : table_(std::move(table)), files_(files), err_(err) {}
  std::optional<LocatedFace> Locate(std::string_view face_utf8) override {
    std::optional<LocatedFace> face = table_.Locate(face_utf8);
    if (!face) return face;
    try {
      files_.Ensure(face->file);
    } catch (const MavError& e) {
      err_ << "mavlet: font " << e.what() << '\n';
      return std::nullopt;
    }
    return face;
  }
  std::vector<std::string> FaceNames() override { return table_.FaceNames(); }

 private:
  TableFaceLocator table_;
  PendingFiles& files_;
  std::ostream& err_;
};

// The content's glyphs, shared with the in-window boxes (not owned).
class SharedGlyphs : public GlyphSource {
 public:
  explicit SharedGlyphs(GlyphSource& glyphs) : glyphs_(glyphs) {}
  const GlyphImage& Glyph(std::string_view face, int size, bool bold, char32_t ch) override {
    return glyphs_.Glyph(face, size, bold, ch);
  }
  std::vector<std::string> FaceNames() override { return glyphs_.FaceNames(); }

 private:
  GlyphSource& glyphs_;
};

}  // namespace

FaceLocatorFactory SiteFaces(PendingFiles& fonts, std::ostream& err) {
  return [&fonts, &err]() -> std::unique_ptr<FaceLocator> {
    try {
      const std::string text = FetchText("fonts/fonts.txt");
      FontTable table = ParseFontTable(text, "fonts/fonts.txt");
      std::vector<const FontFace*> faces;
      for (const auto& named : table.faces) faces.push_back(&named.second);
      if (table.fallback) faces.push_back(&*table.fallback);
      for (const FontFace* face : faces) {
        const fs::path file = kFontFolder / face->file;
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        if (!fs::exists(file)) std::ofstream(file, std::ios::binary);
        if (fs::file_size(file, ec) == 0) fonts.Add(file, "fonts/" + UrlPath(face->file), std::nullopt);
      }
      return std::make_unique<FetchingFaceLocator>(TableFaceLocator(std::move(table), kFontFolder.string()), fonts,
                                                   err);
    } catch (const MavError& e) {
      err << "mavlet: no fonts: " << e.what() << '\n';
      return nullptr;
    }
  };
}

void WebDisplay::ApplyFullScreen(bool on) { PageFullScreen(on); }

WebContent::WebContent(std::ostream& err)
    : posix_(BrowserFileOptions()),
      title_files_(FetchToFile),
      fetched_(posix_, title_files_),
      font_files_(FetchToFile),
      glyphs_(SiteFaces(font_files_, err)) {}

void WebContent::LoadManifest() {
  const std::string text = FetchText("title.txt");
  const TitleManifest manifest = ParseTitleManifest(text, "title.txt");
  title_files_.AddManifest(manifest, kTitleFolder, "title/");
  if (manifest.prefetch) title_files_.EnsureAll();
}

void WebDialogs::ShowMessage(std::string_view caption, std::string_view text) {
  err_ << caption << ": " << text << '\n';
  boxes_.ShowMessage(caption, text);
}

bool WebDialogs::AskOkCancel(std::string_view caption, std::string_view text) {
  err_ << caption << ": " << text << '\n';
  return boxes_.AskOkCancel(caption, text);
}

std::optional<fs::path> WebDialogs::AskFolder(std::string_view prompt, const fs::path& suggestion) {
  const fs::path folder = save_folder_.empty() ? suggestion : save_folder_;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    err_ << prompt << ": " << folder.string() << ": the folder cannot be made (" << ec.message() << ")\n";
    return std::nullopt;
  }
  return folder;
}

fs::path SaveFolderForKey(std::string_view key_utf8) {
  // The desktop's rule names the folders; only its base differs.
  const fs::path desktop = DefaultSaveFolder(std::string("/"), std::nullopt, key_utf8.empty() ? "untitled" : key_utf8);
  return kPersistFolder / "saves" / desktop.lexically_relative("/mavlet/saves");
}

WebPlatform::WebPlatform(WebContent& content, mavlet::Log& log, std::ostream& err)
    : content_(content),
      log_(log),
      boxes_(&err),
      dialogs_(boxes_, err),
      settings_(kPersistFolder / "registry.ini", &log) {
  // Exact pixels without a GPU: the software renderer hands the canvas the frame as it is; the
  // page scales the canvas by whole multiples.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  SdlWindowOptions window;
  window.window_scale = 1;
  window.vsync = false;
  display_ = std::make_unique<WebDisplay>(window);
  input_ = std::make_unique<WebInputState>(*display_);
  boxes_.SetDisplay(display_.get());
  boxes_.SetGlyphs([&content] { return std::make_unique<SharedGlyphs>(content.Glyphs()); }, kDefaultFontName);
  joysticks_ = std::make_unique<SdlJoystickPort>();
}

}  // namespace mavlet::web

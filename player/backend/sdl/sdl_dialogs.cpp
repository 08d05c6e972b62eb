#include "player/backend/sdl/sdl_dialogs.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "player/backend/modal/box_run.h"
#include "player/backend/sdl/sdl_display.h"

namespace mavlet {
namespace {

// A close request among the queued events (left in the queue for the frame loop): a quit event
// (SDL turns SIGTERM and SIGINT into one) or the game window's close button.
bool ClosePending(std::uint32_t window_id) {
  SDL_PumpEvents();
  if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0) return true;
  SDL_Event events[64];
  const int n = SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
  for (int i = 0; i < n; ++i) {
    if (events[i].window.event == SDL_WINDOWEVENT_CLOSE && (window_id == 0 || events[i].window.windowID == window_id))
      return true;
  }
  return false;
}

// The game window as the in-window box sees it: its pixels as the backdrop, SDL's events as
// the box's events (mouse positions in the window's output pixels), a texture to show frames.
class SdlBoxScreen : public DialogScreen {
 public:
  SdlBoxScreen(SdlDisplay& display, bool text_field)
      : display_(display), renderer_(SDL_GetRenderer(display.Window())), window_id_(display.WindowId()) {
    text_was_on_ = SDL_IsTextInputActive() == SDL_TRUE;
    if (text_field && !text_was_on_) SDL_StartTextInput();
  }
  ~SdlBoxScreen() override {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (SDL_IsTextInputActive() == SDL_TRUE && !text_was_on_) SDL_StopTextInput();
    display_.Redraw();
  }
  SdlBoxScreen(const SdlBoxScreen&) = delete;
  SdlBoxScreen& operator=(const SdlBoxScreen&) = delete;

  Surface Backdrop() override {
    int w = 0, h = 0;
    std::vector<std::uint32_t> pixels = display_.CaptureWindow(w, h);
    if (w <= 0 || h <= 0) {
      if (renderer_ == nullptr || SDL_GetRendererOutputSize(renderer_, &w, &h) != 0 || w <= 0 || h <= 0)
        w = 640, h = 480;
      pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    }
    Surface s(PixelFormat::Xrgb8888(), w, h);
    if (std::optional<LockedPixels> px = s.Lock()) {
      for (int y = 0; y < h; ++y)
        std::memcpy(px->bits + static_cast<std::ptrdiff_t>(y) * px->pitch,
                    pixels.data() + static_cast<std::size_t>(y) * w, static_cast<std::size_t>(w) * 4);
      s.Unlock();
    }
    return s;
  }

  void Present(const Surface& frame) override {
    if (renderer_ == nullptr) return;
    if (texture_ == nullptr || frame.width() != texture_w_ || frame.height() != texture_h_) {
      if (texture_ != nullptr) SDL_DestroyTexture(texture_);
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, frame.width(),
                                   frame.height());
      texture_w_ = frame.width();
      texture_h_ = frame.height();
    }
    if (texture_ == nullptr) return;
    SDL_UpdateTexture(texture_, nullptr, frame.data(), static_cast<int>(frame.pitch()));
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
  }

  DialogEvent WaitEvent() override {
    for (;;) {
      SDL_Event e;
      // Woken by any event; the time-out only bounds how late a signal's quit event is seen.
      if (SDL_WaitEventTimeout(&e, 100) == 0) continue;
      if (std::optional<DialogEvent> d = Translate(e)) return *d;
    }
  }

 private:
  Point ToPixels(int x, int y) const {
    int ww = 0, wh = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(display_.Window(), &ww, &wh);
    if (renderer_ == nullptr || SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0 || ww <= 0 || wh <= 0)
      return Point{x, y};
    return Point{static_cast<int>(static_cast<std::int64_t>(x) * ow / ww),
                 static_cast<int>(static_cast<std::int64_t>(y) * oh / wh)};
  }

  std::optional<DialogEvent> Translate(const SDL_Event& e) const {
    using K = DialogEvent::Key;
    DialogEvent d;
    switch (e.type) {
      case SDL_QUIT:
        d.kind = DialogEvent::Kind::kClose;
        return d;
      case SDL_WINDOWEVENT:
        if (e.window.windowID != window_id_) return std::nullopt;
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          d.kind = DialogEvent::Kind::kClose;
          return d;
        }
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            e.window.event == SDL_WINDOWEVENT_RESTORED) {
          d.kind = DialogEvent::Kind::kResize;
          return d;
        }
        return std::nullopt;
      case SDL_TEXTINPUT:
        d.kind = DialogEvent::Kind::kText;
        d.text = e.text.text;
        return d;
      case SDL_KEYDOWN:
        switch (e.key.keysym.sym) {
          case SDLK_RETURN:
          case SDLK_KP_ENTER:
            d.key = K::kReturn;
            break;
          case SDLK_ESCAPE:
            d.key = K::kEscape;
            break;
          case SDLK_TAB:
            d.key = (e.key.keysym.mod & KMOD_SHIFT) != 0 ? K::kBackTab : K::kTab;
            break;
          case SDLK_LEFT:
            d.key = K::kLeft;
            break;
          case SDLK_RIGHT:
            d.key = K::kRight;
            break;
          case SDLK_UP:
            d.key = K::kUp;
            break;
          case SDLK_DOWN:
            d.key = K::kDown;
            break;
          case SDLK_HOME:
            d.key = K::kHome;
            break;
          case SDLK_END:
            d.key = K::kEnd;
            break;
          case SDLK_BACKSPACE:
            d.key = K::kBackspace;
            break;
          case SDLK_DELETE:
            d.key = K::kDelete;
            break;
          default:
            return std::nullopt;
        }
        return d;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT || e.button.windowID != window_id_) return std::nullopt;
        d.kind = e.type == SDL_MOUSEBUTTONDOWN ? DialogEvent::Kind::kMouseDown : DialogEvent::Kind::kMouseUp;
        d.at = ToPixels(e.button.x, e.button.y);
        return d;
      case SDL_MOUSEMOTION:
        if (e.motion.windowID != window_id_) return std::nullopt;
        d.kind = DialogEvent::Kind::kMouseMove;
        d.at = ToPixels(e.motion.x, e.motion.y);
        return d;
      default:
        return std::nullopt;
    }
  }

  SdlDisplay& display_;
  SDL_Renderer* renderer_;
  std::uint32_t window_id_;
  SDL_Texture* texture_ = nullptr;
  int texture_w_ = 0;
  int texture_h_ = 0;
  bool text_was_on_ = false;
};

}  // namespace

SdlDialogs::~SdlDialogs() = default;

void SdlDialogs::SetGlyphs(std::function<std::unique_ptr<GlyphSource>()> make, std::string face) {
  make_glyphs_ = std::move(make);
  face_ = std::move(face);
  glyphs_.reset();
}

GlyphSource* SdlDialogs::Glyphs() {
  if (display_ == nullptr) return nullptr;
  if (!glyphs_ && make_glyphs_) glyphs_ = make_glyphs_();
  return glyphs_.get();
}

void SdlDialogs::MarkClosed() {
  if (closed_) return;
  closed_ = true;
  // The box took the close request out of the queue: the frame loop gets it back.
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

std::optional<DesktopDialogProgram> SdlDialogs::DesktopProgram() const {
  if (search_path_) return FindDesktopDialog(*search_path_);
  // Without a desktop the programs cannot show anything (and would only fail slowly).
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) return std::nullopt;
  const char* path = std::getenv("PATH");
  return FindDesktopDialog(SplitSearchPath(path != nullptr ? path : ""));
}

ChildRun SdlDialogs::RunProgram(const std::vector<std::string>& argv) {
  const std::uint32_t window = display_ != nullptr ? display_->WindowId() : 0;
  ChildRun r = RunDesktopDialog(argv, [window] { return ClosePending(window); });
  // The close request stays queued for the frame loop.
  if (r.outcome == ChildRun::Outcome::kClosed) closed_ = true;
  return r;
}

void SdlDialogs::ShowMessage(std::string_view caption, std::string_view text) {
  if (!closed_) {
    if (std::optional<DesktopDialogProgram> p = DesktopProgram()) {
      if (RunProgram(MessageArgv(*p, false, caption, text)).outcome == ChildRun::Outcome::kExited || closed_) return;
    }
    if (GlyphSource* glyphs = Glyphs()) {
      DialogBox box{std::string(caption), std::string(text), DialogBox::Buttons::kOk};
      SdlBoxScreen screen(*display_, false);
      if (RunDialogBox(box, screen, *glyphs, face_) == DialogAnswer::kClosed) MarkClosed();
      return;
    }
  }
  if (err_)
    *err_ << caption << ": " << text << (closed_ ? " (not shown: the player is closing)\n" : " (no message box)\n");
}

bool SdlDialogs::AskOkCancel(std::string_view caption, std::string_view text) {
  if (!closed_) {
    if (std::optional<DesktopDialogProgram> p = DesktopProgram()) {
      const ChildRun r = RunProgram(MessageArgv(*p, true, caption, text));
      if (closed_) return false;
      if (r.outcome == ChildRun::Outcome::kExited && (r.status == 0 || r.status == 1)) return r.status == 0;
    }
    if (GlyphSource* glyphs = Glyphs()) {
      DialogBox box{std::string(caption), std::string(text), DialogBox::Buttons::kOkCancel};
      SdlBoxScreen screen(*display_, false);
      const DialogAnswer a = RunDialogBox(box, screen, *glyphs, face_);
      if (a == DialogAnswer::kClosed) MarkClosed();
      return a == DialogAnswer::kOk;
    }
  }
  // Nobody can answer: the cautious answer.
  if (err_) *err_ << caption << ": " << text << " (no way to ask; cancelled)\n";
  return false;
}

std::vector<std::string> SdlDialogs::FolderChooserCommand(std::string_view prompt,
                                                          const std::filesystem::path& start) const {
  if (std::optional<DesktopDialogProgram> p = DesktopProgram()) return FolderArgv(*p, prompt, start);
  return {};
}

std::optional<std::filesystem::path> SdlDialogs::AskFolder(std::string_view prompt,
                                                           const std::filesystem::path& suggestion) {
  const std::filesystem::path start = fallback_folder_.empty() ? suggestion : fallback_folder_;
  if (closed_) return std::nullopt;
  if (std::optional<DesktopDialogProgram> p = DesktopProgram()) {
    std::error_code ec;
    std::filesystem::create_directories(start, ec);  // so that the chooser can open it
    ChildRun r = RunProgram(FolderArgv(*p, prompt, start));
    if (closed_) return std::nullopt;
    if (r.outcome == ChildRun::Outcome::kExited && r.status == 0) {
      while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
      const std::filesystem::path chosen(r.out);
      if (MakeFolder(chosen).empty()) return chosen;
    }
    if (r.outcome == ChildRun::Outcome::kExited && r.status == 1) return std::nullopt;  // the user cancelled
    // Anything else (no display for it, a crash, a folder that cannot be made): ask below.
  }
  if (GlyphSource* glyphs = Glyphs()) {
    SdlBoxScreen screen(*display_, true);
    const FolderAnswer a = AskFolderInBox(screen, *glyphs, face_, "Mavlet", prompt, start);
    if (a.answer == DialogAnswer::kClosed) MarkClosed();
    if (a.answer != DialogAnswer::kOk) return std::nullopt;
    return a.folder;
  }
  if (err_) *err_ << prompt << ": " << start.string() << " (no way to ask; cancelled)\n";
  return std::nullopt;
}

bool BoxesCanBeSeen(const char* video_driver) {
  if (video_driver == nullptr) return false;
  const std::string_view d(video_driver);
  return d != "offscreen" && d != "dummy";
}

std::filesystem::path DefaultSaveFolder(std::optional<std::string> xdg_data_home, std::optional<std::string> home,
                                        std::string_view key_utf8) {
  std::filesystem::path base;
  if (xdg_data_home && !xdg_data_home->empty() && std::filesystem::path(*xdg_data_home).is_absolute())
    base = *xdg_data_home;
  else if (home && !home->empty())
    base = std::filesystem::path(*home) / ".local" / "share";
  else
    return {};
  std::filesystem::path folder = base / "mavlet" / "saves";
  // Keep only plain names: no empty parts, no "." or "..", so the key cannot leave the folder.
  std::string_view key = key_utf8;
  bool first = true;
  while (!key.empty()) {
    const std::size_t sep = key.find_first_of("\\/");
    std::string part(key.substr(0, sep));
    key = sep == std::string_view::npos ? std::string_view() : key.substr(sep + 1);
    const bool is_software = first && (part == "Software" || part == "SOFTWARE" || part == "software");
    first = false;
    if (part.empty() || part == "." || part == ".." || is_software) continue;
    for (char& c : part) {
      if (c == ':' || static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    folder /= part;
  }
  return folder;
}

}  // namespace mavlet

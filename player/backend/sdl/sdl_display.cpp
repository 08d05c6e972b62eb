#include "player/backend/sdl/sdl_display.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <array>
#include <fstream>

#include "player/common/error.h"

namespace mavlet {
namespace {

// Client size of the window before a title sets the game size.
constexpr int kDesignWidth = 568;
constexpr int kDesignHeight = 377;
// Room left on the desktop for the window frame and panels when choosing the scale.
constexpr int kFrameAllowanceX = 16;
constexpr int kFrameAllowanceY = 64;

Uint32 TextureFormat(int bits) {
  switch (bits) {
    case 16: return SDL_PIXELFORMAT_RGB565;
    case 24: return SDL_PIXELFORMAT_BGR24;  // bytes B, G, R
    default: return SDL_PIXELFORMAT_RGB888;  // 0x00RRGGBB little-endian
  }
}

// Hot spot of a Windows cursor file (type 2 icon directory); (0, 0) for anything else.
SDL_Point CursorHotSpot(const std::filesystem::path& file) {
  std::array<unsigned char, 22> h{};
  std::ifstream in(file, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(h.data()), h.size())) return {0, 0};
  auto u16 = [&](std::size_t at) { return h[at] | (h[at + 1] << 8); };
  if (u16(0) != 0 || u16(2) != 2 || u16(4) < 1) return {0, 0};
  return {u16(10), u16(12)};
}

std::string SdlErrorText(const char* what) { return std::string(what) + ": " + SDL_GetError(); }

// True when a window of that size at the remembered place could be reached on a display now.
bool PlaceReachable(const WindowPlacement& place, const WindowSize& size) {
  std::vector<DesktopRect> displays;
  const int count = SDL_GetNumVideoDisplays();
  for (int i = 0; i < count; ++i) {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(i, &r) == 0) displays.push_back(DesktopRect{r.x, r.y, r.w, r.h});
  }
  return WindowReachable(DesktopRect{place.x, place.y, size.width, size.height}, displays);
}

}  // namespace

SdlDisplay::SdlDisplay(const SdlWindowOptions& options) : options_(options) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) throw MavError(SdlErrorText("cannot start the video system"));
  video_started_ = true;
  SetSize(kDesignWidth, kDesignHeight);
  Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
  flags |= options_.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
  window_ = SDL_CreateWindow("Mavlet", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kDesignWidth,
                             kDesignHeight, flags);
  if (!window_) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw MavError(SdlErrorText("cannot open the window"));
  }
  Uint32 renderer_flags = SDL_RENDERER_ACCELERATED | (options_.vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
  renderer_ = SDL_CreateRenderer(window_, -1, renderer_flags);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) {
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw MavError(SdlErrorText("cannot draw in the window"));
  }
  if (!options_.hidden) {
    // Take the keyboard: without a window manager nobody else hands the new window the focus,
    // and the player reads no input while it is not the active window.
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
  }
  Redraw();
}

std::uint32_t SdlDisplay::WindowId() const { return SDL_GetWindowID(window_); }

SdlDisplay::~SdlDisplay() {
  Finalize();
  ReleaseTexture();
  ReleaseCursor();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  if (video_started_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlDisplay::ReleaseTexture() {
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
}

void SdlDisplay::ReleaseCursor() {
  if (!cursor_) return;
  SDL_SetCursor(SDL_GetDefaultCursor());
  SDL_FreeCursor(cursor_);
  cursor_ = nullptr;
}

WindowSize SdlDisplay::AutomaticSize() const {
  SDL_Rect usable{0, 0, 0, 0};
  const int index = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetDisplayUsableBounds(index < 0 ? 0 : index, &usable) != 0) return WindowSize{Width(), Height()};
  // Output pixels per 100 window points: above 100 on a high-density screen.
  int points_w = 0, points_h = 0, pixels_w = 0, pixels_h = 0;
  SDL_GetWindowSize(window_, &points_w, &points_h);
  SDL_GetRendererOutputSize(renderer_, &pixels_w, &pixels_h);
  const int density = points_w > 0 ? static_cast<int>(static_cast<std::int64_t>(pixels_w) * 100 / points_w) : 100;
  return AutomaticWindowSize(usable.w - kFrameAllowanceX, usable.h - kFrameAllowanceY, density, Width(), Height());
}

void SdlDisplay::ResizeWindowToGame() {
  if (FullScreen()) return;
  WindowSize size = AutomaticSize();
  if (options_.window_scale > 0) {
    size = WindowSize{Width() * options_.window_scale, Height() * options_.window_scale};
  } else if (wanted_placement_) {
    // The remembered scale, no larger than the automatic one (the desktop may have shrunk).
    const int largest = std::max(1, size.width / std::max(Width(), 1));
    const int scale = std::clamp(wanted_placement_->scale, 1, largest);
    size = WindowSize{Width() * scale, Height() * scale};
  }
  SDL_SetWindowMinimumSize(window_, Width(), Height());
  SDL_SetWindowSize(window_, size.width, size.height);
  if (wanted_placement_ && PlaceReachable(*wanted_placement_, size)) {
    SDL_SetWindowPosition(window_, wanted_placement_->x, wanted_placement_->y);
  } else {
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}

void SdlDisplay::SetPlacement(const WindowPlacement& placement) { wanted_placement_ = placement; }

std::optional<WindowPlacement> SdlDisplay::Placement() const {
  if (FullScreen() || Width() <= 0 || sized_width_ == 0) return std::nullopt;
  WindowPlacement p;
  int w = 0, h = 0;
  SDL_GetWindowPosition(window_, &p.x, &p.y);
  // The window system places the frame where the picture's corner was asked for: keep the
  // frame's corner, or the window creeps by its title bar on every start.
  int top = 0, left = 0;
  if (SDL_GetWindowBordersSize(window_, &top, &left, nullptr, nullptr) == 0) {
    p.x -= left;
    p.y -= top;
  }
  SDL_GetWindowSize(window_, &w, &h);
  p.scale = std::max(1, (w + Width() / 2) / Width());
  return p;
}

bool SdlDisplay::Visible() const {
  // A window kept hidden on purpose (tests) still draws into its texture.
  if (options_.hidden) return true;
  return (SDL_GetWindowFlags(window_) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == 0;
}

void SdlDisplay::OnSurfacesCreated() {
  ReleaseTexture();
  texture_ = SDL_CreateTexture(renderer_, TextureFormat(BitCount()), SDL_TEXTUREACCESS_STREAMING, Width(),
                               Height());
  if (!texture_) throw MavError(SdlErrorText("cannot create the screen texture"));
  SDL_SetTextureScaleMode(texture_, options_.linear_filter ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  // Only a new game size moves the window; re-initialising at the same size keeps it put.
  if (sized_width_ != Width() || sized_height_ != Height()) {
    ResizeWindowToGame();
    sized_width_ = Width();
    sized_height_ = Height();
  }
  Upload(Rect{0, 0, Width(), Height()});
}

void SdlDisplay::OnSurfacesReleased() { ReleaseTexture(); }

Viewport SdlDisplay::CurrentViewport() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return FitViewport(w, h, Width(), Height());
}

Point SdlDisplay::WindowToGame(int window_x, int window_y) const {
  if (!texture_) return Point{-1, -1};
  return mavlet::WindowToGame(CurrentViewport(), Width(), Height(), window_x, window_y);
}

void SdlDisplay::Upload(const Rect& rect) {
  if (texture_ && !rect.IsEmpty()) {
    const Surface& s = VisibleSurface();
    const SDL_Rect r{rect.left, rect.top, rect.Width(), rect.Height()};
    const std::uint8_t* pixels =
        s.data() + static_cast<std::size_t>(rect.top) * s.pitch() +
        static_cast<std::size_t>(rect.left) * static_cast<std::size_t>(s.format().BytesPerPixel());
    SDL_UpdateTexture(texture_, &r, pixels, static_cast<int>(s.pitch()));
  }
  Redraw();
}

std::vector<std::uint32_t> SdlDisplay::CaptureWindow(int& width, int& height) {
  width = height = 0;
  SDL_GetRendererOutputSize(renderer_, &width, &height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0));
  // Drawn afresh: the contents of a presented back buffer are undefined.
  RenderPicture();
  if (pixels.empty() ||
      SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(), width * 4) != 0) {
    width = height = 0;
    pixels.clear();
  }
  SDL_RenderPresent(renderer_);
  for (std::uint32_t& p : pixels) p &= 0x00FFFFFFu;
  return pixels;
}

SdlDisplay::WindowRequest SdlDisplay::OnWindowEvent(const SDL_Event& event) {
  if (event.type != SDL_WINDOWEVENT || event.window.windowID != WindowId()) return WindowRequest::kNone;
  switch (event.window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESTORED:
      Redraw();
      return WindowRequest::kNone;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      return WindowRequest::kActivate;
    case SDL_WINDOWEVENT_CLOSE:
      return WindowRequest::kClose;
    default:
      return WindowRequest::kNone;
  }
}

void SdlDisplay::Redraw() {
  RenderPicture();
  SDL_RenderPresent(renderer_);
}

void SdlDisplay::RenderPicture() {
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (texture_) {
    // Drawing works in output pixels, which differ from window coordinates on high-DPI screens.
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(renderer_, &ow, &oh);
    const Viewport v = FitViewport(ow, oh, Width(), Height());
    const SDL_Rect dst{v.x, v.y, v.width, v.height};
    SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
  }
}

void SdlDisplay::ApplyFullScreen(bool on) {
  // Desktop full screen: the desktop mode stays, the picture is scaled into it.
  SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  if (!on) ResizeWindowToGame();
  Redraw();
}

int SdlDisplay::DesktopBitCount() const {
  SDL_DisplayMode mode;
  int index = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &mode) != 0) return 32;
  // Bytes, not colour bits: a 0x00RRGGBB desktop counts as the 32-bit depth.
  const int bits = SDL_BYTESPERPIXEL(mode.format) * 8;
  return bits == 16 || bits == 24 || bits == 32 ? bits : 32;
}

void SdlDisplay::SetCaption(std::string_view utf8) {
  Display::SetCaption(utf8);
  SDL_SetWindowTitle(window_, Caption().c_str());
}

bool SdlDisplay::SetCursorFile(const std::optional<std::filesystem::path>& file) {
  ReleaseCursor();
  if (!file) return true;
  SDL_Surface* picture = IMG_Load(file->c_str());
  if (!picture) return false;
  const SDL_Point hot = CursorHotSpot(*file);
  cursor_ = SDL_CreateColorCursor(picture, std::clamp(hot.x, 0, picture->w - 1), std::clamp(hot.y, 0, picture->h - 1));
  SDL_FreeSurface(picture);
  // A video driver without cursors (offscreen) keeps its default one; the file itself was fine.
  if (cursor_) SDL_SetCursor(cursor_);
  return true;
}

void SdlDisplay::PumpMessages() { SDL_PumpEvents(); }

bool SdlDisplay::CloseRequested() {
  if (Display::CloseRequested()) return true;
  // SIGTERM and the last window's close arrive as SDL_QUIT; this window's own close as a window
  // event (the debug window may still be open). Only peeked: the main loop takes them.
  if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0) RequestClose();
  SDL_Event events[32];
  const int n = SDL_PeepEvents(events, 32, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
  for (int i = 0; i < n; ++i)
    if (events[i].window.event == SDL_WINDOWEVENT_CLOSE && events[i].window.windowID == WindowId()) RequestClose();
  return Display::CloseRequested();
}

bool SdlDisplay::SetIconFile(const std::filesystem::path& file) {
  SDL_Surface* icon = IMG_Load(file.c_str());
  if (!icon) return false;
  SDL_SetWindowIcon(window_, icon);
  SDL_FreeSurface(icon);
  return true;
}

void SdlDisplay::MoveMouse(Point game_point) {
  const Viewport v = CurrentViewport();
  if (v.width <= 0 || Width() <= 0 || Height() <= 0) return;
  // Centre of the game pixel in window coordinates.
  const int x = v.x + static_cast<int>((static_cast<std::int64_t>(game_point.x) * 2 + 1) * v.width / (2 * Width()));
  const int y = v.y + static_cast<int>((static_cast<std::int64_t>(game_point.y) * 2 + 1) * v.height / (2 * Height()));
  SDL_WarpMouseInWindow(window_, x, y);
}

}  // namespace mavlet

#include "player/display/game_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "player/common/ascii_case.h"
#include "player/common/random.h"
#include "player/common/rounding.h"
#include "player/common/sjis_text.h"
#include "player/display/layer_services.h"
#include "player/display/picture_cache.h"
#include "player/storage/game_status.h"

namespace mavlet {
namespace {

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kKeyBits = 0xFFFFFF;

// Colour key of a loaded picture: its bottom-left pixel.
void KeyFromBottomLeft(Surface& s) {
  s.SetColourKey(s.height() > 0 ? (s.RawPixel(0, s.height() - 1) & kKeyBits) : kNoColourKey);
}

std::uint8_t MaskByte(const Bitmap& mask, std::int32_t x, std::int32_t y) {
  // Where the mask has no pixel the picture counts as opaque, as MaskedBlend draws it.
  if (x >= mask.width() || y >= mask.height()) return 0;
  if (mask.layout() == Bitmap::Layout::kIndexed8) return mask.Row(y)[x];
  return static_cast<std::uint8_t>(mask.PixelRgb(x, y) & 0xFF);
}

}  // namespace

TGameSurface::TGameSurface(LayerServices& owner) : TCustomGameSurface(owner) {
  attachments_.reserve(kAttachmentCount);
  for (int k = 0; k < kAttachmentCount; ++k) attachments_.push_back(std::make_unique<TAttach>(*this));
}

TGameSurface::~TGameSurface() = default;

std::int32_t TGameSurface::GetWidth() const {
  if (fill_) return fill_width_;
  return frames_.empty() ? 0 : frames_.front()->width();
}

std::int32_t TGameSurface::GetHeight() const {
  if (fill_) return fill_height_;
  return frames_.empty() ? 0 : frames_.front()->height();
}

const TGameDxSurface* TGameSurface::Frame(int i) const {
  if (i < 0 || i >= GetFrameCount()) return nullptr;
  return frames_[static_cast<std::size_t>(i)].get();
}

TAttach* TGameSurface::GetAttachment(int k) {
  if (k < 0 || k >= kAttachmentCount) return nullptr;
  return attachments_[static_cast<std::size_t>(k)].get();
}

void TGameSurface::SetSrc(std::string_view name) {
  if (EqualsIgnoreAsciiCase(name, src_) && frame_index_ == 0 && !fill_ && !HasMask()) return;
  src_ = std::string(name);
  frame_index_ = 0;
  fill_ = false;
  Reload();
}

void TGameSurface::SetEffect(int effect) {
  effect_ = static_cast<std::uint8_t>(effect & 0xFF);
  wave_phase_ = 0;
  // Falling drops finish their way; the chosen weather (again) brings new ones.
  if (rain_) rain_->SetStopping(true);
  if (snow_) snow_->SetStopping(true);
  std::unique_ptr<TWeatherOverlay>* chosen = effect_ == kRain ? &rain_ : effect_ == kSnow ? &snow_ : nullptr;
  if (chosen != nullptr) {
    if (!*chosen) *chosen = MakeWeatherOverlay(effect_, Owner().Random());
    (*chosen)->SetStopping(false);
  }
}

int TGameSurface::GetEffect() const {
  if (effect_ != kNone) return effect_;
  if (rain_) return kRain;
  if (snow_) return kSnow;
  return kNone;
}

void TGameSurface::StepWeather(Surface& target) {
  for (std::unique_ptr<TWeatherOverlay>* w : {&rain_, &snow_}) {
    if (*w && (*w)->Step(target, target.width())) w->reset();
  }
}

void TGameSurface::SetFill(bool on) {
  fill_ = on;
  src_.clear();
  if (on) frames_.clear();
}

void TGameSurface::SetBright(std::int32_t bright) {
  if (bright == bright_) return;
  bright_ = bright;
  Reload();
}

std::optional<std::filesystem::path> TGameSurface::FindPicture(std::string_view name, DiscSearch discs) const {
  FileServices* files = Owner().Files();
  if (files == nullptr || name.empty()) return std::nullopt;
  return FindPictureFile(*files, Owner().BasePath(), name, discs);
}

std::optional<std::filesystem::path> TGameSurface::FindMask() const {
  if (src_.empty() || !IsSinglePictureName(src_)) return std::nullopt;
  const auto picture = FindPicture(src_, DiscSearch::kFirstDiscOnly);
  if (!picture) return std::nullopt;
  return FindMaskFile(*Owner().Files(), *picture);
}

bool TGameSurface::HasMask() const {
  return mask_file_ && !src_.empty() && Owner().AntiAlias() && Owner().ScreenBits() > 8 &&
         Owner().LayerIndex(*this) != 0 && IsSinglePictureName(src_);
}

std::unique_ptr<TGameDxSurface> TGameSurface::MakeFrame(const Bitmap& bitmap, bool transparent) const {
  auto frame = std::make_unique<TGameDxSurface>(Owner().FrameFormat());
  frame->FrameTransparent = transparent;
  frame->LoadBitmap(bitmap);
  // The magnitude's low byte is the blend alpha; the key is read afterwards so it follows.
  const int alpha = static_cast<int>(std::llabs(static_cast<long long>(bright_)) & 0xFF);
  if (bright_ < 0) frame->BlendColour(frame->bounds(), 0, alpha);
  if (bright_ > 0) frame->BlendColour(frame->bounds(), kWhite, alpha);
  KeyFromBottomLeft(*frame);
  return frame;
}

void TGameSurface::Reload() {
  reload_on_transition_ = false;
  frames_.clear();
  mask_ = Bitmap();
  mask_file_ = false;
  const auto file = FindPicture(src_, DiscSearch::kEveryDisc);
  if (!file) {
    ComputeOpaqueRect();
    return;
  }
  TCacheList& cache = Owner().PictureCache();
  TCacheData* hit = cache.Find(src_);
  if (!IsSinglePictureName(src_)) {
    multi_frame_ = true;
    if (hit == nullptr) {
      std::vector<PictureFrame> decoded = LoadFrames(*file);
      std::vector<TCacheDIB> dibs;
      for (PictureFrame& f : decoded) {
        frames_.push_back(MakeFrame(f.bitmap, f.transparent));
        if (use_cache_) dibs.push_back(TCacheDIB{std::move(f.bitmap), f.transparent});
      }
      // Added only once the whole file decoded: a damaged file must not leave an empty entry.
      if (use_cache_) cache.Add(src_, std::move(dibs));
    } else {
      for (const TCacheDIB& dib : hit->dibs) frames_.push_back(MakeFrame(dib.bitmap, dib.FrameTransparent));
      if (use_cache_) cache.MoveToEnd(hit);
    }
  } else {
    multi_frame_ = false;
    Bitmap bitmap;
    if (hit != nullptr && !hit->dibs.empty()) {
      bitmap = hit->dibs.front().bitmap;
      if (use_cache_) cache.MoveToEnd(hit);
    } else {
      bitmap = LoadPicture(*file);
      if (use_cache_) {
        std::vector<TCacheDIB> dibs;
        dibs.push_back(TCacheDIB{bitmap, true});
        cache.Add(src_, std::move(dibs));
      }
    }
    const auto mask_file = FindMask();
    mask_file_ = mask_file.has_value();
    if (HasMask()) {
      mask_ = LoadPicture(*mask_file);
      if (mask_.bit_count() != 8) mask_.ConvertToGrey8();
    }
    frames_.push_back(MakeFrame(bitmap, true));
  }
  ComputeOpaqueRect();
  for (auto& a : attachments_) StampAttachment(*a);
}

void TGameSurface::ComputeOpaqueRect() {
  const std::int32_t w = frames_.empty() ? 0 : frames_.front()->width();
  const std::int32_t h = frames_.empty() ? 0 : frames_.front()->height();
  opaque_rect_ = Bounds(0, 0, w, h);
  if (!HasMask() || frames_.empty()) return;
  Rect r{w - 1, h - 1, 0, 0};
  bool top_found = false;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      if (MaskByte(mask_, x, y) < kOpaqueBelow) {
        if (!top_found) r.top = y;
        top_found = true;
        r.left = std::min(r.left, x);
        break;
      }
    }
  }
  bool bottom_found = false;
  for (std::int32_t y = h - 1; y >= 0; --y) {
    for (std::int32_t x = w - 1; x >= 0; --x) {
      if (MaskByte(mask_, x, y) < kOpaqueBelow) {
        if (!bottom_found) r.bottom = y + 1;
        bottom_found = true;
        r.right = std::max(r.right, x + 1);
        break;
      }
    }
  }
  opaque_rect_ = r;
}

Rect TGameSurface::GetBounds() const {
  if (fill_) return LayerRect();
  const std::int64_t x = X(), y = Y();
  return SaturatedRect(x + opaque_rect_.left, y + opaque_rect_.top, x + opaque_rect_.right, y + opaque_rect_.bottom);
}

void TGameSurface::StampAttachment(TAttach& a) {
  if (frames_.empty() || a.Src().empty()) return;
  Bitmap bitmap;
  if (a.IsTextSource()) {
    if (!a.Snapshot()) return;
    bitmap = *a.Snapshot();
  } else {
    const auto file = FindPicture(a.Src(), DiscSearch::kFirstDiscOnly);
    if (!file) return;
    bitmap = LoadPicture(*file);
  }
  Surface picture(Owner().FrameFormat());
  picture.LoadBitmap(bitmap);
  a.Width = picture.width();
  a.Height = picture.height();
  KeyFromBottomLeft(picture);
  Surface& first = *frames_.front();
  if (a.Alpha < 255)
    first.Blend(SaturatedBounds(a.X, a.Y, a.Width, a.Height), picture, picture.bounds(), a.Alpha, a.Transparent);
  else
    first.Copy(a.X, a.Y, picture, picture.bounds(), a.Transparent);
  opaque_rect_ = Bounds(0, 0, GetWidth(), GetHeight());
}

const TGameDxSurface* TGameSurface::CurrentFrame(bool& keyed) const {
  if (frames_.empty()) return nullptr;
  if (multi_frame_) {
    const TGameDxSurface* f = Frame(frame_index_);
    if (f != nullptr) keyed = f->FrameTransparent;
    return f;
  }
  keyed = Transparent();
  return frames_.front().get();
}

void TGameSurface::DrawFrame(Surface& target, std::int32_t x, std::int32_t y, const TGameDxSurface& frame,
                             bool keyed) {
  if (Alpha() < 255)
    target.Blend(SaturatedBounds(x, y, frame.width(), frame.height()), frame, frame.bounds(), Alpha(), keyed);
  else if (HasMask())
    target.MaskedBlend(x, y, frame, frame.bounds(), mask_);
  else
    target.Copy(x, y, frame, frame.bounds(), keyed);
}

void TGameSurface::DrawRipple(Surface& target, const TGameDxSurface& frame, bool keyed) {
  // Rows beyond the frame's width would only stretch nothing: copy what the frame has.
  const std::int32_t width = std::min(target.width(), frame.width());
  double f = wave_phase_ / 100.0;
  for (std::int32_t i = 0; i < target.height(); ++i) {
    const std::int32_t s = i + RoundNearest(10.0 * std::sin(f));
    if (s >= 0 && s < GetHeight() && width > 0) {
      if (Alpha() < 255)
        target.Blend(Bounds(0, i, width, 1), frame, Bounds(0, s, width, 1), Alpha(), keyed);
      else
        target.Copy(0, i, frame, Bounds(0, s, width, 1), keyed);
    }
    f += 0.03;
  }
  wave_phase_ -= 8;
  if (wave_phase_ < 0) wave_phase_ += 628;
}

void TGameSurface::Draw(Surface& target) {
  if (!Visible()) return;
  if (fill_) {
    if (fill_width_ <= 0 || fill_height_ <= 0) return;
    // Always the layer's own rectangle: a screen-sized fill moved off the corner must not
    // cover the strip it left.
    if (Alpha() < 255)
      target.BlendColour(LayerRect(), fill_color_, Alpha());
    else
      target.FillRect(LayerRect(), target.DeviceColour(fill_color_));
    return;
  }
  bool keyed = false;
  const TGameDxSurface* frame = CurrentFrame(keyed);
  if (frame == nullptr) {
    // A layer without a picture can still carry weather (and must let its drops finish).
    if (effect_ != kWave && effect_ != kRipple && effect_ != kShake) StepWeather(target);
    return;
  }
  switch (effect_) {
    case kWave:
      target.Wave(X(), Y(), frame->width(), frame->height(), *frame, frame->bounds(), keyed, frame->width() / 32,
                  frame->height(), wave_phase_, Alpha() < 255 ? Alpha() : 255);
      wave_phase_ = (wave_phase_ + 8) % 256;
      break;
    case kRipple:
      DrawRipple(target, *frame, keyed);
      break;
    case kShake: {
      const std::int64_t ry = Owner().Random().Next(8);
      const std::int64_t rx = Owner().Random().Next(8);
      DrawFrame(target, SaturateToInt32(X() + rx - 4), SaturateToInt32(Y() + ry - 4), *frame, keyed);
      break;
    }
    default:
      DrawFrame(target, X(), Y(), *frame, keyed);
      StepWeather(target);
      break;
  }
}

void TGameSurface::DrawRect(Surface& target, const Rect& rect) {
  if (!Visible() || (frames_.empty() && !fill_)) return;
  const Rect clip = Intersect(LayerRect(), rect);
  if (clip.IsEmpty()) return;
  if (fill_) {
    if (Alpha() >= 255)
      target.FillRect(clip, target.DeviceColour(fill_color_));
    else
      target.BlendColour(clip, fill_color_, Alpha());
    return;
  }
  bool keyed = false;
  const TGameDxSurface* frame = CurrentFrame(keyed);
  if (frame == nullptr) return;
  const std::int64_t x = X(), y = Y();
  const Rect source = SaturatedRect(clip.left - x, clip.top - y, clip.right - x, clip.bottom - y);
  if (Alpha() < 255)
    target.Blend(clip, *frame, source, Alpha(), keyed);
  else if (HasMask())
    target.MaskedBlend(clip.left, clip.top, *frame, source, mask_);
  else
    target.Copy(clip.left, clip.top, *frame, source, keyed);
}

std::string TGameSurface::Prefix() const { return "Sfc" + std::to_string(Owner().LayerIndex(*this)); }

void TGameSurface::SaveToStatus(TGameStatus& status) {
  const std::string p = Prefix();
  status.WriteString(p + "Src", GetSrc());
  status.WriteInteger(p + "X", X());
  status.WriteInteger(p + "Y", Y());
  status.WriteBool(p + "T", Transparent());
  status.WriteInteger(p + "A", Alpha());
  status.WriteInteger(p + "I", GetFrameIndex());
  status.WriteBool(p + "V", Visible());
  status.WriteInteger(p + "Ef", effect_);
  status.WriteBool(p + "Fill", fill_);
  status.WriteInteger(p + "CX", fill_width_);
  status.WriteInteger(p + "CY", fill_height_);
  status.WriteInteger(p + "Col", fill_color_);
  status.WriteInteger(p + "Bright", bright_);
  for (int k = 0; k < kAttachmentCount; ++k) {
    const TAttach& a = *attachments_[static_cast<std::size_t>(k)];
    const std::string ap = p + "Atc" + std::to_string(k);
    status.WriteString(ap + "Src", a.Src());
    status.WriteInteger(ap + "X", a.X);
    status.WriteInteger(ap + "Y", a.Y);
    status.WriteBool(ap + "T", a.Transparent);
    status.WriteInteger(ap + "A", a.Alpha);
  }
}

void TGameSurface::LoadFromStatus(TGameStatus& status) {
  const std::string p = Prefix();
  // The closing Reload builds the picture from everything read, so the name is taken without
  // decoding the picture a first time with stale brightness and attachments.
  const std::string src = status.ReadString(p + "Src", src_);
  if (!EqualsIgnoreAsciiCase(src, src_) || frame_index_ != 0 || fill_) {
    src_ = src;
    frame_index_ = 0;
    fill_ = false;
  }
  SetX(status.ReadInteger(p + "X", X()));
  SetY(status.ReadInteger(p + "Y", Y()));
  SetTransparent(status.ReadBool(p + "T", Transparent()));
  SetAlpha(status.ReadInteger(p + "A", Alpha()));
  SetFrameIndex(status.ReadInteger(p + "I", GetFrameIndex()));
  SetVisible(status.ReadBool(p + "V", Visible()));
  SetEffect(status.ReadInteger(p + "Ef", effect_));
  fill_ = status.ReadBool(p + "Fill", fill_);
  fill_width_ = status.ReadInteger(p + "CX", fill_width_);
  fill_height_ = status.ReadInteger(p + "CY", fill_height_);
  fill_color_ = status.ReadInteger(p + "Col", fill_color_);
  bright_ = status.ReadInteger(p + "Bright", bright_);
  for (int k = 0; k < kAttachmentCount; ++k) {
    TAttach& a = *attachments_[static_cast<std::size_t>(k)];
    const std::string ap = p + "Atc" + std::to_string(k);
    a.SetSrc(status.ReadString(ap + "Src", a.Src()), Owner().TextWindowSurface());
    a.X = status.ReadInteger(ap + "X", a.X);
    a.Y = status.ReadInteger(ap + "Y", a.Y);
    a.Transparent = status.ReadBool(ap + "T", a.Transparent);
    a.Alpha = status.ReadInteger(ap + "A", a.Alpha);
  }
  Reload();
}

void TGameSurface::Reset() {
  TCustomGameSurface::Reset();
  SetEffect(kNone);
  SetSrc("");
  fill_ = false;
  bright_ = 0;
  Reload();
  multi_frame_ = false;
  frame_index_ = 0;
  for (auto& a : attachments_) {
    a->SetSrc("", nullptr);
    a->X = 0;
    a->Y = 0;
    a->Transparent = false;
    a->Alpha = 255;
  }
}

}  // namespace mavlet

#include "player/display/particles/sp_effect_manager.h"

#include <algorithm>
#include <limits>
#include <new>

#include "player/backend/display.h"
#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/common/random.h"
#include "player/common/sjis_text.h"
#include "player/display/picture_file.h"
#include "player/storage/game_status.h"

namespace mavlet {
namespace {

// Spawn points are kept within this range, so that a particle's offsets cannot overflow.
constexpr std::int32_t kSpawnLimit = 1 << 28;

std::int32_t LowByte(std::int32_t v) { return v & 0xFF; }

// True when a component of the Shift-JIS path is "..": such a name would read outside "PMP".
bool ClimbsOut(std::string_view name) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size();) {
    if (i < name.size() && IsLeadByte(static_cast<std::uint8_t>(name[i])) && i + 1 < name.size()) {
      i += 2;
      continue;
    }
    if (i == name.size() || name[i] == '\\' || name[i] == '/') {
      if (name.substr(start, i - start) == "..") return true;
      start = i + 1;
    }
    ++i;
  }
  return false;
}

}  // namespace

TSpEffectManager::TSpEffectManager(ParticleServices& services, Log* log) : services_(services), log_(log) {}

TSpEffectManager::~TSpEffectManager() = default;

void TSpEffectManager::SetParams(std::int32_t type, std::int32_t encount, std::int32_t base, std::int32_t x,
                                 std::int32_t y, std::string_view src, std::int32_t wait) {
  if (LowByte(type) != kSpStopping) {
    encount_ = encount;
    base_ = LowByte(base);
    x_ = x;
    y_ = y;
    SetSource(src);
    SetWait(wait);
  }
  SetType(type);
}

void TSpEffectManager::SetType(std::int32_t type) {
  type = LowByte(type);
  if (type == type_) return;
  type_ = type;
  if (type_ == kSpOff) Clear();
}

void TSpEffectManager::SetSource(std::string_view name) {
  if (EqualsIgnoreAsciiCase(name, src_)) return;
  src_ = std::string(name);
  ReleasePicture();
  Clear();
}

void TSpEffectManager::SetWait(std::int32_t wait) { wait_ = std::max(wait, 1); }

Surface* TSpEffectManager::Visible() const {
  Display* d = services_.GetDisplay();
  if (d == nullptr || !d->Initialized()) return nullptr;
  return &d->VisibleSurface();
}

Surface* TSpEffectManager::Screen() const {
  Display* d = services_.GetDisplay();
  if (d == nullptr || !d->Initialized()) return nullptr;
  return &d->ScreenSurface();
}

std::int32_t TSpEffectManager::ScreenWidth() const {
  const Surface* s = Screen();
  return s != nullptr ? s->width() : 0;
}

std::int32_t TSpEffectManager::ScreenHeight() const {
  const Surface* s = Screen();
  return s != nullptr ? s->height() : 0;
}

std::int32_t TSpEffectManager::Random(std::int32_t n) {
  // The generator moves on for every draw, a range of 0 or below included.
  return static_cast<std::int32_t>(services_.Random().Next(n > 0 ? static_cast<std::uint32_t>(n) : 0u));
}

void TSpEffectManager::Erase(const Rect& rect) {
  Surface* visible = Visible();
  Surface* screen = Screen();
  if (visible == nullptr || screen == nullptr) return;
  const Rect r = Intersect(rect, visible->bounds());
  if (r.IsEmpty()) return;
  visible->Copy(r.left, r.top, *screen, r, false);
  changed_ = Union(changed_, r);
}

void TSpEffectManager::DrawCell(const Rect& rect, std::int32_t cell) {
  Surface* visible = Visible();
  if (visible == nullptr || cell < 0 || cell >= Cells()) return;
  const Surface& picture = cells_[static_cast<std::size_t>(cell)].picture;
  if (picture.format() != visible->format()) return;
  visible->Copy(rect.left, rect.top, picture, picture.bounds(), true);
  changed_ = Union(changed_, Intersect(rect, visible->bounds()));
}

void TSpEffectManager::ShowChanges() {
  Display* d = services_.GetDisplay();
  if (!changed_.IsEmpty() && d != nullptr && d->Initialized()) d->ShowVisible(changed_);
  changed_ = Rect{};
}

void TSpEffectManager::Report(const std::string& message) {
  if (log_ != nullptr) log_->Warn(message);
}

void TSpEffectManager::ReleasePicture() {
  cells_.clear();
  picture_failed_ = false;
}

bool TSpEffectManager::EnsurePicture() {
  Surface* visible = Visible();
  if (visible == nullptr) return false;
  if (!cells_.empty()) {
    if (cells_.front().picture.format() == visible->format()) return true;
    cells_.clear();  // made for other surfaces: made again below
  }
  if (picture_failed_ || src_.empty()) return false;
  if (ClimbsOut(src_)) {
    picture_failed_ = true;
    Report("SpEffect: the picture name \"" + SjisToUtf8(src_) + "\" leaves the PMP folder; not loaded");
    return false;
  }
  FileServices* files = services_.Files();
  if (files == nullptr) return false;
  // A missing picture is looked for again at the next step.
  const std::optional<std::filesystem::path> file =
      FindPictureFile(*files, services_.BasePath(), src_, DiscSearch::kEveryDisc);
  if (!file) return false;
  try {
    LoadCells(*file, visible->format());
  } catch (const MavError& e) {
    cells_.clear();
    picture_failed_ = true;
    Report(std::string("SpEffect: ") + e.what());
  } catch (const std::bad_alloc&) {
    cells_.clear();
    picture_failed_ = true;
    Report("SpEffect: " + file->string() + ": not enough memory for its cells");
  }
  return !cells_.empty();
}

void TSpEffectManager::LoadCells(const std::filesystem::path& file, const PixelFormat& format) {
  cells_.clear();
  if (IsSinglePictureName(src_)) {
    const Bitmap bitmap = LoadPicture(file);
    if (bitmap.empty()) throw MavError(file.string() + ": the picture is empty");
    Cell cell{Surface(format)};
    cell.picture.LoadBitmap(bitmap);
    cell.picture.SetColourKey(cell.picture.RawPixel(0, cell.picture.height() - 1));
    cells_.push_back(std::move(cell));
    return;
  }
  // Every cell takes the first frame's size, as the cells of one strip would.
  const std::vector<PictureFrame> frames = LoadFrames(file);
  if (frames.empty()) throw MavError(file.string() + ": the picture holds no frames");
  const std::int32_t w = frames.front().bitmap.width();
  const std::int32_t h = frames.front().bitmap.height();
  if (w <= 0 || h <= 0) throw MavError(file.string() + ": the first frame is empty");
  std::vector<Cell> cells;
  cells.reserve(frames.size());
  for (const PictureFrame& frame : frames) {
    Cell cell{Surface(format, w, h)};
    cell.picture.DrawBitmap(0, 0, frame.bitmap);
    cell.picture.SetColourKey(frame.transparent ? std::int64_t{cell.picture.RawPixel(0, h - 1)} : kNoColourKey);
    cells.push_back(std::move(cell));
  }
  cells_ = std::move(cells);
}

void TSpEffectManager::Clear() {
  for (const auto& p : particles_) Erase(p->Area());
  particles_.clear();
  ShowChanges();
}

void TSpEffectManager::Spawn() {
  const std::int32_t w = ScreenWidth();
  const std::int32_t h = ScreenHeight();
  switch (base_) {
    case 0:
      spawn_point_ = Point{x_, y_};
      break;
    case 1: {
      const Point mouse = services_.MousePos();
      if (mouse.x < 0 || mouse.y < 0 || mouse.x >= w || mouse.y >= h) return;
      spawn_point_ = mouse;
      break;
    }
    case 2: {
      const std::int32_t y = Random(h);
      spawn_point_ = Point{Random(w), y};
      break;
    }
    case 3: {
      const std::int32_t y = -Random(100);
      spawn_point_ = Point{Random(w + 100) - 50, y};
      break;
    }
    case 4: {
      const std::int32_t y = h + Random(100);
      spawn_point_ = Point{Random(w + 100) - 50, y};
      break;
    }
    default:
      break;  // the previous spawn point
  }
  std::unique_ptr<TSpTip> particle = MakeSpEffect(type_, *this);
  if (!particle) return;
  const Point spawn{std::clamp(spawn_point_.x, -kSpawnLimit, kSpawnLimit),
                    std::clamp(spawn_point_.y, -kSpawnLimit, kSpawnLimit)};
  const Surface& cell = cells_.front().picture;
  particle->Start(spawn, cell.width(), cell.height());
  particles_.push_back(std::move(particle));
}

void TSpEffectManager::Step() {
  if (type_ == kSpOff) return;
  const bool have_picture = EnsurePicture();
  for (const auto& p : particles_) p->EraseAndMove();
  if (countdown_ > std::numeric_limits<std::int32_t>::min()) --countdown_;
  if (countdown_ < 1) {
    // Negated in 64 bits: the lowest encount has no positive counterpart in 32.
    const std::int64_t k = encount_ < 0 ? std::min<std::int64_t>(-std::int64_t{encount_}, kMaxSpawnsPerStep) : 1;
    // Without a picture nothing is born: a particle needs the size of a cell.
    for (std::int64_t i = 0; have_picture && i < k && particles_.size() < kMaxParticles; ++i) Spawn();
    countdown_ = encount_;
  }
  // Drawn from the last to the first; the finished ones leave the list in order.
  for (std::size_t i = particles_.size(); i-- > 0;) {
    if (particles_[i]->Draw()) particles_[i].reset();
  }
  std::erase(particles_, nullptr);
  if (type_ == kSpStopping && particles_.empty()) type_ = kSpOff;
  ShowChanges();
}

void TSpEffectManager::Redraw() {
  if (type_ == kSpOff) return;
  for (std::size_t i = particles_.size(); i-- > 0;) particles_[i]->Redraw();
  ShowChanges();
}

void TSpEffectManager::Initialize() {}

void TSpEffectManager::Finalize() {
  // The surfaces go; the cells are made again for the next ones at the first step.
  ReleasePicture();
  changed_ = Rect{};
}

void TSpEffectManager::SaveToStatus(TGameStatus& status) const {
  status.WriteInteger("SpEfEncount", encount_);
  status.WriteInteger("SpEfType", type_);
  status.WriteInteger("SpEfBase", base_);
  status.WriteInteger("SpEfX", x_);
  status.WriteInteger("SpEfY", y_);
  status.WriteString("SpEfSrc", src_);
  status.WriteInteger("SpEfWait", wait_);
}

void TSpEffectManager::LoadFromStatus(const TGameStatus& status) {
  encount_ = status.ReadInteger("SpEfEncount", 0);
  base_ = LowByte(status.ReadInteger("SpEfBase", 0));
  y_ = status.ReadInteger("SpEfY", 0);
  x_ = status.ReadInteger("SpEfX", 0);
  SetSource(status.ReadString("SpEfSrc", ""));
  SetWait(status.ReadInteger("SpEfWait", 1));
  SetType(status.ReadInteger("SpEfType", 0));
}

}  // namespace mavlet

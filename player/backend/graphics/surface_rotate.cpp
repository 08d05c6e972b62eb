// Rotation with blending (Surface::RotateBlend). Each target pixel samples the source through
// fixed-point coordinates that move by a constant step along a target row; being linear, they
// fall inside the source for one interval of the row, worked out exactly from the row's start
// and step, so the inner loop tests nothing. Samples are gathered into a small buffer and then
// copied or blended a buffer at a time with the row kernels (SSE2 at 32 bits); the target is
// walked in tiles so that the source pixels one tile samples stay in the cache.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "player/backend/graphics/surface.h"
#include "player/backend/graphics/surface_kernels.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mavlet {
namespace {

using namespace surface_detail;

// floor(a / b) for b > 0.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Narrows [k0, k1) to the k where lo <= start + k * step < hi.
void KeepWithin(std::int64_t start, std::int64_t step, std::int64_t lo, std::int64_t hi, std::int64_t& k0,
                std::int64_t& k1) {
  if (step == 0) {
    if (start < lo || start >= hi) k1 = k0;
  } else if (step > 0) {
    k0 = std::max(k0, -FloorDiv(start - lo, step));     // k >= ceil((lo - start) / step)
    k1 = std::min(k1, FloorDiv(hi - start - 1, step) + 1);  // k <= floor((hi - 1 - start) / step)
  } else {
    k0 = std::max(k0, FloorDiv(start - hi, -step) + 1);  // k * -step > start - hi
    k1 = std::min(k1, FloorDiv(start - lo, -step) + 1);  // k * -step <= start - lo
  }
}

}  // namespace

void Surface::RotateBlend(std::int32_t centre_x, std::int32_t centre_y, std::int32_t width,
                          std::int32_t height, const Surface& source, const Rect& source_rect,
                          int angle, int alpha, RowKernels kernels) {
  if (width <= 0 || height <= 0 || source_rect.IsEmpty() || alpha <= 0) return;
  std::optional<Surface> holder;
  const Surface& src = Detached(source, holder);
  const std::uint32_t a = static_cast<std::uint32_t>(std::min(alpha, 255));
  // Sizes beyond any surface would only overflow the fixed-point sampling.
  constexpr std::int32_t kMaxTarget = 4 * kMaxBitmapSide, kMaxSource = 2 * kMaxBitmapSide;
  if (width > kMaxTarget || height > kMaxTarget || source_rect.Width() > kMaxSource ||
      source_rect.Height() > kMaxSource) {
    return;
  }
  const double theta = (angle & 255) * (2 * std::numbers::pi / 256);
  const double c = std::cos(theta), sn = std::sin(theta);
  const double sw = source_rect.Width(), sh = source_rect.Height();
  // Target (dx, dy) from the centre maps back to source offsets from the source centre:
  // u = (dx cos + dy sin) * sw / width, v = (-dx sin + dy cos) * sh / height (clockwise turn).
  // 40.24 fixed point: exact at 0, 90 and 180 degrees, and the products stay below 2^60.
  constexpr int kFrac = 24;
  constexpr double kOne = 1 << kFrac;
  auto fixed = [&](double v) { return std::llround(v * kOne); };
  const std::int64_t ux = fixed(c * sw / width), uy = fixed(sn * sw / width);
  const std::int64_t vx = fixed(-sn * sh / height), vy = fixed(c * sh / height);
  const double ex = (std::abs(c) * width + std::abs(sn) * height) / 2 + 2;
  const double ey = (std::abs(sn) * width + std::abs(c) * height) / 2 + 2;
  const std::int64_t bx0 = std::max<std::int64_t>(0, centre_x - static_cast<std::int64_t>(ex));
  const std::int64_t bx1 = std::min<std::int64_t>(width_, centre_x + static_cast<std::int64_t>(ex));
  const std::int64_t by0 = std::max<std::int64_t>(0, centre_y - static_cast<std::int64_t>(ey));
  const std::int64_t by1 = std::min<std::int64_t>(height_, centre_y + static_cast<std::int64_t>(ey));
  if (bx0 >= bx1 || by0 >= by1) return;
  const std::int64_t half_w = fixed(sw / 2), half_h = fixed(sh / 2);
  // Sample offsets (u, v >> kFrac) that lie in source_rect and in the source surface.
  const std::int64_t left = source_rect.left, top = source_rect.top;
  const std::int64_t u_lo = std::max<std::int64_t>(0, -left), u_hi = std::min<std::int64_t>(sw, src.width_ - left);
  const std::int64_t v_lo = std::max<std::int64_t>(0, -top), v_hi = std::min<std::int64_t>(sh, src.height_ - top);
  if (u_lo >= u_hi || v_lo >= v_hi) return;
  WithPx(format_.bits_per_pixel, [&](auto px) {
    using P = decltype(px);
    constexpr std::int64_t kBuffer = 256;
    std::uint8_t samples[kBuffer * P::kBytes];
    const std::uint8_t* from = src.pixels_.data();
    const std::int64_t origin = top * static_cast<std::int64_t>(src.pitch_) + left * P::kBytes;
    // Rows go in bands of kBand, each band in chunks of kBuffer columns: the source pixels a
    // chunk samples lie close together even when the turn makes every row cross many source
    // rows, so they stay in the cache from one row of the band to the next.
    constexpr std::int64_t kBand = 16;
    struct RowStart {
      std::int64_t u, v, k0, k1;
    };
    RowStart rows[kBand];
    for (std::int64_t band = by0; band < by1; band += kBand) {
      const std::int64_t band_rows = std::min(kBand, by1 - band);
      std::int64_t last = 0;
      for (std::int64_t j = 0; j < band_rows; ++j) {
        // Pixel centres: offsets are (t - centre + 0.5); in fixed point the half is added once.
        const std::int64_t dy2 = 2 * (band + j - centre_y) + 1;
        const std::int64_t dx2 = 2 * (bx0 - centre_x) + 1;
        RowStart& r = rows[j];
        r.u = half_w + (dx2 * ux + dy2 * uy) / 2;
        r.v = half_h + (dx2 * vx + dy2 * vy) / 2;
        r.k0 = 0;
        r.k1 = bx1 - bx0;
        KeepWithin(r.u, ux, u_lo << kFrac, u_hi << kFrac, r.k0, r.k1);
        KeepWithin(r.v, vx, v_lo << kFrac, v_hi << kFrac, r.k0, r.k1);
        last = std::max(last, r.k1);
      }
      for (std::int64_t chunk = 0; chunk < last; chunk += kBuffer) {
        for (std::int64_t j = 0; j < band_rows; ++j) {
          const RowStart& r = rows[j];
          const std::int64_t k0 = std::max(r.k0, chunk), k1 = std::min(r.k1, chunk + kBuffer);
          if (k0 >= k1) continue;
          const std::int64_t n = k1 - k0;
          std::int64_t u = r.u + k0 * ux, v = r.v + k0 * vx;
#ifdef __SSE2__
          // The samples two rows further down are asked for ahead, every eighth one, so the
          // cache lines they need are on their way while this row is gathered.
          if (j + 2 < band_rows) {
            const RowStart& ahead = rows[j + 2];
            const std::int64_t a0 = std::max(ahead.k0, k0), a1 = std::min(ahead.k1, k1);
            for (std::int64_t k = a0; k < a1; k += 8) {
              const std::int64_t at = origin + ((ahead.v + k * vx) >> kFrac) * static_cast<std::int64_t>(src.pitch_) +
                                      ((ahead.u + k * ux) >> kFrac) * P::kBytes;
              _mm_prefetch(reinterpret_cast<const char*>(from + at), _MM_HINT_T0);
            }
          }
#endif
          for (std::int64_t i = 0; i < n; ++i, u += ux, v += vx) {
            const std::int64_t at =
                origin + (v >> kFrac) * static_cast<std::int64_t>(src.pitch_) + (u >> kFrac) * P::kBytes;
            std::memcpy(samples + i * P::kBytes, from + at, P::kBytes);
          }
          std::uint8_t* out = pixels_.data() + (band + j) * pitch_ + (bx0 + k0) * P::kBytes;
          if (a == 255) {
            std::memcpy(out, samples, static_cast<std::size_t>(n * P::kBytes));
          } else if (kernels == RowKernels::kFastest) {
            BlendRow<P>(out, samples, n, a);
          } else {
            for (std::int64_t i = 0; i < n; ++i) {
              P::Store(out + i * P::kBytes,
                       P::Blend(P::Load(samples + i * P::kBytes), P::Load(out + i * P::kBytes), a));
            }
          }
        }
      }
    }
  });
}

}  // namespace mavlet

#include "tests/support/movie_files.h"

#include <cstdlib>
#include <fstream>
#include <vector>

#include "tests/support/run_program.h"

namespace mavlet::testing {
namespace {

constexpr std::uint32_t kColours[] = {0xE01010, 0x10E010, 0x1010E0, 0xE0E010, 0x10E0E0, 0xE010E0,
                                      0x808080, 0xF0F0F0, 0x101010, 0xF08000, 0x0080F0, 0x80F000};
constexpr int kColourCount = static_cast<int>(sizeof kColours / sizeof kColours[0]);

}  // namespace

std::uint32_t MovieFrameColour(int n) { return kColours[((n % kColourCount) + kColourCount) % kColourCount]; }

int NearestMovieFrame(std::uint32_t rgb, int* distance) {
  int best = -1, best_d = 1 << 30;
  for (int k = 0; k < kColourCount; ++k) {
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      d += std::abs(static_cast<int>((rgb >> shift) & 0xFF) - static_cast<int>((kColours[k] >> shift) & 0xFF));
    }
    if (d < best_d) {
      best_d = d;
      best = k;
    }
  }
  if (distance != nullptr) *distance = best_d;
  return best;
}

std::filesystem::path MakeMovie(const std::filesystem::path& folder, const std::string& name, const MovieSpec& spec,
                                std::string* error) {
  std::filesystem::create_directories(folder);
  const std::filesystem::path raw = folder / (name + ".rgb");
  if (!spec.pattern) {
    std::ofstream out(raw, std::ios::binary);
    std::vector<char> frame(static_cast<std::size_t>(spec.width * spec.height * 3));
    for (int n = 0; n < spec.frames; ++n) {
      const std::uint32_t c = MovieFrameColour(n);
      for (std::size_t i = 0; i < frame.size(); i += 3) {
        frame[i] = static_cast<char>(c >> 16);
        frame[i + 1] = static_cast<char>(c >> 8);
        frame[i + 2] = static_cast<char>(c);
      }
      out.write(frame.data(), static_cast<std::streamsize>(frame.size()));
    }
  }
  const std::string size = std::to_string(spec.width) + "x" + std::to_string(spec.height);
  std::vector<std::string> args = {"-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
  if (spec.pattern) {
    args.insert(args.end(), {"-f", "lavfi", "-i",
                             "testsrc2=size=" + size + ":rate=" + std::to_string(spec.fps) +
                                 ":duration=" + std::to_string(static_cast<double>(spec.frames) / spec.fps)});
  } else {
    args.insert(args.end(), {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s", size, "-r", std::to_string(spec.fps), "-i",
                             raw.string()});
  }
  if (spec.sound_ms > 0) {
    args.insert(args.end(),
                {"-f", "lavfi", "-i",
                 "sine=frequency=440:sample_rate=44100:duration=" + std::to_string(spec.sound_ms / 1000.0)});
  }
  args.insert(args.end(), {"-c:v", spec.codec});
  // Uncompressed AVI frames are stored B, G, R: ffmpeg would write rgb24 as it is.
  const std::string pix_fmt = spec.pix_fmt.empty() && spec.codec == "rawvideo" ? "bgr24" : spec.pix_fmt;
  if (!pix_fmt.empty()) args.insert(args.end(), {"-pix_fmt", pix_fmt});
  if (spec.codec == "mjpeg") args.insert(args.end(), {"-q:v", "2"});
  if (spec.sound_ms > 0) args.insert(args.end(), {"-c:a", "pcm_s16le", "-ac", "2"});
  const std::filesystem::path out = folder / name;
  args.push_back(out.string());
  const ProgramResult r = RunProgram("ffmpeg", args, folder);
  std::filesystem::remove(raw);
  if (r.code != 0) {
    if (error != nullptr) *error = "ffmpeg could not make " + name + ": " + r.err;
    return {};
  }
  return out;
}

}  // namespace mavlet::testing

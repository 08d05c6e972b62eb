#pragma once
// Movies made at test time with the ffmpeg program: solid frames whose colour tells the frame
// number, in the codec asked for, with an optional sine sound track. No sample files.
#include <cstdint>
#include <filesystem>
#include <string>

namespace mavlet::testing {

struct MovieSpec {
  std::string codec = "rawvideo";  // an ffmpeg encoder: rawvideo, msvideo1, cinepak, mjpeg...
  std::string pix_fmt;             // empty: the encoder's own choice
  int width = 64;
  int height = 48;
  int fps = 10;
  int frames = 25;
  int sound_ms = 0;      // 0: no sound track; else 16-bit PCM, 44.1 kHz stereo, this long
  bool pattern = false;  // a moving test picture (as real footage compresses) instead of solid frames
};

// 0x00RRGGBB colour of frame n: neighbours differ strongly in every channel, so a lossy codec
// still tells them apart.
std::uint32_t MovieFrameColour(int n);
// The frame number (0..11 of the colour cycle) whose colour lies nearest to rgb, and how far.
int NearestMovieFrame(std::uint32_t rgb, int* distance = nullptr);
// Writes folder/name; an empty path when ffmpeg fails (its message in *error when given).
std::filesystem::path MakeMovie(const std::filesystem::path& folder, const std::string& name, const MovieSpec& spec,
                                std::string* error = nullptr);

}  // namespace mavlet::testing

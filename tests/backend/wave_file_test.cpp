#include "player/backend/audio/wave_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "player/common/error.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using ::testing::HasSubstr;
using namespace mavlet::testing;

struct Accepted {
  const char* label;
  Bytes file;
  WaveEncoding encoding;
  std::uint16_t channels;
  std::uint16_t samples_per_block;
  std::uint64_t frames;
  std::uint64_t duration_ms;
};

Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

TEST(WaveFileTest, AcceptsPlayableFormatsAndCountsFrames) {
  Bytes fact;
  PutLe32(fact, 1234);
  Bytes extensible = Format(0xFFFE, 2, 44100, 4, 16);
  PutLe16(extensible, 22);
  PutLe16(extensible, 16);          // valid bits
  PutLe32(extensible, 3);           // channel mask
  PutLe16(extensible, 1);           // PCM sub-format
  const std::uint8_t tail[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  extensible.insert(extensible.end(), std::begin(tail), std::end(tail));

  const std::vector<Accepted> cases = {
      {"pcm16 mono", SineWave(1000), WaveEncoding::kPcm, 1, 1, 22050, 1000},
      {"pcm8 stereo", SineWave(250, 8000, 2, 8), WaveEncoding::kPcm, 2, 1, 2000, 250},
      // 3 whole blocks of 500 frames and a 100-byte tail: 2 + 93 * 2 frames.
      {"ms adpcm mono", Riff({{"fmt ", MsAdpcmFormat(1, 22050, 256, 500)}, {"data", Zeros(3 * 256 + 100)}}),
       WaveEncoding::kMsAdpcm, 1, 500, 1688, 76},
      {"ms adpcm stereo, samples per block left 0",
       Riff({{"fmt ", MsAdpcmFormat(2, 22050, 512, 0)}, {"data", Zeros(2 * 512)}}), WaveEncoding::kMsAdpcm, 2, 500,
       1000, 45},
      {"ms adpcm fact shortens",
       Riff({{"fmt ", MsAdpcmFormat(1, 22050, 256, 500)}, {"fact", fact}, {"data", Zeros(3 * 256)}}),
       WaveEncoding::kMsAdpcm, 1, 500, 1234, 55},
      {"ima adpcm mono", Riff({{"fmt ", ImaAdpcmFormat(1, 22050, 256, 505)}, {"data", Zeros(2 * 256 + 12)}}),
       WaveEncoding::kImaAdpcm, 1, 505, 2 * 505 + 1 + 16, 46},
      {"ima adpcm stereo", Riff({{"fmt ", ImaAdpcmFormat(2, 44100, 1024, 1017)}, {"data", Zeros(1024)}}),
       WaveEncoding::kImaAdpcm, 2, 1017, 1017, 23},
      {"extensible pcm", Riff({{"fmt ", extensible}, {"data", Zeros(400)}}), WaveEncoding::kPcm, 2, 1, 100, 2},
      {"data before fmt, odd chunk padded",
       Riff({{"LIST", Bytes{1, 2, 3}}, {"data", Zeros(2000)}, {"fmt ", PcmFormat(1, 1000, 16)}}),
       WaveEncoding::kPcm, 1, 1, 1000, 1000},
      {"truncated data plays what is there",
       Riff({{"fmt ", PcmFormat(1, 1000, 16)}, {"data", Zeros(1000), 4000}}), WaveEncoding::kPcm, 1, 1, 500, 500},
      {"empty data", Riff({{"fmt ", PcmFormat(1, 1000, 16)}, {"data", {}}}), WaveEncoding::kPcm, 1, 1, 0, 0},
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(c.label);
    const WaveInfo info = ParseWave(c.file, "x.wav");
    EXPECT_EQ(info.encoding, c.encoding);
    EXPECT_EQ(info.channels, c.channels);
    EXPECT_EQ(info.samples_per_block, c.samples_per_block);
    EXPECT_EQ(info.frames, c.frames);
    EXPECT_EQ(info.DurationMs(), c.duration_ms);
    EXPECT_LE(info.data_offset + info.data_size, c.file.size());
  }
}

TEST(WaveFileTest, RefusesDamagedOrUnplayableFilesNamingTheProblem) {
  const Bytes data = Zeros(64);
  Bytes pcm_bad_align = Format(1, 2, 22050, 2, 16);
  Bytes ms_short = Format(2, 1, 22050, 256, 4);  // no extra bytes
  Bytes not_wave = SineWave(10);
  not_wave[8] = 'A';
  Bytes extensible_float = Format(0xFFFE, 1, 44100, 4, 32);
  PutLe16(extensible_float, 22);
  extensible_float.resize(40, 0);
  extensible_float[24] = 3;

  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{}, "too short"},
      {Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A'}, "too short"},
      {not_wave, "not a RIFF WAVE"},
      {Riff({{"data", data}}), "no format chunk"},
      {Riff({{"fmt ", PcmFormat(1, 22050, 16)}}), "no data chunk"},
      {Riff({{"fmt ", Bytes(14, 1)}, {"data", data}}), "format chunk is too short"},
      {Riff({{"fmt ", PcmFormat(1, 22050, 16), 1000}}), "format chunk runs past"},
      {Riff({{"fmt ", PcmFormat(1, 22050, 24)}, {"data", data}}), "24 bits"},
      {Riff({{"fmt ", Format(1, 0, 22050, 2, 16)}, {"data", data}}), "no channels"},
      {Riff({{"fmt ", Format(1, 1, 0, 2, 16)}, {"data", data}}), "sample rate 0"},
      {Riff({{"fmt ", Format(1, 1, 22050, 0, 16)}, {"data", data}}), "block size of 0"},
      {Riff({{"fmt ", pcm_bad_align}, {"data", data}}), "too small"},
      {Riff({{"fmt ", Format(0x55, 2, 44100, 1, 0)}, {"data", data}}), "0x0055"},
      {Riff({{"fmt ", extensible_float}, {"data", data}}), "only PCM"},
      {Riff({{"fmt ", ms_short}, {"data", data}}), "too short"},
      {Riff({{"fmt ", MsAdpcmFormat(1, 22050, 256, 500, 6)}, {"data", data}}), "coefficient"},
      {Riff({{"fmt ", MsAdpcmFormat(1, 22050, 256, 501)}, {"data", data}}), "samples per block"},
      {Riff({{"fmt ", MsAdpcmFormat(1, 22050, 6, 2)}, {"data", data}}), "block size is too small"},
      {Riff({{"fmt ", MsAdpcmFormat(3, 22050, 1024, 0)}, {"data", data}}), "more than 2 channels"},
      {Riff({{"fmt ", ImaAdpcmFormat(2, 22050, 250, 0)}, {"data", data}}), "block size does not fit"},
      {Riff({{"fmt ", ImaAdpcmFormat(1, 22050, 256, 506)}, {"data", data}}), "samples per block"},
  };
  for (const auto& [file, problem] : cases) {
    SCOPED_TRACE(problem);
    try {
      ParseWave(file, "BGM01.WAV");
      ADD_FAILURE() << "accepted";
    } catch (const MavError& e) {
      EXPECT_THAT(e.what(), HasSubstr("BGM01.WAV: "));
      EXPECT_THAT(e.what(), HasSubstr(problem));
    }
  }
}

TEST(WaveFileTest, FileReadingMatchesMemoryParsing) {
  TempFolder dir("wave");
  const Bytes file = Riff({{"LIST", Zeros(5000)}, {"fmt ", MsAdpcmFormat(2, 22050, 512, 500)}, {"data", Zeros(4096)}});
  WriteFile(dir.path() / "a.wav", file);
  const WaveInfo from_disk = ReadWaveInfo(dir.path() / "a.wav");
  const WaveInfo from_memory = ParseWave(file, "a.wav");
  EXPECT_EQ(from_disk.frames, from_memory.frames);
  EXPECT_EQ(from_disk.data_offset, from_memory.data_offset);
  EXPECT_EQ(from_disk.data_size, 4096u);

  WriteFile(dir.path() / "bad.wav", Bytes{'R', 'I', 'F', 'F'});
  EXPECT_THROW(
      {
        try {
          ReadWaveInfo(dir.path() / "bad.wav");
        } catch (const MavError& e) {
          EXPECT_THAT(e.what(), HasSubstr("bad.wav: too short"));
          throw;
        }
      },
      MavError);
  EXPECT_THROW(ReadWaveInfo(dir.path() / "missing.wav"), MavError);
}

}  // namespace
}  // namespace mavlet

// The title kit: the description parser, and "mavtool title build/unpack" run as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/support/file_builders.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"
#include "player/backend/graphics/bmp_reader.h"
#include "player/engine/global_file.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/file_unit.h"
#include "player/storage/packed_file.h"
#include "tools/mavtool/kit/picture_codec.h"
#include "tools/mavtool/kit/title_source.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {
namespace {

using Result = mavlet::testing::ProgramResult;
using mavlet::testing::WriteFile;
std::string Slurp(const std::filesystem::path& file) { return mavlet::testing::ReadText(file); }

namespace fs = std::filesystem;
using mavlet::Bitmap;
using mavlet::ByteBuffer;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// ------------------------------------------------------------------ description parser

TEST(TitleDescriptionTest, ReadsEveryKey) {
  const TitleDescription d = ParseTitleDescription(
      "\xEF\xBB\xBF# comment\r\n"
      "title = 星の夜 \r\n"
      "; another comment\n"
      "screen_mode = 800x600\n"
      "start_page = 12\n"
      "reg_key = Software\\Mavlet\\Demo\n"
      "pack_scenarios = yes\n"
      "pack_sounds = off\n"
      "\n"
      "num = Score\n"
      "num = score\n"  // differs from Score in its first byte: another variable
      "str = 名前\n"
      "flag = Seen\n",
      "title.txt");
  EXPECT_EQ(d.title, "星の夜");
  EXPECT_EQ(d.screen_mode, 4);
  EXPECT_EQ(d.start_page, 12);
  EXPECT_EQ(d.reg_key, "Software\\Mavlet\\Demo");
  EXPECT_FALSE(d.no_registry);
  EXPECT_TRUE(d.pack_scenarios);
  EXPECT_FALSE(d.pack_sounds);
  EXPECT_EQ(d.num_names, (std::vector<std::string>{"Score", "score"}));
  EXPECT_EQ(d.str_names, std::vector<std::string>{"名前"});
  EXPECT_EQ(d.flag_names, std::vector<std::string>{"Seen"});
  EXPECT_EQ(ParseTitleDescription(FormatTitleDescription(d), "again"), d);
}

TEST(TitleDescriptionTest, RefusesBadDescriptionsWithFileAndLine) {
  const std::string head = "title = T\nno_registry = yes\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"no_registry = yes\n", "t.txt: the key \"title\" is missing"},
      {"title = T\n", "reg_key"},
      {head + "colour = red\n", "t.txt:3: unknown key \"colour\""},
      {head + "just words\n", "t.txt:3: expected \"key = value\""},
      {head + "screen_mode = 6\n", "t.txt:3: screen_mode"},
      {head + "screen_mode = 640x481\n", "t.txt:3: screen_mode"},
      {head + "start_page = -1\n", "t.txt:3: start_page"},
      {head + "start_page = 1x\n", "t.txt:3: start_page"},
      {head + "title = U\n", "t.txt:3: \"title\" is given twice"},
      {head + "reg_key = HKCU\\Mavlet\n", "t.txt:3: reg_key must begin with"},
      {head + "pack_sounds = maybe\n", "t.txt:3: pack_sounds"},
      {head + "num = Flag\nflag = FLAG\n", "t.txt:4: variable FLAG is declared twice"},
      {head + "num = @Rand\n", "t.txt:3: variable @Rand"},
      {head + "num = a,b\n", "t.txt:3: variable \"a,b\""},
      {head + "num = a+b\n", "t.txt:3: variable \"a+b\""},
      {head + "str =\n", "t.txt:3: str: empty variable name"},
      {"no_registry = yes\ntitle = \xF0\x9F\x98\x80\n", "t.txt:2: title cannot be written in Shift-JIS"},
      {"title = a\x01" "b\n", "t.txt:1: title holds a control character"},
      {"title = \xFF\xFE\n", "t.txt: not UTF-8"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ParseTitleDescription(text, "t.txt");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const ToolError& e) {
      EXPECT_THAT(e.what(), HasSubstr(message)) << text;
    }
  }
}

// ------------------------------------------------------------------ running mavtool


std::string AsText(const ByteBuffer& b) { return std::string(b.begin(), b.end()); }

// An RGBA PNG, which the kit's own encoder never writes.
ByteBuffer RgbaPng(int w, int h, const std::vector<std::uint8_t>& rgba) {
  ByteBuffer raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgba.begin() + y * w * 4, rgba.begin() + (y + 1) * w * 4);
  }
  uLongf size = compressBound(raw.size());
  ByteBuffer z(size);
  compress(z.data(), &size, raw.data(), raw.size());
  z.resize(size);
  ByteBuffer png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const ByteBuffer& body) {
    for (int s = 24; s >= 0; s -= 8) png.push_back(static_cast<std::uint8_t>(body.size() >> s));
    ByteBuffer typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    png.insert(png.end(), typed.begin(), typed.end());
    const uLong crc = crc32(0, typed.data(), typed.size());
    for (int s = 24; s >= 0; s -= 8) png.push_back(static_cast<std::uint8_t>(crc >> s));
  };
  ByteBuffer ihdr;
  for (int v : {w, h})
    for (int s = 24; s >= 0; s -= 8) ihdr.push_back(static_cast<std::uint8_t>(v >> s));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  chunk("IHDR", ihdr);
  chunk("IDAT", z);
  chunk("IEND", {});
  return png;
}

// 8-bit mono PCM at 8 kHz: a saw tooth.
ByteBuffer Wave(int samples) {
  ByteBuffer data;
  for (int i = 0; i < samples; ++i) data.push_back(static_cast<std::uint8_t>(128 + (i % 16) * 4));
  return mavlet::testing::Riff({{"fmt ", mavlet::testing::PcmFormat(1, 8000, 8)}, {"data", data}});
}

Bitmap Gradient(int w, int h) {
  Bitmap b = Bitmap::Rgb24(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x * 20);
      p[1] = static_cast<std::uint8_t>(y * 30);
      p[2] = static_cast<std::uint8_t>(x * y);
    }
  return b;
}

Bitmap Indexed(int w, int h, bool grey) {
  Bitmap b = Bitmap::Indexed8(w, h);
  b.set_bit_count(8);
  for (int i = 0; i < 256; ++i)
    grey ? b.SetPaletteEntry(i, i, i, i) : b.SetPaletteEntry(i, static_cast<std::uint8_t>(i * 7), 0, static_cast<std::uint8_t>(255 - i));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.Row(y)[x] = static_cast<std::uint8_t>(x * 16 + y);
  return b;
}

Bitmap Decode(const ByteBuffer& bmp) {
  std::size_t pos = 0;
  Bitmap b = mavlet::ReadBmp(bmp, pos, "test");
  EXPECT_EQ(pos, bmp.size());
  return b;
}

void ExpectSamePixels(const Bitmap& a, const Bitmap& b, const std::string& what) {
  ASSERT_EQ(a.width(), b.width()) << what;
  ASSERT_EQ(a.height(), b.height()) << what;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      ASSERT_EQ(a.PixelRgb(x, y), b.PixelRgb(x, y)) << what << " at " << x << "," << y;
}

std::uint16_t U16(const ByteBuffer& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }
std::int32_t I32(const ByteBuffer& b, std::size_t at) {
  return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Every file below a folder, by relative path, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = Slurp(e.path());
  return files;
}

class TitleKitTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return mavlet::testing::RunProgram(MAVTOOL, args, dir); }

  Result Build(const fs::path& from, const fs::path& to, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"title", "build", from.string(), to.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args);
  }

  // A small source that uses every kind of file the kit knows.
  void WriteSource() {
    WriteFile(src / "title.txt", std::string("title = テスト\nscreen_mode = 3\nstart_page = 1\n"
                                         "reg_key = Software\\Kit\\Test\nnum = 回数\nflag = Seen\n"));
    WriteFile(src / "scenario/1.txt", std::string("\xEF\xBB\xBF# ソ表\nSetSfc 0,,0,bg.pmp\r\nJump 0,,12\n"));
    WriteFile(src / "scenario/12.txt", std::string("Exit"));
    WriteFile(src / "pictures/bg.png", EncodePng(Gradient(7, 5), PngColours::kAsStored));
    WriteFile(src / "pictures/bg-m.png", EncodePng(Indexed(7, 5, true), PngColours::kGrey));
    WriteFile(src / "pictures/pal.png", EncodePng(Indexed(6, 4, false), PngColours::kAsStored));
    WriteFile(src / "pictures/old.bmp", EncodeBmp(Indexed(5, 3, false)));
    std::vector<std::uint8_t> rgba(4 * 3 * 2, 200);
    rgba[3] = 0;     // top-left pixel fully transparent
    rgba[7] = 128;   // its neighbour half
    WriteFile(src / "pictures/ghost.png", RgbaPng(3, 2, rgba));
    WriteFile(src / "pictures/chara/走る.frames/0.png", EncodePng(Gradient(4, 4), PngColours::kAsStored));
    WriteFile(src / "pictures/chara/走る.frames/2.bmp", EncodeBmp(Gradient(3, 2)));
    WriteFile(src / "pictures/chara/走る.frames/flags.txt", std::string("1\n0\n"));
    WriteFile(src / "pictures/arrow.cur", std::string("not checked\n"));
    WriteFile(src / "pictures/opening.AVI", std::string("RIFF movie, not checked\n"));
    WriteFile(src / "sounds/bell.wav", Wave(40));
    WriteFile(src / "sounds/plain/raw.wav", Wave(10));
  }

  mavlet::testing::TempFolder temp{"mavtool-kit"};
  const fs::path dir = temp.path();
  const fs::path src = dir / "src";
};

TEST_F(TitleKitTest, BuildWritesWhatThePlayerReads) {
  WriteSource();
  const fs::path out = dir / "title";
  const Result r = Build(src, out);
  ASSERT_EQ(r.code, 0) << r.err;

  const mavlet::TGlobalData g = mavlet::ReadGlobalFile(out / "Pmx/Global.pmx");
  EXPECT_EQ(g.Title, "\x83\x65\x83\x58\x83\x67");  // テスト
  EXPECT_EQ(g.ScreenMode, 3);
  EXPECT_EQ(g.StartPage, 1);
  EXPECT_EQ(g.RegKey, "Software\\Kit\\Test");
  EXPECT_EQ(g.NumNames, std::vector<std::string>{"\x89\xf1\x90\x94"});  // 回数
  EXPECT_EQ(g.FlagNames, std::vector<std::string>{"Seen"});

  // Shift-JIS with CR LF; the BOM is dropped and a last line without an end stays so.
  EXPECT_EQ(AsText(mavlet::UnpackFile(out / "Pmx/1.pmx")), "# \x83\x5c\x95\x5c\r\nSetSfc 0,,0,bg.pmp\r\nJump 0,,12\r\n");
  EXPECT_EQ(AsText(mavlet::UnpackFile(out / "Pmx/12.pmx")), "Exit");

  // A 24-bit bottom-up BMP with the source's pixels.
  const ByteBuffer bg = mavlet::UnpackFile(out / "PMP/bg.pmp");
  EXPECT_EQ(U16(bg, 28), 24);
  EXPECT_GT(I32(bg, 22), 0);
  ExpectSamePixels(Decode(bg), Gradient(7, 5), "bg");
  // The mask keeps its grey levels as 8-bit bytes.
  const Bitmap mask = Decode(mavlet::UnpackFile(out / "PMP/bg-m.pmp"));
  EXPECT_EQ(mask.bit_count(), 8);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(mask.Row(y)[x], x * 16 + y);
  // Palettised sources stay 8-bit; an 8-bit BMP is kept byte for byte.
  const Bitmap pal = Decode(mavlet::UnpackFile(out / "PMP/pal.pmp"));
  EXPECT_EQ(pal.bit_count(), 8);
  ExpectSamePixels(pal, Indexed(6, 4, false), "pal");
  EXPECT_EQ(mavlet::UnpackFile(out / "PMP/old.pmp"), EncodeBmp(Indexed(5, 3, false)));
  // PNG transparency becomes the mask (255 - alpha).
  const Bitmap ghost_mask = Decode(mavlet::UnpackFile(out / "PMP/ghost-m.pmp"));
  EXPECT_EQ(ghost_mask.Row(0)[0], 255);
  EXPECT_EQ(ghost_mask.Row(0)[1], 127);
  EXPECT_EQ(ghost_mask.Row(1)[2], 55);

  // Frames in number order with their flags, each a complete BMP.
  const ByteBuffer frames = mavlet::UnpackFile(out / "PMP/chara/走る");
  ASSERT_EQ(I32(frames, 0), 2);
  std::size_t pos = 4;
  EXPECT_EQ(frames[pos++], 1);
  ExpectSamePixels(mavlet::ReadBmp(frames, pos, "f0"), Gradient(4, 4), "frame 0");
  EXPECT_EQ(frames[pos++], 0);
  ExpectSamePixels(mavlet::ReadBmp(frames, pos, "f1"), Gradient(3, 2), "frame 1");
  EXPECT_EQ(pos, frames.size());

  EXPECT_EQ(Slurp(out / "PMP/arrow.cur"), "not checked\n");
  EXPECT_EQ(Slurp(out / "PMP/opening.AVI"), "RIFF movie, not checked\n");
  EXPECT_EQ(mavlet::UnpackFile(out / "WAV/bell.PMW"), Wave(40));
  EXPECT_EQ(Slurp(out / "WAV/raw.wav"), AsText(Wave(10)));
}

TEST_F(TitleKitTest, PackedBuildUsesBothArchiveKinds) {
  WriteSource();
  const fs::path out = dir / "title";
  ASSERT_EQ(Build(src, out, {"--pack-scenarios", "--pack-sounds"}).code, 0);
  EXPECT_FALSE(fs::exists(out / "Pmx/1.pmx"));
  mavlet::TFileUnit unit;
  unit.LoadArchive(out / "Pmx/Data1.pmx");
  ByteBuffer text;
  ASSERT_TRUE(unit.ExtractEntry("12.pmx", text));
  EXPECT_EQ(AsText(text), "Exit");
  EXPECT_TRUE(unit.ExtractEntry("1.pmx", text));

  mavlet::TBigFileUnit sounds;
  sounds.OpenArchive(out / "WAV/Data1.PMW");
  const int index = sounds.IndexOfEntry("bell.pmw");
  ASSERT_GE(index, 0);
  ByteBuffer packed;
  ASSERT_TRUE(sounds.ReadEntry(index, packed));
  EXPECT_EQ(mavlet::UnpackStream(packed), Wave(40));
  EXPECT_TRUE(fs::exists(out / "WAV/raw.wav"));  // plain sounds are never archived

  // Building loose into the same folder must not leave the archive behind (it would shadow
  // nothing, but a stale loose file would shadow an archive the other way round).
  ASSERT_EQ(Build(src, out).code, 0);
  EXPECT_FALSE(fs::exists(out / "Pmx/Data1.pmx"));
  EXPECT_FALSE(fs::exists(out / "WAV/Data1.PMW"));
  EXPECT_TRUE(fs::exists(out / "Pmx/1.pmx"));
}

TEST_F(TitleKitTest, UnpackAndBuildAgainGivesTheSameTitle) {
  WriteSource();
  for (const bool packed : {false, true}) {
    SCOPED_TRACE(packed ? "packed" : "loose");
    const std::string tag = packed ? "p" : "l";
    const fs::path first = dir / ("first" + tag), back = dir / ("back" + tag), second = dir / ("second" + tag);
    std::vector<std::string> opts;
    if (packed) opts = {"--pack-scenarios", "--pack-sounds"};
    ASSERT_EQ(Build(src, first, opts).code, 0);
    const Result u = Run({"title", "unpack", first.string(), back.string()});
    ASSERT_EQ(u.code, 0) << u.err;
    // Second build without options: the unpacked description remembers the packing.
    const Result b = Build(back, second);
    ASSERT_EQ(b.code, 0) << b.err;
    EXPECT_EQ(Tree(first), Tree(second));

    EXPECT_EQ(Slurp(back / "scenario/1.txt"), "# ソ表\nSetSfc 0,,0,bg.pmp\nJump 0,,12\n");
    // Large archives keep names in upper case only.
    EXPECT_EQ(Slurp(back / (packed ? "sounds/BELL.wav" : "sounds/bell.wav")), AsText(Wave(40)));
    EXPECT_EQ(Slurp(back / "pictures/chara/走る.frames/flags.txt"), "1\n0\n");
    const TitleDescription d = ParseTitleDescription(Slurp(back / "title.txt"), "title.txt");
    EXPECT_EQ(d.title, "テスト");
    EXPECT_EQ(d.pack_scenarios, packed);
    EXPECT_EQ(d.num_names, std::vector<std::string>{"回数"});
  }
}

TEST_F(TitleKitTest, BadSourcesFailNamingTheFile) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> spoil;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"no description", [](const fs::path& s) { fs::remove(s / "title.txt"); }, "no title.txt"},
      {"bad description", [](const fs::path& s) { WriteFile(s / "title.txt", std::string("title = x\nfoo = 1\n")); },
       "title.txt:2: unknown key"},
      {"emoji in scenario",
       [](const fs::path& s) { WriteFile(s / "scenario/3.txt", std::string("Label 0,,a\nJump \xF0\x9F\x98\x80\n")); },
       "scenario/3.txt:2: not UTF-8, or a character Shift-JIS cannot hold"},
      {"leading zero", [](const fs::path& s) { WriteFile(s / "scenario/01.txt", std::string("")); }, "scenario/01.txt"},
      {"broken png", [](const fs::path& s) { WriteFile(s / "pictures/bg.png", std::string("\x89PNG\r\n\x1a\nxx")); },
       "pictures/bg.png: bad PNG file"},
      {"not a png", [](const fs::path& s) { WriteFile(s / "pictures/bg.png", std::string("GIF89a")); },
       "pictures/bg.png: not a PNG file"},
      {"broken bmp", [](const fs::path& s) { WriteFile(s / "pictures/old.bmp", std::string("BMxx")); }, "pictures/old.bmp"},
      {"mask size",
       [](const fs::path& s) { WriteFile(s / "pictures/bg-m.png", EncodePng(Indexed(6, 5, true), PngColours::kGrey)); },
       "pictures/bg-m.png: the mask is 6x5 but its picture is 7x5"},
      {"same output twice",
       [](const fs::path& s) { WriteFile(s / "pictures/bg.bmp", EncodeBmp(Gradient(2, 2))); }, "the same title file bg.pmp"},
      {"unknown picture file", [](const fs::path& s) { WriteFile(s / "pictures/x.jpg", std::string("j")); },
       "pictures/x.jpg: not a picture the kit knows"},
      {"flag count",
       [](const fs::path& s) { WriteFile(s / "pictures/chara/走る.frames/flags.txt", std::string("1 1 1")); },
       "flags.txt: 3 flags for 2 frames"},
      {"flag value",
       [](const fs::path& s) { WriteFile(s / "pictures/chara/走る.frames/flags.txt", std::string("1 yes")); },
       "flags.txt: expected 0 or 1"},
      {"frame name", [](const fs::path& s) { WriteFile(s / "pictures/chara/走る.frames/a.png", std::string("")); },
       "a.png: frames are named <number>"},
      {"frames named .pmp", [](const fs::path& s) { fs::create_directories(s / "pictures/x.pmp.frames"); },
       "x.pmp.frames: a frames folder must not give a .pmp name"},
      {"broken wave", [](const fs::path& s) { WriteFile(s / "sounds/bell.wav", std::string("RIFF....WAVE")); },
       "sounds/bell.wav"},
      {"not a wave", [](const fs::path& s) { WriteFile(s / "sounds/readme.txt", std::string("hi")); },
       "sounds/readme.txt: sounds are .wav files"},
      {"name outside Shift-JIS", [](const fs::path& s) { WriteFile(s / "pictures/\xF0\x9F\x98\x80.cur", std::string("")); },
       "the name cannot be written in Shift-JIS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(src);
    WriteSource();
    c.spoil(src);
    const fs::path out = dir / "out";
    fs::remove_all(out);
    const Result r = Build(src, out);
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, StartsWith("mavtool: "));
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  }
}

TEST_F(TitleKitTest, RefusesToOverwriteFoldersItDidNotWrite) {
  WriteSource();
  WriteFile(dir / "busy/keep.txt", std::string("mine"));
  const Result b = Build(src, dir / "busy");
  EXPECT_EQ(b.code, 1);
  EXPECT_THAT(b.err, HasSubstr("not empty and was not written by mavtool title build"));
  const Result u = Run({"title", "unpack", (dir / "nothing").string(), (dir / "u").string()});
  EXPECT_EQ(u.code, 1);
  EXPECT_THAT(u.err, HasSubstr("no Pmx/Global.pmx"));
  ASSERT_EQ(Build(src, dir / "t").code, 0);
  const Result u2 = Run({"title", "unpack", (dir / "t").string(), (dir / "busy").string()});
  EXPECT_EQ(u2.code, 1);
  EXPECT_THAT(u2.err, HasSubstr("busy: the folder is not empty"));
  EXPECT_EQ(Slurp(dir / "busy/keep.txt"), "mine");

  // A failed build's leftovers do not block the next build.
  WriteFile(src / "pictures/zz.png", std::string("broken"));
  EXPECT_EQ(Build(src, dir / "again").code, 1);
  fs::remove(src / "pictures/zz.png");
  const Result again = Build(src, dir / "again");
  EXPECT_EQ(again.code, 0) << again.err;
}

TEST_F(TitleKitTest, UnpackSkipsWhatItCannotReadAndSaysSo) {
  WriteSource();
  const fs::path t = dir / "t";
  ASSERT_EQ(Build(src, t).code, 0);
  WriteFile(t / "PMP/readme.txt", std::string("not a picture"));
  WriteFile(t / "Pmx/notes.pmx", std::string("x"));
  // A sound archive entry whose name would leave the output folder.
  mavlet::WriteBigFileUnit(t / "WAV/Data2.PMW", {{"../../EVIL.PMW", Wave(4)}});
  const Result u = Run({"title", "unpack", t.string(), (dir / "u").string()});
  ASSERT_EQ(u.code, 0) << u.err;
  EXPECT_THAT(u.err, HasSubstr("skipped " + (t / "PMP/readme.txt").string()));
  EXPECT_THAT(u.err, HasSubstr("skipped " + (t / "Pmx/notes.pmx").string()));
  EXPECT_THAT(u.err, HasSubstr("skipped the sound named"));
  EXPECT_FALSE(fs::exists(dir / "EVIL.wav"));
  EXPECT_FALSE(fs::exists(dir / "u/pictures/readme.txt.frames"));
}

}  // namespace
}  // namespace mavtool

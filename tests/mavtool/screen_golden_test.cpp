// Screen pictures of headless runs: the --shot, --shots-every, --depth and --size options of
// `mavtool run`, and pixel goldens. Titles are built from sources with `mavtool title build`
// and run by the mavtool program, as a user would.
//
// Goldens live in tests/goldens/. A run with MAVLET_UPDATE_GOLDENS=1 rewrites them from what the
// player draws now; review the new pictures before committing them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "player/backend/graphics/bitmap.h"
#include "player/storage/byte_buffer.h"
#include "tools/mavtool/kit/picture_codec.h"
#include "tests/support/file_builders.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using Result = testing::ProgramResult;
using testing::WriteFile;

namespace fs = std::filesystem;
using ::testing::HasSubstr;

ByteBuffer Slurp(const fs::path& file) { return testing::ReadFile(file); }

fs::path GoldenDir() {
  if (const char* src = std::getenv("MAVLET_SOURCE_DIR"); src && *src) return fs::path(src) / "tests" / "goldens";
  return fs::path(__FILE__).parent_path().parent_path() / "goldens";
}

bool UpdatingGoldens() {
  const char* v = std::getenv("MAVLET_UPDATE_GOLDENS");
  return v && std::string(v) == "1";
}

Bitmap DecodePicture(const fs::path& file) {
  return mavtool::DecodePng(Slurp(file), file.string(), false).bitmap;
}

// Counts pixels whose channels differ by more than `tolerance`; describes the first one.
struct PixelDiff {
  int count = 0;
  std::string first;
};
PixelDiff Compare(const Bitmap& want, const Bitmap& got, int tolerance) {
  PixelDiff d;
  for (std::int32_t y = 0; y < want.height(); ++y) {
    for (std::int32_t x = 0; x < want.width(); ++x) {
      const std::uint32_t a = want.PixelRgb(x, y), b = got.PixelRgb(x, y);
      bool off = false;
      for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255)) > tolerance) off = true;
      }
      if (!off) continue;
      if (d.count++ == 0) {
        std::ostringstream s;
        s << std::hex << "(" << std::dec << x << "," << y << ") golden 0x" << std::hex << a << ", drawn 0x" << b;
        d.first = s.str();
      }
    }
  }
  return d;
}

// Pictures for the small titles: plain shapes whose colours make a wrong blend or a lost key
// easy to see.
constexpr std::uint32_t kKey = 0xFF00FF;

Bitmap Filled(int w, int h, std::uint32_t rgb) {
  Bitmap b = Bitmap::Rgb24(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(rgb);
      p[1] = static_cast<std::uint8_t>(rgb >> 8);
      p[2] = static_cast<std::uint8_t>(rgb >> 16);
    }
  return b;
}

void Put(Bitmap& b, int x, int y, std::uint32_t rgb) {
  std::uint8_t* p = b.Row(y) + 3 * x;
  p[0] = static_cast<std::uint8_t>(rgb);
  p[1] = static_cast<std::uint8_t>(rgb >> 8);
  p[2] = static_cast<std::uint8_t>(rgb >> 16);
}

Bitmap Sky(int w, int h) {
  Bitmap b = Bitmap::Rgb24(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t r = static_cast<std::uint32_t>(40 + x * 120 / w);
      const std::uint32_t g = static_cast<std::uint32_t>(60 + y * 150 / h);
      const std::uint32_t bl = ((x / 16 + y / 16) % 2) ? 200 : 170;
      Put(b, x, y, r << 16 | g << 8 | bl);
    }
  return b;
}

// A disc on the colour key, shaded from the top left.
Bitmap Ball(int size, std::uint32_t base) {
  Bitmap b = Filled(size, size, kKey);
  const int c = size / 2, r = size / 2 - 2;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const int dx = x - c, dy = y - c;
      if (dx * dx + dy * dy > r * r) continue;
      const int light = 255 - ((x + y) * 160) / (2 * size);
      std::uint32_t px = 0;
      for (int shift : {0, 8, 16}) px |= static_cast<std::uint32_t>((((base >> shift) & 255) * static_cast<std::uint32_t>(light)) / 255) << shift;
      Put(b, x, y, px);
    }
  return b;
}

Bitmap Stripes(int w, int h) {
  Bitmap b = Bitmap::Rgb24(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) Put(b, x, y, (x / 8) % 2 ? 0x20E0C0 : 0xF0F0F0);
  return b;
}

// Grey mask: 0 in the middle (picture shows) to 255 at the rim (what lies below shows).
ByteBuffer RadialMask(int w, int h) {
  ByteBuffer bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int dx = 2 * x - w + 1, dy = 2 * y - h + 1;
      const int d2 = dx * dx + dy * dy, max2 = w * w;
      bytes[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint8_t>(d2 >= max2 ? 255 : d2 * 255 / max2);
    }
  return bytes;
}

Bitmap Frame(int size, int n) {
  static constexpr std::uint32_t kColours[] = {0xE03030, 0x30C030, 0x3050E0};
  Bitmap b = Filled(size, size, kKey);
  for (int y = 2 + n * 2; y < size - 2; ++y)
    for (int x = 2; x < size - 2 - n * 2; ++x) Put(b, x, y, kColours[n]);
  return b;
}

class ScreenShotTest : public ::testing::Test {
 protected:
  // MAVLET_KEEP_TEST_DIR=1 keeps the titles and pictures for a look (see TempFolder).
  Result Run(const std::vector<std::string>& args) { return testing::RunProgram(MAVTOOL, args, dir); }
  std::string P(const std::string& name) const { return (dir / name).string(); }

  // The layer title: 320x240, every kind of layer drawing the player has, in two scenes. Scene A
  // is complete after event 6, scene B after event 22; the title then waits for a click.
  void BuildLayerTitle() {
    const fs::path src = dir / "layers-src";
    WriteFile(src / "title.txt", std::string("title = Layers\nscreen_mode = 320x240\nno_registry = yes\n"));
    WriteFile(src / "pictures/sky.png", mavtool::EncodePng(Sky(320, 240), mavtool::PngColours::kAsStored));
    WriteFile(src / "pictures/ball.png", mavtool::EncodePng(Ball(48, 0xF0A040), mavtool::PngColours::kAsStored));
    WriteFile(src / "pictures/star.png", mavtool::EncodePng(Ball(12, 0xFFFF40), mavtool::PngColours::kAsStored));
    WriteFile(src / "pictures/glass.png", mavtool::EncodePng(Stripes(64, 64), mavtool::PngColours::kAsStored));
    WriteFile(src / "pictures/glass-m.png",
          mavtool::EncodePng(mavtool::GreyBitmap(64, 64, RadialMask(64, 64)), mavtool::PngColours::kGrey));
    for (int n = 0; n < 3; ++n)
      WriteFile(src / ("pictures/blink.frames/" + std::to_string(n) + ".png"),
            mavtool::EncodePng(Frame(24, n), mavtool::PngColours::kAsStored));
    WriteFile(src / "scenario/1.txt", std::string(
        "# Scene A: sky, keyed ball with a star attached, masked glass, half-transparent ball,\n"
        "# translucent panel, frame 1 of three.\n"
        "SetSfc 0,,0,sky.pmp,0,0,0,255,1\n"
        "SetSfc 0,,1,ball.pmp,16,24,1,255,1\n"
        "OverSfc 0,,1,star.pmp,0,30,4,1,255,1\n"
        "SetSfc 0,,2,glass.pmp,120,60,1,255,1\n"
        "SetSfc 0,,3,ball.pmp,150,90,1,128,1\n"
        "FillSfc 0,,4,0,176,320,64,$603010,160,1\n"
        "SetSfc 0,,5,blink,260,20,1,255,1\n"
        "SetFrame 0,,5,1\n"
        "Wait 0,,300\n"
        "# Scene B: darker sky, brighter ball, half ball gone, next frame, panel moved.\n"
        "Bright 0,,0,-80\n"
        "Bright 0,,1,60\n"
        "HideSfc 0,,3\n"
        "IncFrame 0,,5\n"
        "FillSfc 0,,4,40,150,240,40,$2040C0,96,1\n"
        "Wait 0,,100\n"
        "WaitClick 0,\n"));
    BuildTitle("layers-src", "layers");
  }

  void BuildTitle(const std::string& src, const std::string& out) {
    Result r = Run({"title", "build", P(src), P(out)});
    ASSERT_EQ(r.code, 0) << r.err;
  }

  // Compares a PNG the runner wrote with tests/goldens/<name>.png: exactly, or per channel
  // within tolerance. With MAVLET_UPDATE_GOLDENS=1 (and tolerance 0) the golden is rewritten.
  void ExpectGolden(const fs::path& drawn, const std::string& name, int tolerance = 0) {
    const fs::path golden = GoldenDir() / (name + ".png");
    ASSERT_TRUE(fs::exists(drawn)) << drawn << " was not written";
    if (UpdatingGoldens() && tolerance == 0) {
      fs::create_directories(golden.parent_path());
      fs::copy_file(drawn, golden, fs::copy_options::overwrite_existing);
      std::cout << "rewrote " << golden.string() << "\n";
      return;
    }
    ASSERT_TRUE(fs::exists(golden)) << golden << " is missing; run the test with MAVLET_UPDATE_GOLDENS=1 to create it";
    const Bitmap want = DecodePicture(golden);
    const Bitmap got = DecodePicture(drawn);
    ASSERT_EQ(got.width(), want.width()) << name;
    ASSERT_EQ(got.height(), want.height()) << name;
    const PixelDiff d = Compare(want, got, tolerance);
    if (d.count == 0) return;
    const fs::path keep = fs::temp_directory_path() / ("mavlet-" + name + ".drawn.png");
    fs::copy_file(drawn, keep, fs::copy_options::overwrite_existing);
    ADD_FAILURE() << name << ": " << d.count << " pixels differ (tolerance " << tolerance << "), first at " << d.first
                  << "; the drawn picture is kept as " << keep.string();
  }

  testing::TempFolder temp{"mavtool-shot"};
  const fs::path dir = temp.path();
};

TEST_F(ScreenShotTest, ShotsAfterEventsAndEveryNEvents) {
  BuildLayerTitle();
  Result r = Run({"run", P("layers"), "--events", "12", "--shot", "3:" + P("a.png"), "--shot",
                  "10:" + P("sub/b.png"), "--shots-every", "5", P("series"), "--size", "320x240"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "a.png"));
  std::vector<std::string> series;
  for (const auto& e : fs::directory_iterator(dir / "series")) series.push_back(e.path().filename().string());
  std::sort(series.begin(), series.end());
  EXPECT_EQ(series, (std::vector<std::string>{"shot-000005.png", "shot-000010.png"}));
  // The same event gives the same picture either way; a later one shows the changed scene.
  EXPECT_EQ(Slurp(dir / "sub/b.png"), Slurp(dir / "series/shot-000010.png"));
  EXPECT_NE(Slurp(dir / "a.png"), Slurp(dir / "sub/b.png"));
  const Bitmap a = DecodePicture(dir / "a.png");
  EXPECT_EQ(a.width(), 320);
  EXPECT_EQ(a.height(), 240);
}

TEST_F(ScreenShotTest, BadShotOptionsAreRefusedWithTheReason) {
  BuildLayerTitle();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--shot", "a.png"}, "--shot"},
      {{"--shot", "0:a.png"}, "--shot"},
      {{"--shot", "x:a.png"}, "--shot"},
      {{"--shot", "5:"}, "--shot"},
      {{"--events", "10", "--shot", "11:a.png"}, "beyond"},
      {{"--shots-every", "0", P("s")}, "--shots-every"},
      {{"--shots-every", "5"}, "--shots-every"},
      {{"--depth", "8"}, "--depth"},
      {{"--depth", "32x"}, "--depth"},
      {{"--size", "320"}, "--size"},
      {{"--size", "0x240"}, "--size"},
      {{"--size", "640x480"}, "320x240"},
  };
  for (const auto& [extra, expected] : cases) {
    std::vector<std::string> args = {"run", P("layers")};
    args.insert(args.end(), extra.begin(), extra.end());
    Result r = Run(args);
    EXPECT_EQ(r.code, 1) << extra[0] << " " << extra.back();
    EXPECT_THAT(r.err, HasSubstr(expected)) << extra[0] << " " << extra.back();
  }
  EXPECT_FALSE(fs::exists(dir / "a.png"));
}

TEST_F(ScreenShotTest, ShotsThatCannotBeWrittenOrTakenFail) {
  BuildLayerTitle();
  WriteFile(dir / "file", std::string("x"));
  Result unwritable = Run({"run", P("layers"), "--events", "3", "--shot", "2:" + P("file/x.png")});
  EXPECT_EQ(unwritable.code, 1);
  EXPECT_THAT(unwritable.err, HasSubstr("file/x.png"));
  // The run ends when the main stream does, before the event of the shot.
  WriteFile(dir / "short-src/title.txt", std::string("title = Short\nscreen_mode = 320x240\nno_registry = yes\n"));
  WriteFile(dir / "short-src/scenario/1.txt", std::string("FillSfc 0,,0,0,0,320,240,$FF0000,255,1\n"));
  BuildTitle("short-src", "short");
  Result ended = Run({"run", P("short"), "--until-end", "--shot", "2:" + P("early.png"), "--shot", "50:" + P("late.png")});
  EXPECT_EQ(ended.code, 1);
  EXPECT_THAT(ended.err, HasSubstr("late.png"));
  EXPECT_TRUE(fs::exists(dir / "early.png"));
  EXPECT_FALSE(fs::exists(dir / "late.png"));
}

TEST_F(ScreenShotTest, LayerTitleMatchesItsGoldens) {
  BuildLayerTitle();
  Result r = Run({"run", P("layers"), "--events", "24", "--shot", "8:" + P("a.png"), "--shot", "24:" + P("b.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  ExpectGolden(dir / "a.png", "layers-a");
  ExpectGolden(dir / "b.png", "layers-b");
}

TEST_F(ScreenShotTest, LowerDepthsStayCloseToTheGoldens) {
  BuildLayerTitle();
  // 24 bits keep every colour. 16 bits keep 5 or 6 bits per channel, and alpha and mask blends
  // work on those reduced levels, so the error grows where two layers mix (up to 18 here).
  for (const auto& [depth, tolerance] : {std::pair{"24", 0}, std::pair{"16", 24}}) {
    const std::string a = P(std::string("a") + depth + ".png"), b = P(std::string("b") + depth + ".png");
    Result r = Run({"run", P("layers"), "--events", "24", "--depth", depth, "--shot", "8:" + a, "--shot", "24:" + b});
    ASSERT_EQ(r.code, 0) << r.err;
    if (UpdatingGoldens()) continue;
    SCOPED_TRACE(std::string("depth ") + depth);
    ExpectGolden(a, "layers-a", tolerance);
    ExpectGolden(b, "layers-b", tolerance);
  }
}

// The bundled demo: the title screen with the sparkle turning (and sparkles at the pointer), and
// the room after a click, petals falling and the girl's first line typing in the text window.
// Both choice kinds at 32 bits: a column menu with title, frame, translucent back and inverted
// highlight; a 30-item list scrolled to row 5 with its scroll bar; a map whose hovered ellipse
// shows the highlight picture through exactly its shape.
TEST_F(ScreenShotTest, ChoicesMatchTheirGoldens) {
  const fs::path src = dir / "choices-src";
  WriteFile(src / "title.txt", std::string("title = Choices\nscreen_mode = 320x240\nno_registry = yes\n"));
  WriteFile(src / "pictures/sky.png", mavtool::EncodePng(Sky(320, 240), mavtool::PngColours::kAsStored));
  WriteFile(src / "pictures/lit.png", mavtool::EncodePng(Stripes(320, 240), mavtool::PngColours::kAsStored));
  std::string list = "SelStr 0,,Chapters,14,$FFFFFF,150,10,16,$FFFFFF,2,$FFFFFF,2,$402010,1,$40C0FF,"
                     "6:0:1:1:5:$303030:$C0C0C0:1:$FFFFFF:2";
  for (int i = 1; i <= 30; ++i) list += ",Chapter " + std::to_string(i) + ",3::0,0";
  WriteFile(src / "scenario/1.txt", std::string(
      "SetSfc 0,,0,sky.pmp,0,0,0,255,1\n"
      "SelStr 0,,Which way?,14,$FFFFFF,20,20,20,$FFFFFF,3,$E0E0E0,2,$602020,3,$20A0F0,"
      "10:0:1:0:0:0:0:0:0:0,North,2::0,0,East,2::0,0,South,2::0,0\n"));
  WriteFile(src / "scenario/2.txt", "SetSfc 0,,0,sky.pmp,0,0,0,255,1\n" + list + "\n");
  WriteFile(src / "scenario/3.txt", std::string(
      "SetSfc 0,,0,sky.pmp,0,0,0,255,1\n"
      "SelMap 0,,lit.pmp,1\\4::0\\40\\40\\160\\120,2\\4::0\\200\\40\\300\\200\\180\\200\n"));
  WriteFile(src / "scenario/4.txt", std::string("WaitClick 0,\n"));
  BuildTitle("choices-src", "choices");
  // Hover the second item, shoot, choose it; hover row 7 of the list, shoot, choose; hover the
  // ellipse, shoot.
  WriteFile(dir / "input.txt", std::string("4 mouse 40 75\n8 click\n12 mouse 160 150\n16 click\n20 mouse 100 80\n"));
  Result r = Run({"run", P("choices"), "--events", "24", "--input", P("input.txt"), "--shot", "6:" + P("column.png"),
                  "--shot", "14:" + P("list.png"), "--shot", "22:" + P("map.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  ExpectGolden(dir / "column.png", "choices-column");
  ExpectGolden(dir / "list.png", "choices-list");
  ExpectGolden(dir / "map.png", "choices-map");
}

// A typical text page at 32 bits with the bundled font: a speaker's name in 【】 with the rows
// after it hanging under the text, full-width and half-width characters, punctuation at a row's
// end, a colour change, a shadow, over a picture; and the Input line below it with typed text.
TEST_F(ScreenShotTest, TextPageMatchesItsGolden) {
  const fs::path src = dir / "text-src";
  WriteFile(src / "title.txt", std::string("title = Text\nscreen_mode = 320x240\nno_registry = yes\nstr = name\n"));
  WriteFile(src / "pictures/sky.png", mavtool::EncodePng(Sky(320, 240), mavtool::PngColours::kAsStored));
  WriteFile(src / "scenario/1.txt", std::string(
      "SetSfc 0,,0,sky.pmp,0,0,0,255,1\n"
      "TextPos 0,,8,120,16,18,4,4\nTextSpd 0,,0\nTextCol 0,,$FFFFFF\nTextSCol 0,,$302018\n"
      "PutText 0,,【少女】こんばんは。ｶﾅと１２３、\\c(50C8F0)金色\\c(FFFFFF)の「夜」が来たわ……！\\nABC xyz.\n"
      "Input 0,,name,16,120,0,8,206,$302018,$F0E0C0\n"));
  BuildTitle("text-src", "text");
  WriteFile(dir / "input.txt", std::string("8 text Mika\n"));
  Result r = Run({"run", P("text"), "--events", "12", "--input", P("input.txt"), "--shot", "12:" + P("page.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  ExpectGolden(dir / "page.png", "text-page");
}

TEST_F(ScreenShotTest, DemoTitleMatchesItsGoldens) {
  const fs::path demo = GoldenDir().parent_path().parent_path() / "demo" / "title";
  ASSERT_TRUE(fs::exists(demo / "title.txt")) << demo;
  const Result built = Run({"title", "build", demo.string(), P("demo")});
  ASSERT_EQ(built.code, 0) << built.err;
  // Skip the opening movie, click the title screen, then choose "start" in its menu. The movie is
  // skipped at event 60 and the title screen starts 60 events later than it would without it.
  WriteFile(dir / "input.txt", std::string("60 click\n360 click\n365 mouse 300 266\n368 click\n"));
  Result r = Run({"run", P("demo"), "--events", "460", "--size", "640x480", "--input", P("input.txt"), "--shot",
                  "100:" + P("title.png"), "--shot", "460:" + P("room.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  ExpectGolden(dir / "title.png", "demo-title");
  ExpectGolden(dir / "room.png", "demo-room");
}

}  // namespace
}  // namespace mavlet

// One-file transfers against the loopback server: every server behaviour as a table row, the
// scheme rules, stop and resume, the stop during a pause between tries, empty files.
#include "downloader/core/transfer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "downloader/core/definition.h"
#include "tests/downloader/loopback_server.h"

namespace quillget {
namespace {

namespace fs = std::filesystem;
using testing::LoopbackServer;
using testing::Pattern;
using testing::VersionShift;
using testing::VersionValidator;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }

fs::path FreshDir(const std::string& name) {
  const auto dir = fs::path(::testing::TempDir()) / ("quillget_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

FetchOptions Quick() {
  FetchOptions o;
  o.backoff = std::chrono::milliseconds(10);
  o.lowSpeedSeconds = 2;
  o.connectTimeoutSeconds = 5;
  return o;
}

TEST(Transfer, ServerBehaviours) {
  LoopbackServer server;
  constexpr std::int64_t kSize = 300000;
  const std::string body = Pattern(kSize);
  struct Case {
    std::string mode;
    std::string partBefore;    // "<none>" for no part file
    std::string targetBefore;  // "<none>" for no target file
    bool ok;
    std::string error;         // part of the error text
  };
  const std::string none = "<none>";
  const std::vector<Case> cases = {
      {"plain", none, none, true, ""},
      {"redirect", none, none, true, ""},
      {"reset", none, none, true, ""},  // cut once, resumed
      {"busy", none, none, true, ""},   // 503 once, tried again
      {"plain", body.substr(0, 1000), none, true, ""},            // resumed with a Range request
      {"norange", body.substr(0, 1000), none, true, ""},          // range ignored: restarted
      {"plain", body + "extra", none, true, ""},                  // part too long: restarted
      {"plain", body, none, true, ""},                            // part already whole
      {"plain", none, "old and wrong", true, ""},                 // replaced when the new one is right
      {"missing", none, none, false, "404"},
      {"missing", none, "the good old file", false, "404"},       // a failed fetch keeps what was there
      {"small", none, "the good old file", false, "sent 150000 bytes"},
      {"long", none, "the good old file", false, "more than the declared"},
      {"short", none, none, false, "tries"},
      {"tofile", none, "the good old file", false, ""},
      {"stall", none, none, false, "tries"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode + " case " + std::to_string(n));
    const auto dir = FreshDir("transfer" + std::to_string(n++));
    const auto target = dir / "sub" / "file.dat";
    fs::create_directories(target.parent_path());
    if (c.partBefore != none) Write(PartPath(target), c.partBefore);
    if (c.targetBefore != none) Write(target, c.targetBefore);
    StopFlag stop;
    std::int64_t lastProgress = -1, lastMax = -1;
    FetchOptions options = Quick();
    if (c.mode == "stall") options.tries = 2;
    const auto r = FetchFile({server.Url("/" + c.mode + "/" + std::to_string(kSize) + "/f"), target, kSize}, options,
                             [&](std::int64_t p, std::int64_t m) { lastProgress = p, lastMax = m; }, stop);
    EXPECT_EQ(r.ok, c.ok) << r.error;
    EXPECT_FALSE(r.stopped);
    EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    if (c.ok) {
      EXPECT_TRUE(Read(target) == body);
      EXPECT_FALSE(fs::exists(PartPath(target)));
      EXPECT_LE(lastProgress, kSize);
    } else if (c.targetBefore != none) {
      EXPECT_EQ(Read(target), c.targetBefore);
    } else {
      EXPECT_FALSE(fs::exists(target));
    }
    if (c.mode == "plain" && c.ok && c.partBefore != none && c.partBefore.size() < body.size()) {
      EXPECT_EQ(lastMax, kSize);  // progress counts the whole file, not the rest
    }
  }
  // The Range requests the resumed cases sent.
  const auto ranges = server.RangeHeaders();
  EXPECT_NE(std::find(ranges.begin(), ranges.end(), "1000-"), ranges.end());
}

// A part begun at one start is finished at the next: only from the same version of the file
// (If-Range with the validator kept beside the part), else from zero.
TEST(Transfer, ResumeAcrossStartsKeepsToOneVersionOfTheFile) {
  LoopbackServer server;
  constexpr std::int64_t kSize = 300000;
  struct Case {
    std::string first, second;  // MODE/NAME of the cut first fetch and of the next one
    std::string ifRange;        // what the next fetch sends ("" for nothing)
    bool resumed;               // the next fetch's answer continued the part
  };
  const std::vector<Case> cases = {
      {"short/v1", "plain/v2", "\"v1\"", false},                // the file changed: whole 200
      {"short/v3", "plain/v3", "\"v3\"", true},                 // same version: the rest
      {"short/m1", "plain/m2", VersionValidator("m1"), false},  // Last-Modified when no ETag
      {"short/w4", "plain/w4", VersionValidator("w4"), true},   // a weak ETag is not used
      {"nolength/f", "nolength/f", "", true},                   // cut without a length: kept
      {"short/f", "plain/f", "", true},                         // no validator: size must agree
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first + " then " + c.second);
    const auto dir = FreshDir("resume" + std::to_string(n++));
    const auto target = dir / "file.dat";
    FetchOptions once = Quick();
    once.tries = 1;
    StopFlag stop;
    auto url = [&](const std::string& modeName) {
      const auto slash = modeName.find('/');
      return server.Url("/" + modeName.substr(0, slash) + "/" + std::to_string(kSize) + modeName.substr(slash));
    };
    EXPECT_FALSE(FetchFile({url(c.first), target, kSize}, once, {}, stop).ok);
    ASSERT_EQ(LocalFileSize(PartPath(target)), kSize / 2);
    const auto before = server.RangeHeaders().size();
    const auto r = FetchFile({url(c.second), target, kSize}, Quick(), {}, stop);
    EXPECT_TRUE(r.ok) << r.error;
    const std::string name = c.second.substr(c.second.find('/') + 1);
    EXPECT_TRUE(Read(target) == Pattern(kSize, VersionShift(name)));
    EXPECT_FALSE(fs::exists(PartPath(target)));
    EXPECT_FALSE(fs::exists(ValidatorPath(PartPath(target))));
    const auto ranges = server.RangeHeaders();
    const auto ifRanges = server.IfRangeHeaders();
    ASSERT_GT(ranges.size(), before);
    EXPECT_EQ(ranges[before], std::to_string(kSize / 2) + "-");
    EXPECT_EQ(ifRanges[before], c.ifRange);
    EXPECT_EQ(ranges.size() - before, c.resumed ? 1u : 2u);  // a restart asks once more, from zero
  }
}

// A validator file that is not one clean line counts as none: nothing of it reaches a header.
TEST(Transfer, BadValidatorFilesCountAsNone) {
  LoopbackServer server;
  const std::vector<std::string> contents = {"",
                                             "\n",
                                             "\"v1\"",
                                             "\"v1\"\r\nX-Injected: 1\n",
                                             "\"a\"\n\"b\"\n",
                                             std::string(300, 'e') + "\n",
                                             std::string("\"\x01\"\n", 4)};
  int n = 0;
  for (const auto& content : contents) {
    SCOPED_TRACE(n);
    const auto dir = FreshDir("badvalidator" + std::to_string(n++));
    const auto target = dir / "file.dat";
    Write(PartPath(target), Pattern(1000));
    Write(ValidatorPath(PartPath(target)), content);
    EXPECT_EQ(ReadValidator(ValidatorPath(PartPath(target))), "");
    StopFlag stop;
    EXPECT_TRUE(FetchFile({server.Url("/plain/5000/f"), target, 5000}, Quick(), {}, stop).ok);
    EXPECT_TRUE(Read(target) == Pattern(5000));
    EXPECT_EQ(server.IfRangeHeaders().back(), "");
    EXPECT_EQ(server.RangeHeaders().back(), "1000-");
  }
  // A good one round-trips, and a write replaces it whole.
  const auto file = FreshDir("goodvalidator") / "v";
  EXPECT_TRUE(WriteValidator(file, "\"abc\""));
  EXPECT_TRUE(WriteValidator(file, "W"));
  EXPECT_EQ(ReadValidator(file), "W");
  EXPECT_FALSE(WriteValidator(file, "a\r\nb"));
  EXPECT_EQ(ReadValidator(file), "W");
}

TEST(Transfer, RefusesSchemesOtherThanHttpHttpsFtp) {
  const std::vector<std::pair<std::string, bool>> urls = {
      {"http://h/a", true},  {"https://h/a", true},   {"ftp://h/a", true},  {"HTTP://h/a", true},
      {"file:///etc/passwd", false}, {"gopher://h/", false}, {"scp://h/a", false}, {"dict://h/", false},
      {"", false},           {"http:/x", false},      {"a/b.dat", false}};
  for (const auto& [url, ok] : urls) EXPECT_EQ(UrlAcceptable(url), ok) << url;
  const auto dir = FreshDir("scheme");
  StopFlag stop;
  const auto r = FetchFile({"file:///etc/hostname", dir / "x", 1}, Quick(), {}, stop);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST(Transfer, StopKeepsThePartForLaterAndTheOldFile) {
  LoopbackServer server;
  const auto dir = FreshDir("stop");
  const auto target = dir / "f.dat";
  Write(target, "old");
  StopFlag stop;
  const auto r = FetchFile({server.Url("/stall/100000/f"), target, 100000}, Quick(),
                           [&](std::int64_t p, std::int64_t) {
                             if (p >= 50000) stop.Request();
                           },
                           stop);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(LocalFileSize(PartPath(target)), 50000);
  // The next fetch asks only for the rest.
  StopFlag again;
  EXPECT_TRUE(FetchFile({server.Url("/plain/100000/f"), target, 100000}, Quick(), {}, again).ok);
  EXPECT_TRUE(Read(target) == Pattern(100000));
  EXPECT_EQ(server.RangeHeaders().back(), "50000-");
}

TEST(Transfer, StopDuringTheBackoffPauseIsImmediate) {
  LoopbackServer server;
  const auto dir = FreshDir("backoff");
  FetchOptions o = Quick();
  o.backoff = std::chrono::seconds(30);
  StopFlag stop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop.Request();
  });
  const auto start = std::chrono::steady_clock::now();
  const auto r = FetchFile({server.Url("/busy/10/f"), dir / "f", 10}, o, {}, stop);
  stopper.join();
  EXPECT_TRUE(r.stopped);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Transfer, EmptyFile) {
  LoopbackServer server;
  const auto dir = FreshDir("empty");
  StopFlag stop;
  EXPECT_TRUE(FetchFile({server.Url("/plain/0/f"), dir / "a" / "b" / "f", 0}, Quick(), {}, stop).ok);
  EXPECT_EQ(LocalFileSize(dir / "a" / "b" / "f"), 0);
}

}  // namespace
}  // namespace quillget

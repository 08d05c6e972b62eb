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

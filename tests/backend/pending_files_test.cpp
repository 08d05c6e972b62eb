// Placeholders fetched on first open: the manifest's folders and files appear at once, a file's
// bytes arrive the first time a title path resolves to it, and failures name the file and leave
// a placeholder to try again.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "player/backend/posix/pending_files.h"
#include "player/backend/posix/posix_file_services.h"
#include "player/common/error.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A server: URL to body; missing URLs fail as a 404 does.
struct FakeServer {
  std::map<std::string, std::string> bodies;
  std::vector<std::string> asked;
  PendingFiles::Fetch Fetch() {
    return [this](const std::string& url, const fs::path& file) {
      asked.push_back(url);
      const auto it = bodies.find(url);
      if (it == bodies.end()) throw MavError("the server answered 404");
      std::ofstream(file, std::ios::binary | std::ios::trunc) << it->second;
    };
  }
};

TitleManifest Manifest(std::vector<ManifestEntry> files) { return TitleManifest{std::move(files), false}; }

TEST(UrlPath, EncodesAllButPlainBytes) {
  const std::pair<const char*, const char*> cases[] = {
      {"Pmx/Global.pmx", "Pmx/Global.pmx"},
      {"a b/c#d?e%f", "a%20b/c%23d%3Fe%25f"},
      {"\xE7\x94\xBB\xE5\x83\x8F/x~_-.bmp", "%E7%94%BB%E5%83%8F/x~_-.bmp"},
      {"+&=;", "%2B%26%3D%3B"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(UrlPath(in), out) << in;
}

TEST(PendingFiles, ResolveFetchesOnceOnFirstOpen) {
  testing::TempFolder tmp("pending");
  const fs::path root = tmp / "title";
  FakeServer server;
  server.bodies["title/Pmx/Global.pmx"] = "GLOBAL";
  server.bodies["title/BMP/%E7%94%BB.bmp"] = "BM12";
  PendingFiles pending(server.Fetch());
  pending.AddManifest(Manifest({{"Pmx/Global.pmx", 6}, {"BMP/\xE7\x94\xBB.bmp", 4}, {"empty.txt", 0}}), root,
                      "title/");
  // Folders and placeholders exist before anything is fetched; an empty file needs no fetch.
  EXPECT_TRUE(fs::is_directory(root / "BMP"));
  EXPECT_EQ(fs::file_size(root / "Pmx" / "Global.pmx"), 0u);
  EXPECT_EQ(pending.PendingCount(), 2u);
  EXPECT_FALSE(pending.IsPending(root / "empty.txt"));

  PosixFileServices posix;
  FetchedFileServices files(posix, pending);
  // Letter case and "\\" separators still go through the resolver; the fetch uses the real name.
  const std::optional<fs::path> global = files.Resolve(root, "pmx\\GLOBAL.PMX");
  ASSERT_TRUE(global);
  EXPECT_EQ(Read(*global), "GLOBAL");
  EXPECT_TRUE(files.Resolve(root, "Pmx/Global.pmx"));
  EXPECT_EQ(server.asked, std::vector<std::string>{"title/Pmx/Global.pmx"});
  // A folder and a missing file fetch nothing.
  EXPECT_TRUE(files.Resolve(root, "BMP"));
  EXPECT_FALSE(files.Resolve(root, "BMP/none.bmp"));
  EXPECT_EQ(server.asked.size(), 1u);
  pending.EnsureAll();
  EXPECT_EQ(Read(root / "BMP" / "\xE7\x94\xBB.bmp"), "BM12");
  EXPECT_EQ(pending.PendingCount(), 0u);
}

TEST(PendingFiles, FailuresNameTheFileAndLeaveItPending) {
  struct Case {
    const char* name;
    const char* body;  // null: the server has no such file
    const char* message;
  };
  const Case cases[] = {
      {"missing", nullptr, "title/a.bin: the server answered 404"},
      {"short", "abc", "title/a.bin: the server sent 3 bytes, the site's file list says 5"},
      {"long", "abcdefgh", "title/a.bin: the server sent 8 bytes, the site's file list says 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempFolder tmp("pending");
    FakeServer server;
    if (c.body != nullptr) server.bodies["title/a.bin"] = c.body;
    PendingFiles pending(server.Fetch());
    pending.AddManifest(Manifest({{"a.bin", 5}}), tmp / "t", "title/");
    PosixFileServices posix;
    FetchedFileServices files(posix, pending);
    try {
      files.Resolve(tmp / "t", "a.bin");
      ADD_FAILURE() << "no error";
    } catch (const MavError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    // No half file is taken for the real one; the next open asks again and can succeed.
    EXPECT_EQ(fs::file_size(tmp / "t" / "a.bin"), 0u);
    EXPECT_TRUE(pending.IsPending(tmp / "t" / "a.bin"));
    server.bodies["title/a.bin"] = "12345";
    ASSERT_TRUE(files.Resolve(tmp / "t", "a.bin"));
    EXPECT_EQ(Read(tmp / "t" / "a.bin"), "12345");
  }
}

TEST(PendingFiles, BadEntriesNameTheEntry) {
  testing::TempFolder tmp("pending");
  FakeServer server;
  PendingFiles pending(server.Fetch());
  // A file where the manifest also needs a folder of that name.
  tmp.File("t/a", "x");
  EXPECT_THROW(pending.AddManifest(Manifest({{"a/b.txt", 1}}), tmp / "t", "title/"), MavError);
  // A path that would leave the folder (a manifest built by hand, not parsed).
  try {
    pending.AddManifest(Manifest({{"../out.txt", 1}}), tmp / "t", "title/");
    ADD_FAILURE() << "no error";
  } catch (const MavError& e) {
    EXPECT_NE(std::string(e.what()).find("../out.txt"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(tmp / "out.txt"));
}

}  // namespace
}  // namespace mavlet

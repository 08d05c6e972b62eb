// The quillget program in batch mode, end to end against the loopback server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>

#include <cstdio>
#include <fstream>
#include <thread>

#include "downloader/core/definition.h"
#include "tests/downloader/loopback_server.h"

namespace quillget {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exit = -1;
  std::string output;
};

Outcome Quillget(const std::string& args, const std::string& env = "LANG=C") {
  const std::string command = "env " + env + " " + QUILLGET_PATH + " --batch " + args + " 2>&1";
  Outcome o;
  std::FILE* p = popen(command.c_str(), "r");
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) o.output.append(buf, n);
  const int status = pclose(p);
  o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("quillget_program_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "title");
    program_ = dir_ / "title" / "start.sh";
    std::ofstream(program_) << "#!/bin/sh\necho ran > started.txt\n";
    fs::permissions(program_, fs::perms::owner_all);
  }
  void Define(const std::string& text) { std::ofstream(dir_ / kDefinitionName, std::ios::binary) << text; }
  std::string Args() const { return "--folder " + dir_.string() + " " + program_.string(); }
  bool Started() const {
    for (int i = 0; i < 100 && !fs::exists(dir_ / "title" / "started.txt"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(dir_ / "title" / "started.txt");
  }
  std::string Entry(const std::string& mode, int size, const std::string& local) const {
    return server_.Url("/" + mode + "/" + std::to_string(size) + "/x") + "\t" + local + "\t" + std::to_string(size) + "\r\n";
  }

  testing::LoopbackServer server_;
  fs::path dir_, program_;
};

TEST_F(ProgramTest, DownloadsEverythingThenStartsTheProgramInItsFolder) {
  Define("Title\r\n" + Entry("plain", 70000, "data\\\x83\x5C.dat") + Entry("redirect", 10, "b.dat"));
  const auto o = Quillget(Args());
  EXPECT_EQ(o.exit, 0) << o.output;
  EXPECT_NE(o.output.find("quillget: 263 Download was completed."), std::string::npos) << o.output;
  EXPECT_EQ(LocalFileSize(dir_ / "data" / "ソ.dat"), 70000);
  EXPECT_TRUE(Started());
  // Everything complete now: no request at all, the program starts at once.
  fs::remove(dir_ / "title" / "started.txt");
  const int before = server_.Requests();
  EXPECT_EQ(Quillget(Args()).exit, 0);
  EXPECT_EQ(server_.Requests(), before);
  EXPECT_TRUE(Started());
}

TEST_F(ProgramTest, FailuresExitOneWithTheirMessageAndNeverStartTheProgram) {
  struct Case {
    std::string definition;  // "" for none
    std::string args;        // replaces the usual arguments when set
    std::string env;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", "", "LANG=C", "quillget: 803 There is no download definition file."},
      {Entry("missing", 10, "a.dat"), "", "LANG=C", "quillget: 261 It was canceled."},
      {Entry("missing", 10, "a.dat"), "", "LANG=ja_JP.UTF-8", "quillget: 261 キャンセルされました。"},
      {Entry("small", 100, "a.dat"), "", "LANG=C", "the definition says 100"},
      {Entry("plain", 10, "..\\..\\escape.dat"), "", "LANG=C", "quillget: 805 Invalid definition file."},
      {Entry("plain", 10, "a.dat"), "--folder DIR DIR/title/none.sh", "LANG=C", "quillget: 802"},
      {"qlkid=1\nvendor_id=2\nfile=plain/10/x\ta.dat\t10\n", "", "LANG=C", "quillget: 819"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    fs::remove(dir_ / kDefinitionName);
    if (!c.definition.empty()) Define(c.definition);
    std::string args = c.args.empty() ? Args() : c.args;
    for (auto at = args.find("DIR"); at != std::string::npos; at = args.find("DIR")) args.replace(at, 3, dir_.string());
    const auto o = Quillget(args, c.env);
    EXPECT_EQ(o.exit, 1);
    EXPECT_NE(o.output.find(c.expected), std::string::npos) << o.output;
  }
  EXPECT_FALSE(fs::exists(dir_ / "escape.dat"));
  EXPECT_FALSE(fs::exists(dir_.parent_path().parent_path() / "escape.dat"));
  EXPECT_FALSE(Started());
}

TEST_F(ProgramTest, KeyedLayoutTakesItsBaseAddressFromTheCommandLineOrEnvironment) {
  Define("qlkid=1\nvendor_id=2\ntitle=Keyed\nfile=plain/10/x\ta.dat\t10\n");
  EXPECT_EQ(Quillget("--base-url " + server_.Url("/") + " " + Args()).exit, 0);
  EXPECT_EQ(LocalFileSize(dir_ / "a.dat"), 10);
  Define("qlkid=1\nvendor_id=2\nfile=plain/20/x\tb.dat\t20\n");
  EXPECT_EQ(Quillget("--folder " + dir_.string(), "QUILLGET_BASE_URL=" + server_.Url("/")).exit, 0);
  EXPECT_EQ(LocalFileSize(dir_ / "b.dat"), 20);
}

TEST_F(ProgramTest, ASecondStartForTheSameFolderHandsOverAndEnds) {
  Define("Title\n" + Entry("plain", 10, "a.dat"));
  const std::string first = "env QT_QPA_PLATFORM=offscreen LANG=C " + std::string(QUILLGET_PATH) + " --folder " +
                            dir_.string() + " >/dev/null 2>&1 & echo $!";
  std::FILE* p = popen(first.c_str(), "r");
  int pid = 0;
  ASSERT_EQ(std::fscanf(p, "%d", &pid), 1);
  pclose(p);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the first one shows its dialog
  // Without the hand-over the second would open a dialog of its own and never end.
  const std::string second = "env QT_QPA_PLATFORM=offscreen timeout 10 " + std::string(QUILLGET_PATH) +
                             " --folder " + dir_.string() + " >/dev/null 2>&1";
  const int status = std::system(second.c_str());
  // A batch run on the same folder refuses to share it.
  const auto o = Quillget("--folder " + dir_.string());
  ::kill(pid, SIGTERM);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(o.exit, 1);
  EXPECT_NE(o.output.find("another quillget"), std::string::npos) << o.output;
  EXPECT_FALSE(fs::exists(dir_ / "a.dat"));
}

}  // namespace
}  // namespace quillget

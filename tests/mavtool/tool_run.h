#pragma once
// Runs the mavtool program as a user would, for the tests in this folder (MAVTOOL names it).
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mavlet::tool_test {

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs mavtool with args; its standard error goes through the file "stderr" in dir, and dir is
// its temporary folder, so parallel tests never share the sound channels' temporary files.
inline Result RunMavtool(const std::vector<std::string>& args, const std::filesystem::path& dir) {
  std::string cmd = "TMPDIR=" + Quote(dir.string()) + " " + Quote(MAVTOOL);
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " 2>" + Quote((dir / "stderr").string());
  Result r;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadText(dir / "stderr");
  return r;
}

}  // namespace mavlet::tool_test

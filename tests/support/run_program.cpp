#include "tests/support/run_program.h"

#include <sys/wait.h>

#include <cstdio>

#include "tests/support/file_builders.h"

namespace mavlet::testing {

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& dir, const std::vector<std::string>& env) {
  std::string cmd = "TMPDIR=" + ShellQuote(dir.string());
  for (const auto& e : env) cmd += " " + ShellQuote(e);
  cmd += " " + ShellQuote(program);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
  cmd += " 2>" + ShellQuote((dir / "stderr").string());
  ProgramResult r;
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

}  // namespace mavlet::testing

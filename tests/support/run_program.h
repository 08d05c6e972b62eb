#pragma once
// Runs a program as a user would and collects what it wrote and how it ended.
#include <filesystem>
#include <string>
#include <vector>

namespace mavlet::testing {

struct ProgramResult {
  int code = -1;  // the exit status; -1 when it did not exit normally or could not start
  std::string out;
  std::string err;
};

// Quotes s for the POSIX shell.
std::string ShellQuote(const std::string& s);

// Runs program with args. dir is its temporary folder (TMPDIR), so parallel tests never share
// temporary files; its standard error goes through the file "stderr" in dir. env holds extra
// "NAME=value" settings.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& dir, const std::vector<std::string>& env = {});

}  // namespace mavlet::testing

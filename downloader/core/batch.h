#pragma once
// The window-less normal run (quillget --batch): every incomplete entry in turn, each message
// printed as "quillget: NNN <text>" on the error stream, and a progress line that rewrites
// itself on a terminal (plain lines every few seconds otherwise). Runs the run's events on the
// calling thread from a queue that the worker fills.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "downloader/core/definition.h"
#include "downloader/core/run.h"
#include "downloader/core/strings.h"

namespace quillget {

struct BatchResult {
  bool allComplete = false;
  int lastMessage = 0;  // the last message number shown, 0 for none
};

BatchResult RunBatch(std::vector<DownloadEntry>& entries, const std::filesystem::path& folder, const Strings& strings,
                     const RunSettings& settings, std::FILE* out, bool terminal);

}  // namespace quillget

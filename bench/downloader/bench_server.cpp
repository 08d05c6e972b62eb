// Stand-alone loopback server for the download benchmark: prints its port, serves at most 16
// connections and ends after the number of seconds given (default 300).
#include <cstdio>
#include <cstdlib>

#include "tests/downloader/loopback_server.h"

int main(int argc, char** argv) {
  const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 300;
  quillget::testing::LoopbackServer server(16, std::chrono::seconds(seconds > 0 && seconds <= 3600 ? seconds : 300));
  std::printf("%d\n", server.port());
  std::fflush(stdout);
  server.WaitUntilDone();
  return 0;
}

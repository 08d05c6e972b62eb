#pragma once
// Start-up of quillget: the command line, one instance per download folder (a lock file plus a
// local socket through which a second start asks the first to come to the front), the folder
// and its definition file, the maintenance start (Shift held, or --maintenance), the direct
// launch when everything is complete, the keyed layout's base address, the dialog or the batch
// run, and starting the program afterwards — always as a process of its own in its own folder,
// never through a shell.
//
//   quillget [--maintenance] [--base-url URL] [--folder DIR] [PROGRAM]
//   quillget --batch [--base-url URL] [--folder DIR] [PROGRAM]
#include <QString>
#include <QStringList>

namespace quillget {

struct Arguments {
  bool valid = true;  // false: a switch that is not known, a missing value or two programs
  bool batch = false;
  bool maintenance = false;
  QString folder;   // empty: the executable's folder
  QString baseUrl;  // empty: QUILLGET_BASE_URL
  QString program;
};

Arguments ParseArguments(const QStringList& args);  // without the program name itself

// Starts program detached in its own folder; false when that fails.
bool LaunchProgram(const QString& program);

int RunApp(int argc, char** argv);

}  // namespace quillget

#pragma once
// Start-up of quillget: the command line, one instance per download folder (a lock file plus a
// local socket through which a second start asks the first to come to the front), the folder
// and its definition file, the maintenance start (Shift held, or --maintenance), the direct
// launch when everything is complete, the keyed layout's base address, the dialog or the batch
// run, and starting the program afterwards — always as a process of its own in its own folder,
// never through a shell; a program that is not executable (a document) is opened with xdg-open.
//
//   quillget [--maintenance] [--base-url URL] [--folder DIR] [PROGRAM]
//   quillget --batch [--base-url URL] [--folder DIR] [PROGRAM]
#include <QString>
#include <QStringList>
#include <functional>

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

// Opens a document with the desktop's default action (the file and its folder, both absolute);
// false when that cannot be started.
using Opener = std::function<bool(const QString& file, const QString& folder)>;
// The default opener: xdg-open FILE as a process of its own in FOLDER (an argv, no shell).
bool OpenWithDesktop(const QString& file, const QString& folder);

// Starts program detached in its own folder: an executable directly, any other file (a document)
// through open; false when that fails or the file is missing.
bool LaunchProgram(const QString& program, const Opener& open = OpenWithDesktop);

int RunApp(int argc, char** argv);

}  // namespace quillget

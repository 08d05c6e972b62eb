// Start-up, single instance, batch and dialog paths, and the launch; see app.h.
#include "downloader/ui/app.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

#include "downloader/core/batch.h"
#include "downloader/core/definition.h"
#include "downloader/ui/dialog.h"
#include "downloader/ui/waiting.h"

namespace quillget {

Arguments ParseArguments(const QStringList& args) {
  Arguments a;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& s = args[i];
    auto value = [&](QString& into) {
      if (i + 1 >= args.size()) {
        a.valid = false;
        return;
      }
      into = args[++i];
    };
    if (s == "--batch") {
      a.batch = true;
    } else if (s == "--maintenance") {
      a.maintenance = true;
    } else if (s == "--folder") {
      value(a.folder);
    } else if (s == "--base-url") {
      value(a.baseUrl);
    } else if (s.startsWith('-') || !a.program.isEmpty() || s.isEmpty()) {
      a.valid = false;
    } else {
      a.program = s;
    }
  }
  return a;
}

bool OpenWithDesktop(const QString& file, const QString& folder) {
  return QProcess::startDetached("xdg-open", {file}, folder);
}

bool LaunchProgram(const QString& program, const Opener& open) {
  const QFileInfo info(program);
  if (!info.isFile()) return false;
  if (!info.isExecutable()) return open && open(info.absoluteFilePath(), info.absolutePath());
  return QProcess::startDetached(info.absoluteFilePath(), {}, info.absolutePath());
}

namespace {

class Messages {
 public:
  Messages(const Strings& s, bool batch) : s_(s), batch_(batch) {}
  void Show(int number, const QString& detail = {}) const {
    if (batch_) {
      std::fprintf(stderr, "quillget: %d %s%s%s\n", number, std::string(s_.Text(number)).c_str(),
                   detail.isEmpty() ? "" : " ", detail.toStdString().c_str());
    } else {
      ShowMessageBox(nullptr, s_, number, detail);
    }
  }

 private:
  const Strings& s_;
  bool batch_;
};

QString InstanceName(const QString& folder) {
  const QByteArray hash =
      QCryptographicHash::hash(QDir(folder).canonicalPath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return "quillget-" + QString::number(::getuid()) + "-" + QString::fromLatin1(hash);
}

int Run(QCoreApplication& app, const Arguments& args, const Strings& strings) {
  const Messages messages(strings, args.batch);
  const QString folder = QDir(args.folder.isEmpty() ? QCoreApplication::applicationDirPath() : args.folder).absolutePath();
  const QString name = InstanceName(folder);

  // One quillget per download folder; a second start brings the first one's dialog forward.
  QLockFile lock(QDir::temp().filePath(name + ".lock"));
  if (!lock.tryLock(0)) {
    if (lock.error() != QLockFile::LockFailedError) {
      messages.Show(801, lock.error() == QLockFile::PermissionError ? "cannot create the instance lock" : QString());
      return 1;
    }
    if (args.batch) {
      messages.Show(801, "another quillget is working on " + folder);
      return 1;
    }
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(1000)) {
      socket.write("raise\n");
      socket.waitForBytesWritten(1000);
    }
    return 0;
  }

  QIcon programIcon;
  if (!args.program.isEmpty()) {
    if (!QFileInfo(args.program).isFile()) {
      messages.Show(802, args.program);
      return 1;
    }
    if (!args.batch) programIcon = QFileIconProvider().icon(QFileInfo(args.program));
  }
  const std::filesystem::path dir = folder.toStdString();
  if (LocalFileSize(dir / kDefinitionName) < 0) {
    messages.Show(803, QString::fromStdString((dir / kDefinitionName).string()));
    return 1;
  }
  const bool maintenance =
      args.maintenance ||
      (!args.batch && QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier));

  std::unique_ptr<WaitingWindow> waiting;
  if (!args.batch) {
    waiting = std::make_unique<WaitingWindow>(strings);
    waiting->show();
    app.processEvents();
  }
  auto loaded = LoadDefinition(dir);
  if (!loaded.definition) {
    waiting.reset();
    messages.Show(loaded.error.message, QString::fromStdString(loaded.error.detail));
    return 1;
  }
  Definition& def = *loaded.definition;
  if (!maintenance && AllComplete(def.entries, dir)) {
    waiting.reset();
    if (!args.program.isEmpty() && !LaunchProgram(args.program)) {
      messages.Show(821, args.program);
      return args.batch ? 1 : 0;
    }
    return 0;
  }
  waiting.reset();
  if (def.layout == Layout::Keyed) {
    QString base = args.baseUrl.isEmpty() ? qEnvironmentVariable("QUILLGET_BASE_URL") : args.baseUrl;
    if (base.isEmpty()) {
      messages.Show(819, "the definition file names its files relative to a base address: give it with "
                         "--base-url URL or QUILLGET_BASE_URL");
      return 1;
    }
    CompleteAddresses(def.entries, base.toStdString());
  }

  const RunSettings settings;
  bool launch = false;
  if (args.batch) {
    const auto result = RunBatch(def.entries, dir, strings, settings, stderr, ::isatty(STDERR_FILENO) != 0);
    if (!result.allComplete) return 1;
    launch = true;
  } else {
    QSettings ini(QString::fromStdString((dir / "quillget.ini").string()), QSettings::IniFormat);
    QString help = qEnvironmentVariable("QUILLGET_HELP_URL");
    if (help.isEmpty()) help = ini.value("HelpUrl").toString();
    DownloadDialog dialog(def.entries, dir, QString::fromStdString(def.title), programIcon, strings, settings,
                          QUrl(help));
    QLocalServer server;
    QLocalServer::removeServer(name);
    if (server.listen(name)) {
      QObject::connect(&server, &QLocalServer::newConnection, &dialog, [&server, &dialog] {
        while (QLocalSocket* s = server.nextPendingConnection()) {
          QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
          dialog.showNormal();
          dialog.raise();
          dialog.activateWindow();
        }
      });
    }
    dialog.OpenRun();
    dialog.exec();
    launch = dialog.run().LaunchFlag() && !(maintenance && dialog.closedByButton());
  }
  if (launch && !args.program.isEmpty() && !LaunchProgram(args.program)) {
    messages.Show(821, args.program);
    return args.batch ? 1 : 0;
  }
  return 0;
}

}  // namespace

int RunApp(int argc, char** argv) {
  bool batch = false;
  for (int i = 1; i < argc; ++i) batch = batch || std::string_view(argv[i]) == "--batch";
  std::unique_ptr<QCoreApplication> app;
  if (batch) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    app = std::make_unique<QApplication>(argc, argv);
  }
  const Strings strings(LanguageFromEnvironment());
  const Arguments args = ParseArguments(QCoreApplication::arguments().mid(1));
  if (!args.valid) {
    if (batch)
      std::fprintf(stderr, "usage: quillget --batch [--base-url URL] [--folder DIR] [PROGRAM]\n");
    return batch ? 2 : 0;  // the window program ends silently, as it always has
  }
  return Run(*app, args, strings);
}

}  // namespace quillget

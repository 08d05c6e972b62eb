#pragma once
// The download dialog (Qt 6 Widgets): the entry list with its five columns, the free-space,
// file, byte and rate texts, the progress bar and the Download/Stop, Close/Finish and Help
// buttons, laid out in dialog units taken from the font. It is the RunView of one DownloadRun;
// the worker's events reach it as queued calls on the dialog's thread.
//
// While a file is being fetched nothing closes the dialog (Close, the title bar, Alt+F4 and
// Escape are all refused), so the run and its worker always outlive the transfer; destroying
// the dialog stops and joins the worker first. The version box hangs off the context menu, as
// Linux window managers offer no system menu to extend.
#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "downloader/core/run.h"
#include "downloader/core/strings.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace quillget {

struct DialogHooks {
  std::function<bool()> shiftHeld;                              // default: the keyboard's state now
  std::function<void(int number, const QString& detail)> message;  // default: a message box
  std::function<void(const QUrl&)> openUrl;                     // default: the desktop's browser
};

class DownloadDialog : public QDialog, public RunView {
  Q_OBJECT

 public:
  DownloadDialog(std::vector<DownloadEntry>& entries, std::filesystem::path folder, const QString& title,
                 const QIcon& programIcon, const Strings& strings, RunSettings settings, QUrl helpUrl,
                 DialogHooks hooks = {}, QWidget* parent = nullptr);
  ~DownloadDialog() override;

  // Counters and the opening space check (message 817 leaves only Finish).
  bool OpenRun();
  DownloadRun& run() { return *run_; }
  bool closedByButton() const { return closedByButton_; }
  int dialogUnitsX(int du) const;
  int dialogUnitsY(int du) const;

  QTreeWidget* list() const { return list_; }
  QPushButton* downloadButton() const { return download_; }
  QPushButton* closeButton() const { return close_; }
  QPushButton* helpButton() const { return help_; }
  QLabel* freeText() const { return free_; }
  QLabel* filesText() const { return files_; }
  QLabel* bytesText() const { return bytes_; }
  QLabel* rateText() const { return rate_; }
  QProgressBar* bar() const { return bar_; }

  // RunView
  void SetButtonState(int state) override;
  void SetRowStatus(std::size_t row, int text) override;
  void FocusRow(std::size_t row, bool clearOthers) override;
  void ShowMessage(int number, const std::string& detail) override;
  void SetBar(int percent) override;
  void RefreshCounts() override;
  void RefreshRate() override;
  void StartTimer() override;
  void StopTimer() override;

  void ShowVersion();

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void PressDownload();
  void PressClose();
  void FitCaptions(std::vector<QLabel*> captions);
  QString Text(int number) const;

  const Strings& strings_;
  QIcon icon_;
  QUrl helpUrl_;
  DialogHooks hooks_;
  QTreeWidget* list_ = nullptr;
  QLabel *title_ = nullptr, *free_ = nullptr, *files_ = nullptr, *bytes_ = nullptr, *rate_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton *download_ = nullptr, *close_ = nullptr, *help_ = nullptr;
  QTimer timer_;
  bool closedByButton_ = false;
  int baseX_ = 6, baseY_ = 13;
  std::unique_ptr<DownloadRun> run_;
};

// Message box with the program's title; 801 and 820 with the stop icon, 263 with information.
void ShowMessageBox(QWidget* parent, const Strings& strings, int number, const QString& detail);

}  // namespace quillget

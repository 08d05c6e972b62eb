// Download dialog: layout, list, texts, buttons and the close rules; see dialog.h.
#include "downloader/ui/dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "downloader/core/format.h"

namespace quillget {

namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

void ShowMessageBox(QWidget* parent, const Strings& strings, int number, const QString& detail) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if (number == 801 || number == 820) icon = QMessageBox::Critical;
  if (number == 263) icon = QMessageBox::Information;
  QMessageBox box(icon, Q(strings.Text(200)), Q(strings.Text(number)), QMessageBox::Ok, parent);
  if (!detail.isEmpty()) box.setInformativeText(detail);
  box.exec();
}

DownloadDialog::DownloadDialog(std::vector<DownloadEntry>& entries, std::filesystem::path folder,
                               const QString& title, const QIcon& programIcon, const Strings& strings,
                               RunSettings settings, QUrl helpUrl, DialogHooks hooks, QWidget* parent)
    : QDialog(parent), strings_(strings), icon_(programIcon), helpUrl_(std::move(helpUrl)), hooks_(std::move(hooks)) {
  if (!hooks_.shiftHeld)
    hooks_.shiftHeld = [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); };
  if (!hooks_.message)
    hooks_.message = [this](int n, const QString& d) { ShowMessageBox(this, strings_, n, d); };
  if (!hooks_.openUrl) hooks_.openUrl = [](const QUrl& u) { QDesktopServices::openUrl(u); };

  const QFontMetrics fm(font());
  baseX_ = std::max(1, (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") + 26) / 52);
  baseY_ = std::max(1, fm.height());
  setWindowTitle(Text(200));
  if (!icon_.isNull()) setWindowIcon(icon_);
  setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);

  auto place = [this](QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(dialogUnitsX(x), dialogUnitsY(y), dialogUnitsX(width), dialogUnitsY(height));
  };
  // Captions keep the dialog's font and are never cut: one too wide for its place wraps, and
  // FitCaptions below makes room for the extra lines.
  std::vector<QLabel*> captions;
  auto label = [&](const QString& text, int x, int y, int width, int height) {
    auto* l = new QLabel(text, this);
    place(l, x, y, width, height);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (!text.isEmpty()) {
      l->setWordWrap(true);
      captions.push_back(l);
    }
    return l;
  };
  title_ = label({}, 32, 10, 250, 20);
  label(Text(230), 32, 34, 250, 10);
  list_ = new QTreeWidget(this);
  place(list_, 7, 45, 301, 120);
  label(Text(231), 7, 170, 130, 10);
  free_ = label({}, 7, 180, 130, 15);
  label(Text(232), 143, 170, 165, 10);
  files_ = label({}, 143, 180, 165, 15);
  label(Text(235), 7, 200, 130, 10);
  rate_ = label({}, 7, 210, 130, 15);
  label(Text(233), 143, 200, 165, 10);
  bytes_ = label({}, 143, 210, 165, 15);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  place(bar_, 32, 235, 250, 12);
  download_ = new QPushButton(Text(250), this);
  place(download_, 50, 260, 60, 16);
  download_->setDefault(true);
  close_ = new QPushButton(Text(252), this);
  place(close_, 128, 260, 60, 16);
  help_ = new QPushButton(Text(253), this);
  place(help_, 206, 260, 60, 16);
  help_->setEnabled(helpUrl_.isValid() && !helpUrl_.isEmpty());
  label("Ver. 2.0.0.1\n", 7, 265, 40, 10);

  FitCaptions(captions);

  title_->setText(title);
  title_->setWordWrap(true);
  list_->setColumnCount(5);
  list_->setHeaderLabels({Text(210), Text(212), Text(213), Text(214), Text(215)});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setAllColumnsShowFocus(true);
  // Column widths are pixels (the list scrolls sideways); the status column always holds its
  // longest text.
  const int widths[] = {220, 130, 100, 50, 40};
  for (int i = 0; i < 5; ++i) list_->setColumnWidth(i, widths[i]);
  const int statusWidth = std::max({fm.horizontalAdvance(Text(220)), fm.horizontalAdvance(Text(222)),
                                    fm.horizontalAdvance(Text(214))}) + 16;
  list_->setColumnWidth(3, std::max(list_->columnWidth(3), statusWidth));
  list_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  for (const auto& e : entries) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, Q(e.Url));
    item->setText(1, Q(e.LocalName));
    item->setText(2, Q(GroupThousands(std::to_string(e.Size))));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(3, e.Complete ? Text(220) : QString());
    item->setText(4, e.Marked ? Text(223) : QString());
  }

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (Text(110).isEmpty()) return;
    QMenu menu(this);
    menu.addAction(Text(110), this, &DownloadDialog::ShowVersion);
    menu.exec(mapToGlobal(at));
  });
  connect(download_, &QPushButton::clicked, this, &DownloadDialog::PressDownload);
  connect(close_, &QPushButton::clicked, this, &DownloadDialog::PressClose);
  connect(help_, &QPushButton::clicked, this, [this] { hooks_.openUrl(helpUrl_); });
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, [this] { run_->Tick(); });

  const std::filesystem::path spaceFolder = folder;
  run_ = std::make_unique<DownloadRun>(
      entries, std::move(folder), *this,
      [this](std::function<void()> f) { QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection); },
      settings, [spaceFolder] { return FreeSpace(spaceFolder); });
}

DownloadDialog::~DownloadDialog() { run_.reset(); }  // the worker ends before any widget goes

// A caption whose wrapped text is taller than its place grows, and every control below its row
// moves down by as much; a word wider than its place widens the caption up to the dialog's edge.
// The dialog is 315 x 280 dialog units plus what the captions needed.
void DownloadDialog::FitCaptions(std::vector<QLabel*> captions) {
  const int width = dialogUnitsX(315);
  int height = dialogUnitsY(280);
  std::stable_sort(captions.begin(), captions.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
  for (std::size_t first = 0; first < captions.size();) {
    // One row of captions (the same top) grows by what its tallest one needs.
    std::size_t end = first;
    int extra = 0, bottom = 0;
    for (; end < captions.size() && captions[end]->y() == captions[first]->y(); ++end) {
      QLabel* l = captions[end];
      const QFontMetrics fm(l->font());
      int widest = 0;
      for (const QString& word : l->text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        widest = std::max(widest, fm.horizontalAdvance(word));
      if (widest > l->width()) l->resize(std::min(widest + 2, width - l->x() - dialogUnitsX(7)), l->height());
      extra = std::max(extra, l->heightForWidth(l->width()) - l->height());
      bottom = std::max(bottom, l->y() + l->height());
    }
    if (extra > 0) {
      for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w->y() >= bottom) w->move(w->x(), w->y() + extra);
      }
      for (std::size_t i = first; i < end; ++i)
        captions[i]->resize(captions[i]->width(), captions[i]->height() + extra);
      height += extra;
    }
    first = end;
  }
  setFixedSize(width, height);
}

int DownloadDialog::dialogUnitsX(int du) const { return du * baseX_ / 4; }
int DownloadDialog::dialogUnitsY(int du) const { return du * baseY_ / 8; }
QString DownloadDialog::Text(int number) const { return Q(strings_.Text(number)); }

bool DownloadDialog::OpenRun() { return run_->Open(); }

void DownloadDialog::PressDownload() {
  std::vector<std::size_t> rows;
  for (int i = 0; i < list_->topLevelItemCount(); ++i)
    if (list_->topLevelItem(i)->isSelected()) rows.push_back(static_cast<std::size_t>(i));
  // Stop needs no modifier: only a press that starts a run reads Shift.
  run_->PressDownload(!run_->Busy() && hooks_.shiftHeld(), std::move(rows));
}

void DownloadDialog::PressClose() {
  if (run_->Busy()) return;
  closedByButton_ = true;
  accept();
}

void DownloadDialog::reject() {
  if (!run_->Busy()) QDialog::reject();
}

void DownloadDialog::closeEvent(QCloseEvent* event) {
  if (run_->Busy()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void DownloadDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  if (icon_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(12, 12, icon_.pixmap(32, 32));
}

void DownloadDialog::SetButtonState(int state) {
  switch (state) {
    case kDownloading:
      download_->setText(Text(251));
      download_->setEnabled(true);
      close_->setEnabled(false);
      break;
    case kIdle:
      download_->setText(Text(250));
      download_->setEnabled(true);
      close_->setText(Text(252));
      close_->setEnabled(true);
      break;
    default:
      download_->setEnabled(false);
      close_->setText(Text(254));
      close_->setEnabled(true);
      close_->setDefault(true);
      close_->setFocus();
      break;
  }
}

void DownloadDialog::SetRowStatus(std::size_t row, int text) {
  if (auto* item = list_->topLevelItem(static_cast<int>(row))) item->setText(3, text ? Text(text) : QString());
}

void DownloadDialog::FocusRow(std::size_t row, bool clearOthers) {
  auto* item = list_->topLevelItem(static_cast<int>(row));
  if (!item) return;
  if (clearOthers) list_->clearSelection();
  list_->setCurrentItem(item, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  list_->scrollToItem(item);
}

void DownloadDialog::ShowMessage(int number, const std::string& detail) { hooks_.message(number, Q(detail)); }

void DownloadDialog::SetBar(int percent) { bar_->setValue(percent); }

void DownloadDialog::RefreshCounts() {
  const auto& c = run_->counters();
  free_->setText(Q(FreeSpaceText(strings_, run_->FreeBytes())));
  files_->setText(Q(FilesText(strings_, c.filesDone, c.filesTotal)));
  bytes_->setText(Q(BytesPairText(strings_, c.currentBytes, c.totalBytes)));
}

void DownloadDialog::RefreshRate() {
  const auto& c = run_->counters();
  rate_->setText(Q(RateTimesText(strings_, c.rate, c.elapsed, c.remaining)));
}

void DownloadDialog::StartTimer() { timer_.start(); }
void DownloadDialog::StopTimer() { timer_.stop(); }

void DownloadDialog::ShowVersion() {
  QDialog box(this);
  box.setWindowTitle("quillget version info");
  box.setFixedSize(dialogUnitsX(235), dialogUnitsY(55));
  auto* layout = new QHBoxLayout(&box);
  auto* picture = new QLabel(&box);
  picture->setPixmap((icon_.isNull() ? windowIcon() : icon_).pixmap(32, 32));
  layout->addWidget(picture);
  layout->addWidget(new QLabel("quillget Version 1.0", &box), 1);
  auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  connect(ok, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(ok);
  box.exec();
}

}  // namespace quillget

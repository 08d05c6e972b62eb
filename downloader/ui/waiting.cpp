// Waiting window layout; see waiting.h.
#include "downloader/ui/waiting.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace quillget {

WaitingWindow::WaitingWindow(const Strings& strings, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  const QFontMetrics fm(font());
  const int bx = std::max(1, (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") + 26) / 52);
  const int by = std::max(1, fm.height());
  auto place = [&](QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(x * bx / 4, y * by / 8, width * bx / 4, height * by / 8);
  };
  setFixedSize(190 * bx / 4, 80 * by / 8);
  auto* busy = new QProgressBar(this);  // a range of 0..0 animates endlessly
  busy->setRange(0, 0);
  busy->setTextVisible(false);
  place(busy, 7, 25, 48, 10);
  const std::string_view text = strings.Text(262);
  auto* label = new QLabel(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), this);
  label->setWordWrap(true);
  place(label, 59, 7, 124, 48);
  const std::string_view closeText = strings.Text(252);
  auto* button = new QPushButton(QString::fromUtf8(closeText.data(), static_cast<qsizetype>(closeText.size())), this);
  place(button, 70, 60, 50, 14);
  connect(button, &QPushButton::clicked, this, [this, busy] {
    busy->setRange(0, 1);
    close();
  });
}

}  // namespace quillget

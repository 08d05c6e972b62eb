#pragma once
// The small caption-less window shown while the definition file is read: a busy animation,
// "Under processing. Please wait." and a Close button that only closes this window.
#include <QWidget>

#include "downloader/core/strings.h"

namespace quillget {

class WaitingWindow : public QWidget {
  Q_OBJECT

 public:
  explicit WaitingWindow(const Strings& strings, QWidget* parent = nullptr);
};

}  // namespace quillget

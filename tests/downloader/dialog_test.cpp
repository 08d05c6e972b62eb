// The dialog on the offscreen platform: list and counter texts, button states, the close rules
// during a transfer, selection runs with Shift, the opening space check, command lines.
#include "downloader/ui/dialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <thread>

#include "downloader/ui/app.h"
#include "tests/downloader/loopback_server.h"

// Qt's font database keeps fontconfig's caches for the life of the process; they are not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace quillget {
namespace {

namespace fs = std::filesystem;
using testing::LoopbackServer;

class DialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "quillget_dialog_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QApplication::instance()) new QApplication(argc, argv);
  }

  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("quillget_dialog_" +
                                             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    settings_.fetch.backoff = std::chrono::milliseconds(10);
  }

  void Add(const std::string& mode, std::int64_t size, bool complete = false, bool marked = false) {
    const std::string name = "d" + std::to_string(entries_.size()) + ".dat";
    entries_.push_back({server_.Url("/" + mode + "/" + std::to_string(size) + "/" + name), name, name, size, complete, marked});
    if (complete) std::ofstream(dir_ / name, std::ios::binary) << testing::Pattern(size);
  }

  std::unique_ptr<DownloadDialog> Make(Language language = Language::English) {
    strings_ = std::make_unique<Strings>(language);
    DialogHooks hooks;
    hooks.shiftHeld = [this] { return shift_; };
    hooks.message = [this](int n, const QString&) { messages_.push_back(n); };
    hooks.openUrl = [this](const QUrl& u) { opened_ = u; };
    auto d = std::make_unique<DownloadDialog>(entries_, dir_, "Title", QIcon(), *strings_, settings_,
                                              QUrl("https://help.invalid/q"), hooks);
    d->show();
    return d;
  }

  static QString Status(DownloadDialog& d, int row) { return d.list()->topLevelItem(row)->text(3); }

  LoopbackServer server_;
  fs::path dir_;
  std::vector<DownloadEntry> entries_;
  RunSettings settings_;
  std::unique_ptr<Strings> strings_;
  std::vector<int> messages_;
  bool shift_ = false;
  QUrl opened_;
};

TEST_F(DialogTest, ListCountersAndAFullRun) {
  Add("plain", 1234567, false, true);
  Add("plain", 10, true);
  auto d = Make();
  ASSERT_TRUE(d->OpenRun());
  EXPECT_EQ(d->width(), d->dialogUnitsX(315));
  EXPECT_GE(d->height(), d->dialogUnitsY(280));  // taller only where captions wrap
  auto* first = d->list()->topLevelItem(0);
  EXPECT_EQ(first->text(1), "d0.dat");
  EXPECT_EQ(first->text(2), "1,234,567");
  EXPECT_EQ(first->text(4), "*");
  EXPECT_EQ(Status(*d, 1), "Finished");
  EXPECT_EQ(d->filesText()->text(), "1 files / 2 files");
  EXPECT_EQ(d->bytesText()->text(), "10 bytes / 1,234,577 bytes");
  EXPECT_EQ(d->rateText()->text(), "0.0 Mbps / 0:0:0 / 0:0:0");
  EXPECT_EQ(d->list()->columnWidth(0), 220);

  QTest::mouseClick(d->downloadButton(), Qt::LeftButton);
  EXPECT_EQ(d->downloadButton()->text(), "Stop");
  EXPECT_FALSE(d->closeButton()->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!d->run().Busy(), 20000);
  EXPECT_EQ(messages_, std::vector<int>{263});
  EXPECT_EQ(Status(*d, 0), "Finished");
  EXPECT_FALSE(d->downloadButton()->isEnabled());
  EXPECT_EQ(d->closeButton()->text(), "Finish");
  EXPECT_EQ(d->bar()->value(), 100);
  EXPECT_TRUE(d->run().LaunchFlag());
  EXPECT_EQ(d->filesText()->text(), "2 files / 2 files");
  // QUILLGET_DIALOG_SHOT=FILE.png keeps a picture of the finished dialog to look at.
  if (const QString shot = qEnvironmentVariable("QUILLGET_DIALOG_SHOT"); !shot.isEmpty()) d->grab().save(shot);

  QTest::mouseClick(d->helpButton(), Qt::LeftButton);
  EXPECT_EQ(opened_, QUrl("https://help.invalid/q"));
  QTest::mouseClick(d->closeButton(), Qt::LeftButton);
  EXPECT_FALSE(d->isVisible());
  EXPECT_TRUE(d->closedByButton());
}

// Every caption keeps the dialog's font, shows all its text and overlaps no other control, in
// both languages and at a large font too.
TEST_F(DialogTest, CaptionsAreNeverShrunkNorCut) {
  Add("plain", 10);
  for (const double points : {0.0, 14.0}) {
    for (const Language language : {Language::English, Language::Japanese}) {
      SCOPED_TRACE(std::to_string(points) + (language == Language::English ? " English" : " Japanese"));
      const QFont before = QApplication::font();
      if (points > 0) {
        QFont big = before;
        big.setPointSizeF(points);
        QApplication::setFont(big);
      }
      auto d = Make(language);
      const QList<QWidget*> widgets = d->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      int captions = 0;
      for (auto* l : d->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (l->text().isEmpty()) continue;
        ++captions;
        SCOPED_TRACE(l->text().toStdString());
        EXPECT_GE(l->font().pointSizeF(), d->font().pointSizeF());
        const QFontMetrics fm(l->font());
        const QRect need =
            fm.boundingRect(QRect(0, 0, l->width(), 100000), Qt::TextWordWrap | Qt::AlignLeft, l->text());
        EXPECT_LE(need.width(), l->width());
        EXPECT_LE(need.height(), l->height());
        EXPECT_LE(l->geometry().right(), d->width());
        EXPECT_LE(l->geometry().bottom(), d->height());
        for (auto* w : widgets) {
          if (w != l && w->isVisibleTo(d.get()) && !w->geometry().size().isEmpty()) {
            EXPECT_FALSE(l->geometry().intersects(w->geometry())) << w->metaObject()->className();
          }
        }
      }
      EXPECT_GE(captions, 6);
      d.reset();
      QApplication::setFont(before);
    }
  }
}

TEST_F(DialogTest, NothingClosesItDuringATransfer) {
  Add("stall", 200000);
  auto d = Make();
  ASSERT_TRUE(d->OpenRun());
  QTest::mouseClick(d->downloadButton(), Qt::LeftButton);
  ASSERT_TRUE(d->run().Busy());
  QTest::mouseClick(d->closeButton(), Qt::LeftButton);
  d->close();
  QTest::keyClick(d.get(), Qt::Key_Escape);
  QMetaObject::invokeMethod(d.get(), "reject");
  EXPECT_TRUE(d->isVisible());
  QTest::mouseClick(d->downloadButton(), Qt::LeftButton);  // Stop
  QTRY_VERIFY_WITH_TIMEOUT(!d->run().Busy(), 10000);
  EXPECT_EQ(messages_, std::vector<int>{261});
  EXPECT_EQ(d->downloadButton()->text(), "Download");
  EXPECT_TRUE(d->closeButton()->isEnabled());
  EXPECT_EQ(Status(*d, 0), "");
  d->close();
  EXPECT_FALSE(d->isVisible());
  EXPECT_FALSE(d->closedByButton());
}

TEST_F(DialogTest, DestroyingItMidTransferStopsTheWorkerFirst) {
  Add("stall", 200000);
  auto d = Make();
  ASSERT_TRUE(d->OpenRun());
  QTest::mouseClick(d->downloadButton(), Qt::LeftButton);
  QTest::qWait(100);
  d.reset();  // must neither crash nor hang (the sanitizer build watches)
  EXPECT_FALSE(fs::exists(dir_ / "d0.dat"));
}

TEST_F(DialogTest, ShiftRunsTheSelectedRowsOnly) {
  Add("plain", 100, true);
  Add("plain", 200);
  Add("plain", 300);
  auto d = Make(Language::Japanese);
  ASSERT_TRUE(d->OpenRun());
  d->list()->topLevelItem(2)->setSelected(true);
  d->list()->topLevelItem(0)->setSelected(true);
  shift_ = true;
  QTest::mouseClick(d->downloadButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!d->run().Busy(), 20000);
  EXPECT_EQ(messages_, std::vector<int>{263});
  EXPECT_EQ(Status(*d, 0), "済");
  EXPECT_EQ(Status(*d, 1), "");
  EXPECT_EQ(Status(*d, 2), "済");
  EXPECT_EQ(d->downloadButton()->text(), "ダウンロード");
  EXPECT_FALSE(d->run().LaunchFlag());
  EXPECT_EQ(d->filesText()->text(), "2 ファイル / 2 ファイル");
}

TEST_F(DialogTest, TooLittleSpaceAtOpeningLeavesOnlyFinish) {
  Add("plain", 100);
  entries_[0].Size = std::int64_t{1} << 60;  // more than any disk
  auto d = Make();
  EXPECT_FALSE(d->OpenRun());
  EXPECT_EQ(messages_, std::vector<int>{817});
  EXPECT_FALSE(d->downloadButton()->isEnabled());
  EXPECT_EQ(d->closeButton()->text(), "Finish");
  EXPECT_FALSE(d->run().LaunchFlag());
}

// An executable starts as a process of its own; any other file is handed to the desktop's opener.
TEST(Launch, DocumentsGoToTheOpenerProgramsStartThemselves) {
  const auto dir = fs::path(::testing::TempDir()) / "quillget_launch";
  fs::remove_all(dir);
  fs::create_directories(dir / "title");
  std::ofstream(dir / "title" / "manual.html") << "<p>read me</p>";
  std::ofstream(dir / "title" / "start.sh") << "#!/bin/sh\necho ran > started.txt\n";
  fs::permissions(dir / "title" / "start.sh", fs::perms::owner_all);
  struct Case {
    std::string file;
    bool openerAnswers;
    bool launched;
    bool opened;  // the opener was asked
  };
  const std::vector<Case> cases = {
      {"manual.html", true, true, true},
      {"manual.html", false, false, true},  // no opener could be started: 821 follows
      {"start.sh", true, true, false},
      {"none.sh", true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const QString path = QString::fromStdString((dir / "title" / c.file).string());
    QString openedFile, openedFolder;
    const bool launched = LaunchProgram(path, [&](const QString& file, const QString& folder) {
      openedFile = file;
      openedFolder = folder;
      return c.openerAnswers;
    });
    EXPECT_EQ(launched, c.launched);
    EXPECT_EQ(!openedFile.isEmpty(), c.opened);
    if (c.opened) {
      EXPECT_EQ(openedFile, path);
      EXPECT_EQ(openedFolder, QString::fromStdString((dir / "title").string()));
    }
  }
  for (int i = 0; i < 100 && !fs::exists(dir / "title" / "started.txt"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(fs::exists(dir / "title" / "started.txt"));  // run in its own folder
}

TEST(Arguments, CommandLines) {
  struct Case {
    QStringList args;
    bool valid, batch, maintenance;
    QString folder, base, program;
  };
  const std::vector<Case> cases = {
      {{}, true, false, false, "", "", ""},
      {{"/opt/title/mavlet"}, true, false, false, "", "", "/opt/title/mavlet"},
      {{"--batch", "--folder", "/t", "--base-url", "http://b/", "p"}, true, true, false, "/t", "http://b/", "p"},
      {{"--maintenance", "p"}, true, false, true, "", "", "p"},
      {{"a", "b"}, false, false, false, "", "", "a"},
      {{"-x"}, false, false, false, "", "", ""},
      {{"--folder"}, false, false, false, "", "", ""},
  };
  for (const auto& c : cases) {
    const auto a = ParseArguments(c.args);
    SCOPED_TRACE(c.args.join(' ').toStdString());
    EXPECT_EQ(a.valid, c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(a.batch, c.batch);
    EXPECT_EQ(a.maintenance, c.maintenance);
    EXPECT_EQ(a.folder, c.folder);
    EXPECT_EQ(a.baseUrl, c.base);
    EXPECT_EQ(a.program, c.program);
  }
}

}  // namespace
}  // namespace quillget

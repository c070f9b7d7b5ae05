#include "ui/storage/reportlaunch.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <vector>

#include "core/base/errors.h"
#include "core/package/approxstate.h"
#include "core/storage/fakedevice.h"
#include "core/storage/reportfixture.h"

namespace {

TEST(ReportPath, ProgramFolderWhenWritableElseCache) {
  QTemporaryDir program;
  const QString cache = "/cache/Орбитон/Duvara";
  EXPECT_EQ(reportPath(program.path(), cache), program.filePath("report.html"));
  EXPECT_EQ(reportPath(program.filePath("missing"), cache), cache + "/report.html");
  QFile file(program.filePath("plain"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  EXPECT_EQ(reportPath(file.fileName(), cache), cache + "/report.html");
}

class RunReport : public ::testing::Test {
 protected:
  void TearDown() override { resetApproxState(); }

  void run(const QString& path, bool opens = true) {
    runReport(path, device_, *package_, [&](const QUrl& url) {
      opened_.push_back(url);
      return opens;
    });
  }

  QTemporaryDir folder_;
  FakeDevice device_{kTdCode};
  PackagePtr package_ = packageOf(ekEpr, pkCalibration, mReference, {{{1, 21.0}}});
  std::vector<QUrl> opened_;
};

TEST_F(RunReport, WritesThenOpens) {
  const QString path = folder_.filePath("cache/report.html");  // the folder is made
  run(path);
  QFile page(path);
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  EXPECT_TRUE(page.readAll().startsWith("<html><head><title>"));
  EXPECT_EQ(opened_, std::vector<QUrl>{QUrl::fromLocalFile(path)});
}

TEST_F(RunReport, UnwritableReportOpensNothing) {
  QFile blocker(folder_.filePath("file"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  try {
    run(blocker.fileName() + "/report.html");
    ADD_FAILURE() << "written under a file";
  } catch (const win_error& e) {
    EXPECT_EQ(e.code(), ENOTDIR);
  }
  EXPECT_TRUE(opened_.empty());
}

TEST_F(RunReport, BrowserThatDoesNotStartIsReported) {
  const QString path = folder_.filePath("report.html");
  try {
    run(path, false);
    ADD_FAILURE() << "no message";
  } catch (const MessageError& e) {
    EXPECT_EQ(QString::fromStdString(e.what()), "Не удалось открыть отчёт " + path);
  }
  EXPECT_TRUE(QFile::exists(path));
}

}  // namespace

#include "ui/storage/reportlaunch.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/base/errors.h"
#include "core/storage/report.h"
#include "ui/base/messagelog.h"

QString reportPath(const QString& programFolder, const QString& cacheFolder) {
  const QFileInfo program(programFolder);
  const QString folder = program.isDir() && program.isWritable() ? programFolder : cacheFolder;
  return QDir(folder).filePath("report.html");
}

QString defaultReportPath() {
  return reportPath(QCoreApplication::applicationDirPath(),
                    QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
}

bool openInBrowser(const QUrl& url) { return QDesktopServices::openUrl(url); }

void runReport(const QString& path, DeviceBase& device, const PackageBase& package,
               const UrlOpener& open) {
  runReport(path, reportFacts(device), package, open);
}

void runReport(const QString& path, const ReportFacts& facts, const PackageBase& package,
               const UrlOpener& open) {
  // A failure shows up as the write's own error.
  QDir().mkpath(QFileInfo(path).absolutePath());
  writeReport(QFile::encodeName(path).toStdString(), facts, package);
  logMessage("Отчёт записан в файл " + QDir::toNativeSeparators(path));
  if (!open(QUrl::fromLocalFile(path)))
    throw MessageError("Не удалось открыть отчёт " + QDir::toNativeSeparators(path).toStdString());
}

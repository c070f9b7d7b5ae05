#pragma once
// "Отчёт": the protocol of the selected package is written to the report file, which the user's
// browser then shows.

#include <QString>
#include <QUrl>
#include <functional>

#include "core/storage/report.h"

// "report.html" in the program's folder when that folder is writable, otherwise in the user's
// cache folder for the program (an installed program's folder is not).
QString reportPath(const QString& programFolder, const QString& cacheFolder);
// The same for the running program; fixed at start-up.
QString defaultReportPath();

// Shows a URL with the user's default program; false when none could be started.
using UrlOpener = std::function<bool(const QUrl&)>;
bool openInBrowser(const QUrl& url);

// Writes the report of `package` to `path` (creating its folder when missing), tells the console
// where it went and opens it. A report that cannot be written raises win_error and starts no
// browser; a browser that cannot be started raises MessageError.
void runReport(const QString& path, DeviceBase& device, const PackageBase& package,
               const UrlOpener& open = openInBrowser);
// The same with the page's facts gathered (a verdict among them).
void runReport(const QString& path, const ReportFacts& facts, const PackageBase& package,
               const UrlOpener& open = openInBrowser);

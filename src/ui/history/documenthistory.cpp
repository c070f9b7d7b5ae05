#include "ui/history/documenthistory.h"

#include <QFile>

#include "core/package/approxstate.h"
#include "ui/history/historyevents.h"
#include "ui/history/historyrecorder.h"

namespace {

std::string documentPath(const Document& doc) {
  return QFile::decodeName(doc.fileName.c_str()).toStdString();
}

// The file as written; an unreadable one still gets its event, with the hash of nothing.
QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

int packageNumber(const Document& doc, const PackageBase& package) {
  for (size_t i = 0; i < doc.packages.size(); ++i)
    if (doc.packages[i].get() == &package) return int(i) + 1;
  return 0;
}

void DocumentHistory::exchange(const Document& doc, DeviceBase& device, DeviceExchange exchange,
                               const WriteCheck* check) {
  recorder_.record(
      exchangeEvent(device, documentPath(doc), exchange == DeviceExchange::write, check));
}

void DocumentHistory::approximation(const Document& doc, const PackageBase& package) {
  recorder_.record(approximationEvent(*doc.device, documentPath(doc), package,
                                      packageNumber(doc, package), currentLines(),
                                      apprSettings().sectionScatter));
}

void DocumentHistory::report(const Document& doc, const PackageBase& package, const QString& path,
                             const char* format, const std::optional<ToleranceProfile>& profile) {
  if (package.kind == pkVerification) verification(doc, package, profile);
  recorder_.record(reportEvent(*doc.device, documentPath(doc), path, fileBytes(path), format,
                               packageNumber(doc, package)));
}

void DocumentHistory::saved(const Document& doc, const std::optional<ToleranceProfile>& profile) {
  for (const PackagePtr& package : doc.packages)
    if (package->kind == pkVerification) verification(doc, *package, profile);
  const QString path = QFile::decodeName(doc.fileName.c_str());
  recorder_.record(saveEvent(*doc.device, path, fileBytes(path)));
}

void DocumentHistory::verification(const Document& doc, const PackageBase& package,
                                   const std::optional<ToleranceProfile>& profile) {
  const int number = packageNumber(doc, package);
  HistoryEvent event =
      verificationEvent(*doc.device, documentPath(doc), package, number,
                        profile ? &*profile : nullptr, apprSettings().sectionScatter);
  std::string& last = summaries_[{event.document, number}];
  if (last == event.payload) return;
  last = event.payload;
  recorder_.record(std::move(event));
}

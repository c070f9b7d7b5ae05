#pragma once
// What the main window records in the calibration history about its document: the panel's reads
// and writes, approximations, reports, saves and the verification packages' summaries. Each call
// builds its event and hands it to the recorder; none waits for the store.

#include <QString>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "core/document/document.h"
#include "core/verdict/tolerance.h"

class HistoryRecorder;

class DocumentHistory {
 public:
  explicit DocumentHistory(HistoryRecorder& recorder) : recorder_(recorder) {}

  HistoryRecorder& recorder() { return recorder_; }

  void exchange(const Document& doc, DeviceBase& device, DeviceExchange exchange,
                const WriteCheck* check);
  // After "Аппроксимация" of `package` succeeded: the current line set is its result.
  void approximation(const Document& doc, const PackageBase& package);
  // A report of `package` written to `path` ("html" or "pdf"); a verification package's summary
  // goes with it when it changed.
  void report(const Document& doc, const PackageBase& package, const QString& path,
              const char* format, const std::optional<ToleranceProfile>& profile);
  // The document was saved to its file; the summaries of the verification packages that changed
  // go with it.
  void saved(const Document& doc, const std::optional<ToleranceProfile>& profile);

 private:
  // Records the summary unless it equals the one recorded last for that package of that document.
  void verification(const Document& doc, const PackageBase& package,
                    const std::optional<ToleranceProfile>& profile);

  HistoryRecorder& recorder_;
  // By document path and package number: the payload recorded last in this session.
  std::map<std::pair<std::string, int>, std::string> summaries_;
};

// The 1-based number of `package` in the document, as the tabs count; 0 when it is not there.
int packageNumber(const Document& doc, const PackageBase& package);

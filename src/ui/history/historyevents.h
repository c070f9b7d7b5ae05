#pragma once
// The events of the calibration history as the program records them, built from the document's
// device, its packages and the files written. Each gives the event's search fields and its JSON
// payload; the time, the user, the bench and the version are the recorder's to fill.

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

#include "core/base/writecheck.h"
#include "core/document/devicebase.h"
#include "core/history/historyevent.h"
#include "core/package/line.h"
#include "core/package/packagebase.h"
#include "core/verdict/tolerance.h"

// The fields every event of a device names: family, model, serial number and document
// (`document` the file's absolute path, empty while unsaved).
HistoryEvent deviceHistoryEvent(const char* kind, DeviceBase& device, const std::string& document);

// A read or a write: the device as its panel shows it; a write carries its check when the
// device's values were read back.
HistoryEvent exchangeEvent(DeviceBase& device, const std::string& document, bool write,
                           const WriteCheck* check);

// The lines just computed for package `number` (1-based, as the tabs count) and its sections.
HistoryEvent approximationEvent(DeviceBase& device, const std::string& document,
                                const PackageBase& package, int number,
                                const std::vector<files::Line>& lines, double scatterPercent);

// The errors of package `number` by section and, with a profile, its limits and verdicts.
HistoryEvent verificationEvent(DeviceBase& device, const std::string& document,
                               const PackageBase& package, int number,
                               const ToleranceProfile* profile, double scatterPercent);

// A report of package `number` written to `path` ("html" or "pdf"), with the hash of its bytes.
HistoryEvent reportEvent(DeviceBase& device, const std::string& document, const QString& path,
                         const QByteArray& bytes, const char* format, int number);

// The document saved to `path`, with the hash of its bytes.
HistoryEvent saveEvent(DeviceBase& device, const QString& path, const QByteArray& bytes);

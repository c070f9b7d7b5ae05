#pragma once
// The protocol of a measurement package: an HTML page in Windows-1251 with CR LF line ends, made
// of the device's identity, the approximation settings, the coefficient lines in use and the
// package's measurement table.

#include <optional>
#include <string>
#include <vector>

#include "core/document/devicebase.h"
#include "core/package/apprsettings.h"
#include "core/package/line.h"
#include "core/package/packagebase.h"
#include "core/verdict/verdict.h"

// Who signs the protocol and with what the transducer was tested (UTF-8, any text).
struct ProtocolSigning {
  std::string operatorName;
  std::string bench;
  std::string reference;
};

// The verdict section that follows the page's usual content when a profile was chosen.
struct ReportVerdict {
  ToleranceProfile profile;
  PackageVerdict verdict;
  SystemTime testDate;  // the package's creation
  ProtocolSigning signing;
};

// What the page tells besides the package.
struct ReportFacts {
  std::string deviceName;  // UTF-8
  DeviceIdentity identity;
  int typeCode = 0;
  double pulseWeight = 0;  // m³ per pulse
  std::vector<files::Line> lines;
  ApprSettings settings;
  std::optional<ReportVerdict> verdict;  // none: the page stays exactly as without profiles
};

// The device's facts with the current line set and approximation settings.
ReportFacts reportFacts(DeviceBase& device);

// The page's bytes.
std::string reportPage(const ReportFacts& facts, const PackageBase& package);
// The same page as UTF-8 text (its head still names Windows-1251).
std::string reportHtml(const ReportFacts& facts, const PackageBase& package);

// Writes the page of `package` to `path`, replacing the file only once the whole page is on disk;
// raises win_error when the file cannot be written.
void writeReport(const std::string& path, DeviceBase& device, const PackageBase& package);
// The same page with `facts` already gathered (a verdict among them).
void writeReport(const std::string& path, const ReportFacts& facts, const PackageBase& package);

// The verdict of `package` against `profile` for the page, with the package's date.
ReportVerdict reportVerdict(const PackageBase& package, const ToleranceProfile& profile,
                            const ProtocolSigning& signing);

// Text for an HTML page: &, <, > and " as entities.
std::string htmlEscaped(const std::string& text);

// A permitted band as people write it: "±1" or "-0,5…+0,3" (UTF-8, `sep` the decimal separator).
std::string limitText(const ErrorLimit& limit, char sep);

// General number text: at most 15 significant digits without trailing zeros, fixed-point from
// 0.00001 up to 15 integer digits, otherwise a mantissa and "E" with the exponent ("1E-6",
// "1.5E20"); `sep` is the decimal separator.
std::string formatGeneral(double value, char sep);

#include "ui/history/historyevents.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "core/verdict/verdict.h"
#include "ui/history/historypayload.h"

namespace {

// JSON has no NaN: an undefined value is null.
QJsonValue number(double value) {
  return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue text(const std::string& value) { return QString::fromStdString(value); }

std::string payload(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QJsonArray linesJson(const std::vector<files::Line>& lines) {
  QJsonArray array;
  for (const files::Line& line : lines)
    array.append(QJsonObject{{"A", number(line.A)}, {"B", number(line.B)}, {"F", number(line.F)}});
  return array;
}

QString parametersHex(DeviceBase& device) {
  QByteArray block(int(device.getParameters(nullptr)), '\0');
  device.getParameters(reinterpret_cast<uint8_t*>(block.data()));
  return QString::fromLatin1(block.toHex());
}

QJsonObject checkJson(const WriteCheck& check) {
  QJsonArray fields;
  for (const WriteCheckField& field : check.fields)
    fields.append(QJsonObject{{"name", text(field.name)},
                              {"written", text(field.written)},
                              {"found", text(field.found)}});
  return {{"result", writeCheckResultName(check.result)},
          {"fields", fields},
          {"message", text(writeCheckLine(check))}};
}

QString sha256(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QJsonObject packageJson(const PackageBase& package, int number) {
  return {{"package", number}, {"packageName", text(package.name())}};
}

QJsonObject sectionJson(const SectionVerdict& section, int number) {
  return {{"number", number},
          {"flow", ::number(section.flow)},
          {"meanError", ::number(section.meanError)},
          {"count", int(section.rows.size())}};
}

// Another bench reading the shared history cannot resolve a path relative to this program's folder.
QString absolute(const QString& path) {
  return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

}  // namespace

HistoryEvent deviceHistoryEvent(const char* kind, DeviceBase& device, const std::string& document) {
  DeviceIdentity identity;
  device.getIdentity(identity);
  HistoryEvent event;
  event.kind = kind;
  event.document = absolute(QString::fromStdString(document)).toStdString();
  event.family = historyFamilyCode(deviceFamily(device.typeCode()));
  event.model = device.name();
  event.serial = formatSerialNumber(identity.serialNumber, identity.duCode);
  return event;
}

HistoryEvent exchangeEvent(DeviceBase& device, const std::string& document, bool write,
                           const WriteCheck* check) {
  HistoryEvent event =
      deviceHistoryEvent(write ? historykind::kWrite : historykind::kRead, device, document);
  DeviceIdentity identity;
  device.getIdentity(identity);
  std::vector<files::Line> lines;
  device.readLines(lines);
  QJsonObject object{
      {"duCode", identity.duCode},        {"du", text(std::string(DuText(identity.duCode)))},
      {"serialText", text(event.serial)}, {"pulseWeight", number(device.pulseWeight())},
      {"lines", linesJson(lines)},        {"parameters", parametersHex(device)}};
  if (write && check) object.insert("check", checkJson(*check));
  event.payload = payload(object);
  return event;
}

HistoryEvent approximationEvent(DeviceBase& device, const std::string& document,
                                const PackageBase& package, int number,
                                const std::vector<files::Line>& lines, double scatterPercent) {
  HistoryEvent event = deviceHistoryEvent(historykind::kApproximation, device, document);
  QJsonArray sections;
  for (const SectionVerdict& section : packageSections(package, scatterPercent))
    sections.append(sectionJson(section, sections.size() + 1));
  QJsonObject object = packageJson(package, number);
  object.insert("packageKind", package.kind == pkVerification ? "verification" : "calibration");
  object.insert("sections", sections);
  object.insert("lines", linesJson(lines));
  event.payload = payload(object);
  return event;
}

HistoryEvent verificationEvent(DeviceBase& device, const std::string& document,
                               const PackageBase& package, int number,
                               const ToleranceProfile* profile, double scatterPercent) {
  HistoryEvent event = deviceHistoryEvent(historykind::kVerification, device, document);
  const QJsonValue none(QJsonValue::Null);
  std::vector<SectionVerdict> judged;
  QJsonObject object = packageJson(package, number);
  if (profile) {
    const PackageVerdict verdict = judgePackage(package, *profile, scatterPercent);
    judged = verdict.sections;
    object.insert("profile", text(profile->name));
    object.insert("passed", verdict.passed);
  } else {
    judged = packageSections(package, scatterPercent);
    object.insert("profile", "");
    object.insert("passed", none);
  }
  QJsonArray sections;
  for (const SectionVerdict& s : judged) {
    QJsonObject section = sectionJson(s, sections.size() + 1);
    section.insert("spread", ::number(s.spread));
    section.insert("stdDev", ::number(s.stdDev));
    section.insert("minus", profile ? ::number(s.limit.minus) : none);
    section.insert("plus", profile ? ::number(s.limit.plus) : none);
    section.insert("passed", profile ? QJsonValue(s.passed) : none);
    sections.append(section);
  }
  object.insert("sections", sections);
  event.payload = payload(object);
  return event;
}

HistoryEvent reportEvent(DeviceBase& device, const std::string& document, const QString& path,
                         const QByteArray& bytes, const char* format, int number) {
  HistoryEvent event = deviceHistoryEvent(historykind::kReport, device, document);
  event.payload = payload({{"path", absolute(path)},
                           {"sha256", sha256(bytes)},
                           {"format", format},
                           {"package", number}});
  return event;
}

HistoryEvent saveEvent(DeviceBase& device, const QString& path, const QByteArray& bytes) {
  HistoryEvent event = deviceHistoryEvent(historykind::kSave, device, path.toStdString());
  event.payload = payload({{"path", absolute(path)}, {"sha256", sha256(bytes)}});
  return event;
}

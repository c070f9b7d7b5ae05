#include "ui/package/toleranceprofiles.h"

#include "core/base/errors.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"

namespace {

// One group of the program's key; values numbered from 1, "Count" of them.
const QString kGroup = QString::fromUtf8(kProgramKey) + "\\Допуски";

QString numbered(const char* what, int i) { return QStringLiteral("%1%2").arg(what).arg(i); }

RegKey openGroup() {
  RegKey key;
  key.create(kGroup);
  return key;
}

}  // namespace

std::vector<ToleranceProfile> loadToleranceProfiles() {
  RegKey key = openGroup();
  const int count = key.readInt("Count", 0);
  if (count <= 0) return builtInProfiles();
  std::vector<ToleranceProfile> profiles;
  for (int i = 1; i <= count; ++i) {
    ToleranceProfile p;
    p.name = key.readString(numbered("Name", i)).toStdString();
    p.basis = key.readString(numbered("Basis", i)) == "fraction" ? ZoneBasis::fractionOfMax
                                                                 : ZoneBasis::flow;
    std::string problem;
    try {
      p.zones = parseZones(key.readString(numbered("Zones", i)).toStdString());
      problem = profileProblem(p);
    } catch (const ConvertError& e) {
      problem = e.what();
    }
    if (problem.empty())
      profiles.push_back(std::move(p));
    else
      logMessage(QString::fromStdString("Профиль допусков \"" + p.name +
                                        "\" в настройках не читается: " + problem));
  }
  return profiles;
}

void saveToleranceProfiles(const std::vector<ToleranceProfile>& profiles) {
  RegKey key = openGroup();
  int i = 0;
  for (const ToleranceProfile& p : profiles) {
    ++i;
    key.writeString(numbered("Name", i), QString::fromStdString(p.name));
    key.writeString(numbered("Basis", i), p.basis == ZoneBasis::fractionOfMax
                                              ? QStringLiteral("fraction")
                                              : QStringLiteral("flow"));
    key.writeString(numbered("Zones", i), QString::fromStdString(zonesText(p.zones)));
  }
  key.writeInt("Count", i);
}

QString defaultProfileName(uint8_t typeCode) {
  return openGroup().readString(numbered("Default", typeCode));
}

void setDefaultProfileName(uint8_t typeCode, const QString& name) {
  openGroup().writeString(numbered("Default", typeCode), name);
}

ProtocolSigning loadProtocolSigning() {
  RegKey key = openGroup();
  return {key.readString("Operator").toStdString(), key.readString("Bench").toStdString(),
          key.readString("Reference").toStdString()};
}

void saveProtocolSigning(const ProtocolSigning& signing) {
  RegKey key = openGroup();
  key.writeString("Operator", QString::fromStdString(signing.operatorName));
  key.writeString("Bench", QString::fromStdString(signing.bench));
  key.writeString("Reference", QString::fromStdString(signing.reference));
}

ToleranceProfile toleranceProfile(const QString& name) {
  const std::vector<ToleranceProfile> profiles = loadToleranceProfiles();
  if (const ToleranceProfile* p = findProfile(profiles, name.toStdString())) return *p;
  throw MessageError("Нет профиля допусков \"" + name.toStdString() + "\"");
}

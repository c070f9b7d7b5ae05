#include "ui/history/historypayload.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <map>

#include "core/document/devicebase.h"

namespace {

struct Name {
  const char* stored;
  const char* shown;
};

constexpr Name kKinds[] = {{historykind::kRead, "Считывание"},
                           {historykind::kWrite, "Запись"},
                           {historykind::kApproximation, "Аппроксимация"},
                           {historykind::kVerification, "Поверка"},
                           {historykind::kReport, "Отчёт"},
                           {historykind::kSave, "Сохранение"}};
constexpr Name kFamilies[] = {{"td", "ТД"}, {"kelt", "КЕЛТ"}, {"zorb", "ЗОРБ"}};

template <size_t N>
QString shownName(const Name (&names)[N], const std::string& stored) {
  for (const Name& name : names)
    if (stored == name.stored) return QString::fromUtf8(name.shown);
  return QString::fromStdString(stored);
}

// The payload when it is a JSON object; none otherwise.
std::optional<QJsonObject> payloadOf(const HistoryEvent& event) {
  QJsonParseError error;
  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray::fromStdString(event.payload), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  return doc.object();
}

double number(const QJsonValue& value) { return value.isDouble() ? value.toDouble() : NAN; }

std::optional<double> optionalNumber(const QJsonValue& value) {
  if (!value.isDouble()) return std::nullopt;
  return value.toDouble();
}

QString linesSummary(const QJsonObject& payload) {
  QStringList parts;
  if (payload.value("du").isString()) parts << "Ду " + payload.value("du").toString();
  if (payload.value("lines").isArray())
    parts << QString("прямых %1").arg(payload.value("lines").toArray().size());
  const QString check = payload.value("check").toObject().value("result").toString();
  if (check == "verified") parts << "проверено";
  if (check == "mismatch") parts << "расхождение при проверке";
  if (check == "unconfirmed") parts << "не подтверждено";
  return parts.join(", ");
}

QString approximationSummary(const QJsonObject& payload) {
  QStringList parts;
  if (payload.value("package").isDouble())
    parts << QString("пакет %1").arg(payload.value("package").toInt());
  if (payload.value("sections").isArray())
    parts << QString("сечений %1").arg(payload.value("sections").toArray().size());
  if (payload.value("lines").isArray())
    parts << QString("прямых %1").arg(payload.value("lines").toArray().size());
  return parts.join(", ");
}

QString verificationSummary(const QJsonObject& payload) {
  const QJsonValue passed = payload.value("passed");
  if (passed.isBool() && passed.toBool()) return "годен";
  if (!passed.isBool()) return "без профиля допусков";
  QStringList failed;
  for (const QJsonValue& section : payload.value("sections").toArray()) {
    const QJsonObject s = section.toObject();
    if (s.value("passed").isBool() && !s.value("passed").toBool())
      failed << QString::number(s.value("number").toInt());
  }
  if (failed.isEmpty()) return "не годен";
  return (failed.size() == 1 ? "не годен: сечение " : "не годен: сечения ") + failed.join(", ");
}

QString fileSummary(const QJsonObject& payload) {
  const QString path = payload.value("path").toString();
  const QString format = payload.value("format").toString().toUpper();
  return format.isEmpty() || path.isEmpty() ? path : path + " (" + format + ")";
}

}  // namespace

QString historyKindText(const std::string& kind) { return shownName(kKinds, kind); }

QString historyFamilyText(const std::string& family) { return shownName(kFamilies, family); }

std::string historyFamilyCode(int deviceFamily) {
  switch (deviceFamily) {
    case dfTd:
      return "td";
    case dfKelt:
      return "kelt";
    default:
      return "zorb";
  }
}

QString historyTimeText(int64_t timeMs) {
  return QDateTime::fromMSecsSinceEpoch(timeMs).toLocalTime().toString("dd.MM.yyyy HH:mm:ss");
}

QString eventSummary(const HistoryEvent& event) {
  const std::optional<QJsonObject> payload = payloadOf(event);
  if (!payload) return "данные не разобраны";
  if (event.kind == historykind::kRead || event.kind == historykind::kWrite)
    return linesSummary(*payload);
  if (event.kind == historykind::kApproximation) return approximationSummary(*payload);
  if (event.kind == historykind::kVerification) return verificationSummary(*payload);
  if (event.kind == historykind::kReport || event.kind == historykind::kSave)
    return fileSummary(*payload);
  return {};
}

QString eventDetails(const HistoryEvent& event) {
  const auto text = [](const std::string& s) { return QString::fromStdString(s); };
  QStringList lines{
      "Событие: " + historyKindText(event.kind),
      "Время: " + historyTimeText(event.timeMs),
      "Прибор: " + historyFamilyText(event.family) + ", " + text(event.model) + ", зав. № " +
          text(event.serial),
      "Пользователь: " + text(event.user),
      "Стенд: " + text(event.bench),
      "Документ: " + (event.document.empty() ? QString("не сохранён") : text(event.document)),
      "Версия программы: " + text(event.version),
      "Код события: " + text(event.id),
  };
  const std::optional<QJsonObject> payload = payloadOf(event);
  if (payload)
    lines << "Данные:"
          << QString::fromUtf8(QJsonDocument(*payload).toJson(QJsonDocument::Indented));
  else
    lines << "Данные (не в формате JSON):" << text(event.payload);
  return lines.join('\n');
}

std::optional<std::vector<CoefficientLine>> eventLines(const HistoryEvent& event) {
  const std::optional<QJsonObject> payload = payloadOf(event);
  if (!payload || !payload->value("lines").isArray()) return std::nullopt;
  std::vector<CoefficientLine> lines;
  for (const QJsonValue& value : payload->value("lines").toArray()) {
    const QJsonObject line = value.toObject();
    lines.push_back({number(line.value("A")), number(line.value("B")), number(line.value("F"))});
  }
  return lines;
}

std::vector<Verification> verificationsOf(const std::vector<HistoryEvent>& events) {
  std::vector<Verification> found;
  for (const HistoryEvent& event : events) {
    if (event.kind != historykind::kVerification) continue;
    const std::optional<QJsonObject> payload = payloadOf(event);
    if (!payload) continue;
    Verification verification{event.timeMs, {}};
    for (const QJsonValue& value : payload->value("sections").toArray()) {
      const QJsonObject s = value.toObject();
      if (!s.value("number").isDouble() || !s.value("meanError").isDouble()) continue;
      verification.sections.push_back(
          {s.value("number").toInt(), number(s.value("flow")), s.value("meanError").toDouble(),
           optionalNumber(s.value("minus")), optionalNumber(s.value("plus"))});
    }
    if (!verification.sections.empty()) found.push_back(std::move(verification));
  }
  std::stable_sort(found.begin(), found.end(), [](const Verification& a, const Verification& b) {
    return a.timeMs < b.timeMs;
  });
  return found;
}

std::vector<DriftCurve> driftCurves(const std::vector<Verification>& verifications) {
  std::map<int, DriftCurve> curves;
  std::map<int, int> flowCounts;
  for (size_t i = 0; i < verifications.size(); ++i) {
    for (const VerifiedSection& s : verifications[i].sections) {
      DriftCurve& curve = curves[s.number];
      curve.section = s.number;
      curve.points.push_back({double(i + 1), s.meanError, s.minus, s.plus});
      if (std::isfinite(s.flow)) {
        curve.meanFlow += s.flow;
        ++flowCounts[s.number];
      }
    }
  }
  std::vector<DriftCurve> out;
  for (auto& [number, curve] : curves) {
    const int count = flowCounts[number];
    curve.meanFlow = count > 0 ? curve.meanFlow / count : NAN;
    out.push_back(std::move(curve));
  }
  return out;
}

#include "ui/devices/zorb/zorbdevice.h"

#include <QComboBox>
#include <QLayout>
#include <QLocale>
#include <algorithm>
#include <cstring>

#include "core/devices/devicetypes.h"
#include "core/devices/zorb/zorbmodels.h"
#include "ui/base/messagelog.h"
#include "ui/devices/zorb/zorbframe.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

// Offset of the pulse-weight position in the parameter block.
constexpr uint32_t kWeightOffset = 4;

// What a ZORB transducer can hold: the panel's edits limit B further, to -36..36.
constexpr double kMaxA = 36;
constexpr double kMaxB = 558;

bool within(double value, double min, double max) { return value >= min && value <= max; }

}  // namespace

Zorb::Zorb(int model, QWidget* parent) : PanelDevice(new TZorbFrame(parent)) {
  panel_->init(model);
}

uint8_t Zorb::typeCode() const { return deviceTypeCode(dfZorb, panel_->model()); }

void Zorb::readLines(std::vector<files::Line>& lines) {
  lines.resize(1);
  lines[0].A = panel_->edA->GetValue();
  lines[0].B = panel_->edB->GetValue();
}

// The transducer holds one line; values out of its range are reported but still shown, where the
// edits limit them.
void Zorb::writeLines(const std::vector<files::Line>& lines) {
  if (lines.empty()) return;
  const files::Line& line = lines.front();
  if (!within(line.A, 0, kMaxA)) logMessage("Коэффициент A не принадлежит допустимому диапазону");
  if (!within(line.B, -kMaxB, kMaxB))
    logMessage("Коэффициент B не принадлежит допустимому диапазону");
  panel_->edA->SetValue(line.A);
  panel_->edB->SetValue(line.B);
  if (lines.size() >= 2) logMessage("Слишком много прямых аппроксимации");
}

void Zorb::getIdentity(DeviceIdentity& identity) {
  identity.serialNumber = panel_->edDevNum->GetValue();
  identity.duCode = panel_->duCode();
}

void Zorb::setIdentity(const DeviceIdentity& identity) {
  panel_->edDevNum->SetValue(identity.serialNumber);
  panel_->setDuCode(identity.duCode);
}

uint32_t Zorb::getParameters(uint8_t* buffer) {
  if (buffer) {
    const int32_t position = panel_->cbOutType->currentIndex();
    std::memset(buffer, 0, kWeightOffset);
    std::memcpy(buffer + kWeightOffset, &position, sizeof position);
  }
  return kParameterSize;
}

bool Zorb::setParameters(const uint8_t* data, uint32_t length) {
  if (length < kParameterSize) return false;
  int32_t position;
  std::memcpy(&position, data + kWeightOffset, sizeof position);
  const int last = panel_->cbOutType->count() - 1;
  panel_->cbOutType->setCurrentIndex(std::clamp(position, 0, std::max(last, 0)));
  return true;
}

std::string Zorb::name() const { return zorbModel(panel_->model()).name; }

// The weights are shown with a decimal comma; a point is read as well.
double Zorb::pulseWeight() const {
  QString text = panel_->cbOutType->currentText();
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double weight = QLocale::c().toDouble(text.trimmed(), &ok);
  return ok ? weight : 0;
}

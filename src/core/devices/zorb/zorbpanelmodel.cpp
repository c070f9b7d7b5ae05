#include "core/devices/zorb/zorbpanelmodel.h"

#include <charconv>
#include <string_view>

#include "core/devices/zorb/zorbmodels.h"

namespace {

// The ZORB Ду list starts at Ду 25, whose Du code is 2.
constexpr int kFirstDuCode = 2;

// The weights are listed with a decimal comma.
double weightValue(std::string_view text) {
  std::string number(text);
  for (char& c : number)
    if (c == ',') c = '.';
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  return error == std::errc() && end == number.data() + number.size() ? value : 0;
}

ZorbRequest withDu(ZorbCommand type, const ZorbPanelValues& values) {
  ZorbRequest request{type, {}};
  request.data.Du = static_cast<uint8_t>(zorbDuCode(values.duPosition));
  return request;
}

}  // namespace

int zorbDuCode(int duPosition) { return duPosition + kFirstDuCode; }

int zorbDuPosition(int duCode) {
  const int position = duCode - kFirstDuCode;
  return position >= 0 && position < kZorbDuCount ? position : -1;
}

double zorbPulseWeight(const ZorbPanelValues& values) {
  const auto& weights = zorbPulseWeights(static_cast<uint8_t>(zorbDuCode(values.duPosition)));
  const int position = values.weightPosition;
  return position >= 0 && position < static_cast<int>(weights.size())
             ? weightValue(weights[position])
             : 0;
}

ZorbRequest zorbOpenCommand(int portPosition) {
  ZorbRequest request{ZORB_OPEN, {}};
  request.data.port = static_cast<uint8_t>(portPosition);
  return request;
}

ZorbRequest zorbWriteCommand(const ZorbPanelValues& values) {
  ZorbRequest request = withDu(ZORB_WRITE, values);
  request.data.A = values.A;
  request.data.B = values.B;
  return request;
}

ZorbRequest zorbReadCommand(const ZorbPanelValues& values) { return withDu(ZORB_READ, values); }

// A port that did not open is only deselected: the user sees it in the selector.
ZorbOutcome zorbOutcome(ZorbCommand type, const ZorbCommon& data, bool ok,
                        const std::string& message) {
  ZorbOutcome outcome;
  switch (type) {
    case ZORB_OPEN:
      outcome.portPosition = ok ? data.port : 0;
      break;
    case ZORB_WRITE:
      outcome.text = ok ? "Параметры записаны" : message;
      if (ok && data.check) outcome.checkText = writeCheckLine(*data.check);
      break;
    case ZORB_READ:
      outcome.text = ok ? "Параметры считаны" : message;
      if (ok) outcome.shown = ZorbCoefficients{data.A, data.B};
      break;
  }
  return outcome;
}

ZorbControlState zorbControlState(int model, int portPosition, bool busy) {
  const bool pulseOutput = zorbHasPulseOutput(model);
  return {pulseOutput && portPosition > 0 && !busy, pulseOutput};
}

#include "ui/widgets/floatedit.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxTextLength = 16;
// Beyond 15 digits a double holds no more precision; bigger numbers are shown in exponent form.
constexpr int kPrecision = 15;
constexpr double kFixedLimit = 1e15;

QString FormatFloat(double value, int digits, bool significant) {
  QString text;
  if (significant)
    text = QString::number(value, 'g', std::clamp(digits, 1, kPrecision));
  else if (std::fabs(value) >= kFixedLimit)
    text = QString::number(value, 'g', kPrecision);
  else
    text = QString::number(value, 'f', std::clamp(digits, 0, kPrecision));
  return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

}  // namespace

TFloatEdit::TFloatEdit(QWidget* parent) : TValueEdit(parent) {
  setMaxLength(kMaxTextLength);
  UpdateText();
}

void TFloatEdit::SetDigits(int digits) {
  digits_ = digits;
  if (!hasFocus()) UpdateText();
}

void TFloatEdit::SetSignificant(bool significant) {
  significant_ = significant;
  if (!hasFocus()) UpdateText();
}

double TFloatEdit::Limit(double value) const { return std::clamp(value, min_, max_); }

void TFloatEdit::SetMin(double min) {
  if (std::isnan(min)) return;
  min_ = min;
  max_ = std::max(max_, min_);
  SetValue(value_);
}

void TFloatEdit::SetMax(double max) {
  if (std::isnan(max)) return;
  max_ = max;
  min_ = std::min(min_, max_);
  SetValue(value_);
}

void TFloatEdit::StoreValue(double value) {
  if (std::isnan(value)) return;
  value_ = Limit(value);
  if (!OnChangeValue) return;
  double changed = value_;
  OnChangeValue(this, changed);
  if (!std::isnan(changed)) value_ = Limit(changed);
}

void TFloatEdit::SetValue(double value) {
  StoreValue(value);
  UpdateText();
}

void TFloatEdit::UpdateText() { ShowText(FormatFloat(value_, digits_, significant_)); }

// Either separator is welcome: the first "," (or, without one, the first ".") is the decimal one.
std::optional<double> TFloatEdit::ReadText() const {
  QString number = text();
  qsizetype separator = number.indexOf(QLatin1Char(','));
  if (separator < 0) separator = number.indexOf(QLatin1Char('.'));
  if (separator >= 0) number[separator] = QLatin1Char('.');
  bool ok = false;
  const double value = QLocale::c().toDouble(number.trimmed(), &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool TFloatEdit::TakeText() {
  const std::optional<double> value = ReadText();
  if (value) SetValue(*value);
  return value.has_value();
}

void TFloatEdit::FollowText() {
  if (const std::optional<double> value = ReadText()) StoreValue(*value);
}

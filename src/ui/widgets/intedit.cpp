#include "ui/widgets/intedit.h"

#include <QWheelEvent>
#include <algorithm>
#include <exception>

namespace {
constexpr int kMaxTextLength = 10;
constexpr int kWheelNotch = 120;
}  // namespace

TIntEdit::TIntEdit(QWidget* parent) : TValueEdit(parent) {
  setMaxLength(kMaxTextLength);
  UpdateText();
}

int TIntEdit::Limit(int value) const { return std::clamp(value, min_, max_); }

void TIntEdit::SetMin(int min) {
  min_ = min;
  max_ = std::max(max_, min_);
  SetValue(value_);
}

void TIntEdit::SetMax(int max) {
  max_ = max;
  min_ = std::min(min_, max_);
  SetValue(value_);
}

void TIntEdit::SetValue(int value) {
  value_ = Limit(value);
  UpdateText();
}

void TIntEdit::UpdateText() {
  if (OnSetText)
    OnSetText(this);
  else
    ShowText(QString::number(value_));
}

std::optional<int> TIntEdit::ReadText() {
  if (OnGetText) {
    int value = value_;
    try {
      OnGetText(this, value);
    } catch (const std::exception&) {
      return std::nullopt;
    }
    return value;
  }
  bool ok = false;
  const int value = text().trimmed().toInt(&ok, 10);
  return ok ? std::optional<int>(value) : std::nullopt;
}

bool TIntEdit::TakeText() {
  const std::optional<int> value = ReadText();
  if (value) SetValue(*value);
  return value.has_value();
}

void TIntEdit::FollowText() {
  if (const std::optional<int> value = ReadText()) value_ = Limit(*value);
}

void TIntEdit::wheelEvent(QWheelEvent* event) {
  if (isReadOnly()) {
    event->ignore();
    return;
  }
  // A turn away from the user steps up; high-resolution wheels add up to whole notches.
  wheelRemainder_ += event->angleDelta().y();
  const int steps = wheelRemainder_ / kWheelNotch;
  wheelRemainder_ -= steps * kWheelNotch;
  if (steps != 0)
    SetValue(static_cast<int>(
        std::clamp<long long>(static_cast<long long>(value_) + steps, min_, max_)));
  event->accept();
}

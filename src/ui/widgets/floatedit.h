#pragma once
// A real-number field limited to [Min, Max], shown with Digits decimals (or Digits significant
// digits) and the system decimal separator; it reads either "," or "." as the separator.

#include <functional>
#include <optional>

#include "ui/widgets/numedit.h"

class TFloatEdit : public TValueEdit {
  Q_OBJECT
  Q_PROPERTY(int Digits READ GetDigits WRITE SetDigits)
  Q_PROPERTY(bool Significant READ GetSignificant WRITE SetSignificant)
  Q_PROPERTY(double Min READ GetMin WRITE SetMin)
  Q_PROPERTY(double Max READ GetMax WRITE SetMax)
  Q_PROPERTY(double Value READ GetValue WRITE SetValue)

 public:
  explicit TFloatEdit(QWidget* parent = nullptr);

  int GetDigits() const { return digits_; }
  void SetDigits(int digits);
  bool GetSignificant() const { return significant_; }
  void SetSignificant(bool significant);
  double GetMin() const { return min_; }
  // Raises Max when it would lie below, then limits the value.
  void SetMin(double min);
  double GetMax() const { return max_; }
  // Lowers Min when it would lie above, then limits the value.
  void SetMax(double max);
  // The value at full precision; the text is only its display.
  double GetValue() const { return value_; }
  // Stores the value limited to [Min, Max] (OnChangeValue may adjust it) and rewrites the text.
  void SetValue(double value);

  // Called with the stored value whenever it changes; may change it (it is limited again).
  std::function<void(TFloatEdit* Sender, double& Value)> OnChangeValue;

  void UpdateText() override;

 protected:
  bool TakeText() override;
  void FollowText() override;
  void SaveValue() override { saved_ = value_; }
  void RestoreValue() override { SetValue(saved_); }

 private:
  std::optional<double> ReadText() const;
  void StoreValue(double value);
  double Limit(double value) const;

  int digits_ = 0;
  bool significant_ = false;
  double min_ = 0;
  double max_ = 0;
  double value_ = 0;
  double saved_ = 0;
};

#pragma once
// An integer field limited to [Min, Max]; the mouse wheel steps the value by one.

#include <functional>
#include <optional>

#include "ui/widgets/numedit.h"

class TIntEdit : public TValueEdit {
  Q_OBJECT
  Q_PROPERTY(int Min READ GetMin WRITE SetMin)
  Q_PROPERTY(int Max READ GetMax WRITE SetMax)
  Q_PROPERTY(int Value READ GetValue WRITE SetValue)

 public:
  explicit TIntEdit(QWidget* parent = nullptr);

  int GetMin() const { return min_; }
  // Raises Max when it would lie below, then limits the value.
  void SetMin(int min);
  int GetMax() const { return max_; }
  // Lowers Min when it would lie above, then limits the value.
  void SetMax(int max);
  int GetValue() const { return value_; }
  // Stores the value limited to [Min, Max] and rewrites the text.
  void SetValue(int value);

  // When set, writes the text for the value instead of the decimal form.
  std::function<void(TIntEdit* Sender)> OnSetText;
  // When set, reads the value from the text instead of decimal conversion; throws when the text
  // is no valid value.
  std::function<void(TIntEdit* Sender, int& Value)> OnGetText;

 protected:
  bool TakeText() override;
  void FollowText() override;
  void UpdateText() override;
  void SaveValue() override { saved_ = value_; }
  void RestoreValue() override { SetValue(saved_); }
  void wheelEvent(QWheelEvent* event) override;

 private:
  std::optional<int> ReadText();
  int Limit(int value) const;

  int min_ = 0;
  int max_ = 0;
  int value_ = 0;
  int saved_ = 0;
  int wheelRemainder_ = 0;
};

#pragma once
// A combo box that shows no selection while disabled but remembers it for when it is enabled.

#include <QComboBox>

class TDisComboBox : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(int ItemIndex READ GetItemIndex WRITE SetItemIndex)

 public:
  explicit TDisComboBox(QWidget* parent = nullptr);

  // While disabled: the remembered index, set without showing it.
  int GetItemIndex() const;
  void SetItemIndex(int index);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  int remembered_ = -1;
};

#pragma once
// Tabs drawn as buttons that wrap into several rows, so every caption is shown whole in a narrow
// window instead of being scrolled or cut. The current tab's button stays pressed.

#include <QString>
#include <QWidget>

class QButtonGroup;
class QGridLayout;
class QPushButton;

class TabButtons : public QWidget {
  Q_OBJECT
 public:
  // `columns` buttons in a row; the next ones start a new row.
  explicit TabButtons(int columns, QWidget* parent = nullptr);

  void addTab(const QString& caption);
  int count() const;
  QString tabText(int index) const;
  QPushButton* button(int index) const;
  // -1 without tabs; the first tab added becomes the current one.
  int currentIndex() const;
  void setCurrentIndex(int index);

 signals:
  void currentChanged(int index);

 private:
  int columns_;
  QGridLayout* layout_;
  QButtonGroup* group_;
};

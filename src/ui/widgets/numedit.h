#pragma once
// TNumEdit: a single-line edit that shows a help message in a status-bar panel while it has the
// focus. TValueEdit adds what the numeric fields (TIntEdit, TFloatEdit) share: accepting the text
// on Enter and on leaving, Escape back to the value on entry, the complaint about a bad number
// and the disabled look.

#include <QLineEdit>
#include <QPointer>
#include <QStatusBar>
#include <QString>

class QLabel;

// The panels of a status bar are the labels placed on it, in the order they were added.
QLabel* StatusPanelLabel(QStatusBar* bar, int index);

class TNumEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(int StatusPanel READ GetStatusPanel WRITE SetStatusPanel)
  Q_PROPERTY(QString Message READ GetMessage WRITE SetMessage)
  Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)

 public:
  explicit TNumEdit(QWidget* parent = nullptr);

  QStatusBar* GetStatusBar() const { return statusBar_; }
  void SetStatusBar(QStatusBar* bar);
  int GetStatusPanel() const { return statusPanel_; }
  void SetStatusPanel(int index);
  QString GetMessage() const { return message_; }
  void SetMessage(const QString& message);
  bool GetReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void RefreshPanel();

  QPointer<QStatusBar> statusBar_;
  int statusPanel_ = 0;
  QString message_;
};

class TValueEdit : public TNumEdit {
  Q_OBJECT

 public:
  explicit TValueEdit(QWidget* parent = nullptr);

 protected:
  // Reads the text into the value (limited) and rewrites the text; false when it is no number.
  virtual bool TakeText() = 0;
  // While the user types: reads the text into the value without touching the text.
  virtual void FollowText() = 0;
  virtual void UpdateText() = 0;
  virtual void SaveValue() = 0;
  virtual void RestoreValue() = 0;

  // Takes the text, or complains and shows the value again; false when the text was no number.
  bool AcceptText();
  // Writes the display of the value; unlike other text changes it is not read back, so the
  // value keeps its full precision.
  void ShowText(const QString& text);

  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool accepting_ = false;
  bool showing_ = false;
};

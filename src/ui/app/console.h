#pragma once
// The console under the page area: the recent messages, one time-stamped line each. While it
// exists every message the program logs lands here.

#include <QPlainTextEdit>

class MessageConsole : public QPlainTextEdit {
  Q_OBJECT
 public:
  static constexpr int kLines = 20;

  explicit MessageConsole(QWidget* parent);
  ~MessageConsole() override;

  // Adds one time-stamped line, dropping the oldest beyond kLines; the newest stays in view.
  void addLine(const QString& text);

 protected:
  // A double click empties the console.
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

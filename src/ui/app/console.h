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

  // Adds one time-stamped line, dropping the oldest beyond kLines; the newest comes into view.
  void addLine(const QString& text);
  // The height that shows `lines` lines, a horizontal scroll bar under them included.
  int heightForLines(int lines) const;
  // The text of the newest line; empty when the console is empty.
  QString lastLine() const;
  // Whether a console line warns ("ВНИМАНИЕ! …"); such lines are drawn in dark red and bold.
  static bool isWarningLine(const QString& line);

 protected:
  // A double click empties the console.
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // A console made lower keeps its newest line in view when it showed it before.
  void resizeEvent(QResizeEvent* event) override;

 private:
  void showNewestLine();
  void markWarnings();
};

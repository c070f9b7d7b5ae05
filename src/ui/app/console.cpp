#include "ui/app/console.h"

#include <QDateTime>
#include <QLocale>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

#include "ui/app/systemlocale.h"
#include "ui/base/messagelog.h"

namespace {

// The user's short date, a blank and the user's time of day with seconds; "---" when either
// cannot be formatted.
QString consoleStamp() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale;
  const QString date = locale.toString(now.date(), QLocale::ShortFormat);
  const QString time = locale.toString(now.time(), shortTimeFormat(locale, true));
  return date.isEmpty() || time.isEmpty() ? QStringLiteral("---") : date + " " + time;
}

}  // namespace

MessageConsole::MessageConsole(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setAccessibleName("Журнал сообщений");
  setFocusPolicy(Qt::ClickFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setMinimumHeight(heightForLines(2));
  setMessageSink([this](const QString& text) { addLine(text); });
}

MessageConsole::~MessageConsole() { setMessageSink({}); }

void MessageConsole::addLine(const QString& text) {
  QStringList lines;
  if (!document()->isEmpty()) lines = toPlainText().split('\n');
  while (lines.size() >= kLines) lines.removeFirst();
  QString line = consoleStamp() + " - " + text;
  line.replace("\r\n", "\n");
  lines.append(line);
  QString all = lines.join('\n');
  while (!all.isEmpty() && all.back().isSpace()) all.chop(1);
  // The text takes the format at the cursor, which may stand in a warning line.
  setCurrentCharFormat(QTextCharFormat());
  setPlainText(all);
  markWarnings();
  showNewestLine();
}

// A line that warns (a write the device did not confirm) is drawn in dark red and bold, so it is
// not read past among the routine ones.
void MessageConsole::markWarnings() {
  QTextCharFormat warning;
  warning.setForeground(QColor(170, 0, 0));
  warning.setFontWeight(QFont::Bold);
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (!isWarningLine(block.text())) continue;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(warning);
  }
}

bool MessageConsole::isWarningLine(const QString& line) {
  return line.contains(QStringLiteral(" - ВНИМАНИЕ!"));
}

void MessageConsole::showNewestLine() {
  // The start of the line, so a long line shows its time stamp rather than its end.
  QTextCursor cursor(document()->lastBlock());
  setTextCursor(cursor);
  ensureCursorVisible();
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

int MessageConsole::heightForLines(int lines) const {
  const QMargins margins = contentsMargins();
  return lines * fontMetrics().lineSpacing() + 2 * static_cast<int>(document()->documentMargin()) +
         margins.top() + margins.bottom() + horizontalScrollBar()->sizeHint().height();
}

QString MessageConsole::lastLine() const {
  return document()->isEmpty() ? QString() : document()->lastBlock().text();
}

void MessageConsole::resizeEvent(QResizeEvent* event) {
  QScrollBar* bar = verticalScrollBar();
  const bool newestShown = bar->value() == bar->maximum();
  QPlainTextEdit::resizeEvent(event);
  if (newestShown) bar->setValue(bar->maximum());
}

void MessageConsole::mouseDoubleClickEvent(QMouseEvent* /*event*/) { clear(); }

#include "ui/app/console.h"

#include <QDateTime>
#include <QLocale>
#include <QScrollBar>

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
  setPlainText(all);
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void MessageConsole::mouseDoubleClickEvent(QMouseEvent* /*event*/) { clear(); }

#include "ui/app/help.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>

THelp::THelp(const QString& folder, UrlOpener openUrl, QObject* parent)
    : QObject(parent), folder_(folder), openUrl_(std::move(openUrl)) {}

QString THelp::defaultFolder() { return folderFor(QApplication::applicationDirPath()); }

QString THelp::folderFor(const QString& programDir) {
  const QDir dir(programDir);
  const QString beside = dir.filePath("help");
  if (QFileInfo(beside).isDir()) return beside;
  const QString installed = QDir::cleanPath(dir.filePath("../share/tdservice/help"));
  return QFileInfo(installed).isDir() ? installed : beside;
}

bool THelp::showKeyword(const QString& keyword) {
  if (!QFileInfo(folder_).isDir() || !openUrl_) return false;
  const QString topic = keyword.isEmpty() ? QStringLiteral("introduction") : keyword;
  openUrl_(QUrl::fromLocalFile(QDir(folder_).filePath(topic + ".htm")));
  return true;
}

QString THelp::keywordOf(const QObject* widget) {
  for (const QObject* o = widget; o; o = o->parent()) {
    const QString keyword = o->property("helpKeyword").toString();
    if (!keyword.isEmpty()) return keyword;
  }
  return {};
}

// Installed on the application: F1 in any window of the program asks for that window's topic.
bool THelp::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
      watched->isWidgetType()) {
    QWidget* focus = QApplication::focusWidget();
    showKeyword(keywordOf(focus ? focus : watched));
    return true;
  }
  return QObject::eventFilter(watched, event);
}

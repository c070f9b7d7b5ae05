#include "ui/base/filedialogsize.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>

void fitFileDialog(QFileDialog& dialog) {
  const QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
  const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  QSize wanted = dialog.size().expandedTo(QSize(900, 500));
  // Room is left for the window frame, which the dialog's own size does not count.
  if (screen) wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
  dialog.resize(wanted);
}

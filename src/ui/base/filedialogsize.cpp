#include "ui/base/filedialogsize.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>

void fitFileDialog(QFileDialog& dialog) {
  const QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
  const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  QSize wanted = dialog.size().expandedTo(QSize(900, 500));
  // Room is left for the window frame, which the dialog's own size does not count.
  if (screen) wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
  dialog.resize(wanted);

  // The detail view keeps narrow columns of its own whatever the dialog's width: size, type and
  // date get what their texts need, the name the rest. A native dialog has no such view.
  // The places on the left show their names ("Компьютер") rather than their first letters.
  if (auto* split = dialog.findChild<QSplitter*>("splitter"); split && split->count() == 2) {
    QList<int> sizes = split->sizes();
    const int places = dialog.fontMetrics().horizontalAdvance(QStringLiteral("Компьютер")) * 3 / 2;
    if (sizes[0] < places) {
      sizes[1] -= places - sizes[0];
      sizes[0] = places;
      split->setSizes(sizes);
    }
  }
  if (auto* details = dialog.findChild<QTreeView*>("treeView")) {
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
      header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
}

#pragma once
// A user's mouse on a header divider: events sent straight to the header's viewport, so a drag
// carries its held button on every move as a real one does.

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>

namespace headermouse {

// Where the divider right of a section lies in the header's viewport.
inline QPoint dividerOf(const QHeaderView& header, int section) {
  return {header.sectionViewportPosition(section) + header.sectionSize(section) - 1,
          header.height() / 2};
}

inline void send(QHeaderView& header, QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
  QWidget* target = header.viewport();
  QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// Drags the divider right of `section` by dx pixels, in a few steps.
inline void drag(QHeaderView& header, int section, int dx) {
  const QPoint from = dividerOf(header, section);
  send(header, QEvent::MouseButtonPress, from, Qt::LeftButton);
  for (int step = 1; step <= 4; ++step)
    send(header, QEvent::MouseMove, from + QPoint(dx * step / 4, 0), Qt::LeftButton);
  send(header, QEvent::MouseButtonRelease, from + QPoint(dx, 0), Qt::NoButton);
}

inline void doubleClick(QHeaderView& header, int section) {
  const QPoint at = dividerOf(header, section);
  send(header, QEvent::MouseButtonPress, at, Qt::LeftButton);
  send(header, QEvent::MouseButtonRelease, at, Qt::NoButton);
  send(header, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
  send(header, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

}  // namespace headermouse

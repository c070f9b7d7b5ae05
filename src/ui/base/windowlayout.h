#pragma once
// A window's geometry and its splitter's position, kept under the program's settings key so the
// window comes back as it was left. Settings failures are logged, never thrown: windows call these
// while they open and close.

#include <QString>

class QSplitter;
class QWidget;

// True when a geometry was kept and restored.
bool restoreWindowLayout(QWidget& window, QSplitter& splitter, const QString& geometryValue,
                         const QString& splitterValue);
void storeWindowLayout(const QWidget& window, const QSplitter& splitter,
                       const QString& geometryValue, const QString& splitterValue);

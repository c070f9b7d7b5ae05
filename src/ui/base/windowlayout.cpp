#include "ui/base/windowlayout.h"

#include <QSplitter>
#include <QWidget>

#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"

bool restoreWindowLayout(QWidget& window, QSplitter& splitter, const QString& geometryValue,
                         const QString& splitterValue) {
  bool restored = false;
  guarded([&] {
    RegKey key;
    key.create(kProgramKey);
    restored =
        window.restoreGeometry(QByteArray::fromBase64(key.readString(geometryValue).toLatin1()));
    splitter.restoreState(QByteArray::fromBase64(key.readString(splitterValue).toLatin1()));
  });
  return restored;
}

void storeWindowLayout(const QWidget& window, const QSplitter& splitter,
                       const QString& geometryValue, const QString& splitterValue) {
  guarded([&] {
    RegKey key;
    key.create(kProgramKey);
    key.writeString(geometryValue, QString::fromLatin1(window.saveGeometry().toBase64()));
    key.writeString(splitterValue, QString::fromLatin1(splitter.saveState().toBase64()));
  });
}

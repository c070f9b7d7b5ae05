#include "ui/app/recentdocuments.h"

#include <QFileInfo>

#include "ui/base/regkey.h"

namespace {

// One value per entry: a path may hold any character a separator could be made of.
QString valueName(int index) { return QStringLiteral("RecentDocument%1").arg(index + 1); }

QString absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

}  // namespace

QStringList RecentDocuments::load() {
  RegKey key;
  key.create(kProgramKey);
  QStringList list;
  for (int i = 0; i < kMax; ++i) {
    const QString path = key.readString(valueName(i));
    if (!path.isEmpty() && !list.contains(path)) list.append(path);
  }
  return list;
}

QStringList RecentDocuments::withFirst(const QStringList& list, const QString& path) {
  const QString first = absolute(path);
  QStringList result{first};
  for (const QString& entry : list)
    if (result.size() < kMax && absolute(entry) != first) result.append(entry);
  return result;
}

void RecentDocuments::add(const QString& path) { store(withFirst(load(), path)); }

void RecentDocuments::remove(const QString& path) {
  QStringList list = load();
  list.removeAll(path);
  store(list);
}

void RecentDocuments::store(const QStringList& list) {
  RegKey key;
  key.create(kProgramKey);
  // Each write saves the whole settings file to disk: entries that stay as they were are left
  // alone, so opening the newest document again writes nothing.
  for (int i = 0; i < kMax; ++i) {
    if (key.readString(valueName(i)) != list.value(i)) key.writeString(valueName(i), list.value(i));
  }
}

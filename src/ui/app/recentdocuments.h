#pragma once
// The documents the user opened or saved last, newest first, kept in the user's settings so the
// start page and the "Файл" menu offer them at the next run.

#include <QString>
#include <QStringList>

class RecentDocuments {
 public:
  static constexpr int kMax = 8;

  // The list as stored; empty values and repeats left by an older list are skipped.
  static QStringList load();
  // Puts the file first; an earlier entry of the same file and the entries beyond kMax go.
  static void add(const QString& path);
  static void remove(const QString& path);

  // The list with `path` (made absolute) first, without repeats, at most kMax long.
  static QStringList withFirst(const QStringList& list, const QString& path);

 private:
  static void store(const QStringList& list);
};

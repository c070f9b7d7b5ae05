#pragma once
// Named values of the current user's settings. A key path "Software\<organisation>\<application>"
// (optionally followed by "\<group>...") is that application's settings file (on this system
// ~/.config/<organisation>/<application>.conf), the group inside it.
//
// The settings file holds text: a number is a value whose text is a 32-bit integer, so
// readInt gives the default for a missing value and for text that is no such number.

#include <QSettings>
#include <QString>
#include <cstdint>
#include <memory>

// The key under which the panels keep their port choices and the other Parts their options.
inline constexpr char kProgramKey[] = "Software\\Орбитон\\Duvara";

class RegKey {
 public:
  // Opens the key, creating it when missing, and replaces the key held before. A path without
  // an application part, or a settings file that cannot be read, throws win_error and keeps
  // the key held before.
  void create(const QString& path);
  void close();
  bool isOpen() const { return settings_ != nullptr; }

  // Each throws "Registry key is not opened" when no key is held; the writes throw win_error
  // when the settings file cannot be written.
  std::int32_t readInt(const QString& name, std::int32_t defaultValue) const;
  void writeInt(const QString& name, std::int32_t value);
  QString readString(const QString& name, const QString& defaultValue = {}) const;
  void writeString(const QString& name, const QString& text);

 private:
  QSettings& settings() const;
  void write(const QString& name, const QString& text);

  std::unique_ptr<QSettings> settings_;
};

#include "ui/base/regkey.h"

#include <QStringList>
#include <cerrno>

#include "core/base/errors.h"

void RegKey::create(const QString& path) {
  QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
  if (!parts.isEmpty() && parts.front().compare(u"Software", Qt::CaseInsensitive) == 0) {
    parts.removeFirst();
  }
  if (parts.size() < 2) throw win_error(EINVAL);
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                              parts[0], parts[1]);
  if (settings->status() == QSettings::AccessError) throw win_error(EACCES);
  if (parts.size() > 2) settings->beginGroup(parts.mid(2).join(u'/'));
  settings_ = std::move(settings);
}

void RegKey::close() { settings_.reset(); }

QSettings& RegKey::settings() const {
  if (!settings_) throw MessageError("Registry key is not opened");
  return *settings_;
}

std::int32_t RegKey::readInt(const QString& name, std::int32_t defaultValue) const {
  const QVariant value = settings().value(name);
  if (value.typeId() != QMetaType::QString) return defaultValue;
  bool ok = false;
  const int number = value.toString().toInt(&ok);
  return ok ? number : defaultValue;
}

void RegKey::writeInt(const QString& name, std::int32_t value) {
  write(name, QString::number(value));
}

QString RegKey::readString(const QString& name, const QString& defaultValue) const {
  const QVariant value = settings().value(name);
  return value.typeId() == QMetaType::QString ? value.toString() : defaultValue;
}

void RegKey::writeString(const QString& name, const QString& text) { write(name, text); }

void RegKey::write(const QString& name, const QString& text) {
  QSettings& target = settings();
  target.setValue(name, text);
  target.sync();
  if (target.status() == QSettings::AccessError) throw win_error(EACCES);
}

#include "app/settings.h"

#include "base/errors.h"

#include <QFileInfo>
#include <QSettings>
#include <limits>
#include <memory>

QString DatabasePath;

namespace {
const QString kAutoCommit = QStringLiteral("IB_AUTOCOMMIT");
const QString kRepositoryDir = QStringLiteral("OR DIRECTORY");

const QString kOrganisation = QStringLiteral("Quorvane Systems");
const QString kApplication = QStringLiteral("ZUL DB TESSELOR");

// The directory of the user's settings stores. Found through a store nobody has (QSettings
// reads every file of a store, its organisation's included, as soon as it is made).
QString StoreDirectory() {
  const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, kOrganisation + QStringLiteral(" path probe"));
  return QFileInfo(probe.fileName()).path();
}

// QSettings reads its whole file, and the organisation's beside it, as soon as it is made: only
// regular files of a sensible size, or none yet, may be handed to it. The first file that is
// not, or empty when both may be read.
constexpr qint64 kMaxSettingsBytes = 16ll * 1024 * 1024;
QString UnusableStoreFile() {
  for (const QString &name : {SettingsFileName(), StoreDirectory() + QStringLiteral("/%1.conf").arg(kOrganisation)}) {
    const QFileInfo file(name);
    if (file.exists() && !(file.isFile() && file.size() <= kMaxSettingsBytes)) return name;
  }
  return QString();
}

Exception InvalidType(const QString &name) { return Exception(QStringLiteral("Invalid data type for '%1'").arg(name)); }

// "IB_AUTOCOMMIT" is a 32-bit integer. The Linux store keeps text only, so a whole number
// written as text is the integer; anything else is the wrong type.
bool ReadInteger(const QVariant &v, qint64 &out) {
  bool ok = false;
  switch (v.metaType().id()) {
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::LongLong:
  case QMetaType::ULongLong:
  case QMetaType::QString: out = v.toString().trimmed().toLongLong(&ok); break;
  default: return false;
  }
  return ok && out >= std::numeric_limits<qint32>::min() && out <= std::numeric_limits<quint32>::max();
}
}  // namespace

QSettings *OpenSettings() { return new QSettings(kOrganisation, kApplication); }

QString SettingsFileName() { return StoreDirectory() + QStringLiteral("/%1/%2.conf").arg(kOrganisation, kApplication); }

void LoadSettings() {
  const QString unusable = UnusableStoreFile();
  if (!unusable.isEmpty()) throw Exception(QStringLiteral("Cannot open file %1").arg(unusable));
  std::unique_ptr<QSettings> s(OpenSettings());
  QString invalid;
  if (s->contains(kAutoCommit)) {
    qint64 value = 0;
    if (ReadInteger(s->value(kAutoCommit), value))
      AutoCommit = value != 0;
    else
      invalid = kAutoCommit;
  }
  if (s->contains(kRepositoryDir)) {
    const QVariant v = s->value(kRepositoryDir);
    if (v.metaType().id() == QMetaType::QString)
      RepositoryDir = v.toString();
    else if (invalid.isEmpty())
      invalid = kRepositoryDir;
  }
  if (!invalid.isEmpty()) throw InvalidType(invalid);
}

void SaveSettings() {
  const QString unusable = UnusableStoreFile();
  if (!unusable.isEmpty()) throw Exception(QStringLiteral("Cannot write the settings to %1").arg(unusable));
  std::unique_ptr<QSettings> s(OpenSettings());
  s->setValue(kAutoCommit, AutoCommit ? 1 : 0);
  s->setValue(kRepositoryDir, RepositoryDir);
  s->sync();
  if (s->status() != QSettings::NoError)
    throw Exception(QStringLiteral("Cannot write the settings to %1").arg(s->fileName()));
}

#include "app/settings.h"

#include "server/errors.h"

#include <QFileInfo>
#include <QSettings>
#include <limits>
#include <memory>

bool AutoCommit = false;
QString RepositoryDir;
QString DatabasePath;

namespace {
const QString kAutoCommit = QStringLiteral("IB_AUTOCOMMIT");
const QString kRepositoryDir = QStringLiteral("OR DIRECTORY");

const QString kOrganisation = QStringLiteral("Quorvane Systems");
const QString kApplication = QStringLiteral("ZUL DB TESSELOR");

// QSettings reads its whole file as soon as it is made: only a regular file of a sensible
// size, or none yet, may be handed to it.
constexpr qint64 kMaxSettingsBytes = 16ll * 1024 * 1024;
bool UsableStore() {
  const QFileInfo file(SettingsFileName());
  return !file.exists() || (file.isFile() && file.size() <= kMaxSettingsBytes);
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

QString SettingsFileName() {
  // Found without making the store, which would read the file: the organisation's own store
  // (no application) lies in the same directory.
  const QSettings organisation(kOrganisation);
  return QFileInfo(organisation.fileName()).path() + QStringLiteral("/%1/%2.conf").arg(kOrganisation, kApplication);
}

void LoadSettings() {
  if (!UsableStore()) throw Exception(QStringLiteral("Cannot open file %1").arg(SettingsFileName()));
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
  if (!UsableStore()) throw Exception(QStringLiteral("Cannot write the settings to %1").arg(SettingsFileName()));
  std::unique_ptr<QSettings> s(OpenSettings());
  s->setValue(kAutoCommit, AutoCommit ? 1 : 0);
  s->setValue(kRepositoryDir, RepositoryDir);
  s->sync();
  if (s->status() != QSettings::NoError)
    throw Exception(QStringLiteral("Cannot write the settings to %1").arg(s->fileName()));
}

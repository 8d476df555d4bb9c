#include "app/history.h"

#include "base/lines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace {
const QString kHistoryName = QStringLiteral("connect.hst");

QString &HistoryOverride() {
  static QString name;
  return name;
}

QString &ProgramDirOverride() {
  static QString dir;
  return dir;
}

QString &InstallDir() {
  static QString dir = QStringLiteral(TESSELOR_INSTALL_BINDIR);
  return dir;
}

QString ProgramDirectory() {
  return ProgramDirOverride().isEmpty() ? QCoreApplication::applicationDirPath() : ProgramDirOverride();
}

QString BesideProgram() { return QDir(ProgramDirectory()).filePath(kHistoryName); }

// The directory `cmake --install` puts the program in, e.g. /usr/local/bin.
bool IsInstallDirectory(const QString &dir) {
  const QString installed = QFileInfo(InstallDir()).canonicalFilePath();
  return !installed.isEmpty() && QFileInfo(dir).canonicalFilePath() == installed;
}

// QFileInfo::isWritable asks access(2), which answers for the real user.
bool KeepBesideProgram() {
  const QString dir = ProgramDirectory();
  return QFileInfo(dir).isWritable() && !IsInstallDirectory(dir);
}
}  // namespace

QString HistoryFileName() {
  if (!HistoryOverride().isEmpty()) return HistoryOverride();
  if (KeepBesideProgram()) return BesideProgram();
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(data);
  return QDir(data).filePath(kHistoryName);
}

QString HistoryFileToRead() {
  const QString name = HistoryFileName();
  if (!HistoryOverride().isEmpty() || QFileInfo::exists(name)) return name;
  const QString earlier = BesideProgram();
  return QFileInfo(earlier).isFile() ? earlier : name;
}

QStringList ReadHistory(const QString &fileName) {
  TStringList lines;
  lines.LoadFromFile(fileName, TNulMode::BreaksLine);
  QStringList paths;
  for (const QString &line : lines.Lines()) {
    const bool control =
        std::any_of(line.begin(), line.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
    if (!line.isEmpty() && !control) paths.append(line);
  }
  return paths;
}

void SetHistoryFileName(const QString &fileName) { HistoryOverride() = fileName; }

void SetProgramDirectory(const QString &dir) { ProgramDirOverride() = dir; }

void SetInstallDirectory(const QString &dir) {
  InstallDir() = dir.isEmpty() ? QStringLiteral(TESSELOR_INSTALL_BINDIR) : dir;
}

#include "drivers/paradox/store.h"

#include "base/errors.h"
#include "base/regularfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace {

QString SysError() { return QString::fromLocal8Bit(strerror(errno)); }

[[noreturn]] void Fail(const QString &what, const QString &path) {
  throw EDatabaseError(QStringLiteral("%1 '%2': %3").arg(what, QDir::toNativeSeparators(path), SysError()));
}

QByteArray Native(const QString &path) { return QFile::encodeName(path); }

// A file descriptor closed on every path.
struct TFd {
  int Fd;
  explicit TFd(int fd) : Fd(fd) {}
  ~TFd() {
    if (Fd >= 0) ::close(Fd);
  }
};

void SyncFd(int fd, const QString &path) {
  while (::fsync(fd) != 0)
    if (errno != EINTR) Fail(QStringLiteral("Cannot write file"), path);
}

void SyncDir(const QString &dir) {
  TFd fd(::open(Native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Fd < 0) Fail(QStringLiteral("Cannot open directory"), dir);
  SyncFd(fd.Fd, dir);
}

void WriteAll(int fd, const QByteArray &data, qint64 offset, const QString &path) {
  qint64 done = 0;
  while (done < data.size()) {
    ssize_t n = ::pwrite(fd, data.constData() + done, size_t(data.size() - done), off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(QStringLiteral("Cannot write file"), path);
    done += n;
  }
}

void WriteNewFile(const QString &path, const QByteArray &data) {
  TFd fd(::open(Native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.Fd < 0) Fail(QStringLiteral("Cannot create file"), path);
  WriteAll(fd.Fd, data, 0, path);
  SyncFd(fd.Fd, path);
}

void Rename(const QString &from, const QString &to) {
  if (::rename(Native(from).constData(), Native(to).constData()) != 0) Fail(QStringLiteral("Cannot rename file"), from);
}

bool Exists(const QString &path) {
  struct stat st;
  return ::stat(Native(path).constData(), &st) == 0;
}

QString NewOf(const QString &path) { return path + QStringLiteral(".new"); }

}  // namespace

// ---------------------------------------------------------------------------------------------

TPxFiles::TPxFiles(const QString &dir, const QString &tableName) {
  QFileInfo given(tableName);
  FDir = given.isAbsolute() ? given.absolutePath() : QDir(dir).absolutePath();
  FName = given.fileName();
  if (given.suffix().isEmpty()) FName += QStringLiteral(".DB");
  if (QFileInfo::exists(Path(FName))) return;
  const QStringList entries = QDir(FDir).entryList(QDir::Files);
  for (const QString &e : entries)
    if (e.compare(FName, Qt::CaseInsensitive) == 0) {
      FName = e;
      return;
    }
}

QString TPxFiles::Path(const QString &name) const { return FDir + u'/' + name; }

QString TPxFiles::Companion(const QString &ext) const {
  const QFileInfo db(FName);
  const bool lower = db.suffix() == db.suffix().toLower() && db.suffix() != db.suffix().toUpper();
  const QString name = db.completeBaseName() + u'.' + (lower ? ext.toLower() : ext);
  if (QFileInfo::exists(Path(name))) return Path(name);
  const QStringList entries = QDir(FDir).entryList(QDir::Files);
  for (const QString &e : entries)
    if (e.compare(name, Qt::CaseInsensitive) == 0) return Path(e);
  return Path(name);
}

bool TPxFiles::Exists() const { return QFileInfo(Db()).isFile(); }

// ---------------------------------------------------------------------------------------------

TPxLock::TPxLock(const TPxFiles &files, Mode mode) {
  const QByteArray path = Native(files.Lock());
  FFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (FFd < 0) FFd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (FFd < 0) {
    if (mode == Shared && (errno == EACCES || errno == EROFS)) return;
    Fail(QStringLiteral("Cannot lock table"), files.Db());
  }
  while (::flock(FFd, mode == Shared ? LOCK_SH : LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int err = errno;
    ::close(FFd);
    FFd = -1;
    errno = err;
    Fail(QStringLiteral("Cannot lock table"), files.Db());
  }
}

TPxLock::~TPxLock() {
  if (FFd >= 0) ::close(FFd);  // closing the last descriptor releases the lock
}

// ---------------------------------------------------------------------------------------------

bool PxCommitPending(const TPxFiles &files) { return Exists(files.Marker()); }

void PxRecover(const TPxFiles &files) {
  const QStringList set = {files.Db(), files.Mb(), files.Px(), files.Req()};
  if (Exists(files.Marker())) {
    const QStringList names = QString::fromUtf8(PxReadFile(files.Marker())).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &path : set)
      if (names.contains(QFileInfo(path).fileName()) && Exists(NewOf(path))) Rename(NewOf(path), path);
    SyncDir(files.Dir());
    if (::unlink(Native(files.Marker()).constData()) != 0) Fail(QStringLiteral("Cannot remove file"), files.Marker());
  }
  for (const QString &path : set)
    ::unlink(Native(NewOf(path)).constData());
  ::unlink(Native(NewOf(files.Marker())).constData());
}

void PxCommit(const TPxFiles &files, const QList<TPxFileImage> &images) {
  QByteArray names;
  for (const TPxFileImage &img : images) {
    WriteNewFile(NewOf(img.Path), img.Data);
    names += QFileInfo(img.Path).fileName().toUtf8() + '\n';
  }
  // The marker appears whole (written aside, then renamed): from here on the set counts.
  WriteNewFile(NewOf(files.Marker()), names);
  Rename(NewOf(files.Marker()), files.Marker());
  SyncDir(files.Dir());
  for (const TPxFileImage &img : images)
    Rename(NewOf(img.Path), img.Path);
  SyncDir(files.Dir());
  ::unlink(Native(files.Marker()).constData());
}

void PxWriteAt(const QString &path, qint64 offset, const QByteArray &data) {
  TFd fd(::open(Native(path).constData(), O_WRONLY | O_CLOEXEC));
  if (fd.Fd < 0) Fail(QStringLiteral("Cannot open file"), path);
  WriteAll(fd.Fd, data, offset, path);
  SyncFd(fd.Fd, path);
}

void PxRemove(const QString &path) {
  if (!Exists(path)) return;
  if (::unlink(Native(path).constData()) != 0) Fail(QStringLiteral("Cannot remove file"), path);
  SyncDir(QFileInfo(path).absolutePath());
}

QByteArray PxReadFile(const QString &path) {
  QByteArray data;
  QString why;
  const QString name = QDir::toNativeSeparators(path);
  switch (ReadRegularFile(path, kMaxPxFileBytes, data, &why)) {
  case TReadResult::Ok: return data;
  case TReadResult::CannotOpen: throw EDatabaseError(QStringLiteral("Cannot open file '%1': %2").arg(name, why));
  case TReadResult::TooLarge: throw EDatabaseError(QStringLiteral("File '%1' is too large").arg(name));
  default: throw EDatabaseError(QStringLiteral("Cannot read file '%1': %2").arg(name, why));
  }
}

qint64 PxFileSize(const QString &path) {
  struct stat st;
  return ::stat(Native(path).constData(), &st) == 0 ? qint64(st.st_size) : -1;
}

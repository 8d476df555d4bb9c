#include "base/regularfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstring>

bool OpenRegularFile(QFile &file, const QString &fileName, QString *why) {
  const auto fail = [why](const QString &reason) {
    if (why) *why = reason;
    return false;
  };
  file.setFileName(fileName);
  const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(QStringLiteral("Not a regular file"));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return fail(file.errorString());
  }
  return true;
}

TReadResult ReadRegularFile(const QString &fileName, qint64 maxBytes, QByteArray &data, QString *why) {
  QFile f;
  if (!OpenRegularFile(f, fileName, why)) return TReadResult::CannotOpen;
  if (f.size() > maxBytes) return TReadResult::TooLarge;
  // The file may grow while it is read: read in blocks up to one byte past the bound.
  data.clear();
  data.reserve(f.size());
  for (;;) {
    const QByteArray block = f.read(qMin<qint64>(1 << 20, maxBytes + 1 - data.size()));
    if (f.error() != QFileDevice::NoError) {
      if (why) *why = f.errorString();
      return TReadResult::ReadFailed;
    }
    if (block.isEmpty()) return TReadResult::Ok;
    data += block;
    if (data.size() > maxBytes) return TReadResult::TooLarge;
  }
}

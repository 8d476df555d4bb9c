#pragma once
// A local table's files on disk, the lock that orders the programs using them, and the durable
// replacement of its files as one set.
//
// A change never writes over the table in place. It writes a complete new set of files
// ("X.DB.new", "X.PX.new", ...), syncs them, then writes the commit marker "X.DB.commit"
// naming the set, and only then renames the new files over the old ones. Whoever takes the
// table's lock next and finds a marker finishes the renames (the set was complete); new files
// without a marker are an interrupted write and are removed. The memo file is the exception:
// new memo blocks are appended to it in place, past everything the committed table refers to,
// and synced before the new table is committed, so an interrupted append leaves only unused
// blocks behind.
//
// Readers hold the shared lock on "X.DB.lck", writers the exclusive one, so a writer always
// changes the table as it is on disk, never an older copy of it.
#include <QByteArray>
#include <QList>
#include <QString>

class TPxFiles {
public:
  // Finds tableName ("DVSRC", "DVSRC.DB", any case) in dir; a name that is not there keeps
  // the spelling given, with ".DB" added when it has no extension.
  TPxFiles(const QString &dir, const QString &tableName);

  QString Dir() const { return FDir; }
  QString Name() const { return FName; }  // of the .DB file
  QString Db() const { return Path(FName); }
  QString Mb() const { return Companion(QStringLiteral("MB")); }
  QString Px() const { return Companion(QStringLiteral("PX")); }
  QString Req() const { return Db() + QStringLiteral(".req"); }  // required fields, one per line
  QString Lock() const { return Db() + QStringLiteral(".lck"); }
  QString Marker() const { return Db() + QStringLiteral(".commit"); }
  bool Exists() const;

private:
  QString Path(const QString &name) const;
  QString Companion(const QString &ext) const;
  QString FDir, FName;
};

class TPxLock {
public:
  enum Mode { Shared, Exclusive };
  // Waits until granted. A shared lock in a directory this user cannot write goes without.
  TPxLock(const TPxFiles &files, Mode mode);
  ~TPxLock();
  TPxLock(const TPxLock &) = delete;
  TPxLock &operator=(const TPxLock &) = delete;

private:
  int FFd = -1;
};

// True when a committed set waits to be put in place (readers then let a writer finish it).
bool PxCommitPending(const TPxFiles &files);
// Finishes a committed set or removes an uncommitted one. Needs the exclusive lock.
void PxRecover(const TPxFiles &files);

struct TPxFileImage {
  QString Path;
  QByteArray Data;
};
// Replaces the files with the images, all or none, durably. Needs the exclusive lock.
void PxCommit(const TPxFiles &files, const QList<TPxFileImage> &images);
// Writes data at offset of an existing file and syncs it.
void PxWriteAt(const QString &path, qint64 offset, const QByteArray &data);
// Removes a file for good (synced), ignoring one that is not there.
void PxRemove(const QString &path);

// The largest table, memo or index file the program reads whole.
constexpr qint64 kMaxPxFileBytes = 1ll << 30;
// Whole-file reads of regular files that raise EDatabaseError with the file's name.
QByteArray PxReadFile(const QString &path);
qint64 PxFileSize(const QString &path);  // -1 when missing

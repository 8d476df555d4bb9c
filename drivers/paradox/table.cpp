#include "drivers/paradox/table.h"

#include "base/errors.h"

#include <QDir>
#include <QSet>
#include <algorithm>
#include <numeric>

namespace {

// Memo blocks may pile up unused (replaced and deleted values, one block per new short value)
// up to this much beyond twice what is in use before the memo file is written anew, packed.
constexpr qint64 kMemoSlack = 1 << 20;

qint64 RoundUp(qint64 n, qint64 unit) { return (n + unit - 1) / unit * unit; }

QString Native(const QString &path) { return QDir::toNativeSeparators(path); }

bool HasBlobs(const TPxTable &t) {
  return std::any_of(t.Columns.begin(), t.Columns.end(), [](const TPxColumn &c) { return c.IsBlob(); });
}

int CompareKeys(const TRow &a, const TRow &b) {
  for (int i = 0; i < a.size() && i < b.size(); ++i)
    if (int c = PxCompare(a[i], b[i])) return c;
  return 0;
}

TRow DecodeRow(const TPxTable &t, const QByteArray &rec, const TPxCodec &codec, const TPxMemoFile &memo,
               const QString &what, int columns) {
  TRow row(columns);
  for (int c = 0; c < columns; ++c)
    row[c] = PxDecodeValue(rec.constData(), t.Columns[c], codec, memo, what);
  return row;
}

}  // namespace

QStringList PxReadRequired(const TPxFiles &files) {
  if (PxFileSize(files.Req()) < 0) return {};
  QStringList names;
  for (const QString &line : QString::fromUtf8(PxReadFile(files.Req())).split(u'\n'))
    if (!line.trimmed().isEmpty()) names.append(line.trimmed());
  return names;
}

TPxSnapshot PxLoad(const TPxFiles &files) {
  TPxSnapshot snap;
  QByteArray memo;
  for (;;) {
    {
      TPxLock lock(files, TPxLock::Shared);
      if (!PxCommitPending(files)) {
        if (!files.Exists()) throw EDatabaseError(QStringLiteral("Table '%1' does not exist").arg(Native(files.Db())));
        snap.Layout = PxReadDb(PxReadFile(files.Db()), files.Name());
        if (HasBlobs(snap.Layout) && PxFileSize(files.Mb()) >= 0) memo = PxReadFile(files.Mb());
        snap.Required = PxReadRequired(files);
        break;
      }
    }
    TPxLock lock(files, TPxLock::Exclusive);  // a writer stopped half-way: finish its work first
    PxRecover(files);
  }
  const TPxCodec codec(snap.Layout.CodePage);
  const TPxMemoFile memoFile(memo);
  const int columns = snap.Layout.Columns.size();
  snap.Rows.reserve(snap.Layout.Records.size());
  for (const QByteArray &rec : snap.Layout.Records)
    snap.Rows.append(DecodeRow(snap.Layout, rec, codec, memoFile, files.Name(), columns));
  snap.Layout.Records.clear();
  return snap;
}

// ---------------------------------------------------------------------------------------------

TPxChange::TPxChange(const TPxFiles &files)
    : FFiles(files), FLock(files, TPxLock::Exclusive), FCodec(kPxDefaultCodePage), FMemoSize(-1), FNewBlobs(0) {
  PxRecover(files);
  if (!files.Exists()) throw EDatabaseError(QStringLiteral("Table '%1' does not exist").arg(Native(files.Db())));
  FTable = PxReadDb(PxReadFile(files.Db()), files.Name());
  FCodec = TPxCodec(FTable.CodePage);
  FMemoSize = PxFileSize(files.Mb());
  FNewBlobs = TPxMemoWriter(FMemoSize < 0 ? TPxMemoFile::kBlockSize : RoundUp(FMemoSize, TPxMemoFile::kBlockSize));
  SetKeyCount(FTable.KeyCount);
}

const TPxMemoFile &TPxChange::Memo() {
  if (!FMemo) FMemo = std::make_unique<TPxMemoFile>(FMemoSize < 0 ? TPxMemoFile() : TPxMemoFile::OnDisk(FFiles.Mb()));
  return *FMemo;
}

TRow TPxChange::Row(int i) {
  return DecodeRow(FTable, FTable.Records[i], FCodec, Memo(), FFiles.Name(), FTable.Columns.size());
}

QVariant TPxChange::KeyValue(int i, int col) const {
  static const TPxMemoFile none;
  return PxDecodeValue(FTable.Records[i].constData(), FTable.Columns[col], FCodec, none, FFiles.Name());
}

int TPxChange::Find(const TRow &row) {
  const int keys = FTable.KeyCount;
  for (int i = 0; i < Count(); ++i) {
    if (keys > 0 ? CompareKeys(FKeys[i], row.mid(0, keys)) == 0 : CompareKeys(Row(i), row) == 0) return i;
  }
  return -1;
}

QByteArray TPxChange::Encode(const TRow &row, const QByteArray *reuse, const TRow *old) {
  QByteArray rec(FTable.RecordSize, '\0');
  for (int c = 0; c < FTable.Columns.size(); ++c) {
    const TPxColumn &col = FTable.Columns[c];
    // A memo that did not change keeps its blocks in the memo file.
    if (reuse && col.IsBlob() && PxCompare(row.value(c), old->value(c)) == 0)
      memcpy(rec.data() + col.Offset, reuse->constData() + col.Offset, size_t(col.Len));
    else
      PxEncodeValue(rec.data(), col, row.value(c), FCodec, FNewBlobs);
  }
  return rec;
}

void TPxChange::Insert(const TRow &row) {
  FTable.Records.append(Encode(row, nullptr, nullptr));
  FKeys.append(row.mid(0, FTable.KeyCount));
}

void TPxChange::Replace(int i, const TRow &row, const TRow &old) {
  FTable.Records[i] = Encode(row, &FTable.Records[i], &old);
  FKeys[i] = row.mid(0, FTable.KeyCount);
}

void TPxChange::Remove(int i) {
  FTable.Records.removeAt(i);
  FKeys.removeAt(i);
}

void TPxChange::SetKeyCount(int keyCount) {
  FTable.KeyCount = keyCount;
  FKeys.resize(Count());
  for (int i = 0; i < Count(); ++i) {
    FKeys[i] = TRow(keyCount);
    for (int c = 0; c < keyCount; ++c)
      FKeys[i][c] = KeyValue(i, c);
  }
}

void TPxChange::SortByKey() {
  if (FTable.KeyCount == 0) return;
  QVector<int> order(Count());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return CompareKeys(FKeys[a], FKeys[b]) < 0; });
  QVector<QByteArray> records;
  QVector<TRow> keys;
  for (int i : order) {
    records.append(FTable.Records[i]);
    keys.append(FKeys[i]);
  }
  FTable.Records = records;
  FKeys = keys;
}

// New memo values go at the end of the memo file in place, unless the file has grown so much
// beyond what is in use that it is better written anew.
QList<TPxFileImage> TPxChange::MemoImages() {
  if (!HasBlobs(FTable)) return {};
  qint64 live = 0;
  for (const QByteArray &rec : FTable.Records)
    for (const TPxColumn &col : FTable.Columns) {
      if (!col.IsBlob()) continue;
      const TPxBlobRef ref = PxBlobRef(rec.constData() + col.Offset, col);
      if (ref.Size > col.Leader()) live += ref.Size + 16;
    }
  const QByteArray &added = FNewBlobs.Blocks();
  if (FMemoSize >= 0 && FMemoSize + added.size() <= 2 * live + kMemoSlack) {
    if (!added.isEmpty()) PxWriteAt(FFiles.Mb(), FNewBlobs.Base(), added);
    return {};
  }
  TPxMemoWriter packed(TPxMemoFile::kBlockSize);
  for (QByteArray &rec : FTable.Records)
    for (const TPxColumn &col : FTable.Columns) {
      if (!col.IsBlob()) continue;
      char *field = rec.data() + col.Offset;
      const TPxBlobRef ref = PxBlobRef(field, col);
      if (ref.Size <= col.Leader()) continue;
      const QByteArray value =
          ref.Offset >= FNewBlobs.Base() ? FNewBlobs.Pending(ref) : Memo().Value(field, col, FFiles.Name());
      packed.Put(field, col, value);
    }
  return {{FFiles.Mb(), TPxMemoFile::NewImage() + packed.Blocks()}};
}

void TPxChange::Commit() {
  SortByKey();
  QList<TPxFileImage> images = MemoImages();
  const TPxImages db = PxBuildDb(FTable, FFiles.Name());
  images.prepend({FFiles.Db(), db.Db});
  if (FTable.KeyCount > 0) images.append({FFiles.Px(), db.Px});
  PxCommit(FFiles, images);
}

// ---------------------------------------------------------------------------------------------

void PxCreateTable(const TPxFiles &files, const QList<TFieldDef> &fields) {
  if (fields.isEmpty()) throw EDatabaseError(QStringLiteral("Table '%1' needs at least one field").arg(files.Name()));
  TPxTable t;
  const TPxCodec codec(t.CodePage);
  QSet<QString> names;
  QStringList required;
  for (const TFieldDef &def : fields) {
    TPxColumn col = PxColumnFor(def);
    try {
      codec.Encode(col.Name, col.Name);
    } catch (const EDatabaseError &) {
      throw EDatabaseError(QStringLiteral("Field name '%1' has characters that code page %2 cannot store")
                               .arg(col.Name)
                               .arg(t.CodePage));
    }
    if (names.contains(col.Name.toUpper()))
      throw EDatabaseError(QStringLiteral("Duplicate field name '%1'").arg(col.Name));
    names.insert(col.Name.toUpper());
    col.Offset = t.RecordSize;
    t.RecordSize += col.Len;
    t.Columns.append(col);
    if (def.Required) required.append(col.Name);
  }
  TPxLock lock(files, TPxLock::Exclusive);
  PxRecover(files);
  if (files.Exists()) throw EDatabaseError(QStringLiteral("Table '%1' already exists").arg(Native(files.Db())));
  // Companion files of an earlier table of this name must not pass for this one's.
  PxRemove(files.Px());
  PxRemove(files.Req());
  QList<TPxFileImage> images = {{files.Db(), PxBuildDb(t, files.Name()).Db}};
  if (HasBlobs(t))
    images.append({files.Mb(), TPxMemoFile::NewImage()});
  else
    PxRemove(files.Mb());
  if (!required.isEmpty()) images.append({files.Req(), required.join(u'\n').toUtf8() + '\n'});
  PxCommit(files, images);
}

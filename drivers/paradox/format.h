#pragma once
// The Paradox file formats as this program reads and writes them. The table file (.DB) and
// its primary index (.PX) go through pxlib; the memo file (.MB) is read and written here,
// because pxlib 0.6.8 overruns a stack buffer while it lists the blocks of a memo file.
// Everything works on whole file images in memory; paradox_store puts them on disk.
#include "data/driver.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QVector>
#include <memory>

// Paradox field types (the values of pxlib's pxf* constants).
enum TPxType : int {
  pxtAlpha = 0x01,
  pxtDate = 0x02,
  pxtShort = 0x03,
  pxtLong = 0x04,
  pxtCurrency = 0x05,
  pxtNumber = 0x06,
  pxtLogical = 0x09,
  pxtMemo = 0x0C,
  pxtBlob = 0x0D,
  pxtFmtMemo = 0x0E,
  pxtOle = 0x0F,
  pxtGraphic = 0x10,
  pxtTime = 0x14,
  pxtTimestamp = 0x15,
  pxtAutoInc = 0x16,
  pxtBcd = 0x17,
  pxtBytes = 0x18
};

// The code page new tables get: Windows Baltic holds Latvian, Lithuanian and Estonian text.
constexpr int kPxDefaultCodePage = 1257;

struct TPxColumn {
  QString Name;
  int Type = pxtAlpha;
  int Len = 0;     // bytes in the record
  int Offset = 0;  // of the field in the record
  bool IsBlob() const;
  int Leader() const { return Len - 10; }  // memo and blob bytes kept in the record
};

// A table as its .DB file holds it: the layout and the raw records in file order.
struct TPxTable {
  QVector<TPxColumn> Columns;
  int KeyCount = 0;
  int CodePage = kPxDefaultCodePage;
  int SortOrder = 0x62;
  int RecordSize = 0;
  QVector<QByteArray> Records;

  bool Writable() const;  // every column of a type this program writes back unchanged
  int IndexOf(const QString &name) const;
};

// Text in a table's code page. Decoding never fails (bytes the code page lacks become U+FFFD);
// encoding refuses a character the code page cannot hold instead of storing a substitute.
class TPxCodec {
public:
  explicit TPxCodec(int codePage);
  QString Decode(const char *bytes, int len) const;
  QString Decode(const QByteArray &bytes) const { return Decode(bytes.constData(), bytes.size()); }
  QByteArray Encode(const QString &text, const QString &fieldName) const;
  int CodePage() const { return FCodePage; }
  struct TTables;

private:
  int FCodePage;
  QByteArray FName;
  std::shared_ptr<const TTables> FTables;  // for code pages of one byte a character
};

// Reads a .DB image with pxlib. `what` names the table in error messages.
TPxTable PxReadDb(const QByteArray &image, const QString &what);

// Builds the .DB image (and the .PX image when the table is keyed) with pxlib. The records
// must already be in key order. `headerName` is the table name stored in the header.
struct TPxImages {
  QByteArray Db, Px;
};
TPxImages PxBuildDb(const TPxTable &table, const QString &headerName);

// Memo and blob values of one record field: where they live and how long they are.
struct TPxBlobRef {
  quint32 Offset = 0;  // block offset in the .MB, 0 when the value lies in the record
  int Index = 0;       // entry of a sub-allocated block, 0xFF for a block of its own
  qint32 Size = 0;
  int ModNr = 0;
};
TPxBlobRef PxBlobRef(const char *field, const TPxColumn &col);

// The .MB file: an image read whole, plus blobs appended at its end.
class TPxMemoFile {
public:
  static constexpr int kBlockSize = 4096;
  // A fresh memo file: just the header block (written by pxlib).
  static QByteArray NewImage();

  TPxMemoFile() = default;
  // The whole file in memory.
  explicit TPxMemoFile(QByteArray image) : FImage(std::move(image)) {}
  // The file on disk, read a value at a time.
  static TPxMemoFile OnDisk(const QString &path);
  // The value of a memo or blob field of a record; raises when the memo file is damaged.
  QByteArray Value(const char *field, const TPxColumn &col, const QString &what) const;

private:
  QByteArray Bytes(qint64 offset, qint64 len) const;  // shorter when past the end
  QByteArray FImage;
  std::shared_ptr<QFile> FFile;
};

// Collects new blobs as whole memo-file blocks to be placed at `base` (a block boundary):
// values over 2048 bytes get blocks of their own, shorter ones share sub-allocated blocks.
class TPxMemoWriter {
public:
  explicit TPxMemoWriter(qint64 base) : FBase(base) {}
  // Stores value into the record field (leader, reference); the bytes go to the blocks.
  void Put(char *field, const TPxColumn &col, const QByteArray &value);
  const QByteArray &Blocks() const { return FBlocks; }
  qint64 Base() const { return FBase; }
  // The bytes of a blob this writer placed (for rewriting it elsewhere).
  QByteArray Pending(const TPxBlobRef &ref) const { return FPending.value(ref.Offset | quint32(ref.Index)); }

private:
  quint32 PlaceAlone(const QByteArray &value);
  quint32 PlaceShared(const QByteArray &value);
  qint64 FBase;
  QByteArray FBlocks;
  int FShared = -1;  // offset in FBlocks of the open sub-allocated block
  int FSharedEntries = 0;
  int FSharedFree = 0;  // free 16-byte paragraphs in it
  QHash<quint32, QByteArray> FPending;
};

// Field values between records and the field form the record-set layer uses.
QVariant PxDecodeValue(const char *record, const TPxColumn &col, const TPxCodec &codec, const TPxMemoFile &memo,
                       const QString &what);
// value must already be in field form for the column (see PxNormalize).
void PxEncodeValue(char *record, const TPxColumn &col, const QVariant &value, const TPxCodec &codec,
                   TPxMemoWriter &memo);
// Brings a value into the exact form it has after a round trip through the table (text
// trimmed of trailing blanks, empty text as null, numbers in the column's type); raises for a
// value the column cannot hold.
QVariant PxNormalize(const TPxColumn &col, const QVariant &value, const TPxCodec &codec);

// The record-set layer's view of a Paradox column, and the Paradox column for a declared field.
TFieldDef PxFieldDef(const TPxColumn &col);
TPxColumn PxColumnFor(const TFieldDef &def);

// Order of key values: text without regard to case first, then exactly; null first.
int PxCompare(const QVariant &a, const QVariant &b);

#include "drivers/paradox/format.h"

#include "base/errors.h"
#include "base/lines.h"
#include "base/regularfile.h"

#include <iconv.h>
#include <QDate>
#include <QDateTime>
#include <QMutex>
#include <QTime>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" {
#include <paradox.h>
}

namespace {

// Paradox dates count days from 1 Jan 0001 (day 1); this is that day's Julian day minus one.
constexpr qint64 kJulianDayZero = 1721425;
constexpr qint64 kMsPerDay = 86400000;

QString PxMessage(const QString &raw) {
  QString m = raw.trimmed();
  while (m.endsWith(u'.'))
    m.chop(1);
  return m;
}

// pxlib's errors end up here instead of on stderr; the first one explains the failure best.
void OnPxError(pxdoc_t *, int type, const char *msg, void *data) {
  auto *error = static_cast<QString *>(data);
  if (type == PX_Warning || !error || !error->isEmpty()) return;
  *error = PxMessage(QString::fromLocal8Bit(msg ? msg : "unknown error"));
}
void *PxAlloc(pxdoc_t *, size_t size, const char *) { return std::calloc(1, size ? size : 1); }
void *PxRealloc(pxdoc_t *, void *mem, size_t size, const char *) { return std::realloc(mem, size); }
void PxFree(pxdoc_t *, void *mem) { std::free(mem); }
char *PxStrdup(const QByteArray &s) {
  char *p = static_cast<char *>(std::malloc(size_t(s.size()) + 1));
  memcpy(p, s.constData(), size_t(s.size()) + 1);
  return p;
}

// pxlib works on FILE streams; ours live in memory. A cookie stream serves pxlib's opening and
// creating, then pxlib's stream functions are pointed straight at the buffer: pxlib rewrites the
// header after every record and fills blocks byte by byte, which is slow through stdio.
struct TPxMem {
  QByteArray Data;
  qint64 Pos = 0;
  size_t Read(char *buf, size_t n) {
    if (Pos >= Data.size()) return 0;
    size_t k = qMin(n, size_t(Data.size() - Pos));
    memcpy(buf, Data.constData() + Pos, k);
    Pos += qint64(k);
    return k;
  }
  size_t Write(const char *buf, size_t n) {
    if (Pos + qint64(n) > Data.size()) Data.resize(Pos + qint64(n));
    memcpy(Data.data() + Pos, buf, n);
    Pos += qint64(n);
    return n;
  }
  int Seek(qint64 off, int whence) {
    qint64 p = whence == SEEK_SET ? off : whence == SEEK_CUR ? Pos + off : Data.size() + off;
    if (p < 0) return -1;
    Pos = p;
    return 0;
  }
};

ssize_t CookieRead(void *c, char *buf, size_t n) { return ssize_t(static_cast<TPxMem *>(c)->Read(buf, n)); }
ssize_t CookieWrite(void *c, const char *buf, size_t n) { return ssize_t(static_cast<TPxMem *>(c)->Write(buf, n)); }
int CookieSeek(void *c, off64_t *off, int whence) {
  auto *m = static_cast<TPxMem *>(c);
  if (m->Seek(*off, whence) < 0) return -1;
  *off = m->Pos;
  return 0;
}
int CookieClose(void *) { return 0; }

TPxMem *MemOf(pxstream_t *s) { return static_cast<TPxMem *>(s->s.stream); }
size_t StreamRead(pxdoc_t *, pxstream_t *s, size_t n, void *buf) { return MemOf(s)->Read(static_cast<char *>(buf), n); }
size_t StreamWrite(pxdoc_t *, pxstream_t *s, size_t n, void *buf) {
  return MemOf(s)->Write(static_cast<const char *>(buf), n);
}
int StreamSeek(pxdoc_t *, pxstream_t *s, long off, int whence) { return MemOf(s)->Seek(off, whence); }
long StreamTell(pxdoc_t *, pxstream_t *s) { return long(MemOf(s)->Pos); }

// One pxlib document over an in-memory file image; frees everything on every path.
class TPxDoc {
public:
  TPxDoc() : FDoc(PX_new3(OnPxError, PxAlloc, PxRealloc, PxFree, &FError)) {
    if (!FDoc) throw EDatabaseError(QStringLiteral("Cannot start the Paradox library"));
  }
  ~TPxDoc() {
    PX_delete(FDoc);
    if (FFile) fclose(FFile);
  }
  TPxDoc(const TPxDoc &) = delete;
  TPxDoc &operator=(const TPxDoc &) = delete;
  pxdoc_t *get() const { return FDoc; }
  pxhead_t *Head() const { return FDoc->px_head; }

  void Open(const QByteArray &image, const QString &what) {
    FMem.Data = image;
    Check(OpenCookie() && PX_open_fp(FDoc, FFile) >= 0, what);
    UseMemoryStream();
  }
  void Create(pxfield_t *fields, int count, int type, const QString &what) {
    if (!OpenCookie()) {
      std::free(fields);
      Check(false, what);
    }
    if (PX_create_fp(FDoc, fields, count, FFile, type) < 0) {
      if (!FDoc->px_head) {  // pxlib took no ownership of the field list
        for (int i = 0; i < count; ++i)
          std::free(fields[i].px_fname);
        std::free(fields);
      }
      Check(false, what);
    }
    UseMemoryStream();
  }
  // Flushes pxlib's block cache and returns the file image.
  QByteArray Close(const QString &what) {
    PX_close(FDoc);
    Check(true, what);
    return FMem.Data;
  }
  void Check(bool ok, const QString &what) const {
    if (ok && FError.isEmpty()) return;
    throw EDatabaseError(FError.isEmpty() ? what : QStringLiteral("%1: %2").arg(what, FError));
  }
  FILE *File() { return OpenCookie() ? FFile : nullptr; }
  // pxlib closes the stream from now on.
  void ReleaseFile() { FFile = nullptr; }
  const QByteArray &Image() {
    if (FFile) fflush(FFile);
    return FMem.Data;
  }
  QByteArray &Data() { return FMem.Data; }

private:
  bool OpenCookie() {
    if (FFile) return true;
    cookie_io_functions_t io{CookieRead, CookieWrite, CookieSeek, CookieClose};
    FFile = fopencookie(&FMem, "r+", io);
    return FFile != nullptr;
  }
  void UseMemoryStream() {
    fflush(FFile);
    pxstream_t *s = FDoc->px_stream;
    s->s.stream = &FMem;
    s->read = StreamRead;
    s->write = StreamWrite;
    s->seek = StreamSeek;
    s->tell = StreamTell;
  }

  QString FError;  // before FDoc: pxlib reports into it from PX_new3 on
  pxdoc_t *FDoc;
  TPxMem FMem;
  FILE *FFile = nullptr;
};

// The PX_get_data_* and PX_put_data_* helpers want a document; they keep no state in it.
pxdoc_t *ScratchDoc() {
  static TPxDoc doc;
  return doc.get();
}

quint16 GetLE16(const char *p) { return quint16(quint8(p[0]) | quint8(p[1]) << 8); }
quint32 GetLE32(const char *p) { return quint32(GetLE16(p)) | quint32(GetLE16(p + 2)) << 16; }
void PutLE16(char *p, quint16 v) {
  p[0] = char(v & 0xFF);
  p[1] = char(v >> 8);
}
void PutLE32(char *p, quint32 v) {
  PutLE16(p, quint16(v & 0xFFFF));
  PutLE16(p + 2, quint16(v >> 16));
}

bool IsAscii(const char *p, int n) {
  for (int i = 0; i < n; ++i)
    if (quint8(p[i]) >= 0x80) return false;
  return true;
}

struct TIconv {
  iconv_t Cd;
  TIconv(const char *to, const char *from) : Cd(iconv_open(to, from)) {}
  ~TIconv() {
    if (Ok()) iconv_close(Cd);
  }
  bool Ok() const { return Cd != iconv_t(-1); }
};

[[noreturn]] void Damaged(const QString &what) {
  throw EDatabaseError(QStringLiteral("Table '%1' is damaged or not a Paradox table").arg(what));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

bool TPxColumn::IsBlob() const {
  return Type == pxtMemo || Type == pxtBlob || Type == pxtFmtMemo || Type == pxtOle || Type == pxtGraphic;
}

bool TPxTable::Writable() const {
  for (const TPxColumn &c : Columns) {
    switch (c.Type) {
    case pxtAlpha:
    case pxtDate:
    case pxtShort:
    case pxtLong:
    case pxtCurrency:
    case pxtNumber:
    case pxtLogical:
    case pxtMemo:
    case pxtBlob:
    case pxtTime:
    case pxtTimestamp:
    case pxtBytes: break;
    default: return false;
    }
  }
  return true;
}

int TPxTable::IndexOf(const QString &name) const {
  for (int i = 0; i < Columns.size(); ++i)
    if (Columns[i].Name.compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------

// For the usual code pages (one byte a character) decoding and encoding go through tables
// built once with iconv; code pages with characters of two bytes go through iconv every time.
struct TPxCodec::TTables {
  char16_t ToUnicode[128];  // bytes 0x80..0xFF; 0 where the code page has no character
  QHash<char16_t, char> FromUnicode;
};

namespace {
std::shared_ptr<const TPxCodec::TTables> BuildTables(const QByteArray &name) {
  TIconv cv("UTF-16LE", name.constData());
  if (!cv.Ok()) return nullptr;
  auto t = std::make_shared<TPxCodec::TTables>();
  for (int b = 0x80; b <= 0xFF; ++b) {
    char in = char(b), out[8];
    char *ip = &in, *op = out;
    size_t inLeft = 1, outLeft = sizeof out;
    iconv(cv.Cd, nullptr, nullptr, nullptr, nullptr);
    t->ToUnicode[b - 0x80] = 0;
    if (iconv(cv.Cd, &ip, &inLeft, &op, &outLeft) == size_t(-1)) {
      if (errno == EINVAL) return nullptr;  // the first byte of a longer character
      continue;
    }
    if (op - out != 2) return nullptr;
    const char16_t u = char16_t(quint8(out[0]) | quint8(out[1]) << 8);
    t->ToUnicode[b - 0x80] = u;
    if (!t->FromUnicode.contains(u)) t->FromUnicode.insert(u, char(b));
  }
  return t;
}

std::shared_ptr<const TPxCodec::TTables> TablesFor(int codePage, const QByteArray &name) {
  static QMutex lock;
  static QHash<int, std::shared_ptr<const TPxCodec::TTables>> cache;
  QMutexLocker hold(&lock);
  auto it = cache.find(codePage);
  if (it == cache.end()) it = cache.insert(codePage, BuildTables(name));
  return it.value();
}

[[noreturn]] void Unstorable(const QString &fieldName, uint ch, int codePage) {
  throw EDatabaseError(
      QStringLiteral("Field '%1' holds the character '%2' (U+%3), which code page %4 of the table cannot store")
          .arg(fieldName, QString::fromUcs4(reinterpret_cast<const char32_t *>(&ch), 1))
          .arg(ch, 4, 16, QLatin1Char('0'))
          .arg(codePage));
}
}  // namespace

TPxCodec::TPxCodec(int codePage)
    : FCodePage(codePage > 0 ? codePage : 437),
      FName("CP" + QByteArray::number(FCodePage)),
      FTables(TablesFor(FCodePage, FName)) {}

QString TPxCodec::Decode(const char *bytes, int len) const {
  if (FTables) {
    QString out(len, Qt::Uninitialized);
    QChar *o = out.data();
    for (int i = 0; i < len; ++i) {
      const quint8 b = quint8(bytes[i]);
      const char16_t u = b < 0x80 ? char16_t(b) : FTables->ToUnicode[b - 0x80];
      o[i] = QChar(u || !b ? u : char16_t(0xFFFD));
    }
    return out;
  }
  if (IsAscii(bytes, len)) return QString::fromLatin1(bytes, len);
  TIconv cv("UTF-8", FName.constData());
  if (!cv.Ok()) return QString::fromLatin1(bytes, len);
  QByteArray out(len * 4 + 4, Qt::Uninitialized);
  char *in = const_cast<char *>(bytes);
  size_t inLeft = size_t(len), outLeft = size_t(out.size());
  char *o = out.data();
  while (inLeft > 0) {
    if (iconv(cv.Cd, &in, &inLeft, &o, &outLeft) != size_t(-1)) break;
    if (errno == E2BIG || outLeft < 3) break;
    memcpy(o, "\xEF\xBF\xBD", 3);  // a byte the code page does not define
    o += 3;
    outLeft -= 3;
    ++in;
    --inLeft;
  }
  return QString::fromUtf8(out.constData(), int(o - out.constData()));
}

QByteArray TPxCodec::Encode(const QString &text, const QString &fieldName) const {
  if (FTables) {
    QByteArray out(text.size(), Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i) {
      const char16_t u = text[i].unicode();
      if (u < 0x80) {
        out[i] = char(u);
        continue;
      }
      const auto it = FTables->FromUnicode.constFind(u);
      if (it == FTables->FromUnicode.constEnd()) Unstorable(fieldName, text.mid(i, 2).toUcs4().value(0), FCodePage);
      out[i] = it.value();
    }
    return out;
  }
  bool ascii = true;
  for (QChar c : text)
    ascii = ascii && c.unicode() < 0x80;
  if (ascii) return text.toLatin1();
  TIconv cv(FName.constData(), "UTF-8");
  if (!cv.Ok()) throw EDatabaseError(QStringLiteral("Code page %1 of the table is not supported").arg(FCodePage));
  QByteArray utf8 = text.toUtf8();
  QByteArray out(utf8.size() * 2 + 4, Qt::Uninitialized);
  char *in = utf8.data(), *o = out.data();
  size_t inLeft = size_t(utf8.size()), outLeft = size_t(out.size());
  if (iconv(cv.Cd, &in, &inLeft, &o, &outLeft) == size_t(-1))
    Unstorable(fieldName, QString::fromUtf8(in, int(inLeft)).toUcs4().value(0), FCodePage);
  out.truncate(int(o - out.constData()));
  return out;
}

// ---------------------------------------------------------------------------------------------

namespace {

// pxlib trusts the header: on a damaged one it loops for ever following a block chain that
// runs in a circle, and it prints to stderr about blocks without records and about record
// counts that do not add up. So the header and the block chain are checked here first, and
// empty blocks are taken out of the chain (of the image in memory only).
QByteArray CheckedDbImage(QByteArray image, const QString &what) {
  const char *p = image.constData();
  const qint64 size = image.size();
  if (size < 0x58) Damaged(what);
  const int recordSize = GetLE16(p), headerSize = GetLE16(p + 2), fileType = quint8(p[4]), maxTableSize = quint8(p[5]);
  const qint64 numRecords = qint32(GetLE32(p + 6));
  const int fileBlocks = GetLE16(p + 0x0C), numFields = GetLE16(p + 0x21), keys = GetLE16(p + 0x23);
  const int version = quint8(p[0x39]);
  if ((fileType != pxfFileTypIndexDB && fileType != pxfFileTypNonIndexDB) || maxTableSize < 1 || maxTableSize > 32 ||
      version < 3 || version > 15 || recordSize < 1 || numFields < 1 || numFields > 255 || keys > numFields ||
      headerSize < 0x58 || headerSize > size || numRecords < 0)
    Damaged(what);
  const int fieldInfo = version >= 5 ? 0x78 : 0x58;
  if (fieldInfo + 2 * numFields > headerSize) Damaged(what);
  const quint32 crypt = GetLE32(p + 0x25);
  if (crypt != 0 && (crypt != 0xFF00FF00u || (version >= 5 && GetLE32(p + 0x5C) != 0)))
    throw EDatabaseError(QStringLiteral("Table '%1' is password protected").arg(what));
  int fieldBytes = 0;
  for (int i = 0; i < numFields; ++i) {
    const int type = quint8(p[fieldInfo + 2 * i]), len = quint8(p[fieldInfo + 2 * i + 1]);
    if (type < pxtAlpha || type > pxtBytes) Damaged(what);
    fieldBytes += type == pxtBcd ? 17 : len;
  }
  const qint64 blockSize = qint64(maxTableSize) * 0x400;
  if (fieldBytes != recordSize || recordSize > blockSize - 6 || headerSize + fileBlocks * blockSize > size)
    Damaged(what);

  QVector<bool> seen(fileBlocks + 1, false);
  qint64 counted = 0;
  int kept = 0;  // the last block of the chain that holds records
  for (int b = GetLE16(p + 0x0E); b != 0;) {
    if (b > fileBlocks || seen[b]) Damaged(what);
    seen[b] = true;
    char *block = image.data() + headerSize + (b - 1) * blockSize;
    const int next = GetLE16(block), used = qint16(GetLE16(block + 4));
    if (used < -recordSize || used > blockSize - 6 - recordSize || (used + recordSize) % recordSize) Damaged(what);
    const int records = used / recordSize + 1;
    if (records == 0)
      PutLE16(kept ? image.data() + headerSize + (kept - 1) * blockSize : image.data() + 0x0E, quint16(next));
    else
      kept = b;
    counted += records;
    b = next;
  }
  if (counted != numRecords) Damaged(what);
  return image;
}

}  // namespace

TPxTable PxReadDb(const QByteArray &image, const QString &what) {
  TPxDoc doc;
  const QString action = QStringLiteral("Cannot read table '%1'").arg(what);
  doc.Open(CheckedDbImage(image, what), action);
  const pxhead_t *h = doc.Head();
  if (h->px_filetype != pxfFileTypIndexDB && h->px_filetype != pxfFileTypNonIndexDB) Damaged(what);
  if (h->px_encryption != 0) throw EDatabaseError(QStringLiteral("Table '%1' is password protected").arg(what));
  TPxTable t;
  t.CodePage = h->px_doscodepage > 0 ? h->px_doscodepage : 437;
  t.SortOrder = quint8(h->px_sortorder);
  t.KeyCount = h->px_filetype == pxfFileTypIndexDB ? h->px_primarykeyfields : 0;
  t.RecordSize = h->px_recordsize;
  if (t.KeyCount < 0 || t.KeyCount > h->px_numfields) Damaged(what);
  const TPxCodec codec(t.CodePage);
  int offset = 0;
  for (int i = 0; i < h->px_numfields; ++i) {
    const pxfield_t &f = h->px_fields[i];
    TPxColumn c;
    c.Name = f.px_fname ? codec.Decode(f.px_fname, int(strlen(f.px_fname))) : QString();
    c.Type = quint8(f.px_ftype);
    c.Len = f.px_flen;
    c.Offset = offset;
    if (c.Type == pxtBcd) c.Len = 17;
    if (c.Len <= 0 || (c.IsBlob() && c.Len < 10)) Damaged(what);
    offset += c.Len;
    t.Columns.append(c);
  }
  if (offset != t.RecordSize || t.Columns.isEmpty()) Damaged(what);
  const int count = h->px_numrecords;
  if (count < 0) Damaged(what);
  t.Records.reserve(count);
  QByteArray rec(t.RecordSize, '\0');
  for (int i = 0; i < count; ++i) {
    doc.Check(PX_get_record(doc.get(), i, rec.data()) != nullptr, action);
    t.Records.append(QByteArray(rec.constData(), rec.size()));
  }
  return t;
}

namespace {
pxfield_t *PxFields(const TPxTable &t, int count) {
  auto *fields = static_cast<pxfield_t *>(std::calloc(size_t(count), sizeof(pxfield_t)));
  const TPxCodec codec(t.CodePage);
  for (int i = 0; i < count; ++i) {
    const TPxColumn &c = t.Columns[i];
    QByteArray name;
    try {
      name = codec.Encode(c.Name, c.Name);
    } catch (const EDatabaseError &) {
      name = c.Name.toLatin1();
    }
    fields[i].px_fname = PxStrdup(name);
    fields[i].px_ftype = char(c.Type);
    fields[i].px_flen = c.Len;
  }
  return fields;
}
}  // namespace

namespace {
// The data blocks, filled in order and chained 1, 2, 3... as pxlib fills them. pxlib's own
// PX_put_recordn rewrites the whole header after every record, which takes most of the
// time of a table of thousands of rows; the header is written once at the end instead.
void PutBlocks(TPxDoc &doc, const TPxTable &table, const QString &action) {
  pxhead_t *h = doc.Head();
  const int recordSize = h->px_recordsize, blockSize = h->px_maxtablesize * 0x400;
  const int perBlock = (blockSize - 6) / recordSize;
  const int count = table.Records.size(), blocks = (count + perBlock - 1) / perBlock;
  if (blocks > 0xFFFF) throw EDatabaseError(QStringLiteral("%1: too many records").arg(action));
  QByteArray &image = doc.Data();
  image.resize(h->px_headersize);
  image.append(QByteArray(qint64(blocks) * blockSize, '\0'));
  for (int b = 0; b < blocks; ++b) {
    char *block = image.data() + h->px_headersize + qint64(b) * blockSize;
    const int first = b * perBlock, n = qMin(perBlock, count - first);
    PutLE16(block, quint16(b + 1 < blocks ? b + 2 : 0));
    PutLE16(block + 2, quint16(b));
    PutLE16(block + 4, quint16((n - 1) * recordSize));
    for (int i = 0; i < n; ++i) {
      const QByteArray &rec = table.Records[first + i];
      if (rec.size() != recordSize) throw EDatabaseError(action);
      memcpy(block + 6 + i * recordSize, rec.constData(), size_t(recordSize));
    }
  }
  h->px_numrecords = count;
  h->px_fileblocks = uint(blocks);
  h->px_firstblock = blocks ? 1 : 0;
  h->px_lastblock = uint(blocks);
}
}  // namespace

TPxImages PxBuildDb(const TPxTable &table, const QString &headerName) {
  const QString action = QStringLiteral("Cannot write table '%1'").arg(headerName);
  const int n = table.Columns.size();
  TPxDoc doc;
  doc.Create(PxFields(table, n), n, table.KeyCount > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB, action);
  if (table.KeyCount > 0) doc.Check(PX_set_value(doc.get(), "numprimkeys", float(table.KeyCount)) >= 0, action);
  doc.Head()->px_doscodepage = table.CodePage;
  doc.Head()->px_sortorder = char(table.SortOrder);
  PutBlocks(doc, table, action);
  doc.Check(PX_set_parameter(doc.get(), "tablename", headerName.toLatin1().constData()) >= 0, action);
  TPxImages out;
  if (table.KeyCount > 0) {
    TPxDoc index;
    index.Create(PxFields(table, table.KeyCount), table.KeyCount, pxfFileTypPrimIndex, action);
    // pxlib writes at most two index levels; refuse a table that would need a third.
    const pxhead_t *ih = index.Head();
    const int perBlock = (ih->px_maxtablesize * 0x400 - 6) / ih->px_recordsize;
    if (int(doc.Head()->px_fileblocks) > perBlock * perBlock)
      throw EDatabaseError(QStringLiteral("Table '%1' has too many records for its primary index").arg(headerName));
    doc.Check(PX_write_primary_index(doc.get(), index.get()) >= 0, action);
    out.Px = index.Close(action);
  }
  out.Db = doc.Close(action);
  return out;
}

// ---------------------------------------------------------------------------------------------

TPxBlobRef PxBlobRef(const char *field, const TPxColumn &col) {
  const char *p = field + col.Leader();
  TPxBlobRef r;
  const quint32 v = GetLE32(p);
  r.Offset = v & 0xFFFFFF00u;
  r.Index = int(v & 0xFF);
  r.Size = qint32(GetLE32(p + 4));
  r.ModNr = GetLE16(p + 8);
  return r;
}

QByteArray TPxMemoFile::NewImage() {
  TPxDoc doc;
  pxblob_t *blob = PX_new_blob(doc.get());
  FILE *f = doc.File();
  doc.Check(blob && f && PX_create_blob_fp(blob, f) >= 0, QStringLiteral("Cannot create a memo file"));
  QByteArray image = doc.Image().left(kBlockSize);
  blob->mb_stream->close = px_true;  // so that pxlib frees what it allocated for the stream
  doc.ReleaseFile();
  return image;
}

TPxMemoFile TPxMemoFile::OnDisk(const QString &path) {
  TPxMemoFile m;
  m.FFile = std::make_shared<QFile>();
  QString why;
  if (!OpenRegularFile(*m.FFile, path, &why))
    throw EDatabaseError(QStringLiteral("Cannot open file '%1': %2").arg(path, why));
  return m;
}

QByteArray TPxMemoFile::Bytes(qint64 offset, qint64 len) const {
  if (!FFile) return offset < FImage.size() ? FImage.mid(int(offset), int(len)) : QByteArray();
  if (!FFile->seek(offset)) return {};
  return FFile->read(len);
}

QByteArray TPxMemoFile::Value(const char *field, const TPxColumn &col, const QString &what) const {
  const TPxBlobRef ref = PxBlobRef(field, col);
  const bool graphic = col.Type == pxtGraphic;
  const qint64 size = graphic ? qint64(ref.Size) - 8 : ref.Size;
  if (size <= 0) return {};
  if (size <= col.Leader()) return QByteArray(field, int(size));
  auto damaged = [&]() { return EDatabaseError(QStringLiteral("The memo file of table '%1' is damaged").arg(what)); };
  const qint64 off = ref.Offset;
  const QByteArray head = off ? Bytes(off, 12) : QByteArray();
  if (head.size() < 12) throw damaged();
  qint64 start = 0;
  if (head[0] == 2) {
    if (ref.Index != 0xFF || qint32(GetLE32(head.constData() + 3)) != ref.Size) throw damaged();
    start = off + (graphic ? 17 : 9);
  } else if (head[0] == 3) {
    const QByteArray entry = ref.Index < 64 ? Bytes(off + 12 + ref.Index * 5, 5) : QByteArray();
    if (entry.size() < 5) throw damaged();
    const int paragraphs = quint8(entry[1]), lastLen = quint8(entry[4]);
    if (paragraphs == 0 || (paragraphs - 1) * 16 + lastLen != ref.Size) throw damaged();
    start = off + qint64(quint8(entry[0])) * 16;
    if (start + ref.Size > off + kBlockSize) throw damaged();
  } else {
    throw damaged();
  }
  QByteArray value = Bytes(start, size);
  if (value.size() != size) throw damaged();
  return value;
}

void TPxMemoWriter::Put(char *field, const TPxColumn &col, const QByteArray &value) {
  const int leader = col.Leader();
  memset(field, 0, size_t(col.Len));
  if (value.isEmpty()) return;
  memcpy(field, value.constData(), size_t(qMin(leader, int(value.size()))));
  quint32 ref = 0;
  if (value.size() > leader) ref = value.size() > 2048 ? PlaceAlone(value) : PlaceShared(value);
  PutLE32(field + leader, ref);
  PutLE32(field + leader + 4, quint32(value.size()));
  PutLE16(field + leader + 8, ref ? 1 : 0);
}

// A block of type 2: a header, then the value over as many whole blocks as it needs.
quint32 TPxMemoWriter::PlaceAlone(const QByteArray &value) {
  const int blocks = (9 + int(value.size()) + TPxMemoFile::kBlockSize - 1) / TPxMemoFile::kBlockSize;
  const int at = FBlocks.size();
  FBlocks.append(QByteArray(blocks * TPxMemoFile::kBlockSize, '\0'));
  char *b = FBlocks.data() + at;
  b[0] = 2;
  PutLE16(b + 1, quint16(blocks));
  PutLE32(b + 3, quint32(value.size()));
  PutLE16(b + 7, 1);
  memcpy(b + 9, value.constData(), size_t(value.size()));
  const quint32 ref = quint32(FBase + at) | 0xFF;
  FPending.insert(ref, value);
  return ref;
}

// A block of type 3: up to 64 short values in 16-byte paragraphs after a table of entries.
quint32 TPxMemoWriter::PlaceShared(const QByteArray &value) {
  const int paragraphs = (int(value.size()) + 15) / 16;
  if (FShared < 0 || FSharedEntries >= 64 || FSharedFree < paragraphs) {
    FShared = FBlocks.size();
    FBlocks.append(QByteArray(TPxMemoFile::kBlockSize, '\0'));
    FBlocks[FShared] = 3;
    PutLE16(FBlocks.data() + FShared + 1, 1);
    FSharedEntries = 0;
    FSharedFree = TPxMemoFile::kBlockSize / 16 - 21;  // the header and the table take 21 paragraphs
  }
  const int first = TPxMemoFile::kBlockSize / 16 - FSharedFree;
  char *b = FBlocks.data() + FShared;
  char *entry = b + 12 + FSharedEntries * 5;
  entry[0] = char(first);
  entry[1] = char(paragraphs);
  PutLE16(entry + 2, 1);
  entry[4] = char(value.size() % 16 ? value.size() % 16 : 16);
  memcpy(b + first * 16, value.constData(), size_t(value.size()));
  const quint32 ref = quint32(FBase + FShared) | quint32(FSharedEntries);
  FSharedFree -= paragraphs;
  ++FSharedEntries;
  FPending.insert(ref, value);
  return ref;
}

// ---------------------------------------------------------------------------------------------

QVariant PxDecodeValue(const char *record, const TPxColumn &col, const TPxCodec &codec, const TPxMemoFile &memo,
                       const QString &what) {
  char *p = const_cast<char *>(record + col.Offset);
  pxdoc_t *doc = ScratchDoc();
  long l = 0;
  short s = 0;
  double d = 0;
  char b = 0;
  // All bytes zero is null for every type; pxlib's PX_get_data_long looks at 8 bytes of a
  // 4-byte value on 64-bit systems and takes a null for a number.
  if (!col.IsBlob() && std::all_of(p, p + col.Len, [](char c) { return c == '\0'; })) return {};
  switch (col.Type) {
  case pxtAlpha: {
    int n = 0;
    while (n < col.Len && p[n] != '\0')
      ++n;
    while (n > 0 && p[n - 1] == ' ')
      --n;
    return n ? QVariant(codec.Decode(p, n)) : QVariant();
  }
  case pxtShort: return PX_get_data_short(doc, p, 2, &s) > 0 ? QVariant(int(s)) : QVariant();
  case pxtLong:
  case pxtAutoInc: return PX_get_data_long(doc, p, 4, &l) > 0 ? QVariant(int(l)) : QVariant();
  case pxtCurrency:
  case pxtNumber: return PX_get_data_double(doc, p, 8, &d) > 0 ? QVariant(d) : QVariant();
  case pxtLogical: return PX_get_data_byte(doc, p, 1, &b) > 0 ? QVariant(b != 0) : QVariant();
  case pxtDate:
    return PX_get_data_long(doc, p, 4, &l) > 0 ? QVariant(QDate::fromJulianDay(l + kJulianDayZero)) : QVariant();
  case pxtTime:
    return PX_get_data_long(doc, p, 4, &l) > 0 ? QVariant(QTime::fromMSecsSinceStartOfDay(int(l))) : QVariant();
  case pxtTimestamp: {
    if (PX_get_data_double(doc, p, 8, &d) <= 0) return {};
    const qint64 ms = qint64(d);
    const qint64 days = ms / kMsPerDay;
    return QDateTime(QDate::fromJulianDay(days + kJulianDayZero), QTime::fromMSecsSinceStartOfDay(int(ms % kMsPerDay)));
  }
  case pxtBcd: {
    char *text = nullptr;
    if (PX_get_data_bcd(doc, reinterpret_cast<unsigned char *>(p), quint8(p[0]) & 0x3F, &text) <= 0 || !text) return {};
    QString t = QString::fromLatin1(text).replace(u',', u'.');
    doc->free(doc, text);
    return t.toDouble();
  }
  case pxtBytes: return p[0] ? QVariant(QByteArray(p, col.Len)) : QVariant();
  case pxtMemo: {
    QByteArray v = memo.Value(p, col, what);
    return v.isEmpty() ? QVariant() : QVariant(codec.Decode(v));
  }
  default: {
    QByteArray v = memo.Value(p, col, what);
    return v.isEmpty() ? QVariant() : QVariant(v);
  }
  }
}

void PxEncodeValue(char *record, const TPxColumn &col, const QVariant &value, const TPxCodec &codec,
                   TPxMemoWriter &memo) {
  char *p = record + col.Offset;
  pxdoc_t *doc = ScratchDoc();
  const bool null = !value.isValid();
  memset(p, 0, size_t(col.Len));
  switch (col.Type) {
  case pxtAlpha:
    if (!null) {
      const QByteArray bytes = codec.Encode(value.toString(), col.Name);
      memcpy(p, bytes.constData(), size_t(qMin(int(bytes.size()), col.Len)));
    }
    break;
  case pxtShort: PX_put_data_short(doc, p, null ? 0 : 2, short(value.toInt())); break;
  case pxtLong: PX_put_data_long(doc, p, null ? 0 : 4, value.toInt()); break;
  case pxtCurrency:
  case pxtNumber: PX_put_data_double(doc, p, null ? 0 : 8, value.toDouble()); break;
  case pxtLogical: PX_put_data_byte(doc, p, null ? 0 : 1, value.toBool() ? 1 : 0); break;
  // A null date has no day number (Qt gives INT64_MIN): no arithmetic on it.
  case pxtDate:
    PX_put_data_long(doc, p, null ? 0 : 4, null ? 0 : int(value.toDate().toJulianDay() - kJulianDayZero));
    break;
  case pxtTime: PX_put_data_long(doc, p, null ? 0 : 4, null ? 0 : value.toTime().msecsSinceStartOfDay()); break;
  case pxtTimestamp: {
    const QDateTime dt = null ? QDateTime() : value.toDateTime();
    const double ms =
        null ? 0.0
             : double(dt.date().toJulianDay() - kJulianDayZero) * double(kMsPerDay) + dt.time().msecsSinceStartOfDay();
    PX_put_data_double(doc, p, null ? 0 : 8, ms);
    break;
  }
  case pxtBytes:
    if (!null) memcpy(p, value.toByteArray().constData(), size_t(qMin(int(value.toByteArray().size()), col.Len)));
    break;
  case pxtMemo: memo.Put(p, col, null ? QByteArray() : codec.Encode(value.toString(), col.Name)); break;
  case pxtBlob: memo.Put(p, col, null ? QByteArray() : value.toByteArray()); break;
  default: throw EDatabaseError(QStringLiteral("Field '%1' is of a type this program cannot write").arg(col.Name));
  }
}

namespace {
[[noreturn]] void Invalid(const TPxColumn &col) {
  throw EDatabaseError(QStringLiteral("Invalid value for field '%1'").arg(col.Name));
}
QString TextOf(const QVariant &v) {
  return v.userType() == QMetaType::QByteArray ? TStringList::DecodeBytes(v.toByteArray()) : v.toString();
}
}  // namespace

QVariant PxNormalize(const TPxColumn &col, const QVariant &value, const TPxCodec &codec) {
  if (!value.isValid() || value.isNull()) return {};
  bool ok = true;
  switch (col.Type) {
  case pxtAlpha: {
    QString s = TextOf(value);
    while (s.endsWith(u' '))
      s.chop(1);
    if (s.isEmpty()) return {};
    if (s.contains(QChar(0))) Invalid(col);
    const int len = int(codec.Encode(s, col.Name).size());
    if (len > col.Len)
      throw EDatabaseError(QStringLiteral("Value of field '%1' is too long (%2 characters, at most %3)")
                               .arg(col.Name)
                               .arg(len)
                               .arg(col.Len));
    return s;
  }
  case pxtMemo: {
    const QString s = TextOf(value);
    if (s.isEmpty()) return {};
    codec.Encode(s, col.Name);
    return s;
  }
  case pxtShort: {
    const int v = value.toInt(&ok);
    if (!ok || v < -32767 || v > 32767) Invalid(col);
    return v;
  }
  case pxtLong: {
    const qlonglong v = value.toLongLong(&ok);
    if (!ok || v < -2147483647LL || v > 2147483647LL) Invalid(col);
    return int(v);
  }
  case pxtCurrency:
  case pxtNumber: {
    const double v = value.toDouble(&ok);
    if (!ok) Invalid(col);
    return v;
  }
  case pxtLogical: return value.toBool();
  case pxtDate: {
    const QDate d = value.userType() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
    if (!d.isValid() || d.toJulianDay() <= kJulianDayZero) Invalid(col);
    return d;
  }
  case pxtTime: {
    const QTime t = value.toTime();
    if (!t.isValid()) Invalid(col);
    return t;
  }
  case pxtTimestamp: {
    const QDateTime dt = value.toDateTime();
    if (!dt.isValid() || dt.date().toJulianDay() <= kJulianDayZero) Invalid(col);
    return QDateTime(dt.date(), dt.time());
  }
  case pxtBlob: {
    const QByteArray b = value.toByteArray();
    return b.isEmpty() ? QVariant() : QVariant(b);
  }
  case pxtBytes: {
    QByteArray b = value.toByteArray();
    if (b.isEmpty()) return {};
    if (b.size() > col.Len || b[0] == '\0') Invalid(col);
    b.append(QByteArray(col.Len - b.size(), '\0'));
    return b;
  }
  default: throw EDatabaseError(QStringLiteral("Field '%1' is of a type this program cannot write").arg(col.Name));
  }
}

TFieldDef PxFieldDef(const TPxColumn &col) {
  TFieldDef d;
  d.Name = col.Name;
  switch (col.Type) {
  case pxtAlpha:
    d.DataType = TFieldType::ftString;
    d.Size = col.Len;
    break;
  case pxtDate: d.DataType = TFieldType::ftDate; break;
  case pxtShort: d.DataType = TFieldType::ftSmallint; break;
  case pxtLong:
  case pxtAutoInc: d.DataType = TFieldType::ftInteger; break;
  case pxtCurrency:
  case pxtNumber:
  case pxtBcd: d.DataType = TFieldType::ftFloat; break;
  case pxtLogical: d.DataType = TFieldType::ftBoolean; break;
  case pxtMemo:
    d.DataType = TFieldType::ftMemo;
    d.Size = col.Leader();
    break;
  case pxtTime: d.DataType = TFieldType::ftTime; break;
  case pxtTimestamp: d.DataType = TFieldType::ftDateTime; break;
  case pxtBytes:
    d.DataType = TFieldType::ftBlob;
    d.Size = col.Len;
    break;
  default:
    d.DataType = TFieldType::ftBlob;
    d.Size = col.Leader();
    break;
  }
  return d;
}

TPxColumn PxColumnFor(const TFieldDef &def) {
  TPxColumn c;
  c.Name = def.Name.trimmed();
  if (c.Name.isEmpty()) throw EDatabaseError(QStringLiteral("A field of the table has no name"));
  if (c.Name.size() > 25)
    throw EDatabaseError(QStringLiteral("Field name '%1' is longer than 25 characters").arg(c.Name));
  auto sized = [&](int lo, int hi, int dflt) {
    const int size = def.Size > 0 ? def.Size : dflt;
    if (size < lo || size > hi)
      throw EDatabaseError(QStringLiteral("Invalid size %1 of field '%2'").arg(def.Size).arg(c.Name));
    return size;
  };
  switch (def.DataType) {
  case TFieldType::ftString:
    c.Type = pxtAlpha;
    c.Len = sized(1, 255, 20);
    break;
  case TFieldType::ftSmallint:
    c.Type = pxtShort;
    c.Len = 2;
    break;
  case TFieldType::ftInteger:
    c.Type = pxtLong;
    c.Len = 4;
    break;
  case TFieldType::ftLargeint:
  case TFieldType::ftFloat:
    c.Type = pxtNumber;
    c.Len = 8;
    break;
  case TFieldType::ftBoolean:
    c.Type = pxtLogical;
    c.Len = 1;
    break;
  case TFieldType::ftDate:
    c.Type = pxtDate;
    c.Len = 4;
    break;
  case TFieldType::ftTime:
    c.Type = pxtTime;
    c.Len = 4;
    break;
  case TFieldType::ftDateTime:
    c.Type = pxtTimestamp;
    c.Len = 8;
    break;
  case TFieldType::ftMemo:
    c.Type = pxtMemo;
    c.Len = sized(1, 240, 10) + 10;
    break;
  case TFieldType::ftBlob:
    c.Type = pxtBlob;
    c.Len = sized(1, 240, 10) + 10;
    break;
  default: throw EDatabaseError(QStringLiteral("Field '%1' is of a type local tables cannot hold").arg(c.Name));
  }
  return c;
}

int PxCompare(const QVariant &a, const QVariant &b) {
  if (!a.isValid() || !b.isValid()) return int(a.isValid()) - int(b.isValid());
  const int ta = a.userType();
  if (ta == QMetaType::QString) {
    const QString sa = a.toString(), sb = b.toString();
    const int ci = sa.compare(sb, Qt::CaseInsensitive);
    return ci ? ci : sa.compare(sb);
  }
  if (ta == QMetaType::QDate) return a.toDate() < b.toDate() ? -1 : b.toDate() < a.toDate() ? 1 : 0;
  if (ta == QMetaType::QTime) return a.toTime() < b.toTime() ? -1 : b.toTime() < a.toTime() ? 1 : 0;
  if (ta == QMetaType::QDateTime) return a.toDateTime() < b.toDateTime() ? -1 : b.toDateTime() < a.toDateTime() ? 1 : 0;
  if (ta == QMetaType::QByteArray) return a.toByteArray().compare(b.toByteArray());
  const double da = a.toDouble(), db = b.toDouble();
  return da < db ? -1 : db < da ? 1 : 0;
}

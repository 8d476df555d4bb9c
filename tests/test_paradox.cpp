// The local-table driver ("STANDARD") over real Paradox files: through the driver interface,
// through TTable, against tables written with pxlib directly, with two connections and two
// processes at once, and with writers killed at random moments and at every file operation.
#include "base/errors.h"
#include "data/dataset.h"
#include "data/db.h"
#include "drivers/paradox/driver.h"
#include "drivers/paradox/table.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/suite.h"
#include "tests/fixtures/testenv.h"
#include "tests/paradox_memo_text.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>
#include <QtTest/QtTest>
#include <csignal>
#include <cstdio>
#include <cstring>

extern "C" {
#include <paradox.h>
}

namespace {

using fixtures::openLocalConnection;

const QString kName = QStringLiteral("OBJECT NAME");
const QString kSource = QStringLiteral("OBJECT SOURCE");

QString NewDir(const QString &stem) {
  const QString dir = fixtures::tempPath(stem);
  QDir().mkpath(dir);
  return dir;
}

QList<TFieldDef> RepoFields() {
  return {TFieldDef{kName, TFieldType::ftString, 30, true}, TFieldDef{kSource, TFieldType::ftMemo, 20, false}};
}

void CreateRepo(TDriverConnection &conn) {
  conn.CreateTable("DVSRC.DB", RepoFields());
  conn.AddIndex("DVSRC.DB", TIndexDef{QString(), {kName}, true, true});
}

// A repository table in a fresh directory, with a connection and a cursor for changes on it.
struct TRepo {
  explicit TRepo(const QString &stem) : Dir(NewDir(stem)), Conn(openLocalConnection(Dir)) {
    CreateRepo(*Conn);
    Cur = Conn->OpenTable("DVSRC.DB", {}, false);
  }
  QString Dir;
  std::unique_ptr<TDriverConnection> Conn;
  std::unique_ptr<TCursor> Cur;
};

// Inserts row through cur; returns it as the driver left it.
TRow Put(TCursor &cur, TRow row) {
  cur.Insert(row);
  return row;
}

QVector<TRow> ReadAll(TDriverConnection &conn, const QString &table = QStringLiteral("DVSRC.DB")) {
  QVector<TRow> rows;
  conn.OpenTable(table, {}, true)->Fetch(rows, -1);
  return rows;
}

QHash<QString, QString> AsMap(const QVector<TRow> &rows) {
  QHash<QString, QString> m;
  for (const TRow &r : rows)
    m.insert(r[0].toString(), r[1].toString());
  return m;
}

// Whether text matches pattern as a whole, where each "*" stands for any text.
bool Matches(const QString &text, const QString &pattern) {
  QStringList parts = pattern.split(u'*');
  for (QString &p : parts)
    p = QRegularExpression::escape(p);
  return QRegularExpression(QRegularExpression::anchoredPattern(parts.join(".*")),
                            QRegularExpression::DotMatchesEverythingOption)
      .match(text)
      .hasMatch();
}

}  // namespace

// The step must raise a database error whose message matches the pattern ("*" for any text).
#define QVERIFY_REFUSED(step, pattern)                                                                       \
  do {                                                                                                       \
    const QString e_ = fixtures::errorOf<EDatabaseError>([&] { step; });                                     \
    QVERIFY2(Matches(e_, pattern), qPrintable(QString::fromUtf8(#step) + QStringLiteral(" raised: ") + e_)); \
  } while (false)

namespace {

QByteArray Local(const QString &path) { return QFile::encodeName(path); }

struct TPxErr {
  QString Text;
};
void CollectPxError(pxdoc_t *, int type, const char *msg, void *data) {
  if (type != PX_Warning) static_cast<TPxErr *>(data)->Text += QString::fromLocal8Bit(msg) + u' ';
}

// A table's header as pxlib reads it: "type T keys K cp C:" and " type/length" for each field.
QString PxHeader(const QString &file) {
  TPxErr err;
  pxdoc_t *px = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  QString out;
  if (PX_open_file(px, Local(file).constData()) == 0) {
    const pxhead_t *h = px->px_head;
    out = QStringLiteral("type %1 keys %2 cp %3:")
              .arg(int(h->px_filetype))
              .arg(h->px_primarykeyfields)
              .arg(h->px_doscodepage);
    for (int i = 0; i < PX_get_num_fields(px); ++i)
      out += QStringLiteral(" %1/%2").arg(int(PX_get_field(px, i)->px_ftype)).arg(PX_get_field(px, i)->px_flen);
  }
  PX_close(px);
  PX_delete(px);
  return out + err.Text;
}
// The header of a repository table: keyed on the alpha 30 name, the memo with 20 leading bytes.
QString RepoHeader(int codePage) {
  return QStringLiteral("type %1 keys 1 cp %2: %3/30 %4/30")
      .arg(pxfFileTypIndexDB)
      .arg(codePage)
      .arg(pxfAlpha)
      .arg(pxfMemoBLOb);
}

// What the record says of a memo of RepoMemoText: its first ten bytes, which the record keeps
// itself, and its length in bytes (one byte a character in the table's code page). pxlib
// cannot open the memo file itself (PX_open_blob_fp overruns its stack on these files).
QString MemoSummary(const QByteArray &head, qint64 size) {
  return QStringLiteral("%1 bytes=%2").arg(QString::fromLatin1(head.left(qMin<qint64>(size, 10)))).arg(size);
}

// Reads the table back with pxlib itself, every record through the primary index: returns the
// key values in index order (with memos, each followed by " = " and the memo's summary), or
// the pxlib error.
QStringList KeysThroughPrimaryIndex(const QString &dir, bool memos = false) {
  TPxErr err;
  pxdoc_t *db = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  pxdoc_t *px = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  QStringList keys;
  // The block lists pxlib builds when it opens a file, replaced (and left) when it reads an index.
  void *blocks = nullptr, *indexBlocks = nullptr;
  if (PX_open_file(db, Local(dir + "/DVSRC.DB").constData()) == 0 && (blocks = db->px_indexdata, true) &&
      PX_open_file(px, Local(dir + "/DVSRC.PX").constData()) == 0 && (indexBlocks = px->px_indexdata, true) &&
      PX_read_primary_index(px) == 0 && PX_add_primary_index(db, px) == 0) {
    QByteArray rec(PX_get_recordsize(db), '\0');
    for (int i = 0; i < PX_get_num_records(db); ++i) {
      if (!PX_get_record(db, i, rec.data())) {
        err.Text = QStringLiteral("record %1 unreadable").arg(i);
        break;
      }
      QString key = QString::fromLatin1(rec.constData(), int(strnlen(rec.constData(), 30)));
      if (memos) {
        // The memo field keeps its first bytes, then the block's place, the length, a count.
        const int len = PX_get_field(db, 1)->px_flen;
        quint32 size = 0;
        memcpy(&size, rec.constData() + 30 + len - 6, 4);
        key += " = " + MemoSummary(rec.mid(30, len - 10), qFromLittleEndian(size));
      }
      keys.append(key);
    }
  }
  // PX_close and PX_delete free neither the block list pxlib builds when it opens a table nor
  // the index entries PX_read_primary_index makes (an array, a key each).
  if (blocks != db->px_indexdata) db->free(db, blocks);
  PX_close(db);
  PX_delete(db);
  if (indexBlocks != px->px_indexdata) px->free(px, indexBlocks);
  if (auto *entries = static_cast<pxpindex_t *>(px->px_data)) {
    for (int i = 0; i < px->px_datalen; ++i)
      px->free(px, entries[i].data);
    px->free(px, entries);
    px->px_data = nullptr;
    px->px_datalen = 0;
  }
  PX_close(px);
  PX_delete(px);
  return err.Text.isEmpty() ? keys : QStringList{"pxlib: " + err.Text};
}

// A repository table as another program writes it with pxlib: keyed on the name, memo file,
// primary index, code page 1252; rows given in key order.
void WriteForeignRepo(const QString &dir, const QList<QPair<QByteArray, QByteArray>> &rows) {
  TPxErr err;
  pxdoc_t *px = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  auto *f = static_cast<pxfield_t *>(px->malloc(px, 2 * sizeof(pxfield_t), "fields"));
  f[0] = pxfield_t{PX_strdup(px, "OBJECT NAME"), char(pxfAlpha), 30, 0};
  f[1] = pxfield_t{PX_strdup(px, "OBJECT SOURCE"), char(pxfMemoBLOb), 30, 0};
  FILE *dbf = fopen(Local(dir + "/DVSRC.DB").constData(), "w+");
  FILE *mbf = fopen(Local(dir + "/DVSRC.MB").constData(), "w+");
  FILE *pxf = fopen(Local(dir + "/DVSRC.PX").constData(), "w+");
  QVERIFY(PX_create_fp(px, f, 2, dbf, pxfFileTypIndexDB) == 0);
  QVERIFY(PX_set_value(px, "numprimkeys", 1) == 0);
  px->px_head->px_doscodepage = 1252;
  QVERIFY(PX_set_parameter(px, "tablename", "DVSRC.DB") == 0);
  pxblob_t *blob = PX_new_blob(px);
  QVERIFY(PX_create_blob_fp(blob, mbf) == 0);
  blob->mb_stream->close = px_true;  // PX_close closes the memo file and frees its stream
  for (const auto &row : rows) {
    QByteArray rec(60, '\0'), name = row.first, memo = row.second;
    PX_put_data_alpha(px, rec.data(), 30, name.data());
    QVERIFY(PX_put_data_blob(px, rec.data() + 30, 30, memo.data(), memo.size()) == 0);
    QVERIFY(PX_put_record(px, rec.data()) >= 0);
  }
  pxdoc_t *idx = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  auto *k = static_cast<pxfield_t *>(idx->malloc(idx, sizeof(pxfield_t), "key"));
  k[0] = pxfield_t{PX_strdup(idx, "OBJECT NAME"), char(pxfAlpha), 30, 0};
  QVERIFY(PX_create_fp(idx, k, 1, pxf, pxfFileTypPrimIndex) == 0);
  QVERIFY(PX_write_primary_index(px, idx) == 0);
  PX_close(idx);
  PX_delete(idx);
  PX_close(px);
  PX_delete(px);
  fclose(dbf);
  fclose(pxf);
  QVERIFY2(err.Text.isEmpty(), qPrintable(err.Text));
}

// What the killed writers reported, and what the table must therefore hold.
struct TExpected {
  QHash<QString, int> Live;  // name -> version stored
  QSet<QString> Deleted;
  struct Pending {
    QString Op, Name;
    int Version;
  };
  QList<Pending> InFlight;  // begun, not reported done: may or may not have happened

  void Apply(const QByteArray &output) {
    Pending cur;
    bool open = false;
    for (const QByteArray &raw : output.split('\n')) {
      const QString line = QString::fromUtf8(raw);
      if (line.startsWith(u'B')) {
        const QStringList p = line.split(u' ');
        cur = Pending{p.value(1), p.value(2), p.value(3).toInt()};
        open = true;
      } else if (line == u'D' && open) {
        // Outputs of two writers are read one after the other, not in the order things
        // happened; a deleted name never comes back and versions only grow.
        if (cur.Op == u'X') {
          Live.remove(cur.Name);
          Deleted.insert(cur.Name);
        } else if (!Deleted.contains(cur.Name)) {
          Live.insert(cur.Name, qMax(cur.Version, Live.value(cur.Name, -1)));
        }
        open = false;
      } else if (line.startsWith(u'F')) {
        open = false;
      }
    }
    if (open) InFlight.append(cur);
  }
};

// Every entry reported stored holds its last reported text, every one reported deleted is
// gone; only the changes the writers were killed in may have gone either way.
QString CheckAgainst(const TExpected &exp, const QHash<QString, QString> &table) {
  QSet<QString> mayBeGone, mayExist;
  QHash<QString, QSet<QString>> mayHold;
  for (const auto &p : exp.InFlight) {
    if (p.Op == u'X') mayBeGone.insert(p.Name);
    mayExist.insert(p.Name);
    mayHold[p.Name].insert(RepoMemoText(p.Name, p.Version));
  }
  for (auto it = exp.Live.begin(); it != exp.Live.end(); ++it) {
    if (!table.contains(it.key())) {
      if (mayBeGone.contains(it.key())) continue;
      return QStringLiteral("entry %1 lost").arg(it.key());
    }
    const QString text = table[it.key()];
    if (text != RepoMemoText(it.key(), it.value()) && !mayHold.value(it.key()).contains(text))
      return QStringLiteral("entry %1 holds version %2, expected %3")
          .arg(it.key())
          .arg(RepoMemoVersion(text))
          .arg(it.value());
  }
  for (const QString &name : exp.Deleted)
    if (table.contains(name)) return QStringLiteral("deleted entry %1 is back").arg(name);
  for (auto it = table.begin(); it != table.end(); ++it)
    if (!exp.Live.contains(it.key()) && !mayExist.contains(it.key()))
      return QStringLiteral("unknown entry %1").arg(it.key());
  return {};
}

// Reads the table in dir through a new connection into table and checks it against exp: the
// problem, or empty.
QString CheckTable(const QString &dir, const TExpected &exp, QHash<QString, QString> &table) {
  const QString unreadable =
      fixtures::errorOf<EDatabaseError>([&] { table = AsMap(ReadAll(*openLocalConnection(dir))); });
  return unreadable != "<no error>" ? "unreadable: " + unreadable : CheckAgainst(exp, table);
}

QString ChildPath() {
  return qEnvironmentVariable("TESSELOR_TEST_BINARY_DIR", QCoreApplication::applicationDirPath()) +
         QStringLiteral("/child_repowriter");
}

}  // namespace

class TestParadox : public QObject {
  Q_OBJECT

private slots:
  void createsListsAndOpensTables();
  void rowsRoundTripInKeyOrder();
  void refusedValuesLeaveTableIntact();
  void otherTablesRoundTrip();
  void pxlibReadsOurTablesAndWeReadItsTables();
  void twoConnectionsNeverOverwriteEachOther();
  void memoFileIsPackedWhenMostlyUnused();
  void damagedOrIrregularFilesRaiseErrors();
  void tableThroughTTable();
  void twoProcessesWritingAtOnceLoseNothing();
  void killedWritersNeverLoseReportedEntries();
  void writerKilledAtEveryFileOperation();
};

void TestParadox::createsListsAndOpensTables() {
  auto conn = CreateParadoxConnection();
  TStringList params;
  params.SetValues("PATH", fixtures::tempPath("nowhere"));
  QVERIFY_REFUSED(conn->Open(params), "Directory '*' does not exist");
  QVERIFY(!conn->Connected());

  // Without "PATH" the working directory is the table directory.
  const QString dir = NewDir("cwd"), old = QDir::currentPath();
  QDir::setCurrent(dir);
  conn->Open(TStringList());
  CreateRepo(*conn);
  QDir::setCurrent(old);
  for (const char *ext : {"DB", "MB", "PX"})
    QVERIFY(QFile::exists(dir + "/DVSRC." + ext));
  QCOMPARE(conn->TableNames(QString(), true, false), QStringList{"DVSRC.DB"});
  QCOMPARE(conn->TableNames("dv*", false, false), QStringList{"DVSRC"});
  QCOMPARE(fixtures::localTableLayout(dir), "OBJECT NAME string 30 required, OBJECT SOURCE memo 20; key 0");
  QCOMPARE(PxHeader(dir + "/DVSRC.DB"), RepoHeader(1257));
  auto cur = conn->OpenTable("DVSRC", {}, false);
  QVERIFY(cur->CanModify());
  Put(*cur, {"First", "text"});
  QCOMPARE(KeysThroughPrimaryIndex(dir), QStringList{"First"});

  QVERIFY_REFUSED(conn->AddIndex("DVSRC", TIndexDef{QString(), {kSource}, true, true}), "*first fields*");
  QVERIFY_REFUSED(conn->AddIndex("DVSRC", TIndexDef{"BYSRC", {kName}, false, false}), "*only a primary index*");
  QVERIFY_REFUSED(conn->OpenTable("MISSING", {}, true), "*does not exist*");
  QVERIFY_REFUSED(conn->CreateTable("dvsrc", RepoFields()), "*already exists*");
}

void TestParadox::rowsRoundTripInKeyOrder() {
  TRepo r("roundtrip");
  // Memo lengths around every boundary: in the record, shared blocks, blocks of their own.
  QHash<QString, QString> want;
  const int lengths[] = {0, 1, 19, 20, 21, 100, 2047, 2048, 2049, 4087, 4088, 70000};
  int n = 0;
  for (int len : lengths) {
    QString text;
    while (text.size() < len)
      text += QStringLiteral("rinda %1 ar āčē\r\n").arg(text.size());
    text.truncate(len);
    const QString name = QStringLiteral("%1entry %2").arg(n % 2 ? "b" : "B").arg(n);
    const TRow row = Put(*r.Cur, {name + "   ", text});
    QCOMPARE(row[0].toString(), name);  // trailing blanks are not kept
    QCOMPARE(row[1].isValid(), len > 0);
    want.insert(name, text);
    ++n;
  }
  QVector<TRow> rows = ReadAll(*r.Conn);
  QCOMPARE(AsMap(rows), want);
  for (int i = 1; i < rows.size(); ++i)
    QVERIFY(rows[i - 1][0].toString().compare(rows[i][0].toString(), Qt::CaseInsensitive) <= 0);

  // Edit, rename and delete through a cursor opened before the other changes.
  TRow old = rows[3], changed = rows[3];
  changed[1] = "jauns teksts";
  r.Cur->Update(old, changed);
  TRow renamed = changed;
  renamed[0] = "Aaa first now";
  r.Cur->Update(changed, renamed);
  r.Cur->Delete(rows[5]);
  want.remove(old[0].toString());
  want.insert("Aaa first now", "jauns teksts");
  want.remove(rows[5][0].toString());
  rows = ReadAll(*r.Conn);
  QCOMPARE(AsMap(rows), want);
  QCOMPARE(rows.first()[0].toString(), "Aaa first now");
  QCOMPARE(KeysThroughPrimaryIndex(r.Dir).size(), want.size());

  // An order asked for by field name.
  QVector<TRow> bySource;
  r.Conn->OpenTable("DVSRC.DB", {kSource}, true)->Fetch(bySource, -1);
  QVERIFY(!bySource.first()[1].isValid());
}

void TestParadox::refusedValuesLeaveTableIntact() {
  TRepo r("refuse");
  const TRow same = Put(*r.Cur, {"Same", "one"});
  Put(*r.Cur, {"same", "case differs"});  // names differing in case are different keys
  Put(*r.Cur, {"Ģērbšanās", "Āboliņš, čūska, žagata; Ü Ö ä"});
  QVERIFY(fixtures::readFile(r.Dir + "/DVSRC.DB").contains(QByteArray::fromHex("cce77262f0616ee273")));  // cp 1257

  TRow renamed = same;
  renamed[0] = "same";
  auto ro = r.Conn->OpenTable("DVSRC.DB", {}, true);
  QVERIFY(!ro->CanModify());
  QVERIFY_REFUSED(Put(*r.Cur, {"Same", "two"}), "Key violation");
  QVERIFY_REFUSED(r.Cur->Update(same, renamed), "Key violation");
  QVERIFY_REFUSED(Put(*r.Cur, {"  ", "x"}), "Field 'OBJECT NAME' must have a value");
  QVERIFY_REFUSED(Put(*r.Cur, {QVariant(), "x"}), "Field 'OBJECT NAME' must have a value");
  QVERIFY_REFUSED(Put(*r.Cur, {QString(31, u'n'), QString()}), "*too long*");
  QVERIFY_REFUSED(Put(*r.Cur, {"Кириллица", "x"}), "*'К'*1257*");
  QVERIFY_REFUSED(Put(*r.Cur, {"emoji", "ok 😀"}), "*OBJECT SOURCE*");
  QVERIFY_REFUSED(Put(*ro, {"read only", "x"}), "*read-only*");
  QCOMPARE(AsMap(ReadAll(*r.Conn)),
           (QHash<QString, QString>{
               {"Same", "one"}, {"same", "case differs"}, {"Ģērbšanās", "Āboliņš, čūska, žagata; Ü Ö ä"}}));
}

void TestParadox::otherTablesRoundTrip() {
  const QString dir = NewDir("types");
  auto conn = openLocalConnection(dir);
  // Without a key equal rows may repeat; edits and deletes find the row by all its values. A
  // second program sees the required flag too.
  conn->CreateTable(
      "NOTES", {TFieldDef{"ID", TFieldType::ftInteger, 0, false}, TFieldDef{"TITLE", TFieldType::ftString, 40, true},
                TFieldDef{"BODY", TFieldType::ftMemo, 10, false}});
  QCOMPARE(fixtures::localTableLayout(dir, "notes.db"), "ID integer 0, TITLE string 40 required, BODY memo 10; key");
  auto other = openLocalConnection(dir);
  auto notes = other->OpenTable("notes.db", {}, false);
  QVERIFY_REFUSED(Put(*notes, {1, QVariant(), "body"}), "Field 'TITLE' must have a value");
  TRow row = Put(*notes, {1, "t", "b"}), twin = Put(*notes, row);
  TRow edited{1, "t2", "b"};
  notes->Update(row, edited);
  notes->Delete(twin);
  QCOMPARE(ReadAll(*conn, "NOTES"), QVector<TRow>{edited});

  conn->CreateTable("T.DB", {TFieldDef{"K", TFieldType::ftInteger, 0, true}, TFieldDef{"S", TFieldType::ftSmallint},
                             TFieldDef{"F", TFieldType::ftFloat}, TFieldDef{"B", TFieldType::ftBoolean},
                             TFieldDef{"D", TFieldType::ftDate}, TFieldDef{"TM", TFieldType::ftTime},
                             TFieldDef{"TS", TFieldType::ftDateTime}, TFieldDef{"BL", TFieldType::ftBlob, 5}});
  conn->AddIndex("T.DB", TIndexDef{QString(), {"K"}, true, true});
  auto cur = conn->OpenTable("T.DB", {}, false);
  const QDateTime ts(QDate(2024, 2, 29), QTime(23, 59, 58, 123));
  const QVector<TRow> rows = {
      Put(*cur, {-5, -32767, -1.25, false, QDate(1, 1, 1), QTime(0, 0, 1), ts, QByteArray("\x00\x01 blob bytes", 13)}),
      Put(*cur, {0, 0, 0.0, true, QDate(1999, 12, 31), QTime(12, 0), QDateTime(QDate(1970, 1, 1), QTime(0, 0)), {}}),
      Put(*cur, {7, {}, {}, {}, {}, {}, {}, {}})};
  QCOMPARE(ReadAll(*conn, "T"), rows);
  QVERIFY_REFUSED(Put(*cur, {8, 40000, 0, 0, 0, 0, 0, 0}), "*Invalid value for field 'S'*");
}

void TestParadox::pxlibReadsOurTablesAndWeReadItsTables() {
  // A table written by pxlib, read and extended here.
  const QString dir = NewDir("foreign");
  QByteArray big = "big " + QByteArray(5000, 'x'), mid(600, 'm');
  WriteForeignRepo(dir, {{"Alpha", "short"},
                         {"Beta", QByteArray("caf\xE9 cr\xE8me")},  // code page 1252
                         {"Delta", mid},
                         {"Epsilon", big},
                         {"Gamma", ""}});
  QVERIFY(!QFile::exists(dir + "/DVSRC.DB.lck"));
  auto conn = openLocalConnection(dir);
  QVector<TRow> rows = ReadAll(*conn);
  QCOMPARE(rows, (QVector<TRow>{{"Alpha", "short"},
                                {"Beta", "café crème"},
                                {"Delta", QString::fromLatin1(mid)},
                                {"Epsilon", QString::fromLatin1(big)},
                                {"Gamma", QVariant()}}));
  auto cur = conn->OpenTable("DVSRC.DB", {}, false);
  Put(*cur, {"Bravo", "née"});
  TRow edited = rows[3];
  edited[1] = "smaller now";
  cur->Update(rows[3], edited);
  rows = ReadAll(*conn);
  QCOMPARE(rows.size(), 6);
  QCOMPARE(AsMap(rows).value("Delta"), QString::fromLatin1(mid));
  QCOMPARE(AsMap(rows).value("Bravo"), "née");
  QCOMPARE(AsMap(rows).value("Epsilon"), "smaller now");
  QCOMPARE(KeysThroughPrimaryIndex(dir), (QStringList{"Alpha", "Beta", "Bravo", "Delta", "Epsilon", "Gamma"}));
  QCOMPARE(PxHeader(dir + "/DVSRC.DB"), RepoHeader(1252));  // the table keeps its code page

  // Enough rows written here for two index levels, read by pxlib through the index.
  const QString many = NewDir("many");
  CreateRepo(*openLocalConnection(many));
  {
    TPxChange change(TPxFiles(many, "DVSRC.DB"));
    for (int i = 0; i < 12000; ++i)
      change.Insert(
          TRow{QStringLiteral("N%1").arg(11999 - i, 5, 10, QLatin1Char('0')), RepoMemoText(QString::number(i), i % 7)});
    change.Commit();
  }
  const QStringList keys = KeysThroughPrimaryIndex(many);
  QCOMPARE(keys.size(), 12000);
  QCOMPARE(keys.first(), "N00000");
  QCOMPARE(keys.last(), "N11999");
  rows = ReadAll(*openLocalConnection(many));
  QCOMPARE(rows.size(), 12000);
  QCOMPARE(rows[5][1].toString(), RepoMemoText(QString::number(11994), 11994 % 7));
}

void TestParadox::twoConnectionsNeverOverwriteEachOther() {
  TRepo a("twoconn");
  auto b = openLocalConnection(a.Dir);
  auto cb = b->OpenTable("DVSRC.DB", {}, false);  // opened empty, never re-read
  const TRow r1 = Put(*a.Cur, {"from A", "a"}), r2 = Put(*cb, {"from B", "b"});
  QCOMPARE(AsMap(ReadAll(*a.Conn)).size(), 2);
  QCOMPARE(AsMap(ReadAll(*b)).size(), 2);

  QVERIFY_REFUSED(Put(*cb, {"from A", "again"}), "Key violation");
  TRow a2 = r1, b2 = r1;  // B still holds the row as it was
  a2[1] = "changed by A";
  a.Cur->Update(r1, a2);
  b2[1] = "changed by B";
  QVERIFY_REFUSED(cb->Update(r1, b2), "*another user changed the record*");
  QVERIFY_REFUSED(cb->Delete(r1), "*another user changed the record*");
  a.Cur->Delete(r2);
  TRow b3 = r2;
  b3[1] = "edit of a deleted row";
  QVERIFY_REFUSED(cb->Update(r2, b3), "Record/key deleted");
  QVERIFY_REFUSED(cb->Delete(r2), "Record/key deleted");
  QCOMPARE(AsMap(ReadAll(*b)), (QHash<QString, QString>{{"from A", "changed by A"}}));
}

void TestParadox::memoFileIsPackedWhenMostlyUnused() {
  TRepo r("pack");
  Put(*r.Cur, {"keep", QString(500, u'k')});
  TRow row = Put(*r.Cur, {"busy", QString()});
  const QString mb = r.Dir + "/DVSRC.MB";
  qint64 largest = 0;
  for (int i = 0; i < 150; ++i) {
    TRow next{"busy", QString(9000 + i, QChar(u'a' + i % 26))};
    r.Cur->Update(row, next);
    row = next;
    largest = qMax(largest, QFileInfo(mb).size());
  }
  QVERIFY2(largest > (1 << 20), "the memo file grows while it is written in place");
  QVERIFY2(QFileInfo(mb).size() < largest, "and is written anew, packed, once mostly unused");
  QCOMPARE(AsMap(ReadAll(*r.Conn)),
           (QHash<QString, QString>{{"busy", row[1].toString()}, {"keep", QString(500, u'k')}}));
}

void TestParadox::damagedOrIrregularFilesRaiseErrors() {
  TRepo r("damaged");
  for (int i = 0; i < 40; ++i)
    Put(*r.Cur, {QStringLiteral("row %1").arg(i), QString(i * 60, u'q')});
  Put(*r.Cur, {"long", QString(3000, u'x')});  // beyond the leader: read from the memo file
  r.Cur.reset();

  // A FIFO in place of a file would block the program for good, /dev/zero would fill memory.
  // (A table file that is not regular counts as missing.)
  for (const QString &file : {QStringLiteral("DVSRC.MB"), QStringLiteral("DVSRC.DB.req")})
    for (fixtures::Hostile kind : {fixtures::Hostile::Fifo, fixtures::Hostile::Zero}) {
      const QString path = r.Dir + u'/' + file;
      QVERIFY(QFile::copy(path, path + ".keep"));
      fixtures::makeHostileFile(path, kind);
      {
        fixtures::Deadline deadline(5000, "reading a table over a file that is not regular");
        const QString error = fixtures::errorOf<EDatabaseError>([&] { ReadAll(*r.Conn); });
        QVERIFY2(error.contains(QStringLiteral("Cannot open file '%1'").arg(path)),
                 qPrintable(file + u' ' + QLatin1String(fixtures::hostileName(kind)) + u' ' + error));
      }
      QFile::remove(path);
      QVERIFY(QFile::rename(path + ".keep", path));
    }
  QCOMPARE(ReadAll(*r.Conn).size(), 41);

  // Junk, and a real table and memo file damaged here and there: an error or rows, never a crash.
  auto read = [&](const QString &table) { return fixtures::errorOf<EDatabaseError>([&] { ReadAll(*r.Conn, table); }); };
  QRandomGenerator rnd(7);
  for (int i = 0; i < 50; ++i) {
    QByteArray junk(int(rnd.bounded(1, 9000)), '\0');
    for (char &c : junk)
      c = char(rnd.bounded(256));
    fixtures::writeFile(r.Dir + "/JUNK.DB", junk);
    QVERIFY(read("JUNK.DB") != "<no error>");
  }
  const QByteArray image = fixtures::readFile(r.Dir + "/DVSRC.DB");
  for (int i = 0; i < 300; ++i) {
    QByteArray bad = image;
    const int region[] = {0x80, 0x800, int(image.size())};
    for (int k = 0; k < 1 + i % 4; ++k)
      bad[int(rnd.bounded(region[i % 3]))] = char(rnd.bounded(256));
    fixtures::writeFile(r.Dir + "/JUNK.DB", bad);
    read("JUNK.DB");
  }
  const QByteArray memo = fixtures::readFile(r.Dir + "/DVSRC.MB");
  QFile::copy(r.Dir + "/DVSRC.DB", r.Dir + "/MEMO.DB");
  for (int i = 0; i < 200; ++i) {
    QByteArray bad = memo;
    for (int k = 0; k < 1 + i % 8; ++k)
      bad[int(4096 + rnd.bounded(int(memo.size()) - 4096))] = char(rnd.bounded(256));
    fixtures::writeFile(r.Dir + "/MEMO.MB", bad);
    read("MEMO.DB");
  }
  fixtures::writeFile(r.Dir + "/EMPTY.DB", QByteArray());
  QVERIFY_REFUSED(ReadAll(*r.Conn, "EMPTY.DB"), "*EMPTY.DB*");
  QFile::resize(r.Dir + "/DVSRC.MB", 5000);
  QVERIFY_REFUSED(ReadAll(*r.Conn), "*memo file*");
}

void TestParadox::tableThroughTTable() {
  const QString dir = NewDir("ttable");
  TDatabase db;
  db.SetDatabaseName("PXTEST");
  db.SetDriverName("STANDARD");
  db.Params.SetValues("PATH", dir);
  TTable tbl;
  tbl.DatabaseName = "PXTEST";
  tbl.TableName = "DVSRC.DB";
  auto *name = new TStringField(&tbl, kName, 30);
  name->Required = true;
  auto *source = new TMemoField(&tbl, kSource, 20);
  tbl.CreateTable();
  tbl.AddIndex(QString(), kName, true);
  tbl.Open();
  QVERIFY(tbl.IsEmpty());

  // Add as the repository window does: post the name, then edit and post the source.
  auto add = [&](const QString &n, const QByteArray &text) {
    tbl.Insert();
    name->SetAsString(n);
    tbl.Post();
    tbl.Edit();
    TBlobStream(source, TBlobStreamMode::bmWrite).write(text);
    tbl.Post();
  };
  add("Trīs rindas", "viens\r\ndivi\r\ntrīs\r\n");
  add(QString(31, u'Z'), "cut");
  QCOMPARE(name->AsString(), QString(30, u'Z'));
  tbl.Insert();
  name->SetAsString("Trīs rindas");
  QVERIFY_REFUSED(tbl.Post(), "Key violation");
  tbl.Cancel();
  tbl.Insert();
  QVERIFY_REFUSED(tbl.Post(), "Field 'OBJECT NAME' must have a value");
  tbl.Cancel();
  tbl.Edit();
  TBlobStream(source, TBlobStreamMode::bmWrite).write("discarded");
  tbl.Cancel();

  TTable other;  // a second dataset reads what the first stored
  other.DatabaseName = "PXTEST";
  other.TableName = "DVSRC";
  other.ReadOnly = true;
  other.Open();
  QCOMPARE(other.RecordCount(), 2);
  QVERIFY(other.Locate(kName, "Trīs rindas"));
  {
    TBlobStream in(other.FieldByName(kSource), TBlobStreamMode::bmRead);
    TStringList lines;
    lines.LoadFromStream(in);
    QCOMPARE(lines.Lines(), (QStringList{"viens", "divi", "trīs"}));
  }
  QVERIFY(other.Locate(kName, QString(30, u'Z')));
  QCOMPARE(other.FieldByName(kSource)->AsString(), "cut");

  QVERIFY(tbl.Locate(kName, QString(30, u'Z')));
  tbl.Delete();
  other.Refresh();
  QCOMPARE(other.RecordCount(), 1);
  db.Close();
  QVERIFY(!tbl.Active());
}

void TestParadox::twoProcessesWritingAtOnceLoseNothing() {
  const QString dir = NewDir("procs");
  CreateRepo(*openLocalConnection(dir));
  QProcess p1, p2;
  p1.start(ChildPath(), {dir, "P", "1", "60", "insert"});
  p2.start(ChildPath(), {dir, "Q", "2", "60", "insert"});
  QVERIFY(p1.waitForFinished(60000) && p2.waitForFinished(60000));
  QCOMPARE(p1.exitCode(), 0);
  QCOMPARE(p2.exitCode(), 0);
  TExpected exp;
  exp.Apply(p1.readAllStandardOutput());
  exp.Apply(p2.readAllStandardOutput());
  QCOMPARE(exp.Live.size(), 120);
  QHash<QString, QString> table;
  const QString problem = CheckTable(dir, exp, table);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QCOMPARE(KeysThroughPrimaryIndex(dir).size(), 120);
}

void TestParadox::killedWritersNeverLoseReportedEntries() {
  const QString dir = NewDir(QStringLiteral("kill"));
  CreateRepo(*openLocalConnection(dir));
  QRandomGenerator rnd(20240229);
  TExpected exp;
  int kills = 0, rounds = 0, done = 0;
  QElapsedTimer clock;
  clock.start();
  // Two writers at once in every other round; each is killed at a random moment.
  while (kills < 200 || clock.elapsed() < 5000) {
    const int count = rounds % 2 ? 2 : 1;
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int i = 0; i < count; ++i) {
      procs.push_back(std::make_unique<QProcess>());
      procs.back()->start(ChildPath(),
                          {dir, QStringLiteral("K%1x%2").arg(rounds).arg(i), QString::number(rnd.generate() % 100000),
                           QStringLiteral("0"), QStringLiteral("mixed")});
      QVERIFY(procs.back()->waitForStarted());
    }
    QThread::msleep(30 + rnd.bounded(170));
    for (auto &p : procs) {
      ::kill(pid_t(p->processId()), SIGKILL);
      QVERIFY(p->waitForFinished(10000));
      ++kills;
      const QByteArray out = p->readAllStandardOutput();
      done += int(out.count("\nD\n"));
      exp.Apply(out);
    }
    QHash<QString, QString> table;
    const QString problem = CheckTable(dir, exp, table);
    QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("after kill %1: %2").arg(kills).arg(problem)));
    exp.InFlight.clear();  // the table decided them; take what it holds
    for (auto it = table.begin(); it != table.end(); ++it) {
      exp.Deleted.remove(it.key());
      exp.Live.insert(it.key(), RepoMemoVersion(it.value()));
    }
    for (auto it = exp.Live.begin(); it != exp.Live.end();)
      if (!table.contains(it.key())) {
        exp.Deleted.insert(it.key());
        it = exp.Live.erase(it);
      } else {
        ++it;
      }
    ++rounds;
    if (clock.elapsed() > 150000) break;
  }
  QVERIFY2(kills >= 200, qPrintable(QStringLiteral("only %1 kills in time").arg(kills)));
  QVERIFY(KeysThroughPrimaryIndex(dir).size() == exp.Live.size());
  qInfo("%d writers killed in %d rounds, %d changes reported done, %d entries stored", kills, rounds, done,
        int(exp.Live.size()));
}

// A writer is stopped by SIGKILL at the k-th call of one file operation (strace injects the
// signal there), for every k its changes make, for each operation a commit is built of; the
// table then holds every change reported done, and pxlib reads the same entries as the driver.
void TestParadox::writerKilledAtEveryFileOperation() {
  const QString strace = QStandardPaths::findExecutable("strace");
  if (strace.isEmpty()) {
    if (fixtures::underCi()) QFAIL("strace is not installed");
    QSKIP("strace is not installed");
  }
  // The leak check at exit stops the process's threads through ptrace, which strace holds.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
  // The operations' k-th writers run at once, each in a directory of its own.
  QStringList calls = {"rename", "fsync", "pwrite64", "unlink"};
  int kills = 0;
  for (int k = 1; !calls.isEmpty(); ++k) {
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const QString &call : calls) {
      const QString dir = NewDir(QStringLiteral("cut-%1-%2").arg(call).arg(k));
      CreateRepo(*openLocalConnection(dir));
      writers.push_back(std::make_unique<QProcess>());
      writers.back()->setProcessEnvironment(env);
      // Seed 2 makes an insert, an edit, an insert and a delete.
      writers.back()->start(strace, {"-f", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                                     QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(k), ChildPath(), dir,
                                     "C", "2", "4", "mixed"});
    }
    for (const auto &p : writers) {
      const QString call = p->arguments()[4].mid(6), dir = p->arguments()[8];
      QVERIFY2(p->waitForFinished(30000), qPrintable(call));
      const QByteArray out = p->readAllStandardOutput();
      TExpected exp;
      exp.Apply(out);
      const QString where =
          QStringLiteral("killed at %1 #%2 after \"%3\" ").arg(call).arg(k).arg(QString::fromUtf8(out).simplified());
      QHash<QString, QString> table;
      const QString problem = CheckTable(dir, exp, table);
      QVERIFY2(problem.isEmpty(), qPrintable(where + problem));
      QStringList driver;
      for (auto it = table.begin(); it != table.end(); ++it)
        driver << it.key() + " = " + MemoSummary(it.value().toLatin1(), it.value().size());
      driver.sort();
      const QStringList pxlib = KeysThroughPrimaryIndex(dir, true);
      QVERIFY2(pxlib == driver, qPrintable(QStringLiteral("%1\n pxlib reads:  %2\n driver reads: %3")
                                               .arg(where, pxlib.join(", "), driver.join(", "))));
      // The next writer leaves no trace of the killed one.
      const TRow next = Put(*openLocalConnection(dir)->OpenTable("DVSRC.DB", {}, false), {"next", QString(300, u'n')});
      QVERIFY2(QDir(dir).entryList({"*.new", "*.commit"}).isEmpty(), qPrintable(where));
      QCOMPARE(AsMap(ReadAll(*openLocalConnection(dir))).value("next"), next[1].toString());
      if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0) {
        QVERIFY2(k < 400, qPrintable(where));
        ++kills;
        continue;
      }
      // k went past the writer's last call of this operation: it ran to the end.
      QVERIFY2(k > 1, qPrintable("the writer never calls " + call));
      QCOMPARE(out.count("\nD\n"), 4);
      QVERIFY2(out.contains("B U ") && out.contains("B X "), out.constData());
      calls.removeOne(call);
    }
  }
  qInfo("%d writers killed at a file operation", kills);
}

TESSELOR_TEST_MAIN_GUILESS(TestParadox)
#include "test_paradox.moc"

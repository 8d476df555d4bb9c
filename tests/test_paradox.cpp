// The local-table driver ("STANDARD") over real Paradox files: through the driver interface,
// through TTable, against tables written with pxlib directly, with two connections and two
// processes at once, and with writers killed at random moments and at every file operation.
#include "server/dataset.h"
#include "server/db.h"
#include "server/errors.h"
#include "server/paradox.h"
#include "server/paradox_table.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/suite.h"
#include "tests/fixtures/testenv.h"
#include "tests/paradox_memo_text.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
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

const QString kName = QStringLiteral("OBJECT NAME");
const QString kSource = QStringLiteral("OBJECT SOURCE");

QString NewDir(const QString &stem) {
  const QString dir = fixtures::tempPath(stem);
  QDir().mkpath(dir);
  return dir;
}

std::unique_ptr<TDriverConnection> Connect(const QString &dir) {
  auto conn = CreateParadoxConnection();
  TStringList params;
  params.SetValues(QStringLiteral("PATH"), dir);
  conn->Open(params);
  return conn;
}

QList<TFieldDef> RepoFields() {
  return {TFieldDef{kName, TFieldType::ftString, 30, true}, TFieldDef{kSource, TFieldType::ftMemo, 20, false}};
}

void CreateRepo(TDriverConnection &conn) {
  conn.CreateTable(QStringLiteral("DVSRC.DB"), RepoFields());
  conn.AddIndex(QStringLiteral("DVSRC.DB"), TIndexDef{QString(), {kName}, true, true});
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

QByteArray Local(const QString &path) { return QFile::encodeName(path); }

struct TPxErr {
  QString Text;
};
void CollectPxError(pxdoc_t *, int type, const char *msg, void *data) {
  if (type != PX_Warning) static_cast<TPxErr *>(data)->Text += QString::fromLocal8Bit(msg) + u' ';
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
  if (PX_open_file(db, Local(dir + QStringLiteral("/DVSRC.DB")).constData()) == 0 && (blocks = db->px_indexdata, true) &&
      PX_open_file(px, Local(dir + QStringLiteral("/DVSRC.PX")).constData()) == 0 &&
      (indexBlocks = px->px_indexdata, true) && PX_read_primary_index(px) == 0 && PX_add_primary_index(db, px) == 0) {
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
        key += QStringLiteral(" = ") + MemoSummary(rec.mid(30, len - 10), qFromLittleEndian(size));
      }
      keys.append(key);
    }
  }
  // PX_close frees what opening and reading allocated, PX_delete the document; the table uses
  // the index but leaves it to its owner.
  // pxlib frees neither the block list it builds when it opens a table nor the index entries
  // PX_read_primary_index makes (an array, a key each).
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
  return err.Text.isEmpty() ? keys : QStringList{QStringLiteral("pxlib: ") + err.Text};
}

// A repository table as another program writes it with pxlib: keyed on the name, memo file,
// primary index, code page 1252; rows given in key order.
void WriteForeignRepo(const QString &dir, const QList<QPair<QByteArray, QByteArray>> &rows) {
  TPxErr err;
  pxdoc_t *px = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  auto *f = static_cast<pxfield_t *>(px->malloc(px, 2 * sizeof(pxfield_t), "fields"));
  f[0] = pxfield_t{PX_strdup(px, "OBJECT NAME"), char(pxfAlpha), 30, 0};
  f[1] = pxfield_t{PX_strdup(px, "OBJECT SOURCE"), char(pxfMemoBLOb), 30, 0};
  FILE *dbf = fopen(Local(dir + QStringLiteral("/DVSRC.DB")).constData(), "w+");
  FILE *mbf = fopen(Local(dir + QStringLiteral("/DVSRC.MB")).constData(), "w+");
  FILE *pxf = fopen(Local(dir + QStringLiteral("/DVSRC.PX")).constData(), "w+");
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

QString ChildPath() {
  return qEnvironmentVariable("TESSELOR_TEST_BINARY_DIR", QCoreApplication::applicationDirPath()) +
         QStringLiteral("/child_repowriter");
}

}  // namespace

class TestParadox : public QObject {
  Q_OBJECT

private slots:
  void openRefusesMissingDirectory();
  void createsKeyedTableWithMemoAndIndex();
  void rowsRoundTripInKeyOrder();
  void refusesDuplicateEmptyAndOverlongValues();
  void requiredFlagSurvivesReopen();
  void codePageKeptAndForeignTextRefused();
  void readsAndExtendsTableWrittenByPxlib();
  void primaryIndexReadableByPxlibForManyRows();
  void otherTypesRoundTrip();
  void twoConnectionsNeverOverwriteEachOther();
  void memoFileIsPackedWhenMostlyUnused();
  void damagedFilesRaiseErrors();
  void filesThatAreNotRegularAreRefused();
  void tableThroughTTable();
  void twoProcessesWritingAtOnceLoseNothing();
  void killedWritersNeverLoseReportedEntries();
  void writerKilledAtEveryFileOperation();
};

void TestParadox::openRefusesMissingDirectory() {
  auto conn = CreateParadoxConnection();
  TStringList params;
  params.SetValues(QStringLiteral("PATH"), fixtures::tempPath(QStringLiteral("nowhere")));
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] { conn->Open(params); }).startsWith(QStringLiteral("Directory '")));
  QVERIFY(!conn->Connected());

  // Without "PATH" the working directory is the table directory.
  const QString dir = NewDir(QStringLiteral("cwd"));
  const QString old = QDir::currentPath();
  QDir::setCurrent(dir);
  auto here = CreateParadoxConnection();
  here->Open(TStringList());
  CreateRepo(*here);
  QDir::setCurrent(old);
  QVERIFY(QFile::exists(dir + QStringLiteral("/DVSRC.DB")));
  QCOMPARE(here->TableNames(QString(), true, false), QStringList{QStringLiteral("DVSRC.DB")});
  QCOMPARE(here->TableNames(QStringLiteral("dv*"), false, false), QStringList{QStringLiteral("DVSRC")});
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            here->OpenTable(QStringLiteral("MISSING"), {}, true);
          }).contains(QStringLiteral("does not exist")));
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            here->CreateTable(QStringLiteral("dvsrc"), RepoFields());
          }).contains(QStringLiteral("already exists")));
}

void TestParadox::createsKeyedTableWithMemoAndIndex() {
  const QString dir = NewDir(QStringLiteral("create"));
  auto conn = Connect(dir);
  CreateRepo(*conn);
  for (const char *ext : {"DB", "MB", "PX"})
    QVERIFY(QFile::exists(dir + QStringLiteral("/DVSRC.") + QLatin1String(ext)));

  auto cur = conn->OpenTable(QStringLiteral("DVSRC"), {}, false);
  QCOMPARE(cur->Columns().size(), 2);
  QCOMPARE(cur->Columns()[0].DataType, TFieldType::ftString);
  QCOMPARE(cur->Columns()[0].Size, 30);
  QVERIFY(cur->Columns()[0].Required);
  QCOMPARE(cur->Columns()[1].DataType, TFieldType::ftMemo);
  QCOMPARE(cur->Columns()[1].Size, 20);
  QVERIFY(!cur->Columns()[1].Required);
  QCOMPARE(cur->KeyColumns(), QList<int>{0});
  QVERIFY(cur->CanModify());

  // The header as pxlib reads it: keyed on one field, alpha 30, memo with 20 leading bytes.
  TPxErr err;
  pxdoc_t *px = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  QCOMPARE(PX_open_file(px, Local(dir + QStringLiteral("/DVSRC.DB")).constData()), 0);
  QCOMPARE(int(px->px_head->px_filetype), pxfFileTypIndexDB);
  QCOMPARE(px->px_head->px_primarykeyfields, 1);
  QCOMPARE(px->px_head->px_doscodepage, 1257);
  QCOMPARE(int(PX_get_field(px, 0)->px_ftype), pxfAlpha);
  QCOMPARE(PX_get_field(px, 0)->px_flen, 30);
  QCOMPARE(int(PX_get_field(px, 1)->px_ftype), pxfMemoBLOb);
  QCOMPARE(PX_get_field(px, 1)->px_flen, 30);
  PX_close(px);
  PX_delete(px);

  TRow row{QStringLiteral("First"), QStringLiteral("text")};
  cur->Insert(row);
  QCOMPARE(KeysThroughPrimaryIndex(dir), QStringList{QStringLiteral("First")});
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            conn->AddIndex(QStringLiteral("DVSRC"), TIndexDef{QString(), {kSource}, true, true});
          }).contains(QStringLiteral("first fields")));
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            conn->AddIndex(QStringLiteral("DVSRC"), TIndexDef{QStringLiteral("BYSRC"), {kName}, false, false});
          }).contains(QStringLiteral("only a primary index")));
}

void TestParadox::rowsRoundTripInKeyOrder() {
  const QString dir = NewDir(QStringLiteral("roundtrip"));
  auto conn = Connect(dir);
  CreateRepo(*conn);
  auto cur = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
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
    TRow row{name + QStringLiteral("   "), text};
    cur->Insert(row);
    QCOMPARE(row[0].toString(), name);  // trailing blanks are not kept
    QCOMPARE(row[1].isValid(), len > 0);
    want.insert(name, text);
    ++n;
  }
  QVector<TRow> rows = ReadAll(*conn);
  QCOMPARE(AsMap(rows), want);
  for (int i = 1; i < rows.size(); ++i)
    QVERIFY(rows[i - 1][0].toString().compare(rows[i][0].toString(), Qt::CaseInsensitive) <= 0);

  // Edit, rename and delete through a cursor opened before the other changes.
  TRow old = rows[3], changed = rows[3];
  changed[1] = QStringLiteral("jauns teksts");
  cur->Update(old, changed);
  TRow renamed = changed;
  renamed[0] = QStringLiteral("Aaa first now");
  cur->Update(changed, renamed);
  cur->Delete(rows[5]);
  want.remove(old[0].toString());
  want.insert(QStringLiteral("Aaa first now"), QStringLiteral("jauns teksts"));
  want.remove(rows[5][0].toString());
  rows = ReadAll(*conn);
  QCOMPARE(AsMap(rows), want);
  QCOMPARE(rows.first()[0].toString(), QStringLiteral("Aaa first now"));
  QCOMPARE(KeysThroughPrimaryIndex(dir).size(), want.size());

  // An order asked for by field name.
  QVector<TRow> bySource;
  conn->OpenTable(QStringLiteral("DVSRC.DB"), {kSource}, true)->Fetch(bySource, -1);
  QVERIFY(!bySource.first()[1].isValid());
}

void TestParadox::refusesDuplicateEmptyAndOverlongValues() {
  const QString dir = NewDir(QStringLiteral("refuse"));
  auto conn = Connect(dir);
  CreateRepo(*conn);
  auto cur = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  TRow a{QStringLiteral("Same"), QStringLiteral("one")};
  cur->Insert(a);
  TRow dup{QStringLiteral("Same"), QStringLiteral("two")};
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cur->Insert(dup); }), QStringLiteral("Key violation"));
  TRow other{QStringLiteral("same"), QStringLiteral("case differs")};
  cur->Insert(other);  // names differing in case are different keys
  TRow empty{QStringLiteral("  "), QStringLiteral("x")};
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cur->Insert(empty); }),
           QStringLiteral("Field 'OBJECT NAME' must have a value"));
  TRow none{QVariant(), QStringLiteral("x")};
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cur->Insert(none); }),
           QStringLiteral("Field 'OBJECT NAME' must have a value"));
  TRow rename = a;
  rename[0] = QStringLiteral("same");
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cur->Update(a, rename); }), QStringLiteral("Key violation"));
  TRow longName{QString(31, u'n'), QString()};
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] { cur->Insert(longName); }).contains(QStringLiteral("too long")));
  QCOMPARE(AsMap(ReadAll(*conn)).size(), 2);
  QCOMPARE(AsMap(ReadAll(*conn)).value(QStringLiteral("Same")), QStringLiteral("one"));

  auto ro = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, true);
  QVERIFY(!ro->CanModify());
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] { ro->Insert(other); }).contains(QStringLiteral("read-only")));
}

void TestParadox::requiredFlagSurvivesReopen() {
  const QString dir = NewDir(QStringLiteral("required"));
  auto conn = Connect(dir);
  conn->CreateTable(QStringLiteral("NOTES"), {TFieldDef{QStringLiteral("ID"), TFieldType::ftInteger, 0, false},
                                              TFieldDef{QStringLiteral("TITLE"), TFieldType::ftString, 40, true},
                                              TFieldDef{QStringLiteral("BODY"), TFieldType::ftMemo, 10, false}});
  auto other = Connect(dir);  // a second program sees the flag too
  auto cur = other->OpenTable(QStringLiteral("notes.db"), {}, false);
  QVERIFY(cur->Columns()[1].Required);
  QVERIFY(cur->KeyColumns().isEmpty());
  TRow noTitle{1, QVariant(), QStringLiteral("body")};
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cur->Insert(noTitle); }),
           QStringLiteral("Field 'TITLE' must have a value"));
  // Without a key equal rows may repeat; edits and deletes find the row by all its values.
  TRow row{1, QStringLiteral("t"), QStringLiteral("b")};
  TRow twin = row;
  cur->Insert(row);
  cur->Insert(twin);
  TRow edited{1, QStringLiteral("t2"), QStringLiteral("b")};
  cur->Update(row, edited);
  cur->Delete(twin);
  QVector<TRow> rows = ReadAll(*conn, QStringLiteral("NOTES"));
  QCOMPARE(rows.size(), 1);
  QCOMPARE(rows[0][1].toString(), QStringLiteral("t2"));
}

void TestParadox::codePageKeptAndForeignTextRefused() {
  const QString dir = NewDir(QStringLiteral("codepage"));
  auto conn = Connect(dir);
  CreateRepo(*conn);
  auto cur = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  TRow lv{QStringLiteral("Ģērbšanās"), QStringLiteral("Āboliņš, čūska, žagata; Ü Ö ä")};
  cur->Insert(lv);
  QFile db(dir + QStringLiteral("/DVSRC.DB"));
  QVERIFY(db.open(QIODevice::ReadOnly));
  QVERIFY(db.readAll().contains(QByteArray::fromHex("cce77262f0616ee273")));  // the name in code page 1257
  QCOMPARE(AsMap(ReadAll(*conn)).value(QStringLiteral("Ģērbšanās")), lv[1].toString());

  TRow cyr{QStringLiteral("Кириллица"), QStringLiteral("x")};
  const QString e = fixtures::errorOf<EDatabaseError>([&] { cur->Insert(cyr); });
  QVERIFY2(e.contains(QStringLiteral("'К'")) && e.contains(QStringLiteral("1257")), qPrintable(e));
  TRow emoji{QStringLiteral("emoji"), QStringLiteral("ok 😀")};
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] { cur->Insert(emoji); }).contains(QStringLiteral("OBJECT SOURCE")));
  QCOMPARE(ReadAll(*conn).size(), 1);
}

void TestParadox::readsAndExtendsTableWrittenByPxlib() {
  const QString dir = NewDir(QStringLiteral("foreign"));
  QByteArray big(5000, 'x'), mid(600, 'm');
  big.prepend("big ");
  WriteForeignRepo(dir, {{"Alpha", "short"},
                         {"Beta", QByteArray("caf\xE9 cr\xE8me")},  // code page 1252
                         {"Delta", mid},
                         {"Epsilon", big},
                         {"Gamma", ""}});
  QVERIFY(!QFile::exists(dir + QStringLiteral("/DVSRC.DB.lck")));
  auto conn = Connect(dir);
  QVector<TRow> rows = ReadAll(*conn);
  QCOMPARE(rows.size(), 5);
  QCOMPARE(rows[0][0].toString(), QStringLiteral("Alpha"));
  QCOMPARE(rows[0][1].toString(), QStringLiteral("short"));
  QCOMPARE(rows[1][1].toString(), QStringLiteral("café crème"));
  QCOMPARE(rows[2][1].toString(), QString::fromLatin1(mid));
  QCOMPARE(rows[3][1].toString(), QString::fromLatin1(big));
  QVERIFY(!rows[4][1].isValid());

  auto cur = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  TRow added{QStringLiteral("Bravo"), QStringLiteral("née")};
  cur->Insert(added);
  TRow edited = rows[3];
  edited[1] = QStringLiteral("smaller now");
  cur->Update(rows[3], edited);
  rows = ReadAll(*conn);
  QCOMPARE(rows.size(), 6);
  QCOMPARE(AsMap(rows).value(QStringLiteral("Delta")), QString::fromLatin1(mid));
  QCOMPARE(AsMap(rows).value(QStringLiteral("Bravo")), QStringLiteral("née"));
  QCOMPARE(AsMap(rows).value(QStringLiteral("Epsilon")), QStringLiteral("smaller now"));
  QCOMPARE(KeysThroughPrimaryIndex(dir), (QStringList{"Alpha", "Beta", "Bravo", "Delta", "Epsilon", "Gamma"}));
  TPxErr err;
  pxdoc_t *px = PX_new3(CollectPxError, nullptr, nullptr, nullptr, &err);
  QCOMPARE(PX_open_file(px, Local(dir + QStringLiteral("/DVSRC.DB")).constData()), 0);
  QCOMPARE(px->px_head->px_doscodepage, 1252);  // the table keeps its code page
  PX_close(px);
  PX_delete(px);
}

void TestParadox::primaryIndexReadableByPxlibForManyRows() {
  const QString dir = NewDir(QStringLiteral("many"));
  auto conn = Connect(dir);
  CreateRepo(*conn);
  {
    TPxChange change(TPxFiles(dir, QStringLiteral("DVSRC.DB")));
    for (int i = 0; i < 12000; ++i)
      change.Insert(
          TRow{QStringLiteral("N%1").arg(11999 - i, 5, 10, QLatin1Char('0')), RepoMemoText(QString::number(i), i % 7)});
    change.Commit();
  }
  const QStringList keys = KeysThroughPrimaryIndex(dir);  // two index levels by now
  QCOMPARE(keys.size(), 12000);
  QCOMPARE(keys.first(), QStringLiteral("N00000"));
  QCOMPARE(keys.last(), QStringLiteral("N11999"));
  QVector<TRow> rows = ReadAll(*conn);
  QCOMPARE(rows.size(), 12000);
  QCOMPARE(rows[5][1].toString(), RepoMemoText(QString::number(11994), 11994 % 7));
}

void TestParadox::otherTypesRoundTrip() {
  const QString dir = NewDir(QStringLiteral("types"));
  auto conn = Connect(dir);
  conn->CreateTable(
      QStringLiteral("T.DB"),
      {TFieldDef{QStringLiteral("K"), TFieldType::ftInteger, 0, true},
       TFieldDef{QStringLiteral("S"), TFieldType::ftSmallint}, TFieldDef{QStringLiteral("F"), TFieldType::ftFloat},
       TFieldDef{QStringLiteral("B"), TFieldType::ftBoolean}, TFieldDef{QStringLiteral("D"), TFieldType::ftDate},
       TFieldDef{QStringLiteral("TM"), TFieldType::ftTime}, TFieldDef{QStringLiteral("TS"), TFieldType::ftDateTime},
       TFieldDef{QStringLiteral("BL"), TFieldType::ftBlob, 5}});
  conn->AddIndex(QStringLiteral("T.DB"), TIndexDef{QString(), {QStringLiteral("K")}, true, true});
  auto cur = conn->OpenTable(QStringLiteral("T.DB"), {}, false);
  const QDateTime ts(QDate(2024, 2, 29), QTime(23, 59, 58, 123));
  TRow full{-5, -32767, -1.25, false, QDate(1, 1, 1), QTime(0, 0, 1), ts, QByteArray("\x00\x01 blob bytes", 13)};
  TRow zeros{0, 0, 0.0, true, QDate(1999, 12, 31), QTime(12, 0), QDateTime(QDate(1970, 1, 1), QTime(0, 0)), QVariant()};
  TRow nulls{7, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()};
  for (TRow *r : {&full, &zeros, &nulls})
    cur->Insert(*r);
  const QVector<TRow> rows = ReadAll(*conn, QStringLiteral("T"));
  QCOMPARE(rows.size(), 3);
  QCOMPARE(rows[0], full);
  QCOMPARE(rows[1], zeros);
  QCOMPARE(rows[2], nulls);
  TRow big{8, 40000, 0, 0, 0, 0, 0, 0};
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            cur->Insert(big);
          }).contains(QStringLiteral("Invalid value for field 'S'")));
}

void TestParadox::twoConnectionsNeverOverwriteEachOther() {
  const QString dir = NewDir(QStringLiteral("twoconn"));
  auto a = Connect(dir), b = Connect(dir);
  CreateRepo(*a);
  auto ca = a->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  auto cb = b->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);  // opened empty, never re-read
  TRow r1{QStringLiteral("from A"), QStringLiteral("a")}, r2{QStringLiteral("from B"), QStringLiteral("b")};
  ca->Insert(r1);
  cb->Insert(r2);
  QCOMPARE(AsMap(ReadAll(*a)).size(), 2);
  QCOMPARE(AsMap(ReadAll(*b)).size(), 2);

  TRow dup{QStringLiteral("from A"), QStringLiteral("again")};
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cb->Insert(dup); }), QStringLiteral("Key violation"));
  TRow a2 = r1;
  a2[1] = QStringLiteral("changed by A");
  ca->Update(r1, a2);
  TRow b2 = r1;  // B still holds the row as it was
  b2[1] = QStringLiteral("changed by B");
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            cb->Update(r1, b2);
          }).contains(QStringLiteral("another user changed the record")));
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            cb->Delete(r1);
          }).contains(QStringLiteral("another user changed the record")));
  ca->Delete(r2);
  TRow b3 = r2;
  b3[1] = QStringLiteral("edit of a deleted row");
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cb->Update(r2, b3); }), QStringLiteral("Record/key deleted"));
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { cb->Delete(r2); }), QStringLiteral("Record/key deleted"));
  QCOMPARE(AsMap(ReadAll(*b)), (QHash<QString, QString>{{QStringLiteral("from A"), QStringLiteral("changed by A")}}));
}

void TestParadox::memoFileIsPackedWhenMostlyUnused() {
  const QString dir = NewDir(QStringLiteral("pack"));
  auto conn = Connect(dir);
  CreateRepo(*conn);
  auto cur = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  TRow keep{QStringLiteral("keep"), QString(500, u'k')};
  cur->Insert(keep);
  TRow row{QStringLiteral("busy"), QString()};
  cur->Insert(row);
  const QString mb = dir + QStringLiteral("/DVSRC.MB");
  qint64 largest = 0;
  for (int i = 0; i < 150; ++i) {
    TRow next{QStringLiteral("busy"), QString(9000 + i, QChar(u'a' + i % 26))};
    cur->Update(row, next);
    row = next;
    largest = qMax(largest, QFileInfo(mb).size());
  }
  QVERIFY2(largest > (1 << 20), "the memo file grows while it is written in place");
  QVERIFY2(QFileInfo(mb).size() < largest, "and is written anew, packed, once mostly unused");
  const auto map = AsMap(ReadAll(*conn));
  QCOMPARE(map.value(QStringLiteral("busy")), row[1].toString());
  QCOMPARE(map.value(QStringLiteral("keep")), QString(500, u'k'));
}

void TestParadox::damagedFilesRaiseErrors() {
  const QString dir = NewDir(QStringLiteral("damaged"));
  auto conn = Connect(dir);
  auto write = [&](const QString &name, const QByteArray &data) {
    QFile f(dir + u'/' + name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
  };
  QRandomGenerator rnd(7);
  for (int i = 0; i < 50; ++i) {
    QByteArray junk(int(rnd.bounded(1, 9000)), '\0');
    for (char &c : junk)
      c = char(rnd.bounded(256));
    write(QStringLiteral("JUNK.DB"), junk);
    QVERIFY(!fixtures::errorOf<EDatabaseError>([&] { ReadAll(*conn, QStringLiteral("JUNK.DB")); }).isEmpty());
  }
  // A real table with its header damaged here and there.
  CreateRepo(*conn);
  auto filled = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  for (int i = 0; i < 40; ++i) {
    TRow r{QStringLiteral("row %1").arg(i), QString(i * 60, u'q')};
    filled->Insert(r);
  }
  QFile good(dir + QStringLiteral("/DVSRC.DB"));
  QVERIFY(good.open(QIODevice::ReadOnly));
  const QByteArray image = good.readAll();
  for (int i = 0; i < 300; ++i) {
    QByteArray bad = image;
    const int region[] = {0x80, 0x800, int(image.size())};
    for (int k = 0; k < 1 + i % 4; ++k)
      bad[int(rnd.bounded(region[i % 3]))] = char(rnd.bounded(256));
    write(QStringLiteral("JUNK.DB"), bad);
    try {
      ReadAll(*conn, QStringLiteral("JUNK.DB"));
    } catch (const EDatabaseError &) {
    }
  }
  QFile goodMemo(dir + QStringLiteral("/DVSRC.MB"));
  QVERIFY(goodMemo.open(QIODevice::ReadOnly));
  const QByteArray memo = goodMemo.readAll();
  QFile::copy(dir + QStringLiteral("/DVSRC.DB"), dir + QStringLiteral("/MEMO.DB"));
  for (int i = 0; i < 200; ++i) {
    QByteArray bad = memo;
    for (int k = 0; k < 1 + i % 8; ++k)
      bad[int(4096 + rnd.bounded(int(memo.size()) - 4096))] = char(rnd.bounded(256));
    write(QStringLiteral("MEMO.MB"), bad);
    try {
      ReadAll(*conn, QStringLiteral("MEMO.DB"));
    } catch (const EDatabaseError &) {
    }
  }
  write(QStringLiteral("EMPTY.DB"), QByteArray());
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] {
            ReadAll(*conn, QStringLiteral("EMPTY.DB"));
          }).contains(QStringLiteral("EMPTY.DB")));

  auto cur = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  TRow row{QStringLiteral("long"), QString(3000, u'x')};
  cur->Insert(row);
  QFile::resize(dir + QStringLiteral("/DVSRC.MB"), 5000);
  QVERIFY(fixtures::errorOf<EDatabaseError>([&] { ReadAll(*conn); }).contains(QStringLiteral("memo file")));
}

void TestParadox::filesThatAreNotRegularAreRefused() {
  // A FIFO in place of a file would block the program for good, /dev/zero would fill memory.
  const QString dir = NewDir(QStringLiteral("hostile"));
  auto conn = Connect(dir);
  CreateRepo(*conn);
  auto cur = conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
  TRow row{QStringLiteral("long"), QString(3000, u'x')};  // beyond the leader: read from the memo file
  cur->Insert(row);
  cur.reset();
  // (A table file that is not regular counts as missing.)
  for (const QString &file : {QStringLiteral("DVSRC.MB"), QStringLiteral("DVSRC.DB.req")})
    for (fixtures::Hostile kind : {fixtures::Hostile::Fifo, fixtures::Hostile::Zero}) {
      const QString path = dir + u'/' + file;
      QVERIFY(QFile::copy(path, path + QStringLiteral(".keep")));
      fixtures::makeHostileFile(path, kind);
      {
        fixtures::Deadline deadline(5000, "reading a table over a file that is not regular");
        const QString error = fixtures::errorOf<EDatabaseError>([&] { ReadAll(*conn); });
        QVERIFY2(error.contains(QStringLiteral("Cannot open file '%1'").arg(path)),
                 qPrintable(file + u' ' + QLatin1String(fixtures::hostileName(kind)) + u' ' + error));
      }
      QFile::remove(path);
      QVERIFY(QFile::rename(path + QStringLiteral(".keep"), path));
    }
  QCOMPARE(ReadAll(*conn).size(), 1);
}

void TestParadox::tableThroughTTable() {
  const QString dir = NewDir(QStringLiteral("ttable"));
  TDatabase db;
  db.SetDatabaseName(QStringLiteral("PXTEST"));
  db.SetDriverName(QStringLiteral("STANDARD"));
  db.Params.SetValues(QStringLiteral("PATH"), dir);
  TTable tbl;
  tbl.DatabaseName = QStringLiteral("PXTEST");
  tbl.TableName = QStringLiteral("DVSRC.DB");
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
    {
      TBlobStream out(source, TBlobStreamMode::bmWrite);
      out.write(text);
    }
    tbl.Post();
  };
  add(QStringLiteral("Trīs rindas"), "viens\r\ndivi\r\ntrīs\r\n");
  add(QString(31, u'Z'), "cut");
  QCOMPARE(name->AsString(), QString(30, u'Z'));
  tbl.Insert();
  name->SetAsString(QStringLiteral("Trīs rindas"));
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { tbl.Post(); }), QStringLiteral("Key violation"));
  tbl.Cancel();
  tbl.Insert();
  QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { tbl.Post(); }),
           QStringLiteral("Field 'OBJECT NAME' must have a value"));
  tbl.Cancel();
  tbl.Edit();
  {
    TBlobStream out(source, TBlobStreamMode::bmWrite);
    out.write("discarded");
  }
  tbl.Cancel();

  TTable other;  // a second dataset reads what the first stored
  other.DatabaseName = QStringLiteral("PXTEST");
  other.TableName = QStringLiteral("DVSRC");
  other.ReadOnly = true;
  other.Open();
  QCOMPARE(other.RecordCount(), 2);
  QVERIFY(other.Locate(kName, QStringLiteral("Trīs rindas")));
  {
    TBlobStream in(other.FieldByName(kSource), TBlobStreamMode::bmRead);
    TStringList lines;
    lines.LoadFromStream(in);
    QCOMPARE(lines.Lines(), (QStringList{"viens", "divi", "trīs"}));
  }
  QVERIFY(other.Locate(kName, QString(30, u'Z')));
  QCOMPARE(other.FieldByName(kSource)->AsString(), QStringLiteral("cut"));

  QVERIFY(tbl.Locate(kName, QString(30, u'Z')));
  tbl.Delete();
  other.Refresh();
  QCOMPARE(other.RecordCount(), 1);
  db.Close();
  QVERIFY(!tbl.Active());
}

void TestParadox::twoProcessesWritingAtOnceLoseNothing() {
  const QString dir = NewDir(QStringLiteral("procs"));
  CreateRepo(*Connect(dir));
  QProcess p1, p2;
  p1.start(ChildPath(),
           {dir, QStringLiteral("P"), QStringLiteral("1"), QStringLiteral("60"), QStringLiteral("insert")});
  p2.start(ChildPath(),
           {dir, QStringLiteral("Q"), QStringLiteral("2"), QStringLiteral("60"), QStringLiteral("insert")});
  QVERIFY(p1.waitForFinished(60000) && p2.waitForFinished(60000));
  QCOMPARE(p1.exitCode(), 0);
  QCOMPARE(p2.exitCode(), 0);
  TExpected exp;
  exp.Apply(p1.readAllStandardOutput());
  exp.Apply(p2.readAllStandardOutput());
  QCOMPARE(exp.Live.size(), 120);
  const QString problem = CheckAgainst(exp, AsMap(ReadAll(*Connect(dir))));
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QCOMPARE(KeysThroughPrimaryIndex(dir).size(), 120);
}

void TestParadox::killedWritersNeverLoseReportedEntries() {
  const QString dir = NewDir(QStringLiteral("kill"));
  CreateRepo(*Connect(dir));
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
    const QString unreadable = fixtures::errorOf<EDatabaseError>([&] { table = AsMap(ReadAll(*Connect(dir))); });
    QVERIFY2(unreadable == QStringLiteral("<no error>"),
             qPrintable(QStringLiteral("after kill %1: %2").arg(kills).arg(unreadable)));
    const QString problem = CheckAgainst(exp, table);
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
  const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
  if (strace.isEmpty()) {
    if (fixtures::underCi()) QFAIL("strace is not installed");
    QSKIP("strace is not installed");
  }
  // Seed 2 makes an insert, an edit, an insert and a delete.
  const QStringList writer = {QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("mixed")};
  int kills = 0;
  for (const QString &call :
       {QStringLiteral("rename"), QStringLiteral("fsync"), QStringLiteral("pwrite64"), QStringLiteral("unlink")}) {
    for (int k = 1;; ++k) {
      const QString dir = NewDir(QStringLiteral("cut-%1-%2").arg(call).arg(k));
      CreateRepo(*Connect(dir));
      QProcess p;
      // The leak check at exit stops the process's threads through ptrace, which strace holds.
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("ASAN_OPTIONS"),
                 env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
      p.setProcessEnvironment(env);
      p.start(strace, QStringList{QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                  QStringLiteral("-e"), QStringLiteral("trace=") + call, QStringLiteral("-e"),
                                  QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(k), ChildPath(), dir,
                                  QStringLiteral("C")} +
                          writer);
      QVERIFY2(p.waitForFinished(30000), qPrintable(call));
      TExpected exp;
      const QByteArray out = p.readAllStandardOutput();
      exp.Apply(out);
      const QString where =
          QStringLiteral("killed at %1 #%2 after \"%3\"").arg(call).arg(k).arg(QString::fromUtf8(out).simplified());
      QHash<QString, QString> table;
      const QString unreadable = fixtures::errorOf<EDatabaseError>([&] { table = AsMap(ReadAll(*Connect(dir))); });
      QVERIFY2(unreadable == QStringLiteral("<no error>"), qPrintable(where + u' ' + unreadable));
      const QString problem = CheckAgainst(exp, table);
      QVERIFY2(problem.isEmpty(), qPrintable(where + u' ' + problem));
      QStringList driver;
      for (auto it = table.begin(); it != table.end(); ++it)
        driver << it.key() + QStringLiteral(" = ") + MemoSummary(it.value().toLatin1(), it.value().size());
      driver.sort();
      const QStringList pxlib = KeysThroughPrimaryIndex(dir, true);
      QVERIFY2(pxlib == driver,
               qPrintable(QStringLiteral("%1\n pxlib reads:  %2\n driver reads: %3")
                              .arg(where, pxlib.join(QStringLiteral(", ")), driver.join(QStringLiteral(", ")))));
      // The next writer leaves no trace of the killed one.
      TRow next{QStringLiteral("next"), QString(300, u'n')};
      Connect(dir)->OpenTable(QStringLiteral("DVSRC.DB"), {}, false)->Insert(next);
      QVERIFY2(QDir(dir).entryList({QStringLiteral("*.new"), QStringLiteral("*.commit")}).isEmpty(), qPrintable(where));
      QCOMPARE(AsMap(ReadAll(*Connect(dir))).value(QStringLiteral("next")), next[1].toString());
      if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QVERIFY2(k < 400, qPrintable(where));
        ++kills;
        continue;
      }
      // k went past the writer's last call of this operation: it ran to the end.
      QVERIFY2(k > 1, qPrintable(QStringLiteral("the writer never calls %1").arg(call)));
      QCOMPARE(out.count("\nD\n"), 4);
      QVERIFY2(out.contains("B U ") && out.contains("B X "), out.constData());
      break;
    }
  }
  qInfo("%d writers killed at a file operation", kills);
}

TESSELOR_TEST_MAIN_GUILESS(TestParadox)
#include "test_paradox.moc"

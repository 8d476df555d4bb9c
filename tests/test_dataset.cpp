// The record-set layer against real embedded Firebird databases.
#include "base/errors.h"
#include "base/lines.h"
#include "data/dataset.h"
#include "data/db.h"
#include "tests/fixtures/suite.h"

#include "tests/fixtures/firebird.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

namespace {

const char *const kTables = R"SQL(
CREATE TABLE PEOPLE (ID INTEGER NOT NULL PRIMARY KEY, NAME CHAR(10), NOTE VARCHAR(20), BIO BLOB SUB_TYPE TEXT);
CREATE TABLE LOOSE (A INTEGER, B VARCHAR(10));
INSERT INTO PEOPLE VALUES (1, 'ann', 'pad  ', 'first');
INSERT INTO PEOPLE VALUES (2, 'bob', NULL, NULL);
INSERT INTO PEOPLE VALUES (3, 'cy', 'x', 'line1' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'line2');
INSERT INTO LOOSE VALUES (1, 'a');
INSERT INTO LOOSE VALUES (1, 'a');
CREATE GENERATOR G_AUTO;
CREATE TABLE AUTOKEY (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(10) DEFAULT 'dflt' NOT NULL);
SET TERM ^;
CREATE TRIGGER AUTOKEY_BI FOR AUTOKEY BEFORE INSERT AS BEGIN
  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(G_AUTO, 1) + 100; END^
SET TERM ;^
CREATE TABLE NUMBERS (ID INTEGER NOT NULL PRIMARY KEY, PRICE NUMERIC(9,2), TOTAL NUMERIC(18,4), QTY SMALLINT, N INTEGER);
INSERT INTO NUMBERS VALUES (1, 12.34, 123456.7891, 5, 7);
CREATE TABLE KINDS (KIND INTEGER NOT NULL PRIMARY KEY, LABEL VARCHAR(10));
INSERT INTO KINDS VALUES (1, 'one');
CREATE VIEW LOOSE_KINDS (A, B, LABEL) AS SELECT L.A, L.B, K.LABEL FROM LOOSE L JOIN KINDS K ON K.KIND = L.A;
SET TERM ^;
CREATE TRIGGER LOOSE_KINDS_BU FOR LOOSE_KINDS BEFORE UPDATE AS BEGIN
  UPDATE LOOSE SET B = NEW.B WHERE A = OLD.A AND B = OLD.B; END^
SET TERM ;^
)SQL";

// Resident memory of this process in bytes.
qint64 ResidentBytes() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  return f.readAll().split(' ').value(1).toLongLong() * 4096;
}

template <class T>
void Open(T &t, const QString &nameOrSql, const QString &order = QString()) {
  t.DatabaseName = QStringLiteral("TESTDB");
  if constexpr (std::is_same_v<T, TQuery>)
    t.SQL.SetText(nameOrSql);
  else {
    t.TableName = nameOrSql;
    t.IndexFieldNames = order;
  }
  t.Open();
}

TField *F(TDataSet &t, const QString &name) { return t.FieldByName(name); }
QString S(TDataSet &t, const QString &name) { return t.FieldByName(name)->AsString(); }
// Every row from the first as "cell|cell|...", a null cell as "<null>".
QStringList Rows(TDataSet &t) {
  QStringList rows;
  for (t.First(); !t.Eof(); t.Next()) {
    QStringList cells;
    for (TField *f : t.Fields())
      cells << (f->IsNull() ? QStringLiteral("<null>") : f->AsString());
    rows << cells.join(QLatin1Char('|'));
  }
  return rows;
}

}  // namespace

// Every test gets its own copy of one database made at the start, so none sees what another
// changed, whatever the order they run in.
class TestDataSet : public QObject {
  Q_OBJECT
  fixtures::FbDatabase FTemplate;
  QString path;
  TDatabase *db = nullptr;

private slots:
  void initTestCase() {
    FTemplate = fixtures::createDatabase(3, fixtures::Content::OddNames, fixtures::Access::Embedded,
                                         QString::fromUtf8(kTables));
    db = new TDatabase;
    db->SetDatabaseName(QStringLiteral("TESTDB"));
    db->SetDriverName(QStringLiteral("INTRBASE"));
    db->Params.SetValues(QStringLiteral("USER NAME"), QStringLiteral("SYSDBA"));
    db->Params.SetValues(QStringLiteral("PASSWORD"), QStringLiteral("x"));
  }
  void init() {
    db->Close();
    path = fixtures::tempPath(QStringLiteral("data"), QStringLiteral(".fdb"));
    QVERIFY(QFile::copy(FTemplate.file, path));
    db->Params.SetValues(QStringLiteral("SERVER NAME"), path);
  }
  void cleanupTestCase() { delete db; }

  void lineListForms() {
    QCOMPARE(TStringList::SplitLines(QStringLiteral("a\rb\nc\r\nd")), QStringList({"a", "b", "c", "d"}));
    QCOMPARE(TStringList::SplitLines(QStringLiteral("a\r\n\r\nb\r\n")), QStringList({"a", "", "b"}));
    QCOMPARE(TStringList::SplitLines(QString::fromUtf8("a\nb\0c\nd", 7)), QStringList({"a", "b"}));
    TStringList l(QStringList{"x", "y"});
    QCOMPARE(l.Text(), QStringLiteral("x\r\ny\r\n"));
    QCOMPARE(l.EditorText(), QStringLiteral("x\r\ny"));
    QCOMPARE(l.IndexOf(QStringLiteral("Y")), 1);
    TStringList p;
    p.SetValues(QStringLiteral("PATH"), QStringLiteral("/tmp"));
    p.SetValues(QStringLiteral("USER NAME"), QStringLiteral("SYSDBA"));
    p.SetValues(QStringLiteral("path"), QString());
    QCOMPARE(p.Lines(), QStringList({"USER NAME=SYSDBA"}));
  }

  void loginProtocol() {
    TDatabase d;
    d.SetDatabaseName(QStringLiteral("LOGINDB"));
    d.SetDriverName(QStringLiteral("INTRBASE"));
    d.LoginPrompt = true;
    d.Params.SetValues(QStringLiteral("SERVER NAME"), path);
    d.Params.SetValues(QStringLiteral("USER NAME"), QStringLiteral("sysdba"));
    d.Params.SetValues(QStringLiteral("PASSWORD"), QStringLiteral("designtime"));
    QStringList seen;
    d.OnLogin = [&](TDatabase *, TStringList &login) {
      seen = login.Lines();
      login.SetValues(QStringLiteral("USER NAME"), QStringLiteral("SYSDBA"));
      login.SetValues(QStringLiteral("PASSWORD"), QStringLiteral("x"));
    };
    d.Open();
    QVERIFY(d.Connected());
    QCOMPARE(seen, QStringList({"USER NAME=sysdba"}));
    QCOMPARE(d.Params.Values(QStringLiteral("USER NAME")), QStringLiteral("SYSDBA"));
    d.Close();
    d.OnLogin = [](TDatabase *, TStringList &) { throw Exception(QStringLiteral("Login canceled")); };
    QVERIFY_THROWS_EXCEPTION(Exception, d.Open());
    QVERIFY(!d.Connected());
  }

  // Reading: CHAR without its pad, VARCHAR as stored, memos by value and by stream, nulls,
  // parameters by name, and the engine's message when a table or a column is not there.
  void readingValues() {
    TTable t;
    Open(t, QStringLiteral("PEOPLE"), QStringLiteral("ID"));
    QCOMPARE(Rows(t), QStringList({"1|ann|pad  |first", "2|bob|<null>|<null>", "3|cy|x|line1\r\nline2"}));
    QVERIFY(F(t, "BIO")->IsMemo());
    TBlobStream s(F(t, "BIO"), TBlobStreamMode::bmRead);
    TStringList lines;
    lines.LoadFromStream(s);
    QCOMPARE(lines.Lines(), QStringList({"line1", "line2"}));
    t.Prior();
    QCOMPARE(S(t, "BIO"), QString());  // a null memo reads empty

    TQuery q;
    q.DatabaseName = QStringLiteral("TESTDB");
    q.SQL.SetText(QStringLiteral(
        "SELECT NAME FROM PEOPLE WHERE ID = :Id OR ID = :\"Other Id\" OR NAME = ':notparam' ORDER BY ID"));
    QCOMPARE(q.ParamNames(), QStringList({"Id", "Other Id"}));
    q.ParamByName(QStringLiteral("ID"), QStringLiteral("1"));
    q.ParamByName(QStringLiteral("other id"), QStringLiteral("3"));
    q.Open();
    QCOMPARE(Rows(q), QStringList({"ann", "cy"}));

    TTable missing;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Open(missing, QStringLiteral("NO_SUCH_TABLE")));
    QVERIFY(!missing.Active());
    TQuery bad;
    const QString error =
        fixtures::errorOf<EDatabaseError>([&] { Open(bad, QStringLiteral("SELECT NOPE FROM PEOPLE")); });
    QVERIFY2(error.contains(QStringLiteral("NOPE")), qPrintable(error));
  }

  void declaredCalculatedAndFiltered() {
    TTable t;
    auto *id = new TIntegerField(&t, QStringLiteral("ID"));
    auto *name = new TStringField(&t, QStringLiteral("NAME"), 10);
    name->SetDisplayLabel(QStringLiteral("Name"));
    auto *calc = new TStringField(&t, QStringLiteral("UPPER"), 20);
    calc->Calculated = true;
    t.OnCalcFields = [&](TDataSet *ds) { F(*ds, "UPPER")->SetAsString(name->AsString().toUpper()); };
    t.Filtered = true;
    t.OnFilterRecord = [&](TDataSet *, bool &accept) { accept = id->AsInteger() != 2; };
    Open(t, QStringLiteral("PEOPLE"), QStringLiteral("ID"));
    QCOMPARE(Rows(t), QStringList({"1|ann|ANN", "3|cy|CY"}));  // exactly the declared fields
    t.First();
    t.Next();
    t.SetFiltered(false);
    QCOMPARE(t.RecordCount(), 3);
    QCOMPARE(id->AsInteger(), 3);  // re-filtering keeps the current row
    t.Close();
    QCOMPARE(t.FieldCount(), 3);  // declared fields survive Close
    QCOMPARE(id->AsString(), QString());
  }

  // Inserts, edits and deletes reach the server: a size limit on assignment, blobs by stream,
  // a duplicate key refused, columns a trigger or a default fills, and numbers that keep their
  // values (a value a column cannot hold is refused, never stored wrapped around).
  void editingWritesRows() {
    TTable t;
    Open(t, QStringLiteral("PEOPLE"), QStringLiteral("ID"));
    t.Insert();
    F(t, "ID")->SetAsInteger(10);
    F(t, "NAME")->SetAsString(QStringLiteral("dora-is-a-long-name"));
    t.Post();
    QCOMPARE(S(t, "NAME"), QStringLiteral("dora-is-a-"));
    t.Edit();
    {
      TBlobStream w(F(t, "BIO"), TBlobStreamMode::bmWrite);
      w.write("a\r\nb");
    }
    t.Post();
    t.Refresh();
    QCOMPARE(F(t, "ID")->AsInteger(), 10);
    QCOMPARE(S(t, "BIO"), QStringLiteral("a\r\nb"));
    // Another dataset sees the committed row.
    TQuery q;
    Open(q, QStringLiteral("SELECT COUNT(*) AS N FROM PEOPLE WHERE ID = 10"));
    QCOMPARE(F(q, "N")->AsInteger(), 1);
    t.Delete();
    q.Close();
    q.Open();
    QCOMPARE(F(q, "N")->AsInteger(), 0);
    // A duplicate key is refused with the server's message and the row stays in insert state.
    t.Insert();
    F(t, "ID")->SetAsInteger(1);
    const QString duplicate = fixtures::errorOf<EDatabaseError>([&] { t.Post(); });
    QVERIFY2(duplicate.contains(QStringLiteral("PRIMARY")) || duplicate.contains(QStringLiteral("unique")),
             qPrintable(duplicate));
    QCOMPARE(t.State(), TDataSetState::dsInsert);
    t.Cancel();

    TTable a;
    Open(a, QStringLiteral("AUTOKEY"));
    a.Insert();
    a.Post();
    QCOMPARE(F(a, "ID")->AsInteger(), 101);  // the key the trigger gave
    a.Edit();
    F(a, "TXT")->SetAsString(QStringLiteral("edited"));
    a.Post();
    a.Refresh();
    QCOMPARE(Rows(a), QStringList({"101|edited"}));

    TTable n;
    Open(n, QStringLiteral("NUMBERS"));
    QCOMPARE(S(n, "PRICE"), QStringLiteral("12.34"));
    n.Edit();
    F(n, "PRICE")->SetAsString(QStringLiteral("56.78"));  // a scaled number takes a fraction
    F(n, "TOTAL")->SetAsString(QStringLiteral("0.5"));
    n.Post();
    n.Edit();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, F(n, "QTY")->SetAsString(QStringLiteral("70000")));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, F(n, "N")->SetAsString(QStringLiteral("3000000000")));
    n.Cancel();
    n.Close();
    n.Open();
    QCOMPARE(Rows(n), QStringList({"1|56.78|0.5000|5|7"}));
  }

  void rowsWithoutKeyUseDbKey() {
    TTable t;
    Open(t, QStringLiteral("LOOSE"));
    QCOMPARE(t.FieldCount(), 2);  // the row identity is not a field
    t.Edit();
    F(t, "B")->SetAsString(QStringLiteral("changed"));
    t.Post();
    t.Close();
    t.Open();
    QStringList rows = Rows(t);
    rows.sort();
    QCOMPARE(rows, QStringList({"1|a", "1|changed"}));  // only one of the two identical rows changed
    t.Close();
    // A view over two tables has a key twice as long; an updatable one takes edits too.
    TTable v;
    Open(v, QStringLiteral("LOOSE_KINDS"));
    QVERIFY(v.Locate(QStringLiteral("B"), QStringLiteral("changed")));
    v.Edit();
    F(v, "B")->SetAsString(QStringLiteral("via view"));
    v.Post();
    t.Open();
    rows = Rows(t);
    rows.sort();
    QCOMPARE(rows, QStringList({"1|a", "1|via view"}));
  }

  // Closing a dataset discards a pending insert; Refresh keeps the current row and tells the
  // controls once they are no longer suspended; closing the database closes its datasets.
  void closingAndRefreshing() {
    TTable t;
    Open(t, QStringLiteral("PEOPLE"), QStringLiteral("ID"));
    t.Insert();
    F(t, "ID")->SetAsInteger(99);
    t.Close();
    t.Open();
    QVERIFY(!t.Locate(QStringLiteral("ID"), 99));
    t.First();
    t.Next();
    t.Next();
    QCOMPARE(F(t, "ID")->AsInteger(), 3);
    int changes = 0;
    connect(&t, &TDataSet::DataSetChanged, this, [&] { ++changes; });
    t.DisableControls();
    t.DisableControls();
    t.Refresh();
    t.EnableControls();
    QCOMPARE(changes, 0);  // suspension is counted
    t.EnableControls();
    QCOMPARE(changes, 1);
    QCOMPARE(F(t, "ID")->AsInteger(), 3);

    db->Close();
    QVERIFY(!t.Active());
    QVERIFY(!db->Connected());
    t.Open();  // opening a dataset opens its database first
    QVERIFY(db->Connected());
    QStringList names;
    Session().GetTableNames(QStringLiteral("TESTDB"), QString(), false, false, names);
    QCOMPARE(names, QStringList({"AUTOKEY", "KINDS", "LOOSE", "LOOSE_KINDS", "NUMBERS", "PEOPLE", "loose \"t\"",
                                 "odd \"q\" table"}));
  }

  // A million rows: opening and moving through the first hundred fetches a batch at a time.
  void hugeTableOpensWithoutReadingItAll() {
    const fixtures::FbDatabase big = fixtures::createDatabase(
        3, fixtures::Content::Empty, fixtures::Access::Embedded,
        QStringLiteral("CREATE TABLE BIG (ID INTEGER NOT NULL, TXT VARCHAR(20));\n"
                       "SET TERM ^;\nEXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 1000000) DO BEGIN "
                       "INSERT INTO BIG VALUES (:I, 'row ' || :I); I = I + 1; END END^\nSET TERM ;^\n"));
    db->Params.SetValues(QStringLiteral("SERVER NAME"), big.file);
    db->Open();
    const qint64 before = ResidentBytes();
    TTable t;
    Open(t, QStringLiteral("BIG"));
    for (int i = 0; i < 99; ++i)
      t.Next();
    QCOMPARE(S(t, "TXT"), QStringLiteral("row 99"));
    QVERIFY(!t.AllFetched());
    QVERIFY(t.RecordCount() < 1000);
    // All rows in memory would take well over 50 MB.
    const qint64 grown = ResidentBytes() - before;
    QVERIFY2(grown < 16 * 1024 * 1024, qPrintable(QStringLiteral("%1 bytes more after opening").arg(grown)));
  }

  // Names the server keeps as typed reach it quoted: reading in an order, editing by primary
  // key, and by row identity where there is none.
  void oddNamesReachTheServerQuoted() {
    const QString col = QStringLiteral("say \"hi\" col");
    TTable t;
    Open(t, QStringLiteral("odd \"q\" table"), col);
    QCOMPARE(S(t, col), QStringLiteral("one"));
    t.Edit();
    F(t, col)->SetAsString(QStringLiteral("changed"));
    t.Post();
    t.Insert();
    F(t, "ID")->SetAsInteger(3);
    F(t, col)->SetAsString(QStringLiteral("three"));
    t.Post();
    QVERIFY(t.Locate(QStringLiteral("ID"), 2));
    t.Delete();
    TTable loose;
    Open(loose, QStringLiteral("loose \"t\""));
    loose.Edit();
    F(loose, "a \"b\" c")->SetAsString(QStringLiteral("y"));
    loose.Post();
    db->Close();
    fixtures::FbDatabase copy = FTemplate;
    copy.file = copy.name = path;
    QCOMPARE(fixtures::query(
                 copy, QStringLiteral("SELECT ID, \"say \"\"hi\"\" col\" FROM \"odd \"\"q\"\" table\" ORDER BY ID")),
             (QList<QVariantList>{{1, QStringLiteral("changed")}, {3, QStringLiteral("three")}}));
    QCOMPARE(fixtures::queryValue(copy, QStringLiteral("SELECT \"a \"\"b\"\" c\" FROM \"loose \"\"t\"\"\"")),
             QVariant(QStringLiteral("y")));
  }
};

TESSELOR_TEST_MAIN_GUILESS(TestDataSet)
#include "test_dataset.moc"

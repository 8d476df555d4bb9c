// The table data window and the table structure window on real dialect-1 and dialect-3
// databases: every column kind edited through the grid and read back from a second
// attachment, inserts, deletes, refused posts, posts that meet a transaction holding the row,
// the pick that posts first, and the structure of tables and views.
#include "app/datamodule.h"
#include "base/errors.h"
#include "data/dataset.h"
#include "firebird/relations.h"
#include "firebird/session.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/grid.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/dbmemo.h"
#include "ui/dbnavigator.h"
#include "ui/memoview.h"
#include "windows/catalog/structure.h"
#include "windows/dataview/tabledata.h"
#include "windows/editing/ddlwindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QToolButton>
#include <QtTest>

using fixtures::Access;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {
// One row of every column kind the server stores (dialect 3), plus a table by a quoted
// name, a procedure and a table nothing depends on.
const QString kKinds3 = QStringLiteral(
    "CREATE TABLE T_KINDS (ID INTEGER NOT NULL PRIMARY KEY, SI SMALLINT, BI BIGINT, N92 NUMERIC(9,2),"
    " N184 NUMERIC(18,4), DEC93 DECIMAL(9,3), FL FLOAT, DB DOUBLE PRECISION, CH CHAR(5), VC VARCHAR(20),"
    " DT DATE, TM TIME, TS TIMESTAMP, BL BOOLEAN, MEMO BLOB SUB_TYPE 1, BIN BLOB SUB_TYPE 0,"
    " OCT VARCHAR(8) CHARACTER SET OCTETS, TWICE COMPUTED BY (ID * 2));\n"
    "INSERT INTO T_KINDS (ID, CH, BIN) VALUES (1, 'x', X'00FF10');\n"
    "INSERT INTO T_KINDS (ID, CH, TM, TS, DB, N92, OCT, MEMO) VALUES (2, '', '00:00:00.0001',"
    " '1999-12-31 23:59:59.9999', 3.141592653589793, 1234567.89, X'00FF10AB', '');\n"
    "CREATE TABLE \"MixedCase\" (\"Id\" INTEGER NOT NULL PRIMARY KEY, \"Val\" VARCHAR(10));\n"
    "INSERT INTO \"MixedCase\" VALUES (1, 'one');\n"
    "CREATE TABLE T_ALONE (A INTEGER);\n"
    "CREATE GENERATOR G_WIDE;\n"
    "CREATE TABLE T_WIDE (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(1000) CHARACTER SET NONE,"
    " U8 VARCHAR(1000) CHARACTER SET UTF8, LAT VARCHAR(200) CHARACTER SET ISO8859_1);\n"
    "CREATE TABLE T_UUID (ID CHAR(16) CHARACTER SET OCTETS NOT NULL PRIMARY KEY, TXT VARCHAR(20));\n"
    "SET TERM ^;\n"
    "CREATE TRIGGER T_WIDE_BI FOR T_WIDE BEFORE INSERT AS BEGIN NEW.ID = GEN_ID(G_WIDE, 1); END^\n"
    "CREATE TRIGGER T_UUID_BI FOR T_UUID BEFORE INSERT AS BEGIN NEW.ID = GEN_UUID(); END^\n"
    "CREATE PROCEDURE P_COUNT RETURNS (N INTEGER) AS BEGIN "
    "SELECT COUNT(*) FROM T_MASTER INTO :N; SUSPEND; END^\nSET TERM ;^\n");
// Dialect 1 has no BIGINT, no TIME, and keeps wide scaled numbers as doubles.
const QString kKinds1 = QStringLiteral(
    "CREATE TABLE T_KINDS (ID INTEGER NOT NULL PRIMARY KEY, SI SMALLINT, N92 NUMERIC(9,2),"
    " N152 NUMERIC(15,2), FL FLOAT, DB DOUBLE PRECISION, CH CHAR(5), VC VARCHAR(20), DT DATE,"
    " BL BOOLEAN, MEMO BLOB SUB_TYPE 1, BIN BLOB SUB_TYPE 0, TWICE COMPUTED BY (ID * 2));\n"
    "INSERT INTO T_KINDS (ID, CH, BIN) VALUES (1, 'x', X'00FF10');\n"
    "CREATE TABLE T_ALONE (A INTEGER);\n");

struct Kind {
  const char *column;
  const char *typed;   // what the user types into the cell
  const char *shown;   // what the cell shows after the post
  const char *stored;  // CAST(column AS VARCHAR(40)) on a second attachment; "<null>" for null
};

const QList<Kind> kKindCases3 = {
    {"SI", "-32768", "-32768", "-32768"},
    {"BI", "9223372036854775807", "9223372036854775807", "9223372036854775807"},
    {"N92", "1234567.89", "1234567.89", "1234567.89"},
    {"N184", "12345678901234.5678", "12345678901234.5678", "12345678901234.5678"},
    {"DEC93", "0.29", "0.290", "0.290"},
    {"FL", "1.5", "1.5", "1.5000000"},
    {"DB", "0.1", "0.1", "0.1000000000000000"},
    {"CH", "ab", "ab", "ab   "},
    {"VC", "Grüße ☃ ok", "Grüße ☃ ok", "Grüße ☃ ok"},
    {"DT", "2024-02-29", "2024-02-29", "2024-02-29"},
    {"TM", "13:45:07", "13:45:07", "13:45:07.0000"},
    {"TS", "2024-02-29 13:45:07", "2024-02-29 13:45:07", "2024-02-29 13:45:07.0000"},
    {"OCT", "00 ff 10 ab", "00FF10AB", "00FF10AB"},
    {"BL", "true", "True", "TRUE"},
};
const QList<Kind> kKindCases1 = {
    {"SI", "32767", "32767", "32767"},
    {"N92", "-0.07", "-0.07", "-0.07"},
    {"N152", "1234.5", "1234.5", "1234.50"},
    {"DB", "2.25", "2.25", "2.250000000000000"},
    {"CH", "ab", "ab", "ab   "},
    {"VC", "Grüße ☃ ok", "Grüße ☃ ok", "Grüße ☃ ok"},
    {"DT", "2024-02-29 10:11:12", "2024-02-29 10:11:12", "29-FEB-2024 10:11:12.0000"},
    {"BL", "False", "False", "FALSE"},
};

// Values as row 2 of T_KINDS holds them, typed over, and read back on a second attachment.
struct Exact {
  const char *column;
  const char *read;  // the cell (and its editor) as the table opens
  const char *typed;
  const char *shown;   // after the post
  const char *stored;  // an expression over the column
  const char *storedValue;
};
const QList<Exact> kExactCases = {
    {"TM", "00:00:00.0001", "23:59:59.9999", "23:59:59.9999", "CAST(TM AS VARCHAR(13))", "23:59:59.9999"},
    {"TS", "1999-12-31 23:59:59.9999", "2024-01-02 03:04:05.6789", "2024-01-02 03:04:05.6789",
     "CAST(TS AS VARCHAR(24))", "2024-01-02 03:04:05.6789"},
    {"DB", "3.141592653589793", "0.30000000000000004", "0.30000000000000004",
     "IIF(DB = 1e-1 + 2e-1, 'exact', CAST(DB AS VARCHAR(30)))", "exact"},
    {"N92", "1234567.89", "123.456", "123.46", "CAST(N92 AS VARCHAR(20))", "123.46"},
    {"OCT", "00FF10AB", "de ad be ef", "DEADBEEF",
     "UPPER(LEFT(UUID_TO_CHAR(CAST(OCT AS CHAR(16) CHARACTER SET OCTETS)), 8))", "DEADBEEF"},
};

// Scaled numbers of every storage width: inserted at one end of the range, updated to the other.
const char *const kScaledCases[][3] = {
    {"N41", "-3276.8", "3276.7"},
    {"N92", "-21474836.48", "21474836.47"},
    {"N184", "-922337203685477.5808", "922337203685477.5807"},
    {"D41", "-214748364.8", "214748364.7"},
    {"D92", "21474836.47", "-21474836.48"},
    {"D184", "922337203685477.5807", "-922337203685477.5808"},
};

// Rows for a test run on an embedded database and over TCP.
void AddAccessRows() {
  QTest::addColumn<bool>("tcp");
  QTest::newRow("embedded") << false;
  QTest::newRow("tcp") << true;
}

int ColumnOf(TDBGrid *grid, const QString &title) { return fixtures::gridTitles(grid).indexOf(title); }

// Types text into a cell of the current row, as the grid's editor hands it over.
bool Type(TDataForm *form, const QString &column, const QString &text) {
  const int c = ColumnOf(form->DataGrid, column);
  const QModelIndex at = form->DataGrid->model()->index(form->SrcTable->RecNo(), c);
  return c >= 0 && form->DataGrid->model()->setData(at, text, Qt::EditRole);
}

QString Cell(TDataForm *form, const QString &column, int role = Qt::DisplayRole) {
  const int c = ColumnOf(form->DataGrid, column);
  return form->DataGrid->model()->data(form->DataGrid->model()->index(form->SrcTable->RecNo(), c), role).toString();
}

void Pick(QComboBox *combo, const QString &name) {
  const int i = combo->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
  QVERIFY2(i >= 0, qPrintable(name));
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

QString Stored(const FbDatabase &db, const QString &sql) {
  const QVariant v = fixtures::queryValue(db, sql);
  return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

// Picks a table, expecting an error box; returns its text.
QString PickRefused(QComboBox *combo, const QString &name) {
  const ModalSeenPtr seen = answerNextModal(QStringLiteral("OK"));
  Pick(combo, name);
  return seen->Shown ? seen->Text : QStringLiteral("<no box>");
}
}  // namespace

class TestTableData : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> home;
  QList<QPointer<QWidget>> opened;

  template <class T>
  T *Track(T *w) {
    opened << w;
    return w;
  }
  TDataForm *OpenData(const QString &table) {
    auto *form = Track(new TDataForm());
    if (!table.isEmpty()) Pick(form->TblsCB, table);
    return form;
  }
  FbDatabase Connect(int dialect, bool tcp = false) {
    const FbDatabase db = fixtures::createDatabase(dialect, Content::Known, tcp ? Access::Tcp : Access::Embedded,
                                                   dialect == 3 ? kKinds3 : kKinds1);
    fixtures::connectDataModule(db);
    return db;
  }

private slots:
  void initTestCase() { home = fixtures::startDataModule(QStringLiteral("ZUL DB Tesselor for IB")); }

  void cleanup() {
    fixtures::closeWindows("TMemoViewForm");
    fixtures::closeWindows("TSQLExprForm");
    fixtures::closeWindowsAndDisconnect(opened);
  }

  // Picking tables in the data window: what it offers, a pending edit posted before the next
  // table opens (a refused post keeps the user on the table, edit in place), a failed open
  // keeping the caption, a name the server keeps as typed, and ShowTableData.
  void dataWindowPicksTables() {
    const FbDatabase db = Connect(3);
    TDataForm *form = OpenData(QString());
    QCOMPARE(QStringList({form->windowTitle(), form->TableLabel->text(), form->TblsCB->toolTip()}),
             QStringList({"Data Viewer", "&Table name", "Select table or view to edit"}));
    QCOMPARE(form->TblsCB->currentIndex(), -1);
    QVERIFY(!form->TblsCB->isEditable());
    QStringList names;
    for (int i = 0; i < form->TblsCB->count(); ++i)
      names << form->TblsCB->itemText(i);
    for (const char *n : {"T_MASTER", "T_DETAIL", "V_MASTER_DETAIL", "MixedCase"})
      QVERIFY2(names.contains(QLatin1String(n)), n);
    QVERIFY(!names.join(QLatin1Char(' ')).contains(QLatin1String("RDB$")));
    QCOMPARE(form->DataGrid->Options(), DefaultGridOptions());
    for (int b = 0; b < kNavigateBtnCount; ++b)
      QVERIFY(form->DBNavigator1->Button(TNavigateBtn(b))->isVisibleTo(form));

    Pick(form->TblsCB, QStringLiteral("T_MASTER"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Table data -T_MASTER"));
    QCOMPARE(fixtures::gridTitles(form->DataGrid),
             QStringList({"ID", "NAME", "CODE", "AMOUNT", "RATIO", "WEIGHT", "QTY", "CREATED", "NOTES"}));
    QCOMPARE(fixtures::gridRows(form->DataGrid).size(), 3);
    QVERIFY(Type(form, "NAME", QStringLiteral("Renamed")));
    Pick(form->TblsCB, QStringLiteral("T_DETAIL"));
    QCOMPARE(Stored(db, "SELECT NAME FROM T_MASTER WHERE ID = 1"), QStringLiteral("Renamed"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Table data -T_DETAIL"));
    QCOMPARE(fixtures::gridTitles(form->DataGrid), QStringList({"MASTER_ID", "LINE_NO", "DESCRIPTION"}));

    Pick(form->TblsCB, QStringLiteral("T_MASTER"));
    QVERIFY(Type(form, "ID", QStringLiteral("42")));
    QVERIFY(PickRefused(form->TblsCB, QStringLiteral("T_DETAIL")).contains(fixtures::kLongExceptionMessage));
    QCOMPARE(form->windowTitle(), QStringLiteral("Table data -T_MASTER"));
    QCOMPARE(form->TblsCB->currentText(), QStringLiteral("T_MASTER"));
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsEdit);
    QCOMPARE(Cell(form, "ID"), QStringLiteral("42"));
    form->SrcTable->Cancel();

    fixtures::query(db, QStringLiteral("DROP TABLE T_ALONE"));
    QCOMPARE(PickRefused(form->TblsCB, QStringLiteral("T_ALONE")).contains("T_ALONE"), true);
    QCOMPARE(form->windowTitle(), QStringLiteral("Table data -T_MASTER"));
    QVERIFY(!form->SrcTable->Active());
    QCOMPARE(form->DataGrid->model()->rowCount(), 0);

    Pick(form->TblsCB, QStringLiteral("MixedCase"));
    QCOMPARE(fixtures::gridTitles(form->DataGrid), QStringList({"Id", "Val"}));
    QVERIFY(Type(form, "Val", QStringLiteral("changed")));
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(Stored(db, "SELECT \"Val\" FROM \"MixedCase\""), QStringLiteral("changed"));

    // After a pick the rows have the focus: typing no longer searches the list.
    QCOMPARE(form->focusWidget(), form->DataGrid);

    // ShowTableData: captioned after the name, the list on that table whatever its name; an
    // empty name fails, the window stays.
    for (const QString &table : {QStringLiteral("T_DETAIL"), QStringLiteral("MixedCase")}) {
      TDataForm *shown = Track(ShowTableData(table));
      QCOMPARE(shown->windowTitle(), QStringLiteral("Data Viewer-") + table);
      QCOMPARE(shown->TblsCB->currentText(), table);
      QVERIFY(shown->SrcTable->Active());
    }
    QCOMPARE(fixtures::errorOf<EDatabaseError>([] { ShowTableData(QString()); }),
             QStringLiteral("Missing TableName property"));
  }

  void leadingBlankIsPartOfNames_data() {
    QTest::addColumn<bool>("tcp");
    QTest::newRow("embedded") << false;
    QTest::newRow("tcp") << true;
  }
  // " LEAD" and LEAD, " A" and A are different tables and columns: in the list, the grid, the
  // row written and the structure.
  void leadingBlankIsPartOfNames() {
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = fixtures::createDatabase(3, Content::Known, tcp ? Access::Tcp : Access::Embedded,
                                                   QString::fromUtf8(fixtures::kBlankLedNames));
    fixtures::connectDataModule(db);
    TDataForm *form = OpenData(QStringLiteral(" LEAD"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Table data - LEAD"));
    QCOMPARE(fixtures::gridTitles(form->DataGrid), QStringList({" ID", "ID", " A", "A"}));
    QCOMPARE(fixtures::gridRows(form->DataGrid), QStringList({"1|2|b1|a1", "2|1|b2|a2"}));
    QVERIFY(Type(form, " A", QStringLiteral("new")));
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
    QStringList stored;
    for (const QVariantList &row : fixtures::query(db, "SELECT \" ID\", ID, \" A\", A FROM \" LEAD\" ORDER BY 1"))
      stored << QStringLiteral("%1|%2|%3|%4")
                    .arg(row[0].toString(), row[1].toString(), row[2].toString(), row[3].toString());
    QCOMPARE(stored, QStringList({"1|2|new|a1", "2|1|b2|a2"}));
    QCOMPARE(Stored(db, "SELECT V FROM LEAD"), QStringLiteral("plain"));

    auto *structure = Track(new TFormTblStr());
    Pick(structure->TblsCB, QStringLiteral(" LEAD"));
    QStringList columns;
    for (const QString &row : fixtures::gridRows(structure->FieldGrid))
      columns << row.section(QLatin1Char('|'), 1, 1);
    QCOMPARE(columns, QStringList({" ID", "ID", " A", "A"}));
  }

  void everyColumnKindRoundTrips_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("tcp");
    for (int d : {1, 3})
      for (bool tcp : {false, true})
        QTest::addRow("dialect %d %s", d, tcp ? "tcp" : "embedded") << d << tcp;
  }
  // Every column kind typed into the grid and read back from a second attachment, a text blob
  // through the memo viewer, an insert the trigger fills and a delete asked both ways.
  void everyColumnKindRoundTrips() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(dialect, tcp);
    TDataForm *form = OpenData(QStringLiteral("T_KINDS"));
    QCOMPARE(Cell(form, "CH"), QStringLiteral("x"));  // no pad blanks
    QCOMPARE(Cell(form, "BIN"), QStringLiteral("(BLOB)"));
    QCOMPARE(Cell(form, "VC"), QStringLiteral("<null>"));
    for (const Kind &k : dialect == 3 ? kKindCases3 : kKindCases1)
      QVERIFY2(Type(form, k.column, QString::fromUtf8(k.typed)), k.column);
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
    for (const Kind &k : dialect == 3 ? kKindCases3 : kKindCases1) {
      QCOMPARE(Cell(form, k.column), QString::fromUtf8(k.shown));
      // Bytes are read as the hex of their first four.
      const QString value =
          QLatin1String(k.column) == QLatin1String("OCT")
              ? QStringLiteral("UPPER(LEFT(UUID_TO_CHAR(CAST(OCT AS CHAR(16) CHARACTER SET OCTETS)), 8))")
              : QStringLiteral("CAST(%1 AS VARCHAR(40))").arg(QLatin1String(k.column));
      const QString sql = QStringLiteral("SELECT %1 FROM T_KINDS WHERE ID = 1").arg(value);
      QCOMPARE(Stored(db, sql), QString::fromUtf8(k.stored));
    }
    // The binary blob was never written: its bytes are as they were.
    QCOMPARE(fixtures::queryValue(db, "SELECT BIN FROM T_KINDS WHERE ID = 1").toByteArray(),
             QByteArray::fromHex("00FF10"));
    // Emptied cells of numbers and dates store nulls; the computed column takes no typing.
    QVERIFY(Type(form, "SI", QString()));
    QVERIFY(Type(form, "DT", QString()));
    // A text cell takes a null through Ctrl+0 (emptied, it would store an empty string).
    form->DataGrid->setCurrentIndex(form->DataGrid->model()->index(0, ColumnOf(form->DataGrid, "VC")));
    QTest::keyClick(form->DataGrid, Qt::Key_0, Qt::ControlModifier);
    QVERIFY(!(form->DataGrid->model()->flags(form->DataGrid->model()->index(0, ColumnOf(form->DataGrid, "TWICE"))) &
              Qt::ItemIsEditable));
    form->DBNavigator1->BtnClick(nbPost);
    for (const char *column : {"SI", "DT", "VC"})
      QCOMPARE(Stored(db, QStringLiteral("SELECT %1 FROM T_KINDS WHERE ID = 1").arg(column)), QStringLiteral("<null>"));
    QCOMPARE(Cell(form, "TWICE"), QStringLiteral("2"));

    // A text blob edits through the memo viewer a double click opens.
    form->DataGrid->setCurrentIndex(form->DataGrid->model()->index(0, ColumnOf(form->DataGrid, "MEMO")));
    form->DataGridDblClick();
    TMemoViewForm *viewer = fixtures::visibleWindows<TMemoViewForm>().value(0);
    QVERIFY(viewer);
    QVERIFY(!viewer->MemoCtrl->ReadOnly());
    viewer->MemoCtrl->setFocus();
    QTest::keyClicks(viewer->MemoCtrl, QStringLiteral("Zeile 1 "));
    viewer->MemoCtrl->replaceSelectedText(QStringLiteral("äö"));
    QTest::keyClick(viewer->MemoCtrl, Qt::Key_Return);
    QTest::keyClicks(viewer->MemoCtrl, QStringLiteral("line 2"));
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(fixtures::queryValue(db, "SELECT MEMO FROM T_KINDS WHERE ID = 1").toString(),
             QStringLiteral("Zeile 1 äö\r\nline 2"));
    QCOMPARE(Cell(form, "MEMO"), QStringLiteral("(MEMO)"));

    Pick(form->TblsCB, QStringLiteral("T_MASTER"));
    form->DBNavigator1->BtnClick(nbInsert);
    QVERIFY(Type(form, "NAME", QStringLiteral("Fourth")));
    QVERIFY(Type(form, "AMOUNT", QStringLiteral("19.99")));
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(Cell(form, "ID"), QStringLiteral("4"));  // from the generator, through the trigger
    QCOMPARE(Stored(db, "SELECT NAME FROM T_MASTER WHERE ID = 4"), QStringLiteral("Fourth"));
    QCOMPARE(Stored(db, "SELECT CAST(AMOUNT AS VARCHAR(20)) FROM T_MASTER WHERE ID = 4"), QStringLiteral("19.99"));
    for (const QString &answer : {QStringLiteral("Cancel"), QStringLiteral("OK")}) {
      ModalSeenPtr seen = answerNextModal(answer);
      form->DBNavigator1->BtnClick(nbDelete);
      QVERIFY(seen->Shown);
      QCOMPARE(seen->Text, QStringLiteral("Delete record?"));
      QCOMPARE(seen->Buttons, QStringList({"OK", "Cancel"}));
      QCOMPARE(Stored(db, "SELECT COUNT(*) FROM T_MASTER WHERE ID = 4"), answer == "OK" ? "0" : "1");
    }
    QCOMPARE(fixtures::gridRows(form->DataGrid).size(), 3);
  }

  void insertShowsTheStoredRow_data() {
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QString>("table");  // its trigger gives the key
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    const QString utf8 = QStringLiteral("Grüße ☃ ").repeated(40);  // 320 characters, 480 bytes
    const QList<std::tuple<const char *, QString, QString, QString>> rows = {
        {"long text, no character set", "T_WIDE", "TXT", utf8},
        {"long text, UTF8", "T_WIDE", "U8", utf8},
        {"long text, single-byte character set", "T_WIDE", "LAT", QStringLiteral("äöü").repeated(60)},
        {"octets key", "T_UUID", "TXT", QStringLiteral("keyed by bytes")}};
    for (const auto &[name, table, column, typed] : rows)
      for (bool tcp : {false, true})
        QTest::addRow("%s, %s", name, tcp ? "tcp" : "embedded") << tcp << table << column << typed;
  }
  // An inserted row shows the key the server gave and the text as stored, as the table reads
  // it when opened again; edits find the row both before and after that.
  void insertShowsTheStoredRow() {
    QFETCH(bool, tcp);
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(3, tcp);
    TDataForm *form = OpenData(table);
    form->DBNavigator1->BtnClick(nbInsert);
    QVERIFY(Type(form, column, typed));
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
    QCOMPARE(Cell(form, column), typed);
    QCOMPARE(Stored(db, QStringLiteral("SELECT %1 FROM %2").arg(column, table)), typed);
    const QVariant key = form->SrcTable->FieldByName(QStringLiteral("ID"))->Value();
    const QString count = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = '%3'").arg(table, column);
    for (const char *edited : {"edited", "reopened"}) {
      QVERIFY(Type(form, column, QLatin1String(edited)));
      form->DBNavigator1->BtnClick(nbPost);
      QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
      QCOMPARE(Stored(db, count.arg(QLatin1String(edited))), QStringLiteral("1"));
      Pick(form->TblsCB, QStringLiteral("T_ALONE"));
      Pick(form->TblsCB, table);
      QVERIFY(form->SrcTable->Locate(QStringLiteral("ID"), key));
      QCOMPARE(form->SrcTable->FieldByName(QStringLiteral("ID"))->Value(), key);
    }
  }

  void valuesShowAsTheServerHoldsThem_data() { AddAccessRows(); }
  // Times to the ten-thousandth, doubles by their shortest text, bytes as hex, as read, typed and
  // read back after the post, which also brings a scaled number as the column rounded it and a
  // column another attachment changed meanwhile. Text that is not hex is refused.
  void valuesShowAsTheServerHoldsThem() {
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(3, tcp);
    TDataForm *form = OpenData(QStringLiteral("T_KINDS"));
    QVERIFY(form->SrcTable->Locate(QStringLiteral("ID"), 2));
    for (const Exact &e : kExactCases) {
      QCOMPARE(Cell(form, e.column), QString::fromUtf8(e.read));
      QCOMPARE(Cell(form, e.column, Qt::EditRole), QString::fromUtf8(e.read));
    }
    for (const Exact &e : kExactCases)
      QVERIFY2(Type(form, e.column, QString::fromUtf8(e.typed)), e.column);
    fixtures::query(db, QStringLiteral("UPDATE T_KINDS SET SI = 7 WHERE ID = 2"));
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
    QCOMPARE(Cell(form, "SI"), QStringLiteral("7"));
    for (const Exact &e : kExactCases) {
      QCOMPARE(Cell(form, e.column), QString::fromUtf8(e.shown));
      const QString sql = QStringLiteral("SELECT %1 FROM T_KINDS WHERE ID = 2").arg(QLatin1String(e.stored));
      QCOMPARE(Stored(db, sql), QString::fromUtf8(e.storedValue));
    }
    ModalSeenPtr seen = answerNextModal(QStringLiteral("OK"));
    QVERIFY(!Type(form, "OCT", QStringLiteral("0G")));
    QVERIFY2(seen->Shown && seen->Text.contains(QLatin1String("hexadecimal")), qPrintable(seen->Text));
    QCOMPARE(Cell(form, "OCT"), QStringLiteral("DEADBEEF"));
  }

  // A null shows as a dimmed "<null>", apart from empty text and an empty memo; its editor
  // starts empty and, left unchanged, keeps the null.
  void nullShowsApartFromEmpty() {
    Connect(3);
    TDataForm *form = OpenData(QStringLiteral("T_KINDS"));
    QAbstractItemModel *m = form->DataGrid->model();
    const struct {
      int row;
      const char *column, *shown;
      bool null;
    } cases[] = {{0, "VC", "<null>", true}, {0, "MEMO", "<null>", true},  {0, "TM", "<null>", true},
                 {1, "CH", "", false},      {1, "MEMO", "(Memo)", false}, {0, "CH", "x", false}};
    for (const auto &c : cases) {
      const QModelIndex at = m->index(c.row, ColumnOf(form->DataGrid, c.column));
      QCOMPARE(m->data(at).toString(), QLatin1String(c.shown));
      QCOMPARE(m->data(at, Qt::ForegroundRole).isValid(), c.null);
      if (QLatin1String(c.column) != QLatin1String("MEMO"))
        QCOMPARE(m->data(at, Qt::EditRole).toString(), c.null ? QString() : QString::fromLatin1(c.shown));
    }
    QVERIFY(!m->setData(m->index(0, ColumnOf(form->DataGrid, "VC")), QString(), Qt::EditRole));
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
    QVERIFY(form->SrcTable->FieldByName(QStringLiteral("VC"))->IsNull());
  }

  void closingAsksAboutAnUnpostedEdit_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("stored");  // the name of row 1 afterwards
    QTest::newRow("yes posts") << "NAME"
                               << "Pending" << QStringList{"&Yes"} << true << "Pending";
    QTest::newRow("no drops") << "NAME"
                              << "Pending" << QStringList{"&No"} << true << "First";
    QTest::newRow("cancel stays") << "NAME"
                                  << "Pending" << QStringList{"Cancel"} << false << "First";
    QTest::newRow("refused post stays") << "ID"
                                        << "42" << QStringList{"&Yes", "OK"} << false << "First";
  }
  // Closing the window with a change of the current row not posted asks what becomes of it.
  void closingAsksAboutAnUnpostedEdit() {
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QStringList, answers);
    QFETCH(bool, closes);
    QFETCH(QString, stored);
    const FbDatabase db = Connect(3);
    TDataForm *form = OpenData(QStringLiteral("T_MASTER"));
    QVERIFY(Type(form, column, typed));
    QList<ModalAnswer> replies;
    for (const QString &answer : answers)
      replies << Press(answer);
    BoxSequence boxes(replies);
    QCOMPARE(form->close(), closes);
    QCOMPARE(boxes.Count(), answers.size());
    QCOMPARE(boxes[0].Text, QStringLiteral("Post the changes to the current row?"));
    QCOMPARE(boxes[0].Buttons, QStringList({"&Yes", "&No", "Cancel"}));
    if (answers.size() > 1) QVERIFY(boxes[1].Text.contains(fixtures::kLongExceptionMessage));
    QCOMPARE(Stored(db, "SELECT NAME FROM T_MASTER WHERE ID = 1"), stored);
    if (closes) return;
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsEdit);
    QCOMPARE(Cell(form, column), typed);
    form->SrcTable->Cancel();
  }

  void scaledNumbersOfEveryWidth_data() { AddAccessRows(); }
  // NUMERIC and DECIMAL of every storage width typed into a new row (keyed by its identity) and
  // then edited, each read back exactly.
  void scaledNumbersOfEveryWidth() {
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = fixtures::createDatabase(3, Content::Empty, tcp ? Access::Tcp : Access::Embedded,
                                                   QString::fromLatin1(fixtures::kNumbersTable));
    fixtures::connectDataModule(db);
    TDataForm *form = OpenData(QStringLiteral("T_NUMBERS"));
    form->DBNavigator1->BtnClick(nbInsert);
    for (int pass : {1, 2}) {
      for (const auto &c : kScaledCases)
        QVERIFY2(Type(form, c[0], QLatin1String(c[pass])), c[0]);
      form->DBNavigator1->BtnClick(nbPost);
      QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
      QCOMPARE(Cell(form, "ID"), QStringLiteral("1"));
      for (const auto &c : kScaledCases) {
        QCOMPARE(Cell(form, c[0]), QLatin1String(c[pass]));
        QCOMPARE(Stored(db, QStringLiteral("SELECT CAST(%1 AS VARCHAR(30)) FROM T_NUMBERS WHERE ID = 1").arg(c[0])),
                 QLatin1String(c[pass]));
      }
    }
  }

  // A refused post keeps the edit and says why: a trigger's exception, a check, a foreign key,
  // and a row held by the program's own open transaction, which answers at once with the
  // server's conflict, says what frees it, and goes through once the transaction is resolved.
  void refusedPostKeepsTheEdit_data() {
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QString>("held");  // run first in the program's transaction
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const char *const rows[][6] = {{"trigger exception", "", "T_MASTER", "ID", "99", fixtures::kLongExceptionMessage},
                                   {"check constraint", "", "T_MASTER", "AMOUNT", "-5", "validation error"},
                                   {"no primary key, foreign key", "", "T_DETAIL", "MASTER_ID", "77", "FOREIGN KEY"},
                                   {"held row", "UPDATE T_DETAIL SET DESCRIPTION = 'held' WHERE LINE_NO = 1",
                                    "T_DETAIL", "DESCRIPTION", "typed", "commit or roll back"},
                                   {"held deleted row", "DELETE FROM T_DETAIL WHERE LINE_NO = 1", "T_DETAIL",
                                    "DESCRIPTION", "typed", "commit or roll back"}};
    for (const auto &r : rows)
      for (bool tcp : {false, true})
        if (!tcp || *r[1])
          QTest::addRow("%s, %s", r[0], tcp ? "tcp" : "embedded")
              << tcp << QString(r[1]) << QString(r[2]) << QString(r[3]) << QString(r[4]) << QString(r[5]);
  }
  void refusedPostKeepsTheEdit() {
    QFETCH(bool, tcp);
    QFETCH(QString, held);
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(3, tcp);
    TDataForm *form = OpenData(table);
    if (!held.isEmpty()) DMSys->IBDataBase->ExecSQL(held, false);
    QVERIFY(Type(form, column, typed));
    ModalSeenPtr seen = answerNextModal(QStringLiteral("OK"));
    QElapsedTimer t;
    t.start();
    form->DBNavigator1->BtnClick(nbPost);
    QVERIFY(seen->Shown);
    QVERIFY2(held.isEmpty() || t.elapsed() < fixtures::boundMs(1000), qPrintable(QString::number(t.elapsed())));
    QCOMPARE(seen->Icon, QMessageBox::Critical);
    QVERIFY2(seen->Text.contains(message), qPrintable(seen->Text));
    // A held row: a sentence a user understands first, the server's own words kept.
    if (!held.isEmpty())
      QVERIFY2(seen->Text.startsWith("Another transaction is changing this row; commit or roll it back, then post "
                                     "again") &&
                   seen->Text.contains("deadlock"),
               qPrintable(seen->Text));
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsEdit);
    QCOMPARE(Cell(form, column), typed);
    if (held.isEmpty()) return form->SrcTable->Cancel();
    DMSys->IBDataBase->Rollback();
    form->DBNavigator1->BtnClick(nbPost);
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsBrowse);
    QCOMPARE(Stored(db, "SELECT COUNT(*) FROM T_DETAIL WHERE DESCRIPTION = 'typed'"), QStringLiteral("1"));
  }

  void structureOfTablesAndViews_data() {
    QTest::addColumn<int>("dialect");
    QTest::newRow("dialect 1") << 1;
    QTest::newRow("dialect 3") << 3;
  }
  // The structure window: columns and what depends on them for tables and views, a view's
  // source, "Show data", and a failed pick that leaves both grids following their queries.
  void structureOfTablesAndViews() {
    QFETCH(int, dialect);
    Connect(dialect);
    auto *form = Track(new TFormTblStr());
    QCOMPARE(QStringList(
                 {form->windowTitle(), form->DataBtn->text(), form->DataBtn->toolTip(), form->ViewSourceBtn->text()}),
             QStringList({"TableStructure", "&Show data", "Open this table in data window", "&Show SQL for view"}));
    QCOMPARE(form->TblsCB->currentIndex(), -1);
    QCOMPARE(form->FieldGrid->model()->columnCount(), 0);
    // With nothing chosen, "Show data" fails on the empty name and says so.
    ModalSeenPtr seen = answerNextModal(QStringLiteral("OK"));
    form->DataBtn->click();
    QCOMPARE(seen->Text, QStringLiteral("Missing TableName property."));
    for (TDataForm *w : fixtures::visibleWindows<TDataForm>())
      Track(w);

    Pick(form->TblsCB, QStringLiteral("T_MASTER"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Table structure -T_MASTER"));
    QCOMPARE(fixtures::gridTitles(form->FieldGrid),
             QStringList({"#", "Field name", "Type", "Domain", "Not null", "Default", "Computed by"}));
    QCOMPARE(fixtures::gridTitles(form->DependencyGrid), QStringList({"Field Name", "Object Type", "Object Name"}));
    QCOMPARE(form->focusWidget(), form->FieldGrid);
    const QStringList columns = fixtures::gridRows(form->FieldGrid);
    QCOMPARE(columns.value(0), QStringLiteral("0|ID|INTEGER|D_INT|NOT NULL||"));
    QCOMPARE(columns.value(8), QStringLiteral("8|NOTES|BLOB SUB_TYPE TEXT|D_MEMO|||"));
    QVERIFY(!form->ViewSourceBtn->isEnabled());
    const QStringList deps = fixtures::gridRows(form->DependencyGrid);
    for (const char *dep : {"ID|Trigger|T_MASTER_BI", "ID|View|V_MASTER_DETAIL", "|View|V_MASTER_DETAIL",
                            "NAME|View|V_MASTER_DETAIL", "|Procedure|P_COUNT"})
      QVERIFY2(deps.contains(QLatin1String(dep)) || (dialect == 1 && QByteArray(dep).contains("P_COUNT")),
               qPrintable(QStringLiteral("%1 not in %2").arg(dep, deps.join(" / "))));

    Pick(form->TblsCB, QStringLiteral("T_ALONE"));
    const QStringList alone = fixtures::gridRows(form->FieldGrid);
    QCOMPARE(alone.size(), 1);
    QCOMPARE(alone.value(0), QStringLiteral("0|A|INTEGER||||"));
    QCOMPARE(fixtures::gridRows(form->DependencyGrid), QStringList());

    // A view's source opens in a new DDL window; a table has none to show.
    Pick(form->TblsCB, QStringLiteral("V_MASTER_DETAIL"));
    QCOMPARE(fixtures::gridRows(form->FieldGrid).size(), 4);
    QVERIFY(form->ViewSourceBtn->isEnabled());
    form->ViewSourceBtn->click();
    TSQLExprForm *ddl = fixtures::visibleWindows<TSQLExprForm>().value(0);
    QVERIFY(ddl);
    QVERIFY2(ddl->ExecSql->toPlainText().contains(QLatin1String("JOIN T_DETAIL")),
             qPrintable(ddl->ExecSql->toPlainText()));
    ddl->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Pick(form->TblsCB, QStringLiteral("T_ALONE"));
    QVERIFY(!form->ViewSourceBtn->isEnabled());
    Pick(form->TblsCB, QStringLiteral("T_DETAIL"));
    form->DataBtn->click();
    TDataForm *data = nullptr;
    for (TDataForm *f : fixtures::visibleWindows<TDataForm>())
      if (f->SrcTable->Active()) data = Track(f);
    QVERIFY(data);
    QCOMPARE(data->windowTitle(), QStringLiteral("Data Viewer-T_DETAIL"));
    QCOMPARE(fixtures::gridRows(data->DataGrid).size(), 3);

    // Once, in dialect 3: a name the server keeps as typed, and a pick whose queries fail
    // (on a port nothing listens on, so the server never sees a failed login), which leaves both
    // grids following their queries afterwards.
    if (dialect == 1) return;
    Pick(form->TblsCB, QStringLiteral("MixedCase"));
    QStringList names;
    for (const QString &row : fixtures::gridRows(form->FieldGrid))
      names << row.section(QLatin1Char('|'), 0, 1);
    QCOMPARE(names, QStringList({"0|Id", "1|Val"}));
    QCOMPARE(form->windowTitle(), QStringLiteral("Table structure -MixedCase"));
    form->DataBtn->click();
    for (TDataForm *f : fixtures::visibleWindows<TDataForm>())
      if (f != data) Track(f)->close();

    const QString path = DMSys->IBDataBase->Params.Values(QStringLiteral("SERVER NAME"));
    data->close();
    DMSys->IBDataBase->Close();
    DMSys->IBDataBase->Params.SetValues(QStringLiteral("SERVER NAME"),
                                        QStringLiteral("127.0.0.1/1:") + fixtures::tempPath("missing", ".fdb"));
    QVERIFY(PickRefused(form->TblsCB, QStringLiteral("T_MASTER")) != QLatin1String("<no box>"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Table structure -MixedCase"));
    QVERIFY(!form->StrQuery->ControlsDisabled());
    QVERIFY(!form->DepQuery->ControlsDisabled());
    DMSys->IBDataBase->Params.SetValues(QStringLiteral("SERVER NAME"), path);
    Pick(form->TblsCB, QStringLiteral("T_MASTER"));
    QCOMPARE(fixtures::gridRows(form->FieldGrid).size(), 9);
    QVERIFY(fixtures::gridRows(form->DependencyGrid).size() > 0);
  }

  // Each column's declared type as DDL writes it, its user domain (none for the engine's own),
  // NOT NULL, its default and its computed expression: "type|domain|not null|default|computed".
  void structureShowsDeclaredTypes_data() {
    QTest::addColumn<int>("dialect");
    QTest::newRow("dialect 1") << 1;
    QTest::newRow("dialect 3") << 3;
  }
  void structureShowsDeclaredTypes() {
    QFETCH(int, dialect);
    const char *const rows[][4] = {
        {"3", "T_MASTER", "ID", "INTEGER|D_INT|NOT NULL||"},
        {"3", "T_MASTER", "NAME", "VARCHAR(31)|D_NAME|NOT NULL|'none'|"},
        {"3", "T_MASTER", "AMOUNT", "NUMERIC(9,2)|D_MONEY||0|"},
        {"3", "T_MASTER", "RATIO", "DOUBLE PRECISION|D_DOUBLE||1.5|"},
        {"3", "T_MASTER", "NOTES", "BLOB SUB_TYPE TEXT|D_MEMO|||"},
        {"3", "T_DETAIL", "LINE_NO", "SMALLINT||NOT NULL||"},
        {"3", "T_KINDS", "BI", "BIGINT||||"},
        {"3", "T_KINDS", "N184", "NUMERIC(18,4)||||"},
        {"3", "T_KINDS", "DEC93", "DECIMAL(9,3)||||"},
        {"3", "T_KINDS", "FL", "FLOAT||||"},
        {"3", "T_KINDS", "CH", "CHAR(5)||||"},
        {"3", "T_KINDS", "DT", "DATE||||"},
        {"3", "T_KINDS", "TM", "TIME||||"},
        {"3", "T_KINDS", "TS", "TIMESTAMP||||"},
        {"3", "T_KINDS", "BL", "BOOLEAN||||"},
        {"3", "T_KINDS", "BIN", "BLOB SUB_TYPE BINARY||||"},
        {"3", "T_KINDS", "TWICE", "BIGINT||||(ID * 2)"},
        {"3", "T_WIDE", "U8", "VARCHAR(1000) CHARACTER SET UTF8||||"},
        {"3", "T_WIDE", "LAT", "VARCHAR(200) CHARACTER SET ISO8859_1||||"},
        {"3", "T_UUID", "ID", "CHAR(16) CHARACTER SET OCTETS||NOT NULL||"},
        {"1", "T_KINDS", "N92", "NUMERIC(9,2)||||"},
        {"1", "T_KINDS", "N152", "NUMERIC(15,2)||||"},
        {"1", "T_KINDS", "DT", "DATE||||"},
        {"1", "T_KINDS", "TWICE", "INTEGER||||(ID * 2)"},
    };
    Connect(dialect);
    auto *form = Track(new TFormTblStr());
    QStringList shown, expected;
    for (const auto &r : rows) {
      if (QByteArray(r[0]).toInt() != dialect) continue;
      Pick(form->TblsCB, QLatin1String(r[1]));
      QString row = QStringLiteral("<none>");
      for (const QString &cells : fixtures::gridRows(form->FieldGrid))
        if (cells.section(QLatin1Char('|'), 1, 1) == QLatin1String(r[2])) row = cells.section(QLatin1Char('|'), 2);
      shown << QStringLiteral("%1.%2: %3").arg(r[1], r[2], row);
      expected << QStringLiteral("%1.%2: %3").arg(r[1], r[2], r[3]);
    }
    QCOMPARE(shown, expected);
  }

  // Columns fit what they show, within 400 pixels; widths the user sets stay with their table
  // while the window is open.
  void structureKeepsWidthsPerTable() {
    Connect(3);
    auto *form = Track(new TFormTblStr());
    Pick(form->TblsCB, QStringLiteral("T_WIDE"));
    TDBGrid *grid = form->FieldGrid;
    const int type = ColumnOf(grid, QStringLiteral("Type"));
    QVERIFY(grid->columnWidth(type) >=
            grid->fontMetrics().horizontalAdvance(QStringLiteral("VARCHAR(200) CHARACTER SET ISO8859_1")));
    for (int c = 0; c < grid->model()->columnCount(); ++c)
      QVERIFY(grid->columnWidth(c) <= 400);
    grid->setColumnWidth(type, 333);
    Pick(form->TblsCB, QStringLiteral("T_ALONE"));
    QVERIFY(grid->columnWidth(type) < 333);
    Pick(form->TblsCB, QStringLiteral("T_WIDE"));
    QCOMPARE(grid->columnWidth(type), 333);
  }

  // The data window sizes its columns to what they show (times and stamps with their fractions
  // whole), within bounds, and keeps a user's widths per table while it is open.
  void dataColumnsFitAndKeepWidthsPerTable() {
    Connect(3);
    TDataForm *form = OpenData(QStringLiteral("T_KINDS"));
    TDBGrid *grid = form->DataGrid;
    QAbstractItemModel *model = grid->model();
    for (const char *column : {"TM", "TS", "DB", "N92"}) {
      const int c = ColumnOf(grid, QLatin1String(column));
      for (int r = 0; r < model->rowCount(); ++r) {
        const QString text = model->index(r, c).data().toString();
        QVERIFY2(grid->columnWidth(c) > grid->fontMetrics().horizontalAdvance(text), qPrintable(text));
      }
    }
    for (int c = 0; c < model->columnCount(); ++c)
      QVERIFY(grid->columnWidth(c) <= 400);
    const int tm = ColumnOf(grid, QStringLiteral("TM"));
    grid->setColumnWidth(tm, 333);
    Pick(form->TblsCB, QStringLiteral("T_ALONE"));
    Pick(form->TblsCB, QStringLiteral("T_KINDS"));
    QCOMPARE(grid->columnWidth(tm), 333);
  }

  // The structure window reads itself again after the program's own DDL: a new column shows.
  void structureFollowsTheProgramsDdl() {
    Connect(3);
    AutoCommit = true;
    auto *form = Track(new TFormTblStr());
    Pick(form->TblsCB, QStringLiteral("T_ALONE"));
    FbSession()->Execute(QStringLiteral("ALTER TABLE T_ALONE ADD B VARCHAR(5) DEFAULT 'x' NOT NULL"));
    QCOMPARE(fixtures::gridRows(form->FieldGrid), QStringList({"0|A|INTEGER||||", "1|B|VARCHAR(5)||NOT NULL|'x'|"}));
    QCOMPARE(form->TblsCB->currentText(), QStringLiteral("T_ALONE"));
  }
};

TESSELOR_TEST_MAIN(TestTableData)
#include "test_tabledata.moc"

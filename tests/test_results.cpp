// The rows of a statement in the DDL statements window's results pane, on a real embedded
// database: every kind of statement that returns rows, the statement under the caret, values
// against isql-fb's, blobs, Cancel, an error in the middle of a fetch, CSV export (cancelled
// halfway too), copying cells, and the attachment refused to other windows while it is lent.
#include "app/datamodule.h"
#include "app/settings.h"
#include "app/windowtable.h"
#include "data/valuetext.h"
#include "firebird/session.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dbmemo.h"
#include "ui/errordisplay.h"
#include "ui/memoview.h"
#include "ui/resultspane.h"
#include "windows/editing/ddlwindow.h"
#include "windows/editing/scriptrun.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using fixtures::FbDatabase;

namespace {
const char *const kSchema = R"(
CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), NOTE BLOB SUB_TYPE TEXT);
CREATE TABLE KINDS (SI SMALLINT, I INTEGER, BI BIGINT, N NUMERIC(18,4), D DECIMAL(9,2), F FLOAT,
  DP DOUBLE PRECISION, DT DATE, TM TIME, TS TIMESTAMP, B BOOLEAN, C CHAR(5), V VARCHAR(10),
  O CHAR(4) CHARACTER SET OCTETS, E VARCHAR(5));
INSERT INTO KINDS VALUES (-32768, 2147483647, -9223372036854775808, -12345678901234.5678, -0.05, 1.5,
  0.1, '2024-02-29', '13:45:01.1234', '1901-01-01 00:00:00.0001', TRUE, 'ab', 'x y', x'00FF10AB', '');
INSERT INTO KINDS (SI) VALUES (NULL);
SET TERM ^ ;
CREATE PROCEDURE P_TWICE (X INTEGER) RETURNS (Y INTEGER, Z VARCHAR(10)) AS BEGIN Y = X * 2; Z = 'twice'; END^
EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN
  WHILE (I <= 1000) DO BEGIN INSERT INTO T VALUES (:I, 'n' || :I, NULL); I = I + 1; END END^
SET TERM ; ^
UPDATE T SET NOTE = (SELECT LIST('0123456789', '') FROM T WHERE ID <= 300) WHERE ID = 1;
COMMIT;
)";

// A block that keeps the server busy for about half a minute, returning one row at its end.
const QString kLongBlock = QStringLiteral(
    "EXECUTE BLOCK RETURNS (N INTEGER) AS DECLARE I INTEGER = 0; BEGIN "
    "WHILE (I < 300000000) DO I = I + 1; N = I; SUSPEND; END");
}  // namespace

class TestResults : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> FHome;
  FbDatabase FDb;
  QList<QPointer<QWidget>> FOpened;
  TSQLExprForm *F = nullptr;
  QStringList FIsqlKinds;  // isql-fb's text of each KINDS column (read before the program attaches)

  TResultsPane *Pane() const { return F->Results; }
  TStatementRun *Run() const { return F->Results->Statement(); }
  // Runs the editor's text with F9 and waits for the first rows.
  bool RunText(const QString &text) {
    F->ExecSql->setPlainText(text);
    return fixtures::runInWindow(F);
  }
  QStringList Row(int r) const {
    QStringList out;
    for (int c = 0; c < Run()->Columns().size(); ++c)
      out << Run()->Text(r, c);
    return out;
  }
  // Starts the long block and waits until the server works on it.
  bool StartLong() {
    F->ExecSql->setPlainText(kLongBlock);
    QTest::keyClick(F->ExecSql, Qt::Key_F9);
    QTest::qWait(300);
    return F->StatementRunning();
  }

private slots:
  void initTestCase() {
    FHome = fixtures::startDataModule(QStringLiteral("ZUL DB Tesselor for IB"));
    FDb = fixtures::createDatabase(3, fixtures::Content::Empty, fixtures::Access::Embedded, QLatin1String(kSchema),
                                   QStringLiteral("UTF8"));
    for (const char *column : {"SI", "I", "BI", "N", "D", "F", "DP", "DT", "TM", "TS", "B", "C", "V", "O", "E"})
      FIsqlKinds << fixtures::isqlValues(FDb, QStringLiteral("SELECT %1 FROM KINDS WHERE SI IS NOT NULL").arg(column))
                        .value(0);
    fixtures::connectDataModule(FDb);
  }
  void init() {
    AutoCommit = false;
    F = CreateSQLExprForm();
    FOpened << F;
  }
  void cleanup() { fixtures::closeWindowsAndDisconnect(FOpened); }

  void rowReturningStatements_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("firstRow");
    QTest::addColumn<QString>("status");
    QTest::newRow("select") << "SELECT ID, NAME FROM T WHERE ID < 3 ORDER BY ID"
                            << "ID|NAME"
                            << "1|n1"
                            << "2 rows, all fetched";
    QTest::newRow("with") << "WITH X AS (SELECT ID FROM T) SELECT COUNT(*) AS C FROM X"
                          << "C"
                          << "1000"
                          << "1 row, all fetched";
    QTest::newRow("q-string") << "SELECT q'{it's; \"q\"}' AS Q FROM RDB$DATABASE"
                              << "Q"
                              << "it's; \"q\""
                              << "1 row";
    QTest::newRow("procedure") << "EXECUTE PROCEDURE P_TWICE 21"
                               << "Y|Z"
                               << "42|twice"
                               << "1 row";
    QTest::newRow("block") << "EXECUTE BLOCK RETURNS (K INTEGER) AS BEGIN K = 7; SUSPEND; K = 8; SUSPEND; END"
                           << "K"
                           << "7"
                           << "2 rows, all fetched";
    QTest::newRow("insert returning") << "INSERT INTO T (ID, NAME) VALUES (5000, 'new') RETURNING ID, NAME"
                                      << "ID|NAME"
                                      << "5000|new"
                                      << "1 row";
    QTest::newRow("update returning") << "UPDATE T SET NAME = 'upd' WHERE ID = 2 RETURNING OLD.NAME, NEW.NAME"
                                      << "NAME|NAME"
                                      << "n2|upd"
                                      << "1 row";
    QTest::newRow("delete returning") << "DELETE FROM T WHERE ID = 3 RETURNING ID"
                                      << "ID"
                                      << "3"
                                      << "1 row";
    QTest::newRow("many rows") << "SELECT ID FROM T ORDER BY ID"
                               << "ID"
                               << "1"
                               << "200 rows (more available)";
    QTest::newRow("dml") << "UPDATE T SET NAME = NAME WHERE ID <= 10"
                         << ""
                         << ""
                         << "10 rows affected";
  }
  void rowReturningStatements() {
    QFETCH(QString, text);
    QFETCH(QString, heading);
    QFETCH(QString, firstRow);
    QFETCH(QString, status);
    QVERIFY(RunText(text));
    QStringList names;
    for (const TResultColumn &c : Run()->Columns())
      names << c.Name;
    QCOMPARE(names.join(u'|'), heading);
    QCOMPARE(Pane()->isVisible(), !heading.isEmpty());
    if (!firstRow.isEmpty()) QCOMPARE(Row(0).join(u'|'), firstRow);
    QVERIFY2(Pane()->Status->text().startsWith(status), qPrintable(Pane()->Status->text()));
    QVERIFY(Pane()->Status->text().contains(QLatin1String(" ms")));
    // The tool's own transaction: what it changed is not committed with auto commit off.
    QVERIFY(DMSys->IBDataBase->InTransaction());
    DMSys->IBDataBase->Rollback();
  }

  // Ctrl+Enter runs only the statement the caret stands in; scrolling fetches the next batch;
  // the plan and the page counters show.
  void statementUnderCaretAndScrolling() {
    F->ExecSql->setPlainText(QStringLiteral("SELECT 1 AS A FROM RDB$DATABASE;\nSELECT ID FROM T ORDER BY ID;\n"));
    F->ExecSql->setCursorPosition(1, 7);  // in the second statement
    QVERIFY(fixtures::runInWindow(F, Qt::Key_Return, Qt::ControlModifier));
    QCOMPARE(Run()->Columns().first().Name, QStringLiteral("ID"));
    QCOMPARE(Run()->Rows().size(), 200);
    QVERIFY2(Pane()->PlanView->toPlainText().contains(QLatin1String("PLAN")),
             qPrintable(Pane()->PlanView->toPlainText()));
    QVERIFY(Run()->Cost().Fetches > 0);
    Pane()->Grid->scrollToBottom();
    QTRY_VERIFY(Run()->Rows().size() >= 400 && !Pane()->Running());
    QTest::mouseClick(Pane()->FetchAllBtn, Qt::LeftButton);
    QTRY_VERIFY(!Pane()->Running());
    QCOMPARE(Run()->Rows().size(), 1000);
    QVERIFY(Pane()->Status->text().startsWith(QLatin1String("1000 rows, all fetched")));
    QVERIFY(Run()->Rows().byteSize() < 3 * Run()->RawBytes() + (2 << 20));  // one block of slack
    DMSys->IBDataBase->Rollback();
  }

  // Every Firebird 3 type reads as isql-fb prints it (isql's own forms for booleans, doubles
  // and zero fractions aside); NULL reads apart from an empty text.
  void valuesAsIsqlShowsThem() {
    QVERIFY(RunText(QStringLiteral("SELECT * FROM KINDS ORDER BY SI NULLS LAST")));
    const QStringList ours = Row(0);
    for (int i = 0; i < ours.size(); ++i) {
      const QString column = Run()->Columns()[i].Name;
      QString theirs = FIsqlKinds.value(i);
      theirs.remove(QLatin1String(".0000"));
      if (theirs.startsWith(u'<')) theirs = theirs.mid(1, theirs.size() - 2);  // <true>
      if (column == QLatin1String("F") || column == QLatin1String("DP"))
        QCOMPARE(ours[i].toDouble(), theirs.toDouble());
      else
        QVERIFY2(ours[i].compare(theirs, Qt::CaseInsensitive) == 0,
                 qPrintable(column + ": " + ours[i] + " / " + theirs));
    }
    QCOMPARE(ours.last(), QString());
    QCOMPARE(Row(1).first(), NullText());
    QVERIFY(Run()->Rows()[1].Data[0].isNull());
    DMSys->IBDataBase->Rollback();
  }

  // A blob shows its first KB; the whole of it opens in the memo viewer and saves to a file.
  void blobs() {
    QVERIFY(RunText(QStringLiteral("SELECT NOTE, ID FROM T WHERE ID <= 2 ORDER BY ID")));
    QCOMPARE(Run()->Text(0, 0), QString(QStringLiteral("0123456789").repeated(103).left(1024) + "..."));
    QCOMPARE(Run()->Text(1, 0) + Run()->Text(1, 1), NullText() + "2");
    Pane()->Grid->setCurrentIndex(Pane()->Grid->model()->index(0, 0));
    const QString file = fixtures::tempPath(QStringLiteral("blob"), QStringLiteral(".txt"));
    Pane()->SaveBlob(file);
    QCOMPARE(QFile(file).size(), 3000);
    Pane()->OpenBlob();
    QTRY_COMPARE(fixtures::visibleWindows<TMemoViewForm>().size(), 1);
    TMemoViewForm *memo = fixtures::visibleWindows<TMemoViewForm>().first();
    QCOMPARE(memo->MemoCtrl->toPlainText().size(), 3000);  // the whole blob, not the preview
    delete memo;
    DMSys->IBDataBase->Rollback();
  }

  // Cancel stops the server's work within a second or so and the attachment runs the next
  // statement; an error in the middle of Fetch all shows and keeps the rows fetched.
  void cancelAndErrorMidFetch() {
    QVERIFY(StartLong());
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(Pane()->CancelBtn, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([this] { return !F->StatementRunning(); }, 10000));
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(Pane()->Status->text().contains(QLatin1String("cancelled")));
    QVERIFY(RunText(QStringLiteral("SELECT 1/(ID - 700) AS Q FROM T ORDER BY ID")));
    QCOMPARE(Run()->Rows().size(), 200);
    auto box = answerModalDuring(Press(QStringLiteral("OK")), [this] {
      QTest::mouseClick(Pane()->FetchAllBtn, Qt::LeftButton);
      QVERIFY(QTest::qWaitFor([this] { return !F->StatementRunning(); }, 20000));
    });
    QVERIFY(box->Shown);
    QVERIFY2(box->Text.contains(QLatin1String("divide by zero")) || box->Text.contains(QLatin1String("Arithmetic")),
             qPrintable(box->Text));
    QCOMPARE(Run()->Rows().size(), 699);
    QVERIFY(!Run()->HasCursor());
    QCOMPARE(Pane()->Status->text(), QStringLiteral("Statement failed"));  // not a success's counts
    DMSys->IBDataBase->Rollback();
  }

  // The export writes RFC 4180 text from a fresh cursor; cancelled halfway it leaves no file.
  void exportCsv() {
    QVERIFY(
        RunText(QStringLiteral("SELECT ID, 'a,\"b\"' AS S, CAST(NULL AS INTEGER) AS N, '' AS E FROM T "
                               "WHERE ID <= 2 ORDER BY ID")));
    const QString file = fixtures::tempPath(QStringLiteral("rows"), QStringLiteral(".csv"));
    Pane()->CsvNullText = QStringLiteral("NULL");
    Pane()->ExportCsv(file);
    QTRY_VERIFY(!Pane()->Running());
    QCOMPARE(QString::fromUtf8(fixtures::readFile(file)),
             QStringLiteral("ID,S,N,E\r\n1,\"a,\"\"b\"\"\",NULL,\"\"\r\n2,\"a,\"\"b\"\"\",NULL,\"\"\r\n"));

    const QString big = fixtures::tempPath(QStringLiteral("big"), QStringLiteral(".csv"));
    QVERIFY(RunText(QStringLiteral("SELECT A.ID, B.NAME FROM T A CROSS JOIN T B")));
    Pane()->ExportCsv(big);
    QTRY_VERIFY(Pane()->Status->text().contains(QLatin1String("rows written")) &&
                !Pane()->Status->text().contains(QLatin1String(": 0 rows")));
    Pane()->Cancel();
    QTRY_VERIFY(!Pane()->Running());
    QVERIFY2(Pane()->Status->text().contains(QLatin1String("cancelled")), qPrintable(Pane()->Status->text()));
    QVERIFY(!QFile::exists(big));
    DMSys->IBDataBase->Rollback();
  }

  void copyCells() {
    QVERIFY(RunText(QStringLiteral("SELECT ID, NAME FROM T WHERE ID IN (1, 2) ORDER BY ID")));
    Pane()->Grid->selectAll();
    QCOMPARE(Pane()->SelectedText(true), QStringLiteral("ID\tNAME\n1\tn1\n2\tn2\n"));
    Pane()->CopySelection(false);
    QTRY_COMPARE(QApplication::clipboard()->text(), QStringLiteral("1\tn1\n2\tn2\n"));
    DMSys->IBDataBase->Rollback();
  }

  // While a statement or a script holds the attachment, opening a window that reads the
  // database and the program's DDL are refused at once with a message; closing asks first.
  void attachmentLentIsRefused_data() {
    QTest::addColumn<bool>("script");
    QTest::newRow("statement") << false;
    QTest::newRow("script") << true;
  }
  void attachmentLentIsRefused() {
    QFETCH(bool, script);
    // A script's statement returns no rows and is waited for when the window closes: shorter.
    F->ExecSql->setPlainText(script ? QStringLiteral("SET TERM ^ ;\nEXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN "
                                                     "WHILE (I < 20000000) DO I = I + 1; END^\n")
                                    : kLongBlock);
    QTest::keyClick(F->ExecSql, Qt::Key_F9, script ? Qt::ShiftModifier : Qt::NoModifier);
    QTRY_VERIFY(DMSys->IBDataBase->Claimed());
    const QString busy = script ? QStringLiteral("The database is busy running a script.")
                                : QStringLiteral("The database is busy running a statement.");
    for (const TWindowKind &kind : DatabaseWindows()) {
      if (!kind.needsConnection || !kind.open) continue;
      QElapsedTimer t;
      t.start();
      auto box = answerModalDuring(Press(QStringLiteral("OK")), [&] { Guard([&] { OpenWindow(kind); }); });
      QVERIFY2(box->Shown && box->Text == busy, qPrintable(QString::fromLatin1(kind.objectName) + ": " + box->Text));
      QVERIFY(t.elapsed() < 3000);
    }
    auto ddl = answerModalDuring(Press(QStringLiteral("OK")),
                                 [&] { Guard([] { FbSession()->Execute(QStringLiteral("CREATE SEQUENCE S_X")); }); });
    QCOMPARE(ddl->Text, busy);
    auto ask = answerModalDuring(Press(QStringLiteral("&Yes")), [&] { F->close(); });
    QVERIFY(ask->Shown);
    QTRY_VERIFY(!DMSys->IBDataBase->Claimed());
    QVERIFY(!F->isVisible());
    if (DMSys->IBDataBase->InTransaction()) DMSys->IBDataBase->Rollback();
  }
};

TESSELOR_TEST_MAIN(TestResults)
#include "test_results.moc"

// "Run as script" in the DDL statements window, in the main window's area, on real embedded
// databases: what the server sees of a script, where an error is shown, Cancel, closing during
// a run, the attachment lost during a run, auto commit on and off as a second attachment sees
// it, skipped client commands, and the sample database's script against the one isql-fb builds.
#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/isqlscript.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/sqleditor.h"
#include "windows/editing/ddlwindow.h"
#include "windows/editing/scriptrun.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

using fixtures::FbDatabase;

namespace {
QString Numbered(const char *format, int from, int to) {
  QString s;
  for (int i = from; i <= to; ++i)
    s += QString::fromLatin1(format).arg(i) + QLatin1Char('\n');
  return s;
}

// A statement the server works on for a while: a block counting to steps, as script text.
QString CountingBlock(int steps) {
  return QStringLiteral(
             "SET TERM ^ ;\nEXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO I = I + 1; "
             "END^\nSET TERM ; ^\n")
      .arg(steps);
}
}  // namespace

class TestScript : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> FHome;
  FbDatabase FDb;

  // A window on a fresh empty database with text in its editor.
  TSQLExprForm *Open(const QString &text) {
    FDb = fixtures::createDatabase(3);
    fixtures::connectDataModule(FDb);
    TSQLExprForm *form = CreateSQLExprForm();
    form->ExecSql->setPlainText(text);
    form->ExecSql->setFocus();
    return form;
  }
  static void RunScript(TSQLExprForm *form) { QTest::keyClick(form->ExecSql, Qt::Key_F9, Qt::ShiftModifier); }
  // Runs the script and waits for its end; false when it did not end in time.
  [[nodiscard]] static bool RunToEnd(TSQLExprForm *form, int ms = 60000) {
    RunScript(form);
    return QTest::qWaitFor([form] { return !form->ScriptPanel->Running(); }, ms);
  }
  // After a run: no transaction left open, the editor open for typing, Run back on.
  static void ReadyAgain(TSQLExprForm *form) {
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QVERIFY(!MainForm->MnCommitWork->isEnabled());
    QVERIFY(!form->ExecSql->isReadOnly());
    QVERIFY(form->mnRun->isEnabled());
    QVERIFY(form->ScriptPanel->isHidden());
  }
  int Count(const QString &table) {
    return fixtures::queryValue(FDb, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE RDB$SYSTEM_FLAG = 0").arg(table))
        .toInt();
  }

private slots:
  void initTestCase() {
    FHome = fixtures::startDataModule(QStringLiteral("ZUL DB Tesselor for IB"));
    SetHistoryFileName(fixtures::tempPath(QStringLiteral("connect"), QStringLiteral(".hst")));
    MainForm = new TMainForm;
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
  }
  void cleanup() {
    for (QMdiSubWindow *sub : MainForm->ClientArea->subWindowList())
      fixtures::closeDiscarding(sub);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (DMSys->IBDataBase->InTransaction()) DMSys->IBDataBase->Rollback();
    DMSys->IBDataBase->Close();
  }
  void cleanupTestCase() {
    delete MainForm;
    delete DMSys;
    FHome.reset();
  }

  // Three statements, one a trigger whose body holds the ";" that SET TERM put aside.
  void setTermAndTriggerBody() {
    AutoCommit = true;
    TSQLExprForm *form =
        Open(QStringLiteral("CREATE TABLE T_A (ID INTEGER, NAME VARCHAR(20));\nSET TERM ^ ;\n"
                            "CREATE TRIGGER T_A_BI FOR T_A BEFORE INSERT AS\n"
                            "BEGIN\n  NEW.NAME = 'set; by trigger';\nEND^\n"
                            "SET TERM ; ^\nINSERT INTO T_A (ID) VALUES (1)"));
    QVERIFY(RunToEnd(form));
    QCOMPARE(fixtures::queryValue(FDb, QStringLiteral("SELECT NAME FROM T_A")).toString(),
             QStringLiteral("set; by trigger"));
    QCOMPARE(MainForm->StatusPanel->text(), QStringLiteral("Script done: 3 statements run, 0 skipped"));
    CHECKED(ReadyAgain(form));
  }

  // The fifth of ten statements fails on its second line: the box names that line of the
  // editor, the statement is selected, nothing after it ran, and its work is rolled back. The
  // client command skipped before it is listed after the error.
  void errorAtItsLine() {
    AutoCommit = true;
    TSQLExprForm *form = Open(QStringLiteral("SET NAMES UTF8;\n") + Numbered("CREATE EXCEPTION E_%1 'before';", 1, 4) +
                              QStringLiteral("CREATE TABLE T_BAD (A INTEGER,\n  B INTEGER NOT NOT NULL);\n") +
                              Numbered("CREATE EXCEPTION E_%1 'after';", 6, 10));
    BoxSequence boxes({Press(QStringLiteral("OK")), Press(QStringLiteral("OK"))});
    QVERIFY(RunToEnd(form));
    QTRY_COMPARE(boxes.Count(), 2);
    QTRY_VERIFY(boxes[1].Shown);
    const ModalSeen &error = boxes[0];
    QCOMPARE(boxes[1].Text, "Skipped, as a script cannot do them on the open database:\nLine 1: SET NAMES UTF8");
    QVERIFY2(error.Text.startsWith(QLatin1String("Line 7:")), qPrintable(error.Text));
    QVERIFY2(error.Text.contains(QLatin1String("Token unknown - line 2")), qPrintable(error.Text));
    QCOMPARE(error.Icon, QMessageBox::Critical);
    QCOMPARE(form->ExecSql->selectedText(),
             QStringLiteral("CREATE TABLE T_BAD (A INTEGER,\n  B INTEGER NOT NOT NULL)"));
    QCOMPARE(form->ExecSql->ErrorLine(), 7);  // marked in place, the statement still selected
    QCOMPARE(Count(QStringLiteral("RDB$EXCEPTIONS")), 4);
    CHECKED(ReadyAgain(form));
  }

  // Client commands a run cannot do on the open attachment are listed with their lines; at
  // QUIT the reading stops, and what was left is counted.
  void skippedCommandsListed() {
    AutoCommit = false;
    TSQLExprForm *form =
        Open(QStringLiteral("SET SQL DIALECT 3;\nCREATE DATABASE 'other.fdb';\n"
                            "CONNECT 'other.fdb' USER 'SYSDBA';\nSET NAMES UTF8;\nSET AUTODDL ON;\n"
                            "SET BAIL ON;\nINPUT more.sql;\nCREATE EXCEPTION E_KEPT 'kept';\n"
                            "COMMIT WORK;\nQUIT;\nDROP EXCEPTION E_KEPT;\n"));
    auto list = answerNextModal(QStringLiteral("OK"));
    QVERIFY(RunToEnd(form));
    QTRY_VERIFY(list->Shown);
    QCOMPARE(list->Text, QStringLiteral("Skipped, as a script cannot do them on the open database:\n"
                                        "Line 1: SET SQL DIALECT 3\nLine 2: CREATE DATABASE 'other.fdb'\n"
                                        "Line 3: CONNECT 'other.fdb' USER 'SYSDBA'\nLine 4: SET NAMES UTF8\n"
                                        "Line 5: SET AUTODDL ON\nLine 6: SET BAIL ON\nLine 7: INPUT more.sql\n"
                                        "Not run after QUIT (line 10): 1 statement"));
    QCOMPARE(list->Icon, QMessageBox::NoIcon);
    QCOMPARE(MainForm->StatusPanel->text(), QStringLiteral("Script done: 2 statements run, 7 skipped"));
    QCOMPARE(Count(QStringLiteral("RDB$EXCEPTIONS")), 1);  // the script's COMMIT WORK committed it
    CHECKED(ReadyAgain(form));
  }

  // A statement run as a script reaches the server as F9 sends it: no-break spaces and line
  // separators stay, and whatever literal the server knows passes both ways.
  void sameTextAsRun_data() {
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("message");
    QTest::newRow("no-break space") << QStringLiteral("'a\u00A0b'") << QStringLiteral("a\u00A0b");
    QTest::newRow("line separator") << QStringLiteral("'a\u2028b'") << QStringLiteral("a\u2028b");
    QTest::newRow("q-string") << QStringLiteral("q'{It's a \"q\" string; with ; inside}'")
                              << QStringLiteral("It's a \"q\" string; with ; inside");
  }
  void sameTextAsRun() {
    QFETCH(QString, literal);
    QFETCH(QString, message);
    AutoCommit = true;
    TSQLExprForm *form = Open(QStringLiteral("CREATE EXCEPTION E_F9 ") + literal);
    QVERIFY(fixtures::runInWindow(form));
    form->ExecSql->setPlainText(QStringLiteral("CREATE EXCEPTION E_SCRIPT %1;").arg(literal));
    QVERIFY(RunToEnd(form));
    for (const char *name : {"E_F9", "E_SCRIPT"})
      QCOMPARE(
          fixtures::queryValue(
              FDb, QStringLiteral("SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = '%1'").arg(name))
              .toString(),
          message);
    CHECKED(ReadyAgain(form));
  }

  // EXIT or QUIT, with or without a terminator, ends the script as in isql: nothing after it
  // runs; the end names it when something was left.
  void stopsAtExit_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("message");
    QTest::newRow("exit;") << "CREATE TABLE T_E (I INTEGER);\nEXIT;\nDROP TABLE T_E;"
                           << "Not run after EXIT (line 2): 1 statement";
    QTest::newRow("quit, no terminator") << "CREATE TABLE T_E (I INTEGER);\n  quit\nDROP TABLE T_E;\nDROP TABLE X;"
                                         << "Not run after quit (line 2): 2 statements";
    QTest::newRow("exit last") << "CREATE TABLE T_E (I INTEGER);\nExit" << QString();
  }
  void stopsAtExit() {
    QFETCH(QString, script);
    QFETCH(QString, message);
    AutoCommit = true;
    TSQLExprForm *form = Open(script);
    ModalSeenPtr box = message.isEmpty() ? std::make_shared<ModalSeen>() : answerNextModal(QStringLiteral("OK"));
    QVERIFY(RunToEnd(form));
    QTRY_COMPARE(box->Text, message);
    QCOMPARE(Count(QStringLiteral("RDB$RELATIONS")), 1);
    QCOMPARE(MainForm->StatusPanel->text(), QStringLiteral("Script done: 1 statements run, 0 skipped"));
    CHECKED(ReadyAgain(form));
  }

  // During a run the editor is read-only and other commands on the attachment are refused;
  // closing the window or the program asks first ("No" keeps the run going, "Yes" stops it
  // before the program's own question); Cancel stops it; what ran stays committed.
  void duringARun() {
    AutoCommit = true;
    QPointer<TSQLExprForm> form = Open(Numbered("CREATE SEQUENCE S_%1;", 1, 400));
    RunScript(form);
    QTRY_VERIFY(form->ScriptPanel->Progress->value() > 0);
    QVERIFY(form->ExecSql->isReadOnly() && form->ScriptPanel->isVisible());
    QVERIFY(!form->mnRun->isEnabled() && !form->MnRunScript->isEnabled() && !form->MNLoadfromFile->isEnabled());
    const QString counter = form->ScriptPanel->Counter->text();
    QVERIFY2(QRegularExpression(QStringLiteral("^Statement \\d+ of 400$")).match(counter).hasMatch(),
             qPrintable(counter));

    TSQLExprForm *other = CreateSQLExprForm();
    other->ExecSql->setPlainText(QStringLiteral("CREATE SEQUENCE S_OTHER"));
    auto busy = answerModalDuring(Press(QStringLiteral("OK")), [&] { QTest::keyClick(other->ExecSql, Qt::Key_F9); });
    QVERIFY(busy->Shown);
    QCOMPARE(busy->Text, QStringLiteral("The database is busy running a script."));

    auto no = answerModalDuring(Press(QStringLiteral("&No")), [&] { form->SubWindow()->close(); });
    QVERIFY(no->Shown);
    QCOMPARE(no->Text, QStringLiteral("A script is running. Stop it?"));
    QCOMPARE(no->Caption, QStringLiteral("Confirm"));
    QVERIFY(form && form->ScriptPanel->Running());

    QTest::mouseClick(form->ScriptPanel->CancelBtn, Qt::LeftButton);
    QTRY_VERIFY(!form->ScriptPanel->Running());
    const int made = Count(QStringLiteral("RDB$GENERATORS"));
    QVERIFY2(made > 0 && made < 400, qPrintable(QString::number(made)));
    QCOMPARE(MainForm->StatusPanel->text(), QStringLiteral("Script cancelled: %1 statements run, 0 skipped").arg(made));
    QVERIFY(!form->ExecSql->isReadOnly());
    QVERIFY(!DMSys->IBDataBase->Claimed());

    form->ExecSql->setPlainText(Numbered("CREATE SEQUENCE T_%1;", 1, 400));
    RunScript(form);
    ModalSeenPtr exit;
    auto stop = answerModalDuring(
        Press(QStringLiteral("&Yes"), [&](QWidget *) { exit = answerNextModal(QStringLiteral("Cancel")); }),
        [] { MainForm->close(); });
    QVERIFY(stop->Shown && exit && exit->Shown);
    QCOMPARE(exit->Text, QStringLiteral("Are you sure to exit?"));
    QVERIFY(MainForm->isVisible());
    QVERIFY(form && !form->ScriptPanel->Running());
    fixtures::closeDiscarding(form->SubWindow());  // no question about the run once it is over
    QTRY_VERIFY(!form);
  }

  // Cancel during a statement the server works on for seconds: the window goes on answering
  // while the run waits for that statement, which still counts; nothing after it runs.
  void cancelDuringALongStatement() {
    AutoCommit = true;
    TSQLExprForm *form = Open(QStringLiteral("SET BAIL ON;\nCREATE SEQUENCE S_BEFORE;\n") + CountingBlock(20000000) +
                              QStringLiteral("CREATE SEQUENCE S_AFTER;\n"));
    auto skipped = answerNextModal(QStringLiteral("OK"), 60000);
    RunScript(form);
    QTRY_COMPARE(form->ScriptPanel->Progress->value(), 2);  // the block is under way
    bool answered = false;
    QTimer::singleShot(0, this, [&] { answered = true; });
    QTest::mouseClick(form->ScriptPanel->CancelBtn, Qt::LeftButton);
    QVERIFY(form->ScriptPanel->Running());
    QVERIFY(!form->ScriptPanel->CancelBtn->isEnabled());
    QTRY_VERIFY(answered);
    QVERIFY(form->ScriptPanel->Running());
    QTRY_VERIFY_WITH_TIMEOUT(!form->ScriptPanel->Running(), 60000);
    QCOMPARE(MainForm->StatusPanel->text(), QStringLiteral("Script cancelled: 2 statements run, 1 skipped"));
    QTRY_VERIFY(skipped->Shown);
    QCOMPARE(skipped->Text, "Skipped, as a script cannot do them on the open database:\nLine 1: SET BAIL ON");
    QCOMPARE(Count(QStringLiteral("RDB$GENERATORS")), 1);
    QVERIFY(form->ScriptPanel->CancelBtn->isEnabled());
    CHECKED(ReadyAgain(form));
  }

  // The attachment ends from outside (as at the server's shutdown) while the run's first
  // statement works in the transaction it started: the run stops with the server's message,
  // the program counts as disconnected with no transaction left, and runs again once connected.
  void connectionLostDuringARun_data() {
    QTest::addColumn<bool>("autoCommit");
    QTest::newRow("auto commit") << true;
    QTest::newRow("no auto commit") << false;
  }
  void connectionLostDuringARun() {
    QFETCH(bool, autoCommit);
    AutoCommit = autoCommit;
    TSQLExprForm *form = Open(CountingBlock(2000000000) + QStringLiteral("CREATE EXCEPTION E_NEVER 'never';\n"));
    auto error = answerNextModal(QStringLiteral("OK"));
    RunScript(form);
    const QString others = QStringLiteral("MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    QTRY_COMPARE(fixtures::queryValue(FDb, QStringLiteral("SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$STATE = 1 "
                                                          "AND MON$ATTACHMENT_ID IN (SELECT MON$ATTACHMENT_ID FROM %1)")
                                               .arg(others))
                     .toInt(),
                 1);
    fixtures::query(FDb, QStringLiteral("DELETE FROM ") + others);
    QTRY_VERIFY(!form->ScriptPanel->Running());
    QTRY_VERIFY(error->Shown);
    QVERIFY2(error->Text.contains(QLatin1String("shutdown")), qPrintable(error->Text));
    QTRY_VERIFY(!DMSys->IBDataBase->Connected());
    CHECKED(ReadyAgain(form));

    fixtures::connectDataModule(FDb);
    AutoCommit = true;
    form->ExecSql->setPlainText(QStringLiteral("CREATE EXCEPTION E_AFTER 'after';"));
    QVERIFY(RunToEnd(form));
    QCOMPARE(Count(QStringLiteral("RDB$EXCEPTIONS")), 1);
    CHECKED(ReadyAgain(form));
  }

  // Auto commit on: a second attachment sees the objects one by one as they run. Off: it sees
  // nothing until the script's COMMIT, and the rest only after Commit Work.
  void autoCommit_data() {
    QTest::addColumn<bool>("autoCommit");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
  }
  void autoCommit() {
    QFETCH(bool, autoCommit);
    AutoCommit = autoCommit;
    TSQLExprForm *form = Open(Numbered("CREATE EXCEPTION E_%1 'm';", 1, 60) + QStringLiteral("COMMIT;\n") +
                              Numbered("CREATE EXCEPTION E_%1 'm';", 61, 120));
    QStringList wrong;
    int samples = 0;
    connect(form->ScriptPanel->Progress, &QProgressBar::valueChanged, this, [&](int done) {
      const int ran = qMin(done, 60) + qMax(0, done - 61);
      const int expected = autoCommit ? ran : (done > 60 ? 60 : 0);
      const int seen = Count(QStringLiteral("RDB$EXCEPTIONS"));
      ++samples;
      // With auto commit, the worker goes on while the window looks: later statements may be
      // committed already, none that it counted is not.
      if (autoCommit ? seen < expected : seen != expected)
        wrong << QStringLiteral("after %1: %2 seen, %3 expected").arg(done).arg(seen).arg(expected);
    });
    QVERIFY(RunToEnd(form));
    QVERIFY(samples > 0);
    QCOMPARE(wrong, QStringList());
    QCOMPARE(DMSys->IBDataBase->InTransaction(), !autoCommit);
    QCOMPARE(MainForm->MnCommitWork->isEnabled(), !autoCommit);
    if (!autoCommit) {
      QCOMPARE(Count(QStringLiteral("RDB$EXCEPTIONS")), 60);
      MainForm->MnCommitWork->trigger();
    }
    QCOMPARE(Count(QStringLiteral("RDB$EXCEPTIONS")), 120);
    QVERIFY(!MainForm->MnCommitWork->isEnabled());
  }

  // The sample database's script, loaded from its file and run on a fresh empty database,
  // gives the same definition as the database isql-fb builds from the same file.
  void sampleDatabaseAsIsqlBuildsIt() {
    const QString dir = fixtures::tempPath(QStringLiteral("employee"));
    QVERIFY(QDir().mkpath(dir));
    const QString script =
        fixtures::writeFile(dir + QStringLiteral("/employee.sql"), fixtures::employeeScript().toUtf8());
    // The program's attachment talks UTF8 (its texts go out as UTF-8), and the type of a
    // computed column over a string literal follows the connection's character set: build the
    // reference with the same one.
    fixtures::isqlInputFile(script, dir, nullptr, QStringLiteral("UTF8"));
    FbDatabase reference;
    reference.file = reference.name = dir + QStringLiteral("/employee.fdb");
    reference.user = QStringLiteral("SYSDBA");

    AutoCommit = true;
    TSQLExprForm *form = Open(QString());
    LoadEditorFromFile(form->ExecSql, script);
    auto skipped = answerNextModal(QStringLiteral("OK"), 300000);
    QVERIFY(RunToEnd(form, 300000));
    QTRY_VERIFY(skipped->Shown);
    QCOMPARE(skipped->Text, QStringLiteral("Skipped, as a script cannot do them on the open database:\n"
                                           "Line 2: set sql dialect 3\nLine 3: create database 'employee.fdb'"));
    DMSys->IBDataBase->Close();

    auto definition = [](const FbDatabase &db) {
      QStringList lines = fixtures::isqlExtract(db).split(QLatin1Char('\n'));
      lines.removeIf([](const QString &l) { return l.contains(QLatin1String("CREATE DATABASE")); });
      return lines;
    };
    const QStringList ours = definition(FDb), theirs = definition(reference);
    QVERIFY(ours.size() > 500);
    QCOMPARE(ours, theirs);
  }
};

TESSELOR_TEST_MAIN(TestScript)
#include "test_script.moc"

// The script splitter and the classing of statements, as a table of cases: each script gives
// its statements as "line:column text", positions as an editor shows them.
#include "firebird/script.h"
#include "tests/fixtures/suite.h"

#include <QtTest>

class TestSqlScript : public QObject {
  Q_OBJECT

private slots:
  void split_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("end");  // "command line:not run", when reading stops early
    auto row = [](const char *name, const char *script, QStringList expected, const char *end = "") {
      QTest::newRow(name) << QString::fromUtf8(script) << expected << QString::fromUtf8(end);
    };
    row("plain", "A;\nB ;  C", {"1:0 A", "2:0 B", "2:5 C"});
    row("empty ones skipped", " ; ;\n;\n-- only a comment\n/* and this */;", {});
    row("last without terminator", "A;\n  B\n", {"1:0 A", "2:2 B"});
    row("quoted ; and ''", "INSERT 'a;''b;';X", {"1:0 INSERT 'a;''b;'", "1:16 X"});
    row("double quotes", "CREATE TABLE \"T;\"\"x\" (A INT);", {"1:0 CREATE TABLE \"T;\"\"x\" (A INT)"});
    row("double-quoted string, dialect 1", "SELECT \"it's; fine\" FROM R;", {"1:0 SELECT \"it's; fine\" FROM R"});
    row("q-string braces", "SELECT q'{a;'b}' FROM R;", {"1:0 SELECT q'{a;'b}' FROM R"});
    row("q-string other delimiters", "X q'(;)' q'[;]' q'<;>' q'!;'!' Q'#;#';Y",
        {"1:0 X q'(;)' q'[;]' q'<;>' q'!;'!' Q'#;#'", "1:38 Y"});
    row("q after a letter is a name", "SELECT abq';' FROM R;", {"1:0 SELECT abq';' FROM R"});
    row("line comment", "A -- not; the end\n B;", {"1:0 A -- not; the end\n B"});
    row("block comment", "A /* ; \n ; */ B;C", {"1:0 A /* ; \n ; */ B", "2:8 C"});
    row("comment before statement", "/* head */ -- x\n  CREATE X;", {"2:2 CREATE X"});
    row("set term and back", "SET TERM ^ ;\nCREATE TRIGGER T AS BEGIN X; Y; END^\nSET TERM ; ^\nZ;",
        {"2:0 CREATE TRIGGER T AS BEGIN X; Y; END", "4:0 Z"});
    row("set term ;x as isql writes it", "set term !! ;\nA; B!!\nSET TERM ;!!\nC;", {"2:0 A; B", "4:0 C"});
    row("two-character terminator in a string", "SET TERM !! ;\nA '!!' !!", {"2:0 A '!!'"});
    row("unterminated string runs to the end", "A 'x;\ny;", {"1:0 A 'x;\ny;"});
    row("CR LF breaks", "A;\r\nB;\rC", {"1:0 A", "2:0 B", "3:0 C"});
    row("tabs count one column", "\tA;", {"1:1 A"});
    row("EXIT ends the reading", "A;\nEXIT;\nB;\n'C;", {"1:0 A"}, "EXIT 2:2");
    row("quit without terminator", "A;\n  quit\nB;", {"1:0 A"}, "quit 2:1");
    row("exit at the very end", "A;\nExit", {"1:0 A"}, "Exit 2:0");
    row("exit with the set terminator", "SET TERM ^;\nA^\nEXIT ^ -- done\nB; C^", {"2:0 A"}, "EXIT 3:1");
    row("exit in a body is no stop", "SET TERM ^;\nCREATE PROCEDURE P AS BEGIN\nEXIT;\nEND^\nB^",
        {"2:0 CREATE PROCEDURE P AS BEGIN\nEXIT;\nEND", "5:0 B"});
    row("exit with more on its line is no stop", "EXIT now;\nB;", {"1:0 EXIT now", "2:0 B"});
    row("exiting is a word of its own", "EXITING;\nB;", {"1:0 EXITING", "2:0 B"});
  }
  void split() {
    QFETCH(QString, script);
    QFETCH(QStringList, statements);
    QFETCH(QString, end);
    QStringList got;
    TScriptEnd stop;
    for (const TScriptStatement &st : SplitScript(script, &stop)) {
      got << QStringLiteral("%1:%2 %3").arg(st.Line).arg(st.Column).arg(st.Text);
      QCOMPARE(script.mid(st.Start, st.End - st.Start), st.Text);
    }
    QCOMPARE(got, statements);
    QCOMPARE(stop.Command.isEmpty() ? QString()
                                    : QStringLiteral("%1 %2:%3").arg(stop.Command).arg(stop.Line).arg(stop.NotRun),
             end);
  }

  // What a run does with a statement: the client's own transaction commands, commands it
  // cannot do on the open attachment (skipped), and the rest, which goes to the server
  // (COMMIT RETAIN, ROLLBACK TO SAVEPOINT and the SET commands the server knows included).
  void action_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("action");
    const QList<std::pair<TScriptAction, QStringList>> cases{
        {TScriptAction::Execute,
         {"CREATE TABLE X (A INT)", "COMMIT RETAIN", "ROLLBACK TO SAVEPOINT S", "SET GENERATOR G TO 5",
          "SET STATISTICS INDEX I"}},
        {TScriptAction::Commit, {"commit", "COMMIT /* now */ Work"}},
        {TScriptAction::Rollback, {"ROLLBACK WORK"}},
        {TScriptAction::Skip,
         {"create database 'employee.fdb'", "CREATE SCHEMA 'x.fdb'", "CONNECT 'x.fdb' USER 'SYSDBA'",
          "set sql dialect 3", "SET NAMES UTF8", "SET AUTODDL OFF", "SET AUTO ON", "SET BAIL ON", "INPUT other.sql",
          "QUIT", "exit"}}};
    for (const auto &[action, statements] : cases)
      for (const QString &statement : statements)
        QTest::newRow(qPrintable(statement)) << statement << int(action);
  }
  void action() {
    QFETCH(QString, statement);
    QFETCH(int, action);
    QCOMPARE(int(ScriptAction(statement)), action);
  }

  void errorLine_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("line");
    QTest::newRow("token unknown")
        << "\rDynamic SQL Error\r-SQL error code = -104\r-Token unknown - line 2, column 5\r-X" << 11;
    QTest::newRow("at line") << "\rcolumn unknown\r-X\r-At line 3, column 12" << 12;
    QTest::newRow("no line") << "\rTable unknown\r-NO_SUCH" << 10;
  }
  void errorLine() {
    QFETCH(QString, message);
    QFETCH(int, line);
    TScriptStatement st;
    st.Line = 10;
    QCOMPARE(ScriptErrorLine(st, message), line);
  }
};

TESSELOR_TEST_MAIN_GUILESS(TestSqlScript)
#include "test_sqlscript.moc"

// The executor against real Firebird databases, embedded and over TCP through the server.
#include "base/cursors.h"
#include "base/errors.h"
#include "firebird/executor.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/suite.h"

#include <QBitmap>
#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QtTest>
#include <csignal>
#include <memory>

using fixtures::Access;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {

// The executor on a fixture database, with every event it fires written down, and the screen
// cursor and override cursor shown when a transaction started.
struct Executor {
  std::unique_ptr<TIBDataBase> db = std::make_unique<TIBDataBase>();
  QStringList events;
  int startCursor = -1;
  QCursor startShape;

  explicit Executor(const FbDatabase &target) {
    static int n = 0;
    db->SetDatabaseName(QStringLiteral("IBTEST%1").arg(++n));
    db->SetDriverName(QStringLiteral("INTRBASE"));
    Point(target);
    db->OnStartTransaction = [this](QObject *sender) {
      QCOMPARE(sender, db.get());
      events << QStringLiteral("start");
      startCursor = Screen().Cursor();
      if (QGuiApplication::overrideCursor()) startShape = *QGuiApplication::overrideCursor();
    };
    db->OnCloseTransaction = [this](QObject *sender) {
      QCOMPARE(sender, db.get());
      events << QStringLiteral("close");
    };
  }
  void Point(const FbDatabase &target) {
    db->Params.SetValues(QStringLiteral("SERVER NAME"), target.name);
    db->Params.SetValues(QStringLiteral("USER NAME"), target.user);
    db->Params.SetValues(QStringLiteral("PASSWORD"), target.password.isEmpty() ? QStringLiteral("x") : target.password);
  }
  void Exec(const char *sql, bool commit) { db->ExecSQL(QString::fromUtf8(sql), commit); }
  QString ErrorOf(const char *sql, bool commit) {
    return fixtures::errorOf<EDatabaseError>([&] { Exec(sql, commit); });
  }
};

bool DefaultCursorShown() { return Screen().Cursor() == 0 && QGuiApplication::overrideCursor() == nullptr; }

QString Value(const FbDatabase &db, const char *sql) {
  return fixtures::queryValue(db, QString::fromUtf8(sql)).toString();
}

}  // namespace

class TestIbdb : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { RegisterSQLWaitCursor(); }

  void executorInEachDialectAndAccess_data() {
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<int>("dialect");
    for (bool tcp : {false, true})
      for (int dialect : {1, 3})
        QTest::addRow("%s dialect %d", tcp ? "tcp" : "embedded", dialect) << tcp << dialect;
  }
  void executorInEachDialectAndAccess() {
    QFETCH(bool, tcp);
    QFETCH(int, dialect);
    if (tcp) REQUIRE_SERVER();
    const Access access = tcp ? Access::Tcp : Access::Embedded;
    const FbDatabase target = fixtures::createDatabase(dialect, Content::Known, access);

    // The fixture itself: the other suites rely on these objects being there.
    QCOMPARE(Value(target, "SELECT MON$SQL_DIALECT FROM MON$DATABASE").toInt(), dialect);
    QCOMPARE(Value(target, "SELECT COUNT(*) FROM RDB$FIELDS WHERE RDB$FIELD_NAME STARTING WITH 'D_'"), "10");
    QCOMPARE(Value(target, "SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = 'E_LONG'"),
             QString::fromLatin1(fixtures::kLongExceptionMessage));
    QVERIFY(qstrlen(fixtures::kLongExceptionMessage) > 78);
    QStringList seen;
    for (const QVariantList &t : fixtures::query(
             target, QStringLiteral("SELECT RDB$TRIGGER_NAME, RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, "
                                    "RDB$TRIGGER_INACTIVE FROM RDB$TRIGGERS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1")))
      seen << QStringLiteral("%1:%2:%3:%4").arg(t[0].toString()).arg(t[1].toInt()).arg(t[2].toInt()).arg(t[3].toInt());
    QCOMPARE(seen, QStringList({"T_DETAIL_BI:1:5:1", "T_LOG_BD:5:0:1", "T_MASTER_AD:6:0:0", "T_MASTER_AI:2:0:0",
                                "T_MASTER_AU:4:0:0", "T_MASTER_BD:5:0:0", "T_MASTER_BI:1:0:0", "T_MASTER_BI20:1:20:0",
                                "T_MASTER_BU:3:0:0"}));
    QCOMPARE(Value(target, "SELECT GEN_ID(G_SPARE, 0) FROM RDB$DATABASE"), "42");
    QCOMPARE(Value(target, "SELECT COUNT(*) FROM V_MASTER_DETAIL"), "3");
    // isql sees the same, as long as nothing in this process holds an embedded file.
    QCOMPARE(fixtures::isqlValues(target, QStringLiteral("SELECT RDB$EXCEPTION_NAME FROM RDB$EXCEPTIONS ORDER BY 1")),
             QStringList({"E_LONG", "E_SHORT", "E_UNUSED"}));

    // Without a transaction, commands are refused and fire nothing.
    Executor x(target);
    const QString notActive = QStringLiteral("Not active transaction for IB");
    QCOMPARE(fixtures::errorOf<Exception>([&] { x.db->Commit(); }), notActive);
    QCOMPARE(fixtures::errorOf<Exception>([&] { x.db->Rollback(); }), notActive);
    QCOMPARE(fixtures::errorOf<Exception>([&] { x.db->ExecuteStatement("CREATE EXCEPTION E_NO 'no'"); }), notActive);
    QVERIFY(x.events.isEmpty());
    QVERIFY(DefaultCursorShown());
    // A second start is no new transaction; a commit the server refuses keeps the transaction
    // and fires nothing.
    x.db->StartTransaction();
    x.db->StartTransaction();
    x.Exec("CREATE UNIQUE INDEX IX_DUP ON T_DETAIL (MASTER_ID)", false);
    QVERIFY(!fixtures::errorOf<EDatabaseError>([&] { x.db->Commit(); }).isEmpty());
    QVERIFY(x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start"}));
    QVERIFY(DefaultCursorShown());
    x.db->Rollback();
    QCOMPARE(x.events, QStringList({"start", "close"}));
    QCOMPARE(Value(target, "SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_NAME = 'IX_DUP'"), "0");

    // A failed statement with commit rolls back what was pending, with the server's message.
    x.events.clear();
    x.Exec("CREATE EXCEPTION E_PENDING 'pending'", false);
    QCOMPARE(x.ErrorOf("CREATE EXCEPTION E_SHORT 'again'", true),
             QStringLiteral("\runsuccessful metadata update\rCREATE EXCEPTION E_SHORT failed"
                            "\rException E_SHORT already exists"));
    QVERIFY(!x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start", "close"}));
    QCOMPARE(fixtures::exceptionCount(target, QStringLiteral("E_PENDING")), 0);
    QVERIFY(DefaultCursorShown());
    // The SQL wait cursor shows while the executor works.
    QCOMPARE(x.startCursor, crSQLWait);
    QCOMPARE(x.startShape.shape(), Qt::BitmapCursor);
    QCOMPARE(x.startShape.hotSpot(), QPoint(0, 0));
    QCOMPARE(x.startShape.bitmap().size(), QSize(32, 32));
    QCOMPARE(x.startShape.mask().size(), QSize(32, 32));
    // A failure the server reports only at commit is rolled back the same way.
    const QString atCommit = x.ErrorOf("CREATE UNIQUE INDEX IX_DUP ON T_DETAIL (MASTER_ID)", true);
    QVERIFY2(atCommit.contains(QLatin1String("duplicate")), qPrintable(atCommit));
    QVERIFY(!x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start", "close", "start", "close"}));

    // Statements without commit share one transaction until the commit.
    x.events.clear();
    x.Exec("CREATE EXCEPTION E_ONE 'one'", false);
    x.Exec("CREATE EXCEPTION E_TWO 'two'", false);
    QCOMPARE(x.events, QStringList({"start"}));
    QVERIFY(x.db->InTransaction());
    const QString both =
        QStringLiteral("SELECT COUNT(*) FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME IN ('E_ONE', 'E_TWO')");
    QCOMPARE(fixtures::queryValue(target, both).toInt(), 0);
    x.db->Commit();
    QCOMPARE(fixtures::queryValue(target, both).toInt(), 2);
    QCOMPARE(x.events, QStringList({"start", "close"}));
    // A rejected statement without commit leaves the transaction, and what it did, pending.
    x.events.clear();
    x.Exec("CREATE EXCEPTION E_THREE 'three'", false);
    QVERIFY(!x.ErrorOf("DROP EXCEPTION E_MISSING", false).isEmpty());
    QVERIFY(x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start"}));
    x.db->Rollback();
    QCOMPARE(fixtures::exceptionCount(target, QStringLiteral("E_THREE")), 0);
    QCOMPARE(x.events, QStringList({"start", "close"}));

    // Line breaks reach the server as they are: LF, CR and CR LF alike, also inside a literal;
    // the text ends at its first NUL.
    static const char raw[] = "CREATE TRIGGER T_LF FOR T_LOG AFTER INSERT AS\nBEGIN\r  EXIT;\r\nEND\0garbage";
    x.db->ExecSQL(QString::fromLatin1(raw, sizeof raw - 1), true);
    QCOMPARE(Value(target, "SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'T_LF'"),
             QStringLiteral("AS\nBEGIN\r  EXIT;\r\nEND"));
    x.Exec("CREATE EXCEPTION E_LINES 'first\nsecond\r\n'", true);
    QCOMPARE(Value(target, "SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = 'E_LINES'"),
             QStringLiteral("first\nsecond\r\n"));
    // Whatever literal the server knows passes, Q-strings among them.
    x.Exec("CREATE EXCEPTION E_Q q'{It's a \"q\" string; with ; inside}'", true);
    QCOMPARE(Value(target, "SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = 'E_Q'"),
             QStringLiteral("It's a \"q\" string; with ; inside"));
    // A statement that returns rows has nowhere to send them.
    QCOMPARE(x.ErrorOf("SELECT 1 FROM RDB$DATABASE", true),
             QStringLiteral("\rDynamic SQL Error\rSQLDA error\rNo SQLDA for output values provided"));

    // Statements run in the database's dialect, asked again on the attachment that replaced
    // the first: DATE is a timestamp in dialect 1, and double quotes make a string there (an
    // identifier in dialect 3).
    const FbDatabase other = fixtures::createDatabase(4 - dialect, Content::Empty, access);
    for (const FbDatabase &db : {target, other}) {
      const QString where = QStringLiteral("dialect %1").arg(db.dialect);
      if (db.file != target.file) {
        x.db->Close();
        x.Point(db);
        x.db->Open();
      }
      x.Exec("CREATE DOMAIN D_WHEN AS DATE", true);
      QCOMPARE(x.db->SQLDialect(), db.dialect);
      QCOMPARE(Value(db, "SELECT RDB$FIELD_TYPE FROM RDB$FIELDS WHERE RDB$FIELD_NAME = 'D_WHEN'"),
               db.dialect == 1 ? "35" : "12");
      QVERIFY2((x.ErrorOf("CREATE EXCEPTION E_DQ \"quoted\"", true) == "<no error>") == (db.dialect == 1),
               qPrintable(where));
    }
    QCOMPARE(fixtures::exceptionCount(target, QStringLiteral("E_DQ")), dialect == 1 ? 1 : 0);
    QCOMPARE(fixtures::domainCount(other, QStringLiteral("D_WHEN")), 1);

    // A login cancelled while the start opens the database.
    Executor y(target);
    y.db->LoginPrompt = true;
    y.db->OnLogin = [](TDatabase *, TStringList &) { throw Exception(QStringLiteral("Login canceled")); };
    QCOMPARE(fixtures::errorOf<Exception>([&] { y.db->StartTransaction(); }), QStringLiteral("Login canceled"));
    QVERIFY(!y.db->InTransaction());
    QVERIFY(y.events.isEmpty());
    QVERIFY(DefaultCursorShown());
  }

  void failedStartFiresNothing() {
    FbDatabase missing;
    // On a port nothing listens on: a missing local file would also be tried through the
    // server, which answers failed logins late.
    missing.name =
        QStringLiteral("127.0.0.1/1:") + fixtures::tempPath(QStringLiteral("missing"), QStringLiteral(".fdb"));
    missing.user = QStringLiteral("SYSDBA");
    Executor x(missing);
    QVERIFY(!x.ErrorOf("CREATE EXCEPTION E_NO 'no'", true).isEmpty());
    QVERIFY(!x.db->InTransaction());
    QVERIFY(x.events.isEmpty());
    QVERIFY(DefaultCursorShown());
  }

  void statusVectorsAndScreenCursor() {
    TIBDataBase db;
    static char first[] = "first line";
    static char second[] = "second line";
    const ISC_STATUS twoLines[] = {isc_arg_gds, isc_random, isc_arg_string, reinterpret_cast<ISC_STATUS>(first),
                                   isc_arg_gds, isc_random, isc_arg_string, reinterpret_cast<ISC_STATUS>(second),
                                   isc_arg_end};
    std::copy(std::begin(twoLines), std::end(twoLines), db.StatusVector);
    QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { db.CheckStatus(); }), QStringLiteral("\rfirst line\rsecond line"));
    // Only a first word 1 with a non-zero second word is a failure: warnings pass.
    const ISC_STATUS warning[] = {
        isc_arg_gds, 0, isc_arg_warning, isc_random, isc_arg_string, reinterpret_cast<ISC_STATUS>(first), isc_arg_end};
    std::fill(std::begin(db.StatusVector), std::end(db.StatusVector), 0);
    std::copy(std::begin(warning), std::end(warning), db.StatusVector);
    QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { db.CheckStatus(); }), QStringLiteral("<no error>"));
    std::fill(std::begin(db.StatusVector), std::end(db.StatusVector), 0);
    QCOMPARE(fixtures::errorOf<EDatabaseError>([&] { db.CheckStatus(); }), QStringLiteral("<no error>"));
    // Not a stack: one 0 restores the default cursor whatever was set before.
    Screen().SetCursor(crSQLWait);
    Screen().SetCursor(crSQLWait);
    QVERIFY(QGuiApplication::overrideCursor());
    Screen().SetCursor(0);
    QVERIFY(DefaultCursorShown());
  }

  // The shell's suites keep settings away from the user's own through this.
  void tempHomeHoldsSettings() {
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    {
      fixtures::TempHome home;
      QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), home.configHome());
      QSettings settings(QStringLiteral("Quorvane Systems"), QStringLiteral("ZUL DB TESSELOR"));
      settings.setValue(QStringLiteral("IB_AUTOCOMMIT"), 1);
      settings.sync();
      QVERIFY2(settings.fileName().startsWith(home.configHome() + QLatin1Char('/')), qPrintable(settings.fileName()));
      QVERIFY(QFile::exists(settings.fileName()));
    }
    QCOMPARE(qgetenv("XDG_CONFIG_HOME"), before);
  }

  void terminationSignalEndsTheProgram() {
    // The client library puts its own handlers on SIGTERM and SIGINT at its first attachment;
    // the program's must still be the ones that run, every time.
    const FbDatabase db = fixtures::createDatabase(3, Content::Empty, Access::Embedded);
    for (int run = 0; run < 10; ++run) {
      const auto child = fixtures::signalChild(QStringLiteral("child_sigterm"), {db.file}, run % 2 ? SIGINT : SIGTERM);
      QCOMPARE(child.FirstLine, QByteArray("ready"));
      QVERIFY2(child.Ended, qPrintable(QStringLiteral("run %1 did not end").arg(run)));
      QVERIFY2(child.Clean, qPrintable(child.Errors));
      QVERIFY(child.Output.contains("quit"));
    }
  }
};

TESSELOR_TEST_MAIN(TestIbdb)
#include "test_ibdb.moc"

// The executor against real Firebird databases, embedded and over TCP through the server.
#include "server/cursors.h"
#include "server/errors.h"
#include "server/ibdb.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/suite.h"

#include <QBitmap>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QtTest>
#include <csignal>
#include <memory>

using fixtures::Access;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {

// The executor on a fixture database, with every event it fires written down.
struct Executor {
  std::unique_ptr<TIBDataBase> db = std::make_unique<TIBDataBase>();
  QStringList events;

  explicit Executor(const FbDatabase &target) {
    static int n = 0;
    db->SetDatabaseName(QStringLiteral("IBTEST%1").arg(++n));
    db->SetDriverName(QStringLiteral("INTRBASE"));
    Point(target);
    db->OnStartTransaction = [this](QObject *sender) {
      QCOMPARE(sender, db.get());
      events << QStringLiteral("start");
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
};

QString ExceptionOf(const std::function<void()> &f) {
  try {
    f();
  } catch (const EDatabaseError &e) {
    return QStringLiteral("EDatabaseError: ") + e.Message();
  } catch (const Exception &e) {
    return e.Message();
  }
  return QStringLiteral("<no error>");
}

bool DefaultCursorShown() { return Screen().Cursor() == 0 && QGuiApplication::overrideCursor() == nullptr; }

}  // namespace

class TestIbdb : public QObject {
  Q_OBJECT

  // Rows for the tests that run both embedded and over TCP.
  void accessRows() {
    QTest::addColumn<bool>("tcp");
    QTest::newRow("embedded") << false;
    QTest::newRow("tcp") << true;
  }
  // A known-content dialect-3 database reached as the current row asks.
  FbDatabase Known(int dialect = 3) {
    QFETCH(bool, tcp);
    return fixtures::createDatabase(dialect, Content::Known, tcp ? Access::Tcp : Access::Embedded);
  }

private slots:
  void initTestCase() { RegisterSQLWaitCursor(); }

  void fixtureDatabases_data() {
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<int>("dialect");
    QTest::newRow("embedded dialect 1") << false << 1;
    QTest::newRow("embedded dialect 3") << false << 3;
    QTest::newRow("tcp dialect 1") << true << 1;
    QTest::newRow("tcp dialect 3") << true << 3;
  }
  // The fixtures themselves: the other suites rely on these objects being there.
  void fixtureDatabases() {
    QFETCH(bool, tcp);
    QFETCH(int, dialect);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = fixtures::createDatabase(dialect, Content::Known, tcp ? Access::Tcp : Access::Embedded);
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT MON$SQL_DIALECT FROM MON$DATABASE")).toInt(), dialect);
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT COUNT(*) FROM RDB$FIELDS WHERE RDB$FIELD_NAME "
                                                     "STARTING WITH 'D_'"))
                 .toInt(),
             10);
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE "
                                                     "RDB$EXCEPTION_NAME = 'E_LONG'"))
                 .toString(),
             QString::fromLatin1(fixtures::kLongExceptionMessage));
    QVERIFY(qstrlen(fixtures::kLongExceptionMessage) > 78);
    const auto triggers = fixtures::query(
        db, QStringLiteral("SELECT RDB$TRIGGER_NAME, RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, RDB$TRIGGER_INACTIVE "
                           "FROM RDB$TRIGGERS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY RDB$TRIGGER_NAME"));
    QStringList seen;
    for (const QVariantList &t : triggers)
      seen << QStringLiteral("%1:%2:%3:%4").arg(t[0].toString()).arg(t[1].toInt()).arg(t[2].toInt()).arg(t[3].toInt());
    QCOMPARE(seen, QStringList({"T_DETAIL_BI:1:5:1", "T_LOG_BD:5:0:1", "T_MASTER_AD:6:0:0", "T_MASTER_AI:2:0:0",
                                "T_MASTER_AU:4:0:0", "T_MASTER_BD:5:0:0", "T_MASTER_BI:1:0:0", "T_MASTER_BI20:1:20:0",
                                "T_MASTER_BU:3:0:0"}));
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT GEN_ID(G_SPARE, 0) FROM RDB$DATABASE")).toInt(), 42);
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT COUNT(*) FROM V_MASTER_DETAIL")).toInt(), 3);
    // isql sees the same, as long as nothing in this process holds an embedded file.
    QCOMPARE(fixtures::isqlValues(db, QStringLiteral("SELECT RDB$EXCEPTION_NAME FROM RDB$EXCEPTIONS "
                                                     "ORDER BY 1")),
             QStringList({"E_LONG", "E_SHORT", "E_UNUSED"}));
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

  void failedCommitAfterRollsBackPendingWork_data() { accessRows(); }
  void failedCommitAfterRollsBackPendingWork() {
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase target = Known();
    Executor x(target);
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_PENDING 'pending'"), false);
    const QString error = fixtures::errorOf<EDatabaseError>(
        [&] { x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_SHORT 'again'"), true); });
    QVERIFY2(error.contains(QLatin1String("E_SHORT")), qPrintable(error));
    QVERIFY(!x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start", "close"}));
    QCOMPARE(fixtures::exceptionCount(target, QStringLiteral("E_PENDING")), 0);
    QVERIFY(DefaultCursorShown());

    // A failure the server reports only at commit is rolled back the same way.
    const QString atCommit = fixtures::errorOf<EDatabaseError>(
        [&] { x.db->ExecSQL(QStringLiteral("CREATE UNIQUE INDEX IX_DUP ON T_DETAIL (MASTER_ID)"), true); });
    QVERIFY2(atCommit.contains(QLatin1String("duplicate")), qPrintable(atCommit));
    QVERIFY(!x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start", "close", "start", "close"}));
  }

  void statementsWithoutCommitShareOneTransaction_data() { accessRows(); }
  void statementsWithoutCommitShareOneTransaction() {
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase target = Known();
    Executor x(target);
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_ONE 'one'"), false);
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_TWO 'two'"), false);
    QCOMPARE(x.events, QStringList({"start"}));
    QVERIFY(x.db->InTransaction());
    QCOMPARE(fixtures::exceptionCount(target, QStringLiteral("E_ONE")) +
                 fixtures::exceptionCount(target, QStringLiteral("E_TWO")),
             0);
    x.db->Commit();
    QCOMPARE(fixtures::exceptionCount(target, QStringLiteral("E_ONE")) +
                 fixtures::exceptionCount(target, QStringLiteral("E_TWO")),
             2);
    QCOMPARE(x.events, QStringList({"start", "close"}));

    // A rejected statement without commit leaves the transaction, and what it did, pending.
    x.events.clear();
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_THREE 'three'"), false);
    QVERIFY(!fixtures::errorOf<EDatabaseError>([&] {
               x.db->ExecSQL(QStringLiteral("DROP EXCEPTION E_MISSING"), false);
             }).isEmpty());
    QVERIFY(x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start"}));
    x.db->Rollback();
    QCOMPARE(fixtures::exceptionCount(target, QStringLiteral("E_THREE")), 0);
    QCOMPARE(x.events, QStringList({"start", "close"}));
  }

  void everyLineReachesTheServerWithCrLf_data() { accessRows(); }
  void everyLineReachesTheServerWithCrLf() {
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase target = Known();
    Executor x(target);
    // LF, CR and CR LF endings alike; the text ends at its first NUL.
    static const char raw[] = "CREATE TRIGGER T_LF FOR T_LOG AFTER INSERT AS\nBEGIN\r  EXIT;\r\nEND\0garbage";
    const QString text = QString::fromLatin1(raw, sizeof raw - 1);
    x.db->ExecSQL(text, true);
    QCOMPARE(fixtures::queryValue(target, QStringLiteral("SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS "
                                                         "WHERE RDB$TRIGGER_NAME = 'T_LF'"))
                 .toString(),
             QStringLiteral("AS\r\nBEGIN\r\n  EXIT;\r\nEND"));
    // Line breaks inside a literal arrive as CR LF too.
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_LINES 'first\nsecond\n'"), true);
    QCOMPARE(fixtures::queryValue(target, QStringLiteral("SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS "
                                                         "WHERE RDB$EXCEPTION_NAME = 'E_LINES'"))
                 .toString(),
             QStringLiteral("first\r\nsecond\r\n"));
  }

  void checkStatusMessageForm() {
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
    db.CheckStatus();
    std::fill(std::begin(db.StatusVector), std::end(db.StatusVector), 0);
    db.CheckStatus();
  }

  void serverMessageForm() {
    const FbDatabase target = fixtures::createDatabase(3, Content::Known);
    Executor x(target);
    const QString error =
        fixtures::errorOf<EDatabaseError>([&] { x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_SHORT 'x'"), true); });
    QCOMPARE(error, QStringLiteral("\runsuccessful metadata update\rCREATE EXCEPTION E_SHORT failed"
                                   "\rException E_SHORT already exists"));
  }

  void eventsOnlyOnSuccess() {
    const FbDatabase target = fixtures::createDatabase(3, Content::Known);
    Executor x(target);
    const QString notActive = QStringLiteral("Not active transaction for IB");
    QCOMPARE(ExceptionOf([&] { x.db->Commit(); }), notActive);
    QCOMPARE(ExceptionOf([&] { x.db->Rollback(); }), notActive);
    QCOMPARE(ExceptionOf([&] { x.db->ExecuteStatement(TStringList(QStringList{"CREATE EXCEPTION E_NO 'no'"})); }),
             notActive);
    QVERIFY(x.events.isEmpty());
    QVERIFY(DefaultCursorShown());

    x.db->StartTransaction();
    x.db->StartTransaction();
    QCOMPARE(x.events, QStringList({"start"}));

    // A commit the server refuses keeps the transaction and fires nothing.
    x.db->ExecSQL(QStringLiteral("CREATE UNIQUE INDEX IX_DUP ON T_DETAIL (MASTER_ID)"), false);
    QVERIFY(!fixtures::errorOf<EDatabaseError>([&] { x.db->Commit(); }).isEmpty());
    QVERIFY(x.db->InTransaction());
    QCOMPARE(x.events, QStringList({"start"}));
    QVERIFY(DefaultCursorShown());
    x.db->Rollback();
    QCOMPARE(x.events, QStringList({"start", "close"}));
    QCOMPARE(fixtures::queryValue(target, QStringLiteral("SELECT COUNT(*) FROM RDB$INDICES WHERE "
                                                         "RDB$INDEX_NAME = 'IX_DUP'"))
                 .toInt(),
             0);
  }

  void failedStartFiresNothing() {
    FbDatabase missing;
    missing.name = fixtures::tempPath(QStringLiteral("missing"), QStringLiteral(".fdb"));
    missing.user = QStringLiteral("SYSDBA");
    Executor x(missing);
    QVERIFY(!fixtures::errorOf<EDatabaseError>([&] {
               x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_NO 'no'"), true);
             }).isEmpty());
    QVERIFY(!x.db->InTransaction());
    QVERIFY(x.events.isEmpty());
    QVERIFY(DefaultCursorShown());

    // A login cancelled while the start opens the database.
    const FbDatabase target = fixtures::createDatabase(3);
    Executor y(target);
    y.db->LoginPrompt = true;
    y.db->OnLogin = [](TDatabase *, TStringList &) { throw Exception(QStringLiteral("Login canceled")); };
    QCOMPARE(ExceptionOf([&] { y.db->StartTransaction(); }), QStringLiteral("Login canceled"));
    QVERIFY(!y.db->InTransaction());
    QVERIFY(y.events.isEmpty());
    QVERIFY(DefaultCursorShown());
  }

  void nextTransactionRunsOnTheNewAttachment_data() { accessRows(); }
  void nextTransactionRunsOnTheNewAttachment() {
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const Access access = tcp ? Access::Tcp : Access::Embedded;
    const FbDatabase first = fixtures::createDatabase(3, Content::Empty, access);
    const FbDatabase second = fixtures::createDatabase(1, Content::Empty, access);
    Executor x(first);
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_FIRST 'first'"), true);
    QCOMPARE(x.db->SQLDialect(), 3);
    x.db->Close();
    x.Point(second);
    x.db->Open();
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_SECOND 'second'"), true);
    QCOMPARE(x.db->SQLDialect(), 1);
    QCOMPARE(fixtures::exceptionCount(first, QStringLiteral("E_FIRST")), 1);
    QCOMPARE(fixtures::exceptionCount(first, QStringLiteral("E_SECOND")), 0);
    QCOMPARE(fixtures::exceptionCount(second, QStringLiteral("E_SECOND")), 1);
    QCOMPARE(fixtures::exceptionCount(second, QStringLiteral("E_FIRST")), 0);
  }

  void terminationSignalEndsTheProgram() {
    // The client library puts its own handlers on SIGTERM and SIGINT at its first attachment;
    // the program's must still be the ones that run, every time.
    const FbDatabase db = fixtures::createDatabase(3, Content::Empty, Access::Embedded);
    for (int run = 0; run < 10; ++run) {
      QProcess child;
      child.start(QString::fromLocal8Bit(qgetenv("TESSELOR_TEST_BINARY_DIR")) + QStringLiteral("/child_sigterm"),
                  {db.file});
      QVERIFY(child.waitForReadyRead(30000));
      QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
      ::kill(pid_t(child.processId()), run % 2 ? SIGINT : SIGTERM);
      QVERIFY2(child.waitForFinished(15000), qPrintable(QStringLiteral("run %1 did not end").arg(run)));
      QCOMPARE(child.exitStatus(), QProcess::NormalExit);
      QCOMPARE(child.exitCode(), 0);
      QVERIFY(child.readAllStandardOutput().contains("quit"));
    }
  }

  void statementsRunInTheDatabaseDialect_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<int>("dateType");  // RDB$FIELD_TYPE that DATE means there
    QTest::newRow("dialect 1") << 1 << 35;
    QTest::newRow("dialect 3") << 3 << 12;
  }
  void statementsRunInTheDatabaseDialect() {
    QFETCH(int, dialect);
    QFETCH(int, dateType);
    const FbDatabase target = fixtures::createDatabase(dialect);
    Executor x(target);
    x.db->ExecSQL(QStringLiteral("CREATE DOMAIN D_WHEN AS DATE"), true);
    QCOMPARE(x.db->SQLDialect(), dialect);
    QCOMPARE(fixtures::queryValue(target, QStringLiteral("SELECT RDB$FIELD_TYPE FROM RDB$FIELDS "
                                                         "WHERE RDB$FIELD_NAME = 'D_WHEN'"))
                 .toInt(),
             dateType);
    // Double quotes make a string in dialect 1 and an identifier in dialect 3.
    const QString quoted = fixtures::errorOf<EDatabaseError>(
        [&] { x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_DQ \"quoted\""), true); });
    QCOMPARE(quoted == QLatin1String("<no error>"), dialect == 1);
  }

  void waitCursorWhileWorking() {
    const QCursor *none = QGuiApplication::overrideCursor();
    QVERIFY(!none);
    const FbDatabase target = fixtures::createDatabase(3);
    Executor x(target);
    int seenCursor = -1;
    QCursor seen;
    x.db->OnStartTransaction = [&](QObject *) {
      seenCursor = Screen().Cursor();
      if (QGuiApplication::overrideCursor()) seen = *QGuiApplication::overrideCursor();
    };
    x.db->ExecSQL(QStringLiteral("CREATE EXCEPTION E_CUR 'cursor'"), true);
    QCOMPARE(seenCursor, crSQLWait);
    QCOMPARE(seen.shape(), Qt::BitmapCursor);
    QCOMPARE(seen.hotSpot(), QPoint(0, 0));
    QCOMPARE(seen.bitmap().size(), QSize(32, 32));
    QCOMPARE(seen.mask().size(), QSize(32, 32));
    QVERIFY(DefaultCursorShown());

    // Not a stack: one 0 restores the default whatever was set before.
    Screen().SetCursor(crSQLWait);
    Screen().SetCursor(crSQLWait);
    QVERIFY(QGuiApplication::overrideCursor());
    Screen().SetCursor(0);
    QVERIFY(DefaultCursorShown());
  }
};

TESSELOR_TEST_MAIN(TestIbdb)
#include "test_ibdb.moc"

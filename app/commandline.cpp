#include "app/commandline.h"

#include "base/errors.h"
#include "base/regularfile.h"
#include "drivers/drivers.h"
#include "firebird/extract.h"
#include "firebird/script.h"
#include "firebird/scriptworker.h"
#include "firebird/session.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace {
const QString kExtract = QStringLiteral("extract-ddl");
const QString kRun = QStringLiteral("run-script");
const QString kOutput = QStringLiteral("output");
const QString kSingle = QStringLiteral("single-transaction");
const QString kUser = QStringLiteral("user");
const QString kPassword = QStringLiteral("password");
constexpr qint64 kMaxScriptBytes = 512LL * 1024 * 1024;

void Print(std::FILE *stream, const QString &text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
  std::fflush(stream);
}

// The server's message lines as isql shows them: one per line.
QString Lines(QString message) {
  message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  message.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return message.trimmed();
}

// The session of the run, its database opened with the command line's login.
void Connect(TFbSession &session, const QCommandLineParser &parser, const QString &database) {
  QString user = parser.value(kUser), password = parser.value(kPassword);
  if (!parser.isSet(kUser)) user = qEnvironmentVariable("ISC_USER");
  if (!parser.isSet(kPassword)) password = qEnvironmentVariable("ISC_PASSWORD");
  // The embedded engine takes any name and checks no password; a server judges both.
  if (user.isEmpty()) user = QStringLiteral("SYSDBA");
  TIBDataBase *db = session.Database();
  db->LoginPrompt = false;
  db->Params.SetValues(QStringLiteral("SERVER NAME"), database);
  db->Params.SetValues(QStringLiteral("USER NAME"), user);
  db->Params.SetValues(QStringLiteral("PASSWORD"), password);
  db->Open();
}

int Extract(const QCommandLineParser &parser) {
  TFbSession session;
  Connect(session, parser, parser.value(kExtract));
  const QString ddl = DatabaseDDL();
  if (!parser.isSet(kOutput) || parser.value(kOutput) == QLatin1String("-")) {
    Print(stdout, ddl);
    return 0;
  }
  QSaveFile file(parser.value(kOutput));
  if (!file.open(QIODevice::WriteOnly) || file.write(ddl.toUtf8()) < 0 || !file.commit())
    throw Exception(QStringLiteral("Cannot write %1: %2").arg(parser.value(kOutput), file.errorString()));
  return 0;
}

int RunScript(const QCommandLineParser &parser) {
  const QString fileName = parser.value(kRun);
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1) {
    Print(stderr, QStringLiteral("tesselor: --run-script FILE DATABASE: name one database\n"));
    return 2;
  }
  QByteArray bytes;
  QString why;
  if (ReadRegularFile(fileName, kMaxScriptBytes, bytes, &why) != TReadResult::Ok)
    throw Exception(QStringLiteral("Cannot read %1: %2").arg(fileName, why));
  TScriptEnd end;
  const QList<TScriptStatement> statements = SplitScript(QString::fromUtf8(bytes), &end);

  const bool single = parser.isSet(kSingle);
  AutoCommit = !single;
  TFbSession session;
  Connect(session, parser, positional[0]);
  TIBDataBase *db = session.Database();

  int rc = 0;
  {
    TScriptRun run(statements);
    QEventLoop loop;
    QObject::connect(&run, &TScriptRun::Failed, &loop, [&](const TScriptStatement &, const QString &message) {
      Print(stderr, Lines(message) + QLatin1Char('\n'));
      rc = 1;
      loop.quit();
    });
    QObject::connect(&run, &TScriptRun::Finished, &loop, &QEventLoop::quit);
    run.Start();
    loop.exec();
    for (const TScriptStatement &skipped : run.Skipped())
      Print(stderr, QStringLiteral("Line %1: skipped (not run on an open database): %2\n")
                        .arg(skipped.Line)
                        .arg(skipped.Text.section(QLatin1Char('\n'), 0, 0)));
  }
  // All or nothing: what ran is kept only when everything did.
  if (db->InTransaction()) rc == 0 ? db->Commit() : db->Rollback();
  db->Close();
  return rc;
}
}  // namespace

void DescribeHeadlessOptions(QCommandLineParser &parser) {
  parser.addOption({kExtract, QStringLiteral("Writes the DDL script of the database (no window is opened)."),
                    QStringLiteral("database")});
  parser.addOption({{QStringLiteral("o"), kOutput},
                    QStringLiteral("With --extract-ddl: the file to write (standard output by default)."),
                    QStringLiteral("file")});
  parser.addOption({kRun,
                    QStringLiteral("Runs the script file on the database named after it, committing each "
                                   "statement; stops at the first error (no window is opened)."),
                    QStringLiteral("file")});
  parser.addOption({kSingle, QStringLiteral("With --run-script: one transaction, committed only when all ran.")});
  parser.addOption({kUser, QStringLiteral("The user name (else ISC_USER)."), QStringLiteral("name")});
  parser.addOption({kPassword, QStringLiteral("The password (else ISC_PASSWORD)."), QStringLiteral("password")});
}

bool HeadlessRequested(const QCommandLineParser &parser) { return parser.isSet(kExtract) || parser.isSet(kRun); }

int RunHeadless(const QCommandLineParser &parser) {
  RegisterDrivers();
  try {
    return parser.isSet(kExtract) ? Extract(parser) : RunScript(parser);
  } catch (const std::exception &e) {
    Print(stderr, Lines(QString::fromUtf8(e.what())) + QLatin1Char('\n'));
    return 1;
  }
}

// The program as a desktop installs it: `cmake --install` into a temporary DESTDIR, the
// installed files checked with the desktop's own validators, the installed program's --help
// and --version, and where the connection history goes when the program's directory is not
// the user's to write.
#include "app/history.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/suite.h"
#include "tests/fixtures/testenv.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QString kAppId = QStringLiteral(TESSELOR_APP_ID);

struct Run {
  int Exit = -1;
  QString Out, Err;
};

// Runs a program to its end; extra environment as NAME=value, "-NAME" removes a variable.
Run RunProgram(const QString &program, const QStringList &args, const QStringList &env = {}) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString &v : env)
    v.startsWith('-') ? e.remove(v.mid(1)) : e.insert(v.section('=', 0, 0), v.section('=', 1));
  p.setProcessEnvironment(e);
  p.start(program, args);
  const bool ended = p.waitForFinished(120000);
  if (!ended) p.kill(), p.waitForFinished();
  return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromLocal8Bit(p.readAllStandardOutput()),
          ended ? QString::fromLocal8Bit(p.readAllStandardError()) : program + QStringLiteral(" did not finish")};
}

// The [Desktop Entry] keys of a .desktop file.
QMap<QString, QString> DesktopEntry(const QString &file) {
  QFile f(file);
  QMap<QString, QString> keys;
  if (!f.open(QIODevice::ReadOnly)) return keys;
  for (const QString &line : QString::fromUtf8(f.readAll()).split('\n'))
    if (line.contains('=')) keys.insert(line.section('=', 0, 0), line.section('=', 1));
  return keys;
}

// For the scope, dir is a program directory this process may not write, as an installed
// program's is for its user. Permission bits do not stop root, so as root the process takes
// the real and effective ids of "nobody" (keeping the saved id to come back) and hands it
// the temporary home; access(2) and the kernel then answer as for that user.
class NotWritableProgramDir {
public:
  NotWritableProgramDir(const QString &dir, const QString &home) : FDir(dir) {
    FOk = ::chmod(qPrintable(dir), 0555) == 0;
    if (geteuid() != 0) return;
    const passwd *nobody = getpwnam("nobody");
    const QString owner = nobody ? QStringLiteral("%1:%2").arg(nobody->pw_uid).arg(nobody->pw_gid) : QString();
    FOk = FOk && nobody && QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), owner, home}) == 0 &&
          setresgid(nobody->pw_gid, nobody->pw_gid, 0) == 0;
    FDropped = FOk && setresuid(nobody->pw_uid, nobody->pw_uid, 0) == 0;
    FOk = FOk && FDropped;
  }
  bool Ok() const { return FOk; }
  ~NotWritableProgramDir() {
    if (FDropped && setresuid(0, 0, 0) != 0) qFatal("cannot return to root");
    if (geteuid() == 0 && setresgid(0, 0, 0) != 0) qFatal("cannot return to the root group");
    ::chmod(qPrintable(FDir), 0755);
  }

private:
  QString FDir;
  bool FOk = false, FDropped = false;
};

// Starts the program, notes its history list, sets the text and closes it answering OK.
QStringList StartAndClose(const QString &text) {
  StartUp({QStringLiteral("tesselor")});
  QStringList seen;
  for (int i = 0; i < MainForm->dbPath->count(); ++i)
    seen << MainForm->dbPath->itemText(i);
  MainForm->dbPath->setEditText(text);
  const ModalSeenPtr box = answerNextModal(QStringLiteral("OK"));
  MainForm->close();
  ShutDown();
  return box->Shown ? seen : QStringList{QStringLiteral("<no exit question>")};
}

}  // namespace

class TestInstall : public QObject {
  Q_OBJECT

  QString FRoot;    // DESTDIR
  QString FPrefix;  // DESTDIR + the install prefix
  QString Installed(const QString &path) const { return FPrefix + '/' + path; }

private slots:
  void initTestCase() {
    quietOffscreenWarnings();
    QCoreApplication::setApplicationName(QStringLiteral("tesselor"));  // as the program names itself
    FRoot = fixtures::tempPath(QStringLiteral("destdir"));
    FPrefix = FRoot + QStringLiteral(TESSELOR_INSTALL_PREFIX);
    const Run install = RunProgram(QStringLiteral(TESSELOR_CMAKE), {QStringLiteral("--install"), TESSELOR_BUILD_DIR},
                                   {QStringLiteral("DESTDIR=") + FRoot});
    QVERIFY2(install.Exit == 0, qPrintable(install.Out + install.Err));
  }

  void cleanup() {
    SetProgramDirectory(QString());
    SetInstallDirectory(QString());
  }

  void installedFiles() {
    QVERIFY(QFileInfo(Installed(QStringLiteral("bin/tesselor"))).isExecutable());
    const QString desktop = Installed(QStringLiteral("share/applications/%1.desktop").arg(kAppId));
    const QString metainfo = Installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId));
    QVERIFY(QFile::exists(metainfo));

    const QMap<QString, QString> entry = DesktopEntry(desktop);
    QCOMPARE(QStringList({entry["Name"], entry["Categories"], entry["Exec"], entry["MimeType"]}),
             QStringList({"ZUL DB Tesselor for IB", "Development;Database;", "tesselor %f",
                          "application/x-firebird-database;"}));
    QVERIFY(!entry.value(QStringLiteral("Comment")).isEmpty());

    // The theme holds the icon the entry names at every size the icon script draws.
    const QDir drawn(QStringLiteral(TESSELOR_SOURCE_DIR "/resources/icons"));
    const QStringList sizes = drawn.entryList({QStringLiteral("tesselor-*.png")});
    QVERIFY(sizes.size() >= 5);
    for (const QString &file : sizes) {
      const int size = file.section('-', 1).section('.', 0, 0).toInt();
      const QImage icon(Installed(
          QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(entry.value(QStringLiteral("Icon")))));
      QCOMPARE(icon.size(), QSize(size, size));
    }

    const Run desktopCheck = RunProgram(QStringLiteral("desktop-file-validate"), {desktop});
    QVERIFY2(desktopCheck.Exit == 0 && desktopCheck.Out.isEmpty(), qPrintable(desktopCheck.Out + desktopCheck.Err));
    // The tree check also finds the metadata's menu entry.
    const Run appstream = RunProgram(QStringLiteral("appstreamcli"),
                                     {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), FPrefix});
    QVERIFY2(appstream.Exit == 0, qPrintable(appstream.Out + appstream.Err));

    // The file type compiles into the MIME database and claims both extensions.
    const QString mime = Installed(QStringLiteral("share/mime"));
    const Run update = RunProgram(QStringLiteral("update-mime-database"), {mime});
    QVERIFY2(update.Exit == 0, qPrintable(update.Err));
    const QByteArray globs = fixtures::readFile(mime + QStringLiteral("/globs2"));
    QVERIFY2(globs.contains(":application/x-firebird-database:*.fdb\n") &&
                 globs.contains(":application/x-firebird-database:*.gdb\n"),
             globs.constData());
  }

  // The installed program answers without a window system: a window would need a display.
  void helpAndVersion_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");  // a regular expression
    QTest::newRow("--version") << "--version"
                               << "^tesselor (\\d+(\\.\\d+)+)\n$";
    QTest::newRow("--help") << "--help"
                            << "^Usage: \\S*tesselor \\[options\\] \\[database\\]\n.*--version.*database";
  }
  void helpAndVersion() {  // after a database path, which does not hide the option
    QFETCH(QString, option);
    QFETCH(QString, expected);
    const Run run = RunProgram(
        Installed(QStringLiteral("bin/tesselor")), {QStringLiteral("/db/x.fdb"), option},
        {QStringLiteral("-DISPLAY"), QStringLiteral("-WAYLAND_DISPLAY"), QStringLiteral("QT_QPA_PLATFORM=xcb")});
    QVERIFY2(run.Exit == 0, qPrintable(run.Err));
    const QRegularExpressionMatch m =
        QRegularExpression(expected, QRegularExpression::DotMatchesEverythingOption).match(run.Out);
    QVERIFY2(m.hasMatch(), qPrintable(run.Out));
    // The version is the one the software-centre metadata announces.
    if (m.lastCapturedIndex() >= 1) {
      const QByteArray metainfo =
          fixtures::readFile(Installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId)));
      QVERIFY2(metainfo.contains(QStringLiteral("<release version=\"%1\"").arg(m.captured(1)).toUtf8()),
               metainfo.constData());
    }
  }

  // Where the history lives: beside a program in a directory the user may write (a build
  // tree), per user when that directory is the one the program is installed to (root may
  // write it; the history still stays out of it).
  void historyPlace_data() {
    QTest::addColumn<bool>("installDir");
    QTest::newRow("build tree") << false;
    QTest::newRow("install directory") << true;
  }
  void historyPlace() {
    QFETCH(bool, installDir);
    fixtures::TempHome home;
    const QString dir = fixtures::tempPath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(dir));
    SetProgramDirectory(dir);
    if (installDir) SetInstallDirectory(dir + QStringLiteral("/../") + QFileInfo(dir).fileName());  // another spelling
    QCOMPARE(StartAndClose(QStringLiteral("/db/a.fdb")), QStringList());
    const QString beside = dir + QStringLiteral("/connect.hst");
    const QString perUser = home.dataHome() + QStringLiteral("/tesselor/connect.hst");
    QCOMPARE(fixtures::readFile(installDir ? perUser : beside), QByteArray());  // an empty list
    QVERIFY(!QFile::exists(installDir ? beside : perUser));
  }

  void historyPerUserWhenTheProgramDirectoryIsReadOnly() {
    fixtures::TempHome home;
    const QString dir = fixtures::tempPath(QStringLiteral("system-bin"));
    QVERIFY(QDir().mkpath(dir));
    fixtures::writeFile(dir + QStringLiteral("/connect.hst"), "/db/earlier.fdb\r\n");  // left by an older run
    const QString perUser = home.dataHome() + QStringLiteral("/tesselor/connect.hst");
    SetProgramDirectory(dir);
    {
      NotWritableProgramDir readOnly(dir, home.root());
      QVERIFY(readOnly.Ok());
      // The first run reads the old place and writes the per-user one.
      QCOMPARE(StartAndClose(QStringLiteral("/db/a.fdb")), QStringList{QStringLiteral("/db/earlier.fdb")});
      QCOMPARE(fixtures::readFile(perUser), QByteArray("/db/earlier.fdb\r\n"));
      // From then on the per-user file is the history.
      fixtures::writeFile(perUser, "/db/mine.fdb\r\n/db/earlier.fdb\r\n");
      QCOMPARE(StartAndClose(QStringLiteral("/db/earlier.fdb")),
               QStringList({QStringLiteral("/db/mine.fdb"), QStringLiteral("/db/earlier.fdb")}));
      QCOMPARE(fixtures::readFile(perUser), QByteArray("/db/earlier.fdb\r\n/db/mine.fdb\r\n"));
    }
    QCOMPARE(fixtures::readFile(dir + QStringLiteral("/connect.hst")), QByteArray("/db/earlier.fdb\r\n"));
  }
};

TESSELOR_TEST_MAIN(TestInstall)
#include "test_install.moc"

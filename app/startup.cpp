#include "app/startup.h"

#include "app/about.h"
#include "app/commandline.h"
#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/windowtable.h"
#include "base/termination.h"
#include "drivers/drivers.h"
#include "firebird/executor.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "windows/catalog/exceptiondialog.h"
#include "windows/repository/settingsdialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

void DescribeCommandLine(QCommandLineParser &parser) {
  // Qt's own options are single-dash words (-reverse): never read them as -r -e -v ...
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(kProgramTitle + QStringLiteral(": administers one Firebird database at a time."));
  parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help.")});
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("database"),
                               QStringLiteral("The database path shown in the Database box (a file, or host:/path). "
                                              "Connecting stays a command of the File menu."),
                               QStringLiteral("[database]"));
  DescribeHeadlessOptions(parser);
}

void Print(std::FILE *stream, const QString &text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}
}  // namespace

// The resources live in a static library: make sure the linker keeps them. (Outside any
// namespace, as the macro declares the initialiser where it stands.)
static void InitResources() { Q_INIT_RESOURCE(resources); }

QIcon ProgramIcon() {
  InitResources();
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/tesselor-%1.png").arg(size), QSize(size, size));
  return icon;
}

std::optional<int> AnswerCommandLine(int argc, char **argv) {
  QCoreApplication::setApplicationName(QStringLiteral("tesselor"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TESSELOR_VERSION));
  // A core application only: --version must answer where no display is reachable.
  const QCoreApplication core(argc, argv);
  QCommandLineParser parser;
  DescribeCommandLine(parser);
  // Options this parser does not know may be the toolkit's own (-style, -platform): the
  // application object takes those, and start-up reports what is left.
  const bool parsed = parser.parse(core.arguments());
  if (parser.isSet(QStringLiteral("help"))) {
    Print(stdout, parser.helpText());
    return 0;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    Print(stdout,
          QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
    return 0;
  }
  if (HeadlessRequested(parser)) {
    if (!parsed) {
      Print(stderr, QStringLiteral("tesselor: %1\n").arg(parser.errorText()));
      return 2;
    }
    return RunHeadless(parser);
  }
  return std::nullopt;
}

void StartUp(const QStringList &arguments) {
  RegisterDrivers();
  RegisterSQLWaitCursor();

  AutoCommit = false;
  RepositoryDir.clear();
  std::optional<Exception> settingsError;
  try {
    LoadSettings();
  } catch (const Exception &e) {
    settingsError = e;
  }
  QCommandLineParser parser;
  DescribeCommandLine(parser);
  if (!parser.parse(arguments)) Print(stderr, QStringLiteral("tesselor: %1\n").arg(parser.errorText()));
  DatabasePath = parser.positionalArguments().value(0);

  SetApplicationTitle(kProgramTitle);
  QApplication::setWindowIcon(ProgramIcon());
  if (settingsError) ShowException(*settingsError);

  DMSys = new TDMSys(qApp);
  SetShell(ProgramShell());
  MainForm = new TMainForm;
  AboutBox = new TAboutBox;
  ExcDlg = new TExcDlg;
  ORepOptDlg = new TORepOptDlg;
  MainForm->show();
}

namespace {
void Report(const std::function<void()> &step) {
  try {
    step();
  } catch (const std::exception &e) {
    Print(stderr, ErrorText(e) + QLatin1Char('\n'));
  }
}
}  // namespace

void ShutDown(bool interactive) {
  delete ORepOptDlg;
  ORepOptDlg = nullptr;
  delete ExcDlg;
  ExcDlg = nullptr;
  delete AboutBox;
  AboutBox = nullptr;
  delete MainForm;
  MainForm = nullptr;
  delete DMSys;
  DMSys = nullptr;
  if (interactive)
    Guard([] { SaveSettings(); });
  else
    Report([] { SaveSettings(); });
}

void EndOnSignal() {
  if (MainForm) Report([] { MainForm->SaveHistory(); });
  // exit, not quit: quit would first ask the windows to close, and closing asks its questions.
  QCoreApplication::exit(0);
}

int RunProgram(QApplication &app) {
  // Caught from the start: a box start-up shows (a settings error) waits in an event loop too,
  // and a signal then ends the program the same way.
  CatchTerminationSignals(EndOnSignal);
  StartUp(app.arguments());
  const int rc = TerminationSignal() != 0 ? 0 : app.exec();
  const bool signalled = TerminationSignal() != 0;
  ShutDown(!signalled);
  if (signalled) ShutDownClientLibrary();
  return rc;
}

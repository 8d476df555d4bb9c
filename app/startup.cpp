#include "app/startup.h"

#include "app/about.h"
#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "catalog/exceptiondialog.h"
#include "repository/settingsdialog.h"
#include "server/ibdb.h"
#include "server/termination.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QApplication>
#include <cstdio>
#include <functional>
#include <optional>

namespace {
const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");
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

void StartUp(const QStringList &arguments) {
  RegisterSQLWaitCursor();

  AutoCommit = false;
  RepositoryDir.clear();
  std::optional<Exception> settingsError;
  try {
    LoadSettings();
  } catch (const Exception &e) {
    settingsError = e;
  }
  DatabasePath = arguments.value(1);

  SetApplicationTitle(kTitle);
  QApplication::setWindowIcon(ProgramIcon());
  if (settingsError) ShowException(*settingsError);

  DMSys = new TDMSys(qApp);
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
    std::fprintf(stderr, "%s\n", qPrintable(ErrorText(e)));
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
  StartUp(app.arguments());
  CatchTerminationSignals(EndOnSignal);
  const int rc = app.exec();
  const bool signalled = TerminationSignal() != 0;
  ShutDown(!signalled);
  if (signalled) ShutDownClientLibrary();
  return rc;
}

#include "app/startup.h"

#include "app/about.h"
#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "catalog/exceptiondialog.h"
#include "repository/settingsdialog.h"
#include "server/ibdb.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QApplication>
#include <optional>

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

  SetApplicationTitle(kProgramTitle);
  QApplication::setWindowIcon(ProgramIcon());
  if (settingsError) ShowException(*settingsError);

  DMSys = new TDMSys(qApp);
  MainForm = new TMainForm;
  AboutBox = new TAboutBox;
  ExcDlg = new TExcDlg;
  ORepOptDlg = new TORepOptDlg;
  MainForm->show();
}

void ShutDown() {
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
  Guard([] { SaveSettings(); });
}

int RunProgram(QApplication &app) {
  StartUp(app.arguments());
  QuitOnEngineShutdownSignal();
  const int rc = app.exec();
  ShutDown();
  return rc;
}

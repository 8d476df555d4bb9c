// Runs the program as main() does on the database path given first, connects through the
// File menu and the login dialog (answered OK), says "connected", and goes on until a
// termination signal ends it. The history goes to the file named second.
#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "tests/fixtures/modal.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  SetHistoryFileName(app.arguments().value(2));
  QTimer::singleShot(0, [] {
    answerNextModal(QStringLiteral("OK"));
    MainForm->MnConnect->trigger();
    std::puts(DMSys->IBDataBase->Connected() ? "connected" : "not connected");
    std::fflush(stdout);
  });
  const int rc = RunProgram(app);
  std::puts("ended");
  return rc;
}

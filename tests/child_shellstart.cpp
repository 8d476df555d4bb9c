// Runs the program as main() does, on a temporary home, and prints "shown" once the main
// window is on the screen and the event loop turns (what a user needs to start working); then
// ends. The start-up benchmark times it from outside.
#include "app/mainform.h"
#include "app/startup.h"
#include "tests/fixtures/testenv.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <cstdio>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  fixtures::TempHome home;
  SetHistoryFileName(fixtures::tempPath(QStringLiteral("connect"), QStringLiteral(".hst")));
  QTimer::singleShot(0, [] {
    if (!QTest::qWaitForWindowExposed(MainForm)) {
      QCoreApplication::exit(2);
      return;
    }
    std::puts("shown");
    std::fflush(stdout);
    QCoreApplication::exit(0);
  });
  return RunProgram(app);
}

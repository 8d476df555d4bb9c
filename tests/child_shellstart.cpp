// Starts the program as main() does, on a temporary home, and prints "shown" once the main
// window is on the screen; then shuts down. The start-up benchmark times it from outside.
#include "app/mainform.h"
#include "app/startup.h"
#include "tests/fixtures/testenv.h"

#include <QApplication>
#include <QtTest>
#include <cstdio>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  fixtures::TempHome home;
  SetHistoryFileName(fixtures::tempPath(QStringLiteral("connect"), QStringLiteral(".hst")));
  StartUp(app.arguments());
  if (!QTest::qWaitForWindowExposed(MainForm)) return 2;
  std::puts("shown");
  std::fflush(stdout);
  ShutDown();
  return 0;
}

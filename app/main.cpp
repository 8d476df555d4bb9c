#include "app/startup.h"

#include <QApplication>

int main(int argc, char **argv) {
  if (const std::optional<int> answered = AnswerCommandLine(argc, argv)) return *answered;
  QApplication app(argc, argv);
  return RunProgram(app);
}

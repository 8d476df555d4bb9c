#pragma once
// The program's start-up and shutdown around the message loop, kept apart from main() so
// tests and the benchmark can run them.
#include <QIcon>
#include <QStringList>
#include <optional>

class QApplication;

// The program icon, in every size it is drawn in.
QIcon ProgramIcon();

// Answers --help and --version (printed to stdout, result 0) and runs the headless modes
// (--extract-ddl, --run-script: app/commandline) before any window system is needed; nullopt
// when the program is to run. Also names the program and its version.
std::optional<int> AnswerCommandLine(int argc, char **argv);

// Everything before the message loop, in this order: the SQL wait cursor, the settings (a
// value of the wrong type is reported once the title is set), DatabasePath from the first
// argument that is not an option (a path that starts with '-' follows "--"; an unknown
// option is reported on stderr), the title, then DMSys, MainForm (shown), AboutBox, ExcDlg
// and ORepOptDlg. The server database stays closed.
void StartUp(const QStringList &arguments);
// After the message loop: destroys the dialogs, the main window with its children and
// DMSys (closing both connections), then saves the settings; a failure to save is shown, or
// with interactive false written to stderr (nobody may be there to answer a box).
void ShutDown(bool interactive = true);
// What SIGTERM, SIGINT and SIGHUP do: closing without its questions. The history is written
// and the message loop (with any box or dialog open in it) ends; ShutDown follows.
void EndOnSignal();
// StartUp, the message loop until the main window has closed (or a termination signal came),
// ShutDown; after a signal, the client library is shut down and waited for before returning.
int RunProgram(QApplication &app);

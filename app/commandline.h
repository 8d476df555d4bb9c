#pragma once
// The program's headless modes, for scripts and pipelines: no window system is needed, only
// the core application the command line was read in.
//   --extract-ddl DATABASE [-o FILE]   the database's whole DDL script (standard output by default)
//   --run-script FILE DATABASE [--single-transaction]
// Both log in with --user/--password, else ISC_USER/ISC_PASSWORD as isql does; DATABASE is a
// path (the embedded engine) or host:/path or host/port:/path (a server).
#include <QString>

class QCommandLineParser;

// Adds the headless modes' options to the program's command line.
void DescribeHeadlessOptions(QCommandLineParser &parser);
// Whether the parsed command line asks for a headless mode.
bool HeadlessRequested(const QCommandLineParser &parser);
// Runs the mode asked for and returns the exit code: 0 on success; 1 when the database or a
// statement failed (the message on stderr, "Line N: ..." for a script), 2 for a wrong command line.
int RunHeadless(const QCommandLineParser &parser);

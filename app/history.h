#pragma once
// Where the connection history "connect.hst" lives. Run from its build tree, or from any
// directory its user may write, the program keeps the file beside itself. Installed, its
// directory belongs to the system (and root could write it all the same), so the history
// goes to the per-user data directory instead.
#include <QString>

// The file the history is written to. Creates the per-user data directory when the history
// goes there.
QString HistoryFileName();
// The file the history is read from at start: HistoryFileName(), or, until that file exists,
// the one an earlier run kept beside the program.
QString HistoryFileToRead();
// The entries of a history file that read as paths, in order: a damaged spot (a NUL, a control
// character) costs only the entry it is in. Raises Exception as TStringList::LoadFromFile.
QStringList ReadHistory(const QString &fileName);

// For tests: an explicit history file, the directory taken as the program's own, and the
// one taken as the install directory (an empty name restores the default).
void SetHistoryFileName(const QString &fileName);
void SetProgramDirectory(const QString &dir);
void SetInstallDirectory(const QString &dir);

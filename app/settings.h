#pragma once
// Process-wide state shared by the windows, and the per-user settings that keep two of it.
#include <QString>

extern bool AutoCommit;        // commit after every DDL command; "IB_AUTOCOMMIT"
extern QString RepositoryDir;  // the object repository's directory; "OR DIRECTORY"
extern QString DatabasePath;   // the server database path as the user typed it

// Organisation "Quorvane Systems", application "ZUL DB TESSELOR" (QSettings).
void LoadSettings();
void SaveSettings();

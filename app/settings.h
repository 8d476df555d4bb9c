#pragma once
// Process-wide state shared by the windows, and the per-user settings that keep two of it.
#include <QString>

class QSettings;

extern bool AutoCommit;        // commit after every DDL command; "IB_AUTOCOMMIT"
extern QString RepositoryDir;  // the object repository's directory; "OR DIRECTORY"
extern QString DatabasePath;   // the server database path as the user typed it

// Organisation "Quorvane Systems", application "ZUL DB TESSELOR" (QSettings). On Linux the
// store is a text file, so "IB_AUTOCOMMIT" counts as an integer when it reads as a whole number.
//
// LoadSettings sets only the values that are present. A value of the wrong type leaves its
// setting as it was (its default at start-up); after reading everything it raises Exception
// "Invalid data type for 'NAME'" naming the first such value. The next save replaces it.
void LoadSettings();
// Writes both values, "OR DIRECTORY" also when empty. Raises Exception when the store
// cannot be written.
void SaveSettings();

// The settings store (the caller deletes it) and the file behind it.
QSettings *OpenSettings();
QString SettingsFileName();

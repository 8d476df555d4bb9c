#pragma once
// The per-user settings, and the path the user typed.
// The settings keep AutoCommit (the session's policy) and RepositoryDir (the repository's place).
#include "firebird/session.h"
#include "windows/repository/repositorytable.h"

#include <QString>

class QSettings;

extern QString DatabasePath;  // the server database path as the user typed it

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

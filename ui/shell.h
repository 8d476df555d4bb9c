#pragma once
// What a window asks of the program around it: the windows do not know each other, the shell
// does. The shell installs its implementation at start-up; without one these requests do
// nothing.
#include "base/lines.h"

#include <QString>

class TShell {
public:
  virtual ~TShell() = default;
  // The status bar's text.
  virtual void ShowStatus(const QString &text) = 0;
  // A new data window on a table or view.
  virtual void ShowTableData(const QString &relation) = 0;
  // A new DDL statements window holding lines.
  virtual void ShowDDL(const TStringList &lines) = 0;
};

// The shell's implementation, or null; SetShell(nullptr) removes it.
TShell *Shell();
void SetShell(TShell *shell);

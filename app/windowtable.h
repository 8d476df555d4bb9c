#pragma once
// The tool windows of the "&Database" menu, one row each, in menu order: the shell builds the
// menu and sets its items' states from this table alone. A new window is its own file plus
// one row here. The table is also the shell's side of TShell: it opens the windows one window
// asks for on behalf of another.
#include "ui/shell.h"

#include <QKeySequence>
#include <QList>
#include <functional>

struct TWindowKind {
  const char *objectName;  // the menu item's object name
  QString caption;
  QString hint;
  QKeySequence shortcut;
  std::function<void()> open;   // null: the window is not built yet, the item stays disabled
  bool needsConnection = true;  // off while the server database is closed
};

const QList<TWindowKind> &DatabaseWindows();
// Opens a window of that kind, the database first when it needs one.
void OpenWindow(const TWindowKind &kind);

// Shows what windows ask of the shell: the main window's status bar, new data and DDL windows.
class TWindowShell : public TShell {
public:
  void ShowStatus(const QString &text) override;
  void ShowTableData(const QString &relation) override;
  void ShowDDL(const TStringList &lines) override;
};
// The program's shell, installed by start-up (and by the tests' start of the program).
TWindowShell *ProgramShell();

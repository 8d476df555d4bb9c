#pragma once
// What the catalog list windows share: the row of speed buttons docked at their top, the grid
// of their list, and a size that shows every column of it.
#include "firebird/extract.h"

#include <QList>
#include <QSize>
#include <QString>
#include <functional>

class QFrame;
class QToolButton;
class QWidget;
class TDBGrid;
class TDataSet;
class TDataSource;

// The button row: a panel one button row high (37 pixels), named "btnPanel".
QFrame *CreateButtonPanel(QWidget *parent);
// A speed button appended to the row, left to right; it takes no focus, so a click leaves the
// grid's current cell alone. The hint shows in the main window's status bar and as a tooltip.
QToolButton *AddSpeedButton(QFrame *panel, const char *objectName, const QString &caption,
                            const QString &hint = QString());

// "Show DD&L": the statements that create the current row's object (its name from name), shown in a
// new DDL statements window; on only while the list has rows.
QToolButton *AddDDLButton(QFrame *panel, TDataSource *source, TObjectKind kind, std::function<QString()> name);
// A new DDL statements window with the statements that create that object.
void ShowObjectDDL(TObjectKind kind, const QString &name);

// The source of a list: the catalog is never edited from a grid, so automatic edit is off.
TDataSource *CreateListSource(TDataSet *dataSet, QWidget *form, const char *objectName);
// The grid "FGrid" on source, filling the form below the button row.
TDBGrid *CreateListGrid(QWidget *form, QFrame *panel, TDataSource *source);
// A grid's double-click: the memo viewer for a memo column, nothing for any other.
void ShowSelectedMemo(TDBGrid *grid);

// Runs reread (through the error guard) whenever the program's own DDL, a commit, a rollback
// or a script run may have changed the catalog, for as long as form lives.
void FollowCatalog(QWidget *form, std::function<void()> reread);
// The buttons that act on the current row are on only while the source's list has rows.
void EnableWithRows(TDataSource *source, const QList<QToolButton *> &buttons);
// "Drop <kind> <name>?" with "&Yes" and "&No": true for Yes.
bool ConfirmDrop(const char *kind, const QString &name);
// A new DDL statements window holding the text (through the shell): a Show DDL.
void ShowDDLText(const QString &text);
// Each column as wide as its title and the cells shown need, within 400 pixels (ui/dbgrid).
void FitColumns(TDBGrid *grid);

// Wide enough for every column of the grid, no less tall than minHeight, as far as the main
// window's area allows; base is the window's own hint.
QSize ColumnsSizeHint(const TDBGrid *grid, QSize base, int minHeight = 340);

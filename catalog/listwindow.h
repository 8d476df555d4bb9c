#pragma once
// What the catalog list windows share: the row of speed buttons docked at their top, the
// declared columns of their tables, and a size that shows every column of their grid.
#include <QSize>
#include <QString>

class QFrame;
class QToolButton;
class QWidget;
class TDBGrid;
class TField;

// The button row: a panel one button row high (37 pixels), named "btnPanel".
QFrame *CreateButtonPanel(QWidget *parent);
// A speed button appended to the row, left to right; it takes no focus, so a click leaves the
// grid's current cell alone. The hint shows in the main window's status bar and as a tooltip.
QToolButton *AddSpeedButton(QFrame *panel, const char *objectName, const QString &caption,
                            const QString &hint = QString());

// A declared field with its grid label, its width in characters and whether it is shown.
TField *DeclareField(TField *field, const QString &label, int width, bool visible = true);
inline TField *HiddenField(TField *field) { return DeclareField(field, QString(), 0, false); }

// Wide enough for every column of the grid, no less tall than minHeight, as far as the main
// window's area allows; base is the window's own hint.
QSize ColumnsSizeHint(const TDBGrid *grid, QSize base, int minHeight = 340);

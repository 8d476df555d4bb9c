#pragma once
// Pieces the tool windows are built from: a panel's speed button, the pick list of a
// database's tables and views, and the lines of a stored source.
#include "base/lines.h"

#include <QString>

class QComboBox;
class QToolButton;
class QWidget;
class TField;

// A text-only button that takes no focus, so a click leaves the grid's current cell alone.
QToolButton *CreateSpeedButton(QWidget *parent, const QString &name, const QString &caption);
// A pick-only combo box ("TblsCB") wide enough for a catalog name.
QComboBox *CreateRelationList(QWidget *parent);
// Fills the list with the table and view names of the database by alias (no system tables);
// nothing is chosen afterwards.
void FillRelationList(QComboBox *list, const QString &alias);
// The text of a memo field (a stored source) in the dataset's current row, as lines.
TStringList SourceLines(TField *source);

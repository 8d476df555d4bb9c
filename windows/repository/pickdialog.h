#pragma once
// Picking a stored source from the object repository.
#include "base/lines.h"

#include <QDialog>

class TSQLEditor;
class QPushButton;
class TDBGrid;
class TDataSource;
class TField;
class TTable;

// Shows the pick dialog modally. On OK the source of the chosen entry replaces lines;
// any other end raises the silent abort and leaves lines as they were.
void SelectObjectSource(TStringList &lines);
// The same for an editor control: the chosen source replaces the editor's text.
void SelectObjectSource(TSQLEditor *editor);

// The pick dialog: the entry names, read-only; OK, Enter or a double click chooses the
// current row.
class TSelObjSourceForm : public QDialog {
  Q_OBJECT
public:
  // Opens the table on creation; an error is shown and the dialog stays usable.
  explicit TSelObjSourceForm(QWidget *parent = nullptr);

  TDBGrid *DataGrid;
  QPushButton *OkBtn;
  QPushButton *CancelBtn;
  TTable *ReposTable;
  TField *ObjectFld;        // "OBJECT NAME", label "Object", Size 30, Required
  TField *ObjectSourceFld;  // "OBJECT SOURCE", label "Source", not visible
  TDataSource *ReposSource;

  void FormCreate();
  void OkBtnClick();

  // Cancel, Esc and the close box end with the modal result Cancel.
  void reject() override;

protected:
  void showEvent(QShowEvent *event) override;
};

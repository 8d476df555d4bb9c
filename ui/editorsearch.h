#pragma once
// The SQL editor's search and replace dialog: the text to find, its replacement, the options
// (case, whole word, regular expression, wrap) and the commands. It stays open beside the
// editor; F3 and Shift+F3 in the editor look again for what it holds.
#include "ui/sqleditorwidget.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFindDialog : public QDialog {
  Q_OBJECT
public:
  explicit TFindDialog(TSQLEditor *editor);

  // Shows the dialog (with the replace part when replace), the selection as the text to
  // find when it is one line.
  void ShowFor(bool replace, const QString &selected);
  QString Text() const;
  TFindOptions Options() const;
  // "Not found" or nothing, after a search.
  void ShowResult(bool found);

  QLineEdit *FindEdit, *ReplaceEdit;
  QCheckBox *CaseBox, *WordBox, *RegExpBox, *WrapBox;
  QPushButton *NextBtn, *PrevBtn, *MarkAllBtn, *ReplaceBtn, *ReplaceAllBtn;
  QLabel *ReplaceLabel, *Status;

private:
  void FindNext(bool backward);
  void ReplaceOne();
  TSQLEditor *FEditor;
};

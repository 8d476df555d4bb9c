#pragma once
// Executing a stored procedure: the dialog that asks for its inputs (each typed as its
// parameter's kind, or NULL), and the window that shows what it returned.
#include "firebird/procedures.h"
#include "ui/mdichild.h"

#include <QDialog>
#include <QList>
#include <QVariant>

class QCheckBox;
class QLabel;
class QLineEdit;
class TResultsPane;

class TProcParamsDialog : public QDialog {
  Q_OBJECT
public:
  TProcParamsDialog(const QString &procedure, const QList<TProcParameter> &inputs, QWidget *parent = nullptr);
  // One row per input: its label, its text and its NULL switch.
  QList<QLabel *> Labels;
  QList<QLineEdit *> Edits;
  QList<QCheckBox *> Nulls;
  // The arguments as SQL literals (or NULL), in the inputs' order; raises with the parameter's
  // name when a text is not a value of its kind.
  QStringList Arguments() const;

protected:
  void accept() override;

private:
  QList<TProcParameter> FInputs;
};

// What one execution returned, in the results pane: a selectable procedure's rows, an
// executable one's single row.
class TProcResultForm : public TChildForm {
  Q_OBJECT
public:
  explicit TProcResultForm(QWidget *parent = nullptr);
  TResultsPane *Results;

protected:
  void FormClose() override;
};

// Asks for the procedure's inputs (no question when it has none), executes it and shows what
// it returned in a new window, which it returns; null when the user cancelled.
TProcResultForm *RunProcedure(const QString &name, bool selectable);

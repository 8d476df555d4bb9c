#include "windows/catalog/procedurerun.h"

#include "data/dataset.h"
#include "data/valuetext.h"
#include "firebird/procedures.h"
#include "firebird/session.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "windows/catalog/listwindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <memory>

TProcParamsDialog::TProcParamsDialog(const QString &procedure, const QList<TProcParameter> &inputs, QWidget *parent)
    : QDialog(parent), FInputs(inputs) {
  setObjectName(QStringLiteral("ProcParamsDialog"));
  setWindowTitle(QStringLiteral("Execute procedure %1").arg(procedure));
  auto *fields = new QGridLayout;
  const int dialect = FbSession()->Dialect();
  for (int i = 0; i < inputs.size(); ++i) {
    const TProcParameter &p = inputs.at(i);
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("Input%1").arg(i + 1));
    auto *label = new QLabel(QStringLiteral("%1 %2").arg(p.Name, FieldTypeText(p.Type, dialect)), this);
    label->setBuddy(edit);
    auto *null = new QCheckBox(QStringLiteral("NULL"), this);
    null->setObjectName(QStringLiteral("Null%1").arg(i + 1));
    connect(null, &QCheckBox::toggled, edit, [edit](bool on) { edit->setEnabled(!on); });
    fields->addWidget(label, i, 0);
    fields->addWidget(edit, i, 1);
    fields->addWidget(null, i, 2);
    Labels << label;
    Edits << edit;
    Nulls << null;
  }
  fields->setColumnStretch(1, 1);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  resize(480, sizeHint().height());
}

QVariantList TProcParamsDialog::Values() const {
  QVariantList values;
  for (int i = 0; i < FInputs.size(); ++i) {
    const TProcParameter &p = FInputs.at(i);
    if (Nulls.at(i)->isChecked()) {
      values << QVariant();
      continue;
    }
    const TFieldType kind = FieldTypeKind(p.Type);
    // Text goes as typed (an empty text is an empty string); other kinds are checked here,
    // since the driver would read a text that is no number as 0.
    const QString text = Edits.at(i)->text();
    if (kind == TFieldType::ftString || kind == TFieldType::ftMemo) {
      values << QVariant(text);
      continue;
    }
    try {
      values << TextValue(text, kind, p.Type.Length, p.Name);
    } catch (const Exception &e) {
      throw Exception(QStringLiteral("%1: %2").arg(p.Name, e.Message()));
    }
  }
  return values;
}

void TProcParamsDialog::accept() {
  bool valid = false;
  Guard([&] {
    Values();
    valid = true;
  });
  if (valid) QDialog::accept();
}

TProcResultForm::TProcResultForm(QWidget *parent) : TChildForm(parent) {
  setObjectName(QStringLiteral("ProcResultForm"));
  Call = new TProcedureCall(this);
  CallSource = CreateListSource(Call, this, "CallSource");
  ResultGrid = new TDBGrid(this);
  ResultGrid->setObjectName(QStringLiteral("ResultGrid"));
  ResultGrid->SetReadOnly(true);
  ResultGrid->SetShowNulls(true);
  ResultGrid->SetDataSource(CallSource);
  StatusLabel = new QLabel(this);
  StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ResultGrid, 1);
  layout->addWidget(StatusLabel);
}

void TProcResultForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

TProcResultForm *RunProcedure(const QString &name, bool selectable) {
  QList<TProcParameter> inputs;
  for (const TProcParameter &p : ProcedureParameters(name))
    if (!p.Output) inputs << p;
  QVariantList values;
  if (!inputs.isEmpty()) {
    TProcParamsDialog dialog(name, inputs);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    values = dialog.Values();
  }
  // Filled before it is shown: a failed call leaves no empty window behind.
  auto form = std::make_unique<TProcResultForm>();
  form->setWindowTitle(QStringLiteral("Procedure %1").arg(name));
  form->Call->Run(name, values, selectable);
  const int rows = form->Call->RecordCount();
  form->StatusLabel->setText(rows == 1 ? QStringLiteral(" 1 row") : QStringLiteral(" %1 rows").arg(rows));
  FitColumns(form->ResultGrid);
  form->ShowChild();
  return form.release();
}

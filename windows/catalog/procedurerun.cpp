#include "windows/catalog/procedurerun.h"

#include "data/valuetext.h"
#include "firebird/procedures.h"
#include "firebird/session.h"
#include "ui/errordisplay.h"
#include "ui/resultspane.h"

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

QStringList TProcParamsDialog::Arguments() const {
  QStringList arguments;
  TFbSession *session = FbSession();
  for (int i = 0; i < FInputs.size(); ++i) {
    const TProcParameter &p = FInputs.at(i);
    const QString text = Edits.at(i)->text();
    const TFieldType kind = FieldTypeKind(p.Type);
    if (Nulls.at(i)->isChecked()) {
      arguments << QStringLiteral("NULL");
    } else if (kind == TFieldType::ftString || kind == TFieldType::ftMemo) {
      arguments << session->Literal(text);  // as typed, an empty text an empty string
    } else {
      // Checked here, so that the server gets a value of the kind or nothing at all; numbers go
      // as their exact text, other kinds as typed, for the server to read.
      QVariant value;
      try {
        value = TextValue(text, kind, p.Type.Length, p.Name);
      } catch (const Exception &e) {
        throw Exception(QStringLiteral("%1: %2").arg(p.Name, e.Message()));
      }
      if (value.isNull())
        arguments << QStringLiteral("NULL");
      else if (kind == TFieldType::ftFloat)
        arguments << QString::number(value.toDouble(), 'g', 17);
      else if (kind == TFieldType::ftSmallint || kind == TFieldType::ftInteger || kind == TFieldType::ftLargeint ||
               kind == TFieldType::ftBCD)
        arguments << value.toString();
      else
        arguments << session->Literal(text);
    }
  }
  return arguments;
}

void TProcParamsDialog::accept() {
  bool valid = false;
  Guard([&] {
    Arguments();
    valid = true;
  });
  if (valid) QDialog::accept();
}

TProcResultForm::TProcResultForm(QWidget *parent) : TChildForm(parent) {
  setObjectName(QStringLiteral("ProcResultForm"));
  Results = new TResultsPane(this);
  Results->setObjectName(QStringLiteral("Results"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Results);
}

void TProcResultForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

TProcResultForm *RunProcedure(const QString &name, bool selectable) {
  QList<TProcParameter> inputs;
  for (const TProcParameter &p : ProcedureParameters(name))
    if (!p.Output) inputs << p;
  QStringList arguments;
  if (!inputs.isEmpty()) {
    TProcParamsDialog dialog(name, inputs);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    arguments = dialog.Arguments();
  }
  auto *form = new TProcResultForm();
  form->setWindowTitle(QStringLiteral("Procedure %1").arg(name));
  form->ShowChild();
  form->ShowAtUsableSize(QSize(640, 360));
  form->Results->Run(ProcedureCallText(name, arguments, selectable));
  return form;
}

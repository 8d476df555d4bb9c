#include "ui/memoview.h"

#include "ui/dbmemo.h"

#include <QVBoxLayout>

TMemoViewForm::TMemoViewForm(QWidget *parent) : TChildForm(parent) {
  setObjectName(QStringLiteral("MemoViewForm"));
  setWindowTitle(QStringLiteral("Memo View"));
  MemoCtrl = new TDBMemo(this);
  MemoCtrl->setObjectName(QStringLiteral("MemoCtrl"));
  MemoCtrl->SetReadOnly(true);
  MemoCtrl->setWrapMode(QsciScintilla::WrapWord);  // a value is read whole, without scrolling sideways
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(MemoCtrl);
}

void ShowMemoField(TField *field, TDataSource *source, bool editable) {
  auto *form = new TMemoViewForm;
  form->MemoCtrl->SetReadOnly(!editable);
  // The viewer keeps only the source (guarded) and the field's name: the field object goes
  // away with its dataset, the viewer may stay open longer.
  form->MemoCtrl->SetDataSource(source);
  form->MemoCtrl->SetDataField(field ? field->FieldName : QString());
  if (field) form->setWindowTitle(QStringLiteral("Memo - ") + field->DisplayLabel());
  form->ShowChild();
  form->ShowAtUsableSize(QSize(500, 300));
}

void ShowMemoText(const QString &title, const QString &text) {
  auto *form = new TMemoViewForm;
  form->MemoCtrl->setPlainText(text);
  form->setWindowTitle(QStringLiteral("Memo - ") + title);
  form->ShowChild();
  form->ShowAtUsableSize(QSize(500, 300));
}

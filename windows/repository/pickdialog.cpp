#include "windows/repository/pickdialog.h"

#include "base/errors.h"
#include "data/dataset.h"
#include "ui/dbcontrols.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/sqleditorwidget.h"
#include "windows/repository/repositorytable.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The chosen entry's source, as stored. Raises the silent abort unless the dialog ends with
// OK on an open table: with no table there is nothing to choose, so the target stays as it is.
QString PickSource() {
  TSelObjSourceForm dialog(QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted || !dialog.ReposTable->Active()) throw EAbort();
  TBlobStream stream(dialog.ObjectSourceFld, TBlobStreamMode::bmRead);
  return TStringList::DecodeBytes(stream.readAll());
}
}  // namespace

void SelectObjectSource(TStringList &lines) {
  const QString text = PickSource();
  lines.Clear();
  lines.SetText(text);
}

void SelectObjectSource(TSQLEditor *editor) {
  QString text = PickSource();
  // The editor keeps the text as stored, a final line break included; the lines split as a
  // line list splits them.
  const qsizetype nul = text.indexOf(QChar(u'\0'));
  if (nul >= 0) text.truncate(nul);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(u'\r', u'\n');
  editor->setPlainText(text);
}

TSelObjSourceForm::TSelObjSourceForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Select Object Source"));

  ReposTable = new TTable(this);
  ReposTable->ReadOnly = true;
  const repository_table::TFields fields = repository_table::Declare(ReposTable, QStringLiteral("DEVSOURCES"));
  ObjectFld = fields.Name;
  ObjectFld->SetDisplayLabel(QStringLiteral("Object"));
  ObjectSourceFld = fields.Source;
  ObjectSourceFld->SetDisplayLabel(QStringLiteral("Source"));
  ObjectSourceFld->Visible = false;
  ReposSource = new TDataSource(ReposTable, this);
  ReposSource->AutoEdit = false;

  DataGrid = new TDBGrid(this);
  DataGrid->SetDataSource(ReposSource);
  OkBtn = new QPushButton(QStringLiteral("OK"), this);
  OkBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setAutoDefault(false);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkBtn);
  buttons->addWidget(CancelBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(DataGrid, 1);
  layout->addLayout(buttons);
  setFixedSize(320, 360);

  ConnectGuarded(OkBtn, &QPushButton::clicked, this, &TSelObjSourceForm::OkBtnClick);
  ConnectGuarded(DataGrid, &TDBGrid::OnDblClick, this, &TSelObjSourceForm::OkBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  DataGrid->setFocus();

  Guard([this] { FormCreate(); });
}

void TSelObjSourceForm::FormCreate() { ReposTable->Open(); }

void TSelObjSourceForm::OkBtnClick() { accept(); }

void TSelObjSourceForm::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
  DataGrid->setFocus();
}

void TSelObjSourceForm::reject() { done(mrCancel); }

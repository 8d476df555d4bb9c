#include "windows/repository/repositorywindow.h"

#include "base/errors.h"
#include "data/dataset.h"
#include "ui/dbcontrols.h"
#include "ui/dialogs.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "windows/repository/repositorytable.h"
#include "windows/repository/settingsdialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QVBoxLayout>

namespace {

// Stores text under a name the user types, through a new repository window. A missing table is
// offered first, as the settings dialog offers it. The name is posted first and the source
// after it, so a failure while writing the source leaves the name stored with an empty source.
void StoreSource(const QString &text) {
  const QString dir = repository_table::Directory();
  if (dir.trimmed().isEmpty())
    throw Exception(QStringLiteral("Choose the object repository's directory first (Object repository settings)"));
  OfferRepositoryTable(dir);
  QPointer<TObjRepos> form = new TObjRepos();
  if (!form->SrcTable->Active()) {
    // Its error has been shown: a window over no table would only be in the way.
    if (QMdiSubWindow *frame = form->SubWindow())
      frame->close();
    else
      form->close();
    throw EAbort();
  }
  QString name;
  if (!InputQuery(QStringLiteral("Name"), QStringLiteral("Enter a name for the statement"), name)) return;
  if (!form) throw EAbort();
  TTable *table = form->SrcTable;
  try {
    table->Insert();
    form->nameField->SetAsString(name.left(repository_table::kNameSize));
    table->Post();
    table->Edit();
    {
      TBlobStream stream(form->SrcField, TBlobStreamMode::bmWrite);
      stream.write(text.toUtf8());
    }
    table->Post();
  } catch (...) {
    table->Cancel();
    throw;
  }
}
}  // namespace

void AddObjectSource(const TStringList &lines) { StoreSource(lines.Text()); }

void AddObjectSource(const TSQLEditor *editor) { StoreSource(EditorText(editor)); }

TObjRepos::TObjRepos(QWidget *parent) : TChildForm(parent) {
  setWindowTitle(QStringLiteral("Objects repository"));

  SrcTable = new TTable(this);
  const repository_table::TFields fields = repository_table::Declare(SrcTable, QStringLiteral("DEVSOURCES"));
  SrcTable->IndexFieldNames = repository_table::kNameField;
  nameField = fields.Name;
  SrcField = fields.Source;
  SrcField->SetDisplayLabel(QStringLiteral("Source"));
  SrcField->Visible = false;
  DS = new TDataSource(SrcTable, this);
  DS->AutoEdit = true;

  NavigatorPanel = new QFrame(this);
  NavigatorPanel->setFrameShape(QFrame::StyledPanel);
  DBNavigator1 = new TDBNavigator(NavigatorPanel);
  DBNavigator1->SetDataSource(DS);
  auto *panelLayout = new QHBoxLayout(NavigatorPanel);
  panelLayout->setContentsMargins(4, 2, 4, 2);
  panelLayout->addWidget(DBNavigator1);
  panelLayout->addStretch();

  NamesGrid = new TDBGrid(this);
  NamesGrid->SetOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines |
                        dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit);
  NamesGrid->AddColumn(repository_table::kNameField, repository_table::kNameField);
  QFont titleFont = NamesGrid->horizontalHeader()->font();
  titleFont.setBold(true);
  NamesGrid->SetTitleFont(titleFont);
  NamesGrid->SetDataSource(DS);
  NamesGrid->setFixedWidth(210);

  DBMemo1 = new TDBMemo(this);
  DBMemo1->SetDataSource(DS);
  DBMemo1->SetDataField(repository_table::kSourceField);
  DBMemo1->setFrameShape(QFrame::NoFrame);
  DBMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto *body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  body->addWidget(NamesGrid);
  body->addWidget(DBMemo1, 1);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(NavigatorPanel);
  layout->addLayout(body, 1);

  Guard([this] { FormCreate(); });
  ShowChild();
  ShowAtUsableSize(QSize(600, 360));
}

void TObjRepos::FormCreate() { SrcTable->Open(); }

void TObjRepos::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

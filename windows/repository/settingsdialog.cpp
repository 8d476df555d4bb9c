#include "windows/repository/settingsdialog.h"

#include "base/errors.h"
#include "data/dataset.h"
#include "data/db.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "windows/repository/repositorytable.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TORepOptDlg *ORepOptDlg = nullptr;

namespace {

bool EndsWithSeparator(const QString &path) { return path.endsWith(QDir::separator()) || path.endsWith(u'/'); }

// The part of a path up to and including its last separator (or drive colon).
QString ParentPath(const QString &path) {
  qsizetype cut = qMax(path.lastIndexOf(QDir::separator()), path.lastIndexOf(u'/'));
#ifdef Q_OS_WIN
  cut = qMax(cut, path.lastIndexOf(u':'));
#endif
  return path.left(cut + 1);
}

// Where the recursion stops: nothing left of the path, or a bare drive on systems with drives.
bool IsRootPart(const QString &path) {
#ifdef Q_OS_WIN
  return path.size() < 3;
#else
  return path.isEmpty();
#endif
}
}  // namespace

bool DirectoryPresent(const QString &path) {
  const QFileInfo info(path);
  return info.exists() && info.isDir();
}

void CreateDirectoryChain(const QString &path) {
  QString p = path;
  if (EndsWithSeparator(p)) p.chop(1);
  if (IsRootPart(p) || DirectoryPresent(p)) return;
  const QString parent = ParentPath(p);
  if (!parent.isEmpty()) CreateDirectoryChain(parent);
  QDir().mkdir(p);
}

bool OfferRepositoryTable(QString dir) {
  if (!EndsWithSeparator(dir)) dir += QDir::separator();
  if (!DirectoryPresent(dir)) {
    if (MessageDlg(QStringLiteral("Directory '%1' not exists. Create it?").arg(dir), mbOKCancel) != mrOK)
      throw EAbort();
    CreateDirectoryChain(dir);
  }
  if (QFileInfo::exists(dir + repository_table::kTableName)) return false;
  // A root directory keeps its separator: without it the path would be empty.
  if (!IsRootPart(dir.left(dir.size() - 1))) dir.chop(1);
  if (MessageDlg(QStringLiteral("Table 'DVSRC.DB' in directory not exists. Create It?"), mbOKCancel) != mrOK)
    throw EAbort();
  // A connection of its own: the repository's may point elsewhere, or at nothing yet.
  TDatabase db;
  db.SetDatabaseName(QStringLiteral("TEMPIB"));
  db.SetDriverName(QStringLiteral("STANDARD"));
  db.Params.SetValues(QStringLiteral("PATH"), dir);
  db.Open();
  TTable table;
  repository_table::Declare(&table, QStringLiteral("TEMPIB"));
  repository_table::Create(&table);
  return true;
}

TORepOptDlg::TORepOptDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Create/register Object repository table"));

  Bevel1 = new QFrame(this);
  Bevel1->setFrameShape(QFrame::Box);
  Bevel1->setFrameShadow(QFrame::Sunken);
  DirLabel = new QLabel(QStringLiteral("&Directory of object repository table"), Bevel1);
  DirName = new QLineEdit(Bevel1);
  DirName->setMinimumWidth(300);
  DirLabel->setBuddy(DirName);
  auto *frameLayout = new QVBoxLayout(Bevel1);
  frameLayout->addWidget(DirLabel);
  frameLayout->addWidget(DirName);
  frameLayout->addStretch();

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setAutoDefault(false);
  auto *buttons = new QVBoxLayout;
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  buttons->addStretch();
  auto *layout = new QHBoxLayout(this);
  layout->addWidget(Bevel1, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(DirName, OKBtn);
  setTabOrder(OKBtn, CancelBtn);
  ConnectGuarded(OKBtn, &QPushButton::clicked, this, &TORepOptDlg::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  Guard([this] { FormCreate(); });
}

TORepOptDlg::~TORepOptDlg() {
  if (ORepOptDlg == this) ORepOptDlg = nullptr;
}

void TORepOptDlg::FormCreate() { DirName->setText(RepositoryDir); }

void TORepOptDlg::OKBtnClick() {
  QString dir = DirName->text();
  // The directory chain and the table need a place that does not depend on where the
  // program happens to run.
  if (dir.trimmed().isEmpty()) throw Exception(QStringLiteral("Enter the directory of the object repository table"));
  if (QDir::isRelativePath(dir)) throw Exception(QStringLiteral("Directory '%1' is not a full path").arg(dir));

  if (OfferRepositoryTable(dir)) {
    ShowMessage(QStringLiteral("Table created"));
    if (EndsWithSeparator(dir) && !IsRootPart(dir.left(dir.size() - 1))) dir.chop(1);
  } else if (!EndsWithSeparator(dir)) {
    dir += QDir::separator();
  }
  RepositoryDir = dir;
  repository_table::UseDirectory(dir);
  done(mrOK);
}

void TORepOptDlg::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
  DirName->setFocus();
}

void TORepOptDlg::reject() { done(mrCancel); }

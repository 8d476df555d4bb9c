#include "windows/editing/extractdialog.h"

#include "base/errors.h"
#include "base/lines.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/shell.h"
#include "windows/editing/ddlwindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSaveFile>
#include <QToolButton>
#include <QVBoxLayout>

TExtractDialog::TExtractDialog(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ExtractDialog"));
  setWindowTitle(QStringLiteral("Extract metadata"));
  ToWindow = new QRadioButton(QStringLiteral("To a DDL statements &window"), this);
  ToWindow->setObjectName(QStringLiteral("ToWindow"));
  ToFile = new QRadioButton(QStringLiteral("To a &file:"), this);
  ToFile->setObjectName(QStringLiteral("ToFile"));
  ToWindow->setChecked(true);
  FileEdit = new QLineEdit(this);
  FileEdit->setObjectName(QStringLiteral("FileEdit"));
  FileEdit->setMinimumWidth(320);
  BrowseBtn = new QToolButton(this);
  BrowseBtn->setObjectName(QStringLiteral("BrowseBtn"));
  BrowseBtn->setText(QStringLiteral("..."));
  ValuesCheck = new QCheckBox(QStringLiteral("Include the generators' current &values"), this);
  ValuesCheck->setObjectName(QStringLiteral("ValuesCheck"));
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  auto *grid = new QGridLayout;
  grid->addWidget(ToWindow, 0, 0, 1, 3);
  grid->addWidget(ToFile, 1, 0);
  grid->addWidget(FileEdit, 1, 1);
  grid->addWidget(BrowseBtn, 1, 2);
  grid->addWidget(ValuesCheck, 2, 0, 1, 3);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);

  const auto follow = [this] {
    FileEdit->setEnabled(ToFile->isChecked());
    BrowseBtn->setEnabled(ToFile->isChecked());
  };
  connect(ToFile, &QRadioButton::toggled, this, follow);
  follow();
  connect(FileEdit, &QLineEdit::textEdited, this, [this] { ToFile->setChecked(true); });
  ConnectGuarded(BrowseBtn, &QToolButton::clicked, this, &TExtractDialog::Browse);
  connect(buttons, &QDialogButtonBox::accepted, this, &TExtractDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TExtractDialog::reject);
}

void TExtractDialog::Browse() {
  TSaveDialog save;
  save.Title = QStringLiteral("Extract metadata to");
  save.Filter = kDDLFilter;
  save.DefaultExt = kDDLDefaultExt;
  save.FileName = FileEdit->text();
  if (save.Execute(this)) FileEdit->setText(save.FileName);
}

void TExtractDialog::accept() {
  if (ToFile->isChecked() && FileEdit->text().trimmed().isEmpty()) {
    ShowMessage(QStringLiteral("Name the file the script goes to"));
    return;
  }
  QDialog::accept();
}

void ExtractTo(const QString &file, const TExtractOptions &options) {
  TExtractRun run(options);
  QProgressDialog progress(QStringLiteral("Extracting metadata..."), QStringLiteral("Cancel"), 0, 0);
  progress.setObjectName(QStringLiteral("ExtractProgress"));
  progress.setWindowTitle(ApplicationTitle());
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(300);
  progress.setAutoReset(false);
  progress.setAutoClose(false);
  QEventLoop loop;
  QString ddl, error;
  bool cancelled = false;
  QObject::connect(&progress, &QProgressDialog::canceled, &run, &TExtractRun::Cancel);
  QObject::connect(&run, &TExtractRun::Progress, &progress, [&progress](int done, int total) {
    progress.setMaximum(total);
    progress.setValue(done);
  });
  QObject::connect(&run, &TExtractRun::Finished, &loop, [&](const QString &text) {
    ddl = text;
    loop.quit();
  });
  QObject::connect(&run, &TExtractRun::Failed, &loop, [&](const QString &message) {
    error = message;
    loop.quit();
  });
  QObject::connect(&run, &TExtractRun::Cancelled, &loop, [&] {
    cancelled = true;
    loop.quit();
  });
  run.Start();
  loop.exec();
  progress.close();
  if (cancelled) Abort();
  if (!error.isEmpty()) throw EDatabaseError(error);
  if (file.isEmpty()) {
    TStringList lines;
    lines.SetText(ddl);
    if (Shell()) Shell()->ShowDDL(lines);
    return;
  }
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly) || out.write(ddl.toUtf8()) < 0 || !out.commit())
    throw Exception(QStringLiteral("Cannot write %1: %2").arg(file, out.errorString()));
  if (Shell()) Shell()->ShowStatus(QStringLiteral("Metadata extracted to %1").arg(file));
}

void ExtractMetadata() {
  TExtractDialog dialog;
  if (dialog.exec() != QDialog::Accepted) return;
  TExtractOptions options;
  options.GeneratorValues = dialog.ValuesCheck->isChecked();
  ExtractTo(dialog.ToFile->isChecked() ? dialog.FileEdit->text().trimmed() : QString(), options);
}

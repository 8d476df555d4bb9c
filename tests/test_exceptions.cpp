// The Exceptions window and the exception dialog on real dialect-1 and dialect-3 databases,
// embedded and over TCP: what it lists, New and Update with and without auto commit, messages
// and names stored as typed, cancelled and refused statements. (What every catalog window does
// alike, dropping among it, is the Domains suite's.)
#include "app/datamodule.h"
#include "app/settings.h"
#include "data/dataset.h"
#include "firebird/exceptions.h"
#include "firebird/names.h"
#include "tests/fixtures/catalogwindows.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dbgrid.h"
#include "windows/catalog/exceptiondialog.h"
#include "windows/catalog/exceptions.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");
// An apostrophe, a double quote, a line break and letters beyond ASCII.
const QString kTrickyMessage = QStringLiteral("Can't say \"hi\" twice\nÄpfel, Öl, Straße, Ωμέγα, 日本");

FbDatabase Create(int dialect, bool tcp) {
  return fixtures::createDatabase(dialect, fixtures::Content::Known,
                                  tcp ? fixtures::Access::Tcp : fixtures::Access::Embedded);
}

// The grid's column as the user sees it, sorted.
QStringList Column(TDBGrid *grid, int column = 0) {
  grid->DataSet()->FetchAll();
  QStringList cells;
  for (int r = 0; r < grid->model()->rowCount(); ++r)
    cells << grid->model()->data(grid->model()->index(r, column)).toString();
  cells.sort();
  return cells;
}

void Select(TDBGrid *grid, const QString &field, const QString &value) {
  QVERIFY2(grid->DataSet()->Locate(field, value), qPrintable(value));
}

// The message of an exception as an attachment of its own sees it (null if there is none).
QVariant StoredMessage(const FbDatabase &db, const QString &name) {
  return fixtures::queryValue(
      db, "SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = " + StringLiteral(name, 3));
}

// Answers the exception dialog the next command opens, as the first event its own loop takes:
// records "name|message|name enabled|focus", fills in the fields given (a null text leaves a
// field as it is) and presses the button; errorBox, when given, answers the error box that
// may follow.
std::shared_ptr<QString> AnswerDialog(const QString &name, const QString &message, const QString &button = "OK",
                                      ModalSeenPtr *errorBox = nullptr) {
  auto seen = std::make_shared<QString>();
  const auto answer = [=] {
    if (QApplication::activeModalWidget() != ExcDlg) return;
    *seen = QStringList({ExcDlg->NameEdit->text(), ExcDlg->MsgEdit->toPlainText(),
                         ExcDlg->NameEdit->isEnabled() ? "enabled" : "disabled",
                         ExcDlg->focusWidget() ? ExcDlg->focusWidget()->objectName() : ""})
                .join('|');
    if (!name.isNull()) ExcDlg->NameEdit->setText(name);
    if (!message.isNull()) ExcDlg->MsgEdit->setPlainText(message);
    if (errorBox) *errorBox = answerNextModal("OK");
    (button == "OK" ? ExcDlg->OKBtn : ExcDlg->CancelBtn)->click();
  };
  QMetaObject::invokeMethod(qApp, answer, Qt::QueuedConnection);
  return seen;
}

}  // namespace

class TestExceptions : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> home;
  QList<QPointer<QWidget>> opened;
  QMap<int, FbDatabase> shared;  // by dialect
  int others = 0;

  TExceptionsForm *Open() {
    auto *form = new TExceptionsForm();
    opened << form;
    return form;
  }

private slots:
  void initTestCase() {
    home = fixtures::startDataModule(kTitle);
    ExcDlg = new TExcDlg;
  }

  void cleanup() { fixtures::closeWindowsAndDisconnect(opened); }

  // Enter in the message presses the default OK; Esc and the close box cancel.
  void dialogKeys() {
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape), 0}) {
      const auto press = [key] { key ? QTest::keyClick(ExcDlg->MsgEdit, Qt::Key(key)) : void(ExcDlg->close()); };
      QMetaObject::invokeMethod(qApp, press, Qt::QueuedConnection);
      QCOMPARE(ExcDlg->exec(), key == Qt::Key_Return ? int(QDialog::Accepted) : int(QDialog::Rejected));
    }
  }

  // The user's exceptions (none of the server's), messages whole. New and Update off auto commit
  // stay the executor's until Commit Work or Rollback Work (undone); the list, read in the
  // executor's transaction, shows a new one at once. Quotes, a line
  // break (stored as the executor's CR LF) and letters beyond ASCII are stored as typed; Update
  // shows them as typed, with the name fixed, and an unchanged OK stores the same bytes. A new
  // name goes out as typed (in dialect 3 a quoted one); Update quotes the stored name where it
  // needs quotes. New then opens with what Update showed, the name editable again.
  void newAndUpdate_data() { fixtures::addPlaceRows(true); }
  void newAndUpdate() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    QFETCH(bool, autoCommit);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Create(dialect, tcp);
    fixtures::connectDataModule(db);
    AutoCommit = autoCommit;
    TExceptionsForm *form = Open();
    QCOMPARE(Column(form->FGrid), QStringList({"E_LONG", "E_SHORT", "E_UNUSED"}));
    QVERIFY(Column(form->FGrid, 1).contains(fixtures::kLongExceptionMessage));
    const auto settle = [&](bool commit) {
      QCOMPARE(DMSys->IBDataBase->InTransaction(), !autoCommit);
      if (!autoCommit) commit ? DMSys->IBDataBase->Commit() : DMSys->IBDataBase->Rollback();
      form->RefreshBtn->click();
    };

    const QString name = dialect == 3 ? "New \"q\"" : "E_NEW";
    std::shared_ptr<QString> seen = AnswerDialog(dialect == 3 ? "\"New \"\"q\"\"\"" : name, kTrickyMessage);
    form->NewBtn->click();
    QVERIFY(seen->endsWith("|enabled|NameEdit"));
    const QString stored = QString(kTrickyMessage).replace("\n", "\r\n");
    QCOMPARE(StoredMessage(db, name).toString(), autoCommit ? stored : QString());
    QVERIFY(Column(form->FGrid).contains(name));
    settle(true);
    QVERIFY(Column(form->FGrid).contains(name));

    Select(form->FGrid, "RDB$EXCEPTION_NAME", name);
    seen = AnswerDialog(QString(), QString());
    form->UpdBtn->click();
    QCOMPARE(*seen, name + '|' + kTrickyMessage + "|disabled|MsgEdit");
    QCOMPARE(StoredMessage(db, name).toString(), stored);
    settle(true);
    Select(form->FGrid, "RDB$EXCEPTION_NAME", name);
    AnswerDialog(QString(), "Second text");
    form->UpdBtn->click();
    QCOMPARE(StoredMessage(db, name).toString(), autoCommit ? "Second text" : stored);
    settle(false);
    QCOMPARE(StoredMessage(db, name).toString(), autoCommit ? "Second text" : stored);
    seen = AnswerDialog(QString(), QString(), "Cancel");
    form->NewBtn->click();
    QCOMPARE(*seen, name + "|Second text|enabled|NameEdit");
  }

  // Cancel sends nothing but re-reads the list. A refused statement shows the server's message
  // and skips the re-read; the dialog keeps what the user typed.
  void cancelledOrRefused_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("error");
    QTest::newRow("cancel") << 3 << QString("E_CANCELLED") << QString("Cancel") << QString();
    for (int dialect : {1, 3}) {
      QTest::addRow("name taken, dialect %d", dialect) << dialect << QString("E_SHORT") << QString("OK") << "E_SHORT";
      QTest::addRow("empty name, dialect %d", dialect)
          << dialect << QStringLiteral("") << QString("OK") << "Token unknown";
    }
  }
  void cancelledOrRefused() {
    QFETCH(int, dialect);
    QFETCH(QString, name);
    QFETCH(QString, button);
    QFETCH(QString, error);
    // The rows share a database per dialect: none of them changes it but for its own E_OTHER.
    FbDatabase &db = shared[dialect];
    if (db.file.isEmpty()) db = Create(dialect, false);
    fixtures::connectDataModule(db);
    AutoCommit = !error.isNull();  // off for Cancel: a statement sent would leave its transaction open
    TExceptionsForm *form = Open();
    const QString other = QStringLiteral("E_OTHER_%1").arg(++others);
    fixtures::query(db, "CREATE EXCEPTION " + other + " 'made elsewhere'");
    ModalSeenPtr box = std::make_shared<ModalSeen>();
    AnswerDialog(name, "it's mine", button, error.isNull() ? nullptr : &box);
    form->NewBtn->click();
    QCOMPARE(box->Shown, !error.isNull());
    if (box->Shown) {
      QCOMPARE(box->Caption + '|' + QString::number(box->Icon), kTitle + '|' + QString::number(QMessageBox::Critical));
      QVERIFY2(box->Text.contains(error), qPrintable(box->Text));
    }
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QCOMPARE(Column(form->FGrid).contains(other), error.isNull());
    QCOMPARE(ExcDlg->NameEdit->text() + '|' + ExcDlg->MsgEdit->toPlainText(), name + "|it's mine");
  }
};

TESSELOR_TEST_MAIN(TestExceptions)
#include "test_exceptions.moc"

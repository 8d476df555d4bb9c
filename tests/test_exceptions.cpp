// The Exceptions and Generators windows and the exception dialog on real dialect-1 and
// dialect-3 databases, embedded and over TCP: what they list, New / Update / Drop with and
// without auto commit, messages stored as typed, cancelled and refused statements, quoted names.
#include "app/datamodule.h"
#include "app/settings.h"
#include "catalog/domains.h"
#include "catalog/exceptiondialog.h"
#include "catalog/exceptions.h"
#include "catalog/generators.h"
#include "catalog/model.h"
#include "server/dataset.h"
#include "tests/fixtures/suite.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
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

FbDatabase Create(int dialect, bool tcp, const QString &extraSql = QString()) {
  return fixtures::createDatabase(dialect, fixtures::Content::Known,
                                  tcp ? fixtures::Access::Tcp : fixtures::Access::Embedded, extraSql);
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

// "objectName|caption|hint" of each button, left to right.
QStringList Buttons(QWidget *panel) {
  QList<QToolButton *> buttons = panel->findChildren<QToolButton *>();
  std::sort(buttons.begin(), buttons.end(), [](QToolButton *a, QToolButton *b) { return a->x() < b->x(); });
  QStringList out;
  for (QToolButton *b : buttons)
    out << b->objectName() + '|' + b->text() + '|' + b->statusTip();
  return out;
}

void Select(TDBGrid *grid, const QString &field, const QString &value) {
  QVERIFY2(grid->DataSet()->Locate(field, value), qPrintable(value));
}

// Seen by an attachment of its own: the message of an exception (null if there is none), and
// how many catalog rows carry a name.
QVariant StoredMessage(const FbDatabase &db, const QString &name) {
  return fixtures::queryValue(
      db, "SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = " + StringLiteral(name, 3));
}
int Count(const FbDatabase &db, const QString &table, const QString &column, const QString &name) {
  return fixtures::queryValue(
             db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = %3").arg(table, column, StringLiteral(name, 3)))
      .toInt();
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

  template <class T>
  T *Open() {
    auto *form = new T();
    opened << form;
    return form;
  }

  static void places() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("tcp");
    for (bool tcp : {false, true})
      for (int dialect : {1, 3})
        QTest::addRow("dialect %d, %s", dialect, tcp ? "tcp" : "embedded") << dialect << tcp;
  }

private slots:
  void initTestCase() {
    home = fixtures::startDataModule(kTitle);
    ExcDlg = new TExcDlg;
  }

  void cleanup() {
    fixtures::closeWindowsAndDisconnect(opened);
  }

  void layout() {
    fixtures::connectDataModule(Create(3, false));
    auto *exc = Open<TExceptionsForm>();
    QCOMPARE(exc->btnPanel->height(), 37);
    QCOMPARE(Buttons(exc->btnPanel),
             QStringList({"NewBtn|&New |Create new exception", "UpdBtn|&Update|Update current exception text",
                          "SpeedButton3|&Drop|Drop current exception", "RefreshBtn|&Refresh|Refresh table content"}));
    QAbstractItemModel *m = exc->FGrid->model();
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString() + '|' + m->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("NAME|MESSAGE"));
    auto *gen = Open<TGeneratorsForm>();
    QCOMPARE(Buttons(gen->btnPanel),
             QStringList({"DropBtn|&Drop|Drop current generator", "RefreshBtn|&Refresh|Refresh generator list"}));
    QCOMPARE(gen->FGrid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Generator Name"));

    // Enter in the message presses the default OK; Esc and the close box cancel.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape), 0}) {
      const auto press = [key] { key ? QTest::keyClick(ExcDlg->MsgEdit, Qt::Key(key)) : void(ExcDlg->close()); };
      QMetaObject::invokeMethod(qApp, press, Qt::QueuedConnection);
      QCOMPARE(ExcDlg->exec(), key == Qt::Key_Return ? int(QDialog::Accepted) : int(QDialog::Rejected));
    }
  }

  // Off: a change stays the executor's until Commit Work (then listed) or Rollback Work (undone).
  void newUpdateDrop_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<bool>("autoCommit");
    for (bool tcp : {false, true})
      for (int dialect : {1, 3})
        for (bool on : {true, false})
          QTest::addRow("dialect %d, %s, auto commit %s", dialect, tcp ? "tcp" : "embedded", on ? "on" : "off")
              << dialect << tcp << on;
  }
  void newUpdateDrop() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    QFETCH(bool, autoCommit);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Create(dialect, tcp);
    fixtures::connectDataModule(db);
    AutoCommit = autoCommit;
    auto *form = Open<TExceptionsForm>();
    const auto settle = [&](bool commit) {
      QCOMPARE(DMSys->IBDataBase->InTransaction(), !autoCommit);
      if (!autoCommit) commit ? DMSys->IBDataBase->Commit() : DMSys->IBDataBase->Rollback();
      form->RefreshBtn->click();
    };

    AnswerDialog("E_NEW", "First text");
    form->NewBtn->click();
    QCOMPARE(StoredMessage(db, "E_NEW").toString(), autoCommit ? QStringLiteral("First text") : QString());
    QCOMPARE(Column(form->FGrid).contains("E_NEW"), autoCommit);
    settle(true);
    QVERIFY(Column(form->FGrid).contains("E_NEW"));

    Select(form->FGrid, "RDB$EXCEPTION_NAME", "E_NEW");
    std::shared_ptr<QString> seen = AnswerDialog(QString(), "Second text");
    form->UpdBtn->click();
    QCOMPARE(*seen, QStringLiteral("E_NEW|First text|disabled|MsgEdit"));
    QCOMPARE(StoredMessage(db, "E_NEW").toString(), autoCommit ? "Second text" : "First text");
    settle(false);
    QCOMPARE(StoredMessage(db, "E_NEW").toString(), autoCommit ? "Second text" : "First text");

    Select(form->FGrid, "RDB$EXCEPTION_NAME", "E_NEW");
    form->DropBtn->click();
    QCOMPARE(Count(db, "RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", "E_NEW"), autoCommit ? 0 : 1);
    settle(true);
    QCOMPARE(Count(db, "RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", "E_NEW"), 0);
    QVERIFY(!Column(form->FGrid).contains("E_NEW"));
  }

  // The user's generators and exceptions (none of the server's), messages whole. Quotes, a
  // line break (stored as the executor's CR LF) and letters beyond ASCII are stored as typed;
  // Update shows them as typed and an unchanged OK stores the same bytes. New then opens with
  // what Update showed, the name editable again.
  void listedAndStoredAsTyped_data() { places(); }
  void listedAndStoredAsTyped() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Create(dialect, tcp);
    fixtures::connectDataModule(db);
    // A generator drop follows auto commit (on in dialect 3 here) and re-reads the list.
    AutoCommit = dialect == 3;
    auto *gen = Open<TGeneratorsForm>();
    QCOMPARE(Column(gen->FGrid), QStringList({"G_MASTER", "G_SPARE"}));
    fixtures::query(db, "CREATE GENERATOR G_LATER");
    Select(gen->FGrid, "RDB$GENERATOR_NAME", "G_SPARE");
    gen->DropBtn->click();
    QCOMPARE(Count(db, "RDB$GENERATORS", "RDB$GENERATOR_NAME", "G_SPARE"), AutoCommit ? 0 : 1);
    QCOMPARE(Column(gen->FGrid),
             AutoCommit ? QStringList({"G_LATER", "G_MASTER"}) : QStringList({"G_LATER", "G_MASTER", "G_SPARE"}));
    if (!AutoCommit) DMSys->IBDataBase->Commit();
    QCOMPARE(Count(db, "RDB$GENERATORS", "RDB$GENERATOR_NAME", "G_SPARE"), 0);

    AutoCommit = true;
    auto *form = Open<TExceptionsForm>();
    QCOMPARE(Column(form->FGrid), QStringList({"E_LONG", "E_SHORT", "E_UNUSED"}));
    QVERIFY(Column(form->FGrid, 1).contains(fixtures::kLongExceptionMessage));

    std::shared_ptr<QString> seen = AnswerDialog("E_TRICKY", kTrickyMessage);
    form->NewBtn->click();
    QVERIFY(seen->endsWith("|enabled|NameEdit"));
    const QString stored = QString(kTrickyMessage).replace("\n", "\r\n");
    QCOMPARE(StoredMessage(db, "E_TRICKY").toString(), stored);
    Select(form->FGrid, "RDB$EXCEPTION_NAME", "E_TRICKY");
    seen = AnswerDialog(QString(), QString());
    form->UpdBtn->click();
    QCOMPARE(*seen, "E_TRICKY|" + kTrickyMessage + "|disabled|MsgEdit");
    QCOMPARE(StoredMessage(db, "E_TRICKY").toString(), stored);
    seen = AnswerDialog(QString(), QString(), "Cancel");
    form->NewBtn->click();
    QCOMPARE(*seen, "E_TRICKY|" + kTrickyMessage + "|enabled|NameEdit");
  }

  // Cancel sends nothing but re-reads the list. A refused statement shows the server's message
  // and skips the re-read; the dialog keeps what the user typed.
  void cancelledOrRefused_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("error");
    QTest::newRow("cancel") << 3 << "E_CANCELLED"
                            << "Cancel" << QString();
    for (int dialect : {1, 3}) {
      QTest::addRow("name taken, dialect %d", dialect) << dialect << "E_SHORT"
                                                       << "OK"
                                                       << "E_SHORT";
      QTest::addRow("empty name, dialect %d", dialect) << dialect << ""
                                                       << "OK"
                                                       << "Token unknown";
    }
  }
  void cancelledOrRefused() {
    QFETCH(int, dialect);
    QFETCH(QString, name);
    QFETCH(QString, button);
    QFETCH(QString, error);
    const FbDatabase db = Create(dialect, false);
    fixtures::connectDataModule(db);
    AutoCommit = !error.isNull();  // off for Cancel: a statement sent would leave its transaction open
    auto *form = Open<TExceptionsForm>();
    fixtures::query(db, "CREATE EXCEPTION E_OTHER 'made elsewhere'");
    ModalSeenPtr box = std::make_shared<ModalSeen>();
    AnswerDialog(name, "it's mine", button, error.isNull() ? nullptr : &box);
    form->NewBtn->click();
    QCOMPARE(box->Shown, !error.isNull());
    if (box->Shown) {
      QCOMPARE(box->Caption + '|' + QString::number(box->Icon), kTitle + '|' + QString::number(QMessageBox::Critical));
      QVERIFY2(box->Text.contains(error), qPrintable(box->Text));
    }
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QCOMPARE(Column(form->FGrid).contains("E_OTHER"), error.isNull());
    QCOMPARE(ExcDlg->NameEdit->text() + '|' + ExcDlg->MsgEdit->toPlainText(), name + "|it's mine");
  }

  // On a dialect-3 database names that need quotes go back quoted, from every window.
  void quotedNames() {
    const FbDatabase db = Create(3, false,
                                 "CREATE EXCEPTION \"MixedCase\" 'mixed';\n"
                                 "CREATE EXCEPTION \"Say \"\"hi\"\"\" 'quoted';\n"
                                 "CREATE GENERATOR \"MixedGen\";\n"
                                 "CREATE DOMAIN \"MixedDom\" AS INTEGER;\n");
    fixtures::connectDataModule(db);
    AutoCommit = true;
    auto *exc = Open<TExceptionsForm>();
    for (const QString name : {"MixedCase", "Say \"hi\""}) {
      Select(exc->FGrid, "RDB$EXCEPTION_NAME", name);
      AnswerDialog(QString(), "altered");
      exc->UpdBtn->click();
      QCOMPARE(StoredMessage(db, name).toString(), QStringLiteral("altered"));
      Select(exc->FGrid, "RDB$EXCEPTION_NAME", name);
      exc->DropBtn->click();
      QCOMPARE(Count(db, "RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", name), 0);
    }
    auto *gen = Open<TGeneratorsForm>();
    Select(gen->FGrid, "RDB$GENERATOR_NAME", "MixedGen");
    gen->DropBtn->click();
    QCOMPARE(Count(db, "RDB$GENERATORS", "RDB$GENERATOR_NAME", "MixedGen"), 0);
    auto *dom = Open<TDomainsForm>();
    Select(dom->FGrid, "RDB$FIELD_NAME", "MixedDom");
    dom->DropBtn->click();
    QCOMPARE(Count(db, "RDB$FIELDS", "RDB$FIELD_NAME", "MixedDom"), 0);
  }
};

TESSELOR_TEST_MAIN(TestExceptions)
#include "test_exceptions.moc"

// The Exceptions and Generators windows and the exception dialog on real dialect-1 and
// dialect-3 databases, embedded and over TCP: what they list, New / Update / Drop with and
// without auto commit, messages stored as typed, refused statements, quoted names.
#include "app/datamodule.h"
#include "app/settings.h"
#include "catalog/domains.h"
#include "catalog/exceptiondialog.h"
#include "catalog/exceptions.h"
#include "catalog/generators.h"
#include "server/dataset.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using fixtures::Access;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");
// An apostrophe, a double quote, a line break and letters beyond ASCII.
const QString kTrickyMessage = QStringLiteral("Can't say \"hi\" twice\nÄpfel, Öl, Straße, Ωμέγα, 日本");

QStringList Column(TDBGrid *grid, int column = 0) {
  grid->DataSet()->FetchAll();
  QStringList cells;
  for (int r = 0; r < grid->model()->rowCount(); ++r)
    cells << grid->model()->data(grid->model()->index(r, column)).toString();
  return cells;
}

QStringList Captions(QWidget *panel) {
  QList<QToolButton *> buttons = panel->findChildren<QToolButton *>();
  std::sort(buttons.begin(), buttons.end(), [](QToolButton *a, QToolButton *b) { return a->x() < b->x(); });
  QStringList out;
  for (QToolButton *b : buttons)
    out << b->objectName() + '|' + b->text() + '|' + b->statusTip();
  return out;
}

QString Literal(const QString &text) { return '\'' + QString(text).replace('\'', "''") + '\''; }

// The message the server holds for an exception, seen by an attachment of its own; null if none.
QVariant StoredMessage(const FbDatabase &db, const QString &name) {
  return fixtures::queryValue(db, "SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = " + Literal(name));
}

int Count(const FbDatabase &db, const QString &table, const QString &column, const QString &name) {
  return fixtures::queryValue(db,
                              QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = %3").arg(table, column, Literal(name)))
      .toInt();
}

void Select(TDBGrid *grid, const QString &field, const QString &value) {
  QVERIFY2(grid->DataSet()->Locate(field, value), qPrintable(value));
}

// What the exception dialog showed when it came up.
struct DialogSeen {
  bool Shown = false;
  QString Name, Message, Focus;
  bool NameEnabled = false;
};
using DialogSeenPtr = std::shared_ptr<DialogSeen>;

// Answers the next showing of the exception dialog: records it, fills in the fields given (a
// null text leaves a field as it is) and presses the button once the dialog runs. errorBox,
// when given, then answers the error box that may follow the dialog. The dialog is the one
// shared instance, so this hooks its showing rather than polling for modal boxes.
class DialogAnswer : public QObject {
public:
  DialogAnswer(DialogSeenPtr seen, QString name, QString message, QString button, ModalSeenPtr *errorBox)
      : QObject(ExcDlg),
        FSeen(std::move(seen)),
        FName(std::move(name)),
        FMessage(std::move(message)),
        FButton(std::move(button)),
        FErrorBox(errorBox) {
    ExcDlg->installEventFilter(this);
  }
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() != QEvent::Show) return false;
    FSeen->Shown = true;
    FSeen->Name = ExcDlg->NameEdit->text();
    FSeen->Message = ExcDlg->MsgEdit->toPlainText();
    FSeen->NameEnabled = ExcDlg->NameEdit->isEnabled();
    if (!FName.isNull()) ExcDlg->NameEdit->setText(FName);
    if (!FMessage.isNull()) ExcDlg->MsgEdit->setPlainText(FMessage);
    QPushButton *button = FButton == QLatin1String("OK") ? ExcDlg->OKBtn : ExcDlg->CancelBtn;
    // The focus is set as the dialog comes up; look at it once it runs.
    QMetaObject::invokeMethod(
        button,
        [seen = FSeen, button] {
          seen->Focus = ExcDlg->focusWidget() ? ExcDlg->focusWidget()->objectName() : QString();
          button->click();
        },
        Qt::QueuedConnection);
    if (FErrorBox)
      QMetaObject::invokeMethod(
          qApp, [box = FErrorBox] { *box = answerNextModal("OK"); }, Qt::QueuedConnection);
    deleteLater();
    ExcDlg->removeEventFilter(this);
    return false;
  }

private:
  DialogSeenPtr FSeen;
  QString FName, FMessage, FButton;
  ModalSeenPtr *FErrorBox;
};

DialogSeenPtr AnswerDialog(const QString &name, const QString &message, const QString &button = "OK",
                           ModalSeenPtr *errorBox = nullptr) {
  auto seen = std::make_shared<DialogSeen>();
  new DialogAnswer(seen, name, message, button, errorBox);
  return seen;
}

FbDatabase Create(int dialect, bool tcp, const QString &extraSql = QString()) {
  return fixtures::createDatabase(dialect, Content::Known, tcp ? Access::Tcp : Access::Embedded, extraSql);
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
    home = std::make_unique<fixtures::TempHome>();
    quietOffscreenWarnings();
    installModalWatchdog();
    SetApplicationTitle(kTitle);
    RegisterSQLWaitCursor();
    RepositoryDir = fixtures::tempPath(QStringLiteral("repository"));
    QDir().mkpath(RepositoryDir);
    DMSys = new TDMSys(qApp);
    ExcDlg = new TExcDlg;
  }

  void cleanup() {
    for (const QPointer<QWidget> &w : opened)
      if (w) w->close();
    opened.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (DMSys->IBDataBase->InTransaction()) DMSys->IBDataBase->Rollback();
    DMSys->IBDataBase->Close();
    QCOMPARE(takeStrayModals(), QStringList());
  }

  void layout() {
    fixtures::connectDataModule(fixtures::createDatabase(3, Content::Known));
    auto *exc = Open<TExceptionsForm>();
    QCOMPARE(exc->windowTitle(), QStringLiteral("Exceptions"));
    QCOMPARE(exc->btnPanel->height(), 37);
    QCOMPARE(Captions(exc->btnPanel),
             QStringList({"NewBtn|&New |Create new exception", "UpdBtn|&Update|Update current exception text",
                          "SpeedButton3|&Drop|Drop current exception", "RefreshBtn|&Refresh|Refresh table content"}));
    QAbstractItemModel *m = exc->FGrid->model();
    QCOMPARE(m->columnCount(), 2);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("MESSAGE"));
    QVERIFY(exc->FGrid->columnWidth(1) > 2 * exc->FGrid->columnWidth(0));
    QVERIFY(!exc->ExcSource->AutoEdit);

    auto *gen = Open<TGeneratorsForm>();
    QCOMPARE(gen->windowTitle(), QStringLiteral("Generators"));
    QCOMPARE(Captions(gen->btnPanel),
             QStringList({"DropBtn|&Drop|Drop current generator", "RefreshBtn|&Refresh|Refresh generator list"}));
    QCOMPARE(gen->FGrid->model()->columnCount(), 1);
    QCOMPARE(gen->FGrid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Generator Name"));

    QCOMPARE(ExcDlg->windowTitle(), QStringLiteral("Exceptions"));
    QCOMPARE(ExcDlg->Label1->text(), QStringLiteral("Exception &Name"));
    QCOMPARE(ExcDlg->Label1->buddy(), ExcDlg->NameEdit);
    QCOMPARE(ExcDlg->Label2->text(), QStringLiteral("&Message to show"));
    QVERIFY(ExcDlg->OKBtn->isDefault());
    QCOMPARE(ExcDlg->CancelBtn->text(), QStringLiteral("Cancel"));
    QCOMPARE(ExcDlg->minimumSize(), ExcDlg->maximumSize());
    // Enter in the message presses OK; Esc and the close box cancel.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape), 0}) {
      ExcDlg->MsgEdit->setPlainText("keep");
      QTimer::singleShot(0, ExcDlg, [key] {
        if (key)
          QTest::keyClick(ExcDlg->MsgEdit, Qt::Key(key));
        else
          ExcDlg->close();
      });
      QCOMPARE(ExcDlg->exec(), key == Qt::Key_Return ? int(QDialog::Accepted) : int(QDialog::Rejected));
      QCOMPARE(ExcDlg->MsgEdit->toPlainText(), QStringLiteral("keep"));
    }
  }

  // The user's exceptions and generators; the server's own generators (flag 1) stay out.
  void listed_data() { places(); }
  void listed() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    fixtures::connectDataModule(Create(dialect, tcp));
    auto *exc = Open<TExceptionsForm>();
    QStringList names = Column(exc->FGrid);
    names.sort();
    QCOMPARE(names, QStringList({"E_LONG", "E_SHORT", "E_UNUSED"}));
    Select(exc->FGrid, "RDB$EXCEPTION_NAME", "E_LONG");
    QCOMPARE(Column(exc->FGrid, 1).at(exc->ExceptionsTable->RecNo()),
             QString::fromLatin1(fixtures::kLongExceptionMessage));
    AnswerDialog(QString(), QString(), "Cancel");
    exc->UpdBtn->click();
    QCOMPARE(ExcDlg->MsgEdit->toPlainText(), QString::fromLatin1(fixtures::kLongExceptionMessage));

    auto *gen = Open<TGeneratorsForm>();
    names = Column(gen->FGrid);
    names.sort();
    QCOMPARE(names, QStringList({"G_MASTER", "G_SPARE"}));
  }

  // Off: a change is the executor's until Commit Work (then listed) or Rollback Work (undone).
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

    DialogSeenPtr seen = AnswerDialog("E_NEW", "First text");
    form->NewBtn->click();
    QVERIFY(seen->Shown && seen->NameEnabled);
    QCOMPARE(seen->Focus, QStringLiteral("NameEdit"));
    QCOMPARE(StoredMessage(db, "E_NEW").toString(), autoCommit ? QStringLiteral("First text") : QString());
    QCOMPARE(Column(form->FGrid).contains("E_NEW"), autoCommit);
    settle(true);
    QVERIFY(Column(form->FGrid).contains("E_NEW"));

    Select(form->FGrid, "RDB$EXCEPTION_NAME", "E_NEW");
    seen = AnswerDialog(QString(), "Second text");
    form->UpdBtn->click();
    QVERIFY(!seen->NameEnabled);
    QCOMPARE(seen->Focus, QStringLiteral("MsgEdit"));
    QCOMPARE(seen->Name + '|' + seen->Message, QStringLiteral("E_NEW|First text"));
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

  // Quotes, a line break (stored as the executor's CR LF) and letters beyond ASCII are stored
  // as typed; Update shows them as typed and an unchanged OK stores the same bytes. New then
  // opens with what Update showed, the name editable again.
  void messagesStoredAsTyped_data() { places(); }
  void messagesStoredAsTyped() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Create(dialect, tcp);
    fixtures::connectDataModule(db);
    AutoCommit = true;
    auto *form = Open<TExceptionsForm>();
    AnswerDialog("E_TRICKY", kTrickyMessage);
    form->NewBtn->click();
    const QString stored = QString(kTrickyMessage).replace("\n", "\r\n");
    QCOMPARE(StoredMessage(db, "E_TRICKY").toString(), stored);

    Select(form->FGrid, "RDB$EXCEPTION_NAME", "E_TRICKY");
    DialogSeenPtr seen = AnswerDialog(QString(), QString());
    form->UpdBtn->click();
    QCOMPARE(seen->Message, kTrickyMessage);
    QCOMPARE(StoredMessage(db, "E_TRICKY").toString(), stored);

    seen = AnswerDialog(QString(), QString(), "Cancel");
    form->NewBtn->click();
    QVERIFY(seen->NameEnabled);
    QCOMPARE(seen->Name + '|' + seen->Message, "E_TRICKY|" + kTrickyMessage);
  }

  // Cancel sends nothing, yet the list is read again (it shows what another attachment made).
  void cancelRereads() {
    const FbDatabase db = Create(3, false);
    fixtures::connectDataModule(db);
    AutoCommit = false;
    auto *form = Open<TExceptionsForm>();
    fixtures::query(db, "CREATE EXCEPTION E_OTHER 'made elsewhere'");
    for (QToolButton *button : {form->NewBtn, form->UpdBtn}) {
      AnswerDialog("E_CANCELLED", "never sent", "Cancel");
      button->click();
      QVERIFY(!DMSys->IBDataBase->InTransaction());
      QVERIFY(Column(form->FGrid).contains("E_OTHER"));
      fixtures::query(db, "DROP EXCEPTION E_OTHER");
      fixtures::query(db, "CREATE EXCEPTION E_OTHER 'again'");
    }
    QCOMPARE(Count(db, "RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", "E_CANCELLED"), 0);
  }

  // A refused statement shows the server's message; the list is not re-read and the dialog
  // keeps what the user typed.
  void refusedStatement_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("name taken, dialect 1") << 1 << "E_SHORT"
                                           << "E_SHORT";
    QTest::newRow("name taken, dialect 3") << 3 << "E_SHORT"
                                           << "E_SHORT";
    QTest::newRow("empty name, dialect 1") << 1 << ""
                                           << "Token unknown";
    QTest::newRow("empty name, dialect 3") << 3 << ""
                                           << "Token unknown";
  }
  void refusedStatement() {
    QFETCH(int, dialect);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const FbDatabase db = Create(dialect, false);
    fixtures::connectDataModule(db);
    AutoCommit = true;
    auto *form = Open<TExceptionsForm>();
    fixtures::query(db, "CREATE EXCEPTION E_OTHER 'made elsewhere'");
    ModalSeenPtr error;
    AnswerDialog(name, "it's mine", "OK", &error);
    form->NewBtn->click();
    QVERIFY(error && error->Shown);
    QCOMPARE(error->Caption, kTitle);
    QCOMPARE(error->Icon, QMessageBox::Critical);
    QVERIFY2(error->Text.contains(expected), qPrintable(error->Text));
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QVERIFY(!Column(form->FGrid).contains("E_OTHER"));
    QCOMPARE(ExcDlg->NameEdit->text() + '|' + ExcDlg->MsgEdit->toPlainText(), name + "|it's mine");
  }

  // Generators: a drop follows auto commit and refreshes the list; Refresh re-reads.
  void generatorDrop_data() { places(); }
  void generatorDrop() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Create(dialect, tcp, "CREATE GENERATOR G_EXTRA;");
    fixtures::connectDataModule(db);
    auto *form = Open<TGeneratorsForm>();
    for (bool on : {true, false}) {
      AutoCommit = on;
      const QString name = on ? "G_SPARE" : "G_EXTRA";
      Select(form->FGrid, "RDB$GENERATOR_NAME", name);
      form->DropBtn->click();
      QCOMPARE(DMSys->IBDataBase->InTransaction(), !on);
      QCOMPARE(Count(db, "RDB$GENERATORS", "RDB$GENERATOR_NAME", name), on ? 0 : 1);
      QCOMPARE(Column(form->FGrid).contains(name), !on);
    }
    DMSys->IBDataBase->Commit();
    fixtures::query(db, "CREATE GENERATOR G_LATER");
    form->RefreshBtn->click();
    QStringList names = Column(form->FGrid);
    names.sort();
    QCOMPARE(names, QStringList({"G_LATER", "G_MASTER"}));
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

QTEST_MAIN(TestExceptions)
#include "test_exceptions.moc"

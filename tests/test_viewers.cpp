// The SQL Source dialog and the memo viewer, on a real embedded Firebird database and a real
// repository table, answered and driven as a user does.
#include "app/datamodule.h"
#include "data/dataset.h"
#include "data/db.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dbcontrols.h"
#include "ui/errordisplay.h"
#include "ui/memoview.h"
#include "ui/sqleditorwidget.h"
#include "windows/editing/sourcedialog.h"

#include <QApplication>
#include <QFontInfo>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <memory>

using fixtures::Content;
using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");

// What ShowSQLSource's caller sees: whether it went on after the call.
enum class Outcome { Confirmed, Aborted, Failed };
Outcome CallShowSQLSource(const TStringList &lines) {
  try {
    ShowSQLSource(lines);
    return Outcome::Confirmed;
  } catch (const EAbort &) {
    return Outcome::Aborted;
  } catch (...) {
    return Outcome::Failed;
  }
}

// The window a memo viewer's data source lives in: a query over the domains' check sources.
struct SourceWindow : QWidget {
  TQuery *Query = new TQuery(this);
  TField *Name, *Check;
  TDataSource *Source;
  SourceWindow() {
    Query->DatabaseName = QStringLiteral("IBB");
    Query->SQL.Add(QStringLiteral("SELECT RDB$FIELD_NAME, RDB$VALIDATION_SOURCE FROM RDB$FIELDS"));
    Query->SQL.Add(QStringLiteral("WHERE RDB$FIELD_NAME IN ('D_INT', 'D_MONEY', 'D_NAME') ORDER BY 1"));
    Name = new TStringField(Query, QStringLiteral("RDB$FIELD_NAME"), 31);
    Check = new TMemoField(Query, QStringLiteral("RDB$VALIDATION_SOURCE"));
    Check->SetDisplayLabel(QStringLiteral("Check expr"));
    Source = new TDataSource(Query, this);
    Query->Open();
  }
};

}  // namespace

Q_DECLARE_METATYPE(Outcome)

class TestViewers : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> FHome;
  FbDatabase FDb;

private slots:
  void initTestCase() {
    FHome = fixtures::startDataModule(kTitle);
    FDb = fixtures::createDatabase(3, Content::Known);
    fixtures::connectDataModule(FDb);
  }

  void cleanup() {
    fixtures::closeWindows("TMemoViewForm");
    fixtures::closeWindows("TObjRepos");
  }

  void cleanupTestCase() {
    delete DMSys;
    FHome.reset();
  }

  void sourceDialogEnds_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("Enter in the text") << int(Qt::Key_Return) << QString() << false << Outcome::Confirmed;
    QTest::newRow("OK") << 0 << QStringLiteral("OK") << false << Outcome::Confirmed;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << QString() << false << Outcome::Aborted;
    QTest::newRow("Cancel") << 0 << QStringLiteral("Cancel") << false << Outcome::Aborted;
    QTest::newRow("close box") << 0 << QString() << true << Outcome::Aborted;
  }
  void sourceDialogEnds() {
    QFETCH(int, key);
    QFETCH(QString, button);
    QFETCH(bool, closeBox);
    QFETCH(Outcome, outcome);
    const QString longLine = QStringLiteral("  NEW.ID = GEN_ID(G_MASTER, 1); ") + QString(200, QLatin1Char('-'));
    const TStringList lines(
        QStringList({"CREATE TRIGGER T1 FOR T_MASTER", "BEFORE INSERT AS", "BEGIN", longLine, "END"}));

    QString shown;
    bool looks = false;
    ModalAnswer answer;
    answer.Key = key;
    answer.ButtonText = button;
    answer.CloseBox = closeBox;
    answer.Check = [&](QWidget *box) {
      if (auto *dlg = qobject_cast<TSQLSourceForm *>(box)) {
        const TSQLEditor *memo = dlg->SourceMemo;
        shown = memo->toPlainText();
        // Read-only, wrapped at the width, no scroll bars, the editors' 17-pixel face.
        looks = memo->isReadOnly() && memo->wrapMode() != QsciScintilla::WrapNone &&
                memo->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
                memo->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
                QFontInfo(memo->font()).pixelSize() == 17;
        dlg->SourceMemo->setFocus();  // Enter and Escape go to the text
      }
    };
    Outcome ended = Outcome::Failed;
    auto seen = answerModalDuring(answer, [&] { ended = CallShowSQLSource(lines); });
    QVERIFY(seen->Shown);
    QCOMPARE(ended, outcome);
    QCOMPARE(seen->ClassName, QStringLiteral("TSQLSourceForm"));
    QCOMPARE(seen->Caption, QStringLiteral("SQL Source"));
    QCOMPARE(seen->Buttons, QStringList({"OK", "Cancel", "&Add to repository"}));
    QCOMPARE(seen->DefaultButton, QStringLiteral("OK"));
    QCOMPARE(shown, lines.Lines().join(QLatin1Char('\n')));
    QVERIFY(looks);
    QCOMPARE(lines.Count(), 5);  // the caller's list is the caller's
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(std::none_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                         [](QWidget *w) { return qobject_cast<TSQLSourceForm *>(w); }));  // freed, not hidden
  }

  // Storing the text from the dialog, then cancelling: the entry is kept, the statement not
  // run. A second add under the same name fails; the error shows and the dialog stays.
  void addThenCancelStoresButRunsNothing() {
    const TStringList lines(QStringList({"ALTER TRIGGER T_MASTER_BI INACTIVE", "-- end"}));
    const ModalAnswer name = Type(QStringLiteral("trigger off"), QStringLiteral("OK"));
    QStringList steps;  // what the user met inside the dialog, in order
    bool executed = false;
    auto seen =
        answerModalDuring(Press(QStringLiteral("Cancel"),
                                [&](QWidget *box) {
                                  auto *dlg = qobject_cast<TSQLSourceForm *>(box);
                                  if (!dlg) return;
                                  const auto add = [&] { dlg->AddBtn->click(); };
                                  steps << QStringLiteral("name %1").arg(answerModalDuring(name, add)->Shown);
                                  steps << QStringLiteral("open %1").arg(dlg->isVisible());
                                  ModalSeenPtr duplicate;
                                  ModalAnswer again = name;
                                  again.Check = [&](QWidget *) { duplicate = answerNextModal(QStringLiteral("OK")); };
                                  steps << QStringLiteral("name %1").arg(answerModalDuring(again, add)->Shown);
                                  steps << QStringLiteral("error %1 %2")
                                               .arg(duplicate && duplicate->Shown)
                                               .arg(duplicate ? duplicate->Caption : QString());
                                  steps << QStringLiteral("open %1").arg(dlg->isVisible());
                                }),
                          [&] {
                            Guard([&] {
                              ShowSQLSource(lines);
                              DMSys->IBDataBase->ExecSQL(lines.Text(), true);
                              executed = true;
                            });
                          });
    QVERIFY(seen->Shown);
    QCOMPARE(steps, QStringList({"name 1", "open 1", "name 1", "error 1 " + kTitle, "open 1"}));
    QVERIFY(!executed);
    QCOMPARE(fixtures::repositoryEntries().value(QStringLiteral("trigger off")),
             QStringLiteral("ALTER TRIGGER T_MASTER_BI INACTIVE\r\n-- end"));
    QCOMPARE(fixtures::queryValue(FDb, QStringLiteral("SELECT RDB$TRIGGER_INACTIVE FROM RDB$TRIGGERS "
                                                      "WHERE RDB$TRIGGER_NAME = 'T_MASTER_BI'"))
                 .toInt(),
             0);
  }

  // Viewers of a memo field and of any field show the current row's text and move with the
  // row; they cannot change the text, and they outlive the dataset (closed, reopened, freed)
  // and the window it lives in.
  void memoViewerFollowsTheRow() {
    auto *owner = new SourceWindow;
    QPointer<SourceWindow> ownerAlive = owner;
    ShowMemoField(owner->Check, owner->Source);
    ShowMemoField(owner->Name, owner->Source);  // any field; no label: its name
    QList<TMemoViewForm *> viewers = fixtures::visibleWindows<TMemoViewForm>();
    QCOMPARE(viewers.size(), 2);
    TMemoViewForm *check = viewers[0]->windowTitle() == QLatin1String("Memo - Check expr") ? viewers[0] : viewers[1];
    TMemoViewForm *name = check == viewers[0] ? viewers[1] : viewers[0];
    QCOMPARE(check->windowTitle(), QStringLiteral("Memo - Check expr"));
    QCOMPARE(name->windowTitle(), QStringLiteral("Memo - RDB$FIELD_NAME"));
    QCOMPARE(QFontInfo(check->MemoCtrl->font()).pixelSize(), 17);

    // A row without a value is empty.
    QCOMPARE(owner->Name->AsString(), QStringLiteral("D_INT"));
    QCOMPARE(check->MemoCtrl->toPlainText(), QStringLiteral("CHECK (VALUE > 0)"));
    owner->Query->Next();
    QCOMPARE(check->MemoCtrl->toPlainText(), QStringLiteral("CHECK (VALUE >= 0)"));
    QCOMPARE(name->MemoCtrl->toPlainText(), QStringLiteral("D_MONEY"));
    owner->Query->Next();
    QCOMPARE(check->MemoCtrl->toPlainText(), QString());
    QCOMPARE(name->MemoCtrl->toPlainText(), QStringLiteral("D_NAME"));

    owner->Query->First();
    check->MemoCtrl->setFocus();
    QTest::keyClicks(check->MemoCtrl, QStringLiteral("xyz"));
    QTest::keyClick(check->MemoCtrl, Qt::Key_Return);
    QCOMPARE(check->MemoCtrl->toPlainText(), QStringLiteral("CHECK (VALUE > 0)"));
    QCOMPARE(owner->Query->State(), TDataSetState::dsBrowse);

    owner->Query->Close();
    QVERIFY(check->MemoCtrl->toPlainText().isEmpty());
    owner->Query->Open();
    QCOMPARE(check->MemoCtrl->toPlainText(), QStringLiteral("CHECK (VALUE > 0)"));
    delete owner->Query;
    check->repaint();
    QVERIFY(check->MemoCtrl->toPlainText().isEmpty());

    delete owner;
    QVERIFY(!ownerAlive);
    QCOMPARE(fixtures::visibleWindows<TMemoViewForm>().size(), 2);
    QTest::keyClicks(check->MemoCtrl, QStringLiteral("abc"));
    check->resize(300, 200);
    check->repaint();
    QVERIFY(!check->MemoCtrl->toPlainText().contains(QStringLiteral("abc")));  // still read-only
    QPointer<TMemoViewForm> closing = check;
    check->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closing);
  }
};

TESSELOR_TEST_MAIN(TestViewers)
#include "test_viewers.moc"

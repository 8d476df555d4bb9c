// The object repository's windows and operations over real local tables in temporary
// directories: storing and picking sources, the repository window, and the settings dialog
// that chooses the directory and creates the table. Boxes are answered by their buttons.
#include "app/settings.h"
#include "repository/pickdialog.h"
#include "repository/repositorywindow.h"
#include "repository/settingsdialog.h"
#include "server/dataset.h"
#include "server/db.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "tests/fixtures/testenv.h"
#include "ui/dbcontrols.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {

const QString kName = QStringLiteral("OBJECT NAME");
const QString kSource = QStringLiteral("OBJECT SOURCE");

// Clicks (or double-clicks) the pick dialog's row showing name.
void ClickRow(QWidget *box, const QString &name, bool twice = false) {
  auto *dialog = qobject_cast<TSelObjSourceForm *>(box);
  QVERIFY(dialog);
  TDBGrid *grid = dialog->DataGrid;
  QAbstractItemModel *model = grid->model();
  for (int r = 0; r < model->rowCount(); ++r) {
    const QModelIndex index = model->index(r, 0);
    if (index.data().toString() != name) continue;
    grid->scrollTo(index);
    const QPoint at = grid->visualRect(index).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (twice) QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    return;
  }
  QFAIL(qPrintable(QStringLiteral("no row %1 in the pick dialog").arg(name)));
}

}  // namespace

class TestRepository : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void cleanup();
  void cleanupTestCase();

  void addCutsNameAndStaysOnEntry();
  void storedTextFormsAndPickBack();
  void emptySourceClearsEditor();
  void pickCancelAndEscLeaveTargetSilently();
  void pickByDoubleClickAndEnter();
  void refusedNamesKeepTableIntact();
  void cancelledNamePromptKeepsWindow();
  void windowOverMissingTableStillShows();
  void windowEditingAndRefresh();

  void settingsExistingTable();
  void settingsCreatesChainAndTable();
  void settingsRefusalsKeepDialogOpen();
  void settingsBadInputRefused();
  void directoryChain();

private:
  // Points DEVSOURCES at a fresh directory holding an empty table; returns the directory.
  QString freshRepository();
  QMap<QString, QString> entries();  // name -> source, as stored
  // Runs AddObjectSource the way a command does (through the guard), typing name.
  void addThroughWindow(const QString &name, const TStringList &lines);

  std::unique_ptr<fixtures::TempHome> FHome;
  TDatabase *FDevSrc = nullptr;
};

void TestRepository::initTestCase() {
  FHome = std::make_unique<fixtures::TempHome>();
  SetApplicationTitle(QStringLiteral("ZUL DB Tesselor for IB"));
  FDevSrc = new TDatabase(this);
  FDevSrc->SetDatabaseName(QStringLiteral("DEVSOURCES"));
  FDevSrc->SetDriverName(QStringLiteral("STANDARD"));
}

void TestRepository::cleanup() {
  fixtures::closeWindows("TObjRepos");
  delete ORepOptDlg;
}

void TestRepository::cleanupTestCase() {
  delete FDevSrc;
  FHome.reset();
}

QString TestRepository::freshRepository() {
  const QString dir = fixtures::tempPath(QStringLiteral("repo"));
  fixtures::makeRepositoryTable(dir);
  FDevSrc->Close();
  FDevSrc->Params.SetValues(QStringLiteral("PATH"), dir);
  FDevSrc->Open();
  return dir;
}

QMap<QString, QString> TestRepository::entries() { return fixtures::repositoryEntries(); }

void TestRepository::addThroughWindow(const QString &name, const TStringList &lines) {
  auto seen = typeIntoNextInputBox(name);
  Guard([&] { AddObjectSource(lines); });
  QVERIFY(seen->Shown);
}

// ---------------------------------------------------------------------------------------------
// Storing and picking

void TestRepository::addCutsNameAndStaysOnEntry() {
  freshRepository();
  const QString name31 = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
  QCOMPARE(name31.size(), 31);
  auto seen = typeIntoNextInputBox(name31);
  AddObjectSource(TStringList(QStringList{QStringLiteral("select 1 from rdb$database")}));

  QVERIFY(seen->Shown);
  QCOMPARE(seen->ClassName, QStringLiteral("TInputBox"));
  QCOMPARE(seen->Caption, QStringLiteral("Nosaukums"));
  QCOMPARE(seen->Text, QStringLiteral("Ievadiet nosaukumu"));
  QCOMPARE(seen->EditText, QString());
  QCOMPARE(seen->MaxLength, 255);
  QCOMPARE(seen->Buttons, (QStringList{"OK", "Cancel"}));

  const auto stored = entries();
  QCOMPARE(stored.keys(), QStringList{name31.left(30)});
  QCOMPARE(stored.first(), QStringLiteral("select 1 from rdb$database\r\n"));

  // The window stays open, on the new entry, with nothing pending.
  const auto windows = fixtures::visibleWindows<TObjRepos>();
  QCOMPARE(windows.size(), 1);
  TObjRepos *w = windows.first();
  QCOMPARE(w->windowTitle(), QStringLiteral("Objects repository"));
  QCOMPARE(w->SrcTable->State(), TDataSetState::dsBrowse);
  QCOMPARE(w->nameField->AsString(), name31.left(30));
  QCOMPARE(w->DBMemo1->toPlainText(), QStringLiteral("select 1 from rdb$database\n"));
}

void TestRepository::storedTextFormsAndPickBack() {
  freshRepository();
  const QStringList three{QStringLiteral("create table T ("), QStringLiteral("  A integer"), QStringLiteral(");")};
  CHECKED(addThroughWindow(QStringLiteral("FREE LIST"), TStringList(three)));

  // Editor texts are stored as the editor holds them: with and without a final break.
  QPlainTextEdit editor;
  editor.setPlainText(three.join(u'\n'));
  auto seen = typeIntoNextInputBox(QStringLiteral("EDITOR"));
  Guard([&] { AddObjectSource(&editor); });
  QVERIFY(seen->Shown);
  editor.setPlainText(three.join(u'\n') + u'\n');
  seen = typeIntoNextInputBox(QStringLiteral("EDITOR BREAK"));
  Guard([&] { AddObjectSource(&editor); });
  QVERIFY(seen->Shown);

  const auto stored = entries();
  QCOMPARE(stored.value(QStringLiteral("FREE LIST")), three.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
  QCOMPARE(stored.value(QStringLiteral("EDITOR")), three.join(QStringLiteral("\r\n")));
  QCOMPARE(stored.value(QStringLiteral("EDITOR BREAK")), three.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

  // Picked back into a line list: the same three lines, from every form.
  for (const QString &name : {QStringLiteral("FREE LIST"), QStringLiteral("EDITOR"), QStringLiteral("EDITOR BREAK")}) {
    TStringList lines(QStringList{QStringLiteral("old")});
    auto pick = answerNextModal(Press(QStringLiteral("OK"), [&](QWidget *box) { ClickRow(box, name); }));
    SelectObjectSource(lines);
    QVERIFY(pick->Shown);
    QCOMPARE(lines.Lines(), three);
  }
  // Picked into an editor: the text as it was stored, ending as it ended.
  QPlainTextEdit target;
  target.setPlainText(QStringLiteral("something else"));
  auto pick =
      answerNextModal(Press(QStringLiteral("OK"), [](QWidget *box) { ClickRow(box, QStringLiteral("EDITOR")); }));
  SelectObjectSource(&target);
  QVERIFY(pick->Shown);
  QCOMPARE(target.toPlainText(), three.join(u'\n'));
  pick =
      answerNextModal(Press(QStringLiteral("OK"), [](QWidget *box) { ClickRow(box, QStringLiteral("EDITOR BREAK")); }));
  SelectObjectSource(&target);
  QCOMPARE(target.toPlainText(), three.join(u'\n') + u'\n');

  // The pick dialog as the user sees it: one column "Object", OK (default) and Cancel.
  pick = answerNextModal(Press(QStringLiteral("Cancel"), [](QWidget *box) {
    auto *d = qobject_cast<TSelObjSourceForm *>(box);
    QCOMPARE(d->DataGrid->model()->columnCount(), 1);
    QCOMPARE(d->DataGrid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Object"));
    QCOMPARE(d->DataGrid->model()->rowCount(), 3);
    QCOMPARE(d->DataGrid->model()->index(0, 0).data().toString(), QStringLiteral("EDITOR"));
    QVERIFY(d->DataGrid->hasFocus());
  }));
  Guard([&] { SelectObjectSource(&target); });
  QCOMPARE(pick->Caption, QStringLiteral("Select Object Source"));
  QCOMPARE(pick->Buttons, (QStringList{"OK", "Cancel"}));
  QCOMPARE(pick->DefaultButton, QStringLiteral("OK"));
  QVERIFY(pick->Centred);
}

void TestRepository::emptySourceClearsEditor() {
  freshRepository();
  QPlainTextEdit editor;
  auto seen = typeIntoNextInputBox(QStringLiteral("EMPTY"));
  AddObjectSource(&editor);
  QVERIFY(seen->Shown);
  QCOMPARE(entries().keys(), QStringList{QStringLiteral("EMPTY")});
  QCOMPARE(entries().value(QStringLiteral("EMPTY")), QString());

  editor.setPlainText(QStringLiteral("select * from T"));
  auto pick = answerNextModal(QStringLiteral("OK"));
  SelectObjectSource(&editor);
  QVERIFY(pick->Shown);
  QCOMPARE(editor.toPlainText(), QString());

  TStringList lines(QStringList{QStringLiteral("a"), QStringLiteral("b")});
  pick = answerNextModal(QStringLiteral("OK"));
  SelectObjectSource(lines);
  QCOMPARE(lines.Count(), 0);
}

void TestRepository::pickCancelAndEscLeaveTargetSilently() {
  freshRepository();
  CHECKED(addThroughWindow(QStringLiteral("ONE"), TStringList(QStringList{QStringLiteral("x")})));
  QPlainTextEdit editor;
  const QString original = QStringLiteral("keep\nthis\n");
  editor.setPlainText(original);

  ModalAnswer byCancel = Press(QStringLiteral("Cancel"));
  ModalAnswer byEsc;
  byEsc.Key = Qt::Key_Escape;
  ModalAnswer byCloseBox;
  byCloseBox.CloseBox = true;
  for (ModalAnswer answer : {byCancel, byEsc, byCloseBox}) {
    // A second watcher, armed while the dialog shows, catches any box that follows it.
    ModalSeenPtr after;
    answer.Check = [&after](QWidget *) { after = answerNextModal(QStringLiteral("OK"), 500); };
    auto pick = answerNextModal(answer);
    bool aborted = false;
    try {
      SelectObjectSource(&editor);
    } catch (const EAbort &) {
      aborted = true;
    }
    QVERIFY(pick->Shown);
    QVERIFY(aborted);
    QTest::qWait(600);
    QVERIFY(after);
    QVERIFY2(!after->Shown, qPrintable(after->Text));
    QCOMPARE(editor.toPlainText(), original);
  }
}

void TestRepository::pickByDoubleClickAndEnter() {
  freshRepository();
  CHECKED(addThroughWindow(QStringLiteral("A"), TStringList(QStringList{QStringLiteral("first")})));
  CHECKED(addThroughWindow(QStringLiteral("B"), TStringList(QStringList{QStringLiteral("second")})));
  CHECKED(addThroughWindow(QStringLiteral("C"), TStringList(QStringList{QStringLiteral("third")})));

  TStringList lines;
  // The double click ends the dialog; the answer then only taps a key that does nothing.
  ModalAnswer dbl;
  dbl.Check = [](QWidget *box) { ClickRow(box, QStringLiteral("B"), true); };
  dbl.Key = Qt::Key_Shift;
  auto pick = answerNextModal(dbl);
  SelectObjectSource(lines);
  QVERIFY(pick->Shown);
  QCOMPARE(lines.Lines(), QStringList{QStringLiteral("second")});

  ModalAnswer enter;
  enter.Check = [](QWidget *box) {
    ClickRow(box, QStringLiteral("C"));
    QVERIFY(box->focusWidget() == qobject_cast<TSelObjSourceForm *>(box)->DataGrid);
  };
  enter.Key = Qt::Key_Return;
  pick = answerNextModal(enter);
  SelectObjectSource(lines);
  QVERIFY(pick->Shown);
  QCOMPARE(lines.Lines(), QStringList{QStringLiteral("third")});
}

void TestRepository::refusedNamesKeepTableIntact() {
  freshRepository();
  const QString base = QStringLiteral("123456789012345678901234567890");
  CHECKED(addThroughWindow(base + QStringLiteral("-first"), TStringList(QStringList{QStringLiteral("original")})));

  // A name equal in its first 30 characters is a duplicate; an empty name has no value.
  struct Case {
    QString Name, Error;
  };
  for (const Case &c : {Case{base + QStringLiteral("-second"), QStringLiteral("Key violation.")},
                        Case{QString(), QStringLiteral("Field 'OBJECT NAME' must have a value.")}}) {
    BoxSequence chain({Type(c.Name, QStringLiteral("OK")), Press(QStringLiteral("OK"))});
    Guard([] { AddObjectSource(TStringList(QStringList{QStringLiteral("replacement")})); });
    QCOMPARE(chain.Count(), 2);
    QVERIFY(chain[1].Shown);
    QCOMPARE(chain[1].Text, c.Error);
    QCOMPARE(chain[1].Icon, QMessageBox::Critical);
    QCOMPARE(chain[1].Caption, QStringLiteral("ZUL DB Tesselor for IB"));

    // The insert was cancelled in the new window, and the entry stored before is untouched.
    TObjRepos *w = fixtures::visibleWindows<TObjRepos>().last();
    QCOMPARE(w->SrcTable->State(), TDataSetState::dsBrowse);
    QCOMPARE(w->SrcTable->RecordCount(), 1);
    const auto stored = entries();
    QCOMPARE(stored.keys(), QStringList{base});
    QCOMPARE(stored.value(base), QStringLiteral("original\r\n"));
  }
}

void TestRepository::cancelledNamePromptKeepsWindow() {
  const QString dir = freshRepository();
  CHECKED(addThroughWindow(QStringLiteral("KEPT"), TStringList(QStringList{QStringLiteral("a")})));
  fixtures::closeWindows("TObjRepos");
  QFile table(dir + QStringLiteral("/DVSRC.DB"));
  QVERIFY(table.open(QIODevice::ReadOnly));
  const QByteArray before = table.readAll();
  table.close();
  QVERIFY(!before.isEmpty());

  auto seen = answerNextModal(QStringLiteral("Cancel"));
  AddObjectSource(TStringList(QStringList{QStringLiteral("never stored")}));
  QVERIFY(seen->Shown);
  const auto windows = fixtures::visibleWindows<TObjRepos>();
  QCOMPARE(windows.size(), 1);
  QCOMPARE(windows.first()->SrcTable->State(), TDataSetState::dsBrowse);
  QCOMPARE(entries().keys(), QStringList{QStringLiteral("KEPT")});
  QVERIFY(table.open(QIODevice::ReadOnly));
  QCOMPARE(table.readAll(), before);
}

void TestRepository::windowOverMissingTableStillShows() {
  const QString dir = fixtures::tempPath(QStringLiteral("norepo"));
  QDir().mkpath(dir);
  FDevSrc->Close();
  FDevSrc->Params.SetValues(QStringLiteral("PATH"), dir);
  FDevSrc->Open();

  // The window shows the opening error and appears anyway; the add then fails on the closed
  // table, and that error is shown too.
  BoxSequence chain(
      {Press(QStringLiteral("OK")), Type(QStringLiteral("X"), QStringLiteral("OK")), Press(QStringLiteral("OK"))});
  Guard([] { AddObjectSource(TStringList(QStringList{QStringLiteral("x")})); });
  QCOMPARE(chain.Count(), 3);
  QCOMPARE(chain[0].Icon, QMessageBox::Critical);
  QVERIFY(chain[0].Text.contains(QStringLiteral("DVSRC")));
  QCOMPARE(chain[1].Caption, QStringLiteral("Nosaukums"));
  QCOMPARE(chain[2].Icon, QMessageBox::Critical);
  QCOMPARE(fixtures::visibleWindows<TObjRepos>().size(), 1);
  QVERIFY(!fixtures::visibleWindows<TObjRepos>().first()->SrcTable->Active());
  QVERIFY(!QFile::exists(dir + QStringLiteral("/DVSRC.DB")));

  // Picking from no table leaves the target alone.
  TStringList lines(QStringList{QStringLiteral("mine")});
  BoxSequence chain2({Press(QStringLiteral("OK")), Press(QStringLiteral("OK"))});
  Guard([&] { SelectObjectSource(lines); });
  QCOMPARE(chain2[0].Icon, QMessageBox::Critical);
  QCOMPARE(chain2[1].ClassName, QStringLiteral("TSelObjSourceForm"));
  QCOMPARE(lines.Lines(), QStringList{QStringLiteral("mine")});
}

void TestRepository::windowEditingAndRefresh() {
  freshRepository();
  CHECKED(addThroughWindow(QStringLiteral("FIRST"), TStringList(QStringList{QStringLiteral("one")})));
  auto *w1 = new TObjRepos();
  auto *w2 = new TObjRepos();
  QCOMPARE(fixtures::visibleWindows<TObjRepos>().size(), 3);

  // Layout: one bold "OBJECT NAME" column, the memo beside it, no tabbing between cells.
  QCOMPARE(w1->DBGrid1->model()->columnCount(), 1);
  QCOMPARE(w1->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), kName);
  QVERIFY(w1->DBGrid1->horizontalHeader()->font().bold());
  QVERIFY(!(w1->DBGrid1->Options() & dgTabs));
  QVERIFY(w1->DBGrid1->Options() & dgCancelOnExit);
  QCOMPARE(w1->DBMemo1->DataField(), kSource);
  QCOMPARE(w1->SrcField->DisplayLabel(), QStringLiteral("Source"));

  // A row inserted with the navigator and left without a name cannot be posted.
  w1->DBNavigator1->Button(nbInsert)->click();
  QCOMPARE(w1->SrcTable->State(), TDataSetState::dsInsert);
  w1->DBMemo1->setFocus();
  QTest::keyClicks(w1->DBMemo1, QStringLiteral("select 2"));
  auto error = answerNextModal(QStringLiteral("OK"));
  w1->DBNavigator1->Button(nbPost)->click();
  QVERIFY(error->Shown);
  QCOMPARE(error->Text, QStringLiteral("Field 'OBJECT NAME' must have a value."));
  QCOMPARE(w1->SrcTable->State(), TDataSetState::dsInsert);
  w1->nameField->SetAsString(QStringLiteral("SECOND"));
  w1->DBNavigator1->Button(nbPost)->click();
  QCOMPARE(w1->SrcTable->State(), TDataSetState::dsBrowse);
  QCOMPARE(entries().value(QStringLiteral("SECOND")), QStringLiteral("select 2"));

  // The other window sees it after a refresh; closing one leaves the other working.
  QCOMPARE(w2->SrcTable->RecordCount(), 1);
  w2->DBNavigator1->Button(nbRefresh)->click();
  w2->SrcTable->FetchAll();
  QCOMPARE(w2->SrcTable->RecordCount(), 2);
  w1->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(w2->SrcTable->Locate(kName, QStringLiteral("FIRST")));
  QCOMPARE(w2->DBMemo1->toPlainText(), QStringLiteral("one\n"));

  // Delete asks first; "Cancel" keeps the entry, "OK" removes it.
  auto ask = answerNextModal(QStringLiteral("Cancel"));
  w2->DBNavigator1->Button(nbDelete)->click();
  QCOMPARE(ask->Text, QStringLiteral("Delete record?"));
  QVERIFY(entries().contains(QStringLiteral("FIRST")));
  ask = answerNextModal(QStringLiteral("OK"));
  w2->DBNavigator1->Button(nbDelete)->click();
  QVERIFY(ask->Shown);
  QCOMPARE(entries().keys(), QStringList{QStringLiteral("SECOND")});

  // A pending change is dropped when the window closes.
  QVERIFY(w2->SrcTable->Locate(kName, QStringLiteral("SECOND")));
  w2->DBMemo1->setFocus();
  QTest::keyClicks(w2->DBMemo1, QStringLiteral(" -- unsaved"));
  QCOMPARE(w2->SrcTable->State(), TDataSetState::dsEdit);
  w2->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(entries().value(QStringLiteral("SECOND")), QStringLiteral("select 2"));
}

// ---------------------------------------------------------------------------------------------
// Settings dialog

void TestRepository::settingsExistingTable() {
  const QString dir = fixtures::tempPath(QStringLiteral("existing"));
  fixtures::makeRepositoryTable(dir);
  RepositoryDir = QStringLiteral("/old/place");
  ORepOptDlg = new TORepOptDlg();
  QCOMPARE(ORepOptDlg->DirName->text(), QStringLiteral("/old/place"));

  BoxSequence chain({Type(dir, QStringLiteral("OK")), Press(QStringLiteral("OK"))});
  const int result = ORepOptDlg->exec();
  QCOMPARE(result, int(mrOK));
  QCOMPARE(chain[0].Caption, QStringLiteral("Create/register Object repository table"));
  QCOMPARE(chain[0].Buttons.size(), 2);
  QVERIFY(chain[0].Centred);
  QCOMPARE(chain[1].Text, QStringLiteral("Restart program to keep changes"));
  QCOMPARE(chain[1].Icon, QMessageBox::NoIcon);
  QCOMPARE(chain[1].Caption, QStringLiteral("ZUL DB Tesselor for IB"));
  QCOMPARE(RepositoryDir, dir + QDir::separator());
  QCOMPARE(chain.Count(), 2);
}

void TestRepository::settingsCreatesChainAndTable() {
  const QString oldRepo = freshRepository();
  CHECKED(addThroughWindow(QStringLiteral("OLD ENTRY"), TStringList(QStringList{QStringLiteral("x")})));
  fixtures::closeWindows("TObjRepos");

  const QString root = fixtures::tempPath(QStringLiteral("chain"));
  const QString dir = root + QStringLiteral("/a/b/c");
  RepositoryDir = oldRepo;
  ORepOptDlg = new TORepOptDlg();
  BoxSequence chain({Type(dir, QStringLiteral("OK")), Press(QStringLiteral("OK")), Press(QStringLiteral("OK")),
                     Press(QStringLiteral("OK"))});
  QCOMPARE(ORepOptDlg->exec(), int(mrOK));
  QCOMPARE(chain.Count(), 4);
  QCOMPARE(chain[1].Text, QStringLiteral("Directory '%1/' not exists. Create it?").arg(dir));
  QCOMPARE(chain[1].Caption, QStringLiteral("Confirm"));
  QCOMPARE(chain[1].Icon, QMessageBox::Question);
  QCOMPARE(chain[1].Buttons, (QStringList{"OK", "Cancel"}));
  QCOMPARE(chain[1].DefaultButton, QStringLiteral("OK"));
  QCOMPARE(chain[2].Text, QStringLiteral("Table 'DVSRC.DB' in directory not exists. Create It?"));
  QCOMPARE(chain[3].Text, QStringLiteral("Table created"));
  QCOMPARE(RepositoryDir, dir);
  QVERIFY(QFile::exists(dir + QStringLiteral("/DVSRC.DB")));
  QVERIFY(QFile::exists(dir + QStringLiteral("/DVSRC.PX")));

  // The running program's windows stay on the old directory.
  auto *w = new TObjRepos();
  w->SrcTable->FetchAll();
  QCOMPARE(w->SrcTable->RecordCount(), 1);
  QCOMPARE(w->nameField->AsString(), QStringLiteral("OLD ENTRY"));

  // The new table: the two fields, a primary key on the name, the name required.
  TDatabase db;
  db.SetDatabaseName(QStringLiteral("NEWREPO"));
  db.SetDriverName(QStringLiteral("STANDARD"));
  db.Params.SetValues(QStringLiteral("PATH"), dir);
  TTable raw;
  raw.DatabaseName = QStringLiteral("NEWREPO");
  raw.TableName = QStringLiteral("DVSRC.DB");
  raw.Open();
  QCOMPARE(raw.FieldCount(), 2);
  QCOMPARE(raw.Fields()[0]->FieldName, kName);
  QCOMPARE(raw.Fields()[0]->DataType(), TFieldType::ftString);
  QCOMPARE(raw.Fields()[0]->Size, 30);
  QCOMPARE(raw.Fields()[1]->FieldName, kSource);
  QCOMPARE(raw.Fields()[1]->DataType(), TFieldType::ftMemo);
  raw.Close();

  TTable t;
  t.DatabaseName = QStringLiteral("NEWREPO");
  t.TableName = QStringLiteral("DVSRC.DB");
  TField *name = new TStringField(&t, kName, 30);
  TField *source = new TMemoField(&t, kSource, 20);
  t.Open();
  t.Insert();
  name->SetAsString(QStringLiteral("B"));
  source->SetAsString(QStringLiteral("b"));
  t.Post();
  t.Insert();
  name->SetAsString(QStringLiteral("A"));
  t.Post();
  t.Insert();
  name->SetAsString(QStringLiteral("B"));
  QVERIFY_THROWS_EXCEPTION(EDatabaseError, t.Post());
  t.Cancel();
  t.Insert();  // the required check is the table's own, not only the declared field's
  source->SetAsString(QStringLiteral("nameless"));
  QVERIFY_THROWS_EXCEPTION(EDatabaseError, t.Post());
  t.Cancel();
  t.Refresh();
  t.First();
  QCOMPARE(name->AsString(), QStringLiteral("A"));  // key order
  t.Next();
  QCOMPARE(name->AsString(), QStringLiteral("B"));
  t.Next();
  QVERIFY(t.Eof());
}

void TestRepository::settingsRefusalsKeepDialogOpen() {
  const QString missing = fixtures::tempPath(QStringLiteral("refused")) + QStringLiteral("/x");
  const QString bare = fixtures::tempPath(QStringLiteral("bare"));
  QDir().mkpath(bare);
  RepositoryDir = QStringLiteral("/unchanged");
  ORepOptDlg = new TORepOptDlg();

  // Directory question refused, then the table question refused, then Cancel: the dialog
  // stays open each time with the typed text, and nothing is created or changed.
  QString shownAfterTableRefusal;
  BoxSequence chain({Type(missing, QStringLiteral("OK")), Press(QStringLiteral("Cancel")),
                     Type(bare, QStringLiteral("OK")), Press(QStringLiteral("Cancel")),
                     Press(QStringLiteral("Cancel"),
                           [&](QWidget *box) { shownAfterTableRefusal = box->findChild<QLineEdit *>()->text(); })});
  QCOMPARE(ORepOptDlg->exec(), int(mrCancel));
  QCOMPARE(chain.Count(), 5);
  QCOMPARE(chain[1].Text, QStringLiteral("Directory '%1/' not exists. Create it?").arg(missing));
  QCOMPARE(chain[2].ClassName, QStringLiteral("TORepOptDlg"));
  QCOMPARE(chain[2].EditText, missing);
  QCOMPARE(chain[3].Text, QStringLiteral("Table 'DVSRC.DB' in directory not exists. Create It?"));
  QCOMPARE(chain[4].ClassName, QStringLiteral("TORepOptDlg"));
  QCOMPARE(shownAfterTableRefusal, bare);
  QVERIFY(!QFileInfo::exists(missing));
  QVERIFY(QDir(bare).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
  QCOMPARE(RepositoryDir, QStringLiteral("/unchanged"));

  // The next showing starts with what was typed last.
  QCOMPARE(ORepOptDlg->DirName->text(), bare);
}

void TestRepository::settingsBadInputRefused() {
  RepositoryDir = QStringLiteral("/unchanged");
  ORepOptDlg = new TORepOptDlg();
  const QString file = fixtures::tempPath(QStringLiteral("plainfile"));
  {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a directory");
  }
  const QString underFile = file + QStringLiteral("/repo");
  const QString relative = QStringLiteral("relative/repo");

  // Empty and relative paths are refused with a message; a path that cannot become a
  // directory fails when the table is created. Each time the dialog stays open.
  BoxSequence chain({Type(QStringLiteral("   "), QStringLiteral("OK")), Press(QStringLiteral("OK")),
                     Type(relative, QStringLiteral("OK")), Press(QStringLiteral("OK")),
                     Type(underFile, QStringLiteral("OK")), Press(QStringLiteral("OK")), Press(QStringLiteral("OK")),
                     Press(QStringLiteral("OK")), Press(QStringLiteral("Cancel"))});
  QCOMPARE(ORepOptDlg->exec(), int(mrCancel));
  QCOMPARE(chain.Count(), 9);
  QCOMPARE(chain[1].Text, QStringLiteral("Enter the directory of the object repository table."));
  QCOMPARE(chain[1].Icon, QMessageBox::Critical);
  QCOMPARE(chain[2].ClassName, QStringLiteral("TORepOptDlg"));
  QCOMPARE(chain[3].Text, QStringLiteral("Directory 'relative/repo' is not a full path."));
  QCOMPARE(chain[5].Text, QStringLiteral("Directory '%1/' not exists. Create it?").arg(underFile));
  QCOMPARE(chain[6].Text, QStringLiteral("Table 'DVSRC.DB' in directory not exists. Create It?"));
  QCOMPARE(chain[7].Icon, QMessageBox::Critical);
  QCOMPARE(chain[8].ClassName, QStringLiteral("TORepOptDlg"));
  QCOMPARE(chain[8].EditText, underFile);
  QCOMPARE(RepositoryDir, QStringLiteral("/unchanged"));
  QVERIFY(!QFileInfo::exists(QStringLiteral("relative")));
}

void TestRepository::directoryChain() {
  const QString root = fixtures::tempPath(QStringLiteral("dirs"));
  const QString deep = root + QStringLiteral("/one/two/three/");
  QVERIFY(!DirectoryPresent(root));
  CreateDirectoryChain(deep);
  QVERIFY(DirectoryPresent(deep));
  QVERIFY(DirectoryPresent(root + QStringLiteral("/one/two/three")));
  CreateDirectoryChain(deep);  // present already: nothing to do
  CreateDirectoryChain(QDir::rootPath());
  const QString file = root + QStringLiteral("/one/file");
  QFile f(file);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.close();
  QVERIFY(!DirectoryPresent(file));
  QVERIFY(!DirectoryPresent(file + QStringLiteral("/")));
  CreateDirectoryChain(file + QStringLiteral("/under/"));  // fails quietly
  QVERIFY(!DirectoryPresent(file + QStringLiteral("/under")));
}

TESSELOR_TEST_MAIN(TestRepository)
#include "test_repository.moc"

// The object repository's windows and operations over real local tables in temporary
// directories: storing and picking sources, the repository window, and the settings dialog
// that chooses the directory and creates the table. Boxes are answered by their buttons.
#include "app/settings.h"
#include "data/dataset.h"
#include "data/db.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "tests/fixtures/testenv.h"
#include "ui/dbcontrols.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/sqleditorwidget.h"
#include "windows/repository/pickdialog.h"
#include "windows/repository/repositorywindow.h"
#include "windows/repository/settingsdialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {

const QString kName = QStringLiteral("OBJECT NAME");
const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");
const QString kDialog = QStringLiteral("dialog [Create/register Object repository table]: ");
const QString kAskDir = QStringLiteral("? [Confirm]: Directory '%1/' not exists. Create it?");
const QString kAskTable = QStringLiteral("? [Confirm]: Table 'DVSRC.DB' in directory not exists. Create It?");

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

// A box as one line: the settings dialog as "dialog" with the text in its edit, any other box
// as its icon ("-" none, "x" error, "?" question) with its text; the caption in brackets unless
// it is the program's title.
QString Describe(const ModalSeen &s) {
  const bool dialog = s.ClassName == "TORepOptDlg";
  QString out = dialog ? QStringLiteral("dialog") : QString(QLatin1Char("-i!x?"[s.Icon]));
  if (s.Caption != kTitle) out += " [" + s.Caption + "]";
  return out + ": " + (dialog ? s.EditText : s.Text);
}
// The boxes of a sequence that showed, as Describe gives them.
QStringList Described(const BoxSequence &boxes) {
  QStringList out;
  for (int i = 0; i < boxes.Count(); ++i)
    if (boxes[i].Shown) out << Describe(boxes[i]);
  return out;
}

}  // namespace

class TestRepository : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void cleanup();
  void cleanupTestCase();

  void storedAndPickedBack_data();
  void storedAndPickedBack();
  void pickDialog();
  void refusedOrCancelledNamesKeepTable();
  void addOffersMissingTable();
  void windowEditingAndRefresh();

  void settingsCreatesOrRegistersTable();
  void settingsRefusalsKeepDialogOpen();
  void directoryChain();

private:
  // Points DEVSOURCES at dir (a fresh directory holding an empty table when not given); returns it.
  QString useRepository(QString dir = QString());
  // Runs AddObjectSource the way a command does (through the guard), typing name.
  void addThroughWindow(const QString &name, const QString &line);
  // Shows a new settings dialog and answers its boxes in turn: its result ("mrOK", "mrCancel"),
  // then each box it showed, as Describe gives it.
  QStringList runSettings(const QList<ModalAnswer> &answers);

  std::unique_ptr<fixtures::TempHome> FHome;
  TDatabase *FDevSrc = nullptr;
  std::unique_ptr<BoxSequence> FBoxes;  // those of the last runSettings
};

void TestRepository::initTestCase() {
  FHome = std::make_unique<fixtures::TempHome>();
  SetApplicationTitle(kTitle);
  FDevSrc = new TDatabase(this);
  FDevSrc->SetDatabaseName("DEVSOURCES");
  FDevSrc->SetDriverName("STANDARD");
}

void TestRepository::cleanup() {
  fixtures::closeWindows("TObjRepos");
  delete ORepOptDlg;
}

void TestRepository::cleanupTestCase() {
  delete FDevSrc;
  FHome.reset();
}

QString TestRepository::useRepository(QString dir) {
  if (dir.isEmpty()) fixtures::makeRepositoryTable(dir = fixtures::tempPath("repo"));
  FDevSrc->Close();
  FDevSrc->Params.SetValues("PATH", dir);
  FDevSrc->Open();
  return dir;
}

void TestRepository::addThroughWindow(const QString &name, const QString &line) {
  auto seen = typeIntoNextInputBox(name);
  Guard([&] { AddObjectSource(TStringList(QStringList{line})); });
  QVERIFY(seen->Shown);
}

QStringList TestRepository::runSettings(const QList<ModalAnswer> &answers) {
  ORepOptDlg = new TORepOptDlg();
  FBoxes = std::make_unique<BoxSequence>(answers);
  const int result = ORepOptDlg->exec();
  return QStringList{result == mrOK       ? "mrOK"
                     : result == mrCancel ? "mrCancel"
                                          : QString::number(result)} +
         Described(*FBoxes);
}

// ---------------------------------------------------------------------------------------------
// Storing and picking

void TestRepository::storedAndPickedBack_data() {
  QTest::addColumn<QString>("name");     // typed into the name prompt; its first 30 characters are stored
  QTest::addColumn<bool>("fromEditor");  // stored from an editor holding text, else from its lines
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("stored");       // the source stored
  QTest::addColumn<QStringList>("lines");    // picked back into a line list
  QTest::addColumn<QString>("editorShows");  // picked back into an editor, and in the window's memo
  const QString select = QStringLiteral("select 1 from rdb$database"), none;
  const QStringList three{"create table T (", "  A integer", ");"};
  const QString crlf = three.join("\r\n"), lf = three.join(u'\n');
  QTest::newRow("line list, name cut") << QString("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234") << false << select
                                       << select + "\r\n"
                                       << QStringList{select} << select + "\n";
  QTest::newRow("line list") << QString("FREE LIST") << false << lf << crlf + "\r\n" << three << lf + "\n";
  QTest::newRow("editor") << QString("EDITOR") << true << lf << crlf << three << lf;
  QTest::newRow("editor, final break") << QString("EDITOR BREAK") << true << lf + "\n"
                                       << crlf + "\r\n"
                                       << three << lf + "\n";
  QTest::newRow("empty editor") << QString("EMPTY") << true << none << none << QStringList() << none;
}

void TestRepository::storedAndPickedBack() {
  QFETCH(QString, name);
  QFETCH(bool, fromEditor);
  QFETCH(QString, text);
  QFETCH(QString, stored);
  QFETCH(QStringList, lines);
  QFETCH(QString, editorShows);
  const QString key = name.left(30);
  useRepository();
  TSQLEditor editor;
  editor.setPlainText(text);
  auto seen = typeIntoNextInputBox(name);
  if (fromEditor)
    AddObjectSource(&editor);
  else
    AddObjectSource(TStringList(text.split(u'\n')));
  QVERIFY(seen->Shown);
  QCOMPARE((QStringList{seen->ClassName, seen->Caption, seen->Text, seen->EditText, seen->Buttons.join(u'|')}),
           (QStringList{"TInputBox", "Name", "Enter a name for the statement", "", "OK|Cancel"}));
  QCOMPARE(seen->MaxLength, 255);
  QCOMPARE(fixtures::repositoryEntries(), (QMap<QString, QString>{{key, stored}}));

  // The window stays open, on the new entry, with nothing pending.
  const auto windows = fixtures::visibleWindows<TObjRepos>();
  QCOMPARE(windows.size(), 1);
  QCOMPARE(windows[0]->windowTitle(), "Objects repository");
  QCOMPARE(windows[0]->SrcTable->State(), TDataSetState::dsBrowse);
  QCOMPARE(windows[0]->nameField->AsString(), key);
  QCOMPARE(windows[0]->DBMemo1->toPlainText(), editorShows);

  TStringList list(QStringList{"old"});
  auto pick = answerNextModal("OK");
  SelectObjectSource(list);
  QVERIFY(pick->Shown);
  QCOMPARE(list.Lines(), lines);
  editor.setPlainText("something else");
  pick = answerNextModal("OK");
  SelectObjectSource(&editor);
  QVERIFY(pick->Shown);
  QCOMPARE(editor.toPlainText(), editorShows);
}

void TestRepository::pickDialog() {
  useRepository();
  CHECKED(addThroughWindow("C", "third"));
  CHECKED(addThroughWindow("B", "second"));
  CHECKED(addThroughWindow("A", "first"));

  // As the user sees it: one column "Object", the entries in key order, the grid focused, OK
  // (the default) and Cancel. Cancel, Esc and the close box leave the target as it was, and
  // silently (the suite's watchdog fails a test that leaves a box open).
  QStringList column;
  const auto look = [&](QWidget *box) {
    auto *d = qobject_cast<TSelObjSourceForm *>(box);
    QAbstractItemModel *m = d->DataGrid->model();
    column << m->headerData(0, Qt::Horizontal).toString();
    for (int r = 0; r < m->rowCount(); ++r)
      for (int c = 0; c < m->columnCount(); ++c)
        column << m->index(r, c).data().toString();
    QCOMPARE(d->focusWidget(), d->DataGrid);  // where the keys go once the dialog is active
  };
  TSQLEditor editor;
  editor.setPlainText("keep\nthis\n");
  for (const ModalAnswer &answer :
       {Press("Cancel", look), ModalAnswer{{}, {}, Qt::Key_Escape}, ModalAnswer{{}, {}, 0, {}, true}}) {
    auto pick = answerNextModal(answer);
    QVERIFY_THROWS_EXCEPTION(EAbort, SelectObjectSource(&editor));
    QVERIFY(pick->Shown);
    QCOMPARE(editor.toPlainText(), "keep\nthis\n");
    if (!answer.ButtonText.isEmpty()) {
      QCOMPARE(column, (QStringList{"Object", "A", "B", "C"}));
      QCOMPARE(pick->Caption, "Select Object Source");
      QCOMPARE(pick->Buttons, (QStringList{"OK", "Cancel"}));
      QCOMPARE(pick->DefaultButton, "OK");
      QVERIFY(pick->Centred);
    }
  }

  // A double click takes its row (the answer then only taps a key that does nothing); Enter
  // takes the row clicked. The grid keeps the focus.
  for (const auto &[row, twice, key, text] :
       {std::tuple{"B", true, Qt::Key_Shift, "second"}, std::tuple{"C", false, Qt::Key_Return, "third"}}) {
    TStringList lines;
    auto pick =
        answerNextModal(ModalAnswer{{}, {}, key, {}, false, [row = row, twice = twice](QWidget *box) {
                                      ClickRow(box, row, twice);
                                      QVERIFY(box->focusWidget() == qobject_cast<TSelObjSourceForm *>(box)->DataGrid);
                                    }});
    SelectObjectSource(lines);
    QVERIFY(pick->Shown);
    QCOMPARE(lines.Lines(), QStringList{text});
  }
}

void TestRepository::refusedOrCancelledNamesKeepTable() {
  const QString dir = useRepository();
  const QString base = QStringLiteral("123456789012345678901234567890");
  CHECKED(addThroughWindow(base + "-first", "original"));
  fixtures::closeWindows("TObjRepos");
  const QByteArray before = fixtures::readFile(dir + "/DVSRC.DB");

  // A cancelled name prompt stores nothing and leaves its window open.
  auto seen = answerNextModal("Cancel");
  AddObjectSource(TStringList(QStringList{"never stored"}));
  QVERIFY(seen->Shown);
  QCOMPARE(fixtures::visibleWindows<TObjRepos>().size(), 1);
  QCOMPARE(fixtures::visibleWindows<TObjRepos>()[0]->SrcTable->State(), TDataSetState::dsBrowse);

  // A name equal in its first 30 characters is a duplicate; an empty name has no value. The
  // insert is cancelled in the new window.
  for (const auto &[name, error] : {std::pair{base + "-second", "x: Key violation."},
                                    std::pair{QString(), "x: Field 'OBJECT NAME' must have a value."}}) {
    BoxSequence chain({Type(name, "OK"), Press("OK")});
    Guard([] { AddObjectSource(TStringList(QStringList{"replacement"})); });
    QCOMPARE(chain.Count(), 2);
    QVERIFY(chain[1].Shown);
    QCOMPARE(Describe(chain[1]), error);
    TObjRepos *w = fixtures::visibleWindows<TObjRepos>().last();
    QCOMPARE(w->SrcTable->State(), TDataSetState::dsBrowse);
    QCOMPARE(w->SrcTable->RecordCount(), 1);
  }
  QCOMPARE(fixtures::repositoryEntries(), (QMap<QString, QString>{{base, "original\r\n"}}));
  QCOMPARE(fixtures::readFile(dir + "/DVSRC.DB"), before);
}

void TestRepository::addOffersMissingTable() {
  const QString dir = fixtures::tempPath("norepo");
  QDir().mkpath(dir);
  useRepository(dir);

  // Declined: nothing is created, no name is asked for and no window is left behind.
  BoxSequence refused({Press("Cancel")});
  Guard([] { AddObjectSource(TStringList(QStringList{"x"})); });
  QCOMPARE(Described(refused), QStringList{kAskTable});
  QVERIFY(fixtures::visibleWindows<TObjRepos>().isEmpty());
  QVERIFY(!QFile::exists(dir + "/DVSRC.DB"));

  // Accepted: the table is made where the repository works and the entry goes into it at once.
  BoxSequence chain({Press("OK"), Type("X", "OK")});
  Guard([] { AddObjectSource(TStringList(QStringList{"x"})); });
  QCOMPARE(Described(chain), (QStringList{kAskTable, "- [Name]: Enter a name for the statement"}));
  QCOMPARE(fixtures::repositoryEntries(), (QMap<QString, QString>{{"X", "x\r\n"}}));
  QCOMPARE(fixtures::visibleWindows<TObjRepos>().size(), 1);
  fixtures::closeWindows("TObjRepos");
  const QString empty = fixtures::tempPath("norepo2");
  QDir().mkpath(empty);
  useRepository(empty);

  // Picking from no table leaves the target alone.
  TStringList lines(QStringList{"mine"});
  BoxSequence chain2({Press("OK"), Press("OK")});
  Guard([&] { SelectObjectSource(lines); });
  QCOMPARE(Described(chain2),
           (QStringList{"x: Table '" + empty + "/DVSRC.DB' does not exist.", "- [Select Object Source]: "}));
  QCOMPARE(lines.Lines(), QStringList{"mine"});
}

void TestRepository::windowEditingAndRefresh() {
  useRepository();
  CHECKED(addThroughWindow("FIRST", "one"));
  auto *w1 = new TObjRepos();
  auto *w2 = new TObjRepos();
  QCOMPARE(fixtures::visibleWindows<TObjRepos>().size(), 3);
  // One "OBJECT NAME" column; Tab leaves the grid, and leaving it cancels an untouched insert.
  QCOMPARE(w1->NamesGrid->model()->columnCount(), 1);
  QCOMPARE(w1->NamesGrid->model()->headerData(0, Qt::Horizontal).toString(), kName);
  QCOMPARE(w1->NamesGrid->Options() & (dgTabs | dgCancelOnExit), dgCancelOnExit);

  // A row inserted with the navigator and left without a name cannot be posted.
  w1->DBNavigator1->Button(nbInsert)->click();
  QCOMPARE(w1->SrcTable->State(), TDataSetState::dsInsert);
  w1->DBMemo1->setFocus();
  QTest::keyClicks(w1->DBMemo1, "select 2");
  auto error = answerNextModal("OK");
  w1->DBNavigator1->Button(nbPost)->click();
  QCOMPARE(Describe(*error), "x: Field 'OBJECT NAME' must have a value.");
  QCOMPARE(w1->SrcTable->State(), TDataSetState::dsInsert);
  w1->nameField->SetAsString("SECOND");
  w1->DBNavigator1->Button(nbPost)->click();
  QCOMPARE(w1->SrcTable->State(), TDataSetState::dsBrowse);
  QCOMPARE(fixtures::repositoryEntries().value("SECOND"), "select 2");

  // The other window sees it after a refresh; closing one leaves the other working.
  QCOMPARE(w2->SrcTable->RecordCount(), 1);
  w2->DBNavigator1->Button(nbRefresh)->click();
  w2->SrcTable->FetchAll();
  QCOMPARE(w2->SrcTable->RecordCount(), 2);
  w1->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(w2->SrcTable->Locate(kName, "FIRST"));
  QCOMPARE(w2->DBMemo1->toPlainText(), "one\n");

  // Delete asks first; "Cancel" keeps the entry, "OK" removes it.
  auto ask = answerNextModal("Cancel");
  w2->DBNavigator1->Button(nbDelete)->click();
  QCOMPARE(ask->Text, "Delete record?");
  QVERIFY(fixtures::repositoryEntries().contains("FIRST"));
  ask = answerNextModal("OK");
  w2->DBNavigator1->Button(nbDelete)->click();
  QVERIFY(ask->Shown);
  QCOMPARE(fixtures::repositoryEntries().keys(), QStringList{"SECOND"});

  // A pending change is dropped when the window closes.
  QVERIFY(w2->SrcTable->Locate(kName, "SECOND"));
  w2->DBMemo1->setFocus();
  QTest::keyClicks(w2->DBMemo1, " -- unsaved");
  QCOMPARE(w2->SrcTable->State(), TDataSetState::dsEdit);
  w2->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(fixtures::repositoryEntries().value("SECOND"), "select 2");
}

// ---------------------------------------------------------------------------------------------
// Settings dialog

void TestRepository::settingsCreatesOrRegistersTable() {
  const QString oldRepo = useRepository();
  CHECKED(addThroughWindow("OLD ENTRY", "x"));
  fixtures::closeWindows("TObjRepos");
  const QString dir = fixtures::tempPath("chain") + "/a/b/c";
  RepositoryDir = oldRepo;
  QCOMPARE(runSettings({Type(dir, "OK"), Press("OK"), Press("OK"), Press("OK")}),
           (QStringList{"mrOK", kDialog + oldRepo, kAskDir.arg(dir), kAskTable, "-: Table created"}));
  QCOMPARE((*FBoxes)[0].Buttons, (QStringList{"OK", "Cancel"}));
  QCOMPARE((*FBoxes)[0].DefaultButton, "OK");
  QVERIFY((*FBoxes)[0].Centred);
  QCOMPARE((*FBoxes)[1].Buttons, (QStringList{"OK", "Cancel"}));
  QCOMPARE((*FBoxes)[1].DefaultButton, "OK");
  QCOMPARE(RepositoryDir, dir);
  // The new table: the two fields, the name required and the primary key.
  QVERIFY(QFile::exists(dir + "/DVSRC.PX"));
  QCOMPARE(fixtures::localTableLayout(dir), "OBJECT NAME string 30 required, OBJECT SOURCE memo 20; key 0");

  // The repository works on the new directory at once: no restart.
  auto *w = new TObjRepos();
  QVERIFY(w->SrcTable->Active());
  QCOMPARE(w->SrcTable->RecordCount(), 0);

  // A directory that holds the table already is taken as it is.
  delete ORepOptDlg;
  RepositoryDir = "/old/place";
  QCOMPARE(runSettings({Type(dir, "OK")}), (QStringList{"mrOK", kDialog + "/old/place"}));
  QCOMPARE(RepositoryDir, dir + QDir::separator());
}

void TestRepository::settingsRefusalsKeepDialogOpen() {
  const QString missing = fixtures::tempPath("refused") + "/x";
  const QString bare = fixtures::tempPath("bare");
  QDir().mkpath(bare);
  const QString underFile = fixtures::writeFile(fixtures::tempPath("plainfile"), "not a directory") + "/repo";
  RepositoryDir = "/unchanged";
  // Empty and relative paths are refused with a message; a path that cannot become a directory
  // fails when the table is created; the directory question refused, the table question
  // refused, then Cancel. The dialog stays open each time with the typed text, and nothing is
  // created or changed.
  QCOMPARE(runSettings({Type("   ", "OK"), Press("OK"), Type("relative/repo", "OK"), Press("OK"), Type(underFile, "OK"),
                        Press("OK"), Press("OK"), Press("OK"), Type(missing, "OK"), Press("Cancel"), Type(bare, "OK"),
                        Press("Cancel"), Press("Cancel")}),
           (QStringList{"mrCancel", kDialog + "/unchanged", "x: Enter the directory of the object repository table.",
                        kDialog + "   ", "x: Directory 'relative/repo' is not a full path.", kDialog + "relative/repo",
                        kAskDir.arg(underFile), kAskTable, "x: Directory '" + underFile + "' does not exist.",
                        kDialog + underFile, kAskDir.arg(missing), kDialog + missing, kAskTable, kDialog + bare}));
  QVERIFY(!QFileInfo::exists(missing));
  QVERIFY(!QFileInfo::exists("relative"));
  QVERIFY(QDir(bare).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
  QCOMPARE(RepositoryDir, "/unchanged");
  QCOMPARE(ORepOptDlg->DirName->text(), bare);  // the next showing starts with what was typed last
}

void TestRepository::directoryChain() {
  const QString root = fixtures::tempPath("dirs");
  const QString deep = root + "/one/two/three/";
  QVERIFY(!DirectoryPresent(root));
  CreateDirectoryChain(deep);
  QVERIFY(DirectoryPresent(deep));
  QVERIFY(DirectoryPresent(root + "/one/two/three"));
  CreateDirectoryChain(deep);  // present already: nothing to do
  CreateDirectoryChain(QDir::rootPath());
  const QString file = fixtures::writeFile(root + "/one/file", QByteArray());
  QVERIFY(!DirectoryPresent(file));
  QVERIFY(!DirectoryPresent(file + "/"));
  CreateDirectoryChain(file + "/under/");  // fails quietly
  QVERIFY(!DirectoryPresent(file + "/under"));
}

TESSELOR_TEST_MAIN(TestRepository)
#include "test_repository.moc"

// The application shell as the user meets it: start-up and settings, the login dialog, the
// main window's menus, connection history, transaction commands and closing, with real
// widgets, real Firebird databases and every box answered by pressing its buttons.
#include "app/about.h"
#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/pwddlg.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/windowtable.h"
#include "base/errors.h"
#include "data/dataset.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "ui/mdichild.h"
#include "windows/catalog/domains.h"
#include "windows/catalog/exceptiondialog.h"
#include "windows/dataview/tabledata.h"
#include "windows/editing/ddlwindow.h"
#include "windows/repository/settingsdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QtTest>
#include <csignal>
#include <memory>

using fixtures::Access;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {

// What the login dialog showed when it appeared: user, password, masked, the two labels, the
// focused edit and the default button; and the user name once typed.
struct LoginSeen {
  bool Shown = false;
  QString Looks, UserAfterTyping;
};
using LoginSeenPtr = std::shared_ptr<LoginSeen>;
const QString kLoginDefaults = QStringLiteral("SYSDBA|tarnwidge|masked|&Username|&Password|UserN|OK");

// Fills the login dialog (user/password null: leave as shown) and presses button.
ModalAnswer Login(const LoginSeenPtr &seen, const QString &user = QString(), const QString &password = QString(),
                  const QString &button = QStringLiteral("OK")) {
  ModalAnswer a;
  a.ButtonText = button;
  a.Check = [=](QWidget *box) {
    auto *dlg = qobject_cast<TDBEntryDlg *>(box);
    if (!dlg) return;
    seen->Shown = true;
    const bool masked =
        dlg->Password->echoMode() == QLineEdit::Password &&
        dlg->Password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, dlg->Password) == '*';
    seen->Looks =
        QStringList({dlg->UserN->text(), dlg->Password->text(), masked ? "masked" : "plain", dlg->Label2->text(),
                     dlg->PasswordLabel->text(), dlg->focusWidget() ? dlg->focusWidget()->objectName() : QString(),
                     dlg->OKBtn->isDefault() ? dlg->OKBtn->text() : QString()})
            .join(u'|');
    if (!user.isNull()) {
      dlg->UserN->clear();
      QTest::keyClicks(dlg->UserN, user);
    }
    seen->UserAfterTyping = dlg->UserN->text();
    if (!password.isNull()) {
      dlg->Password->clear();
      QTest::keyClicks(dlg->Password, password);
    }
  };
  return a;
}

// A tool window with a menu of its own, standing in for the windows of later modules.
class TTestChild : public TChildForm {
public:
  explicit TTestChild(const QString &caption, bool withMenu) {
    setWindowTitle(caption);
    if (withMenu) {
      Menu = new QMenu(QStringLiteral("&Edit"), this);
      Menu->addAction(QStringLiteral("&Select object source..."));
    }
    setMinimumSize(160, 80);
    ShowChild();
  }
  QList<QMenu *> MergedMenus() const override { return Menu ? QList<QMenu *>{Menu} : QList<QMenu *>{}; }
  QMenu *Menu = nullptr;
};

QStringList MenuTitles() {
  QStringList titles;
  for (QAction *a : MainForm->menuBar()->actions())
    titles << a->text();
  return titles;
}

QStringList Items(const QComboBox *box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i)
    items << box->itemText(i);
  return items;
}

bool DatabaseMenuEnabled() { return MainForm->DataMenu->menuAction()->isEnabled(); }
// How many of "C&ommit Work" and "&Rollback Work" are on.
int CommitItemsOn() { return int(MainForm->MnCommitWork->isEnabled()) + int(MainForm->MnRollBackWork->isEnabled()); }

}  // namespace

class TestShell : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> FHome;
  QString FHistory;
  // Starts the program as main() does.
  void Start(const QStringList &args = {QStringLiteral("tesselor")}) {
    StartUp(args);
    QVERIFY(MainForm && DMSys && AboutBox && ExcDlg && ORepOptDlg);
    QVERIFY(DMSys->DevSrc->Connected());
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
  }
  void Stop() {
    if (MainForm || DMSys) ShutDown();
  }
  // A database with the known objects that tests read and leave as they found it.
  static const FbDatabase &SharedDb() {
    static const FbDatabase db = fixtures::createDatabase(3, Content::Known);
    return db;
  }

  // Connect to db through the menu, the login dialog answered as given (null: its defaults).
  void Connect(const FbDatabase &db, const QString &user = QString(), const QString &password = QString()) {
    MainForm->dbPath->setEditText(db.name);
    auto seen = std::make_shared<LoginSeen>();
    BoxSequence boxes({Login(seen, user, password)});
    MainForm->MnConnect->trigger();
    QVERIFY(seen->Shown);
    QVERIFY(DMSys->IBDataBase->Connected());
  }

private slots:

  void init() {
    FHome = std::make_unique<fixtures::TempHome>();
    FHistory = fixtures::tempPath(QStringLiteral("connect"), QStringLiteral(".hst"));
    SetHistoryFileName(FHistory);
  }

  void cleanup() {
    while (QWidget *popup = QApplication::activePopupWidget())
      popup->close();
    Stop();
    FHome.reset();
  }

  // ---- Start-up and settings ------------------------------------------------------------------

  // Start-up without a settings file, the auto commit switch kept from run to run, and stored
  // values read and written back in their own form.
  void settingsAcrossRuns() {
    QVERIFY(!QFile::exists(SettingsFileName()));
    CHECKED(Start());
    QCOMPARE(AutoCommit, false);
    QCOMPARE(RepositoryDir, QString());
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("ZUL DB Tesselor for IB"));
    QVERIFY(!QApplication::windowIcon().isNull());
    QVERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(AboutBox->isHidden() && ExcDlg->isHidden());
    Stop();
    QByteArray stored = fixtures::readFile(SettingsFileName());
    QVERIFY2(stored.contains("IB_AUTOCOMMIT=0\n") && stored.contains("OR%20DIRECTORY=\n"), stored.constData());

    for (bool on : {true, false}) {
      CHECKED(Start());
      QCOMPARE(MainForm->MnAutoCommit->isChecked(), !on);
      MainForm->MnAutoCommit->trigger();
      QCOMPARE(AutoCommit, on);
      QCOMPARE(MainForm->MnAutoCommit->isChecked(), on);
      Stop();
    }
    CHECKED(Start());
    QCOMPARE(AutoCommit, false);
    Stop();

    const QString dir = fixtures::tempPath(QStringLiteral("repo"));
    QVERIFY(QDir().mkpath(dir));
    {
      std::unique_ptr<QSettings> s(OpenSettings());
      s->setValue(QStringLiteral("IB_AUTOCOMMIT"), 5);
      s->setValue(QStringLiteral("OR DIRECTORY"), dir);
    }
    CHECKED(Start());
    QCOMPARE(AutoCommit, true);
    QVERIFY(MainForm->MnAutoCommit->isChecked());
    QCOMPARE(RepositoryDir, dir);
    QCOMPARE(DMSys->DevSrc->Params.Values(QStringLiteral("PATH")), dir);
    Stop();
    stored = fixtures::readFile(SettingsFileName());
    QVERIFY2(stored.contains("IB_AUTOCOMMIT=1\n"), stored.constData());
  }

  void storedValueThatCannotBeUsed_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("auto commit as text") << "IB_AUTOCOMMIT" << QVariant(QStringLiteral("yes"));
    QTest::newRow("auto commit as bytes") << "IB_AUTOCOMMIT" << QVariant(QByteArray("\x01\x00", 2));
    QTest::newRow("directory as a list") << "OR DIRECTORY" << QVariant(QStringList{"/a", "/b"});
    QTest::newRow("repository that cannot open") << "OR DIRECTORY" << QVariant(fixtures::tempPath("no-such-dir"));
  }
  // A value of the wrong type: an error box, start-up goes on with the default, and the next
  // save puts a value of the right type in its place. A repository directory that cannot be
  // opened: its error box, and the program goes on without the repository.
  void storedValueThatCannotBeUsed() {
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    std::unique_ptr<QSettings>(OpenSettings())->setValue(name, value);
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    StartUp({QStringLiteral("tesselor")});
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Caption, QStringLiteral("ZUL DB Tesselor for IB"));
    QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
    QCOMPARE(boxes[0].Buttons, QStringList{"OK"});
    QVERIFY(MainForm && MainForm->isVisible());
    if (value.typeId() == QMetaType::QString && name == QLatin1String("OR DIRECTORY")) {
      QVERIFY2(boxes[0].Text.contains(value.toString()) && boxes[0].Text.endsWith(u'.'), qPrintable(boxes[0].Text));
      QVERIFY(!DMSys->DevSrc->Connected());
      QCOMPARE(DMSys->DevSrc->Params.Values(QStringLiteral("PATH")), value.toString());
      return;
    }
    QCOMPARE(boxes[0].Text, QStringLiteral("Invalid data type for '%1'.").arg(name));
    QCOMPARE(AutoCommit, false);
    QCOMPARE(RepositoryDir, QString());
    Stop();
    CHECKED(Start());  // no box about the settings this time
    QCOMPARE(AutoCommit, false);
  }

  void failedSaveIsReported() {
    CHECKED(Start());
    // A directory where the settings file belongs: the store cannot be written.
    QVERIFY(QDir().mkpath(SettingsFileName()));
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    ShutDown();
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
    QCOMPARE(boxes[0].Text, QStringLiteral("Cannot write the settings to %1.").arg(SettingsFileName()));
    QVERIFY(!MainForm && !DMSys);
  }

  // ---- Main window: menus, hints, windows --------------------------------------------------------

  // Every command of the main window as a user reaches it: its caption, the keys that run it
  // (a shortcut, or the menu's and the item's underlined letters), the hints shown while its
  // menu and its item are highlighted, and what running it does.
  void everyCommandByItsKeys_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("keys");  // the first chord to the window, the others to the menu it opens
    QTest::addColumn<QString>("hint");  // shown while the item is pointed at
    QTest::addColumn<QString>("effect");
    const auto row = [](const char *caption, const char *keys, const char *hint, const char *effect) {
      QTest::addRow("%s %s", caption, keys) << caption << keys << hint << effect;
    };
    row("&Connect", "Ctrl+O", "", "login");
    row("&Connect", "Alt+F,C", "Connect to database", "login");
    row("&Disconect", "Alt+F,D", "Disconect from database", "disconnected");
    row("&Auto commit", "Alt+F,A", "Set auto commit on/off", "auto commit");
    row("C&ommit Work", "Alt+F,O,Return", "Commit work for database", "committed");
    row("&Rollback Work", "Alt+F,R", "Rollback work for database", "rolled back");
    // "O" stops at the disabled C&ommit Work, so the arrow keys.
    row("&Object repository settings...", "Alt+F,Up,Up,Return",
        "Selects or creates object repository table for keeping DDL and SQL statements",
        "box:Create/register Object repository table");
    row("E&xit", "Alt+F4", "", "exit");
    row("E&xit", "Alt+F,X", "Close application", "exit");
    row("&Domains", "Alt+D,D", "Opens domains list for viewing,creating  & editing", "window:TDomainsForm");
    row("&Exceptions", "Alt+D,E", "Opens exceptions list for editing, creating and deleting", "window:TExceptionsForm");
    row("&Triggers", "Alt+D,T", "Opens triggers list to view, edit and create triggers", "window:TFormTriggers");
    row("&Structures", "Alt+D,S", "Opens structures to view table/view structures", "window:TFormTblStr");
    row("&Object repository", "Alt+D,O", "Opens table in which you can save objects source for further using",
        "window:TObjRepos");
    row("DD&L statements", "Alt+D,L", "Opens SQL Expressions Window for executing DDL statements",
        "window:TSQLExprForm");
    row("Data &view", "Alt+D,V", "Opens window in which you can view, edit, insert data in views and tables",
        "window:TDataForm");
    row("&Generators", "Alt+D,G", "Opens generators list", "window:TGeneratorsForm");
    row("&Procedures", "Alt+D,P", "Procedures list for creating editing stored procedures", "window:TProceduresForm");
    row("Vie&ws", "Alt+D,W", "Opens views list with their source, columns and dependencies", "window:TViewsForm");
    row("&Indices", "Alt+D,I", "Opens indices list to activate, deactivate, recompute and drop indices",
        "window:TIndicesForm");
    row("&View wizard...", "Alt+I,V", "", "off");
    row("&Trigger-genereted key wizard...", "Alt+I,T", "", "off");
    row("T&able wizard...", "Alt+I,A", "", "off");
    row("&Foreign key wizard...", "Alt+I,F", "", "off");
    row("&Cascade", "Alt+W,C", "Cascade windows", "cascade");
    row("Tile &vertical", "Alt+W,V", "Tile windows vertical", "tile vertical");
    row("Tile &horizontal", "Alt+W,H", "Tile Windows horizontal", "tile horizontal");
    row("&About", "Alt+H,A", "About this product", "box:About");
  }
  void everyCommandByItsKeys() {
    QFETCH(QString, caption);
    QFETCH(QString, keys);
    QFETCH(QString, hint);
    QFETCH(QString, effect);
    const QString kind = effect.section(u':', 0, 0), what = effect.section(u':', 1);
    if (what == QLatin1String("TObjRepos")) {  // a repository table to show
      const QString dir = fixtures::tempPath(QStringLiteral("repo"));
      fixtures::makeRepositoryTable(dir);
      std::unique_ptr<QSettings>(OpenSettings())->setValue(QStringLiteral("OR DIRECTORY"), dir);
    }
    CHECKED(Start());
    TMainForm *f = MainForm;
    QAction *action = nullptr;
    for (QAction *a : f->findChildren<QAction *>())
      if (a->text() == caption && !a->menu()) action = a;
    QVERIFY(action);
    TIBDataBase *ib = DMSys->IBDataBase;
    const bool work = kind == QLatin1String("committed") || kind == QLatin1String("rolled back");
    if (keys.startsWith(QLatin1String("Alt+D")) || kind == QLatin1String("disconnected") || work)
      CHECKED(Connect(SharedDb()));
    if (work) ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_BY_KEYS 'by keys'"), false);
    QCOMPARE(CommitItemsOn(), work ? 2 : 0);  // the two follow the transaction
    QPointer<TTestChild> one, two;
    if (kind == QLatin1String("cascade") || kind.startsWith(QLatin1String("tile"))) {
      one = new TTestChild(QStringLiteral("One"), false);
      two = new TTestChild(QStringLiteral("Two"), false);
      for (TTestChild *c : {one.data(), two.data()})
        c->SubWindow()->setGeometry(0, 0, 200, 100);
      f->TileMode = kind == QLatin1String("tile vertical") ? TTileMode::tbHorizontal : TTileMode::tbVertical;
    }

    // Pointing at the menu shows its hint, at the item the item's (a disabled item takes no hover).
    if (keys.contains(u',')) {
      const QHash<QString, QString> menuHints{
          {"Alt+D", "Database operations"}, {"Alt+I", "Wizards menu"}, {"Alt+H", "Information menu"}};
      auto *menu = qobject_cast<QMenu *>(action->associatedObjects().value(0));
      QVERIFY(menu);
      // The offscreen platform's pointer moves come marked as synthesized, which the menu bar
      // does not take for hovering: move over it as a real mouse does.
      QMenuBar *bar = f->menuBar();
      const QPoint title = bar->actionGeometry(menu->menuAction()).center();
      QMouseEvent move(QEvent::MouseMove, title, bar->mapToGlobal(title), Qt::NoButton, Qt::NoButton, {});
      QApplication::sendEvent(bar, &move);
      QTRY_COMPARE(f->StatusPanel->text(), menuHints.value(keys.section(u',', 0, 0)));
      QTest::mouseClick(bar, Qt::LeftButton, {}, title);
      QVERIFY(QTest::qWaitForWindowExposed(menu));
      QTest::mouseMove(menu, menu->actionGeometry(action).center());
      QTRY_COMPARE(f->StatusPanel->text(), hint.isEmpty() ? menuHints.value(keys.section(u',', 0, 0)) : hint);
      QTest::keyClick(menu, Qt::Key_Escape);
      QTRY_VERIFY(!menu->isVisible());
    }

    const auto press = [&] {
      f->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(f));
      const QStringList chords = keys.split(u',');
      for (int i = 0; i < chords.size(); ++i) {
        QWidget *popup = QApplication::activePopupWidget();
        QTest::keySequence(i > 0 && popup ? popup : f, QKeySequence(chords[i]));
      }
    };
    QList<ModalAnswer> answers;
    if (kind == QLatin1String("login")) answers << Login(std::make_shared<LoginSeen>());
    f->dbPath->setEditText(SharedDb().name);
    if (kind == QLatin1String("box")) answers << Press(QStringLiteral("Cancel"));
    if (kind == QLatin1String("exit")) answers << Press(QStringLiteral("OK"));
    QDialog *const dialog = what == QLatin1String("About") ? static_cast<QDialog *>(AboutBox) : ORepOptDlg;
    QSignalSpy triggered(action, &QAction::triggered);
    // A window command opens a new window each time; a dialog is the same each time.
    const int presses = kind == QLatin1String("window") || kind == QLatin1String("box") ? 2 : 1;
    for (int i = 0; i < presses; ++i) {
      BoxSequence boxes(answers);
      CHECKED(press());
      QCOMPARE(boxes.Count(), answers.size());
      if (kind == QLatin1String("box")) QCOMPARE(boxes[0].Caption, what);
      if (kind == QLatin1String("exit")) QCOMPARE(boxes[0].Text, QStringLiteral("Are you sure to exit?"));
      if (dialog == AboutBox) QVERIFY(boxes[0].Centred && boxes[0].DefaultButton == QLatin1String("OK"));
    }
    QCOMPARE(triggered.count(), kind == QLatin1String("off") ? 0 : presses);
    if (kind == QLatin1String("off")) QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());

    const QRect area = f->ClientArea->contentsRect();
    const QRect a = one ? one->SubWindow()->geometry() : QRect(), b = two ? two->SubWindow()->geometry() : QRect();
    QStringList windows;
    for (QMdiSubWindow *sub : f->ClientArea->subWindowList())
      windows << sub->widget()->metaObject()->className();
    if (kind == QLatin1String("login")) QVERIFY(ib->Connected());
    if (kind == QLatin1String("disconnected")) QVERIFY(!ib->Connected());
    if (kind == QLatin1String("auto commit")) QVERIFY(AutoCommit && action->isChecked());
    if (work) {
      QVERIFY(!ib->InTransaction());
      QCOMPARE(CommitItemsOn(), 0);
      const bool committed = kind == QLatin1String("committed");
      QCOMPARE(fixtures::exceptionCount(SharedDb(), QStringLiteral("E_BY_KEYS")), committed ? 1 : 0);
      if (committed) ib->ExecSQL(QStringLiteral("DROP EXCEPTION E_BY_KEYS"), true);
    }
    if (kind == QLatin1String("box"))
      QCOMPARE(dialog, what == QLatin1String("About") ? static_cast<QDialog *>(AboutBox) : ORepOptDlg);
    if (dialog == AboutBox)
      QVERIFY(AboutBox->ProductName->text().contains(QLatin1String("<b>ZUL Tesselor for IB</b>")) &&
              AboutBox->Version->text().contains(QLatin1String("Version 1.01a")) &&
              !AboutBox->ProgramIcon->pixmap().isNull());
    if (kind == QLatin1String("exit")) QVERIFY(!f->isVisible());
    if (kind == QLatin1String("window")) QCOMPARE(windows, QStringList({what, what}));
    if (kind == QLatin1String("off")) QVERIFY(windows.isEmpty());
    // Tiling shares the area out exactly, and is the arrangement the next tiling repeats.
    if (kind == QLatin1String("cascade")) QVERIFY(a.topLeft() != b.topLeft() && f->TileMode == TTileMode::tbVertical);
    if (kind == QLatin1String("tile vertical"))
      QVERIFY(a.height() == area.height() && b.height() == area.height() && a.width() + b.width() == area.width() &&
              a.x() != b.x() && f->TileMode == TTileMode::tbVertical);
    if (kind == QLatin1String("tile horizontal"))
      QVERIFY(a.width() == area.width() && b.width() == area.width() && a.height() + b.height() == area.height() &&
              a.y() != b.y() && f->TileMode == TTileMode::tbHorizontal);
  }

  void databasePathByItsLabel() {
    CHECKED(Start());
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    QCOMPARE(MainForm->PathLabel->text(), QStringLiteral("D&atabase"));
    QTest::keyClick(MainForm, Qt::Key_A, Qt::AltModifier);
    QVERIFY(MainForm->dbPath->hasFocus() && MainForm->dbPath->isEditable());
  }

  // Hints beyond the main menu's: a control that has one only as its tooltip, a click on the
  // status bar showing the current hint again, and a context menu (a window of its own).
  void hintsOfControlsAndContextMenus() {
    CHECKED(Start());
    TMainForm *f = MainForm;
    auto *child = new TTestChild(QStringLiteral("Hinted"), false);
    auto *button = new QPushButton(QStringLiteral("Refresh"), child);
    button->setToolTip(QStringLiteral("Refresh list"));
    button->show();
    child->SubWindow()->resize(240, 160);
    QTest::mouseMove(button);
    QTRY_COMPARE(f->StatusPanel->text(), QStringLiteral("Refresh list"));
    f->StatusPanel->setText(QStringLiteral("overwritten"));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(f->StatusBar, &press);
    QCOMPARE(f->StatusPanel->text(), QStringLiteral("Refresh list"));
    QTest::mouseMove(f->dbPath);
    QTRY_COMPARE(f->StatusPanel->text(), QString());

    MainForm->Command("MnSQL")->trigger();
    auto *ddl = MainForm->findChild<TSQLExprForm *>();
    QVERIFY(ddl);
    QMenu *popup = ddl->PopupMenu1;
    popup->popup(ddl->ExecSql->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QTest::mouseMove(popup, popup->actionGeometry(ddl->Run1).center());
    QTRY_COMPARE(MainForm->StatusPanel->text(), QStringLiteral("Run DDL statement"));
    QTest::mouseMove(popup, popup->actionGeometry(ddl->SavetoFile1).center());
    QTRY_COMPARE(MainForm->StatusPanel->text(), QStringLiteral("Save active DDL statement to file"));
    QTest::keyClick(popup, Qt::Key_Escape);
    QTRY_COMPARE(MainForm->StatusPanel->text(), QString());
  }

  void terminationSignalEndsTheProgram_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
  }
  void terminationSignalEndsTheProgram() {
    // The program connected through its own login, then asked to end: it ends at once the
    // way closing does, without the questions; history and settings are written.
    QFETCH(int, signal);
    static const FbDatabase db = fixtures::createDatabase(3);  // the rows' child programs open it
    const QString settings = SettingsFileName();
    for (int run = 0; run < 3; ++run) {
      QFile::remove(FHistory);
      QFile::remove(settings);
      const auto child = fixtures::signalChild(QStringLiteral("child_shellsignal"), {db.file, FHistory}, signal);
      QCOMPARE(child.FirstLine, QByteArray("connected"));
      QVERIFY2(child.Ended, "the program did not end");
      QVERIFY2(child.Clean, qPrintable(child.Errors));
      QVERIFY(child.Output.contains("ended"));
      QCOMPARE(fixtures::readFile(FHistory), (db.file + QStringLiteral("\r\n")).toUtf8());
      QVERIFY(fixtures::readFile(settings).contains("IB_AUTOCOMMIT"));
    }
  }

  // A signal while start-up's error box waits for an answer ends the program the same way:
  // the box goes, nothing else is asked, and the settings are written (mended).
  void terminationSignalDuringAStartUpBox() {
    const QString settings = SettingsFileName();
    QDir().mkpath(QFileInfo(settings).path());
    fixtures::writeFile(settings, "[General]\nIB_AUTOCOMMIT=not a number\n");
    const auto child = fixtures::signalChild(QStringLiteral("child_startsignal"), {FHistory}, SIGTERM);
    QCOMPARE(child.FirstLine, QByteArray("box"));
    QVERIFY2(child.Ended, "the program did not end");
    QVERIFY2(child.Clean, qPrintable(child.Errors));
    QVERIFY(child.Output.contains("ended"));
    QVERIFY(fixtures::readFile(settings).contains("IB_AUTOCOMMIT=0"));
  }

  // A child window's menus go in before "&Windows" while it is active; "&Windows" lists the
  // open windows at its end, and choosing one activates it.
  void childWindowsInTheMenus() {
    CHECKED(Start());
    TMainForm *f = MainForm;
    const QStringList plainTitles{"&File", "&Database", "W&izards", "&Windows", "&Help"};
    const QStringList editTitles{"&File", "&Database", "W&izards", "&Edit", "&Windows", "&Help"};
    auto *editor = new TTestChild(QStringLiteral("Editor"), true);
    QTRY_COMPARE(f->ClientArea->activeSubWindow(), editor->SubWindow());
    QCOMPARE(MenuTitles(), editTitles);
    auto *plain = new TTestChild(QStringLiteral("Plain"), false);
    QTRY_COMPARE(f->ClientArea->activeSubWindow(), plain->SubWindow());
    QCOMPARE(MenuTitles(), plainTitles);
    emit f->WindowsBar->aboutToShow();
    QStringList items;
    for (QAction *a : f->WindowsBar->actions())
      items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, QStringList({"&Cascade", "Tile &vertical", "Tile &horizontal", "-", "&1 Editor", "&2 Plain"}));
    f->WindowsBar->actions().at(4)->trigger();
    QCOMPARE(f->ClientArea->activeSubWindow(), editor->SubWindow());
    QCOMPARE(MenuTitles(), editTitles);
    editor->SubWindow()->close();
    QTRY_COMPARE(ChildCount(), 1);
    QCOMPARE(MenuTitles(), plainTitles);
    plain->SubWindow()->close();
    QTRY_COMPARE(ChildCount(), 0);
    emit f->WindowsBar->aboutToShow();
    QCOMPARE(f->WindowsBar->actions().size(), 3);
  }

  // New tool windows open wholly inside the child-window area, however far down the area
  // places them: their bottom rows (the DDL window's position indicator) stay in view. And
  // ending the program with them open ends it cleanly.
  void newWindowsFitTheArea() {
    CHECKED(Start());
    CHECKED(Connect(SharedDb()));
    MainForm->resize(1200, 900);
    MainForm->Command("MnDomains")->trigger();
    for (int i = 0; i < 3; ++i)
      MainForm->Command("MnSQL")->trigger();
    const QRect area = MainForm->ClientArea->viewport()->rect();
    // Cascaded at a usable size: each new window a step right of and below the one before it.
    const QList<QMdiSubWindow *> subs = MainForm->ClientArea->subWindowList(QMdiArea::CreationOrder);
    for (int i = 1; i < subs.size(); ++i) {
      QVERIFY(subs[i]->x() > subs[i - 1]->x() && subs[i]->y() > subs[i - 1]->y());
      QVERIFY(subs[i]->width() >= 600 && subs[i]->height() >= 400);
    }
    for (QMdiSubWindow *sub : MainForm->ClientArea->subWindowList())
      QVERIFY2(area.contains(sub->geometry()), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 in %6x%7")
                                                              .arg(sub->windowTitle())
                                                              .arg(sub->x())
                                                              .arg(sub->y())
                                                              .arg(sub->width())
                                                              .arg(sub->height())
                                                              .arg(area.width())
                                                              .arg(area.height())));

    // The program may end with tool windows still open and the main window showing.
    ShutDown();
    QVERIFY(!MainForm);
  }

  // ---- History --------------------------------------------------------------------------------------

  void historyAtStart_data() {
    QTest::addColumn<QByteArray>("file");  // "<none>": no file
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("list");
    QTest::newRow("no file, no argument") << QByteArray("<none>") << QString() << QString() << QStringList();
    QTest::newRow("empty file") << QByteArray() << QString() << QString() << QStringList();
    QTest::newRow("file, no argument") << QByteArray("/db/a.fdb\r\nhost:/db/b.fdb\nc.fdb\r") << QString() << "/db/a.fdb"
                                       << QStringList({"/db/a.fdb", "host:/db/b.fdb", "c.fdb"});
    QTest::newRow("argument and file") << QByteArray("/db/a.fdb\r\n/db/b.fdb\r\n") << "/Other/X.FDB"
                                       << "/Other/X.FDB" << QStringList({"/db/a.fdb", "/db/b.fdb"});
    QTest::newRow("argument, no file") << QByteArray("<none>") << "/db/z.fdb"
                                       << "/db/z.fdb" << QStringList();
    // A damaged spot costs only the entry it is in.
    static const char nul[] = "/db/a.fdb\r\n/db/b.fdb\r\n\0/db/c.fdb\r\n/db/d.fdb\r\n";
    QTest::newRow("NUL before the third entry") << QByteArray(nul, sizeof nul - 1) << QString() << "/db/a.fdb"
                                                << QStringList({"/db/a.fdb", "/db/b.fdb", "/db/c.fdb", "/db/d.fdb"});
    QTest::newRow("control characters, empty line")
        << QByteArray("/db/a.fdb\r\n/db/\x01\x02.fdb\r\n\r\n/db/c.fdb\r\n") << QString() << "/db/a.fdb"
        << QStringList({"/db/a.fdb", "/db/c.fdb"});
  }
  void historyAtStart() {
    QFETCH(QByteArray, file);
    QFETCH(QString, argument);
    QFETCH(QString, text);
    QFETCH(QStringList, list);
    if (file != "<none>") fixtures::writeFile(FHistory, file);
    QStringList args{QStringLiteral("tesselor")};
    if (!argument.isEmpty()) args << argument;
    CHECKED(Start(args));
    QCOMPARE(DatabasePath, argument);
    QCOMPARE(MainForm->dbPath->currentText(), text);
    QCOMPARE(Items(MainForm->dbPath), list);
    // The path only becomes the text: no login until Connect.
    QTest::qWait(50);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!DMSys->IBDataBase->Connected());
  }

  void historySwapAtClosingWrittenEvenWhenCancelled() {
    fixtures::writeFile(FHistory, "/db/first.fdb\r\n/db/second.fdb\r\n/Dbs/Third.FDB\r\n");
    Start();
    MainForm->dbPath->setEditText(QStringLiteral("/Dbs/Third.FDB"));
    BoxSequence boxes({Press(QStringLiteral("Cancel"))});
    QVERIFY(!MainForm->close());
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Caption, QStringLiteral("Confirm"));
    QCOMPARE(boxes[0].Text, QStringLiteral("Are you sure to exit?"));
    QCOMPARE(boxes[0].Icon, QMessageBox::Question);
    QCOMPARE(boxes[0].Buttons, QStringList({"OK", "Cancel"}));
    QCOMPARE(boxes[0].DefaultButton, QStringLiteral("OK"));
    QCOMPARE(boxes[0].EscapeButton, QStringLiteral("Cancel"));
    QVERIFY(MainForm->isVisible());
    QCOMPARE(fixtures::readFile(FHistory), QByteArray("/Dbs/Third.FDB\r\n/db/second.fdb\r\n/db/first.fdb\r\n"));
    QCOMPARE(MainForm->dbPath->currentText(), QStringLiteral("/Dbs/Third.FDB"));

    // Answered OK the window closes; the current first entry stays first.
    BoxSequence ok({Press(QStringLiteral("OK"))});
    QVERIFY(MainForm->close());
    QVERIFY(ok[0].Shown);
    QVERIFY(!MainForm->isVisible());
    QCOMPARE(fixtures::readFile(FHistory), QByteArray("/Dbs/Third.FDB\r\n/db/second.fdb\r\n/db/first.fdb\r\n"));
  }

  void exitSettlesAnUnpostedEdit_data() {
    QTest::addColumn<QString>("answer");  // to the data window's question
    QTest::addColumn<bool>("exits");
    QTest::addColumn<QString>("stored");
    QTest::newRow("posted") << "&Yes" << true << "Pending";
    QTest::newRow("kept open") << "Cancel" << false << "First";
  }
  // Leaving the program closes its windows first: a data window's unposted edit is asked about.
  void exitSettlesAnUnpostedEdit() {
    QFETCH(QString, answer);
    QFETCH(bool, exits);
    QFETCH(QString, stored);
    const FbDatabase db = fixtures::createDatabase(3, Content::Known);
    CHECKED(Start());
    CHECKED(Connect(db));
    TDataForm *form = ShowTableData(QStringLiteral("T_MASTER"));
    QAbstractItemModel *grid = form->DataGrid->model();
    QVERIFY(grid->setData(grid->index(0, 1), QStringLiteral("Pending"), Qt::EditRole));
    BoxSequence boxes({Press(QStringLiteral("OK")), Press(answer)});
    QCOMPARE(MainForm->close(), exits);
    QCOMPARE(boxes.Count(), 2);
    QCOMPARE(boxes[1].Text, QStringLiteral("Post the changes to the current row?"));
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT NAME FROM T_MASTER WHERE ID = 1")).toString(), stored);
    if (exits) return;
    QVERIFY(form->isVisible());
    form->SrcTable->Cancel();
  }

  void historyThatCannotBeWritten() {
    CHECKED(Start());
    const QString dir = fixtures::tempPath(QStringLiteral("history-dir"));
    QVERIFY(QDir().mkpath(dir));
    SetHistoryFileName(dir);  // a directory: the file cannot be created
    BoxSequence boxes({Press(QStringLiteral("OK")), Press(QStringLiteral("OK"))});
    QVERIFY(MainForm->close());
    QCOMPARE(boxes.Count(), 2);
    QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
    QCOMPARE(boxes[0].Text, QStringLiteral("Cannot create file %1.").arg(dir));
    QCOMPARE(boxes[1].Text, QStringLiteral("Are you sure to exit?"));
  }

  void filesThatAreNotRegularAreRefusedAtStart_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("file");  // the history, the settings, or the organisation's settings
    for (fixtures::Hostile kind : {fixtures::Hostile::Fifo, fixtures::Hostile::Zero})
      for (const char *file : {"history", "settings", "organisation settings"})
        QTest::addRow("%s as %s", fixtures::hostileName(kind), file) << int(kind) << QString::fromLatin1(file);
  }
  void filesThatAreNotRegularAreRefusedAtStart() {
    QFETCH(int, kind);
    QFETCH(QString, file);
    const QString storeDir = QFileInfo(QFileInfo(SettingsFileName()).absolutePath()).absolutePath();
    const QString path = file == "history"    ? FHistory
                         : file == "settings" ? SettingsFileName()
                                              : storeDir + QStringLiteral("/Quorvane Systems.conf");
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    fixtures::makeHostileFile(path, fixtures::Hostile(kind));
    fixtures::Deadline deadline(5000, "start-up and exit beside a file that is not regular");
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    Start();
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Text, QStringLiteral("Cannot open file %1.").arg(path));
    if (file == "history") return;
    BoxSequence atExit({Press(QStringLiteral("OK"))});
    ShutDown();  // the settings are not written over it either
    QVERIFY(atExit[0].Shown);
    QCOMPARE(atExit[0].Text, QStringLiteral("Cannot write the settings to %1.").arg(path));
  }

  void historyKeepsPathsAsTyped() {
    // On this platform two spellings are two files: a mixed-case path must come back as typed.
    const FbDatabase &db = SharedDb();
    const QString dir = fixtures::tempPath(QStringLiteral("Cased"));
    QVERIFY(QDir().mkpath(dir));
    const QString mixed = dir + QStringLiteral("/Sales.FDB"), lower = dir + QStringLiteral("/sales.fdb");
    QVERIFY(QFile::link(db.file, mixed));
    QVERIFY(QFile::link(db.file, lower));
    fixtures::writeFile(FHistory, "/db/earlier.fdb\r\n");
    Start();
    FbDatabase target = db;
    for (const QString &path : {mixed, lower, mixed}) {
      target.name = path;
      Connect(target);
    }
    QCOMPARE(DatabasePath, mixed);
    QCOMPARE(Items(MainForm->dbPath), QStringList({"/db/earlier.fdb", mixed, lower}));
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    QVERIFY(MainForm->close());
    QCOMPARE(fixtures::readFile(FHistory), (mixed + "\r\n/db/earlier.fdb\r\n" + lower + "\r\n").toUtf8());

    // Restart: the first entry is the text, and Connect reaches the file.
    Stop();
    QVERIFY(QFile::remove(lower));
    Start();
    QCOMPARE(MainForm->dbPath->currentText(), mixed);
    target.name = mixed;
    Connect(target);
    QVERIFY(DatabaseMenuEnabled());
  }

  // ---- Login ----------------------------------------------------------------------------------------

  void loginCancelled_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("close box") << "close";
  }
  void loginCancelled() {
    QFETCH(QString, how);
    const FbDatabase &db = SharedDb();
    CHECKED(Start());
    MainForm->dbPath->setEditText(db.name);
    auto login = std::make_shared<LoginSeen>();
    ModalAnswer cancel = Login(login, QString(), QString(), QStringLiteral("Cancel"));
    if (how == QLatin1String("Esc")) cancel.Key = Qt::Key_Escape;
    if (how == QLatin1String("close")) cancel.CloseBox = true;
    BoxSequence boxes({cancel, Press(QStringLiteral("OK"))});
    MainForm->MnConnect->trigger();
    QCOMPARE(boxes.Count(), 2);
    QCOMPARE(boxes[0].ClassName, QStringLiteral("TDBEntryDlg"));
    QCOMPARE(boxes[0].Caption, QStringLiteral("Database login"));
    QVERIFY(boxes[0].Centred);
    QCOMPARE(boxes[0].Buttons, QStringList({"OK", "Cancel"}));
    QCOMPARE(login->Looks, kLoginDefaults);

    QCOMPARE(boxes[1].Caption, QStringLiteral("ZUL DB Tesselor for IB"));
    QCOMPARE(boxes[1].Icon, QMessageBox::Critical);
    QCOMPARE(boxes[1].Text, QStringLiteral("Login canceled."));
    QVERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(!DatabaseMenuEnabled());
    QVERIFY(Items(MainForm->dbPath).isEmpty());
  }

  void secondLoginShowsDefaultsAgain() {
    const FbDatabase &db = SharedDb();
    CHECKED(Start());
    MainForm->dbPath->setEditText(db.name);
    auto first = std::make_shared<LoginSeen>();
    BoxSequence one({Login(first, QStringLiteral("guest9"), QStringLiteral("secret"))});
    MainForm->MnConnect->trigger();
    QVERIFY(first->Shown);
    QCOMPARE(first->UserAfterTyping, QStringLiteral("GUEST9"));  // every typed letter in capitals
    QVERIFY(DMSys->IBDataBase->Connected());
    QCOMPARE(DMSys->IBDataBase->Params.Values(QStringLiteral("USER NAME")), QStringLiteral("GUEST9"));
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS "
                                                     "WHERE MON$USER = 'GUEST9'"))
                 .toInt(),
             1);

    auto second = std::make_shared<LoginSeen>();
    BoxSequence two({Login(second)});
    MainForm->MnConnect->trigger();
    QCOMPARE(second->Looks, kLoginDefaults);
  }

  void failedConnectLeavesTheProgramDisconnected_data() {
    QTest::addColumn<bool>("overTcp");  // a wrong password over the server, else a missing file
    QTest::newRow("missing file") << false;
    QTest::newRow("wrong password over tcp") << true;
  }
  void failedConnectLeavesTheProgramDisconnected() {
    QFETCH(bool, overTcp);
    if (overTcp) REQUIRE_SERVER();
    const FbDatabase db = overTcp ? fixtures::createDatabase(3, Content::Known, Access::Tcp) : SharedDb();
    const QString password = overTcp ? db.password : QString();
    CHECKED(Start());
    CHECKED(Connect(db, db.user, password));

    const QString missing = fixtures::tempPath(QStringLiteral("missing"), QStringLiteral(".fdb"));
    if (!overTcp) MainForm->dbPath->setEditText(missing);
    BoxSequence boxes({Login(std::make_shared<LoginSeen>(), db.user, overTcp ? QStringLiteral("not-it") : password),
                       Press(QStringLiteral("OK"))});
    MainForm->MnConnect->trigger();
    QCOMPARE(boxes.Count(), 2);
    QCOMPARE(boxes[1].Icon, QMessageBox::Critical);
    const QString why = overTcp ? QStringLiteral("Your user name and password are not defined") : missing;
    QVERIFY2(boxes[1].Text.contains(why) && boxes[1].Text.endsWith(u'.'), qPrintable(boxes[1].Text));
    QVERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(!DatabaseMenuEnabled());
    QCOMPARE(Items(MainForm->dbPath), QStringList{db.name});

    CHECKED(Connect(db, db.user, password));  // the right login connects again
    QVERIFY(DatabaseMenuEnabled());
  }

  // ---- Transaction commands -------------------------------------------------------------------------

  // With auto commit a statement leaves nothing to commit; a commit the server refuses shows
  // its message and leaves the work to commit or roll back.
  void autoCommitAndRefusedCommit() {
    CHECKED(Start());
    CHECKED(Connect(SharedDb()));
    TIBDataBase *ib = DMSys->IBDataBase;
    const FbDatabase &db = SharedDb();
    // With auto commit every statement ends its own transaction.
    MainForm->MnAutoCommit->trigger();
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_AUTO 'auto'"), AutoCommit);
    QCOMPARE(CommitItemsOn(), 0);
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_AUTO")), 1);
    MainForm->MnAutoCommit->trigger();

    // A commit the server refuses: its message, and both items stay enabled.
    ib->ExecSQL(QStringLiteral("CREATE UNIQUE INDEX IX_DUP ON T_DETAIL (MASTER_ID)"), false);
    QCOMPARE(CommitItemsOn(), 2);
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    MainForm->MnCommitWork->trigger();
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
    QVERIFY2(boxes[0].Text.contains(QLatin1String("IX_DUP")), qPrintable(boxes[0].Text));
    QVERIFY(ib->InTransaction());
    QCOMPARE(CommitItemsOn(), 2);
    MainForm->MnRollBackWork->trigger();
    QCOMPARE(CommitItemsOn(), 0);
  }

  // "Commit work?" when Connect, Disconect or closing meets an active transaction: each answer
  // as the user gives it, and what becomes of the work, the connection and the window.
  void commitWorkQuestion_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("answers");  // to "Are you sure to exit?" first when closing
    QTest::addColumn<QString>("outcome");      // the work "committed", "rolled back" or "pending"
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("windowStays");
    QTest::newRow("Connect, Cancel") << "connect" << QStringList{"Cancel"} << "pending" << true << true;
    QTest::newRow("Connect, Yes") << "connect" << QStringList{"&Yes", "login"} << "committed" << true << true;
    QTest::newRow("Connect, No") << "connect" << QStringList{"&No", "login"} << "rolled back" << true << true;
    QTest::newRow("Disconect, Cancel") << "disconnect" << QStringList{"Cancel"} << "rolled back" << false << true;
    QTest::newRow("Disconect, OK") << "disconnect" << QStringList{"OK"} << "committed" << false << true;
    QTest::newRow("close, Cancel and Yes") << "close" << QStringList{"Cancel", "&Yes"} << "committed" << true << true;
    QTest::newRow("close, OK and Cancel") << "close" << QStringList{"OK", "Cancel"} << "pending" << true << true;
    QTest::newRow("close, OK and No") << "close" << QStringList{"OK", "&No"} << "rolled back" << true << false;
  }
  void commitWorkQuestion() {
    QFETCH(QString, command);
    QFETCH(QStringList, answers);
    QFETCH(QString, outcome);
    QFETCH(bool, connected);
    QFETCH(bool, windowStays);
    static int serial = 0;
    const QString name = QStringLiteral("E_ASKED_%1").arg(++serial);
    CHECKED(Start());
    CHECKED(Connect(SharedDb()));
    TIBDataBase *ib = DMSys->IBDataBase;
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION %1 'asked'").arg(name), false);

    QList<ModalAnswer> replies;
    for (const QString &answer : answers)
      replies << (answer == QLatin1String("login") ? Login(std::make_shared<LoginSeen>()) : Press(answer));
    BoxSequence boxes(replies);
    if (command == QLatin1String("connect")) MainForm->MnConnect->trigger();
    if (command == QLatin1String("disconnect")) MainForm->MnDisconect->trigger();
    if (command == QLatin1String("close")) QCOMPARE(MainForm->close(), !windowStays);
    QCOMPARE(boxes.Count(), answers.size());
    const ModalSeen &question = boxes[command == QLatin1String("close") ? 1 : 0];
    QCOMPARE(question.Text, QStringLiteral("Commit work?"));
    const bool withNo = command != QLatin1String("disconnect");
    QCOMPARE(question.Buttons, withNo ? QStringList({"&Yes", "&No", "Cancel"}) : QStringList({"OK", "Cancel"}));
    QCOMPARE(question.DefaultButton, withNo ? QStringLiteral("&Yes") : QStringLiteral("OK"));
    QCOMPARE(question.EscapeButton, QStringLiteral("Cancel"));
    QTest::qWait(50);
    QVERIFY(!QApplication::activeModalWidget());  // no error box after a Cancel

    QCOMPARE(ib->InTransaction(), outcome == QLatin1String("pending"));
    QCOMPARE(CommitItemsOn(), outcome == QLatin1String("pending") ? 2 : 0);
    QCOMPARE(fixtures::exceptionCount(SharedDb(), name), outcome == QLatin1String("committed") ? 1 : 0);
    QCOMPARE(ib->Connected(), connected);
    QVERIFY(DatabaseMenuEnabled());  // stays usable after a disconnect too
    QCOMPARE(MainForm->isVisible(), windowStays);
  }

  // Ending the program asks each window about its unsaved work after "Are you sure to exit?":
  // a window the user keeps open keeps the program; one answered No goes, and so does the
  // program. An untouched window asks nothing.
  void exitAsksWindowsAboutUnsavedWork_data() {
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("ends");
    QTest::newRow("exit cancelled") << QStringList{"Cancel"} << false;
    QTest::newRow("window kept") << QStringList{"OK", "Cancel"} << false;
    QTest::newRow("work discarded") << QStringList{"OK", "&No"} << true;
  }
  void exitAsksWindowsAboutUnsavedWork() {
    QFETCH(QStringList, answers);
    QFETCH(bool, ends);
    CHECKED(Start());
    CHECKED(Connect(SharedDb()));
    for (int i = 0; i < 2; ++i)
      MainForm->Command("MnSQL")->trigger();
    auto *changed = qobject_cast<TSQLExprForm *>(MainForm->ClientArea->subWindowList().value(0)->widget());
    QVERIFY(changed);
    QTest::keyClicks(changed->ExecSql, QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
    QList<ModalAnswer> replies;
    for (const QString &answer : answers)
      replies << Press(answer);
    BoxSequence boxes(replies);
    QCOMPARE(MainForm->close(), ends);
    QCOMPARE(boxes.Count(), answers.size());
    QCOMPARE(boxes[0].Text, QStringLiteral("Are you sure to exit?"));
    if (answers.size() > 1) QCOMPARE(boxes[1].Text, QStringLiteral("Save changes to the statements?"));
    QCOMPARE(MainForm->isVisible(), !ends);
    if (!ends) QCOMPARE(ChildCount(), 2);
  }

  void lostConnectionLooksDisconnected_data() {
    QTest::addColumn<QString>("action");
    for (const char *action : {"statement", "catalog read", "grid post"})
      QTest::newRow(action) << QString::fromLatin1(action);
  }
  void lostConnectionLooksDisconnected() {
    // The server ends the attachment (as at its shutdown): the next action fails with the
    // server's message, and the program counts as disconnected from then on.
    QFETCH(QString, action);
    const FbDatabase &db = SharedDb();
    Start();
    Connect(db);
    DMSys->IBDataBase->ExecSQL(QStringLiteral("CREATE EXCEPTION E_PENDING 'pending'"), false);
    QCOMPARE(CommitItemsOn(), 2);
    TTable grid;  // open before the attachment goes, as a data window's
    grid.DatabaseName = QStringLiteral("IBB");
    grid.TableName = QStringLiteral("T_MASTER");
    if (action == QLatin1String("grid post")) grid.Open();
    fixtures::query(db, QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"));
    QString error;
    try {
      if (action == QLatin1String("statement")) {
        DMSys->IBDataBase->ExecSQL(QStringLiteral("CREATE EXCEPTION E_AFTER 'after'"), false);
      } else if (action == QLatin1String("grid post")) {
        grid.Edit();
        grid.FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("after"));
        grid.Post();
      } else {
        TQuery q;
        q.DatabaseName = QStringLiteral("IBB");
        q.SQL.Add(QStringLiteral("SELECT RDB$EXCEPTION_NAME FROM RDB$EXCEPTIONS"));
        q.Open();
      }
    } catch (const EDatabaseError &e) {
      error = e.Message();
    }
    QVERIFY2(error.contains(QStringLiteral("shutdown")), qPrintable(error));
    QTRY_VERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QCOMPARE(CommitItemsOn(), 0);
    QVERIFY(!DatabaseMenuEnabled());
    Connect(db);  // as after a disconnect
    QVERIFY(DatabaseMenuEnabled());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_PENDING")), 0);
  }

  // Disconect refuses while a window is open. After it the windows that read the database are
  // off in the "&Database" menu (the object repository and the DDL window are not); a data
  // window asked for meanwhile (or a window opened by the window table) comes only through a
  // login, and none when it is cancelled; a
  // statement reopens the database through the login, and the items are on again.
  void disconnectAndReopen() {
    CHECKED(Start());
    CHECKED(Connect(SharedDb()));
    TIBDataBase *ib = DMSys->IBDataBase;
    auto *child = new TTestChild(QStringLiteral("Open"), false);
    BoxSequence refused({Press(QStringLiteral("OK"))});
    MainForm->MnDisconect->trigger();
    QVERIFY(refused[0].Shown);
    QCOMPARE(refused[0].Text, QStringLiteral("Close opened windows first."));
    QCOMPARE(refused[0].Icon, QMessageBox::Critical);
    QVERIFY(ib->Connected());
    child->SubWindow()->close();
    QTRY_COMPARE(ChildCount(), 0);

    const auto itemsOn = [] {
      QStringList on;
      for (QAction *a : MainForm->DataMenu->actions())
        if (a->isEnabled()) on << a->objectName();
      return on;
    };
    const QStringList connectedItems = itemsOn();
    MainForm->MnDisconect->trigger();
    QVERIFY(!ib->Connected());
    QVERIFY(DatabaseMenuEnabled());
    QCOMPARE(itemsOn(), QStringList({"MnObjRepos", "MnSQL"}));
    MainForm->Command("MnDomains")->trigger();
    QCOMPARE(ChildCount(), 0);

    auto login = std::make_shared<LoginSeen>();
    const std::function<void()> requests[] = {[] { ProgramShell()->ShowTableData(QStringLiteral("T_MASTER")); },
                                              [] { OpenWindow(DatabaseWindows().first()); }};
    for (const auto &request : requests) {
      login->Shown = false;
      BoxSequence cancelled(
          {Login(login, QString(), QString(), QStringLiteral("Cancel")), Press(QStringLiteral("OK"))});
      Guard(request);
      QVERIFY(login->Shown);
      QCOMPARE(cancelled[1].Text, QStringLiteral("Login canceled."));
      QCOMPARE(ChildCount(), 0);
    }

    BoxSequence boxes({Login(login)});
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_REOPENED 'reopened'"), false);
    QVERIFY(ib->Connected());
    QCOMPARE(itemsOn(), connectedItems);
    QVERIFY(ib->InTransaction());
  }
};

TESSELOR_TEST_MAIN(TestShell)
#include "test_shell.moc"

// The application shell as the user meets it: start-up and settings, the login dialog, the
// main window's menus, connection history, transaction commands and closing, with real
// widgets, real Firebird databases and every box answered by pressing its buttons.
#include "app/about.h"
#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/pwddlg.h"
#include "app/settings.h"
#include "app/startup.h"
#include "catalog/domains.h"
#include "catalog/exceptiondialog.h"
#include "editing/ddlwindow.h"
#include "repository/settingsdialog.h"
#include "server/dataset.h"
#include "server/errors.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/mdichild.h"

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
#include <QProcess>
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

// What the login dialog showed when it appeared.
struct LoginSeen {
  bool Shown = false;
  QString Caption, User, Password, UserLabel, PasswordLabel, Focus, Default;
  bool Masked = false;
  QString UserAfterTyping;
};
using LoginSeenPtr = std::shared_ptr<LoginSeen>;

// Fills the login dialog (user/password null: leave as shown) and presses button.
ModalAnswer Login(const LoginSeenPtr &seen, const QString &user = QString(), const QString &password = QString(),
                  const QString &button = QStringLiteral("OK")) {
  ModalAnswer a;
  a.ButtonText = button;
  a.Check = [=](QWidget *box) {
    auto *dlg = qobject_cast<TDBEntryDlg *>(box);
    if (!dlg) return;
    seen->Shown = true;
    seen->Caption = dlg->windowTitle();
    seen->User = dlg->UserN->text();
    seen->Password = dlg->Password->text();
    seen->Masked =
        dlg->Password->echoMode() == QLineEdit::Password &&
        dlg->Password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, dlg->Password) == '*';
    seen->UserLabel = dlg->Label2->text();
    seen->PasswordLabel = dlg->Label1->text();
    seen->Focus = dlg->focusWidget() ? dlg->focusWidget()->objectName() : QString();
    seen->Default = dlg->OKBtn->isDefault() ? dlg->OKBtn->text() : QString();
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
bool CommitItemsEnabled() { return MainForm->MnCommitWork->isEnabled() && MainForm->MnRollBackWork->isEnabled(); }
bool CommitItemsDisabled() { return !MainForm->MnCommitWork->isEnabled() && !MainForm->MnRollBackWork->isEnabled(); }

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

  // Connect to db through the menu, with the login dialog answered with its defaults.
  void Connect(const FbDatabase &db) {
    MainForm->dbPath->setEditText(db.name);
    auto seen = std::make_shared<LoginSeen>();
    BoxSequence boxes({Login(seen)});
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
    Stop();
    FHome.reset();
  }

  // ---- Start-up and settings ------------------------------------------------------------------

  void firstRunWithoutSettings() {
    QVERIFY(!QFile::exists(SettingsFileName()));
    CHECKED(Start());
    QCOMPARE(AutoCommit, false);
    QCOMPARE(RepositoryDir, QString());
    QVERIFY(!MainForm->MnAutoCommit->isChecked());
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("ZUL DB Tesselor for IB"));
    QVERIFY(!QApplication::windowIcon().isNull());
    QVERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(AboutBox->isHidden() && ExcDlg->isHidden());
    Stop();

    const QByteArray stored = fixtures::readFile(SettingsFileName());
    QVERIFY2(stored.contains("IB_AUTOCOMMIT=0\n"), stored.constData());
    QVERIFY2(stored.contains("OR%20DIRECTORY=\n"), stored.constData());
  }

  void storedValuesLoadAndWriteBack() {
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
    const QByteArray stored = fixtures::readFile(SettingsFileName());
    QVERIFY2(stored.contains("IB_AUTOCOMMIT=1\n"), stored.constData());
  }

  void autoCommitSurvivesRestart() {
    CHECKED(Start());
    MainForm->MnAutoCommit->trigger();
    QCOMPARE(AutoCommit, true);
    QVERIFY(MainForm->MnAutoCommit->isChecked());
    Stop();

    CHECKED(Start());
    QCOMPARE(AutoCommit, true);
    QVERIFY(MainForm->MnAutoCommit->isChecked());
    MainForm->MnAutoCommit->trigger();
    QCOMPARE(AutoCommit, false);
    QVERIFY(!MainForm->MnAutoCommit->isChecked());
    Stop();

    CHECKED(Start());
    QCOMPARE(AutoCommit, false);
  }

  void wrongTypeIsReported_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("auto commit as text") << "IB_AUTOCOMMIT" << QVariant(QStringLiteral("yes"));
    QTest::newRow("auto commit as bytes") << "IB_AUTOCOMMIT" << QVariant(QByteArray("\x01\x00", 2));
    QTest::newRow("directory as a list") << "OR DIRECTORY" << QVariant(QStringList{"/a", "/b"});
  }
  // A value of the wrong type: an error box, start-up goes on with the default, and the
  // next save puts a value of the right type in its place.
  void wrongTypeIsReported() {
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    {
      std::unique_ptr<QSettings> s(OpenSettings());
      s->setValue(name, value);
    }
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    StartUp({QStringLiteral("tesselor")});
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Caption, QStringLiteral("ZUL DB Tesselor for IB"));
    QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
    QCOMPARE(boxes[0].Text, QStringLiteral("Invalid data type for '%1'.").arg(name));
    QCOMPARE(boxes[0].Buttons, QStringList{"OK"});
    QVERIFY(MainForm && MainForm->isVisible());
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

  void repositoryThatCannotOpen() {
    const QString missing = fixtures::tempPath(QStringLiteral("no-such-dir"));
    {
      std::unique_ptr<QSettings> s(OpenSettings());
      s->setValue(QStringLiteral("OR DIRECTORY"), missing);
    }
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    StartUp({QStringLiteral("tesselor")});
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Caption, QStringLiteral("ZUL DB Tesselor for IB"));
    QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
    QVERIFY2(boxes[0].Text.contains(missing) && boxes[0].Text.endsWith(QLatin1Char('.')), qPrintable(boxes[0].Text));
    QVERIFY(!DMSys->DevSrc->Connected());
    QCOMPARE(DMSys->DevSrc->Params.Values(QStringLiteral("PATH")), missing);
    QVERIFY(MainForm->isVisible());
  }

  // ---- Main window: menus, hints, windows --------------------------------------------------------

  // Every command as the user meets it: caption, shortcut, hint, and whether it is on before
  // connecting.
  void menuItemsCaptionsShortcutsHintsAndStates() {
    CHECKED(Start());
    TMainForm *f = MainForm;
    QCOMPARE(MenuTitles(), QStringList({"&File", "&Database", "W&izards", "&Windows", "&Help"}));
    QCOMPARE(fixtures::menuItems(f->FileMenu),
             QStringList({"&Connect|Ctrl+O|Connect to database|on", "&Disconect||Disconect from database|on", "-",
                          "&Auto commit||Set auto commit on/off|on", "C&ommit Work||Commit work for database|off",
                          "&Rollback Work||Rollback work for database|off", "-",
                          "&Object repository settings...||Selects or creates object repository table for keeping DDL "
                          "and SQL statements|on",
                          "-", "E&xit|Alt+F4|Close application|on"}));
    // Which windows are built yet is not the user's concern here: the items without their state.
    QStringList data = fixtures::menuItems(f->DataMenu);
    for (QString &item : data)
      item = item.section(u'|', 0, 2);
    QCOMPARE(data,
             QStringList({"&Domains||Opens domains list for viewing,creating  & editing",
                          "&Exceptions||Opens exceptions list for editing, creating and deleting",
                          "&Triggers||Opens triggers list to view, edit and create triggers",
                          "&Structures||Opens structures to view table/view structures",
                          "&Object repository||Opens table in which you can save objects source for further using",
                          "DD&L statements||Opens SQL Expressions Window for executing DDL statements",
                          "Data &view||Opens window in which you can view, edit, insert data in views and tables",
                          "&Generators||Opens generators list",
                          "&Procedures||Procedures list for creating editing stored procedures"}));
    QCOMPARE(fixtures::menuItems(f->MnWizards),
             QStringList({"&View wizard...||Wizard for creating views|off",
                          "&Trigger-genereted key wizard...||Generetes trigger for genereted key of table|off",
                          "T&able wizard...||Wizard for generating tables and defining table constraints|off",
                          "&Foreign key wizard...||Wizard for defining foreign keys|off"}));
    QCOMPARE(fixtures::menuItems(f->WindowsBar),
             QStringList({"&Cascade||Cascade windows|on", "Tile &vertical||Tile windows vertical|on",
                          "Tile &horizontal||Tile Windows horizontal|on"}));
    QCOMPARE(fixtures::menuItems(f->MnHelp), QStringList{"&About||About this product|on"});
    QVERIFY(f->MnConnect->font().bold());
    QVERIFY(f->MnAutoCommit->isCheckable());
    QVERIFY(!DatabaseMenuEnabled());
    QCOMPARE(f->DataMenu->menuAction()->statusTip(), QStringLiteral("Database operations"));
    QCOMPARE(f->MnWizards->menuAction()->statusTip(), QStringLiteral("Wizards menu"));
    QCOMPARE(f->MnHelp->menuAction()->statusTip(), QStringLiteral("Information menu"));
    QCOMPARE(f->Label1->text(), QStringLiteral("D&atabase"));
    QCOMPARE(f->Label1->buddy(), f->dbPath);
    QVERIFY(f->dbPath->isEditable());
  }

  void hintsInTheStatusBar() {
    CHECKED(Start());
    TMainForm *f = MainForm;
    QMenuBar *bar = f->menuBar();
    // Hovering a menu title shows the menu's hint.
    // The offscreen platform's pointer moves come marked as synthesized, which the menu bar
    // does not take for hovering: move over it as a real mouse does.
    const QPoint help = bar->actionGeometry(f->MnHelp->menuAction()).center();
    QMouseEvent move(QEvent::MouseMove, help, bar->mapToGlobal(help), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTRY_COMPARE(f->StatusPanel->text(), QStringLiteral("Information menu"));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(f->FileMenu->menuAction()).center());
    QVERIFY(QTest::qWaitForWindowExposed(f->FileMenu));
    QTest::mouseMove(f->FileMenu, f->FileMenu->actionGeometry(f->MnAutoCommit).center());
    QTRY_COMPARE(f->StatusPanel->text(), QStringLiteral("Set auto commit on/off"));
    QTest::mouseMove(f->FileMenu, f->FileMenu->actionGeometry(f->MnExit).center());
    QTRY_COMPARE(f->StatusPanel->text(), QStringLiteral("Close application"));
    QTest::keyClick(f->FileMenu, Qt::Key_Escape);
    QTRY_VERIFY(!f->FileMenu->isVisible());
    f->StatusBar->setFocus();
    QTest::mouseClick(f->StatusBar, Qt::LeftButton);  // a click on the bar shows the current hint
    QCOMPARE(f->StatusPanel->text(), f->Hint());

    // A control that has a hint only as its tooltip shows it as well.
    auto *child = new TTestChild(QStringLiteral("Hinted"), false);
    auto *button = new QPushButton(QStringLiteral("Refresh"), child);
    button->setToolTip(QStringLiteral("Refresh list"));
    button->show();
    child->SubWindow()->resize(240, 160);
    QTest::mouseMove(button);
    QTRY_COMPARE(f->StatusPanel->text(), QStringLiteral("Refresh list"));
    QCOMPARE(f->Hint(), QStringLiteral("Refresh list"));
    QTest::mouseMove(f->dbPath);
    QTRY_COMPARE(f->StatusPanel->text(), QString());
  }

  void contextMenuHintsInTheStatusBar() {
    // A context menu is a window of its own; its items' hints reach the status bar all the same.
    Start();
    MainForm->MnSQL->trigger();
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
    const FbDatabase db = fixtures::createDatabase(3);
    const QString settings = SettingsFileName();
    for (int run = 0; run < 3; ++run) {
      QFile::remove(FHistory);
      QFile::remove(settings);
      QProcess child;
      child.start(QString::fromLocal8Bit(qgetenv("TESSELOR_TEST_BINARY_DIR")) + QStringLiteral("/child_shellsignal"),
                  {db.file, FHistory});
      QVERIFY(child.waitForReadyRead(30000));
      QCOMPARE(child.readLine().trimmed(), QByteArray("connected"));
      ::kill(pid_t(child.processId()), signal);
      QVERIFY2(child.waitForFinished(15000), "the program did not end");
      QCOMPARE(child.exitStatus(), QProcess::NormalExit);
      QCOMPARE(child.exitCode(), 0);
      QVERIFY(child.readAllStandardOutput().contains("ended"));
      QCOMPARE(fixtures::readFile(FHistory), (db.file + QStringLiteral("\r\n")).toUtf8());
      QVERIFY(fixtures::readFile(settings).contains("IB_AUTOCOMMIT"));
    }
  }

  void childMenusMergeBeforeWindows() {
    CHECKED(Start());
    TMainForm *f = MainForm;
    auto *editor = new TTestChild(QStringLiteral("Editor"), true);
    QTRY_COMPARE(f->ClientArea->activeSubWindow(), editor->SubWindow());
    QCOMPARE(MenuTitles(), QStringList({"&File", "&Database", "W&izards", "&Edit", "&Windows", "&Help"}));
    auto *plain = new TTestChild(QStringLiteral("Plain"), false);
    QTRY_COMPARE(f->ClientArea->activeSubWindow(), plain->SubWindow());
    QCOMPARE(MenuTitles(), QStringList({"&File", "&Database", "W&izards", "&Windows", "&Help"}));
    f->ClientArea->setActiveSubWindow(editor->SubWindow());
    QCOMPARE(MenuTitles(), QStringList({"&File", "&Database", "W&izards", "&Edit", "&Windows", "&Help"}));
    editor->SubWindow()->close();
    QTRY_COMPARE(ChildCount(), 1);
    QCOMPARE(MenuTitles(), QStringList({"&File", "&Database", "W&izards", "&Windows", "&Help"}));
  }

  void windowsMenuArrangesAndLists() {
    CHECKED(Start());
    TMainForm *f = MainForm;
    auto *one = new TTestChild(QStringLiteral("One"), false);
    auto *two = new TTestChild(QStringLiteral("Two"), false);
    const QRect area = f->ClientArea->contentsRect();

    f->MnTileVertical->trigger();
    QCOMPARE(f->TileMode, TTileMode::tbVertical);
    QCOMPARE(one->SubWindow()->height(), area.height());
    QCOMPARE(two->SubWindow()->height(), area.height());
    QCOMPARE(one->SubWindow()->width() + two->SubWindow()->width(), area.width());
    QVERIFY(one->SubWindow()->x() != two->SubWindow()->x());

    f->MnTileHorizontal->trigger();
    QCOMPARE(f->TileMode, TTileMode::tbHorizontal);
    QCOMPARE(one->SubWindow()->width(), area.width());
    QCOMPARE(one->SubWindow()->height() + two->SubWindow()->height(), area.height());
    QVERIFY(one->SubWindow()->y() != two->SubWindow()->y());

    f->MnCascade->trigger();
    QVERIFY(one->SubWindow()->pos() != two->SubWindow()->pos());
    QCOMPARE(f->TileMode, TTileMode::tbHorizontal);  // stays as last set

    emit f->WindowsBar->aboutToShow();
    QStringList items;
    for (QAction *a : f->WindowsBar->actions())
      items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, QStringList({"&Cascade", "Tile &vertical", "Tile &horizontal", "-", "&1 One", "&2 Two"}));
    f->WindowsBar->actions().at(4)->trigger();
    QCOMPARE(f->ClientArea->activeSubWindow(), one->SubWindow());

    one->SubWindow()->close();
    two->SubWindow()->close();
    QTRY_COMPARE(ChildCount(), 0);
    emit f->WindowsBar->aboutToShow();
    QCOMPARE(f->WindowsBar->actions().size(), 3);
  }

  void aboutBox() {
    CHECKED(Start());
    QVERIFY(!AboutBox->isVisible());
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    MainForm->MnAbout->trigger();
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Caption, QStringLiteral("About"));
    QCOMPARE(boxes[0].DefaultButton, QStringLiteral("OK"));
    QVERIFY(boxes[0].Centred);
    QVERIFY(AboutBox->ProductName->text().contains(QLatin1String("<b>ZUL Tesselor for IB</b>")));
    QVERIFY(AboutBox->Version->text().contains(QLatin1String("Version 1.01a")));
    QVERIFY(!AboutBox->ProgramIcon->pixmap().isNull());
    // Reused: the same box shows again.
    TAboutBox *same = AboutBox;
    BoxSequence again({Press(QStringLiteral("OK"))});
    MainForm->MnAbout->trigger();
    QVERIFY(again[0].Shown);
    QCOMPARE(AboutBox, same);
  }

  void repositorySettingsDialog() {
    CHECKED(Start());
    QVERIFY(ORepOptDlg);
    QVERIFY(MainForm->ORepSettings->isEnabled());
    TORepOptDlg *dialog = ORepOptDlg;
    BoxSequence boxes({Press(QStringLiteral("Cancel"))});
    MainForm->ORepSettings->trigger();
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Caption, QStringLiteral("Create/register Object repository table"));
    QCOMPARE(ORepOptDlg, dialog);  // reused, not made anew
  }

  // Each command opens a window of its own; after a disconnect a window reopens the
  // database through the login.
  void windowCommandsOpenNewWindows() {
    const FbDatabase db = fixtures::createDatabase(3, Content::Known);
    CHECKED(Start());
    CHECKED(Connect(db));
    const QList<QPair<QAction *, QString>> commands = {{MainForm->MnDomains, "TDomainsForm"},
                                                       {MainForm->MnExceptions, "TExceptionsForm"},
                                                       {MainForm->MnGenerators, "TGeneratorsForm"}};
    for (const auto &[command, windowClass] : commands) {
      QVERIFY(command->isEnabled());
      command->trigger();
      command->trigger();
      QCOMPARE(ChildCount(), 2);
      for (QMdiSubWindow *sub : MainForm->ClientArea->subWindowList())
        QCOMPARE(sub->widget()->metaObject()->className(), windowClass);
      for (QMdiSubWindow *sub : MainForm->ClientArea->subWindowList())
        sub->close();
      QTRY_COMPARE(ChildCount(), 0);
    }

    MainForm->MnDisconect->trigger();
    QVERIFY(!DMSys->IBDataBase->Connected());
    auto login = std::make_shared<LoginSeen>();
    BoxSequence boxes({Login(login)});
    MainForm->MnDomains->trigger();
    QVERIFY(login->Shown);
    QVERIFY(DMSys->IBDataBase->Connected());
    QCOMPARE(ChildCount(), 1);
  }

  // New tool windows open wholly inside the child-window area, however far down the area
  // places them: their bottom rows (the DDL window's position indicator) stay in view. And
  // ending the program with them open ends it cleanly.
  void newWindowsFitTheArea() {
    const FbDatabase db = fixtures::createDatabase(3, Content::Known);
    CHECKED(Start());
    CHECKED(Connect(db));
    MainForm->MnDomains->trigger();
    for (int i = 0; i < 3; ++i)
      MainForm->MnSQL->trigger();
    const QRect area = MainForm->ClientArea->viewport()->rect();
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
    QTest::addColumn<bool>("settings");  // else the history
    for (fixtures::Hostile kind : {fixtures::Hostile::Fifo, fixtures::Hostile::Zero})
      for (bool settings : {false, true})
        QTest::addRow("%s as %s", fixtures::hostileName(kind), settings ? "settings" : "history")
            << int(kind) << settings;
  }
  void filesThatAreNotRegularAreRefusedAtStart() {
    QFETCH(int, kind);
    QFETCH(bool, settings);
    const QString path = settings ? SettingsFileName() : FHistory;
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    fixtures::makeHostileFile(path, fixtures::Hostile(kind));
    fixtures::Deadline deadline(5000, "start-up and exit beside a file that is not regular");
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    Start();
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Text, QStringLiteral("Cannot open file %1.").arg(path));
    if (!settings) return;
    BoxSequence atExit({Press(QStringLiteral("OK"))});
    ShutDown();  // the settings are not written over it either
    QVERIFY(atExit[0].Shown);
    QCOMPARE(atExit[0].Text, QStringLiteral("Cannot write the settings to %1.").arg(path));
  }

  void historyKeepsPathsAsTyped() {
    // On this platform two spellings are two files: a mixed-case path must come back as typed.
    const FbDatabase db = fixtures::createDatabase(3);
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
    const FbDatabase db = fixtures::createDatabase(3);
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
    QCOMPARE(login->User, QStringLiteral("SYSDBA"));
    QCOMPARE(login->Password, QStringLiteral("tarnwidge"));
    QVERIFY(login->Masked);
    QCOMPARE(login->UserLabel, QStringLiteral("&Username"));
    QCOMPARE(login->PasswordLabel, QStringLiteral("&Password"));
    QCOMPARE(login->Focus, QStringLiteral("UserN"));
    QCOMPARE(login->Default, QStringLiteral("OK"));

    QCOMPARE(boxes[1].Caption, QStringLiteral("ZUL DB Tesselor for IB"));
    QCOMPARE(boxes[1].Icon, QMessageBox::Critical);
    QCOMPARE(boxes[1].Text, QStringLiteral("Login canceled."));
    QVERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(!DatabaseMenuEnabled());
    QVERIFY(Items(MainForm->dbPath).isEmpty());
  }

  void secondLoginShowsDefaultsAgain() {
    const FbDatabase db = fixtures::createDatabase(3);
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
    QVERIFY(second->Shown);
    QCOMPARE(second->User, QStringLiteral("SYSDBA"));
    QCOMPARE(second->Password, QStringLiteral("tarnwidge"));
  }

  void wrongPasswordRefusedByTheServer() {
    REQUIRE_SERVER();
    const FbDatabase db = fixtures::createDatabase(3, Content::Known, Access::Tcp);
    CHECKED(Start());
    MainForm->dbPath->setEditText(db.name);
    auto login = std::make_shared<LoginSeen>();
    BoxSequence boxes({Login(login, db.user, QStringLiteral("not-the-password")), Press(QStringLiteral("OK"))});
    MainForm->MnConnect->trigger();
    QCOMPARE(boxes.Count(), 2);
    QCOMPARE(boxes[1].Icon, QMessageBox::Critical);
    QVERIFY2(boxes[1].Text.contains(QLatin1String("Your user name and password are not defined")),
             qPrintable(boxes[1].Text));
    QVERIFY(boxes[1].Text.endsWith(QLatin1Char('.')));
    QVERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(!DatabaseMenuEnabled());
    QVERIFY(Items(MainForm->dbPath).isEmpty());

    // The right password connects over the server.
    BoxSequence again({Login(std::make_shared<LoginSeen>(), db.user, db.password)});
    MainForm->MnConnect->trigger();
    QVERIFY(DMSys->IBDataBase->Connected());
    QVERIFY(DatabaseMenuEnabled());
    QCOMPARE(Items(MainForm->dbPath), QStringList{db.name});
  }

  void failedConnectLeavesTheProgramDisconnected() {
    const FbDatabase good = fixtures::createDatabase(3);
    CHECKED(Start());
    CHECKED(Connect(good));
    QVERIFY(DatabaseMenuEnabled());
    const QString missing = fixtures::tempPath(QStringLiteral("missing"), QStringLiteral(".fdb"));
    MainForm->dbPath->setEditText(missing);
    BoxSequence boxes({Login(std::make_shared<LoginSeen>()), Press(QStringLiteral("OK"))});
    MainForm->MnConnect->trigger();
    QCOMPARE(boxes.Count(), 2);
    QCOMPARE(boxes[1].Icon, QMessageBox::Critical);
    QVERIFY2(boxes[1].Text.contains(missing), qPrintable(boxes[1].Text));
    QVERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(!DatabaseMenuEnabled());
    QCOMPARE(Items(MainForm->dbPath), QStringList{good.name});
  }

  // ---- Transaction commands -------------------------------------------------------------------------

  void commitAndRollbackFollowTheTransaction() {
    const FbDatabase db = fixtures::createDatabase(3, Content::Known);
    CHECKED(Start());
    CHECKED(Connect(db));
    TIBDataBase *ib = DMSys->IBDataBase;
    QVERIFY(CommitItemsDisabled());

    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_KEPT 'kept'"), false);
    QVERIFY(CommitItemsEnabled());
    MainForm->MnCommitWork->trigger();
    QVERIFY(CommitItemsDisabled());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_KEPT")), 1);

    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_DROPPED 'dropped'"), false);
    QVERIFY(CommitItemsEnabled());
    MainForm->MnRollBackWork->trigger();
    QVERIFY(CommitItemsDisabled());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_DROPPED")), 0);

    // With auto commit every statement ends its own transaction.
    MainForm->MnAutoCommit->trigger();
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_AUTO 'auto'"), AutoCommit);
    QVERIFY(CommitItemsDisabled());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_AUTO")), 1);

    // A commit the server refuses: its message, and both items stay enabled.
    ib->ExecSQL(QStringLiteral("CREATE UNIQUE INDEX IX_DUP ON T_DETAIL (MASTER_ID)"), false);
    QVERIFY(CommitItemsEnabled());
    BoxSequence boxes({Press(QStringLiteral("OK"))});
    MainForm->MnCommitWork->trigger();
    QVERIFY(boxes[0].Shown);
    QCOMPARE(boxes[0].Icon, QMessageBox::Critical);
    QVERIFY2(boxes[0].Text.contains(QLatin1String("IX_DUP")), qPrintable(boxes[0].Text));
    QVERIFY(ib->InTransaction());
    QVERIFY(CommitItemsEnabled());
    MainForm->MnRollBackWork->trigger();
    QVERIFY(CommitItemsDisabled());
  }

  void connectWithAnActiveTransaction() {
    const FbDatabase db = fixtures::createDatabase(3);
    CHECKED(Start());
    CHECKED(Connect(db));
    TIBDataBase *ib = DMSys->IBDataBase;
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_ONE 'one'"), false);

    // Cancel: silent, nothing changes.
    BoxSequence cancel({Press(QStringLiteral("Cancel"))});
    MainForm->MnConnect->trigger();
    QCOMPARE(cancel.Count(), 1);
    QCOMPARE(cancel[0].Text, QStringLiteral("Commit work?"));
    QCOMPARE(cancel[0].Buttons, QStringList({"&Yes", "&No", "Cancel"}));
    QCOMPARE(cancel[0].DefaultButton, QStringLiteral("&Yes"));
    QCOMPARE(cancel[0].EscapeButton, QStringLiteral("Cancel"));
    QVERIFY(ib->InTransaction());
    QVERIFY(ib->Connected());
    QVERIFY(DatabaseMenuEnabled());

    // Yes commits, then the database is reopened with a new login.
    BoxSequence yes({Press(QStringLiteral("&Yes")), Login(std::make_shared<LoginSeen>())});
    MainForm->MnConnect->trigger();
    QCOMPARE(yes.Count(), 2);
    QVERIFY(!ib->InTransaction());
    QVERIFY(ib->Connected());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_ONE")), 1);

    // No rolls back.
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_TWO 'two'"), false);
    BoxSequence no({Press(QStringLiteral("&No")), Login(std::make_shared<LoginSeen>())});
    MainForm->MnConnect->trigger();
    QCOMPARE(no.Count(), 2);
    QVERIFY(CommitItemsDisabled());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_TWO")), 0);
  }

  void lostConnectionLooksDisconnected_data() {
    QTest::addColumn<bool>("statement");  // else a catalog read
    QTest::newRow("statement") << true;
    QTest::newRow("catalog read") << false;
  }
  void lostConnectionLooksDisconnected() {
    // The server ends the attachment (as at its shutdown): the next action fails with the
    // server's message, and the program counts as disconnected from then on.
    QFETCH(bool, statement);
    const FbDatabase db = fixtures::createDatabase(3);
    Start();
    Connect(db);
    DMSys->IBDataBase->ExecSQL(QStringLiteral("CREATE EXCEPTION E_PENDING 'pending'"), false);
    QVERIFY(CommitItemsEnabled());
    fixtures::query(db, QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"));
    QString error;
    try {
      if (statement) {
        DMSys->IBDataBase->ExecSQL(QStringLiteral("CREATE EXCEPTION E_AFTER 'after'"), false);
      } else {
        TQuery q;
        q.DatabaseName = QStringLiteral("IBB");
        q.SQL.Add(QStringLiteral("SELECT RDB$EXCEPTION_NAME FROM RDB$EXCEPTIONS"));
        q.Open();
      }
    } catch (const EDatabaseError &e) {
      error = e.Message();
    }
    QVERIFY(error.contains(QStringLiteral("shutdown")));
    QTRY_VERIFY(!DMSys->IBDataBase->Connected());
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QVERIFY(CommitItemsDisabled());
    QVERIFY(!DatabaseMenuEnabled());
    Connect(db);  // as after a disconnect
    QVERIFY(DatabaseMenuEnabled());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_PENDING")), 0);
  }

  void disconnect() {
    const FbDatabase db = fixtures::createDatabase(3);
    CHECKED(Start());
    CHECKED(Connect(db));
    TIBDataBase *ib = DMSys->IBDataBase;

    // An open window keeps the connection.
    auto *child = new TTestChild(QStringLiteral("Open"), false);
    BoxSequence refused({Press(QStringLiteral("OK"))});
    MainForm->MnDisconect->trigger();
    QVERIFY(refused[0].Shown);
    QCOMPARE(refused[0].Text, QStringLiteral("Close opened windows first."));
    QCOMPARE(refused[0].Icon, QMessageBox::Critical);
    QVERIFY(ib->Connected());
    child->SubWindow()->close();
    QTRY_COMPARE(ChildCount(), 0);

    // Cancel to "Commit work?" rolls back, and the connection closes all the same.
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_GONE 'gone'"), false);
    BoxSequence cancel({Press(QStringLiteral("Cancel"))});
    MainForm->MnDisconect->trigger();
    QVERIFY(cancel[0].Shown);
    QCOMPARE(cancel[0].Text, QStringLiteral("Commit work?"));
    QCOMPARE(cancel[0].Buttons, QStringList({"OK", "Cancel"}));
    QCOMPARE(cancel[0].DefaultButton, QStringLiteral("OK"));
    QCOMPARE(cancel[0].EscapeButton, QStringLiteral("Cancel"));
    QVERIFY(!ib->InTransaction());
    QVERIFY(!ib->Connected());
    QVERIFY(CommitItemsDisabled());
    QVERIFY(DatabaseMenuEnabled());  // stays usable after a disconnect
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_GONE")), 0);

    // OK commits. The next statement reopens the database through the login.
    BoxSequence login({Login(std::make_shared<LoginSeen>())});
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_STAYS 'stays'"), false);
    QVERIFY(login[0].Shown);
    BoxSequence ok({Press(QStringLiteral("OK"))});
    MainForm->MnDisconect->trigger();
    QVERIFY(ok[0].Shown);
    QVERIFY(!ib->Connected());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_STAYS")), 1);
  }

  void closingWithAnActiveTransaction() {
    const FbDatabase db = fixtures::createDatabase(3);
    CHECKED(Start());
    CHECKED(Connect(db));
    TIBDataBase *ib = DMSys->IBDataBase;
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_AT_CLOSE 'close'"), false);

    // Cancel to leaving, Yes to committing: committed, and the program stays.
    BoxSequence stay({Press(QStringLiteral("Cancel")), Press(QStringLiteral("&Yes"))});
    QVERIFY(!MainForm->close());
    QCOMPARE(stay.Count(), 2);
    QCOMPARE(stay[1].Text, QStringLiteral("Commit work?"));
    QCOMPARE(stay[1].Buttons, QStringList({"&Yes", "&No", "Cancel"}));
    QVERIFY(MainForm->isVisible());
    QVERIFY(!ib->InTransaction());
    QVERIFY(CommitItemsDisabled());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_AT_CLOSE")), 1);

    // OK to leaving, Cancel to committing: silent, the window stays and so does the work.
    ib->ExecSQL(QStringLiteral("CREATE EXCEPTION E_PENDING 'pending'"), false);
    BoxSequence cancel({Press(QStringLiteral("OK")), Press(QStringLiteral("Cancel"))});
    QVERIFY(!MainForm->close());
    QCOMPARE(cancel.Count(), 2);
    QTest::qWait(50);
    QVERIFY(!QApplication::activeModalWidget());  // no error box for the cancel
    QVERIFY(MainForm->isVisible());
    QVERIFY(ib->InTransaction());

    // OK and No: rolled back and closed.
    BoxSequence leave({Press(QStringLiteral("OK")), Press(QStringLiteral("&No"))});
    QVERIFY(MainForm->close());
    QCOMPARE(leave.Count(), 2);
    QVERIFY(!ib->InTransaction());
    QCOMPARE(fixtures::exceptionCount(db, QStringLiteral("E_PENDING")), 0);
  }
};

TESSELOR_TEST_MAIN(TestShell)
#include "test_shell.moc"

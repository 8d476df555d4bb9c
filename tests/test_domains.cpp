// The catalog list windows on real dialect-1 and dialect-3 databases: first what Domains,
// Exceptions, Generators and Triggers all do alike (show their list, drop with and without auto
// commit, refused drops, buttons and columns, a failed open), each case run over every window;
// then what the Domains window shows of its own.
#include "app/datamodule.h"
#include "app/settings.h"
#include "data/dataset.h"
#include "firebird/domains.h"
#include "firebird/session.h"
#include "tests/fixtures/catalogwindows.h"
#include "tests/fixtures/grid.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/editorlines.h"
#include "ui/mdichild.h"
#include "ui/sqleditorwidget.h"
#include "windows/catalog/domains.h"
#include "windows/editing/ddlwindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

using fixtures::CatalogWindow;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");

// A check inside the loop over the windows: a failure names the window.
#define WINDOW_VERIFY(cond) QVERIFY2(cond, qPrintable(w.title + QStringLiteral(": ") + QStringLiteral(#cond)))

// Domains only a dialect-3 database can hold, and a table whose columns get the engine's own
// column domains (one of them computed).
const QString kDialect3Extra = QStringLiteral(
    "CREATE DOMAIN D_BIG AS BIGINT;\n"
    "CREATE DOMAIN D_AMOUNT AS NUMERIC(18,4) DEFAULT 0;\n"
    "CREATE DOMAIN D_TIME AS TIME;\n"
    "CREATE DOMAIN D_STAMP AS TIMESTAMP;\n"
    "CREATE DOMAIN D_FLAG AS BOOLEAN NOT NULL;\n"
    "CREATE TABLE T_CALC (A INTEGER, TWICE COMPUTED BY (A * 2));\n");

QList<QWidget *> MemoViewers() {
  QList<QWidget *> found;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle().startsWith(QLatin1String("Memo"))) found << w;
  return found;
}

QString ViewerText(QWidget *viewer) {
  if (auto *e = viewer->findChild<TSQLEditor *>()) return e->toPlainText();
  if (auto *e = viewer->findChild<QTextEdit *>()) return e->toPlainText();
  return QStringLiteral("<no text control>");
}

void SelectDomain(TDomainsForm *form, const QString &name) {
  QVERIFY2(form->TableFields->Locate(QStringLiteral("RDB$FIELD_NAME"), name), qPrintable(name));
}

void DoubleClickCell(TDomainsForm *form, const QString &name, const QString &column) {
  CHECKED(SelectDomain(form, name));
  const int col = fixtures::gridTitles(form->FGrid).indexOf(column);
  QVERIFY2(col >= 0, qPrintable(column));
  const QModelIndex cell = form->FGrid->model()->index(form->TableFields->RecNo(), col);
  form->FGrid->scrollTo(cell);
  QTest::mouseDClick(form->FGrid->viewport(), Qt::LeftButton, {}, form->FGrid->visualRect(cell).center());
}

}  // namespace

class TestDomains : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> home;
  QList<QPointer<QWidget>> opened;
  FbDatabase known;  // a dialect-3 database the tests that only read share

  const FbDatabase &Known() {
    if (known.file.isEmpty()) known = fixtures::createDatabase(3, Content::Known);
    return known;
  }

  template <class T = QWidget>
  T *Open(const CatalogWindow *w = nullptr) {
    QWidget *form = w ? w->open() : new TDomainsForm();
    opened << form;
    return static_cast<T *>(form);
  }

private slots:
  void initTestCase() { home = fixtures::startDataModule(kTitle); }

  void cleanup() {
    for (QWidget *w : MemoViewers())
      w->close();
    fixtures::closeWindowsAndDisconnect(opened);
  }

  // Each window shows its list and drops its current row once the user says yes ("&No" leaves
  // it); off auto commit the drop stays the executor's until Commit Work. Every open window of
  // the kind reads its list again after the drop and after the commit, keeping its current row
  // where it still exists. Off auto commit, a drop the server refuses at once leaves everything
  // as it was. (The lists, drops and quoting over every dialect and connection: the objects suite.)
  void listsAndDrops_data() {
    QTest::addColumn<bool>("autoCommit");
    QTest::newRow("auto commit on") << true;
    QTest::newRow("auto commit off") << false;
  }
  void listsAndDrops() {
    QFETCH(bool, autoCommit);
    const FbDatabase db =
        fixtures::createDatabase(3, Content::Known, fixtures::Access::Embedded, QLatin1String(fixtures::kNumbersTable));
    fixtures::connectDataModule(db);
    AutoCommit = autoCommit;
    for (const CatalogWindow &w : fixtures::catalogWindows()) {
      QWidget *a = Open(&w), *b = Open(&w);
      QStringList listed = fixtures::listedNames(a);
      listed.sort();
      const QStringList user = fixtures::userObjects(db, w);
      QVERIFY2(listed == user, qPrintable(w.title + ": " + listed.join(',') + " listed, " + user.join(',') + " held"));
      // An identity's generator is the server's own (system flag 6).
      if (w.title == QLatin1String("Generators")) WINDOW_VERIFY(!listed.join(',').contains(QLatin1String("RDB$")));
      const QString other = listed.last() == w.unused ? listed.at(listed.size() - 2) : listed.last();
      if (!w.inUse.isEmpty() && !autoCommit) {
        // Refused: the server's message; the list and its current row stay, and so does the
        // transaction, for the user to resolve.
        WINDOW_VERIFY(fixtures::selectListed(a, w, w.inUse));
        const QStringList rows = fixtures::gridRows(fixtures::listGrid(a));
        BoxSequence boxes({Press("&Yes"), Press("OK")});
        fixtures::listButton(a, "&Drop")->click();
        QVERIFY2(boxes[1].Shown && boxes[1].Text.contains(w.inUse), qPrintable(w.title + ": " + boxes[1].Text));
        WINDOW_VERIFY(DMSys->IBDataBase->InTransaction() && fixtures::currentName(a, w) == w.inUse);
        WINDOW_VERIFY(fixtures::gridRows(fixtures::listGrid(a)) == rows);
      }
      WINDOW_VERIFY(fixtures::selectListed(a, w, w.unused) && fixtures::selectListed(b, w, other));
      const QString question = QStringLiteral("Drop %1 %2? (&Yes,&No)").arg(w.kind, w.unused);
      QCOMPARE(fixtures::dropAnswering(a, "&No"), question);
      WINDOW_VERIFY(fixtures::catalogCount(db, w, w.unused) == 1);
      fixtures::query(db, w.createLater);

      QCOMPARE(fixtures::dropAnswering(a, "&Yes"), question);
      WINDOW_VERIFY(DMSys->IBDataBase->InTransaction() == !autoCommit);
      WINDOW_VERIFY(fixtures::catalogCount(db, w, w.unused) == (autoCommit ? 0 : 1));
      // The lists read in the program's open transaction: its drop shows at once, and what another
      // attachment committed after it began (after the refused drop) only once it ends.
      const bool laterSeen = autoCommit || w.inUse.isEmpty();
      for (QWidget *window : {a, b}) {
        WINDOW_VERIFY(!fixtures::listedNames(window).contains(w.unused));
        WINDOW_VERIFY(fixtures::listedNames(window).contains("LATER_ONE") == laterSeen);
      }
      if (!autoCommit) DMSys->IBDataBase->Commit();
      for (QWidget *window : {a, b})
        WINDOW_VERIFY(fixtures::listedNames(window).contains("LATER_ONE"));
      WINDOW_VERIFY(fixtures::catalogCount(db, w, w.unused) == 0);
      for (QWidget *window : {a, b})
        WINDOW_VERIFY(!fixtures::listedNames(window).contains(w.unused));
      WINDOW_VERIFY(fixtures::listGrid(a)->DataSet()->RecNo() >= 0);
      WINDOW_VERIFY(fixtures::currentName(b, w) == other);
    }
  }

  // A rollback, a DDL window's statement and a script run's end each have every list read
  // itself again, with no Refresh.
  void listsFollowRollbackStatementAndScript() {
    const FbDatabase db = fixtures::createDatabase(3, Content::Known);
    fixtures::connectDataModule(db);
    AutoCommit = false;
    QList<QWidget *> windows;
    for (const CatalogWindow &w : fixtures::catalogWindows())
      windows << Open(&w);
    const auto listedEverywhere = [&](const QString &name) {
      QStringList missing;
      for (int i = 0; i < windows.size(); ++i)
        if (!fixtures::listedNames(windows[i]).contains(name)) missing << fixtures::catalogWindows()[i].title;
      return missing;
    };
    DMSys->IBDataBase->ExecSQL(QStringLiteral("CREATE GENERATOR G_HELD"), false);
    for (const CatalogWindow &w : fixtures::catalogWindows())
      fixtures::query(db, w.createLater);
    DMSys->IBDataBase->Rollback();
    QCOMPARE(listedEverywhere("LATER_ONE"), QStringList());

    auto *ddl =
        CreateSQLExprForm(TStringList(QStringList{"CREATE TRIGGER BY_F9 FOR T_LOG BEFORE INSERT AS BEGIN END"}));
    opened << ddl;
    AutoCommit = true;
    ddl->RunClick();
    QTRY_VERIFY(!ddl->StatementRunning());
    QCOMPARE(fixtures::listedNames(windows.last()).contains("BY_F9"), true);

    SetEditorLines(ddl->ExecSql,
                   TStringList(QStringList{"CREATE GENERATOR BY_SCRIPT;", "CREATE EXCEPTION BY_SCRIPT 'x';"}));
    ddl->RunScriptClick();
    QTRY_VERIFY(!DMSys->IBDataBase->Claimed());
    QCOMPARE(fixtures::listedNames(windows[1]).contains("BY_SCRIPT"), true);
    QCOMPARE(fixtures::listedNames(windows[2]).contains("BY_SCRIPT"), true);
  }

  // With auto commit off, the program's own DDL shows in every list before Commit Work (the lists
  // read in the transaction it runs in), also after Refresh, while other attachments do not see
  // it yet; Rollback Work takes it away again.
  void listsShowTheProgramsUncommittedWork_data() { fixtures::addPlaceRows(false); }
  void listsShowTheProgramsUncommittedWork() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db =
        fixtures::createDatabase(dialect, Content::Known, tcp ? fixtures::Access::Tcp : fixtures::Access::Embedded);
    fixtures::connectDataModule(db);
    AutoCommit = false;
    QList<QWidget *> windows;
    for (const CatalogWindow &w : fixtures::catalogWindows()) {
      windows << Open(&w);
      FbSession()->Execute(QString(w.createLater).replace(QLatin1String("LATER_ONE"), QLatin1String("HELD_ONE")));
    }
    QVERIFY(DMSys->IBDataBase->InTransaction());
    for (int i = 0; i < windows.size(); ++i) {
      const CatalogWindow &w = fixtures::catalogWindows()[i];
      WINDOW_VERIFY(fixtures::listedNames(windows[i]).contains("HELD_ONE"));
      fixtures::refreshList(windows[i]);
      WINDOW_VERIFY(fixtures::listedNames(windows[i]).contains("HELD_ONE"));
      WINDOW_VERIFY(fixtures::catalogCount(db, w, "HELD_ONE") == 0);
    }
    DMSys->IBDataBase->Rollback();
    for (int i = 0; i < windows.size(); ++i) {
      const CatalogWindow &w = fixtures::catalogWindows()[i];
      WINDOW_VERIFY(!fixtures::listedNames(windows[i]).contains("HELD_ONE"));
    }
  }

  // An empty list offers no command on a row (a drop would send an empty name); New and Refresh
  // stay, and a row read by Refresh turns the commands on.
  void emptyListOffersNoRowCommands_data() {
    QTest::addColumn<int>("dialect");
    QTest::newRow("dialect 1") << 1;
    QTest::newRow("dialect 3") << 3;
  }
  void emptyListOffersNoRowCommands() {
    QFETCH(int, dialect);
    const FbDatabase db = fixtures::createDatabase(dialect, Content::Empty);
    fixtures::connectDataModule(db);
    AutoCommit = true;
    for (const CatalogWindow &w : fixtures::catalogWindows()) {
      if (w.title == "Triggers") fixtures::query(db, "CREATE TABLE T_LOG (A INTEGER)");
      QWidget *form = Open(&w);
      WINDOW_VERIFY(fixtures::listedNames(form).isEmpty());
      QStringList on;
      for (QToolButton *b : form->findChildren<QToolButton *>())
        if (b->isEnabled()) on << b->text();
      on.sort();
      QStringList expected{"&Refresh"};
      if (w.title == "Exceptions") expected.prepend("&New ");
      // The wizards write a trigger for a view, whether or not it has triggers.
      if (w.title == "Triggers")
        expected = QStringList{"&1.Insert wizard", "&2.Update wizard", "&3.Delete wizard", "&Refresh"};
      QCOMPARE(on, expected);
      fixtures::query(db, w.createLater);
      fixtures::refreshList(form);
      for (const QString &caption : w.rowButtons)
        WINDOW_VERIFY(fixtures::listButton(form, caption)->isEnabled());
    }
  }

  // What the user finds: the caption, the buttons (object name, caption with its Alt key, hint)
  // left to right and the column titles. The catalog is never edited here: typing into a cell
  // leaves the row browsed. In a roomy main window the window opens wide enough for every column.
  void buttonsAndColumns_data() {
    QTest::addColumn<QString>("buttons");  // objectName|caption|hint; ...
    QTest::addColumn<QString>("columns");
    QTest::newRow("Domains")
        << "DropBtn|&Drop|; RefreshBtn|&Refresh|; DDLBtn|Show DD&L|Show the statements that create it"
        << "Domain name,Type,Computed expr,Default value,Length,Scale,NOT NULL";
    QTest::newRow("Exceptions") << "NewBtn|&New |Create new exception; UpdBtn|&Update|Update current exception "
                                   "text; SpeedButton3|&Drop|Drop current exception; RefreshBtn|&Refresh|Refresh "
                                   "table content; DDLBtn|Show DD&L|Show the statements that create it"
                                << "NAME,MESSAGE";
    QTest::newRow("Generators") << "DropBtn|&Drop|Drop current generator; RefreshBtn|&Refresh|Refresh generator list"
                                   "; DDLBtn|Show DD&L|Show the statements that create it"
                                << "Generator Name";
    QTest::newRow("Triggers") << "SrcBtn|&Source|Open source code of trigger; AddBtn|&Add |Add source to "
                                 "repository; SpeedButton1|&Drop|Drop trigger; DeactivteBtn|D&eactivate|Set trigger "
                                 "inactive; ActivateBtn|A&ctivate|Set trigger active; InsWiz|&1.Insert "
                                 "wizard|Creates insert trigger for views; SpeedButton3|&2.Update wizard|Creates "
                                 "update trigger for views; DelWiz|&3.Delete wizard|Creates delete trigger for views; "
                                 "RefreshBtn|&Refresh|Refresh trigger list; DDLBtn|Show DD&L|Show "
                                 "the statements that create it"
                              << "NAME,RELATION,SEQUENCE,TYPE,SOURCE,DESCRIPTION,ACTIVE";
  }
  void buttonsAndColumns() {
    QFETCH(QString, buttons);
    QFETCH(QString, columns);
    const QString title = QTest::currentDataTag();
    fixtures::connectDataModule(Known());
    const CatalogWindow &w = *std::find_if(fixtures::catalogWindows().begin(), fixtures::catalogWindows().end(),
                                           [&](const CatalogWindow &c) { return c.title == title; });
    QMdiArea area;
    area.resize(1200, 800);
    area.show();
    SetChildArea(&area);
    auto *form = Open<TChildForm>(&w);
    SetChildArea(nullptr);
    QCOMPARE(form->SubWindow()->mdiArea(), &area);
    QCOMPARE(form->windowTitle(), title);
    QList<QToolButton *> found = form->findChildren<QToolButton *>();
    std::sort(found.begin(), found.end(), [](QToolButton *a, QToolButton *b) { return a->x() < b->x(); });
    QStringList shown;
    for (QToolButton *b : found)
      shown << b->objectName() + '|' + b->text() + '|' + b->statusTip();
    QCOMPARE(shown.join("; "), buttons);
    TDBGrid *grid = fixtures::listGrid(form);
    QCOMPARE(fixtures::gridTitles(grid).join(','), columns);
    int columnsWidth = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
      columnsWidth += grid->columnWidth(c);
    QVERIFY2(grid->viewport()->width() >= columnsWidth,
             qPrintable(QStringLiteral("%1 < %2").arg(grid->viewport()->width()).arg(columnsWidth)));

    QVERIFY(!grid->DataSet()->CanModify() && !grid->DataSource()->AutoEdit);
    grid->setFocus();
    QTest::keyClicks(grid, QStringLiteral("X"));
    QCOMPARE(grid->DataSet()->State(), TDataSetState::dsBrowse);
  }

  // Every column is as wide as its longest cell shows (a 31-character name whole), and none
  // wider than 400 pixels (a long exception message).
  void columnsFitTheirContent() {
    const QString longName = QStringLiteral("A_NAME_OF_THIRTY_ONE_CHARS_XYZ");
    const FbDatabase db = fixtures::createDatabase(
        3, Content::Known, fixtures::Access::Embedded,
        QStringLiteral("CREATE DOMAIN D%1 AS INTEGER;\nCREATE EXCEPTION E%1 'x';\nCREATE GENERATOR G%1;\n"
                       "CREATE TRIGGER T%1 FOR T_LOG BEFORE INSERT AS BEGIN END;\n")
            .arg(longName));
    fixtures::connectDataModule(db);
    for (const CatalogWindow &w : fixtures::catalogWindows()) {
      QWidget *form = Open(&w);
      TDBGrid *grid = fixtures::listGrid(form);
      const QString name = w.title.left(1) + longName;
      WINDOW_VERIFY(fixtures::listedNames(form).contains(name));
      WINDOW_VERIFY(grid->columnWidth(0) > grid->fontMetrics().horizontalAdvance(name));
      int widest = 0;
      for (int c = 0; c < grid->model()->columnCount(); ++c)
        widest = qMax(widest, grid->columnWidth(c));
      WINDOW_VERIFY(widest <= 400);
      if (w.title == "Exceptions") WINDOW_VERIFY(widest == 400);
    }
  }

  // A window whose list cannot be read shows the error and still opens, its list closed. (A file
  // that is no database fails at once; a missing one can keep the engine for seconds.)
  void failedOpenStillShowsTheWindow() {
    fixtures::connectDataModule(Known());
    DMSys->IBDataBase->Close();
    DMSys->IBDataBase->Params.SetValues(
        QStringLiteral("SERVER NAME"),
        fixtures::writeFile(fixtures::tempPath("garbage", ".fdb"), QByteArray(8192, 'x')));
    for (const CatalogWindow &w : fixtures::catalogWindows()) {
      // One box each: the Triggers window, which reads the relations for its choice first, too.
      BoxSequence seen({Press("OK")}, 5000);
      QWidget *form = Open(&w);
      WINDOW_VERIFY(seen[0].Shown && seen[0].Icon == QMessageBox::Critical &&
                    seen[0].Text.contains("not a valid database"));
      WINDOW_VERIFY(form->isVisible() && !fixtures::listGrid(form)->DataSet()->Active());
    }
  }

  // Bare type names; same-type domains differ in Length and Scale only; NOT NULL 1 or empty;
  // in name order.
  void listedDomains_data() {
    QTest::addColumn<int>("dialect");
    QTest::newRow("dialect 1") << 1;
    QTest::newRow("dialect 3") << 3;
  }
  void listedDomains() {
    QFETCH(int, dialect);
    const FbDatabase target = fixtures::createDatabase(dialect, Content::Known, fixtures::Access::Embedded,
                                                       dialect == 3 ? kDialect3Extra : QString());
    fixtures::connectDataModule(target);
    auto *form = Open<TDomainsForm>();
    QStringList names = fixtures::listedNames(form), sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
    // Wider label, wider column: the widths follow the declared character counts.
    QVERIFY(form->FGrid->columnWidth(0) > form->FGrid->columnWidth(1));
    QVERIFY(form->FGrid->columnWidth(1) > form->FGrid->columnWidth(4));

    // name|type|computed|default|length|scale|not null; DATE is a timestamp in dialect 1.
    QStringList expected{"D_SMALL|SMALLINT|(Memo)|(MEMO)|2|0|1",
                         "D_INT|INTEGER|(Memo)|(Memo)|4|0|",
                         "D_MONEY|INTEGER|(Memo)|(MEMO)|4|-2|",
                         "D_NAME|VARCHAR|(Memo)|(MEMO)|31|0|1",
                         "D_CODE|CHAR|(Memo)|(Memo)|3|0|",
                         "D_FLOAT|FLOAT|(Memo)|(Memo)|4|0|",
                         "D_DOUBLE|DOUBLE|(Memo)|(MEMO)|8|0|",
                         "D_MEMO|BLOB|(Memo)|(Memo)|8|0|",
                         dialect == 1 ? "D_DATE|DATE|(Memo)|(Memo)|8|0|" : "D_DATE|DATE|(Memo)|(Memo)|4|0|"};
    if (dialect == 3)
      expected << "D_BIG|BIGINT|(Memo)|(Memo)|8|0|"
               << "D_AMOUNT|BIGINT|(Memo)|(MEMO)|8|-4|"
               << "D_TIME|TIME|(Memo)|(Memo)|4|0|"
               << "D_STAMP|DATE|(Memo)|(Memo)|8|0|"
               << "D_FLAG|BOOLEAN|(Memo)|(Memo)|1|0|1";
    for (const QString &row : expected)
      QCOMPARE(fixtures::gridRow(form->FGrid, row.section('|', 0, 0)), row);

    // The memo columns carry the declared text, as the catalog keeps it.
    CHECKED(SelectDomain(form, "D_NAME"));
    QCOMPARE(form->TableFields->DefaultSource->Value().metaType().id(), int(QMetaType::QString));
    QCOMPARE(form->TableFields->DefaultSource->AsString(), QStringLiteral("DEFAULT 'none'"));
    QVERIFY(form->TableFields->ComputedSource->IsNull());
    if (dialect == 3) {
      // The engine's column domains (system flag 0) are listed, the computed one with its expression.
      const QString computed = fixtures::queryValue(target,
                                                    "SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS "
                                                    "WHERE RDB$RELATION_NAME = 'T_CALC' AND RDB$FIELD_NAME = 'TWICE'")
                                   .toString()
                                   .trimmed();
      QVERIFY2(computed.startsWith(QLatin1String("RDB$")), qPrintable(computed));
      QCOMPARE(fixtures::gridRow(form->FGrid, computed), computed + QStringLiteral("|BIGINT|(MEMO)|(Memo)|8|0|"));
      CHECKED(SelectDomain(form, computed));
      QCOMPARE(form->TableFields->ComputedSource->AsString(), QStringLiteral("(A * 2)"));
    }
  }

  void doubleClickOpensMemoColumnsOnly() {
    fixtures::connectDataModule(Known());
    auto *form = Open<TDomainsForm>();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    for (const QString &column : {"Domain name", "Type", "Length", "Scale", "NOT NULL"}) {
      CHECKED(DoubleClickCell(form, "D_SMALL", column));
      QVERIFY2(MemoViewers().isEmpty(), qPrintable(column));
    }
    CHECKED(DoubleClickCell(form, "D_SMALL", "Computed expr"));
    QCOMPARE(MemoViewers().size(), 1);
    QCOMPARE(MemoViewers().first()->windowTitle(), QStringLiteral("Memo - Computed expr"));

    CHECKED(DoubleClickCell(form, "D_NAME", "Default value"));
    QList<QWidget *> viewers = MemoViewers();
    QCOMPARE(viewers.size(), 2);
    QWidget *defaults =
        viewers.first()->windowTitle() == QLatin1String("Memo - Default value") ? viewers.first() : viewers.last();
    QCOMPARE(defaults->windowTitle(), QStringLiteral("Memo - Default value"));
    QCOMPARE(ViewerText(defaults), QStringLiteral("DEFAULT 'none'"));
    // The viewer follows the window's current row.
    CHECKED(SelectDomain(form, "D_SMALL"));
    QTRY_COMPARE(ViewerText(defaults), QStringLiteral("DEFAULT 0"));

    // Closing the window frees it; the viewers stay and do not fail.
    QPointer<TDomainsForm> gone = form;
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gone.isNull());
    QCOMPARE(MemoViewers().size(), 2);
    QCoreApplication::processEvents();
  }
};

TESSELOR_TEST_MAIN(TestDomains)
#include "test_domains.moc"

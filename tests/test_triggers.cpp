// The Triggers window and the trigger source editor on real dialect-1 and dialect-3 databases,
// embedded and over TCP (what it does as every catalog window does: the Domains suite): what the
// list shows and filters, the commands on the current trigger,
// the statements the editor assembles and what the server then holds, the editor's keys,
// caption and indicator, quoted names, and the way to the repository and back.
#include "app/datamodule.h"
#include "app/settings.h"
#include "base/errors.h"
#include "data/dataset.h"
#include "firebird/triggers.h"
#include "tests/fixtures/catalogwindows.h"
#include "tests/fixtures/grid.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dbgrid.h"
#include "ui/editorlines.h"
#include "windows/catalog/triggereditor.h"
#include "windows/catalog/triggers.h"
#include "windows/editing/ddlwindow.h"
#include "windows/editing/sourcedialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTextBlock>
#include <QToolButton>
#include <QtTest>

using fixtures::Access;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");

// Besides the known triggers: one on a view, a multi-event one (type 17), a database trigger,
// a table without triggers, the engine's CHECK triggers; on dialect 3 a mixed-case pair.
QString ExtraSql(int dialect) {
  QString sql = QStringLiteral(
      "CREATE TABLE T_NONE (A INTEGER);\n"
      "CREATE TABLE T_CHECKED (A INTEGER CHECK (A > 0));\n"
      "SET TERM ^ ;\n"
      "CREATE TRIGGER V_MASTER_DETAIL_BI FOR V_MASTER_DETAIL ACTIVE BEFORE INSERT POSITION 0 AS\nBEGIN\nEND^\n"
      "CREATE TRIGGER T_LOG_BIU FOR T_LOG ACTIVE BEFORE INSERT OR UPDATE POSITION 3 AS\nBEGIN\nEND^\n"
      "CREATE TRIGGER ON_CONNECT_NOOP ACTIVE ON CONNECT AS\nBEGIN\nEND^\n");
  if (dialect == 3)
    sql += QStringLiteral(
        "SET TERM ; ^\nCREATE TABLE \"MixedCase\" (A INTEGER);\nSET TERM ^ ;\n"
        "CREATE TRIGGER \"MixedCase_bi\" FOR \"MixedCase\" ACTIVE BEFORE INSERT POSITION 0 AS\nBEGIN\n  NEW.A = "
        "1;\nEND^\n");
  return sql + QStringLiteral("SET TERM ; ^\n");
}

// "type|position|relation|inactive" of a trigger as the server holds it; empty when missing.
QString Catalog(const FbDatabase &db, const QString &name) {
  return fixtures::queryValue(db, QStringLiteral("SELECT RDB$TRIGGER_TYPE || '|' || RDB$TRIGGER_SEQUENCE || '|' || "
                                                 "TRIM(COALESCE(RDB$RELATION_NAME, '')) || '|' || "
                                                 "COALESCE(RDB$TRIGGER_INACTIVE, 0) FROM RDB$TRIGGERS "
                                                 "WHERE RDB$TRIGGER_NAME = '%1'")
                                      .arg(name))
      .toString();
}

QString CatalogSource(const FbDatabase &db, const QString &name) {
  return fixtures::queryValue(db, "SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = '" + name + "'")
      .toString();
}

QStringList GridRows(TFormTriggers *form) { return fixtures::gridRows(form->TriggerGrid); }
QString RowOf(TFormTriggers *form, const QString &name) { return fixtures::gridRow(form->TriggerGrid, name); }

void Select(TFormTriggers *form, const QString &name) {
  QVERIFY2(form->TrigTable->Locate(QStringLiteral("RDB$TRIGGER_NAME"), name), qPrintable(name));
}

void ChooseRelation(TFormTriggers *form, const QString &relation) {
  const int index = form->TableCombo->findText(relation);
  QVERIFY2(index >= 0, qPrintable(relation));
  form->TableCombo->setCurrentIndex(index);
}

// Makes the editor the active window with the focus in place, as a user's click would: the
// window's shortcuts answer only there.
void Focus(TTrigSourceForm *e, QWidget *place) {
  e->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(e));
  place->setFocus();
  QTRY_VERIFY(place->hasFocus());
}

// Fills an editor as the user would type it.
void Fill(TTrigSourceForm *e, const QString &name, const QString &table, int event, int position,
          const QString &source) {
  e->TrigNameEdit->setText(name);
  e->TableNameEdit->setEditText(table);
  e->EventTypeEdit->setCurrentIndex(event);
  e->PositionEdit->setValue(position);
  e->TrigSource->setPlainText(source);
}

// With the Show-SQL switch on, runs command, answers the statement dialog with button and
// returns the statement it showed ("<no statement>" when none showed).
QString ShownStatement(const std::function<void()> &command, const QString &button = QStringLiteral("Cancel")) {
  auto shown = std::make_shared<QString>();
  const ModalSeenPtr seen = answerModalDuring(Press(button,
                                                    [shown](QWidget *box) {
                                                      if (auto *dlg = qobject_cast<TSQLSourceForm *>(box))
                                                        *shown = dlg->SourceMemo->toPlainText();
                                                    }),
                                              command);
  return seen->Shown ? *shown : QStringLiteral("<no statement>");
}

}  // namespace

class TestTriggers : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> FHome;
  QList<QPointer<QWidget>> FOpened;

  FbDatabase Connect(int dialect, Access access = Access::Embedded) {
    const FbDatabase db = fixtures::createDatabase(dialect, Content::Known, access, ExtraSql(dialect));
    fixtures::connectDataModule(db);
    return db;
  }

  // A dialect-3 database the tests share that change nothing another one looks at (a new trigger
  // on T_DETAIL).
  FbDatabase FShared;
  const FbDatabase &ConnectShared() {
    if (FShared.file.isEmpty()) FShared = fixtures::createDatabase(3, Content::Known, Access::Embedded, ExtraSql(3));
    fixtures::connectDataModule(FShared);
    return FShared;
  }

  // Dialect-3 databases of odd names and names with a leading blank, one per slot, made once.
  FbDatabase FBlankLed, FBlankLedNew;
  static const FbDatabase &ConnectBlankLed(FbDatabase &slot) {
    if (slot.file.isEmpty())
      slot =
          fixtures::createDatabase(3, Content::OddNames, Access::Embedded, QString::fromUtf8(fixtures::kBlankLedNames));
    fixtures::connectDataModule(slot);
    return slot;
  }

  TFormTriggers *OpenList() {
    auto *form = new TFormTriggers();
    FOpened << form;
    return form;
  }

  // Editors: cleanup closes every one that is showing.
  static TTrigSourceForm *OpenSource(TFormTriggers *list, const QString &name) {
    Select(list, name);
    return list->SrcBtnClick();
  }

  static TTrigSourceForm *NewEditor() {
    auto *editor = new TTrigSourceForm();
    editor->ShowEditor();
    return editor;
  }

private slots:
  void initTestCase() { FHome = fixtures::startDataModule(kTitle); }

  void cleanup() {
    for (TTrigSourceForm *e : fixtures::visibleWindows<TTrigSourceForm>())
      FOpened << e;
    fixtures::closeWindowsAndDisconnect(FOpened);
  }

  void cleanupTestCase() {
    delete DMSys;
    DMSys = nullptr;
  }

  void listShowsUserTriggersByRelation_data() {
    QTest::addColumn<int>("dialect");
    QTest::newRow("dialect 1") << 1;
    QTest::newRow("dialect 3") << 3;
  }
  void listShowsUserTriggersByRelation() {
    QFETCH(int, dialect);
    dialect == 3 ? ConnectShared() : Connect(1);
    TFormTriggers *list = OpenList();
    QCOMPARE(list->RelationLabel->text(), QStringLiteral("Relation"));
    QVERIFY(!list->TableCombo->isEditable());
    QCOMPARE(list->SelectedRelation, QStringLiteral("<All relations>"));
    QStringList relations{"<All relations>", "T_CHECKED", "T_DETAIL", "T_LOG", "T_MASTER", "T_NONE", "V_MASTER_DETAIL"};
    if (dialect == 3) relations.insert(1, "MixedCase");
    QCOMPARE(list->TableCombo->count(), relations.size());
    for (int i = 0; i < relations.size(); ++i)
      QCOMPARE(list->TableCombo->itemText(i), relations[i]);
    const QStringList all = GridRows(list);

    for (const QString row : {"T_MASTER_BI20|T_MASTER|20|BEFORE INSERT|(MEMO)|(Memo)|ACTIVE",
                              "T_DETAIL_BI|T_DETAIL|5|BEFORE INSERT|(MEMO)|(Memo)|INACTIVE",
                              "T_MASTER_AD|T_MASTER|0|AFTER DELETE|(MEMO)|(Memo)|ACTIVE",
                              "T_LOG_BIU|T_LOG|3|BEFORE INSERT OR UPDATE|(MEMO)|(Memo)|ACTIVE",
                              "ON_CONNECT_NOOP||0|ON CONNECT|(MEMO)|(Memo)|ACTIVE"})
      QCOMPARE(RowOf(list, row.section('|', 0, 0)), row);

    const struct {
      const char *relation;
      int rows;
    } cases[] = {
        {"T_MASTER", 7}, {"V_MASTER_DETAIL", 1}, {"T_NONE", 0}, {"T_LOG", 2}, {"<All relations>", int(all.size())}};
    for (const auto &c : cases) {
      ChooseRelation(list, QString::fromLatin1(c.relation));
      QCOMPARE(list->SelectedRelation, QString::fromLatin1(c.relation));
      const QStringList rows = GridRows(list);
      QCOMPARE(rows.size(), c.rows);
      if (c.rows != all.size())
        for (const QString &row : rows)
          QCOMPARE(row.section(QLatin1Char('|'), 1, 1), QString::fromLatin1(c.relation));
    }
  }

  // The two statements of the editor, exactly as sent, and the trigger the server then holds.
  void newAndUpdateStatementsExecuted_data() { fixtures::addPlaceRows(false); }
  void newAndUpdateStatementsExecuted() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(dialect, tcp ? Access::Tcp : Access::Embedded);
    AutoCommit = true;
    TTrigSourceForm *e = NewEditor();
    Fill(e, "T1", "T_LOG", 0, 0, "AS\nBEGIN\nEND");
    QCOMPARE(e->NewStatementLines().Text(),
             QStringLiteral(
                 "CREATE TRIGGER T1\r\nFOR T_LOG ACTIVE\r\nBEFORE INSERT\r\nPOSITION 0\r\nAS\r\nBEGIN\r\nEND\r\n"));
    QCOMPARE(e->UpdateStatementLines().Text(),
             QStringLiteral("ALTER TRIGGER T1\r\nBEFORE INSERT\r\nAS\r\nBEGIN\r\nEND\r\n"));
    QTest::keyClick(e->TrigSource, Qt::Key_F9, Qt::ControlModifier);
    QCOMPARE(Catalog(db, "T1"), QStringLiteral("1|0|T_LOG|0"));
    QCOMPARE(CatalogSource(db, "T1").trimmed(), QStringLiteral("AS\r\nBEGIN\r\nEND"));
    QVERIFY(!DMSys->IBDataBase->InTransaction());

    // Update takes the event, the changed position and the body; no ALTER moves a trigger to
    // another table, so it keeps T_LOG.
    Fill(e, "T1", "T_MASTER", 3, 9, "AS\nBEGIN\n  /* changed */\nEND");
    QCOMPARE(e->UpdateStatementLines().Lines().mid(0, 3),
             QStringList({"ALTER TRIGGER T1", "AFTER UPDATE", "POSITION 9"}));
    Focus(e, e->TrigNameEdit);
    QTest::keyClick(e->TrigNameEdit, Qt::Key_F9);
    QCOMPARE(Catalog(db, "T1"), QStringLiteral("4|9|T_LOG|0"));
    QCOMPARE(e->UpdateStatementLines().Lines().mid(0, 3), QStringList({"ALTER TRIGGER T1", "AFTER UPDATE", "AS"}));
    QCOMPARE(CatalogSource(db, "T1").trimmed(), QStringLiteral("AS\r\nBEGIN\r\n  /* changed */\r\nEND"));

    // A refused New: the server's message, and the editor keeps every field.
    ModalSeenPtr error = answerNextModal(QStringLiteral("OK"));
    QTest::keyClick(e->TrigSource, Qt::Key_F9, Qt::ControlModifier);
    QTRY_VERIFY(error->Shown);
    QCOMPARE(error->Icon, QMessageBox::Critical);
    QVERIFY2(error->Text.contains(QLatin1String("T1")), qPrintable(error->Text));
    QCOMPARE(e->TableNameEdit->currentText(), QStringLiteral("T_MASTER"));
    QCOMPARE(e->PositionEdit->value(), 9);
    // No event and a position that is no number: an empty event line and POSITION 0.
    e->EventTypeEdit->setCurrentIndex(-1);
    e->PositionEdit->findChild<QLineEdit *>()->clear();
    QCOMPARE(e->NewStatementLines().Lines().mid(2, 2), QStringList({"", "POSITION 0"}));
  }

  // The editor: its limits and menus; F9 updates and Ctrl+F9 creates wherever the focus is in it,
  // also with the menu merged into a main window, and only in the editor that has the focus; the
  // caption follows the name as typed, the caret indicator keys and mouse clicks; with Show SQL
  // on, the statement shows first and Cancel sends nothing. (The shared database: the new trigger
  // goes on T_DETAIL, whose triggers no other test counts.)
  void editor() {
    const FbDatabase &db = ConnectShared();
    AutoCommit = true;
    QMainWindow main;
    auto *area = new QMdiArea(&main);
    main.setCentralWidget(area);
    SetChildArea(area);
    main.resize(1000, 700);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    TTrigSourceForm *other = NewEditor();
    TTrigSourceForm *e = NewEditor();
    SetChildArea(nullptr);
    main.menuBar()->addMenu(e->MnDDL);  // as the main window merges the active child's menu
    QCOMPARE(e->windowTitle(), QStringLiteral("Trigger Source Editor"));
    QCOMPARE(e->PositionEdit->maximum(), 32767);
    QCOMPARE(e->TableNameEdit->count(), 7);

    QCOMPARE(e->MnDDL->title(), QStringLiteral("&Trigger"));
    QCOMPARE(e->MnDDL->menuAction()->statusTip(), QStringLiteral("DDL statements menu"));
    QCOMPARE(fixtures::menuItems(e->MnDDL),
             QStringList({"&New|Ctrl+F9|Create specific trigger|on", "&Update|F9|Run DDL statement|on",
                          "&Load from File|F3|Load DDL statement from File|on",
                          "Save to &File|Ctrl+S|Save active DDL statement to file|on",
                          "Show S&QL||Check this menu if you want to see DDL statement before execution|on", "-",
                          "&Insert statement wizard..||Creates insert statement using drag and drop tech.|off",
                          "&Update statement wizard...||Create update statement using visual tools|off"}));
    QVERIFY(e->MnShowSQL->isCheckable() && !e->MnShowSQL->isChecked());
    QCOMPARE(
        fixtures::menuItems(e->PopupMenu1),
        QStringList(
            {"&Cut|Ctrl+Del|Cut to clipboard|on", "C&opy|Ctrl+Ins|Copy to clipboard|on",
             "&Paste|Shift+Ins|Paste from clipboard|on", "-", "&New|Ctrl+F9|Creates trigger from this source|on",
             "&Update|F9|Updates existing trigger source|on", "-", "&Load from File|F3|Load DDL statement from File|on",
             "Save to &File|Ctrl+S|Save active DDL statement to file|on", "-",
             "&Insert statement wizard..||Creates insert statement using drag and drop tech.|off",
             "&Update statement wizard...||Create update statement using visual tools|off"}));

    e->TrigNameEdit->setFocus();
    QTest::keyClicks(e->TrigNameEdit, QStringLiteral("T1"));
    QCOMPARE(e->windowTitle(), QStringLiteral("Trigger -T1"));
    e->TrigNameEdit->clear();
    QCOMPARE(e->windowTitle(), QStringLiteral("Trigger -"));
    e->TrigSource->setPlainText(QStringLiteral("AS\nBEGIN\n  NEW.ID = 1;\nEND"));
    e->TrigSource->setFocus();
    e->TrigSource->SendScintilla(QsciScintilla::SCI_DOCUMENTSTART);
    QTest::keyRelease(e->TrigSource, Qt::Key_Shift);
    QCOMPARE(e->PosIndic->text(), QStringLiteral(" Line : 1 | Column: 0 | Row relative to DDL: 3"));
    e->TrigSource->viewport()->repaint();  // where the text stands is known once it has painted
    const long at = e->TrigSource->positionFromLineIndex(2, 6);
    const QPoint click(int(e->TrigSource->SendScintilla(QsciScintilla::SCI_POINTXFROMPOSITION, 0ul, at)) + 1,
                       int(e->TrigSource->SendScintilla(QsciScintilla::SCI_POINTYFROMPOSITION, 0ul, at)) + 5);
    QTest::mouseClick(e->TrigSource->viewport(), Qt::LeftButton, {}, click);
    QCOMPARE(e->PosIndic->text(), QStringLiteral(" Line : 3 | Column: 6 | Row relative to DDL: 5"));

    Fill(e, "T_KEYS", "T_LOG", 0, 0, "AS\nBEGIN\nEND");
    e->MnShowSQL->trigger();
    other->MnShowSQL->trigger();
    QVERIFY(e->MnShowSQL->isChecked());
    for (QWidget *place : {static_cast<QWidget *>(e->TrigSource), static_cast<QWidget *>(e->TrigNameEdit),
                           static_cast<QWidget *>(e->EventTypeEdit), static_cast<QWidget *>(e->PositionEdit),
                           static_cast<QWidget *>(e->TableNameEdit)}) {
      for (const bool create : {false, true}) {
        // A closed dialog leaves the focus to the window system: put it back each time.
        main.activateWindow();
        place->setFocus();
        QTRY_VERIFY(place->hasFocus());
        QWidget *target = QApplication::focusWidget();
        const QString shown =
            ShownStatement([&] { QTest::keyClick(target, Qt::Key_F9, create ? Qt::ControlModifier : Qt::NoModifier); });
        QCOMPARE(shown.section('\n', 0, 0), create ? "CREATE TRIGGER T_KEYS" : "ALTER TRIGGER T_KEYS");
      }
    }

    Fill(e, "T_SHOWN", "T_DETAIL", 1, 4, "AS\nBEGIN\nEND");
    for (const QString button : {"Cancel", "OK"}) {
      QCOMPARE(ShownStatement([&] { e->MnNew->trigger(); }, button),
               "CREATE TRIGGER T_SHOWN\nFOR T_DETAIL ACTIVE\nAFTER INSERT\nPOSITION 4\nAS\nBEGIN\nEND");
      QCOMPARE(Catalog(db, "T_SHOWN"), button == "OK" ? "2|4|T_DETAIL|0" : "");
      QVERIFY(!DMSys->IBDataBase->InTransaction());
    }
    e->MnShowSQL->trigger();
    QVERIFY(!e->MnShowSQL->isChecked());
    main.close();
  }

  // Deactivate and Activate on the current trigger,
  // one after another in one database, with the list showing one relation: off auto commit the
  // catalog keeps the trigger until Commit Work, which the list shows unasked. Each step reads "trigger: catalog before
  // commit (and "open" with the transaction) > after | relation chosen | relations listed | ACTIVE cell". (Drop: the
  // Domains suite.)
  void commandsOnCurrentTrigger_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("autoCommit");
    QTest::newRow("dialect 3, auto commit") << 3 << true;
    QTest::newRow("dialect 1, no auto commit") << 1 << false;
  }
  void commandsOnCurrentTrigger() {
    QFETCH(int, dialect);
    QFETCH(bool, autoCommit);
    const FbDatabase db = Connect(dialect);
    AutoCommit = autoCommit;
    TFormTriggers *list = OpenList();
    const struct {
      const char *button, *trigger, *before, *after, *shown;
    } steps[] = {
        {"ActivateBtn", "T_DETAIL_BI", "1|5|T_DETAIL|1", "1|5|T_DETAIL|0", "ACTIVE"},
        {"DeactivteBtn", "T_MASTER_AU", "4|0|T_MASTER|0", "4|0|T_MASTER|1", "INACTIVE"},
        {"ActivateBtn", "T_MASTER_AU", "4|0|T_MASTER|1", "4|0|T_MASTER|0", "ACTIVE"},
        {"DeactivteBtn", "T_LOG_BD", "5|0|T_LOG|1", "5|0|T_LOG|1", "INACTIVE"},  // already inactive
        {"ActivateBtn", "T_LOG_BD", "5|0|T_LOG|1", "5|0|T_LOG|0", "ACTIVE"},
    };
    QStringList done, expected;
    for (const auto &step : steps) {
      const QString relation = QString::fromLatin1(step.before).section('|', 2, 2);
      CHECKED(ChooseRelation(list, relation));
      CHECKED(Select(list, step.trigger));
      list->findChild<QToolButton *>(step.button)->click();
      const QString seen = Catalog(db, step.trigger) + (DMSys->IBDataBase->InTransaction() ? " open" : "");
      if (DMSys->IBDataBase->InTransaction()) DMSys->IBDataBase->Commit();  // the list reads itself again
      QStringList relations;
      for (const QString &row : GridRows(list))
        relations << row.section('|', 1, 1);
      relations.removeDuplicates();
      done << QStringLiteral("%1 %2: %3 > %4 | %5 | %6 | %7")
                  .arg(step.button, step.trigger, seen, Catalog(db, step.trigger), list->TableCombo->currentText(),
                       relations.join(','), RowOf(list, step.trigger).section('|', 6, 6));
      expected << QStringLiteral("%1 %2: %3 > %4 | %5 | %5 | %6")
                      .arg(step.button, step.trigger, autoCommit ? step.after : step.before + QString(" open"),
                           step.after, relation, step.shown);
    }
    QCOMPARE(done, expected);
  }

  // The editor the list opens, and in dialect 3 the names the server keeps in quotes: opened,
  // updated and deactivated with their quotes (dropped: the Domains suite).
  void openSourceFillsIndependentEditors_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("tcp");
    QTest::newRow("dialect 1, embedded") << 1 << false;
    QTest::newRow("dialect 3, embedded") << 3 << false;
    QTest::newRow("dialect 3, tcp") << 3 << true;
  }
  void openSourceFillsIndependentEditors() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(dialect, tcp ? Access::Tcp : Access::Embedded);
    AutoCommit = true;
    TFormTriggers *list = OpenList();
    QVERIFY(QTest::qWaitForWindowExposed(list));

    // A double click opens the current trigger: position 20 stays 20.
    Select(list, "T_MASTER_BI20");
    const QModelIndex cell = list->TriggerGrid->model()->index(list->TrigTable->RecNo(), 0);
    list->TriggerGrid->scrollTo(cell);
    QTest::mouseDClick(list->TriggerGrid->viewport(), Qt::LeftButton, {}, list->TriggerGrid->visualRect(cell).center());
    QCOMPARE(fixtures::visibleWindows<TTrigSourceForm>().size(), 1);
    TTrigSourceForm *e = fixtures::visibleWindows<TTrigSourceForm>().first();
    QCOMPARE(e->windowTitle(), QStringLiteral("Trigger -T_MASTER_BI20"));
    QCOMPARE(e->EventTypeEdit->currentText(), QStringLiteral("BEFORE INSERT"));
    QCOMPARE(e->PositionEdit->value(), 20);
    QCOMPARE(e->TableNameEdit->currentText(), QStringLiteral("T_MASTER"));
    QString source = CatalogSource(db, "T_MASTER_BI20");
    source.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QCOMPARE(e->TrigSource->toPlainText(), source.trimmed());

    // Dropped from the list (once the user says yes) and created again from the editor, at the
    // same place.
    ModalSeenPtr asked = answerNextModal(QStringLiteral("&Yes"));
    list->DropBtn->click();
    QCOMPARE(asked->Text, QStringLiteral("Drop trigger T_MASTER_BI20?"));
    QCOMPARE(asked->Buttons, QStringList({"&Yes", "&No"}));
    QVERIFY(Catalog(db, "T_MASTER_BI20").isEmpty());
    QVERIFY(RowOf(list, "T_MASTER_BI20").isEmpty());
    Focus(e, e->TrigSource);
    QTest::keyClick(e->TrigSource, Qt::Key_F9, Qt::ControlModifier);
    QCOMPARE(Catalog(db, "T_MASTER_BI20"), QStringLiteral("1|20|T_MASTER|0"));
    // The list has read itself again.
    QCOMPARE(RowOf(list, "T_MASTER_BI20").section(QLatin1Char('|'), 2, 2), QStringLiteral("20"));

    // A two-event trigger opens on its events; Update keeps its type and takes the body.
    TTrigSourceForm *multi = OpenSource(list, "T_LOG_BIU");
    QCOMPARE(multi->EventTypeEdit->currentText(), "BEFORE INSERT OR UPDATE");
    multi->TrigSource->setPlainText(QStringLiteral("AS\nBEGIN\n  /* kept */\nEND"));
    Focus(multi, multi->TrigNameEdit);
    QTest::keyClick(multi->TrigNameEdit, Qt::Key_F9);
    QCOMPARE(Catalog(db, "T_LOG_BIU"), QStringLiteral("17|3|T_LOG|0"));
    QVERIFY(CatalogSource(db, "T_LOG_BIU").contains(QLatin1String("/* kept */")));

    // A trigger has one editor: opening it again brings that one to the front as it was left.
    // Editors outlive the list.
    multi->TrigSource->setPlainText(QStringLiteral("AS\nBEGIN\n  /* typed */\nEND"));
    TTrigSourceForm *again = OpenSource(list, "T_LOG_BIU");
    QCOMPARE(again, multi);
    QVERIFY(multi->TrigSource->toPlainText().contains(QLatin1String("/* typed */")));
    QCOMPARE(fixtures::visibleWindows<TTrigSourceForm>().size(), 2);
    if (dialect == 3) {
      CHECKED(ChooseRelation(list, "MixedCase"));
      QCOMPARE(GridRows(list).size(), 1);
      TTrigSourceForm *quoted = OpenSource(list, "MixedCase_bi");
      QCOMPARE(quoted->TrigNameEdit->text(), QStringLiteral("\"MixedCase_bi\""));
      QCOMPARE(quoted->TableNameEdit->currentText(), QStringLiteral("\"MixedCase\""));
      quoted->TrigSource->setPlainText(QStringLiteral("AS\nBEGIN\n  NEW.A = 2;\nEND"));
      CHECKED(Focus(quoted, quoted->TrigSource));
      QTest::keyClick(quoted->TrigSource, Qt::Key_F9);
      QVERIFY(CatalogSource(db, "MixedCase_bi").contains(QLatin1String("NEW.A = 2")));
      list->DeactivateBtn->click();
      QCOMPARE(Catalog(db, "MixedCase_bi"), QStringLiteral("1|0|MixedCase|1"));
    }
    list->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(fixtures::visibleWindows<TTrigSourceForm>().size(), dialect == 3 ? 3 : 2);
  }

  // Every event is offered; a trigger opens on its own (row events together or in an order of
  // their own, a database event, DDL statements) and Update keeps it. New with a database event
  // makes a trigger of no table; the server changes no such event, and Update says so.
  void everyEventOfferedAndKept() {
    const FbDatabase db = Connect(3);
    AutoCommit = true;
    for (const char *sql : {"CREATE TRIGGER T_LOG_BUI FOR T_LOG ACTIVE BEFORE UPDATE OR INSERT AS BEGIN END",
                            "CREATE TRIGGER DDL_CT ACTIVE AFTER CREATE TABLE AS BEGIN END",
                            "CREATE TRIGGER DDL_ANY ACTIVE BEFORE ANY DDL STATEMENT AS BEGIN END",
                            "CREATE TRIGGER DDL_TWO ACTIVE AFTER CREATE EXCEPTION OR DROP MAPPING AS BEGIN END"})
      fixtures::query(db, QString::fromLatin1(sql));
    TFormTriggers *list = OpenList();
    const char *const cases[][2] = {
        {"T_LOG_BIU", "BEFORE INSERT OR UPDATE"}, {"T_LOG_BUI", "BEFORE UPDATE OR INSERT"},
        {"ON_CONNECT_NOOP", "ON CONNECT"},        {"DDL_CT", "AFTER CREATE TABLE"},
        {"DDL_ANY", "BEFORE ANY DDL STATEMENT"},  {"DDL_TWO", "AFTER CREATE EXCEPTION OR DROP MAPPING"}};
    for (const auto &c : cases) {
      const QString name = QLatin1String(c[0]), before = Catalog(db, name);
      QCOMPARE(RowOf(list, name).section(QLatin1Char('|'), 3, 3), QLatin1String(c[1]));
      TTrigSourceForm *e = OpenSource(list, name);
      QCOMPARE(e->EventTypeEdit->currentText(), QLatin1String(c[1]));
      e->TrigSource->setPlainText(QStringLiteral("AS\nBEGIN\n  /* updated */\nEND"));
      e->mnRunClick();
      QCOMPARE(Catalog(db, name), before);
      QVERIFY2(CatalogSource(db, name).contains(QLatin1String("/* updated */")), c[0]);
    }

    TTrigSourceForm *e = NewEditor();
    QCOMPARE(e->EventTypeEdit->count(), 109);
    for (const char *event : {"AFTER INSERT OR UPDATE OR DELETE", "ON TRANSACTION COMMIT", "BEFORE DROP PACKAGE BODY",
                              "AFTER ALTER CHARACTER SET"})
      QVERIFY2(e->EventTypeEdit->findText(QLatin1String(event)) >= 0, event);
    Fill(e, "ON_DISCONNECT_NEW", QString(), e->EventTypeEdit->findText("ON DISCONNECT"), 0, "AS\nBEGIN\nEND");
    e->MnNewClick();
    QCOMPARE(Catalog(db, "ON_DISCONNECT_NEW"), "8193|0||0");
    e->SetEvent(QStringLiteral("ON CONNECT"));
    QVERIFY_THROWS_EXCEPTION(Exception, e->mnRunClick());
    QCOMPARE(Catalog(db, "ON_DISCONNECT_NEW"), "8193|0||0");
  }

  // The wizards change nothing on the server (an inactive trigger stays inactive): each opens an
  // editor with a trigger for the chosen view that passes the change on to the view's tables,
  // sent when the user applies it. A table is refused with a message.
  void wizardsOnlyFillAnEditor() {
    const FbDatabase db = Connect(3);
    AutoCommit = true;
    TFormTriggers *list = OpenList();
    Select(list, "V_MASTER_DETAIL_BI");
    list->DeactivateBtn->click();
    const QString inactive = Catalog(db, "V_MASTER_DETAIL_BI");
    QCOMPARE(inactive, "1|0|V_MASTER_DETAIL|1");
    CHECKED(ChooseRelation(list, "V_MASTER_DETAIL"));
    const char *const cases[][3] = {
        {"V_MASTER_DETAIL_BI", "BEFORE INSERT",
         "AS\nBEGIN\n  INSERT INTO T_MASTER (ID, NAME)\n    VALUES (NEW.ID, NEW.NAME);\n"
         "  INSERT INTO T_DETAIL (LINE_NO, DESCRIPTION)\n    VALUES (NEW.LINE_NO, NEW.DESCRIPTION);\nEND"},
        {"V_MASTER_DETAIL_BU", "BEFORE UPDATE",
         "AS\nBEGIN\n  UPDATE T_MASTER SET ID = NEW.ID, NAME = NEW.NAME\n    WHERE ID = OLD.ID;\n"
         "  UPDATE T_DETAIL SET LINE_NO = NEW.LINE_NO, DESCRIPTION = NEW.DESCRIPTION\n    WHERE LINE_NO IS NOT "
         "DISTINCT FROM OLD.LINE_NO AND DESCRIPTION IS NOT DISTINCT FROM OLD.DESCRIPTION;\nEND"},
        {"V_MASTER_DETAIL_BD", "BEFORE DELETE",
         "AS\nBEGIN\n  DELETE FROM T_MASTER\n    WHERE ID = OLD.ID;\n  DELETE FROM T_DETAIL\n    WHERE LINE_NO IS "
         "NOT DISTINCT FROM OLD.LINE_NO AND DESCRIPTION IS NOT DISTINCT FROM OLD.DESCRIPTION;\nEND"}};
    const QList<QToolButton *> buttons{list->InsWiz, list->UpdWiz, list->DelWiz};
    TTrigSourceForm *update = nullptr;
    for (int i = 0; i < 3; ++i) {
      QVERIFY(buttons[i]->isEnabled());
      const QList<TTrigSourceForm *> before = fixtures::visibleWindows<TTrigSourceForm>();
      buttons[i]->click();
      QList<TTrigSourceForm *> opened = fixtures::visibleWindows<TTrigSourceForm>();
      opened.removeIf([&](TTrigSourceForm *f) { return before.contains(f); });
      QCOMPARE(opened.size(), 1);
      TTrigSourceForm *e = opened.first();
      QCOMPARE((QStringList{e->TrigNameEdit->text(), e->EventTypeEdit->currentText(), e->TableNameEdit->currentText(),
                            e->TrigSource->toPlainText()}),
               (QStringList{cases[i][0], cases[i][1], "V_MASTER_DETAIL", cases[i][2]}));
      if (i == 1) update = e;
    }
    QCOMPARE(Catalog(db, "V_MASTER_DETAIL_BI"), inactive);
    QVERIFY(Catalog(db, "V_MASTER_DETAIL_BU").isEmpty());

    update->MnNewClick();
    QCOMPARE(Catalog(db, "V_MASTER_DETAIL_BU"), "3|0|V_MASTER_DETAIL|0");
    fixtures::query(db, QStringLiteral("UPDATE V_MASTER_DETAIL SET NAME = 'through the view' WHERE ID = 1"));
    QCOMPARE(fixtures::queryValue(db, QStringLiteral("SELECT NAME FROM T_MASTER WHERE ID = 1")).toString(),
             "through the view");

    CHECKED(ChooseRelation(list, "T_LOG"));
    auto refused = answerModalDuring(Press(QStringLiteral("OK")), [&] { list->InsWiz->click(); });
    QCOMPARE(refused->Text, "T_LOG is a table: the wizards write triggers for views.");
  }

  // Coming back to the list reads nothing (that cost seconds on a large catalog); Refresh reads
  // what another attachment changed, staying on the current trigger.
  void refreshReadsActivationDoesNot() {
    const FbDatabase &db = ConnectShared();
    TFormTriggers *list = OpenList();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    Select(list, "T_MASTER_BU");
    fixtures::query(db, QStringLiteral("CREATE TRIGGER T_ELSEWHERE FOR T_LOG BEFORE INSERT AS BEGIN END"));
    auto *other = new QWidget;
    other->show();
    other->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(other));
    list->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(list));
    delete other;
    QVERIFY(RowOf(list, "T_ELSEWHERE").isEmpty());
    QCOMPARE(QStringList({list->RefreshBtn->text(), list->RefreshBtn->statusTip()}),
             QStringList({"&Refresh", "Refresh trigger list"}));
    list->RefreshBtn->click();
    QVERIFY(!RowOf(list, "T_ELSEWHERE").isEmpty());
    QCOMPARE(list->TrigTable->Name(), QStringLiteral("T_MASTER_BU"));
    fixtures::query(db, QStringLiteral("DROP TRIGGER T_ELSEWHERE"));
  }

  // A relation whose name starts with a blank shows its own triggers only.
  void relationNameKeepsLeadingBlank() {
    ConnectBlankLed(FBlankLed);
    TFormTriggers *list = OpenList();
    const struct { const char *relation, *trigger; } cases[] = {{" LEAD", " LEAD_BI"}, {"LEAD", "LEAD_BIUD"}};
    for (const auto &c : cases) {
      CHECKED(ChooseRelation(list, c.relation));
      QStringList names;
      for (const QString &row : GridRows(list))
        names << row.section(QLatin1Char('|'), 0, 1);
      QCOMPARE(names, QStringList(QStringLiteral("%1|%2").arg(c.trigger, c.relation)));
    }
  }

  // The event text of a trigger on all three row events shows whole.
  void multiEventTypeShownWhole() {
    ConnectBlankLed(FBlankLed);
    TFormTriggers *list = OpenList();
    QCOMPARE(RowOf(list, "LEAD_BIUD").section(QLatin1Char('|'), 3, 3),
             QStringLiteral("BEFORE INSERT OR UPDATE OR DELETE"));
  }

  // New on a table picked from the editor's list: a catalog name, quoted as it needs; a name
  // typed by hand goes as typed.
  void newTriggerOnPickedOrTypedTable_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("picked");
    QTest::addColumn<QString>("relation");  // where the server put the trigger
    QTest::newRow("picked, quotes inside") << "odd \"q\" table" << true << "odd \"q\" table";
    QTest::newRow("picked, leading blank") << " LEAD" << true << " LEAD";
    QTest::newRow("picked, regular") << "LEAD" << true << "LEAD";
    QTest::newRow("typed, lower case") << "lead" << false << "LEAD";
    QTest::newRow("typed, quoted") << "\"loose \"\"t\"\"\"" << false << "loose \"t\"";
  }
  void newTriggerOnPickedOrTypedTable() {
    QFETCH(QString, table);
    QFETCH(bool, picked);
    QFETCH(QString, relation);
    const FbDatabase &db = ConnectBlankLed(FBlankLedNew);
    AutoCommit = true;
    const QString name = QStringLiteral("T_ON_%1").arg(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
    TTrigSourceForm *e = NewEditor();
    Fill(e, name, picked ? QString() : table, 0, 0, "AS\nBEGIN\nEND");
    if (picked) {
      const int i = e->TableNameEdit->findText(table, Qt::MatchFixedString | Qt::MatchCaseSensitive);
      QVERIFY(i >= 0);
      e->TableNameEdit->setCurrentIndex(i);
    }
    e->MnNew->trigger();
    QCOMPARE(fixtures::queryValue(
                 db, "SELECT RDB$RELATION_NAME FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = '" + name.toUpper() + "'")
                 .toString(),
             relation);
  }

  // A name has at most 31 characters of its own, its quotes aside (a doubled quote is one): a
  // longer one is refused whole, never cut.
  void triggerNameLimitCountsTheNameItself_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("created");  // the catalog name; empty when refused
    const QString quoted31 = QString(31, u'q');
    const QString doubled31 = QString(30, u'd') + u'"';
    QTest::newRow("31, quoted") << "\"" + quoted31 + "\"" << quoted31;
    QTest::newRow("31 with a doubled quote") << "\"" + QString(30, u'd') + "\"\"\"" << doubled31;
    QTest::newRow("31, plain") << QString(31, u'P') << QString(31, u'P');
    QTest::newRow("32, quoted") << "\"" + QString(32, u'r') + "\"" << QString();
    QTest::newRow("41, plain") << QString(41, u'L') << QString();
  }
  void triggerNameLimitCountsTheNameItself() {
    QFETCH(QString, typed);
    QFETCH(QString, created);
    const FbDatabase &db = ConnectShared();
    AutoCommit = true;
    const auto count = [&] {
      return fixtures::queryValue(db, "SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$RELATION_NAME = 'T_DETAIL'").toInt();
    };
    const int before = count();
    TTrigSourceForm *e = NewEditor();
    Fill(e, typed, "T_DETAIL", 0, 0, "AS\nBEGIN\nEND");
    const ModalSeenPtr error = answerModalDuring(Press(QStringLiteral("OK")), [&] { e->MnNew->trigger(); });
    QCOMPARE(e->TrigNameEdit->text(), typed);
    if (created.isEmpty()) {
      QVERIFY(error->Shown);
      QCOMPARE(error->Text, QStringLiteral("The trigger name %1 is longer than 31 characters.").arg(typed));
      QCOMPARE(count(), before);
    } else {
      QVERIFY2(!error->Shown, qPrintable(error->Text));
      QCOMPARE(Catalog(db, QString(created).replace("'", "''")), QStringLiteral("1|0|T_DETAIL|0"));
    }
  }

  // Closing an editor whose fields changed since it was opened or last applied asks first:
  // Yes applies (Update, or New for a trigger it did not open), and a failed apply keeps it
  // open; No discards; Cancel keeps it open.
  void closeAsksToApplyChanges_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("catalog");  // the trigger afterwards, and whether its body changed
    QTest::newRow("unchanged") << "none" << QStringList() << true << "1|20|T_MASTER|0 kept";
    QTest::newRow("applied") << "applied" << QStringList() << true << "1|20|T_MASTER|0 changed";
    QTest::newRow("body, No") << "body" << QStringList{"&No"} << true << "1|20|T_MASTER|0 kept";
    QTest::newRow("body, Cancel") << "body" << QStringList{"Cancel"} << false << "1|20|T_MASTER|0 kept";
    QTest::newRow("body, Yes") << "body" << QStringList{"&Yes"} << true << "1|20|T_MASTER|0 changed";
    QTest::newRow("position, Yes") << "position" << QStringList{"&Yes"} << true << "1|21|T_MASTER|0 kept";
    QTest::newRow("event, Yes") << "event" << QStringList{"&Yes"} << true << "3|20|T_MASTER|0 kept";
    QTest::newRow("name, Yes fails") << "name" << QStringList{"&Yes", "OK"} << false << "1|20|T_MASTER|0 kept";
    QTest::newRow("new trigger, Yes") << "new" << QStringList{"&Yes"} << true << "1|3|T_DETAIL|0 kept";
  }
  void closeAsksToApplyChanges() {
    QFETCH(QString, change);
    QFETCH(QStringList, answers);
    QFETCH(bool, closed);
    QFETCH(QString, catalog);
    const FbDatabase db = Connect(3);
    AutoCommit = true;
    const bool fresh = change == QLatin1String("new");
    const QString trigger = fresh ? QStringLiteral("T_NEW") : QStringLiteral("T_MASTER_BI20");
    TTrigSourceForm *e = fresh ? NewEditor() : OpenSource(OpenList(), trigger);
    const QString changedBody = QStringLiteral("AS\nBEGIN\n  /* changed */\nEND");
    if (fresh) Fill(e, trigger, "T_DETAIL", 0, 3, "AS\nBEGIN\nEND");
    if (change == QLatin1String("body") || change == QLatin1String("applied")) e->TrigSource->setPlainText(changedBody);
    if (change == QLatin1String("applied")) e->mnRun->trigger();
    if (change == QLatin1String("position")) e->PositionEdit->setValue(21);
    if (change == QLatin1String("event")) e->EventTypeEdit->setCurrentIndex(2);
    if (change == QLatin1String("name")) e->TrigNameEdit->setText(QStringLiteral("NO_SUCH"));

    QList<ModalAnswer> replies;
    for (const QString &answer : answers)
      replies << Press(answer);
    const QString named = e->TrigNameEdit->text();
    BoxSequence boxes(replies);
    QCOMPARE(e->close(), closed);
    QCOMPARE(boxes.Count(), answers.size());
    if (!answers.isEmpty()) {
      QCOMPARE(boxes[0].Text, QStringLiteral("Apply the changes to trigger %1?").arg(named));
      QCOMPARE(boxes[0].Buttons, QStringList({"&Yes", "&No", "Cancel"}));
    }
    if (answers.size() > 1) QCOMPARE(boxes[1].Icon, QMessageBox::Critical);
    const bool changed = CatalogSource(db, trigger).contains(QLatin1String("changed"));
    QCOMPARE(Catalog(db, trigger) + (changed ? " changed" : " kept"), catalog);
  }

  void addToRepositoryThenPickIntoDdlWindow() {
    const FbDatabase &db = ConnectShared();
    TFormTriggers *list = OpenList();
    Select(list, "T_MASTER_BU");
    ModalSeenPtr name = typeIntoNextInputBox(QStringLiteral("master update"));
    list->AddBtn->click();
    QVERIFY(name->Shown);
    // The stored source only, each line followed by CR LF.
    QString source = CatalogSource(db, "T_MASTER_BU");
    const QString stored = TStringList(TStringList::SplitLines(source)).Text();
    QCOMPARE(fixtures::repositoryEntries().value(QStringLiteral("master update")), stored);

    TSQLExprForm *ddl = CreateSQLExprForm();
    FOpened << ddl;
    ModalAnswer pick;
    pick.ButtonText = QStringLiteral("OK");
    pick.Check = [](QWidget *box) {
      if (auto *grid = box->findChild<TDBGrid *>())
        grid->DataSet()->Locate(QStringLiteral("OBJECT NAME"), QStringLiteral("master update"));
    };
    ModalSeenPtr picked = answerNextModal(pick);
    ddl->Select1->trigger();
    QVERIFY(picked->Shown);
    QCOMPARE(EditorText(ddl->ExecSql), stored);
  }
};

TESSELOR_TEST_MAIN(TestTriggers)
#include "test_triggers.moc"

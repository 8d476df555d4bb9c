// The Procedures, Views and Indices windows on real databases (their lists, drops and quoting
// over every dialect and connection: the objects suite): a procedure written, changed, executed
// and dropped through the windows with isql-fb agreeing at each step; a view's source, columns
// and dependencies both ways, and the DDL its Edit opens; the indices by table with their
// state, statistics and the drop a constraint's index refuses.
#include "app/datamodule.h"
#include "data/dataset.h"
#include "firebird/indices.h"
#include "firebird/procedures.h"
#include "firebird/session.h"
#include "firebird/views.h"
#include "tests/fixtures/catalogwindows.h"
#include "tests/fixtures/grid.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dbgrid.h"
#include "ui/editorlines.h"
#include "ui/resultspane.h"
#include "windows/catalog/indices.h"
#include "windows/catalog/procedureeditor.h"
#include "windows/catalog/procedurerun.h"
#include "windows/catalog/procedures.h"
#include "windows/catalog/views.h"
#include "windows/dataview/tabledata.h"
#include "windows/editing/ddlwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using fixtures::Access;
using fixtures::Content;
using fixtures::FbDatabase;

namespace {
const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");

// The text of the DDL window the last command opened, closed afterwards.
QString ShownDDL() {
  const QList<TSQLExprForm *> shown = fixtures::visibleWindows<TSQLExprForm>();
  if (shown.isEmpty()) return QStringLiteral("<no DDL window>");
  const QString text = EditorText(shown.last()->ExecSql).replace("\r\n", "\n");
  fixtures::closeDiscarding(shown.last());
  return text;
}

// Executes the current procedure, filling its inputs (null: NULL), and returns its result rows.
QStringList Execute(TProceduresForm *list, const QVariantList &inputs) {
  TProcResultForm *result = nullptr;
  answerModalDuring(Press("OK",
                          [&](QWidget *box) {
                            auto *dialog = qobject_cast<TProcParamsDialog *>(box);
                            for (int i = 0; dialog && i < inputs.size(); ++i) {
                              dialog->Nulls[i]->setChecked(inputs[i].isNull());
                              dialog->Edits[i]->setText(inputs[i].toString());
                            }
                          }),
                    [&] { result = RunProcedure(list->ProcList->Name(), list->ProcList->Selectable()); });
  if (!result) return {QStringLiteral("<no result>")};
  if (!QTest::qWaitFor([&] { return !result->Results->Running(); }, 10000)) return {QStringLiteral("<running>")};
  const QAbstractItemModel *m = result->Results->Grid->model();
  QStringList rows;
  for (int r = 0; r < m->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < m->columnCount(); ++c)
      cells << m->data(m->index(r, c)).toString();
    rows << cells.join('|');
  }
  result->close();
  return rows;
}
}  // namespace

class TestObjectWindows : public QObject {
  Q_OBJECT
  std::unique_ptr<fixtures::TempHome> FHome;
  QList<QPointer<QWidget>> FOpened;

  template <class T>
  T *Open() {
    auto *form = new T();
    FOpened << form;
    return form;
  }

private slots:
  void initTestCase() { FHome = fixtures::startDataModule(kTitle); }
  void cleanup() {
    for (QWidget *w : fixtures::visibleWindows<TChildForm>())
      FOpened << w;
    fixtures::closeWindowsAndDisconnect(FOpened);
  }
  void cleanupTestCase() {
    delete DMSys;
    DMSys = nullptr;
  }

  // Written in a new editor and applied with F9, the procedure is listed; opened again, its
  // parameters come back as declared, one more input is added and F9 alters it. Executed with
  // a NULL and with a non-ASCII text it returns what isql-fb gets; dropped once the user
  // agrees. isql-fb sees each step.
  void procedureLifeThroughTheWindows() {
    REQUIRE_SERVER();
    const FbDatabase db = fixtures::createDatabase(3, Content::Known, Access::Tcp, QString(), "UTF8");
    fixtures::connectDataModule(db);
    AutoCommit = true;
    TProceduresForm *list = Open<TProceduresForm>();
    QVERIFY(!list->ExecBtn->isEnabled());  // nothing to execute yet

    TProcSourceForm *editor = list->NewBtnClick();
    editor->ProcNameEdit->setText("P_GREET");
    editor->InputsEdit->setPlainText("WHO VARCHAR(20)");
    editor->OutputsEdit->setPlainText("MSG VARCHAR(60)");
    SetEditorText(editor->ProcSource, "BEGIN\n  MSG = COALESCE(WHO, 'nobody') || '!';\n  SUSPEND;\nEND");
    editor->activateWindow();
    editor->ProcSource->setFocus();
    QTest::keyClick(editor->ProcSource, Qt::Key_F9);
    QCOMPARE(fixtures::isqlValues(db, "SELECT MSG FROM P_GREET('x')"), QStringList{"x!"});
    QCOMPARE(fixtures::gridRow(list->FGrid, "P_GREET").section('|', 0, 3), "P_GREET|1|1|SELECTABLE");
    editor->close();
    QVERIFY(!editor->isVisible());  // applied: no question

    QVERIFY(list->ProcList->Locate("RDB$PROCEDURE_NAME", "P_GREET"));
    editor = list->EditBtnClick();
    QCOMPARE(editor->ProcNameEdit->text(), "P_GREET");
    QCOMPARE(editor->InputsEdit->toPlainText(), "WHO VARCHAR(20)");
    QCOMPARE(editor->OutputsEdit->toPlainText(), "MSG VARCHAR(60)");
    editor->InputsEdit->setPlainText("WHO VARCHAR(20),\nTIMES INTEGER = 1");
    SetEditorText(editor->ProcSource, "BEGIN\n  MSG = COALESCE(WHO, 'nobody') || COALESCE(TIMES, 0);\n  SUSPEND;\nEND");
    QVERIFY(
        editor->StatementText().startsWith("CREATE OR ALTER PROCEDURE P_GREET (\n  WHO VARCHAR(20),\n  TIMES "
                                           "INTEGER = 1)\nRETURNS (\n  MSG VARCHAR(60))\nAS\nBEGIN"));
    editor->MnApply->trigger();
    QCOMPARE(fixtures::isqlValues(db, "SELECT MSG FROM P_GREET('a')"), QStringList{"a1"});
    QCOMPARE(fixtures::gridRow(list->FGrid, "P_GREET").section('|', 0, 2), "P_GREET|2|1");
    editor->close();

    QVERIFY(list->ProcList->Locate("RDB$PROCEDURE_NAME", "P_GREET"));
    QCOMPARE(Execute(list, {QVariant(), 2}), QStringList{"nobody2"});
    const QString greeting = QStringLiteral("Grüße, Ωμέγα");
    QCOMPARE(Execute(list, {greeting, QVariant()}), QStringList{greeting + "0"});
    QCOMPARE(fixtures::query(db, "SELECT MSG FROM P_GREET('" + greeting + "', NULL)").value(0).value(0).toString(),
             greeting + "0");
    QCOMPARE(fixtures::isqlValues(db, "SELECT MSG FROM P_GREET(NULL, 2)"), QStringList{"nobody2"});
    // An executable procedure's one row.
    FbSession()->Execute("CREATE PROCEDURE P_TWICE (A INTEGER) RETURNS (B INTEGER) AS BEGIN B = A * 2; END");
    QVERIFY(list->ProcList->Locate("RDB$PROCEDURE_NAME", "P_TWICE") && !list->ProcList->Selectable());
    QCOMPARE(Execute(list, {21}), QStringList{"42"});
    QVERIFY(list->ProcList->Locate("RDB$PROCEDURE_NAME", "P_GREET"));
    // A text that is no number is refused in the dialog, not sent as 0.
    BoxSequence boxes(
        {Press("OK", [](QWidget *box) { qobject_cast<TProcParamsDialog *>(box)->Edits[1]->setText("two"); }),
         Press("OK"), Press("Cancel")});
    QVERIFY(!RunProcedure("P_GREET", true));
    QVERIFY2(boxes[1].Shown && boxes[1].Text.contains("TIMES"), qPrintable(boxes[1].Text));
    // Show DDL: the extraction's statement.
    list->DDLBtn->click();
    const QString ddl = ShownDDL();
    QVERIFY2(ddl.contains("CREATE PROCEDURE P_GREET (") && ddl.contains("TIMES INTEGER = 1"), qPrintable(ddl));

    QCOMPARE(fixtures::dropAnswering(list, "&Yes"), "Drop procedure P_GREET? (&Yes,&No)");
    QCOMPARE(fixtures::isqlValues(db, "SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'P_GREET'"),
             QStringList{"0"});
    QCOMPARE(fixtures::listedNames(list), QStringList{"P_TWICE"});
  }

  // A view's source, columns, what it reads and what reads it; Edit opens a CREATE OR ALTER
  // VIEW that the server takes back unchanged, names quoted; Data opens its rows.
  void viewDetailsAndEdit() {
    const FbDatabase db = fixtures::createDatabase(
        3, Content::Known, Access::Embedded,
        "CREATE VIEW \" Say \"\"hi\"\"\" (\"a b\", ID) AS SELECT NAME, ID FROM V_MASTER_DETAIL;\n"
        "SET TERM ^ ;\nCREATE PROCEDURE P_READS RETURNS (N INTEGER) AS BEGIN SELECT COUNT(*) FROM \" Say \"\"hi\"\"\" "
        "INTO N; END^\nSET TERM ; ^\n");
    fixtures::connectDataModule(db);
    AutoCommit = true;
    TViewsForm *views = Open<TViewsForm>();
    QCOMPARE(fixtures::listedNames(views), (QStringList{" Say \"hi\"", "V_MASTER_DETAIL"}));
    QVERIFY(views->ViewList->Locate("RDB$RELATION_NAME", " Say \"hi\""));
    QCOMPARE(EditorText(views->SourceMemo), "SELECT NAME, ID FROM V_MASTER_DETAIL");
    QCOMPARE(fixtures::gridRows(views->ColumnGrid).join(';').count("|"), 2 * 6);
    QCOMPARE(fixtures::gridRows(views->ReadsGrid).first().section('|', 0, 1), "V_MASTER_DETAIL|View");
    QVERIFY(fixtures::gridRows(views->ReadByGrid).join(';').contains("Procedure|P_READS"));

    views->EditBtn->click();
    const QString ddl = ShownDDL();
    QCOMPARE(ddl,
             "CREATE OR ALTER VIEW \" Say \"\"hi\"\"\" (\"a b\", ID)\nAS\nSELECT NAME, ID FROM V_MASTER_DETAIL;\n");
    FbSession()->Execute(ddl);
    QCOMPARE(fixtures::listedNames(views).size(), 2);

    views->DataBtn->click();
    const QList<TDataForm *> data = fixtures::visibleWindows<TDataForm>();
    QVERIFY(!data.isEmpty());
    QVERIFY(data.last()->windowTitle().contains(" Say \"hi\""));

    QVERIFY(views->ViewList->Locate("RDB$RELATION_NAME", "V_MASTER_DETAIL"));
    QCOMPARE(EditorText(views->SourceMemo).simplified(),
             "SELECT M.ID, M.NAME, D.LINE_NO, D.DESCRIPTION FROM T_MASTER M JOIN T_DETAIL D ON D.MASTER_ID = M.ID");
    // Read by the other view: dropping it is refused with the server's message.
    BoxSequence boxes({Press("&Yes"), Press("OK")});
    views->DropBtn->click();
    QVERIFY2(boxes[1].Shown && boxes[1].Text.contains("V_MASTER_DETAIL"), qPrintable(boxes[1].Text));
  }

  // By table or all, each index with its kind, segments or expression, state and statistics;
  // deactivated, activated, recomputed and dropped as the catalog then tells, the current row
  // kept; a constraint's index is not dropped, and the user is told why. Show DDL re-creates
  // the dropped index as it was.
  void indicesByTableAndCommands() {
    const FbDatabase db =
        fixtures::createDatabase(3, Content::Known, Access::Embedded,
                                 "CREATE DESCENDING INDEX \"Ix \"\"q\"\"\" ON T_LOG (EVENT, ITEM_ID);\n"
                                 "CREATE INDEX IX_UPPER ON T_LOG COMPUTED BY (UPPER(EVENT));\n"
                                 "INSERT INTO T_LOG VALUES ('a', 1);\nINSERT INTO T_LOG VALUES ('b', 2);\n");
    fixtures::connectDataModule(db);
    AutoCommit = false;
    TIndicesForm *form = Open<TIndicesForm>();
    QCOMPARE(form->TableCombo->currentText(), "<All relations>");
    QCOMPARE(fixtures::listedNames(form).size(), 4);
    form->TableCombo->setCurrentIndex(form->TableCombo->findText("T_LOG"));
    QCOMPARE(fixtures::gridRows(form->FGrid),
             (QStringList{"IX_UPPER|T_LOG||ASCENDING|COMPUTED BY (UPPER(EVENT))|ACTIVE|0|",
                          "Ix \"q\"|T_LOG||DESCENDING|EVENT, ITEM_ID|ACTIVE|0|"}));
    QVERIFY(form->IndexList->Locate("RDB$INDEX_NAME", "Ix \"q\""));
    const auto catalog = [&](const char *column) {
      return fixtures::queryValue(
          db,
          QStringLiteral("SELECT %1 FROM RDB$INDICES WHERE RDB$INDEX_NAME = 'Ix \"q\"'").arg(QLatin1String(column)));
    };
    form->DeactivateBtn->click();
    QCOMPARE(catalog("RDB$INDEX_INACTIVE").toInt(), 0);  // not committed yet
    DMSys->IBDataBase->Commit();
    QCOMPARE(catalog("RDB$INDEX_INACTIVE").toInt(), 1);
    QCOMPARE(fixtures::gridRow(form->FGrid, "Ix \"q\"").section('|', 5, 5), "INACTIVE");
    QCOMPARE(form->IndexList->Name(), "Ix \"q\"");
    form->ActivateBtn->click();
    form->StatisticsBtn->click();
    DMSys->IBDataBase->Commit();
    QCOMPARE(catalog("RDB$INDEX_INACTIVE").toInt(), 0);
    QCOMPARE(catalog("RDB$STATISTICS").toDouble(), 0.5);
    QCOMPARE(fixtures::gridRow(form->FGrid, "Ix \"q\"").section('|', 5, 6), "ACTIVE|0.5");

    form->DDLBtn->click();
    const QString ddl = ShownDDL();
    QCOMPARE(ddl, "CREATE DESCENDING INDEX \"Ix \"\"q\"\"\" ON T_LOG (EVENT, ITEM_ID);");
    QCOMPARE(fixtures::dropAnswering(form, "&Yes"), "Drop index Ix \"q\"? (&Yes,&No)");
    DMSys->IBDataBase->Commit();
    QCOMPARE(fixtures::listedNames(form), QStringList{"IX_UPPER"});
    FbSession()->Execute(ddl);
    DMSys->IBDataBase->Commit();
    QCOMPARE(fixtures::listedNames(form).size(), 2);

    form->TableCombo->setCurrentIndex(form->TableCombo->findText("T_MASTER"));
    const QString primary = form->IndexList->Name();
    QVERIFY(primary.startsWith("RDB$PRIMARY"));
    const ModalSeenPtr why = answerModalDuring(Press("OK"), [&] { form->DropBtn->click(); });
    QCOMPARE(why->Text, "Index " + primary + " belongs to the PRIMARY KEY constraint " +
                            form->IndexList->ConstraintName->AsString() +
                            " of T_MASTER: drop the constraint instead (ALTER TABLE ... DROP CONSTRAINT), and the "
                            "index goes with it.");
    QVERIFY(fixtures::listedNames(form).contains(primary));
    form->DDLBtn->click();
    QCOMPARE(ShownDDL(), "ALTER TABLE T_MASTER ADD PRIMARY KEY (ID);");
  }
};

TESSELOR_TEST_MAIN(TestObjectWindows)
#include "test_objectwindows.moc"

// The Domains window on real dialect-1 and dialect-3 databases: what the list shows, dropping
// with and without auto commit, a refused drop, the memo viewer, independent windows.
#include "app/datamodule.h"
#include "app/settings.h"
#include "catalog/domains.h"
#include "catalog/model.h"
#include "server/dataset.h"
#include "server/errors.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/grid.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/mdichild.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

using fixtures::Content;
using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");

// Domains only a dialect-3 database can hold, and a table whose columns get the engine's own
// column domains (one of them computed).
const QString kDialect3Extra = QStringLiteral(
    "CREATE DOMAIN D_BIG AS BIGINT;\n"
    "CREATE DOMAIN D_AMOUNT AS NUMERIC(18,4) DEFAULT 0;\n"
    "CREATE DOMAIN D_TIME AS TIME;\n"
    "CREATE DOMAIN D_STAMP AS TIMESTAMP;\n"
    "CREATE DOMAIN D_FLAG AS BOOLEAN NOT NULL;\n"
    "CREATE TABLE T_CALC (A INTEGER, TWICE COMPUTED BY (A * 2));\n");

// The grid's cells as the user sees them, one "a|b|c" text per row.
QStringList GridRows(TDomainsForm *form) { return fixtures::gridRows(form->FGrid); }

QStringList ListedNames(TDomainsForm *form) {
  QStringList names;
  for (const QString &row : GridRows(form))
    names << row.section(QLatin1Char('|'), 0, 0);
  return names;
}

QString RowOf(TDomainsForm *form, const QString &name) { return fixtures::gridRow(form->FGrid, name); }

void SelectDomain(TDomainsForm *form, const QString &name) {
  QVERIFY(form->TableFields->Locate(QStringLiteral("RDB$FIELD_NAME"), name));
  QCOMPARE(form->FGrid->DataSet()->FieldByName(QStringLiteral("RDB$FIELD_NAME"))->AsString(), name);
}

QList<QWidget *> MemoViewers() {
  QList<QWidget *> found;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle().startsWith(QLatin1String("Memo"))) found << w;
  return found;
}

QString ViewerText(QWidget *viewer) {
  if (auto *e = viewer->findChild<QPlainTextEdit *>()) return e->toPlainText();
  if (auto *e = viewer->findChild<QTextEdit *>()) return e->toPlainText();
  return QStringLiteral("<no text control>");
}

void DoubleClickCell(TDomainsForm *form, const QString &name, const QString &column) {
  CHECKED(SelectDomain(form, name));
  const int row = form->TableFields->RecNo();
  QAbstractItemModel *m = form->FGrid->model();
  int col = -1;
  for (int c = 0; c < m->columnCount(); ++c)
    if (m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == column) col = c;
  QVERIFY2(col >= 0, qPrintable(column));
  form->FGrid->scrollTo(m->index(row, col));
  const QRect cell = form->FGrid->visualRect(m->index(row, col));
  QTest::mouseDClick(form->FGrid->viewport(), Qt::LeftButton, {}, cell.center());
}

}  // namespace

class TestDomains : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> home;
  QList<QPointer<QWidget>> opened;

  TDomainsForm *Open() {
    auto *form = new TDomainsForm();
    opened << form;
    return form;
  }

  void dialects() {
    QTest::addColumn<int>("dialect");
    QTest::newRow("dialect 1") << 1;
    QTest::newRow("dialect 3") << 3;
  }

private slots:
  void initTestCase() { home = fixtures::startDataModule(kTitle); }

  void cleanup() {
    for (QWidget *w : MemoViewers())
      w->close();
    fixtures::closeWindowsAndDisconnect(opened);
  }

  void typeNamesOfCodesTheServerNeverStores() {
    QCOMPARE(DomainTypeName(QVariant()), QStringLiteral("UNKNOWN"));
    QCOMPARE(DomainTypeName(0), QStringLiteral("UNKNOWN"));
    QCOMPARE(DomainTypeName(45), QStringLiteral("UNKNOWN"));
    QCOMPARE(DomainTypeName(9), QStringLiteral("QUAD"));
    QCOMPARE(DomainTypeName(11), QStringLiteral("D_FLOAT"));
  }

  void windowLayout() {
    fixtures::connectDataModule(fixtures::createDatabase(3, Content::Known));
    TDomainsForm *form = Open();
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowTitle(), QStringLiteral("Domains"));
    QCOMPARE(form->btnPanel->height(), 37);
    QCOMPARE(form->btnPanel->geometry().top(), 0);
    QCOMPARE(form->DropBtn->text(), QStringLiteral("&Drop"));
    QCOMPARE(form->RefreshBtn->text(), QStringLiteral("&Refresh"));
    QVERIFY(form->DropBtn->x() < form->RefreshBtn->x());
    QVERIFY(form->FGrid->geometry().top() >= form->btnPanel->geometry().bottom());
    QStringList titles;
    for (int c = 0; c < form->FGrid->model()->columnCount(); ++c)
      titles << form->FGrid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QCOMPARE(titles,
             QStringList({"Domain name", "Type", "Computed expr", "Default value", "Length", "Scale", "NOT NULL"}));
    // Wider label, wider column: the widths follow the declared character counts.
    QVERIFY(form->FGrid->columnWidth(0) > form->FGrid->columnWidth(1));
    QVERIFY(form->FGrid->columnWidth(1) > form->FGrid->columnWidth(4));
    // In a roomy main window, the window opens as a child wide enough to show every column.
    QMdiArea area;
    area.resize(1200, 800);
    area.show();
    SetChildArea(&area);
    TDomainsForm *child = Open();
    SetChildArea(nullptr);
    QCOMPARE(child->SubWindow()->mdiArea(), &area);
    int columnsWidth = 0;
    for (int c = 0; c < child->FGrid->model()->columnCount(); ++c)
      columnsWidth += child->FGrid->columnWidth(c);
    QVERIFY2(child->FGrid->viewport()->width() >= columnsWidth,
             qPrintable(QStringLiteral("%1 < %2").arg(child->FGrid->viewport()->width()).arg(columnsWidth)));
    child->close();

    // The catalog is never edited from here: typing into a cell leaves the row browsed.
    QVERIFY(!form->FieldSource->AutoEdit);
    QVERIFY(!form->TableFields->CanModify());
    form->FGrid->setFocus();
    QTest::keyClicks(form->FGrid, QStringLiteral("X"));
    QCOMPARE(form->TableFields->State(), TDataSetState::dsBrowse);
  }

  void listedDomains_data() { dialects(); }
  void listedDomains() {
    QFETCH(int, dialect);
    const FbDatabase target = fixtures::createDatabase(dialect, Content::Known, fixtures::Access::Embedded,
                                                       dialect == 3 ? kDialect3Extra : QString());
    fixtures::connectDataModule(target);
    TDomainsForm *form = Open();

    // The user's domains, in name order; none of the server's own.
    const QStringList names = ListedNames(form);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(names, sorted);
    const int userDomains =
        fixtures::queryValue(target,
                             QStringLiteral("SELECT COUNT(*) FROM RDB$FIELDS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"))
            .toInt();
    QCOMPARE(names.size(), userDomains);
    QVERIFY(!names.contains(QStringLiteral("RDB$FIELD_NAME")));
    QVERIFY(!names.contains(QStringLiteral("RDB$SYSTEM_FLAG")));

    // Bare type names; same-type domains differ in Length and Scale only; NOT NULL 1 or empty.
    // Columns: name|type|computed|default|length|scale|not null.
    QCOMPARE(RowOf(form, "D_SMALL"), QStringLiteral("D_SMALL|SMALLINT|(Memo)|(MEMO)|2|0|1"));
    QCOMPARE(RowOf(form, "D_INT"), QStringLiteral("D_INT|INTEGER|(Memo)|(Memo)|4|0|"));
    QCOMPARE(RowOf(form, "D_MONEY"), QStringLiteral("D_MONEY|INTEGER|(Memo)|(MEMO)|4|-2|"));
    QCOMPARE(RowOf(form, "D_NAME"), QStringLiteral("D_NAME|VARCHAR|(Memo)|(MEMO)|31|0|1"));
    QCOMPARE(RowOf(form, "D_CODE"), QStringLiteral("D_CODE|CHAR|(Memo)|(Memo)|3|0|"));
    QCOMPARE(RowOf(form, "D_FLOAT"), QStringLiteral("D_FLOAT|FLOAT|(Memo)|(Memo)|4|0|"));
    QCOMPARE(RowOf(form, "D_DOUBLE"), QStringLiteral("D_DOUBLE|DOUBLE|(Memo)|(MEMO)|8|0|"));
    QCOMPARE(RowOf(form, "D_MEMO"), QStringLiteral("D_MEMO|BLOB|(Memo)|(Memo)|8|0|"));
    // DATE is a timestamp in dialect 1 (code 35, named DATE), a date of its own in dialect 3.
    QCOMPARE(RowOf(form, "D_DATE"), dialect == 1 ? QStringLiteral("D_DATE|DATE|(Memo)|(Memo)|8|0|")
                                                 : QStringLiteral("D_DATE|DATE|(Memo)|(Memo)|4|0|"));

    // The memo columns carry the declared text, as the catalog keeps it.
    CHECKED(SelectDomain(form, "D_NAME"));
    QCOMPARE(form->TableFieldsRDBDEFAULT_SOURCE->Value().metaType().id(), int(QMetaType::QString));
    QCOMPARE(form->TableFieldsRDBDEFAULT_SOURCE->AsString(), QStringLiteral("DEFAULT 'none'"));
    QVERIFY(form->TableFieldsRDBCOMPUTED_SOURCE->IsNull());

    if (dialect == 3) {
      QCOMPARE(RowOf(form, "D_BIG"), QStringLiteral("D_BIG|BIGINT|(Memo)|(Memo)|8|0|"));
      QCOMPARE(RowOf(form, "D_AMOUNT"), QStringLiteral("D_AMOUNT|BIGINT|(Memo)|(MEMO)|8|-4|"));
      QCOMPARE(RowOf(form, "D_TIME"), QStringLiteral("D_TIME|TIME|(Memo)|(Memo)|4|0|"));
      QCOMPARE(RowOf(form, "D_STAMP"), QStringLiteral("D_STAMP|DATE|(Memo)|(Memo)|8|0|"));
      QCOMPARE(RowOf(form, "D_FLAG"), QStringLiteral("D_FLAG|BOOLEAN|(Memo)|(Memo)|1|0|1"));
      // The engine's column domains (system flag 0) are listed, the computed one with its expression.
      const QString computed =
          fixtures::queryValue(target,
                               QStringLiteral("SELECT F.RDB$FIELD_NAME FROM RDB$RELATION_FIELDS R JOIN RDB$FIELDS F ON "
                                              "F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
                                              "WHERE R.RDB$RELATION_NAME = 'T_CALC' AND R.RDB$FIELD_NAME = 'TWICE'"))
              .toString()
              .trimmed();
      QVERIFY2(computed.startsWith(QLatin1String("RDB$")), qPrintable(computed));
      QCOMPARE(RowOf(form, computed), computed + QStringLiteral("|BIGINT|(MEMO)|(Memo)|8|0|"));
      CHECKED(SelectDomain(form, computed));
      QCOMPARE(form->TableFieldsRDBCOMPUTED_SOURCE->AsString(), QStringLiteral("(A * 2)"));
    }
  }

  void dropStaysListedUntilRefreshAfterCommit_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("autoCommit");
    QTest::newRow("dialect 1, auto commit") << 1 << true;
    QTest::newRow("dialect 1, no auto commit") << 1 << false;
    QTest::newRow("dialect 3, auto commit") << 3 << true;
    QTest::newRow("dialect 3, no auto commit") << 3 << false;
  }
  void dropStaysListedUntilRefreshAfterCommit() {
    QFETCH(int, dialect);
    QFETCH(bool, autoCommit);
    const FbDatabase target = fixtures::createDatabase(dialect, Content::Known);
    fixtures::connectDataModule(target);
    AutoCommit = autoCommit;
    TDomainsForm *form = Open();
    CHECKED(SelectDomain(form, "D_UNUSED"));
    const int before = GridRows(form).size();

    // No question before, no message after: a box would block this click.
    form->DropBtn->click();
    QCOMPARE(DMSys->IBDataBase->InTransaction(), !autoCommit);
    QCOMPARE(GridRows(form).size(), before);
    QVERIFY(ListedNames(form).contains("D_UNUSED"));

    if (!autoCommit) {
      // The list is read outside the executor's transaction: the drop is not seen yet.
      QCOMPARE(fixtures::domainCount(target, "D_UNUSED"), 1);
      form->RefreshBtn->click();
      QVERIFY(ListedNames(form).contains("D_UNUSED"));
      DMSys->IBDataBase->Commit();
    }
    QCOMPARE(fixtures::domainCount(target, "D_UNUSED"), 0);
    form->RefreshBtn->click();
    QVERIFY(!ListedNames(form).contains("D_UNUSED"));
    QCOMPARE(GridRows(form).size(), before - 1);
    // The current row moved to a neighbour that still exists.
    QVERIFY(form->TableFields->RecNo() >= 0);
  }

  // Names the server keeps as typed in quotes go back quoted; an ordinary name as it is.
  void dropsNamesThatNeedQuotes() {
    const FbDatabase target = fixtures::createDatabase(3, Content::OddNames, fixtures::Access::Embedded,
                                                       QStringLiteral("CREATE DOMAIN PLAIN_ONE AS INTEGER;\n"));
    fixtures::connectDataModule(target);
    AutoCommit = true;
    TDomainsForm *form = Open();
    for (const QString name :
         {QStringLiteral("MixedCase"), QStringLiteral("Say \"hi\""), QStringLiteral("PLAIN_ONE")}) {
      CHECKED(SelectDomain(form, name));
      form->DropBtn->click();
      QCOMPARE(fixtures::domainCount(target, name), 0);
    }
  }

  void refusedDropShowsServerMessage_data() { dialects(); }
  void refusedDropShowsServerMessage() {
    QFETCH(int, dialect);
    // An empty list: the statement goes out with nothing after "DROP DOMAIN ".
    const FbDatabase empty = fixtures::createDatabase(dialect, Content::Empty);
    fixtures::connectDataModule(empty);
    AutoCommit = true;
    TDomainsForm *form = Open();
    QVERIFY(GridRows(form).isEmpty());
    ModalSeenPtr seen = answerNextModal(QStringLiteral("OK"));
    form->DropBtn->click();
    QVERIFY(seen->Shown);
    QCOMPARE(seen->Caption, kTitle);
    QCOMPARE(seen->Icon, QMessageBox::Critical);
    QCOMPARE(seen->Buttons, QStringList({"OK"}));
    // The end of the command the server found is just past "DROP DOMAIN".
    QVERIFY2(seen->Text.contains(QLatin1String("Unexpected end of command - line 1, column 6")),
             qPrintable(seen->Text));
    QVERIFY(seen->Text.endsWith(QLatin1Char('.')));
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QVERIFY(form->TableFields->Active());
    QVERIFY(GridRows(form).isEmpty());

    // A domain still in use, without auto commit: the list and the current row stay as they
    // were, and the transaction stays open for the user to resolve.
    const FbDatabase known = fixtures::createDatabase(dialect, Content::Known);
    form->close();
    fixtures::connectDataModule(known);
    AutoCommit = false;
    form = Open();
    CHECKED(SelectDomain(form, "D_INT"));
    const QStringList rows = GridRows(form);
    const int current = form->TableFields->RecNo();
    seen = answerNextModal(QStringLiteral("OK"));
    form->DropBtn->click();
    QVERIFY(seen->Shown);
    QVERIFY2(seen->Text.contains(QLatin1String("D_INT")), qPrintable(seen->Text));
    QVERIFY(DMSys->IBDataBase->InTransaction());
    QCOMPARE(GridRows(form), rows);
    QCOMPARE(form->TableFields->RecNo(), current);
  }

  void doubleClickOpensMemoColumnsOnly() {
    const FbDatabase target = fixtures::createDatabase(3, Content::Known);
    fixtures::connectDataModule(target);
    TDomainsForm *form = Open();
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

  void windowsAreIndependent() {
    const FbDatabase target = fixtures::createDatabase(1, Content::Known);
    fixtures::connectDataModule(target);
    AutoCommit = true;
    TDomainsForm *a = Open();
    TDomainsForm *b = Open();
    QVERIFY(a->TableFields != b->TableFields);
    CHECKED(SelectDomain(a, "D_UNUSED"));
    CHECKED(SelectDomain(b, "D_CODE"));
    a->DropBtn->click();
    a->RefreshBtn->click();
    QVERIFY(!ListedNames(a).contains("D_UNUSED"));
    QVERIFY(ListedNames(b).contains("D_UNUSED"));
    QCOMPARE(b->TableFieldsRDBFIELD_NAME->AsString(), QStringLiteral("D_CODE"));
    b->RefreshBtn->click();
    QVERIFY(!ListedNames(b).contains("D_UNUSED"));
    QCOMPARE(b->TableFieldsRDBFIELD_NAME->AsString(), QStringLiteral("D_CODE"));
  }

  void failedOpenStillShowsTheWindow() {
    fixtures::connectDataModule(fixtures::createDatabase(3, Content::Empty));
    DMSys->IBDataBase->Close();
    DMSys->IBDataBase->Params.SetValues(QStringLiteral("SERVER NAME"),
                                        fixtures::tempPath(QStringLiteral("missing"), ".fdb"));
    ModalSeenPtr seen = answerNextModal(QStringLiteral("OK"));
    TDomainsForm *form = Open();
    QVERIFY(seen->Shown);
    QCOMPARE(seen->Icon, QMessageBox::Critical);
    QVERIFY(form->isVisible());
    QVERIFY(!form->TableFields->Active());
  }
};

TESSELOR_TEST_MAIN(TestDomains)
#include "test_domains.moc"

// Text the user did not touch goes back byte for byte: every text a window reads and can send
// back unchanged (an exception's message through the Exceptions window, a trigger's source
// through the trigger editor, a text blob through the data window's memo, a string cell through
// its grid) is read, sent back and read again, on a dialect-1 database of character set NONE
// and a dialect-3 UTF8 one, embedded; and an exception message of bytes that are not UTF-8 on
// the NONE one.
#include "app/datamodule.h"
#include "data/dataset.h"
#include "firebird/session.h"
#include "firebird/triggers.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dbgrid.h"
#include "ui/dbmemo.h"
#include "ui/dbnavigator.h"
#include "ui/memoview.h"
#include "windows/catalog/exceptiondialog.h"
#include "windows/catalog/exceptions.h"
#include "windows/catalog/triggereditor.h"
#include "windows/catalog/triggers.h"
#include "windows/dataview/tabledata.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QToolButton>
#include <QtTest>

using fixtures::FbDatabase;

namespace {

// LF, CR LF, a no-break space, a line separator, both quotes and letters beyond ASCII.
const QByteArray kText = QStringLiteral(
                             "one\ntwo\r\nno-break\u00A0space, line\u2028separator, it's \"quoted\", \u00C4pfel "
                             "\u03A9\u03BC\u03AD\u03B3\u03B1")
                             .toUtf8();
// Latin-1 bytes, which are not UTF-8, as a database of character set NONE may hold them.
const QByteArray kLatin1 = QByteArray(
    "Fran\xC7"
    "ais \xFB\nit's \"x\"");

QByteArray Stored(const FbDatabase &db, const QString &column, const QString &from) {
  return fixtures::queryValue(db, QStringLiteral("SELECT CAST(%1 AS BLOB SUB_TYPE BINARY) FROM %2").arg(column, from))
      .toByteArray();
}

QString Hex(const QByteArray &bytes) { return QStringLiteral("x'%1'").arg(QString::fromLatin1(bytes.toHex())); }

}  // namespace

class TestRoundTrip : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> home;
  QList<QPointer<QWidget>> opened;

  // Opens Update on the exception and presses OK; says whether the dialog showed the note.
  bool UpdateException() {
    auto *form = new TExceptionsForm();
    opened << form;
    if (!form->FGrid->DataSet()->Locate(QStringLiteral("RDB$EXCEPTION_NAME"), QStringLiteral("E_RT"))) return false;
    bool noted = false;
    const ModalSeenPtr seen =
        answerModalDuring(Press(QStringLiteral("OK"), [&](QWidget *) { noted = ExcDlg->BytesNote->isVisible(); }),
                          [&] { form->UpdBtn->click(); });
    return seen->Shown && noted;
  }

  // Opens the trigger's source from the Triggers window and applies it unchanged (Update).
  void UpdateTrigger() {
    auto *list = new TFormTriggers();
    opened << list;
    QVERIFY(list->TrigTable->Locate(QStringLiteral("RDB$TRIGGER_NAME"), QStringLiteral("T_RT")));
    TTrigSourceForm *editor = list->SrcBtnClick();
    opened << editor;
    editor->mnRun->trigger();
    QVERIFY(!fixtures::visibleWindows<QMessageBox>().size());
  }

  // Types a letter into the memo of the data window and takes it back, then posts the row.
  void EditMemo() {
    TDataForm *form = ShowTableData(QStringLiteral("T_NOTES"));
    opened << form;
    form->DataGrid->setCurrentIndex(form->DataGrid->model()->index(0, 1));
    form->DataGridDblClick();
    TMemoViewForm *viewer = fixtures::visibleWindows<TMemoViewForm>().value(0);
    QVERIFY(viewer);
    opened << viewer;
    viewer->MemoCtrl->setFocus();
    QTest::keyClick(viewer->MemoCtrl, Qt::Key_X);
    QTest::keyClick(viewer->MemoCtrl, Qt::Key_Backspace);
    QCOMPARE(form->SrcTable->State(), TDataSetState::dsEdit);
    form->DBNavigator1->BtnClick(nbPost);
  }

  // Opens the string cell in its editor and leaves it with Return, then changes another cell of
  // the row and posts it.
  void EditCell() {
    TDataForm *form = ShowTableData(QStringLiteral("T_CELLS"));
    opened << form;
    QAbstractItemModel *model = form->DataGrid->model();
    form->DataGrid->setCurrentIndex(model->index(0, 1));
    static_cast<QAbstractItemView *>(form->DataGrid)->edit(model->index(0, 1));
    QWidget *editor = form->DataGrid->findChild<QLineEdit *>();
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(model->setData(model->index(0, 2), QStringLiteral("b"), Qt::EditRole));
    form->DBNavigator1->BtnClick(nbPost);
  }

private slots:
  void initTestCase() {
    home = fixtures::startDataModule(QStringLiteral("ZUL DB Tesselor for IB"));
    ExcDlg = new TExcDlg;
  }
  void cleanup() { fixtures::closeWindowsAndDisconnect(opened); }

  void unchangedTextKeepsItsBytes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("dialect");
    QTest::addColumn<QByteArray>("bytes");
    for (const char *path : {"exception message", "trigger source", "text blob", "grid string cell"})
      for (int dialect : {1, 3})
        QTest::addRow("%s, dialect %d", path, dialect) << QString::fromLatin1(path) << dialect << kText;
    QTest::newRow("exception message, not UTF-8") << QStringLiteral("exception message") << 1 << kLatin1;
  }
  void unchangedTextKeepsItsBytes() {
    QFETCH(QString, path);
    QFETCH(int, dialect);
    QFETCH(QByteArray, bytes);
    AutoCommit = true;
    // Dialect 1 with character set NONE, dialect 3 with UTF8.
    const FbDatabase db = fixtures::createDatabase(dialect, fixtures::Content::Empty, fixtures::Access::Embedded,
                                                   QString(), dialect == 3 ? QStringLiteral("UTF8") : QString());
    fixtures::query(db,
                    QStringLiteral("CREATE TABLE T_NOTES (ID INTEGER NOT NULL PRIMARY KEY, NOTE BLOB SUB_TYPE TEXT)"));
    QString column, from;
    if (path == QLatin1String("exception message")) {
      fixtures::query(db, QStringLiteral("CREATE EXCEPTION E_RT _NONE ") + Hex(bytes));
      column = QStringLiteral("RDB$MESSAGE"), from = QStringLiteral("RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = 'E_RT'");
    } else if (path == QLatin1String("trigger source")) {
      const QString source =
          QStringLiteral("AS\nBEGIN\r\n  /* %1 */\n  NEW.ID = 1;\nEND").arg(QString::fromUtf8(bytes));
      fixtures::query(db, QStringLiteral("CREATE TRIGGER T_RT FOR T_NOTES BEFORE INSERT ") + source);
      column = QStringLiteral("RDB$TRIGGER_SOURCE"),
      from = QStringLiteral("RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'T_RT'");
    } else if (path == QLatin1String("grid string cell")) {
      fixtures::query(db, QStringLiteral("CREATE TABLE T_CELLS (ID INTEGER NOT NULL PRIMARY KEY, S VARCHAR(200), "
                                         "T VARCHAR(10))"));
      fixtures::query(db, QStringLiteral("INSERT INTO T_CELLS VALUES (1, '%1', 'a')")
                              .arg(QString::fromUtf8(bytes).replace(QLatin1String("'"), QLatin1String("''"))));
      column = QStringLiteral("S"), from = QStringLiteral("T_CELLS");
    } else {
      fixtures::query(db, QStringLiteral("INSERT INTO T_NOTES VALUES (1, '%1')")
                              .arg(QString::fromUtf8(bytes).replace(QLatin1String("'"), QLatin1String("''"))));
      column = QStringLiteral("NOTE"), from = QStringLiteral("T_NOTES");
    }
    const QByteArray before = Stored(db, column, from);
    QCOMPARE(before.isEmpty(), false);
    fixtures::connectDataModule(db);

    if (path == QLatin1String("exception message"))
      QCOMPARE(UpdateException(), bytes != kText);
    else if (path == QLatin1String("trigger source"))
      CHECKED(UpdateTrigger());
    else if (path == QLatin1String("grid string cell"))
      CHECKED(EditCell());
    else
      CHECKED(EditMemo());
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QCOMPARE(Stored(db, column, from), before);
  }
};

TESSELOR_TEST_MAIN(TestRoundTrip)
#include "test_roundtrip.moc"

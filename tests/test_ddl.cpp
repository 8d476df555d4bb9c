// The DDL statements window against a real embedded Firebird database and a real repository
// table: running, the key dispatch of its menus, the caret indicator, files, the repository
// commands. Keys are sent to the editor as the user types them; boxes are answered by their
// buttons.
#include "app/datamodule.h"
#include "app/settings.h"
#include "editing/ddlwindow.h"
#include "server/dataset.h"
#include "server/db.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/dialogs.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"

#include <sys/stat.h>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>
#include <memory>

using fixtures::Content;
using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");

// Chooses a file the way a user does, typing its name into the dialog's name field: that
// drops the file the dialog had selected at start (which a name set without the field's
// focus would not).
ModalSeenPtr ChooseFile(const QString &name) {
  ModalAnswer a;
  a.FileName = name;
  a.Check = [](QWidget *box) {
    if (auto *view = box->findChild<QListView *>(QStringLiteral("listView"))) view->clearSelection();
  };
  return answerNextModal(a);
}

QString WriteFile(const QByteArray &bytes, const QString &suffix = QStringLiteral(".DDL")) {
  return fixtures::writeFile(fixtures::tempPath(QStringLiteral("ddl"), suffix), bytes);
}

QString PosText(int line, int column) { return QStringLiteral("   Line : %1   Column: %2 ").arg(line).arg(column); }

}  // namespace

class TestDdl : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> FHome;
  FbDatabase FDb;
  QList<QPointer<QWidget>> FOpened;

  TSQLExprForm *Open(const QString &text = QString()) {
    TSQLExprForm *form = CreateSQLExprForm();
    FOpened << form;
    if (!text.isNull()) form->ExecSql->setPlainText(text);
    form->activateWindow();
    [&] { QVERIFY(QTest::qWaitForWindowActive(form)); }();
    form->ExecSql->setFocus();
    return form;
  }

  int LogRows(const QString &event) {
    return fixtures::queryValue(FDb, QStringLiteral("SELECT COUNT(*) FROM T_LOG WHERE EVENT = '%1'").arg(event))
        .toInt();
  }
  int Exceptions(const QString &name) { return fixtures::exceptionCount(FDb, name); }

  // Presses a key in the editor and answers the error box that follows; returns what it said.
  ModalSeenPtr KeyAndAnswerError(TSQLExprForm *form, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
    auto seen = answerNextModal(QStringLiteral("OK"));
    QTest::keyClick(form->ExecSql, key, mods);
    return seen;
  }

private slots:
  void initTestCase() {
    FHome = std::make_unique<fixtures::TempHome>();
    fixtures::startProgram();
    FDb = fixtures::createDatabase(3, Content::Known);
    fixtures::connectDataModule(FDb);
  }

  void cleanup() {
    for (const QPointer<QWidget> &w : FOpened)
      if (w) w->close();
    FOpened.clear();
    fixtures::closeWindows("TObjRepos");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (DMSys->IBDataBase->InTransaction()) DMSys->IBDataBase->Rollback();
    AutoCommit = false;
  }

  void cleanupTestCase() {
    delete DMSys;
    FHome.reset();
  }

  void windowLayout() {
    TSQLExprForm *form = Open();
    QCOMPARE(form->windowTitle(), QStringLiteral("DDL  Statements editor"));
    QPlainTextEdit *ed = form->ExecSql;
    QVERIFY(ed->toPlainText().isEmpty());
    // Whatever face stands in for the one asked for, its letters are all of one width.
    const QFontMetricsF metrics(ed->font());
    QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
    QCOMPARE(QFontInfo(ed->font()).pixelSize(), 17);
    QCOMPARE(ed->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(ed->horizontalScrollBar()->isVisible());
    QVERIFY(ed->verticalScrollBar()->isVisible());
    QVERIFY(form->PosIndic->text().isEmpty());
    QCOMPARE(form->PosIndic->height(), 24);
    QVERIFY(form->PosIndic->geometry().top() >= ed->geometry().bottom());
    QVERIFY(QFontInfo(form->PosIndic->font()).bold());
    QCOMPARE(QFontInfo(form->PosIndic->font()).pixelSize(), 13);

    // Tab stays in the editor as a character.
    QTest::keyClicks(ed, QStringLiteral("A"));
    QTest::keyClick(ed, Qt::Key_Tab);
    QTest::keyClicks(ed, QStringLiteral("B"));
    QCOMPARE(ed->toPlainText(), QStringLiteral("A\tB"));
    QCOMPARE(QApplication::focusWidget(), ed);

    // The window's menu for the main menu bar, and the context menu.
    QCOMPARE(form->MergedMenus(), QList<QMenu *>{form->MnDDL});
    QCOMPARE(form->MnDDL->title(), QStringLiteral("&DDL"));
    QCOMPARE(form->MnDDL->menuAction()->statusTip(), QStringLiteral("DDL statements menu"));
    const auto describe = fixtures::menuItems;
    QCOMPARE(describe(form->MnDDL),
             QStringList({"&Run|F9|Run DDL statement|on",
                          "Run as &script|Shift+F9|Run the statements of the script one after another|on",
                          "&Select|Ctrl+Space|Select saved DDL statement from repository|on",
                          "&Load from File|F3|Load DDL statement from File|on",
                          "Save to &File|Ctrl+S|Save active DDL statement to file|on",
                          "&Add to repository|Ctrl+A|Add active DDL statement to repository|on"}));
    QCOMPARE(describe(form->PopupMenu1),
             QStringList({"&Cut|Ctrl+Del|Cut to clipboard|on", "C&opy|Ctrl+Ins|Copy to clipboard|on",
                          "&Paste|Shift+Ins|Paste from clipboard|on", "-", "&Run|F9|Run DDL statement|on",
                          "Run as &script|Shift+F9|Run the statements of the script one after another|on", "-",
                          "&Select|Ctrl+Space|Select saved DDL statement from repository|on",
                          "&Load from File|F3|Load DDL statement from File|on",
                          "Save to &File|Ctrl+S|Save active DDL statement to file|on",
                          "&Add to repository|Ctrl+A|Add active DDL statement to repository|on", "-",
                          "&Insert statement wizard..||Creates insert statement using drag and drop tech.|off",
                          "&Update statement wizard...||Create update statement using visual tools|off"}));
    emit ed->customContextMenuRequested(QPoint(5, 5));
    QTRY_VERIFY(form->PopupMenu1->isVisible());
    form->PopupMenu1->hide();

    // Both file dialogs: the two filter entries, the first selected, default extension DDL.
    auto open = answerNextFileDialog(QString());
    QTest::keyClick(ed, Qt::Key_F3);
    QTRY_VERIFY(open->Shown);
    QCOMPARE(open->NameFilters, QStringList({"DDL statements (*.DDL)", "All files (*)"}));
    QCOMPARE(open->SelectedNameFilter, QStringLiteral("DDL statements (*.DDL)"));
    QCOMPARE(open->DefaultSuffix, QStringLiteral("DDL"));
    QVERIFY(!open->SaveMode);
    auto save = answerNextFileDialog(QString());
    QTest::keyClick(ed, Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(save->Shown);
    QCOMPARE(save->NameFilters, open->NameFilters);
    QCOMPARE(save->SelectedNameFilter, open->SelectedNameFilter);
    QCOMPARE(save->DefaultSuffix, QStringLiteral("DDL"));
    QVERIFY(save->SaveMode);
    QCOMPARE(ed->toPlainText(), QStringLiteral("A\tB"));
  }

  // Run sends the whole text, and nothing but the text, to the executor.
  void runSendsTheTextAsOneRequest() {
    AutoCommit = true;
    TSQLExprForm *form = Open(QStringLiteral("INSERT INTO T_LOG (EVENT)\nVALUES ('one request')"));
    QTest::keyClick(form->ExecSql, Qt::Key_F9);
    QCOMPARE(LogRows(QStringLiteral("one request")), 1);
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QCOMPARE(form->ExecSql->toPlainText(), QStringLiteral("INSERT INTO T_LOG (EVENT)\nVALUES ('one request')"));

    // Two statements with ";" between them are not split: the server refuses the pair, and
    // neither is done.
    form->ExecSql->setPlainText(QStringLiteral("CREATE EXCEPTION E_PAIR1 'one';\nCREATE EXCEPTION E_PAIR2 'two';"));
    auto error = KeyAndAnswerError(form, Qt::Key_F9);
    QTRY_VERIFY(error->Shown);
    QCOMPARE(error->Caption, kTitle);
    QCOMPARE(error->Icon, QMessageBox::Critical);
    QVERIFY2(error->Text.contains(QLatin1String("Token unknown")), qPrintable(error->Text));
    QCOMPARE(Exceptions(QStringLiteral("E_PAIR1")) + Exceptions(QStringLiteral("E_PAIR2")), 0);

    // An empty editor still goes to the executor, which starts a transaction and sends the
    // empty request; the server's refusal is shown.
    AutoCommit = false;
    form->ExecSql->clear();
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    error = KeyAndAnswerError(form, Qt::Key_F9);
    QTRY_VERIFY(error->Shown);
    QVERIFY2(error->Text.contains(QLatin1String("Unexpected end of command")), qPrintable(error->Text));
    QVERIFY(DMSys->IBDataBase->InTransaction());
  }

  void failedStatementKeepsTextAndTransactionState_data() {
    QTest::addColumn<bool>("autoCommit");
    QTest::newRow("auto commit on") << true;
    QTest::newRow("auto commit off") << false;
  }
  void failedStatementKeepsTextAndTransactionState() {
    QFETCH(bool, autoCommit);
    const QString event = autoCommit ? QStringLiteral("before on") : QStringLiteral("before off");
    // A change made earlier in the same transaction, not yet committed.
    AutoCommit = false;
    TSQLExprForm *form = Open(QStringLiteral("INSERT INTO T_LOG (EVENT) VALUES ('%1')").arg(event));
    QTest::keyClick(form->ExecSql, Qt::Key_F9);
    QVERIFY(DMSys->IBDataBase->InTransaction());

    AutoCommit = autoCommit;
    const QString bad = QStringLiteral("INSERT INTO NO_SUCH_TABLE VALUES (1)");
    form->ExecSql->setPlainText(bad);
    auto error = KeyAndAnswerError(form, Qt::Key_F9);
    QTRY_VERIFY(error->Shown);
    QVERIFY2(error->Text.contains(QLatin1String("NO_SUCH_TABLE")), qPrintable(error->Text));
    QCOMPARE(form->ExecSql->toPlainText(), bad);
    if (autoCommit) {
      // Rolled back: the earlier change is gone with it.
      QVERIFY(!DMSys->IBDataBase->InTransaction());
      QCOMPARE(LogRows(event), 0);
    } else {
      // Still open: the earlier change can be committed.
      QVERIFY(DMSys->IBDataBase->InTransaction());
      DMSys->IBDataBase->Commit();
      QCOMPARE(LogRows(event), 1);
    }
  }

  // Shortcuts in the editor go to the context menu's item first, then the window menu's; the
  // key is spent on the item, also where the editor has a binding of its own.
  void keyDispatch() {
    QMainWindow main;
    auto *area = new QMdiArea(&main);
    main.setCentralWidget(area);
    SetChildArea(area);
    main.resize(900, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    AutoCommit = true;
    TSQLExprForm *form = Open(QStringLiteral("INSERT INTO T_LOG (EVENT) VALUES ('keys')"));
    main.menuBar()->addMenu(form->MnDDL);  // as the main window merges it
    form->ExecSql->setFocus();
    QPlainTextEdit *ed = form->ExecSql;

    // F9 runs once, although the merged menu bar carries the same shortcut.
    QTest::keyClick(ed, Qt::Key_F9);
    QCOMPARE(LogRows(QStringLiteral("keys")), 1);

    // Ctrl+A adds the text to the repository (the user is asked for a name) and selects nothing.
    ed->moveCursor(QTextCursor::End);
    auto name = answerNextModal(Press(QStringLiteral("Cancel")));
    QTest::keyClick(ed, Qt::Key_A, Qt::ControlModifier);
    QTRY_VERIFY(name->Shown);
    QCOMPARE(name->ClassName, QStringLiteral("TInputBox"));
    QVERIFY(!ed->textCursor().hasSelection());

    // Ctrl+S: one save dialog, no second one from the menu bar.
    auto save = answerNextFileDialog(QString());
    QTest::keyClick(ed, Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(save->Shown);
    auto second = answerNextModal(Press(QStringLiteral("Cancel")), 300);
    QTest::qWait(400);
    QVERIFY(!second->Shown);

    // Ctrl+Ins copies, Ctrl+Del cuts (not "delete word"), Shift+Ins pastes.
    ed->setPlainText(QStringLiteral("alpha beta"));
    QTextCursor c(ed->document());
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    ed->setTextCursor(c);
    QTest::keyClick(ed, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha"));
    QTest::keyClick(ed, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(ed->toPlainText(), QStringLiteral(" beta"));
    ed->moveCursor(QTextCursor::End);
    QTest::keyClick(ed, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(ed->toPlainText(), QStringLiteral(" betaalpha"));
    // The same through the context menu's items.
    ed->selectAll();
    form->Copy1->trigger();
    form->Cut1->trigger();
    QVERIFY(ed->toPlainText().isEmpty());
    form->Paste1->trigger();
    form->Paste1->trigger();
    QCOMPARE(ed->toPlainText(), QStringLiteral(" betaalpha betaalpha"));

    // The menu-bar items do their commands when clicked, Save to File included.
    save = answerNextFileDialog(QString());
    form->MnSaveToFile->trigger();
    QTRY_VERIFY(save->Shown);
    QVERIFY(save->SaveMode);
    form->close();
    SetChildArea(nullptr);
  }

  void caretIndicator() {
    TSQLExprForm *form = Open(QStringLiteral("first\nsecond line\n\tthird"));
    QPlainTextEdit *ed = form->ExecSql;
    QVERIFY(form->PosIndic->text().isEmpty());
    ed->moveCursor(QTextCursor::Start);

    // Any key release refreshes it, navigation keys included.
    QTest::keyRelease(ed, Qt::Key_Shift);
    QCOMPARE(form->PosIndic->text(), PosText(1, 0));
    QTest::keyClick(ed, Qt::Key_Down);
    QTest::keyClick(ed, Qt::Key_End);
    QCOMPARE(form->PosIndic->text(), PosText(2, 11));
    QTest::keyClick(ed, Qt::Key_Down);
    QTest::keyClick(ed, Qt::Key_Home);
    QTest::keyClick(ed, Qt::Key_Right);
    QCOMPARE(form->PosIndic->text(), PosText(3, 1));  // a tab is one character

    // A selection over lines reports where it starts, whichever way it was made.
    QTextCursor c(ed->document());
    c.setPosition(8);
    c.setPosition(ed->document()->characterCount() - 1, QTextCursor::KeepAnchor);
    ed->setTextCursor(c);
    QTest::keyRelease(ed, Qt::Key_Shift);
    QCOMPARE(form->PosIndic->text(), PosText(2, 2));
    c.setPosition(ed->document()->characterCount() - 1);
    c.setPosition(8, QTextCursor::KeepAnchor);
    ed->setTextCursor(c);
    QTest::keyRelease(ed, Qt::Key_Shift);
    QCOMPARE(form->PosIndic->text(), PosText(2, 2));

    // A mouse click, a paste from the menu or a load leave it until the next key release.
    ed->moveCursor(QTextCursor::Start);
    QTest::mouseClick(ed->viewport(), Qt::LeftButton, {}, ed->cursorRect(ed->textCursor()).center());
    QCOMPARE(form->PosIndic->text(), PosText(2, 2));
    const QString file = WriteFile("a\nb\nc\nd\n");
    LoadEditorFromFile(ed, file);
    QCOMPARE(form->PosIndic->text(), PosText(2, 2));
    QTest::keyClick(ed, Qt::Key_Down);
    QCOMPARE(form->PosIndic->text(), PosText(2, 0));
  }

  void loadAndSaveKeepLineBreaks() {
    TSQLExprForm *form = Open(QStringLiteral("old text"));
    QPlainTextEdit *ed = form->ExecSql;

    // Lone LF, lone CR and CR LF each make one break; the loaded text replaces the editor's.
    const QString lf = WriteFile("CREATE TABLE X (\n  A INTEGER\n)");
    auto seen = ChooseFile(lf);
    QTest::keyClick(ed, Qt::Key_F3);
    QTRY_VERIFY(seen->Shown);
    QCOMPARE(EditorLines(ed).Lines(), QStringList({"CREATE TABLE X (", "  A INTEGER", ")"}));
    QCOMPARE(QFontInfo(ed->document()->defaultFont()).pixelSize(), 17);
    const QString saved = fixtures::tempPath(QStringLiteral("saved"), QStringLiteral(".DDL"));
    seen = ChooseFile(saved);
    QTest::keyClick(ed, Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(seen->Shown);
    QCOMPARE(fixtures::readFile(saved), QByteArray("CREATE TABLE X (\r\n  A INTEGER\r\n)"));

    // A final break stays one; an existing file is replaced without a question.
    const QString mixed = WriteFile("one\rtwo\r\nthree\n\nfive\n");
    seen = ChooseFile(mixed);
    form->LoadfromFile1->trigger();
    QTRY_VERIFY(seen->Shown);
    QCOMPARE(EditorText(ed), QStringLiteral("one\r\ntwo\r\nthree\r\n\r\nfive\r\n"));
    seen = ChooseFile(saved);
    form->SavetoFile1->trigger();
    QTRY_VERIFY(seen->Shown);
    QCOMPARE(fixtures::readFile(saved), QByteArray("one\r\ntwo\r\nthree\r\n\r\nfive\r\n"));

    // Long lines scroll sideways, also after the window's width has changed.
    const QString wide = WriteFile("SELECT 1 FROM RDB$DATABASE\n-- " + QByteArray(400, 'w') + "\nEND");
    LoadEditorFromFile(ed, wide);
    QCoreApplication::processEvents();
    const int sideways = ed->horizontalScrollBar()->maximum();
    QVERIFY(sideways > 0);
    form->window()->resize(form->window()->width() + 80, form->window()->height());
    QCoreApplication::processEvents();
    QCOMPARE(ed->horizontalScrollBar()->maximum(), sideways - 80);
    QCOMPARE(ed->document()->lineCount(), 3);

    // Text in other encodings: UTF-8 kept, UTF-16 with its byte-order mark read as text.
    const QString utf8 = WriteFile(QStringLiteral("-- Ābeļu kolonna\r\nSELECT 1").toUtf8());
    LoadEditorFromFile(ed, utf8);
    QCOMPARE(ed->toPlainText(), QStringLiteral("-- Ābeļu kolonna\nSELECT 1"));
    // A no-break space is saved as it was loaded, not as a plain one.
    const QString nbsp = WriteFile(
        "SELECT 'a\xC2\xA0"
        "b'\nFROM RDB$DATABASE");
    LoadEditorFromFile(ed, nbsp);
    SaveEditorToFile(ed, saved);
    QCOMPARE(fixtures::readFile(saved), QByteArray("SELECT 'a\xC2\xA0"
                                                   "b'\r\nFROM RDB$DATABASE"));
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar ch : QStringLiteral("DROP\r\nX"))
      utf16 += QByteArray(reinterpret_cast<const char *>(&ch), 2);
    LoadEditorFromFile(ed, WriteFile(utf16));
    QCOMPARE(ed->toPlainText(), QStringLiteral("DROP\nX"));
  }

  // A large file behaves line for line like a small one: text, line numbers, moves, edits.
  void largeFileIsLinesLikeAnyOther() {
    TSQLExprForm *form = Open(QString());
    QPlainTextEdit *ed = form->ExecSql;
    QByteArray bytes;
    for (int i = 1; i <= 30000; ++i)
      bytes += "  COL_" + QByteArray::number(i) +
               (i % 7 ? "\tINTEGER,\r\n"
                      : " VARCHAR(9) DEFAULT 'a\xC2\xA0"
                        "b',\n");
    bytes += "END";
    LoadEditorFromFile(ed, WriteFile(bytes));
    QCoreApplication::processEvents();
    QCOMPARE(EditorText(ed).toUtf8(), QByteArray(bytes).replace("\r\n", "\n").replace("\n", "\r\n"));
    QCOMPARE(EditorLines(ed).Count(), 30001);
    QVERIFY2(ed->verticalScrollBar()->maximum() > 29900,
             qPrintable(QString::number(ed->verticalScrollBar()->maximum())));

    // The start of line 20000, found by its offset in the text (one position per line break).
    const QStringList lines = EditorLines(ed).Lines();
    int offset = 0;
    for (int i = 0; i < 19999; ++i)
      offset += lines[i].size() + 1;
    QTextCursor c(ed->document());
    c.setPosition(offset);
    ed->setTextCursor(c);
    QTest::keyClick(ed, Qt::Key_Right);
    QCOMPARE(form->PosIndic->text(), QStringLiteral("   Line : 20000   Column: 1 "));
    for (int i = 0; i < 130; ++i)  // down over the places where the text's blocks meet
      QTest::keyClick(ed, Qt::Key_Down);
    QCOMPARE(form->PosIndic->text(), QStringLiteral("   Line : 20130   Column: 1 "));
    QTest::keyClick(ed, Qt::Key_Home);
    QTest::keyClicks(ed, QStringLiteral("X"));
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(form->PosIndic->text(), QStringLiteral("   Line : 20131   Column: 0 "));

    QStringList expected = TStringList::SplitLines(QString::fromUtf8(bytes));
    expected.insert(20129, QStringLiteral("X"));
    QCOMPARE(EditorLines(ed).Lines(), expected);
    const QString saved = fixtures::tempPath(QStringLiteral("large"), QStringLiteral(".DDL"));
    SaveEditorToFile(ed, saved);
    QCOMPARE(fixtures::readFile(saved), expected.join(QStringLiteral("\r\n")).toUtf8());
  }

  // Lines that sit alone in their block of a large file (the last one, or one just made with
  // Return) are numbered by their place in the text, not by the block.
  void largeFileLinesAloneInTheirBlock() {
    TSQLExprForm *form = Open(QString());
    QPlainTextEdit *ed = form->ExecSql;
    QByteArray bytes;
    for (int i = 1; i <= 20032; ++i)
      bytes += "L" + QByteArray::number(i) + "\n";
    LoadEditorFromFile(ed, WriteFile(bytes + "END"));
    QCoreApplication::processEvents();
    QTest::keyClick(ed, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(form->PosIndic->text(), QStringLiteral("   Line : 20033   Column: 3 "));
    QTest::keyClick(ed, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 63; ++i)
      QTest::keyClick(ed, Qt::Key_Down);
    QTest::keyClick(ed, Qt::Key_End);
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(form->PosIndic->text(), QStringLiteral("   Line : 65   Column: 0 "));
    QTest::keyClick(ed, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(form->PosIndic->text(), QStringLiteral("   Line : 20034   Column: 3 "));
  }

  // Load then Save gives the file's own bytes back, whatever its encoding; what runs is the
  // text the editor shows.
  void loadThenSaveKeepsTheBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a national code page")
        << QByteArray("-- \xC0\xE8\xF0\xFE kolonna\r\nSELECT '\xE0' FROM X")
        << QStringLiteral("-- \u00C0\u00E8\u00F0\u00FE kolonna\nSELECT '\u00E0' FROM X");
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBF-- \xC4\x80\r\nSELECT 1") << QStringLiteral("-- \u0100\nSELECT 1");
    QByteArray utf16("\xFE\xFF", 2);
    for (QChar ch : QStringLiteral("DROP\r\nX"))
      utf16 += char(ch.unicode() >> 8) + QByteArray(1, char(ch.unicode() & 0xFF));
    QTest::newRow("UTF-16 big-endian") << utf16 << QStringLiteral("DROP\nX");
    QTest::newRow("separators inside lines") << QByteArray(
                                                    "SELECT 'a\xE2\x80\xA8"
                                                    "b' FROM X\r\n-- \xE2\x80\xA8")
                                             << QStringLiteral("SELECT 'a\u2028b' FROM X\n-- \u2028");
  }
  void loadThenSaveKeepsTheBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    TSQLExprForm *form = Open(QString());
    QPlainTextEdit *ed = form->ExecSql;
    LoadEditorFromFile(ed, WriteFile(bytes));
    QCOMPARE(ed->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), shown);
    QCOMPARE(EditorText(ed), QString(shown).replace(u'\n', QStringLiteral("\r\n")));
    const QString saved = fixtures::tempPath(QStringLiteral("kept"), QStringLiteral(".DDL"));
    SaveEditorToFile(ed, saved);
    QCOMPARE(fixtures::readFile(saved), bytes);
    // A character the code page cannot hold is not lost: the file is then written as UTF-8.
    ed->textCursor().insertText(QStringLiteral("\u0101"));
    SaveEditorToFile(ed, saved);
    QVERIFY(QString::fromUtf8(fixtures::readFile(saved)).contains(QStringLiteral("\u0101")) ||
            fixtures::readFile(saved).startsWith("\xFE\xFF"));
  }

  // A file of one long line is refused at once; lines the editor takes show at once.
  void longLinesLoadAtOnceOrAreRefused() {
    TSQLExprForm *form = Open(QStringLiteral("keep me"));
    QPlainTextEdit *ed = form->ExecSql;
    const QString oneLine = WriteFile("INSERT INTO T VALUES ('" + QByteArray(8 << 20, 'x') + "')");
    auto seen = answerNextModal(Press(QStringLiteral("OK")));
    QElapsedTimer timer;
    timer.start();
    Guard([&] { LoadEditorFromFile(ed, oneLine); });
    QVERIFY2(timer.elapsed() < fixtures::boundMs(2000), qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    QCOMPARE(seen->Text, QStringLiteral("Text exceeds memo capacity: line 1 has %1 characters, the editor takes %2.")
                             .arg((8 << 20) + 25)
                             .arg(kMaxEditorLineChars));
    QCOMPARE(ed->toPlainText(), QStringLiteral("keep me"));

    QByteArray longest;
    for (int i = 0; i < 60; ++i)
      longest += "-- " + QByteArray(kMaxEditorLineChars - 3, char('a' + i % 26)) + "\r\n";
    timer.restart();
    LoadEditorFromFile(ed, WriteFile(longest));
    ed->viewport()->repaint();
    QVERIFY2(timer.elapsed() < fixtures::boundMs(2000), qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    QCOMPARE(EditorLines(ed).Count(), 60);
  }

  // Loads and saves that fail show the error and leave the editor (and the old file) alone.
  void failedLoadsAndSavesLoseNothing() {
    TSQLExprForm *form = Open(QStringLiteral("keep me\nplease"));
    QPlainTextEdit *ed = form->ExecSql;
    auto expectError = [&](const std::function<void()> &f) {
      auto seen = answerNextModal(Press(QStringLiteral("OK")));
      Guard(f);
      [&] { QTRY_VERIFY(seen->Shown); }();
      return seen->Text;
    };
    const QString missing = fixtures::tempPath(QStringLiteral("missing"), QStringLiteral(".DDL"));
    QCOMPARE(expectError([&] { LoadEditorFromFile(ed, missing); }),
             QStringLiteral("Cannot open file %1.").arg(missing));
    QCOMPARE(expectError([&] { LoadEditorFromFile(ed, QStringLiteral("/dev/zero")); }),
             QStringLiteral("Cannot open file /dev/zero."));
    const QString fifo = fixtures::tempPath(QStringLiteral("fifo"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(expectError([&] { LoadEditorFromFile(ed, fifo); }), QStringLiteral("Cannot open file %1.").arg(fifo));
    const QString dir = fixtures::tempPath(QStringLiteral("dir"));
    QDir().mkpath(dir);
    QCOMPARE(expectError([&] { LoadEditorFromFile(ed, dir); }), QStringLiteral("Cannot open file %1.").arg(dir));

    const QString binary = WriteFile(QByteArray("MZ\x90\x00\x03\x00\x00\x00\x04", 9), QStringLiteral(".exe"));
    QCOMPARE(expectError([&] { LoadEditorFromFile(ed, binary); }),
             QStringLiteral("File %1 is not a text file.").arg(binary));

    const QString huge = fixtures::tempPath(QStringLiteral("huge"), QStringLiteral(".DDL"));
    {
      QFile f(huge);
      QVERIFY(f.open(QIODevice::WriteOnly));
      QVERIFY(f.resize(kMaxEditorFileBytes + 1));  // sparse: costs no disk
    }
    QCOMPARE(expectError([&] { LoadEditorFromFile(ed, huge); }), QStringLiteral("Text exceeds memo capacity."));
    QCOMPARE(ed->toPlainText(), QStringLiteral("keep me\nplease"));

    // Saving into a missing directory, or over a directory.
    const QString nowhere = fixtures::tempPath(QStringLiteral("nodir")) + QStringLiteral("/x.DDL");
    QCOMPARE(expectError([&] { SaveEditorToFile(ed, nowhere); }),
             QStringLiteral("Cannot create file %1.").arg(nowhere));
    QCOMPARE(expectError([&] { SaveEditorToFile(ed, dir); }), QStringLiteral("Cannot create file %1.").arg(dir));
    QVERIFY(QFileInfo(dir).isDir());
    QCOMPARE(ed->toPlainText(), QStringLiteral("keep me\nplease"));
  }

  void windowsAreIndependent() {
    AutoCommit = true;
    TSQLExprForm *one = Open(QStringLiteral("CREATE EXCEPTION E_WIN_ONE 'one'"));
    TSQLExprForm *two = Open(QStringLiteral("CREATE EXCEPTION E_WIN_TWO 'two'"));
    QVERIFY(one != two);
    QTest::keyClick(two->ExecSql, Qt::Key_End);
    QTest::keyClick(two->ExecSql, Qt::Key_F9);
    QCOMPARE(Exceptions(QStringLiteral("E_WIN_TWO")), 1);
    QCOMPARE(Exceptions(QStringLiteral("E_WIN_ONE")), 0);
    QCOMPARE(one->ExecSql->toPlainText(), QStringLiteral("CREATE EXCEPTION E_WIN_ONE 'one'"));
    QVERIFY(one->PosIndic->text().isEmpty());
    QVERIFY(!two->PosIndic->text().isEmpty());

    // Closing one window destroys it without a question; the other carries on.
    QPointer<TSQLExprForm> gone = two;
    two->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!gone);
    one->activateWindow();
    one->ExecSql->setFocus();
    QTest::keyClick(one->ExecSql, Qt::Key_F9);
    QCOMPARE(Exceptions(QStringLiteral("E_WIN_ONE")), 1);
  }

  void repositoryCommands() {
    TSQLExprForm *form = Open(QStringLiteral("CREATE DOMAIN D_KEPT AS INTEGER;\n-- no break at the end"));
    QPlainTextEdit *ed = form->ExecSql;

    // Add to repository stores the text as the editor holds it.
    auto name = typeIntoNextInputBox(QStringLiteral("kept domain"));
    form->MnAddToRepository->trigger();
    QTRY_VERIFY(name->Shown);
    QCOMPARE(fixtures::repositoryEntries().value(QStringLiteral("kept domain")),
             QStringLiteral("CREATE DOMAIN D_KEPT AS INTEGER;\r\n-- no break at the end"));
    fixtures::closeWindows("TObjRepos");

    // A cancelled pick changes nothing and says nothing.
    form->activateWindow();
    ed->setFocus();
    ed->setPlainText(QStringLiteral("something else"));
    auto pick = answerNextModal(Press(QStringLiteral("Cancel")));
    QTest::keyClick(ed, Qt::Key_Space, Qt::ControlModifier);
    QTRY_VERIFY(pick->Shown);
    auto noBox = answerNextModal(Press(QStringLiteral("OK")), 300);
    QTest::qWait(400);
    QVERIFY(!noBox->Shown);
    QCOMPARE(ed->toPlainText(), QStringLiteral("something else"));

    // OK replaces the editor's text with the chosen entry's source.
    pick = answerNextModal(Press(QStringLiteral("OK")));
    form->Select1->trigger();
    QTRY_VERIFY(pick->Shown);
    QCOMPARE(EditorText(ed), QStringLiteral("CREATE DOMAIN D_KEPT AS INTEGER;\r\n-- no break at the end"));
  }

  void windowLoadedWithLines() {
    TStringList lines(QStringList({"CREATE VIEW V (A) AS", "SELECT ID FROM T_MASTER"}));
    TSQLExprForm *form = CreateSQLExprForm(lines);
    FOpened << form;
    QVERIFY(form->isVisible());
    QCOMPARE(EditorText(form->ExecSql), QStringLiteral("CREATE VIEW V (A) AS\r\nSELECT ID FROM T_MASTER"));
    QVERIFY(form->PosIndic->text().isEmpty());
  }
};

TESSELOR_TEST_MAIN(TestDdl)
#include "test_ddl.moc"

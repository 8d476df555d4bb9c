// The DDL statements window against a real embedded Firebird database and a real repository
// table: running, the key dispatch of its menus, the caret indicator, files, the repository
// commands. Keys are sent to the editor as the user types them; boxes are answered by their
// buttons.
#include "app/datamodule.h"
#include "app/settings.h"
#include "data/db.h"
#include "firebird/catalognames.h"
#include "firebird/session.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/repository.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"
#include "ui/editoraccessible.h"
#include "ui/editorlines.h"
#include "ui/editorsearch.h"
#include "ui/errordisplay.h"
#include "ui/sqllexer.h"
#include "windows/editing/ddlwindow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using fixtures::FbDatabase;

namespace {

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");

QString WriteFile(const QByteArray &bytes, const QString &suffix = QStringLiteral(".DDL")) {
  return fixtures::writeFile(fixtures::tempPath(QStringLiteral("ddl"), suffix), bytes);
}
QString NewPath() { return fixtures::tempPath(QStringLiteral("saved"), QStringLiteral(".DDL")); }
QString PosText(int line, int column) { return QStringLiteral("   Line : %1   Column: %2 ").arg(line).arg(column); }

// The editor's selection from anchor to caret (byte positions: the texts here are ASCII),
// and where a click lands on the caret.
void SetSel(TSQLEditor *ed, long anchor, long caret) { ed->SendScintilla(QsciScintilla::SCI_SETSEL, anchor, caret); }
QPoint CaretPoint(TSQLEditor *ed) {
  const long pos = ed->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS);
  return {int(ed->SendScintilla(QsciScintilla::SCI_POINTXFROMPOSITION, 0ul, pos)) + 1,
          int(ed->SendScintilla(QsciScintilla::SCI_POINTYFROMPOSITION, 0ul, pos)) + ed->textHeight(0) / 2};
}

// Runs command, which opens a file dialog, and chooses name in it the way a user does, typing
// it into the name field (which drops the file the dialog had selected at start). False when
// no dialog appeared or a check failed in it: the caller checks it.
[[nodiscard]] bool ChooseFile(const std::function<void()> &command, const QString &name) {
  ModalAnswer a;
  a.FileName = name;
  a.Check = [](QWidget *box) {
    if (auto *view = box->findChild<QListView *>(QStringLiteral("listView"))) view->clearSelection();
  };
  return answerModalDuring(a, command)->Shown && !QTest::currentTestFailed();
}

// Runs command through the guard and answers the error box it shows with OK.
ModalSeenPtr AnswerError(const std::function<void()> &command) {
  return answerModalDuring(Press(QStringLiteral("OK")), [&] { Guard(command); });
}
QString ErrorText(const std::function<void()> &command) {
  auto seen = AnswerError(command);
  return seen->Shown ? seen->Text : QStringLiteral("<no box>");
}

// What assistive technology was told, one "kind offset text" entry a report.
QStringList AccessReports;
void RecordAccessReport(QAccessibleEvent *event) {
  switch (event->type()) {
  case QAccessible::TextInserted: {
    auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
    AccessReports << QStringLiteral("insert %1 %2").arg(e->changePosition()).arg(e->textInserted());
    break;
  }
  case QAccessible::TextRemoved: {
    auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
    AccessReports << QStringLiteral("remove %1 %2").arg(e->changePosition()).arg(e->textRemoved());
    break;
  }
  case QAccessible::TextCaretMoved:
    AccessReports << QStringLiteral("caret %1").arg(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition());
    break;
  default: break;
  }
}
}  // namespace

class TestDdl : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempHome> FHome;
  FbDatabase FDb;
  QList<QPointer<QWidget>> FOpened;
  TSQLExprForm *F = nullptr;  // the window init() opens for every test
  TSQLEditor *Ed = nullptr;

  // A new window with text in its editor, active, the editor focused; null when it never
  // became active (the caller checks it).
  TSQLExprForm *Open(const QString &text = QString()) {
    TSQLExprForm *form = CreateSQLExprForm();
    FOpened << form;
    form->ExecSql->setPlainText(text);
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form)) return nullptr;
    form->ExecSql->setFocus();
    return form;
  }
  void SetText(const QString &text) {
    Ed->setPlainText(text);
    Ed->setFocus();
  }
  void Load(const QByteArray &bytes) { LoadEditorFromFile(Ed, WriteFile(bytes)); }

  int LogRows(const QString &event) {
    return fixtures::queryValue(FDb, QStringLiteral("SELECT COUNT(*) FROM T_LOG WHERE EVENT = '%1'").arg(event))
        .toInt();
  }
  int Exceptions(const char *name) { return fixtures::exceptionCount(FDb, QLatin1String(name)); }

private slots:
  void initTestCase() {
    FHome = fixtures::startDataModule(kTitle);
    FDb = fixtures::createDatabase(3, fixtures::Content::Known);
    fixtures::connectDataModule(FDb);
  }
  void init() {
    F = Open();
    QVERIFY(F);
    Ed = F->ExecSql;
  }
  void cleanup() {
    for (const QPointer<QWidget> &w : FOpened)
      if (w) fixtures::closeDiscarding(w);
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

  // A failed run shows the server's refusal and keeps the text. Auto commit rolls back, a
  // change made earlier in the same transaction with it; else the transaction stays open with
  // the earlier change. Two statements with ";" between them are not split (the server refuses
  // the pair, and neither is done); an empty editor still goes to the server, in a transaction.
  void failedRunKeepsTextAndTransactionState_data() {
    QTest::addColumn<bool>("autoCommit");
    QTest::addColumn<bool>("earlier");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("two statements, auto commit on")
        << true << true << "CREATE EXCEPTION E_PAIR1 'one';\nCREATE EXCEPTION E_PAIR2 'two';"
        << "Token unknown";
    QTest::newRow("no such table, auto commit off") << false << true << "INSERT INTO NO_SUCH_TABLE VALUES (1)"
                                                    << "NO_SUCH_TABLE";
    QTest::newRow("empty, auto commit off") << false << false << ""
                                            << "Unexpected end of command";
  }
  void failedRunKeepsTextAndTransactionState() {
    QFETCH(bool, autoCommit);
    QFETCH(bool, earlier);
    QFETCH(QString, text);
    QFETCH(QString, error);
    const QString event = QString::fromLatin1(QTest::currentDataTag()).left(20);
    if (earlier) {
      SetText(QStringLiteral("INSERT INTO T_LOG (EVENT) VALUES ('%1')").arg(event));
      QVERIFY(fixtures::runInWindow(F));
    }
    QCOMPARE(DMSys->IBDataBase->InTransaction(), earlier);
    AutoCommit = autoCommit;
    SetText(text);
    auto box = AnswerError([&] { QVERIFY(fixtures::runInWindow(F)); });
    QVERIFY(box->Shown);
    QCOMPARE(box->Caption, kTitle);
    QCOMPARE(box->Icon, QMessageBox::Critical);
    QVERIFY2(box->Text.contains(error), qPrintable(box->Text));
    QCOMPARE(Ed->toPlainText(), text);
    QCOMPARE(DMSys->IBDataBase->InTransaction(), !autoCommit);
    if (!autoCommit) DMSys->IBDataBase->Commit();
    QCOMPARE(LogRows(event), earlier && !autoCommit ? 1 : 0);
    QCOMPARE(Exceptions("E_PAIR1") + Exceptions("E_PAIR2"), 0);
  }

  // What the user meets, in the main window's area with the window's menu merged: caption, a
  // fixed-pitch no-wrap editor over the caret indicator, Tab typed as a character, the menus
  // with their shortcuts and hints, both file dialogs. Shortcuts in the editor go to the
  // context menu's item first, then the window menu's; the key is spent on the item, also
  // where the editor has a binding of its own (a second box from the merged menu bar would be
  // left unanswered, and the watchdog fails the test).
  void windowMenusAndKeys() {
    QMainWindow main;
    auto *area = new QMdiArea(&main);
    main.setCentralWidget(area);
    SetChildArea(area);
    const auto restore = qScopeGuard([] { SetChildArea(nullptr); });
    main.resize(900, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    TSQLExprForm *form = Open();
    QVERIFY(form);
    main.menuBar()->addMenu(form->MnDDL);  // as the main window merges it
    TSQLEditor *ed = form->ExecSql;
    QCOMPARE(form->windowTitle(), QStringLiteral("DDL  Statements editor"));
    QVERIFY(ed->toPlainText().isEmpty());
    // Whatever face stands in for the one asked for, its letters are all of one width.
    const QFontMetricsF metrics(ed->font());
    QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
    QCOMPARE(QFontInfo(ed->font()).pixelSize(), 17);
    QCOMPARE(ed->wrapMode(), QsciScintilla::WrapNone);
    QVERIFY(ed->horizontalScrollBar()->isVisible() && ed->verticalScrollBar()->isVisible());
    const QLabel *pos = form->PosIndic;
    QVERIFY(pos->text().isEmpty() && pos->geometry().top() >= ed->geometry().bottom() && QFontInfo(pos->font()).bold());
    QCOMPARE(std::pair(pos->height(), QFontInfo(pos->font()).pixelSize()), std::pair(24, 13));

    QTest::keyClicks(ed, QStringLiteral("A"));
    QTest::keyClick(ed, Qt::Key_Tab);
    QTest::keyClicks(ed, QStringLiteral("B"));
    QCOMPARE(ed->toPlainText(), QStringLiteral("A\tB"));
    QCOMPARE(QApplication::focusWidget(), ed);

    QCOMPARE(form->MergedMenus(), QList<QMenu *>{form->MnDDL});
    QCOMPARE(form->MnDDL->title(), QStringLiteral("&DDL"));
    QCOMPARE(form->MnDDL->menuAction()->statusTip(), QStringLiteral("DDL statements menu"));
    const QStringList ddl{"&Run|F9|Run DDL statement|on",
                          "Run s&tatement|Ctrl+Return|Run the statement under the caret|on",
                          "Run as &script|Shift+F9|Run the statements of the script one after another|on",
                          "&Select|Ctrl+Space|Select saved DDL statement from repository|on",
                          "&Load from File|F3|Load DDL statement from File|on",
                          "Save to &File|Ctrl+S|Save active DDL statement to file|on",
                          "&Add to repository||Add active DDL statement to repository|on"};
    QCOMPARE(fixtures::menuItems(form->MnDDL), ddl);
    QCOMPARE(fixtures::menuItems(form->PopupMenu1),
             QStringList({"&Cut|Ctrl+Del|Cut to clipboard|on", "C&opy|Ctrl+Ins|Copy to clipboard|on",
                          "&Paste|Shift+Ins|Paste from clipboard|on", "-"}) +
                 ddl.mid(0, 3) + QStringList{"-"} + ddl.mid(3) +
                 QStringList({"-", "&Insert statement wizard..||Creates insert statement using drag and drop tech.|off",
                              "&Update statement wizard...||Create update statement using visual tools|off"}));
    emit ed->customContextMenuRequested(QPoint(5, 5));
    QTRY_VERIFY(form->PopupMenu1->isVisible());
    form->PopupMenu1->hide();

    // Every file command opens its dialog, once: two filter entries, the first selected,
    // default extension DDL.
    const QList<std::tuple<QString, bool, QAction *>> fileCommands{{"F3", false, nullptr},
                                                                   {"Ctrl+S", true, nullptr},
                                                                   {"menu load", false, form->MNLoadfromFile},
                                                                   {"menu save", true, form->MnSaveToFile},
                                                                   {"context load", false, form->LoadfromFile1},
                                                                   {"context save", true, form->SavetoFile1}};
    for (const auto &[command, save, item] : fileCommands) {
      auto box = answerModalDuring(Press(QStringLiteral("Cancel")), [&] {
        if (item)
          item->trigger();
        else
          QTest::keySequence(ed, QKeySequence(command));
      });
      QVERIFY2(box->Shown, qPrintable(command));
      QCOMPARE(box->NameFilters, QStringList({"SQL scripts (*.sql *.ddl)", "DDL statements (*.DDL)", "All files (*)"}));
      QCOMPARE(box->SelectedNameFilter, QStringLiteral("SQL scripts (*.sql *.ddl)"));
      QCOMPARE(box->DefaultSuffix, QStringLiteral("DDL"));
      QCOMPARE(box->SaveMode, save);
    }
    QCOMPARE(ed->toPlainText(), QStringLiteral("A\tB"));

    // F9 sends the whole text as one request, once, although the merged menu bar carries the
    // same shortcut; auto commit commits it.
    AutoCommit = true;
    const QString insert = QStringLiteral("INSERT INTO T_LOG (EVENT)\nVALUES ('keys')");
    ed->setPlainText(insert);
    QTest::keyClick(ed, Qt::Key_F9);
    QTRY_VERIFY(!form->StatementRunning());
    QCOMPARE(LogRows(QStringLiteral("keys")), 1);
    QVERIFY(!DMSys->IBDataBase->InTransaction());
    QCOMPARE(ed->toPlainText(), insert);

    // Ctrl+A selects all, as everywhere on this platform (Add to repository has no key).
    ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    QTest::keyClick(ed, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(ed->selectedText(), insert);
    // Ctrl+Ins copies, Ctrl+Del cuts (not "delete word"), Shift+Ins pastes.
    ed->setPlainText(QStringLiteral("alpha beta"));
    SetSel(ed, 0, 5);
    QTest::keyClick(ed, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha"));
    QTest::keyClick(ed, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(ed->toPlainText(), QStringLiteral(" beta"));
    ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    QTest::keyClick(ed, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(ed->toPlainText(), QStringLiteral(" betaalpha"));
    // The same through the context menu's items.
    ed->selectAll();
    form->Copy1->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" betaalpha"));
    form->Cut1->trigger();
    QVERIFY(ed->toPlainText().isEmpty());
    form->Paste1->trigger();
    form->Paste1->trigger();
    QCOMPARE(ed->toPlainText(), QStringLiteral(" betaalpha betaalpha"));
    // A paste replaces the selection in one undo step, its line breaks made the editor's, its
    // text styled at once, the caret after it; the component's paste keeps a rectangle's.
    SetSel(ed, 1, 5);
    QGuiApplication::clipboard()->setText(QStringLiteral("SELECT 1\r\nFROM\rT"));
    QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(ed->toPlainText(), QStringLiteral(" SELECT 1\nFROM\nTalpha betaalpha"));
    QCOMPARE(ed->SendScintilla(QsciScintilla::SCI_GETSTYLEAT, 1l), long(TSQLLexer::Keyword));
    QCOMPARE(ed->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS), 16l);
    ed->undo();
    QCOMPARE(ed->toPlainText(), QStringLiteral(" betaalpha betaalpha"));
    ed->setPlainText(QStringLiteral("ab\ncd"));
    ed->SendScintilla(QsciScintilla::SCI_SETRECTANGULARSELECTIONANCHOR, 0l);
    ed->SendScintilla(QsciScintilla::SCI_SETRECTANGULARSELECTIONCARET, 4l);
    QTest::keyClick(ed, Qt::Key_Insert, Qt::ControlModifier);
    ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    QTest::keyClick(ed, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(ed->toPlainText(), QStringLiteral("ab\ncda\n  c"));

    fixtures::closeDiscarding(form);
  }

  void caretIndicator() {
    SetText(QStringLiteral("first\nsecond line\n\tthird"));
    QVERIFY(F->PosIndic->text().isEmpty());
    Ed->SendScintilla(QsciScintilla::SCI_DOCUMENTSTART);

    // Any key release refreshes it, navigation keys included.
    QTest::keyRelease(Ed, Qt::Key_Shift);
    QCOMPARE(F->PosIndic->text(), PosText(1, 0));
    QTest::keyClick(Ed, Qt::Key_Down);
    QTest::keyClick(Ed, Qt::Key_End);
    QCOMPARE(F->PosIndic->text(), PosText(2, 11));
    QTest::keyClick(Ed, Qt::Key_Down);
    QTest::keyClick(Ed, Qt::Key_Home);
    QTest::keyClick(Ed, Qt::Key_Right);
    QCOMPARE(F->PosIndic->text(), PosText(3, 1));  // a tab is one character

    // A selection over lines reports where it starts, whichever way it was made.
    const int end = Ed->length();
    for (const auto &[anchor, position] : {std::pair{8, end}, std::pair{end, 8}}) {
      SetSel(Ed, anchor, position);
      QTest::keyRelease(Ed, Qt::Key_Shift);
      QVERIFY2(F->PosIndic->text() == PosText(2, 2), qPrintable(QStringLiteral("from %1").arg(anchor)));
    }

    // A mouse click, a paste from the menu or a load leave it until the next key release.
    Ed->SendScintilla(QsciScintilla::SCI_DOCUMENTSTART);
    QTest::mouseClick(Ed->viewport(), Qt::LeftButton, {}, CaretPoint(Ed));
    QCOMPARE(F->PosIndic->text(), PosText(2, 2));
    Load("a\nb\nc\nd\n");
    QCOMPARE(F->PosIndic->text(), PosText(2, 2));
    QTest::keyClick(Ed, Qt::Key_Down);
    QCOMPARE(F->PosIndic->text(), PosText(2, 0));
  }

  // A large file behaves line for line like a small one: text, line numbers, moves, edits.
  void largeFileIsLinesLikeAnyOther() {
    QByteArray bytes;
    for (int i = 1; i <= 30016; ++i)  // the text's blocks hold 64 lines: END is alone in its block
      bytes += "  COL_" + QByteArray::number(i) +
               (i % 7 ? "\tINTEGER,\r\n"
                      : " VARCHAR(9) DEFAULT 'a\xC2\xA0"
                        "b',\n");
    bytes += "END";
    Load(bytes);
    QCoreApplication::processEvents();
    QCOMPARE(EditorText(Ed).toUtf8(), QByteArray(bytes).replace("\r\n", "\n").replace("\n", "\r\n"));
    QCOMPARE(EditorLines(Ed).Count(), 30017);
    // The scroll range reaches the last line.
    const long onScreen = Ed->SendScintilla(QsciScintilla::SCI_LINESONSCREEN);
    QVERIFY2(Ed->verticalScrollBar()->maximum() + onScreen >= 30017,
             qPrintable(QStringLiteral("%1 + %2").arg(Ed->verticalScrollBar()->maximum()).arg(onScreen)));
    QTest::keyClick(Ed, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(F->PosIndic->text(), PosText(30017, 3));

    // The start of line 20000, found by its offset in the text (one position per line break).
    QStringList expected = TStringList::SplitLines(QString::fromUtf8(bytes));
    int offset = 0;
    for (int i = 0; i < 19999; ++i)
      offset += expected[i].size() + 1;
    Ed->SelectChars(offset, offset);
    QTest::keyClick(Ed, Qt::Key_Right);
    QCOMPARE(F->PosIndic->text(), PosText(20000, 1));
    for (int i = 0; i < 130; ++i)  // down over the places where the text's blocks meet
      QTest::keyClick(Ed, Qt::Key_Down);
    QCOMPARE(F->PosIndic->text(), PosText(20130, 1));
    QTest::keyClick(Ed, Qt::Key_Home);
    QTest::keyClicks(Ed, QStringLiteral("X"));
    QTest::keyClick(Ed, Qt::Key_Return);
    QCOMPARE(F->PosIndic->text(), PosText(20131, 0));
    expected.insert(20129, QStringLiteral("X"));

    QTest::keyClick(Ed, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 63; ++i)
      QTest::keyClick(Ed, Qt::Key_Down);
    QTest::keyClick(Ed, Qt::Key_End);
    QTest::keyClick(Ed, Qt::Key_Return);
    QCOMPARE(F->PosIndic->text(), PosText(65, 0));
    expected.insert(64, QString());
    QTest::keyClick(Ed, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(F->PosIndic->text(), PosText(30019, 3));

    QCOMPARE(EditorLines(Ed).Lines(), expected);
    const QString saved = NewPath();
    SaveEditorToFile(Ed, saved);
    QCOMPARE(fixtures::readFile(saved), expected.join(QStringLiteral("\r\n")).toUtf8());
  }

  // Load then Save gives the file's own bytes back whatever its encoding, with CR LF for every
  // line break (a lone LF or CR included) and a final break kept; the loaded text replaces the
  // editor's, in the editor's face; the save dialog replaces an existing file without a
  // question. What runs is the text the editor shows.
  void loadThenSaveKeepsTheBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("saved");  // when not the bytes loaded
    const auto utf16 = [](QStringConverter::Encoding e) {
      return QByteArray(QStringEncoder(e, QStringConverter::Flag::WriteBom)(QStringLiteral("DROP\r\nX")));
    };
    QTest::newRow("lone LF") << QByteArray("CREATE TABLE X (\n  A INTEGER\n)")
                             << QStringLiteral("CREATE TABLE X (\n  A INTEGER\n)")
                             << QByteArray("CREATE TABLE X (\r\n  A INTEGER\r\n)");
    QTest::newRow("mixed breaks, a final one")
        << QByteArray("one\rtwo\r\nthree\n\nfive\n") << QStringLiteral("one\ntwo\nthree\n\nfive\n")
        << QByteArray("one\r\ntwo\r\nthree\r\n\r\nfive\r\n");
    QTest::newRow("a national code page")
        << QByteArray("-- \xC0\xE8\xF0\xFE kolonna\r\nSELECT '\xE0' FROM X")
        << QStringLiteral("-- \u00C0\u00E8\u00F0\u00FE kolonna\nSELECT '\u00E0' FROM X") << QByteArray();
    QTest::newRow("UTF-8") << QStringLiteral("-- Ābeļu kolonna\r\nSELECT 1").toUtf8()
                           << QStringLiteral("-- Ābeļu kolonna\nSELECT 1") << QByteArray();
    QTest::newRow("UTF-8 with a no-break space")
        << QByteArray(
               "SELECT 'a\xC2\xA0"
               "b'\r\nFROM RDB$DATABASE")
        << QStringLiteral("SELECT 'a\u00A0b'\nFROM RDB$DATABASE") << QByteArray();
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBF-- \xC4\x80\r\nSELECT 1") << QStringLiteral("-- \u0100\nSELECT 1") << QByteArray();
    QTest::newRow("UTF-16 little-endian")
        << utf16(QStringConverter::Utf16LE) << QStringLiteral("DROP\nX") << QByteArray();
    QTest::newRow("UTF-16 big-endian") << utf16(QStringConverter::Utf16BE) << QStringLiteral("DROP\nX") << QByteArray();
    QTest::newRow("separators inside lines") << QByteArray(
                                                    "SELECT 'a\xE2\x80\xA8"
                                                    "b' FROM X\r\n-- \xE2\x80\xA8")
                                             << QStringLiteral("SELECT 'a\u2028b' FROM X\n-- \u2028") << QByteArray();
  }
  void loadThenSaveKeepsTheBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);
    const bool dialogs = !saved.isEmpty();  // the line-break rows go through the file dialogs
    SetText(QStringLiteral("old text"));
    if (dialogs)
      QVERIFY(ChooseFile([&] { QTest::keyClick(Ed, Qt::Key_F3); }, WriteFile(bytes)));
    else
      Load(bytes);
    QCOMPARE(Ed->toPlainText(), shown);
    QCOMPARE(EditorText(Ed), QString(shown).replace(u'\n', QStringLiteral("\r\n")));
    QCOMPARE(QFontInfo(Ed->Lexer()->font(TSQLLexer::Default)).pixelSize(), 17);
    const QString file = WriteFile("an existing file");
    if (dialogs)
      QVERIFY(ChooseFile([&] { QTest::keyClick(Ed, Qt::Key_S, Qt::ControlModifier); }, file));
    else
      SaveEditorToFile(Ed, file);
    QCOMPARE(fixtures::readFile(file), dialogs ? saved : bytes);
    // A character the code page cannot hold is not lost: the file is then written as UTF-8.
    Ed->insert(QStringLiteral("\u0101"));
    SaveEditorToFile(Ed, file);
    const QByteArray again = fixtures::readFile(file);
    QStringDecoder decode(QStringConverter::encodingForData(again).value_or(QStringConverter::Utf8));
    QCOMPARE(QString(decode(again)), EditorText(Ed));
  }

  // Loads and saves that fail show the error and leave the editor (and the old file) alone,
  // at once; a file of one line of megabytes loads, shows and scrolls sideways.
  void failedLoadsAndSavesLoseNothing() {
    SetText(QStringLiteral("keep me\nplease"));
    const QString missing = NewPath(), fifo = fixtures::tempPath(QStringLiteral("fifo"));
    const QString dir = fixtures::tempPath(QStringLiteral("dir")), huge = WriteFile(QByteArray());
    fixtures::makeHostileFile(fifo, fixtures::Hostile::Fifo);
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QFile::resize(huge, kMaxEditorFileBytes + 1));  // sparse: costs no disk
    const QString binary = WriteFile(QByteArray("MZ\x90\x00\x03\x00\x00\x00\x04", 9), QStringLiteral(".exe"));
    const QString oneLine = WriteFile("INSERT INTO T VALUES ('" + QByteArray(256 << 10, 'x') + "')");
    const auto cannotOpen = QStringLiteral("Cannot open file %1.");
    const QList<std::pair<QString, QString>> loads{
        {missing, cannotOpen.arg(missing)},
        {QStringLiteral("/dev/zero"), cannotOpen.arg(QStringLiteral("/dev/zero"))},
        {fifo, cannotOpen.arg(fifo)},
        {dir, cannotOpen.arg(dir)},
        {binary, QStringLiteral("File %1 is not a text file.").arg(binary)},
        {huge, QStringLiteral("Text exceeds memo capacity.")}};
    QElapsedTimer timer;
    for (const auto &[file, message] : loads) {
      timer.start();
      QCOMPARE(ErrorText([&] { LoadEditorFromFile(Ed, file); }), message);
      QVERIFY2(timer.elapsed() < fixtures::boundMs(2000), qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
      QVERIFY2(Ed->toPlainText() == QStringLiteral("keep me\nplease"), qPrintable(file));
    }
    // Saving into a missing directory, or over a directory.
    for (const QString &file : {fixtures::tempPath(QStringLiteral("nodir")) + QStringLiteral("/x.DDL"), dir})
      QCOMPARE(ErrorText([&] { SaveEditorToFile(Ed, file); }), QStringLiteral("Cannot create file %1.").arg(file));
    QVERIFY(QFileInfo(dir).isDir());
    QCOMPARE(Ed->toPlainText(), QStringLiteral("keep me\nplease"));

    timer.restart();
    LoadEditorFromFile(Ed, oneLine);
    Ed->viewport()->repaint();
    QVERIFY2(timer.elapsed() < fixtures::boundMs(2000), qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    QCOMPARE(EditorLines(Ed).Count(), 1);
    QCOMPARE(Ed->lineLength(0), (256 << 10) + 25);
    // They scroll sideways, also after the window's width has changed.
    QCoreApplication::processEvents();
    const int sideways = Ed->horizontalScrollBar()->maximum();
    QVERIFY(sideways > 0);
    F->window()->resize(F->window()->width() + 80, F->window()->height());
    QCoreApplication::processEvents();
    QCOMPARE(Ed->horizontalScrollBar()->maximum(), sideways - 80);
    QCOMPARE(Ed->SendScintilla(QsciScintilla::SCI_WRAPCOUNT, 0ul), 1l);  // no wraps
  }

  // Each window runs its own text; closing one destroys it without a question. A window made
  // with lines shows them at once.
  // Closing a window whose text changed since it was opened, loaded or saved offers to save it:
  // The load dialog offers SQL scripts first, then the classic DDL files, then everything; its
  // patterns match names of either case.
  void fileDialogFilters() {
    QTemporaryDir dir;
    for (const char *name : {"a.sql", "B.SQL", "c.ddl", "D.DDL", "e.txt"})
      fixtures::writeFile(dir.filePath(QLatin1String(name)), "SELECT 1");
    F->OpenDlg.InitialDir = dir.path();
    const QMap<QString, QStringList> expected{{"SQL scripts (*.sql *.ddl)", {"a.sql", "B.SQL", "c.ddl", "D.DDL"}},
                                              {"DDL statements (*.DDL)", {"c.ddl", "D.DDL"}},
                                              {"All files (*)", {"a.sql", "B.SQL", "c.ddl", "D.DDL", "e.txt"}}};
    QMap<QString, QStringList> listed;
    ModalAnswer look = Press(QStringLiteral("Cancel"), [&](QWidget *box) {
      auto *fd = qobject_cast<QFileDialog *>(box);
      auto *model = fd->findChild<QFileSystemModel *>();
      for (const QString &filter : fd->nameFilters()) {
        fd->selectNameFilter(filter);
        // The dialog reads the directory and filters it from its event loop.
        (void)QTest::qWaitFor([&] {
          QStringList names;
          const QModelIndex root = model->index(dir.path());
          for (int r = 0; r < model->rowCount(root); ++r)
            if (model->index(r, 0, root).flags() & Qt::ItemIsEnabled)
              names << model->index(r, 0, root).data().toString();
          names.sort(Qt::CaseInsensitive);
          listed[filter] = names;
          return names == expected.value(filter);
        });
      }
    });
    auto seen = answerModalDuring(look, [&] { F->LoadFromFileClick(); });
    QVERIFY(seen->Shown);
    QCOMPARE(seen->NameFilters, (QStringList{"SQL scripts (*.sql *.ddl)", "DDL statements (*.DDL)", "All files (*)"}));
    QCOMPARE(seen->SelectedNameFilter, "SQL scripts (*.sql *.ddl)");
    QCOMPARE(listed, expected);
  }

  // Yes saves through the save dialog (cancelled there, the window stays), No discards, Cancel
  // stays.
  void closeOffersToSaveChanges_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("answers");  // to the question, then to the save dialog
    QTest::addColumn<bool>("closed");
    QTest::newRow("untouched") << "none" << QStringList() << true;
    QTest::newRow("opened with lines") << "lines" << QStringList() << true;
    QTest::newRow("loaded") << "loaded" << QStringList() << true;
    QTest::newRow("typed, then saved") << "saved" << QStringList() << true;
    QTest::newRow("typed, then undone") << "undone" << QStringList() << true;
    QTest::newRow("typed, No") << "typed" << QStringList{"&No"} << true;
    QTest::newRow("typed, Cancel") << "typed" << QStringList{"Cancel"} << false;
    QTest::newRow("typed, Yes, saved") << "typed" << QStringList{"&Yes", "file"} << true;
    QTest::newRow("typed, Yes, not saved") << "typed" << QStringList{"&Yes", "Cancel"} << false;
  }
  void closeOffersToSaveChanges() {
    QFETCH(QString, change);
    QFETCH(QStringList, answers);
    QFETCH(bool, closed);
    TSQLExprForm *form = F;
    if (change == QLatin1String("lines")) FOpened << (form = CreateSQLExprForm(TStringList({"SELECT 1", "FROM X"})));
    const QString typed = QStringLiteral("CREATE EXCEPTION E_TYPED 'typed'");
    if (change != QLatin1String("none") && change != QLatin1String("lines") && change != QLatin1String("loaded"))
      QTest::keyClicks(form->ExecSql, typed);
    if (change == QLatin1String("undone")) form->ExecSql->undo();
    if (change == QLatin1String("saved")) QVERIFY(ChooseFile([&] { form->SaveToFileClick(); }, NewPath()));
    if (change == QLatin1String("loaded"))
      QVERIFY(ChooseFile([&] { form->LoadFromFileClick(); }, WriteFile("SELECT 1")));

    const QString file = NewPath();
    QList<ModalAnswer> replies;
    for (const QString &answer : answers) {
      ModalAnswer reply = Press(answer);
      if (answer == QLatin1String("file")) reply = ModalAnswer{QString(), QString(), 0, file};
      replies << reply;
    }
    BoxSequence boxes(replies);
    QCOMPARE(form->close(), closed);
    QCOMPARE(boxes.Count(), answers.size());
    if (!answers.isEmpty()) {
      QCOMPARE(boxes[0].Text, QStringLiteral("Save changes to the statements?"));
      QCOMPARE(boxes[0].Buttons, QStringList({"&Yes", "&No", "Cancel"}));
    }
    if (answers.size() > 1) QVERIFY(boxes[1].SaveMode);
    QCOMPARE(QFile::exists(file), answers.contains(QLatin1String("file")));
    if (QFile::exists(file)) QCOMPARE(QString::fromUtf8(fixtures::readFile(file)).trimmed(), typed);
  }

  void windowsAreIndependent() {
    AutoCommit = true;
    SetText(QStringLiteral("CREATE EXCEPTION E_WIN_ONE 'one'"));
    TSQLExprForm *two = Open(QStringLiteral("CREATE EXCEPTION E_WIN_TWO 'two'"));
    QVERIFY(two && two != F);
    QTest::keyClick(two->ExecSql, Qt::Key_End);
    QVERIFY(fixtures::runInWindow(two));
    QCOMPARE(Exceptions("E_WIN_TWO"), 1);
    QCOMPARE(Exceptions("E_WIN_ONE"), 0);
    QCOMPARE(Ed->toPlainText(), QStringLiteral("CREATE EXCEPTION E_WIN_ONE 'one'"));
    QVERIFY(F->PosIndic->text().isEmpty());
    QVERIFY(!two->PosIndic->text().isEmpty());

    QPointer<TSQLExprForm> gone = two;
    fixtures::closeDiscarding(two);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!gone);
    F->activateWindow();
    Ed->setFocus();
    QVERIFY(fixtures::runInWindow(F));
    QCOMPARE(Exceptions("E_WIN_ONE"), 1);

    TSQLExprForm *lines = CreateSQLExprForm(TStringList({"CREATE VIEW V (A) AS", "SELECT ID FROM T_MASTER"}));
    FOpened << lines;
    QVERIFY(lines->isVisible());
    QCOMPARE(EditorText(lines->ExecSql), QStringLiteral("CREATE VIEW V (A) AS\r\nSELECT ID FROM T_MASTER"));
    QVERIFY(lines->PosIndic->text().isEmpty());
  }

  // Highlighting as the splitter reads the text: a ';' inside a Q-string, a quoted identifier,
  // a comment or a PSQL body after SET TERM is no terminator; keywords of any case are.
  void highlighting() {
    SetText(
        QStringLiteral("select q'{a;b}', \"x;y\" FROM T; -- c;\nSET TERM ^ ;\n"
                       "CREATE PROCEDURE P AS BEGIN EXIT; END^\nSET TERM ; ^\nSELECT 'it''s' FROM T;"));
    Ed->SendScintilla(QsciScintilla::SCI_COLOURISE, 0l, -1l);
    const QString text = Ed->toPlainText();
    const QList<std::tuple<QString, int, int>> expected{{"select", 0, TSQLLexer::Keyword},
                                                        {"q'{a;b}'", 0, TSQLLexer::String},
                                                        {"\"x;y\"", 0, TSQLLexer::QuotedIdentifier},
                                                        {";", 1, TSQLLexer::Terminator},
                                                        {"-- c;", 0, TSQLLexer::Comment},
                                                        {"^ ;", 2, TSQLLexer::Terminator},
                                                        {"EXIT;", 4, TSQLLexer::Default},
                                                        {"^", 2, TSQLLexer::Terminator},
                                                        {"; ^", 2, TSQLLexer::Terminator},
                                                        {"'it''s'", 0, TSQLLexer::String}};
    qsizetype from = 0;
    for (const auto &[piece, offset, style] : expected) {
      from = text.indexOf(piece, from);
      QVERIFY2(from >= 0, qPrintable(piece));
      for (int i = 0; i < piece.size(); ++i) {
        const int at = i == offset || (style != TSQLLexer::Terminator && offset == 0) ? style : -1;
        if (at >= 0)
          QVERIFY2(Ed->SendScintilla(QsciScintilla::SCI_GETSTYLEAT, long(from + i)) == at,
                   qPrintable(QStringLiteral("%1 at %2").arg(piece).arg(i)));
      }
      from += piece.size();
    }
  }

  // Find (Ctrl+F, F3 where no menu has it, Shift+F3) with case, whole word and wrap; Replace
  // all is one undo step; a regular expression replaces with its groups; Ctrl+/ comments the
  // selected lines and back, one undo step each; Go to line moves the caret.
  void findReplaceAndLines() {
    const QString text = QStringLiteral("alpha beta Alpha\nalphabet alpha");
    SetText(text);
    QTest::keyClick(Ed, Qt::Key_F, Qt::ControlModifier);
    TFindDialog *find = Ed->FindDialog();
    QVERIFY(find && find->isVisible() && !find->ReplaceAllBtn->isVisible());
    find->FindEdit->setText(QStringLiteral("alpha"));
    find->WordBox->setChecked(true);
    QStringList found;
    for (int i = 0; i < 4; ++i) {
      find->NextBtn->click();
      int line = 0, index = 0;
      Ed->getCursorPosition(&line, &index);
      found << QStringLiteral("%1:%2 %3").arg(line).arg(index).arg(Ed->selectedText());
    }
    QCOMPARE(found, QStringList({"0:5 alpha", "0:16 Alpha", "1:14 alpha", "0:5 alpha"}));  // wrapped
    QTest::keyClick(Ed, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(Ed->selectedText(), QStringLiteral("alpha"));
    QCOMPARE(Ed->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART), 26l);  // backward, wrapped
    find->CaseBox->setChecked(true);
    find->MarkAllBtn->click();
    QCOMPARE(find->Status->text(), QStringLiteral("2 found"));
    // On a line many screens wide the marks follow the view.
    Ed->setPlainText(QStringLiteral("alpha ").repeated(5000));
    const auto marked = [&](long at) {
      return Ed->SendScintilla(QsciScintilla::SCI_INDICATORVALUEAT, TSQLEditor::FoundIndicator, at) != 0;
    };
    QCOMPARE(Ed->MarkAll(QStringLiteral("alpha"), find->Options()), 5000);
    QVERIFY(marked(0) && !marked(6 * 4999));
    Ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    Ed->viewport()->repaint();
    QVERIFY(marked(6 * 4999));
    Ed->setWrapMode(QsciScintilla::WrapWord);  // a wrapped line's every shown row
    Ed->SendScintilla(QsciScintilla::SCI_DOCUMENTSTART);
    QCOMPARE(Ed->MarkAll(QStringLiteral("alpha"), find->Options()), 5000);
    QVERIFY(marked(6 * 100));
    Ed->setWrapMode(QsciScintilla::WrapNone);
    Ed->setPlainText(text);

    QTest::keyClick(Ed, Qt::Key_H, Qt::ControlModifier);
    QVERIFY(find->ReplaceAllBtn->isVisible());
    find->CaseBox->setChecked(false);
    find->ReplaceEdit->setText(QStringLiteral("omega"));
    find->ReplaceAllBtn->click();
    QCOMPARE(Ed->toPlainText(), QStringLiteral("omega beta omega\nalphabet omega"));
    Ed->undo();
    QCOMPARE(Ed->toPlainText(), text);
    find->WordBox->setChecked(false);
    find->RegExpBox->setChecked(true);
    find->FindEdit->setText(QStringLiteral("al(p)ha"));
    find->ReplaceEdit->setText(QStringLiteral("<\\1>"));
    find->ReplaceAllBtn->click();
    QCOMPARE(Ed->toPlainText(), QStringLiteral("<p> beta <p>\n<p>bet <p>"));
    find->hide();

    SetText(QStringLiteral("SELECT 1\n  FROM X\n\nWHERE 1 = 1"));
    SetSel(Ed, 2, Ed->length());
    QTest::keyClick(Ed, Qt::Key_Slash, Qt::ControlModifier);
    QCOMPARE(Ed->toPlainText(), QStringLiteral("-- SELECT 1\n--   FROM X\n\n-- WHERE 1 = 1"));
    QTest::keyClick(Ed, Qt::Key_Slash, Qt::ControlModifier);
    QCOMPARE(Ed->toPlainText(), QStringLiteral("SELECT 1\n  FROM X\n\nWHERE 1 = 1"));
    Ed->undo();
    QCOMPARE(Ed->toPlainText(), QStringLiteral("-- SELECT 1\n--   FROM X\n\n-- WHERE 1 = 1"));
    auto ask = answerModalDuring(Press(QStringLiteral("Cancel")),
                                 [&] { QTest::keyClick(Ed, Qt::Key_G, Qt::ControlModifier); });
    QVERIFY(ask->Shown);
    Ed->GoToLine(4);
    QTest::keyRelease(Ed, Qt::Key_Shift);
    QCOMPARE(F->PosIndic->text(), PosText(4, 0));
  }

  // Assistive technology reads the text and caret in UTF-16 offsets (a character outside the
  // BMP counts two, one of two bytes one), and hears of each change and caret move.
  void accessibility() {
    const QString text = QStringLiteral("SELECT '\u00e4\u20ac'\n\U0001D11E FROM T\n");
    SetText(text);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(Ed);
    QVERIFY(iface && iface->textInterface() && iface->editableTextInterface());
    QAccessibleTextInterface *t = iface->textInterface();
    QCOMPARE(t->characterCount(), int(text.size()));
    QCOMPARE(t->text(0, int(text.size())), text);
    QCOMPARE(t->text(12, 14), QStringLiteral("\U0001D11E"));
    t->setCursorPosition(14);
    QCOMPARE(Ed->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS), long(text.left(14).toUtf8().size()));
    t->setSelection(0, 8, 10);
    QCOMPARE(Ed->selectedText(), QStringLiteral("\u00e4\u20ac"));
    int from = 0, to = 0;
    t->selection(0, &from, &to);
    QCOMPARE(QPair(from, to), QPair(8, 10));

    Ed->SendScintilla(QsciScintilla::SCI_GOTOPOS, long(text.left(12).toUtf8().size()));
    SetEditorAccessListener(RecordAccessReport);
    const auto restore = qScopeGuard([] { SetEditorAccessListener(nullptr); });
    AccessReports.clear();
    QTest::keyClick(Ed, Qt::Key_X);
    Ed->viewport()->repaint();
    QTest::keyClick(Ed, Qt::Key_Backspace);
    Ed->viewport()->repaint();
    QCOMPARE(AccessReports, QStringList({"insert 12 x", "caret 13", "remove 12 x", "caret 12"}));
    QCOMPARE(Ed->toPlainText(), text);
  }

  // Completion from the names read once per connection: keywords and tables by their start,
  // the columns of a table after an alias, quoted where the name needs it; Ctrl+Shift+Space
  // opens the list and Return takes the entry.
  void completion() {
    AutoCommit = true;
    FbSession()->Execute(QStringLiteral("CREATE TABLE \"odd \"\"q\"\" table\" (\"say \"\"hi\"\" col\" INTEGER)"));
    TCatalogNames *names = CatalogNames();
    QVERIFY(names);
    names->Names();  // read again: the catalog changed
    names->Wait();
    QVERIFY(names->Names());
    const QList<std::tuple<QString, int, QStringList>> cases{
        {"SELECT L.EV FROM T_LOG L", 11, {"EVENT"}},
        {"SELECT o.sa FROM \"odd \"\"q\"\" table\" AS o", 11, {"\"say \"\"hi\"\" col\""}},
        {"SELECT * FROM T_DE", 18, {"T_DETAIL"}},
        {"SELECT * FROM T_MASTER M WHERE M.", 33, names->Names()->Columns.value("T_MASTER")},
        {"sel", 3, {"SELECT"}}};
    for (const auto &[text, at, entries] : cases) {
      SetText(text);
      Ed->SendScintilla(QsciScintilla::SCI_GOTOPOS, long(at));
      QVERIFY2(Ed->CompletionEntries() == entries, qPrintable(text + ": " + Ed->CompletionEntries().join(u'|')));
    }
    SetText(QStringLiteral("SELECT L.EV FROM T_LOG L"));
    Ed->SendScintilla(QsciScintilla::SCI_GOTOPOS, 11l);
    QTest::keyClick(Ed, Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(Ed->isListActive());
    QTest::keyClick(Ed, Qt::Key_Return);
    QCOMPARE(Ed->toPlainText(), QStringLiteral("SELECT L.EVENT FROM T_LOG L"));
    SetText(QString());  // three letters typed in lower case open the list by themselves
    QTest::keyClicks(Ed, QStringLiteral("sel"));
    QVERIFY(Ed->isListActive());
  }

  // A server's error inside a statement shows its whole message, and its line and column are
  // marked in the editor, the caret there.
  void errorInPlace() {
    SetText(QStringLiteral("UPDATE T_LOG\n  SET EVENT = 'x'\n  WHERE ITEM_ID = 1\n AND  NOPE = 1"));
    auto box = AnswerError([&] { QVERIFY(fixtures::runInWindow(F)); });
    QVERIFY2(box->Text.contains(QLatin1String("NOPE")) && box->Text.contains(QLatin1String("At line 4, column 7")),
             qPrintable(box->Text));
    QCOMPARE(Ed->ErrorLine(), 4);
    QTest::keyRelease(Ed, Qt::Key_Shift);
    QCOMPARE(F->PosIndic->text(), PosText(4, 6));
    Ed->SendScintilla(QsciScintilla::SCI_SETTEXT, 0ul, "UPDATE T_LOG SET EVENT = EVENT WHERE 1 = 0");
    QVERIFY(fixtures::runInWindow(F));  // a run that succeeds takes the mark away
    QCOMPARE(Ed->ErrorLine(), 0);
  }

  void repositoryCommands() {
    const QString source = QStringLiteral("CREATE DOMAIN D_KEPT AS INTEGER;\r\n-- no break at the end");
    SetText(QStringLiteral("CREATE DOMAIN D_KEPT AS INTEGER;\n-- no break at the end"));

    // Add to repository stores the text as the editor holds it.
    auto name = answerModalDuring(Type(QStringLiteral("kept domain"), QStringLiteral("OK")),
                                  [&] { F->MnAddToRepository->trigger(); });
    QVERIFY(name->Shown);
    QCOMPARE(fixtures::repositoryEntries().value(QStringLiteral("kept domain")), source);
    fixtures::closeWindows("TObjRepos");

    // A cancelled pick changes nothing and says nothing (a box would meet the watchdog).
    F->activateWindow();
    SetText(QStringLiteral("something else"));
    auto pick = answerModalDuring(Press(QStringLiteral("Cancel")),
                                  [&] { QTest::keyClick(Ed, Qt::Key_Space, Qt::ControlModifier); });
    QVERIFY(pick->Shown);
    QCOMPARE(Ed->toPlainText(), QStringLiteral("something else"));

    // OK replaces the editor's text with the chosen entry's source.
    pick = answerModalDuring(Press(QStringLiteral("OK")), [&] { F->Select1->trigger(); });
    QVERIFY(pick->Shown);
    QCOMPARE(EditorText(Ed), source);
  }
};

TESSELOR_TEST_MAIN(TestDdl)
#include "test_ddl.moc"

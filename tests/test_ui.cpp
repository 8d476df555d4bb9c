// The standard boxes, the error display and its guard, the file dialogs, and the data-aware
// controls, all as real widgets answered the way a user answers them.
#include "data/db.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/grid.h"
#include "tests/fixtures/hostile.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/suite.h"
#include "ui/dbcontrols.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>
#include <stdexcept>
#include <type_traits>

Q_DECLARE_METATYPE(TModalResult)

namespace {
// Answers the next box with a key (after typing text into an input box), or by its close box.
ModalAnswer KeyAnswer(int key, const QString &text = QString()) {
  ModalAnswer a;
  a.Key = key;
  a.TypeText = text;
  return a;
}
ModalAnswer CloseAnswer() {
  ModalAnswer a;
  a.CloseBox = true;
  return a;
}

class Handlers : public QObject {
public:
  int Calls = 0;
  bool LastChecked = false;
  void Throws() {
    ++Calls;
    throw EDatabaseError(QStringLiteral("refused"));
  }
  void TakesChecked(bool checked) {
    ++Calls;
    LastChecked = checked;
  }
};

// A fresh database, registered under an alias of its own, with T_MASTER in ID order behind a
// data source, and a window for the controls: shown and active, so that focus and key presses
// behave as for a user.
struct MasterDb {
  fixtures::FbDatabase Fb;
  std::unique_ptr<TDatabase> Db;
  QString Alias;
  TTable *Table = nullptr;  // owned by Db
  TDataSource Ds{nullptr, nullptr};
  QWidget Window;
  QVBoxLayout *Layout = new QVBoxLayout(&Window);

  explicit MasterDb(const QString &extraSql = QString(), fixtures::Content content = fixtures::Content::Known) {
    static int serial = 0;
    Fb = fixtures::createDatabase(3, content, fixtures::Access::Embedded, extraSql);
    Alias = QStringLiteral("UI%1").arg(++serial);
    Db = std::make_unique<TDatabase>();
    Db->SetDatabaseName(Alias);
    Db->SetDriverName(QStringLiteral("INTRBASE"));
    Db->Params.SetValues(QStringLiteral("SERVER NAME"), Fb.name);
    Db->Params.SetValues(QStringLiteral("USER NAME"), Fb.user);
    Db->Params.SetValues(QStringLiteral("PASSWORD"), Fb.password);
    Table = NewTable(QStringLiteral("T_MASTER"), QStringLiteral("ID"));
    Ds.SetDataSet(Table);
  }
  TTable *NewTable(const QString &name, const QString &order = QString()) {
    auto *t = new TTable(Db.get());
    t->DatabaseName = Alias;
    t->TableName = name;
    t->IndexFieldNames = order;
    return t;
  }
  QStringList Names() const {
    QStringList names;
    for (const QVariantList &row : fixtures::query(Fb, QStringLiteral("SELECT NAME FROM T_MASTER ORDER BY ID")))
      names << row.value(0).toString();
    return names;
  }
  // A control in the window; a data-aware one on Ds.
  template <class W>
  W *Add(W *w) {
    Layout->addWidget(w);
    if constexpr (!std::is_same_v<W, QLineEdit>) w->SetDataSource(&Ds);
    return w;
  }
  bool Show() {
    Window.resize(700, 400);
    Window.show();
    Window.activateWindow();
    return QTest::qWaitForWindowActive(&Window);
  }
};

QString Cell(const TDBGrid &grid, int row, int column) { return grid.model()->index(row, column).data().toString(); }

// The open cell editor, if any.
QLineEdit *CellEditor(TDBGrid &grid) {
  for (QLineEdit *e : grid.viewport()->findChildren<QLineEdit *>())
    if (e->isVisible()) return e;
  return nullptr;
}

// Types into the current cell the way a user does: the first key opens the editor.
void TypeIntoCell(TDBGrid &grid, const QString &text) {
  QTest::keyClick(&grid, text.at(0).toLatin1());
  QLineEdit *editor = CellEditor(grid);
  QVERIFY(editor);
  QTest::keyClicks(editor, text.mid(1));
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the item delegate commits from a queued call
}
}  // namespace

class TestUi : public QObject {
  Q_OBJECT

private slots:
  // ---------------------------------------------------------------------------------------------
  // Boxes

  void confirmationBox_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("defaultButton");
    QTest::addColumn<TModalResult>("enterResult");
    QTest::addColumn<TModalResult>("escResult");
    QTest::newRow("OK Cancel") << int(mbOK | mbCancel) << QStringList{"OK", "Cancel"} << "OK" << mrOK << mrCancel;
    QTest::newRow("Yes No Cancel") << int(mbYes | mbNo | mbCancel) << QStringList{"&Yes", "&No", "Cancel"} << "&Yes"
                                   << mrYes << mrCancel;
    QTest::newRow("Yes No") << int(mbYes | mbNo) << QStringList{"&Yes", "&No"} << "&Yes" << mrYes << mrNo;
    // Order is fixed whatever the caller's order of flags; OK wins the default over Yes.
    QTest::newRow("all four") << int(mbCancel | mbOK | mbNo | mbYes) << QStringList{"&Yes", "&No", "OK", "Cancel"}
                              << "OK" << mrOK << mrCancel;
  }

  void confirmationBox() {
    QFETCH(int, buttons);
    QFETCH(QStringList, captions);
    QFETCH(QString, defaultButton);
    QFETCH(TModalResult, enterResult);
    QFETCH(TModalResult, escResult);

    const TModalResult byCaption[] = {mrYes, mrNo, mrOK, mrCancel};
    const QStringList all{"&Yes", "&No", "OK", "Cancel"};
    for (const QString &caption : captions) {
      auto seen = answerNextModal(caption);
      const TModalResult r = MessageDlg(QStringLiteral("Commit work?"), buttons);
      QVERIFY(seen->Shown);
      QCOMPARE(r, byCaption[all.indexOf(caption)]);
      QCOMPARE(seen->Caption, QStringLiteral("Confirm"));
      QCOMPARE(seen->Text, QStringLiteral("Commit work?"));
      QCOMPARE(seen->Icon, QMessageBox::Question);
      QCOMPARE(seen->Buttons, captions);
      QCOMPARE(seen->DefaultButton, defaultButton);
      QVERIFY(seen->Centred);
    }

    answerNextModal(KeyAnswer(Qt::Key_Return));
    QCOMPARE(MessageDlg(QStringLiteral("x"), buttons), enterResult);
    answerNextModal(KeyAnswer(Qt::Key_Escape));
    QCOMPARE(MessageDlg(QStringLiteral("x"), buttons), escResult);
    answerNextModal(CloseAnswer());
    QCOMPARE(MessageDlg(QStringLiteral("x"), buttons), escResult);
  }

  void inputBox() {
    QString value = QStringLiteral("DEPT_NAME");
    auto seen = typeIntoNextInputBox(QStringLiteral("NEW NAME"));
    QVERIFY(InputQuery(QStringLiteral("Object repository"), QStringLiteral("Object name"), value));
    QVERIFY(seen->Shown);
    QCOMPARE(value, QStringLiteral("NEW NAME"));
    QCOMPARE(seen->Caption, QStringLiteral("Object repository"));
    QCOMPARE(seen->Text, QStringLiteral("Object name"));
    QCOMPARE(seen->EditText, QStringLiteral("DEPT_NAME"));
    QCOMPARE(seen->SelectedText, QStringLiteral("DEPT_NAME"));
    QCOMPARE(seen->MaxLength, 255);
    QCOMPARE(seen->Buttons, (QStringList{"OK", "Cancel"}));
    QCOMPARE(seen->DefaultButton, QStringLiteral("OK"));
    QVERIFY(seen->Centred);

    // Cancel, Esc and the close box leave the value alone.
    typeIntoNextInputBox(QStringLiteral("ignored"), QStringLiteral("Cancel"));
    QVERIFY(!InputQuery(QStringLiteral("c"), QStringLiteral("p"), value));
    QCOMPARE(value, QStringLiteral("NEW NAME"));
    answerNextModal(KeyAnswer(Qt::Key_Escape, QStringLiteral("ignored")));
    QVERIFY(!InputQuery(QStringLiteral("c"), QStringLiteral("p"), value));
    QCOMPARE(value, QStringLiteral("NEW NAME"));
    answerNextModal(CloseAnswer());
    QCOMPARE(InputBox(QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("dflt")), QStringLiteral("dflt"));

    // Enter in the edit presses OK; the edit takes at most 255 characters.
    answerNextModal(KeyAnswer(Qt::Key_Return, QString(300, QLatin1Char('x'))));
    QCOMPARE(InputBox(QStringLiteral("c"), QStringLiteral("p"), QString()), QString(255, QLatin1Char('x')));
  }

  // ---------------------------------------------------------------------------------------------
  // Error display and the guard

  // A plain message, and the error box every error reaches through the guard.
  void messageAndErrorBoxes() {
    struct Case {
      std::function<void()> raise;
      QString text;
      QMessageBox::Icon icon = QMessageBox::Critical;
    };
    const QList<Case> cases = {
        {[] { ShowMessage(QStringLiteral("Table created")); }, QStringLiteral("Table created"), QMessageBox::NoIcon},
        {[] { ShowMessage(QStringLiteral("<b>not rich</b>")); }, QStringLiteral("<b>not rich</b>"),
         QMessageBox::NoIcon},
        {[] { throw Exception(QStringLiteral("Login canceled")); }, QStringLiteral("Login canceled.")},
        // The full stop is appended even after one.
        {[] { throw EDatabaseError(QStringLiteral("unsuccessful metadata update\rEXCEPTION E_X already exists.")); },
         QStringLiteral("unsuccessful metadata update\rEXCEPTION E_X already exists..")},
        {[] { throw std::runtime_error("disk full"); }, QStringLiteral("disk full.")},
        {[] { throw 42; }, QStringLiteral("Unknown error.")},
    };
    for (const Case &c : cases) {
      auto seen = answerNextModal(QStringLiteral("OK"));
      Guard(c.raise);
      QVERIFY2(seen->Shown, qPrintable(c.text));
      QCOMPARE(seen->Text, c.text);
      QCOMPARE(seen->Caption, QStringLiteral("ZUL DB Tesselor for IB"));
      QCOMPARE(seen->Icon, c.icon);
      QCOMPARE(seen->Buttons, QStringList{"OK"});
      QVERIFY(seen->Centred);
    }

    // The caption follows the title that start-up sets.
    SetApplicationTitle(QStringLiteral("Other title"));
    auto seen = answerNextModal(QStringLiteral("OK"));
    ShowMessage(QStringLiteral("x"));
    SetApplicationTitle(QStringLiteral("ZUL DB Tesselor for IB"));
    QCOMPARE(seen->Caption, QStringLiteral("Other title"));

    // The silent abort shows nothing, from the guard or from ShowException.
    seen = answerNextModal(QStringLiteral("OK"), 300);
    Guard([] { Abort(); });
    ShowException(EAbort());
    QTest::qWait(400);
    QVERIFY(!seen->Shown);
  }

  void longTextsAreElided() {
    // A 4 MB path in a message, or a hundred thousand lines: the box shows at once, with the
    // start and the end of each kept.
    const QString path = QStringLiteral("/start/") + QString(4 << 20, u'x') + QStringLiteral("/end");
    QStringList many;
    for (int i = 0; i < 100000; ++i)
      many << QStringLiteral("line %1").arg(i);
    struct Case {
      std::function<void()> show;
      QString first, last;
      int lines;
    };
    const QList<Case> cases = {
        {[&] { Guard([&] { throw Exception(QStringLiteral("Cannot open file %1").arg(path)); }); },
         QStringLiteral("Cannot open file /start/"), QStringLiteral("/end."), 1},
        {[&] { ShowMessage(many.join(u'\n')); }, QStringLiteral("line 0\n"), QStringLiteral("\nline 99999"),
         kMaxMessageLines},
        {[&] { MessageDlg(many.join(QStringLiteral("\r\n")), mbOKCancel); }, QStringLiteral("line 0\r\n"),
         QStringLiteral("\r\nline 99999"), kMaxMessageLines},
    };
    for (const Case &c : cases) {
      auto seen = answerNextModal(QStringLiteral("OK"));
      QElapsedTimer timer;
      timer.start();
      c.show();
      QVERIFY2(timer.elapsed() < fixtures::boundMs(3000), qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
      QVERIFY(seen->Shown);
      QVERIFY(seen->Text.startsWith(c.first));
      QVERIFY(seen->Text.endsWith(c.last));
      const QStringList lines = seen->Text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
      QCOMPARE(lines.size(), c.lines);
      for (const QString &line : lines)
        QVERIFY(line.size() <= kMaxMessageLineChars);
    }
    QCOMPARE(ElideMessage(QStringLiteral("short\rlines\r\nstay")), QStringLiteral("short\rlines\r\nstay"));
  }

  void guardedHandlers() {
    QPushButton button;
    button.setCheckable(true);
    Handlers h;
    ConnectGuarded(&button, &QPushButton::clicked, &h, &Handlers::Throws);  // drops the bool
    ConnectGuarded(&button, &QPushButton::clicked, &h, &Handlers::TakesChecked);
    int lambdaCalls = 0;
    ConnectGuarded(&button, &QPushButton::clicked, &h, [&] {
      ++lambdaCalls;
      Abort();
    });

    // An exception from a handler reaches the error box, not the event loop; the other
    // handlers of the signal still run.
    auto seen = answerNextModal(QStringLiteral("OK"));
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(seen->Shown);
    QCOMPARE(seen->Text, QStringLiteral("refused."));
    QCOMPARE(h.Calls, 2);
    QVERIFY(h.LastChecked);
    QCOMPARE(lambdaCalls, 1);
  }

  // ---------------------------------------------------------------------------------------------
  // File dialogs

  void fileDialogs() {
    const QString filter = QStringLiteral("DDL statements|*.DDL|All files|*.*");
    QCOMPARE(QtFilterFromPipes(filter), QStringLiteral("DDL statements (*.DDL);;All files (*)"));

    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("proc.ddl"));
    {
      QFile f(existing);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }

    TOpenDialog open;
    open.Filter = filter;
    open.DefaultExt = QStringLiteral("*.DDL");
    open.InitialDir = dir.path();
    auto seen = answerNextFileDialog(existing);
    QVERIFY(open.Execute());
    QCOMPARE(open.FileName, existing);
    QCOMPARE(seen->ClassName, QStringLiteral("QFileDialog"));
    QCOMPARE(seen->NameFilters, (QStringList{"DDL statements (*.DDL)", "All files (*)"}));
    QCOMPARE(seen->SelectedNameFilter, QStringLiteral("DDL statements (*.DDL)"));
    QCOMPARE(seen->DefaultSuffix, QStringLiteral("DDL"));
    QVERIFY(!seen->SaveMode);

    answerNextFileDialog(QString());
    QVERIFY(!open.Execute());

    // Save: a name typed without an extension gets the default one; no overwrite question.
    TSaveDialog save;
    save.Filter = filter;
    save.DefaultExt = QStringLiteral("*.DDL");
    save.InitialDir = dir.path();
    seen = answerNextFileDialog(dir.filePath(QStringLiteral("script")));
    QVERIFY(save.Execute());
    QVERIFY(seen->SaveMode);
    QCOMPARE(save.FileName, dir.filePath(QStringLiteral("script.DDL")));
    seen = answerNextFileDialog(existing);
    QVERIFY(save.Execute());
    QCOMPARE(save.FileName, existing);
  }

  // ---------------------------------------------------------------------------------------------
  // Data-aware controls, on fresh embedded databases holding the fixtures' known objects

  // What the grid shows of a dataset, how it follows it, and what becomes of grid, memo and
  // navigator when their data source and dataset go away.
  void gridShowsAndFollowsTheDataSet() {
    MasterDb m;
    TDBGrid *grid = m.Add(new TDBGrid);
    QVERIFY(m.Show());
    m.Table->Open();

    // No column list: one column per field, titled by the field's label, in field order.
    QCOMPARE(fixtures::gridTitles(grid),
             (QStringList{"ID", "NAME", "CODE", "AMOUNT", "RATIO", "WEIGHT", "QTY", "CREATED", "NOTES"}));
    QCOMPARE(Cell(*grid, 0, 1), QStringLiteral("First"));
    QCOMPARE(Cell(*grid, 2, 2), QStringLiteral("KEP"));
    QCOMPARE(Cell(*grid, 0, 8), QStringLiteral("(MEMO)"));  // memo text stays out of the cell
    QCOMPARE(Cell(*grid, 1, 8), QStringLiteral("(Memo)"));  // empty memo
    QCOMPARE(grid->columnWidth(1), grid->DefaultColumnWidth(1));
    QVERIFY(grid->columnWidth(1) >= 31 * grid->fontMetrics().averageCharWidth());

    // Declared fields: exactly the visible ones, with their labels and widths.
    TQuery q;
    q.DatabaseName = m.Alias;
    q.SQL.SetText(QStringLiteral("SELECT ID, NAME, CODE, NOTES FROM T_MASTER ORDER BY ID"));
    auto *id = new TIntegerField(&q, QStringLiteral("ID"));
    id->SetDisplayLabel(QStringLiteral("#"));
    id->SetDisplayWidth(3);
    auto *name = new TStringField(&q, QStringLiteral("NAME"), 31);
    name->SetDisplayLabel(QStringLiteral("Domain name"));
    (new TStringField(&q, QStringLiteral("CODE"), 3))->Visible = false;
    (new TMemoField(&q, QStringLiteral("NOTES")))->SetDisplayLabel(QStringLiteral("Computed expr"));
    m.Ds.SetDataSet(&q);
    q.Open();
    QCOMPARE(fixtures::gridTitles(grid), (QStringList{"#", "Domain name", "Computed expr"}));
    QVERIFY(grid->columnWidth(0) < grid->columnWidth(1));

    // The selected column's field, and whether it is a memo; double-click reports.
    QSignalSpy dbl(grid, &TDBGrid::OnDblClick);
    grid->SetSelectedIndex(2);
    QCOMPARE(grid->SelectedField(), q.FindField(QStringLiteral("NOTES")));
    QVERIFY(grid->SelectedFieldIsMemo());
    const QRect cell = grid->visualRect(grid->model()->index(1, 1));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(grid->SelectedField()->FieldName, QStringLiteral("NAME"));
    QVERIFY(!grid->SelectedFieldIsMemo());
    QCOMPARE(q.RecNo(), 1);

    // Explicit columns: own titles and colours; a column naming no field of the dataset is left out.
    TColumn pos;
    pos.FieldName = QStringLiteral("ID");
    pos.Color = QColor(Qt::gray);
    pos.FontColor = QColor(Qt::black);
    grid->SetColumns({pos});
    grid->AddColumn(QStringLiteral("NO_SUCH_FIELD"));
    grid->AddColumn(QStringLiteral("CODE"), QStringLiteral("Code"));  // shown though the field is not visible
    QCOMPARE(fixtures::gridTitles(grid), (QStringList{"#", "Code"}));
    QCOMPARE(grid->model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::gray));
    QVERIFY(!grid->model()->index(0, 1).data(Qt::BackgroundRole).isValid());
    QCOMPARE(Cell(*grid, 2, 1), QStringLiteral("KEP"));

    // Options: titles and the indicator can be switched off; the indicator marks the current row.
    QVERIFY(grid->horizontalHeader()->isVisible() && grid->verticalHeader()->isVisible());
    QCOMPARE(grid->model()->headerData(q.RecNo(), Qt::Vertical).toString(), QString(QChar(0x25B6)));
    QVERIFY(grid->model()->headerData(0, Qt::Vertical).toString().isEmpty());
    grid->SetOptions(grid->Options() & ~(dgTitles | dgIndicator));
    QVERIFY(!grid->horizontalHeader()->isVisible() && !grid->verticalHeader()->isVisible());
    grid->SetOptions(DefaultGridOptions());
    grid->SetColumns({});

    // The grid follows the dataset, from the moment its source turns to one already open;
    // clicks and arrow keys move the dataset.
    QVERIFY(m.Table->Active());
    m.Ds.SetDataSet(m.Table);
    QCOMPARE(grid->currentIndex().row(), m.Table->RecNo());
    m.Table->First();
    QCOMPARE(grid->currentIndex().row(), 0);

    m.Table->Last();
    QCOMPARE(grid->currentIndex().row(), 2);
    m.Table->Prior();
    QCOMPARE(grid->currentIndex().row(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
    QCOMPARE(m.Table->RecNo(), 0);
    QCOMPARE(m.Table->FieldByName(QStringLiteral("NAME"))->AsString(), QStringLiteral("First"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(m.Table->RecNo(), 1);
    QCOMPARE(grid->SelectedField()->FieldName, QStringLiteral("NAME"));

    // A refresh keeps the row, the selected column and the widths the user set.
    grid->setColumnWidth(1, 222);
    m.Table->Refresh();
    QCOMPARE(grid->currentIndex().row(), 1);
    QCOMPARE(grid->SelectedField()->FieldName, QStringLiteral("NAME"));
    QCOMPARE(grid->columnWidth(1), 222);
    QVERIFY(grid->columnWidth(0) != 222);
    m.Table->Close();
    QCOMPARE(grid->model()->rowCount(), 0);
    QCOMPARE(grid->model()->columnCount(), 0);
    QVERIFY(!grid->SelectedField());

    // The controls of a closed window: their data source and dataset are gone, the controls stay.
    auto *ds = new TDataSource(m.Table, nullptr);
    TDBMemo *memo = m.Add(new TDBMemo);
    TDBNavigator *nav = m.Add(new TDBNavigator);
    grid->SetDataSource(ds);
    memo->SetDataSource(ds);
    memo->SetDataField(QStringLiteral("NOTES"));
    nav->SetDataSource(ds);
    m.Table->Open();
    QCOMPARE(memo->toPlainText(), QStringLiteral("First notes"));
    delete m.Table;
    m.Table = nullptr;
    QCOMPARE(grid->model()->columnCount(), 0);
    QCOMPARE(memo->toPlainText(), QString());
    delete ds;
    QTest::qWait(20);
    QCOMPARE(grid->model()->rowCount(), 0);
    QVERIFY(!nav->Button(nbFirst)->isEnabled());
    QTest::keyClick(grid, Qt::Key_Insert);
    QTest::keyClicks(memo, QStringLiteral("abc"));
    QCOMPARE(memo->toPlainText(), QString());
  }

  // The grid's model without a view: it owns the column list and says which cells may change.
  void gridModelOwnsColumnsAndEditRules() {
    MasterDb m;
    m.Table->Open();
    TGridModel model;
    model.SetDataSource(&m.Ds);
    const auto titles = [&model] {
      QStringList t;
      for (int c = 0; c < model.columnCount(); ++c)
        t << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
      return t;
    };
    TColumn fixed;
    fixed.FieldName = QStringLiteral("CODE");
    fixed.ReadOnly = true;
    model.SetColumns({fixed});
    model.AddColumn({QStringLiteral("NAME"), QStringLiteral("Name")});
    model.AddColumn({QStringLiteral("NO_SUCH_FIELD")});
    model.AddColumn({QStringLiteral("NOTES")});
    QCOMPARE(titles(), (QStringList{"CODE", "Name", "NOTES"}));
    QCOMPARE(model.Columns().size(), 4);
    QCOMPARE(model.ColumnAt(1)->Title, QStringLiteral("Name"));

    struct Case {
      const char *what;
      bool readOnly, editingAllowed, autoEdit;
      QString editable;  // per shown column: CODE, NAME, NOTES
    };
    const Case cases[] = {
        {"browsing, AutoEdit", false, true, true, "010"},  // a read-only column and a memo never
        {"read-only model", true, true, true, "000"},
        {"editing not allowed", false, false, true, "000"},
        {"no AutoEdit", false, true, false, "000"},
    };
    for (const Case &c : cases) {
      model.SetReadOnly(c.readOnly);
      model.SetEditingAllowed(c.editingAllowed);
      m.Ds.AutoEdit = c.autoEdit;
      QString editable;
      for (int col = 0; col < model.columnCount(); ++col)
        editable += model.flags(model.index(0, col)) & Qt::ItemIsEditable ? QLatin1Char('1') : QLatin1Char('0');
      QVERIFY2(editable == c.editable, c.what);
      QCOMPARE(model.CanEditDataSet(), !c.readOnly && c.editingAllowed);
    }

    // An edit through the model puts the row into edit state by the source's rules.
    model.SetReadOnly(false);
    m.Ds.AutoEdit = true;
    QVERIFY(model.setData(model.index(0, 1), QStringLiteral("Changed"), Qt::EditRole));
    QCOMPARE(m.Table->State(), TDataSetState::dsEdit);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Changed"));
    m.Table->Cancel();
  }

  // Grid, memo and navigator turned to another source show its row at once and no longer hear
  // the old one.
  void controlsTurnToAnotherSource() {
    MasterDb m;
    TTable *second = m.NewTable(QStringLiteral("T_MASTER"), QStringLiteral("ID"));
    TDataSource other(second, nullptr);
    TDBGrid *grid = m.Add(new TDBGrid);
    TDBMemo *memo = m.Add(new TDBMemo);
    memo->SetDataField(QStringLiteral("NOTES"));
    TDBNavigator *nav = m.Add(new TDBNavigator);
    m.Table->Open();
    second->Open();
    second->Last();
    const auto shown = [&] {
      return QStringList{QString::number(grid->currentIndex().row()), memo->toPlainText(),
                         nav->Button(nbFirst)->isEnabled() ? QStringLiteral("up") : QStringLiteral("top")};
    };
    QCOMPARE(shown(), (QStringList{"0", "First notes", "top"}));

    grid->SetDataSource(&other);
    memo->SetDataSource(&other);
    nav->SetDataSource(&other);
    QCOMPARE(shown(), (QStringList{"2", "Cannot be deleted", "up"}));
    m.Table->Next();
    QCOMPARE(shown(), (QStringList{"2", "Cannot be deleted", "up"}));
    second->First();
    QCOMPARE(shown(), (QStringList{"0", "First notes", "top"}));
  }

  void gridFetchesOnDemand() {
    MasterDb m(
        QStringLiteral("CREATE TABLE BIG (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(20));\n"
                       "SET TERM ^;\nEXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 20000) DO BEGIN "
                       "INSERT INTO BIG VALUES (:I, 'row ' || :I); I = I + 1; END END^\nSET TERM ;^\nCOMMIT;\n"));
    TTable *big = m.NewTable(QStringLiteral("BIG"), QStringLiteral("ID"));
    m.Ds.SetDataSet(big);
    TDBGrid *grid = m.Add(new TDBGrid);
    QVERIFY(m.Show());
    big->Open();
    QTest::qWait(50);

    // Showing and painting read only what is needed, the grid's rows are the fetched rows.
    QVERIFY2(big->RecordCount() < 1000, qPrintable(QString::number(big->RecordCount())));
    QCOMPARE(grid->model()->rowCount(), big->RecordCount());
    const int before = big->RecordCount();

    // Scrolling to the end of what is there fetches more.
    grid->scrollToBottom();
    QTRY_VERIFY(big->RecordCount() > before);
    QCOMPARE(grid->model()->rowCount(), big->RecordCount());

    // Moving the dataset far ahead brings the grid along.
    big->Last();
    QCOMPARE(grid->model()->rowCount(), 20000);
    QCOMPARE(grid->currentIndex().row(), 19999);
    QCOMPARE(Cell(*grid, 19999, 1), QStringLiteral("row 19999"));
  }

  // A table and a column whose names need quotes: titled as named, edited through the grid.
  void gridOverOddNames() {
    MasterDb m(QString(), fixtures::Content::OddNames);
    TTable *t = m.NewTable(QStringLiteral("odd \"q\" table"), QStringLiteral("ID"));
    m.Ds.SetDataSet(t);
    TDBGrid *grid = m.Add(new TDBGrid);
    t->Open();
    QVERIFY(m.Show());
    QCOMPARE(fixtures::gridTitles(grid), (QStringList{"ID", "say \"hi\" col"}));
    grid->setFocus();
    grid->SetSelectedIndex(1);
    TypeIntoCell(*grid, QStringLiteral("Renamed"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(t->State(), TDataSetState::dsBrowse);
    QCOMPARE(fixtures::queryValue(
                 m.Fb, QStringLiteral("SELECT \"say \"\"hi\"\" col\" FROM \"odd \"\"q\"\" table\" WHERE ID = 1")),
             QVariant(QStringLiteral("Renamed")));
  }

  // Deleting with Ctrl+Del (asked first), then editing, inserting and posting in the grid.
  void gridDeletingAndEditing() {
    MasterDb m;
    TTable *detail = m.NewTable(QStringLiteral("T_DETAIL"));
    m.Ds.SetDataSet(detail);
    TDBGrid *grid = m.Add(new TDBGrid);
    auto *other = m.Add(new QLineEdit);
    detail->Open();
    QVERIFY(m.Show());
    grid->setFocus();
    const auto count = [&m] {
      return fixtures::queryValue(m.Fb, QStringLiteral("SELECT COUNT(*) FROM T_DETAIL")).toInt();
    };

    auto seen = answerNextModal(QStringLiteral("Cancel"));
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QVERIFY(seen->Shown);
    QCOMPARE(seen->Caption, QStringLiteral("Confirm"));
    QCOMPARE(seen->Text, QStringLiteral("Delete record?"));
    QCOMPARE(seen->Icon, QMessageBox::Question);
    QCOMPARE(seen->Buttons, (QStringList{"OK", "Cancel"}));
    QCOMPARE(seen->DefaultButton, QStringLiteral("OK"));
    QCOMPARE(count(), 3);
    QCOMPARE(grid->model()->rowCount(), 3);

    seen = answerNextModal(QStringLiteral("OK"));
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QVERIFY(seen->Shown);
    QCOMPARE(count(), 2);
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(detail->RecNo(), grid->currentIndex().row());

    // Plain Del does not delete; without the confirm option no question is asked.
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(count(), 2);
    grid->SetOptions(grid->Options() & ~dgConfirmDelete);
    seen = answerNextModal(QStringLiteral("OK"), 300);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(count(), 1);
    QTest::qWait(400);
    QVERIFY(!seen->Shown);

    // A delete the server refuses reaches the error display; the row stays.
    m.Ds.SetDataSet(m.Table);
    m.Table->Open();
    m.Table->Last();  // 'Keep': its delete trigger raises E_SHORT
    grid->SetOptions(DefaultGridOptions());
    answerNextModal(QStringLiteral("OK"));
    seen = answerNextModal(QStringLiteral("OK"));  // armed second: the error box after the question
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QTRY_VERIFY(seen->Shown);
    QCOMPARE(seen->Icon, QMessageBox::Critical);
    QVERIFY2(seen->Text.contains(QStringLiteral("Short message")) && seen->Text.endsWith(QLatin1Char('.')),
             qPrintable(seen->Text));
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(m.Names().size(), 3);

    QVERIFY(m.Show());  // active again after the boxes
    m.Table->First();
    grid->setFocus();
    grid->SetSelectedIndex(1);  // NAME

    // AutoEdit: typing puts the row into edit; leaving the row posts it to the server.
    TypeIntoCell(*grid, QStringLiteral("Renamed"));
    QCOMPARE(m.Table->State(), TDataSetState::dsEdit);
    QCOMPARE(grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("I"));
    QCOMPARE(Cell(*grid, 0, 1), QStringLiteral("Renamed"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(m.Table->RecNo(), 1);
    QCOMPARE(m.Names(), (QStringList{"Renamed", "Second", "Keep"}));

    // Esc abandons an edit.
    TypeIntoCell(*grid, QStringLiteral("Dropped"));
    QTest::keyClick(grid, Qt::Key_Escape);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(Cell(*grid, 1, 1), QStringLiteral("Second"));

    // Insert adds a row at the current one; leaving for another control drops it untouched.
    QTest::keyClick(grid, Qt::Key_Insert);
    QCOMPARE(m.Table->State(), TDataSetState::dsInsert);
    QCOMPARE(grid->model()->rowCount(), 4);
    QCOMPARE(grid->currentIndex().row(), 1);
    other->setFocus(Qt::TabFocusReason);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(Cell(*grid, 1, 1), QStringLiteral("Second"));

    // An inserted row the user typed into is posted when the user moves on.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    grid->SetSelectedIndex(0);
    TypeIntoCell(*grid, QStringLiteral("10"));
    grid->SetSelectedIndex(1);
    TypeIntoCell(*grid, QStringLiteral("Added"));
    grid->SetSelectedIndex(6);  // QTY, NOT NULL
    TypeIntoCell(*grid, QStringLiteral("7"));
    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(fixtures::queryValue(m.Fb, QStringLiteral("SELECT COUNT(*) FROM T_MASTER WHERE NAME = 'Added'")).toInt(),
             1);

    // A value the field refuses is shown as an error and the row stays in edit.
    grid->SetSelectedIndex(0);  // ID, an integer
    seen = answerNextModal(QStringLiteral("OK"));
    TypeIntoCell(*grid, QStringLiteral("x1"));
    QVERIFY(seen->Shown);
    QCOMPARE(seen->Icon, QMessageBox::Critical);
    QCOMPARE(seen->Text, QStringLiteral("'x1' is not a valid integer value."));
    m.Table->Cancel();

    // Post from the navigator takes what an open cell editor still holds.
    TDBNavigator nav;
    nav.SetDataSource(&m.Ds);
    grid->SetSelectedIndex(1);
    QTest::keyClick(grid, 'P');
    QVERIFY(CellEditor(*grid));
    QTest::keyClicks(CellEditor(*grid), QStringLiteral("ending"));
    nav.BtnClick(nbPost);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QVERIFY2(m.Names().contains(QStringLiteral("Pending")), qPrintable(m.Names().join(u',')));

    // Without AutoEdit typing changes nothing; nor does a grid without the editing option.
    m.Ds.AutoEdit = false;
    grid->SetSelectedIndex(1);
    QTest::keyClick(grid, 'Z');
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QVERIFY(!(grid->model()->flags(grid->currentIndex()) & Qt::ItemIsEditable));
    m.Ds.AutoEdit = true;
    grid->SetOptions(grid->Options() & ~dgEditing);
    QTest::keyClick(grid, 'Z');
    QTest::keyClick(grid, Qt::Key_Insert);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
  }

  // The memo gives the field its text back byte for byte (CR LF, no-break space) when a change
  // is taken back, keeps the text's line break after one, and opens no completion list.
  void memoKeepsTheFieldsText() {
    MasterDb m;
    TDBMemo *memo = m.Add(new TDBMemo);
    memo->SetDataField(QStringLiteral("NOTES"));
    QVERIFY(m.Show());
    m.Table->Open();
    const QString text = QStringLiteral("a\u00A0b\r\nc\r\n");
    const QList<std::pair<QList<QKeyCombination>, QString>> cases{{{Qt::Key_X, Qt::Key_Backspace}, text},
                                                                  {{Qt::Key_X, Qt::CTRL | Qt::Key_Z}, text},
                                                                  {{Qt::Key_X, Qt::Key_Return}, "x\r\n" + text},
                                                                  {{Qt::Key_S, Qt::Key_E, Qt::Key_L}, "sel" + text}};
    for (const auto &[keys, stored] : cases) {
      m.Table->Edit();
      m.Table->FieldByName(QStringLiteral("NOTES"))->SetAsString(text);
      memo->setFocus();
      for (QKeyCombination k : keys)
        QTest::keyClick(memo, k.key(), k.keyboardModifiers());
      QCOMPARE(m.Table->FieldByName(QStringLiteral("NOTES"))->AsString(), stored);
      QVERIFY(!memo->isListActive());
      m.Table->Cancel();
    }
  }

  // The navigator's buttons, and two memos on the same field: one read-only, one edited.
  void navigatorAndMemos() {
    MasterDb m;
    TDBNavigator *nav = m.Add(new TDBNavigator);
    TDBGrid *grid = m.Add(new TDBGrid);
    TDBMemo *viewer = m.Add(new TDBMemo);
    TDBMemo *editor = m.Add(new TDBMemo);
    viewer->SetDataField(QStringLiteral("NOTES"));
    viewer->SetReadOnly(true);
    editor->SetDataField(QStringLiteral("NOTES"));
    QVERIFY(m.Show());
    const auto enabled = [nav] {
      QString s;
      for (int i = 0; i < kNavigateBtnCount; ++i)
        s += nav->Button(TNavigateBtn(i))->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
      return s;
    };
    const auto click = [nav](TNavigateBtn b) { QTest::mouseClick(nav->Button(b), Qt::LeftButton); };

    //                    first prior next last insert delete edit post cancel refresh
    QCOMPARE(enabled(), QStringLiteral("0000000000"));
    m.Table->Open();
    QCOMPARE(enabled(), QStringLiteral("0011111001"));
    click(nbNext);
    QCOMPARE(m.Table->RecNo(), 1);
    QCOMPARE(grid->currentIndex().row(), 1);
    QCOMPARE(enabled(), QStringLiteral("1111111001"));
    click(nbLast);
    QCOMPARE(m.Table->RecNo(), 2);
    QCOMPARE(enabled(), QStringLiteral("1100111001"));
    click(nbPrior);
    click(nbFirst);
    QCOMPARE(m.Table->RecNo(), 0);
    QCOMPARE(enabled(), QStringLiteral("0011111001"));

    // Edit, post and cancel.
    click(nbEdit);
    QCOMPARE(m.Table->State(), TDataSetState::dsEdit);
    QCOMPARE(enabled().mid(4), QStringLiteral("110111"));
    m.Table->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("Posted"));
    click(nbPost);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(m.Names().first(), QStringLiteral("Posted"));
    click(nbEdit);
    m.Table->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("Cancelled"));
    click(nbCancel);
    QCOMPARE(Cell(*grid, 0, 1), QStringLiteral("Posted"));

    // Insert; a post the server refuses (ID's domain checks VALUE > 0) is shown and the row
    // stays in insert. NOT NULL columns are left to the server: its trigger fills ID.
    click(nbInsert);
    QCOMPARE(m.Table->State(), TDataSetState::dsInsert);
    QCOMPARE(grid->model()->rowCount(), 4);
    m.Table->FieldByName(QStringLiteral("ID"))->SetAsInteger(-1);
    auto seen = answerNextModal(QStringLiteral("OK"));
    click(nbPost);
    QVERIFY(seen->Shown);
    QCOMPARE(seen->Icon, QMessageBox::Critical);
    QCOMPARE(seen->Text, QStringLiteral("validation error for column \"T_MASTER\".\"ID\", value \"-1\"."));
    QCOMPARE(m.Table->State(), TDataSetState::dsInsert);
    click(nbCancel);
    QCOMPARE(grid->model()->rowCount(), 3);

    // The memos follow the rows.
    m.Table->First();
    QCOMPARE(viewer->toPlainText(), QStringLiteral("First notes"));
    m.Table->Next();
    QCOMPARE(viewer->toPlainText(), QString());  // null memo
    m.Table->Next();
    QCOMPARE(viewer->toPlainText(), QStringLiteral("Cannot be deleted"));

    // The read-only memo ignores typing and leaves the row alone.
    viewer->setFocus();
    QTest::keyClicks(viewer, QStringLiteral("zz"));
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(viewer->toPlainText(), QStringLiteral("Cannot be deleted"));

    // Typing in the editable one starts the edit; the other memo follows; post stores it,
    // with the editor's line breaks as CR LF.
    m.Table->First();
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral(" more"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("second line"));
    QCOMPARE(m.Table->State(), TDataSetState::dsEdit);
    QCOMPARE(viewer->toPlainText(), QStringLiteral("First notes more\nsecond line"));
    click(nbPost);
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(fixtures::queryValue(m.Fb, QStringLiteral("SELECT NOTES FROM T_MASTER WHERE ID = 1")).toString(),
             QStringLiteral("First notes more\r\nsecond line"));

    // Cancel brings the stored text back; without AutoEdit typing does nothing.
    QTest::keyClicks(editor, QStringLiteral("xyz"));
    click(nbCancel);
    QCOMPARE(editor->toPlainText(), QStringLiteral("First notes more\nsecond line"));
    m.Ds.AutoEdit = false;
    QTest::keyClicks(editor, QStringLiteral("xyz"));
    QCOMPARE(m.Table->State(), TDataSetState::dsBrowse);
    QCOMPARE(editor->toPlainText(), QStringLiteral("First notes more\nsecond line"));

    // Delete asks first: Cancel keeps the row, OK deletes it.
    TTable *detail = m.NewTable(QStringLiteral("T_DETAIL"));
    m.Ds.SetDataSet(detail);
    detail->Open();
    seen = answerNextModal(QStringLiteral("Cancel"));
    click(nbDelete);
    QCOMPARE(seen->Text, QStringLiteral("Delete record?"));
    QCOMPARE(detail->RecordCount(), 3);
    answerNextModal(QStringLiteral("OK"));
    click(nbDelete);
    QCOMPARE(detail->RecordCount(), 2);
    QCOMPARE(fixtures::queryValue(m.Fb, QStringLiteral("SELECT COUNT(*) FROM T_DETAIL")).toInt(), 2);

    // Refresh shows what others wrote.
    fixtures::query(m.Fb, QStringLiteral("INSERT INTO T_DETAIL VALUES (2, 2, 'two.two')"));
    click(nbRefresh);
    QCOMPARE(detail->RecordCount(), 3);
    QCOMPARE(grid->model()->rowCount(), 3);

    // A query that cannot be modified offers moves and refresh only.
    TQuery q;
    q.DatabaseName = m.Alias;
    q.SQL.SetText(QStringLiteral("SELECT COUNT(*) AS N FROM T_DETAIL"));
    m.Ds.SetDataSet(&q);
    q.Open();
    QCOMPARE(enabled(), QStringLiteral("0011000001"));
  }
};

TESSELOR_TEST_MAIN(TestUi)
#include "test_ui.moc"

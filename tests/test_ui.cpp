// The standard boxes, the error display and its guard, the file dialogs, and the data-aware
// controls, all as real widgets answered the way a user answers them.
#include "tests/fixtures/modal.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

Q_DECLARE_METATYPE(TModalResult)

class TestUi : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { quietOffscreenWarnings(); }
  void confirmationBox_data();
  void confirmationBox();
  void plainMessageBox();
  void inputBox();
  void errorDisplay();
  void guardedHandlers();
  void fileDialogs();
};

// ---------------------------------------------------------------------------------------------
// Boxes

void TestUi::confirmationBox_data() {
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

void TestUi::confirmationBox() {
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

  ModalAnswer enter;
  enter.Key = Qt::Key_Return;
  answerNextModal(enter);
  QCOMPARE(MessageDlg(QStringLiteral("x"), buttons), enterResult);

  ModalAnswer esc;
  esc.Key = Qt::Key_Escape;
  answerNextModal(esc);
  QCOMPARE(MessageDlg(QStringLiteral("x"), buttons), escResult);

  ModalAnswer close;
  close.CloseBox = true;
  answerNextModal(close);
  QCOMPARE(MessageDlg(QStringLiteral("x"), buttons), escResult);
}

void TestUi::plainMessageBox() {
  auto seen = answerNextModal(QStringLiteral("OK"));
  ShowMessage(QStringLiteral("Table created"));
  QVERIFY(seen->Shown);
  QCOMPARE(seen->Caption, QStringLiteral("ZUL DB Tesselor for IB"));
  QCOMPARE(seen->Text, QStringLiteral("Table created"));
  QCOMPARE(seen->Icon, QMessageBox::NoIcon);
  QCOMPARE(seen->Buttons, QStringList{"OK"});
  QVERIFY(seen->Centred);

  // The caption follows the title that start-up sets.
  SetApplicationTitle(QStringLiteral("Other title"));
  seen = answerNextModal(QStringLiteral("OK"));
  ShowMessage(QStringLiteral("<b>not rich</b>"));
  SetApplicationTitle(QStringLiteral("ZUL DB Tesselor for IB"));
  QCOMPARE(seen->Caption, QStringLiteral("Other title"));
  QCOMPARE(seen->Text, QStringLiteral("<b>not rich</b>"));
}

void TestUi::inputBox() {
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
  ModalAnswer esc;
  esc.TypeText = QStringLiteral("ignored");
  esc.Key = Qt::Key_Escape;
  answerNextModal(esc);
  QVERIFY(!InputQuery(QStringLiteral("c"), QStringLiteral("p"), value));
  QCOMPARE(value, QStringLiteral("NEW NAME"));
  ModalAnswer close;
  close.CloseBox = true;
  answerNextModal(close);
  QCOMPARE(InputBox(QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("dflt")), QStringLiteral("dflt"));

  // Enter in the edit presses OK; the edit takes at most 255 characters.
  ModalAnswer enter;
  enter.TypeText = QString(300, QLatin1Char('x'));
  enter.Key = Qt::Key_Return;
  answerNextModal(enter);
  QCOMPARE(InputBox(QStringLiteral("c"), QStringLiteral("p"), QString()), QString(255, QLatin1Char('x')));
}

// ---------------------------------------------------------------------------------------------
// Error display and the guard

void TestUi::errorDisplay() {
  struct Case {
    std::function<void()> raise;
    QString text;
  };
  const QList<Case> cases = {
      {[] { throw Exception(QStringLiteral("Login canceled")); }, QStringLiteral("Login canceled.")},
      // The full stop is appended even after one.
      {[] { throw EDatabaseError(QStringLiteral("unsuccessful metadata update\rEXCEPTION E_X already exists.")); },
       QStringLiteral("unsuccessful metadata update\rEXCEPTION E_X already exists..")},
      {[] { throw std::runtime_error("disk full"); }, QStringLiteral("disk full.")},
      {[] { throw 42; }, QStringLiteral("Unknown error.")},
  };
  for (const Case &c : cases) {
    auto seen = answerNextModal(QStringLiteral("OK"));
    bool after = false;
    Guard(c.raise);
    after = true;
    QVERIFY(after);
    QVERIFY(seen->Shown);
    QCOMPARE(seen->Text, c.text);
    QCOMPARE(seen->Caption, QStringLiteral("ZUL DB Tesselor for IB"));
    QCOMPARE(seen->Icon, QMessageBox::Critical);
    QCOMPARE(seen->Buttons, QStringList{"OK"});
  }

  // The silent abort shows nothing, from the guard or from ShowException.
  auto seen = answerNextModal(QStringLiteral("OK"), 300);
  Guard([] { Abort(); });
  ShowException(EAbort());
  QTest::qWait(400);
  QVERIFY(!seen->Shown);
}

namespace {
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
}  // namespace

void TestUi::guardedHandlers() {
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

void TestUi::fileDialogs() {
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

QTEST_MAIN(TestUi)
#include "test_ui.moc"

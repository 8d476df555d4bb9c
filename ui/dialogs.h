#pragma once
// The program's standard boxes: the confirmation box, the plain message box, the input box,
// and the file-open/file-save dialogs. All are modal and centred on the screen.
#include <QMessageBox>
#include <QString>

class QDialog;
class QLineEdit;
class QWidget;

// The title that heads plain message boxes and error boxes; start-up sets it.
// The program's title: the main window's caption and the application title by default.
inline const QString kProgramTitle = QStringLiteral("ZUL DB Tesselor for IB");

QString ApplicationTitle();
void SetApplicationTitle(const QString &title);

// Moves a top-level widget to the centre of the screen it is on (the primary one by default).
void CenterOnScreen(QWidget *w);

enum TMsgDlgBtn { mbYes = 0x1, mbNo = 0x2, mbOK = 0x4, mbCancel = 0x8 };
using TMsgDlgButtons = int;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;

enum TModalResult { mrNone = 0, mrOK = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// Confirmation box: caption "Confirm", question icon, the given buttons in the order
// "&Yes", "&No", "OK", "Cancel"; default "OK" when present, else "&Yes"; Esc answers
// "Cancel" when present, else "&No". Returns the button pressed.
TModalResult MessageDlg(const QString &text, TMsgDlgButtons buttons);

// Plain message box: caption the application title, no icon, one "OK".
void ShowMessage(const QString &text);
// A box captioned with the application title, with the icon, the text as plain text (cut as
// ElideMessage does) and one "OK" that Enter and Esc answer: the plain message box and the
// error box.
void ShowOKBox(QMessageBox::Icon icon, const QString &text);

// Input box: prompt, one edit of at most 255 characters preset with value and selected,
// "OK" (default) and "Cancel" (Esc). OK returns true and stores the text in value; otherwise
// value is left alone.
bool InputQuery(const QString &caption, const QString &prompt, QString &value);
// The same, returning the typed text on OK and defaultValue otherwise.
QString InputBox(const QString &caption, const QString &prompt, const QString &defaultValue);

// What a message box shows of a text: lines of at most kMaxMessageLineChars characters and at
// most kMaxMessageLines lines, each cut in the middle (the start and the end kept, "…" between)
// when longer. A box laid out for megabytes of text would take the better part of a minute.
constexpr int kMaxMessageLineChars = 300;
constexpr int kMaxMessageLines = 40;
QString ElideMessage(const QString &text);

// A message box that centres itself on the screen once its size is known.
class TMessageBox : public QMessageBox {
  Q_OBJECT
public:
  using QMessageBox::QMessageBox;
  // Once the program has been asked to end (a termination signal), no box waits for an answer:
  // the box is not shown and counts as cancelled.
  int exec() override;

protected:
  void showEvent(QShowEvent *event) override;
};

// The input box's window, exposed so tests and callers can inspect it.
class TInputBox : public QDialog {
  Q_OBJECT
public:
  TInputBox(const QString &caption, const QString &prompt, const QString &value, QWidget *parent = nullptr);
  QString Value() const;
  QLineEdit *Edit() const { return FEdit; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  QLineEdit *FEdit;
};

// "DDL statements|*.DDL|All files|*.*" -> "DDL statements (*.DDL);;All files (*)"
QString QtFilterFromPipes(const QString &filter);
// The filter entries, each as Qt writes it, in order.
QStringList QtFilterList(const QString &filter);

enum TOpenOption { ofFileMustExist = 0x1, ofOverwritePrompt = 0x2 };
using TOpenOptions = int;

// File dialogs built on Qt's own (non-native) widgets, so tests can drive them.
// Filter uses the "Description|patterns|Description|patterns" form; DefaultExt may be given
// as "DDL", ".DDL" or "*.DDL" and is appended to a name typed without an extension.
class TFileDialogBase {
public:
  virtual ~TFileDialogBase() = default;
  QString Title;
  QString Filter;
  QString DefaultExt;
  QString FileName;
  QString InitialDir;
  int FilterIndex = 1;  // 1-based, as selected at start and as chosen by the user
  TOpenOptions Options = 0;
  // Shows the dialog modally; true when the user chose a file (then in FileName).
  bool Execute(QWidget *parent = nullptr);

protected:
  virtual bool IsSave() const = 0;
};

class TOpenDialog : public TFileDialogBase {
public:
  TOpenDialog() { Options = ofFileMustExist; }

protected:
  bool IsSave() const override { return false; }
};

class TSaveDialog : public TFileDialogBase {
protected:
  bool IsSave() const override { return true; }
};

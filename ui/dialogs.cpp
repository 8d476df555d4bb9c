#include "ui/dialogs.h"

#include "base/termination.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QString &TitleStore() {
  static QString title = kProgramTitle;
  return title;
}
}  // namespace

QString ApplicationTitle() { return TitleStore(); }
void SetApplicationTitle(const QString &title) { TitleStore() = title; }

void CenterOnScreen(QWidget *w) {
  QScreen *screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize size = w->frameGeometry().size();
  w->move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

namespace {
const QString kEllipsis = QStringLiteral("\u2026");

QString ElideLine(const QString &line) {
  if (line.size() <= kMaxMessageLineChars) return line;
  const int half = (kMaxMessageLineChars - 1) / 2;
  return line.left(half) + kEllipsis + line.right(half);
}
}  // namespace

QString ElideMessage(const QString &text) {
  // Lines end at CR or LF; the breaks themselves are kept as they are.
  QStringList lines, breaks;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    const qsizetype width = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
    lines << text.mid(start, i - start);
    breaks << text.mid(i, width);
    i += width - 1;
    start = i + 1;
  }
  lines << text.mid(start);
  breaks << QString();
  if (lines.size() > kMaxMessageLines) {
    const int head = kMaxMessageLines / 2, tail = kMaxMessageLines - head - 1;
    lines = lines.mid(0, head) + QStringList{kEllipsis} + lines.mid(lines.size() - tail);
    breaks = breaks.mid(0, head) + QStringList{breaks[head - 1]} + breaks.mid(breaks.size() - tail);
  }
  QString out;
  for (int i = 0; i < lines.size(); ++i)
    out += ElideLine(lines[i]) + breaks[i];
  return out;
}

int TMessageBox::exec() { return TerminationSignal() != 0 ? int(QDialog::Rejected) : QMessageBox::exec(); }

void TMessageBox::showEvent(QShowEvent *event) {
  QMessageBox::showEvent(event);  // fixes the box's size first
  CenterOnScreen(this);
}

TModalResult MessageDlg(const QString &text, TMsgDlgButtons buttons) {
  TMessageBox box;
  box.setWindowTitle(QStringLiteral("Confirm"));
  box.setIcon(QMessageBox::Question);
  box.setTextFormat(Qt::PlainText);
  box.setText(ElideMessage(text));
  struct ButtonDef {
    TMsgDlgBtn flag;
    const char *caption;
    TModalResult result;
  };
  static const ButtonDef defs[] = {
      {mbYes, "&Yes", mrYes}, {mbNo, "&No", mrNo}, {mbOK, "OK", mrOK}, {mbCancel, "Cancel", mrCancel}};
  QHash<QAbstractButton *, TModalResult> results;
  QPushButton *made[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (!(buttons & defs[i].flag)) continue;
    // One role for all keeps the buttons in the order added, whatever the platform's layout.
    made[i] = box.addButton(QString::fromLatin1(defs[i].caption), QMessageBox::ActionRole);
    results.insert(made[i], defs[i].result);
  }
  if (QPushButton *def = made[2] ? made[2] : made[0]) box.setDefaultButton(def);
  if (QPushButton *esc = made[3] ? made[3] : made[1]) box.setEscapeButton(esc);
  box.exec();
  return results.value(box.clickedButton(), made[3] ? mrCancel : made[1] ? mrNo : mrNone);
}

void ShowMessage(const QString &text) { ShowOKBox(QMessageBox::NoIcon, text); }

void ShowOKBox(QMessageBox::Icon icon, const QString &text) {
  TMessageBox box;
  box.setWindowTitle(ApplicationTitle());
  box.setIcon(icon);
  box.setTextFormat(Qt::PlainText);
  box.setText(ElideMessage(text));
  QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

TInputBox::TInputBox(const QString &caption, const QString &prompt, const QString &value, QWidget *parent)
    : QDialog(parent), FEdit(new QLineEdit(this)) {
  setWindowTitle(caption);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  auto *label = new QLabel(prompt, this);
  label->setBuddy(FEdit);
  FEdit->setMaxLength(255);
  FEdit->setText(value.left(255));
  FEdit->selectAll();
  FEdit->setMinimumWidth(label->fontMetrics().averageCharWidth() * 40);
  auto *ok = new QPushButton(QStringLiteral("OK"), this);
  auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(FEdit);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  FEdit->setFocus();
}

QString TInputBox::Value() const { return FEdit->text(); }

void TInputBox::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
  FEdit->selectAll();
}

bool InputQuery(const QString &caption, const QString &prompt, QString &value) {
  TInputBox box(caption, prompt, value);
  if (box.exec() != QDialog::Accepted) return false;
  value = box.Value();
  return true;
}

QString InputBox(const QString &caption, const QString &prompt, const QString &defaultValue) {
  QString value = defaultValue;
  return InputQuery(caption, prompt, value) ? value : defaultValue;
}

QStringList QtFilterList(const QString &filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString &p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*"))  // "all files", also names without a dot
        p = QStringLiteral("*");
    }
    out << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
  }
  return out;
}

QString QtFilterFromPipes(const QString &filter) { return QtFilterList(filter).join(QStringLiteral(";;")); }

bool TFileDialogBase::Execute(QWidget *parent) {
  QFileDialog dlg(parent, Title);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setAcceptMode(IsSave() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(IsSave() || !(Options & ofFileMustExist) ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dlg.setOption(QFileDialog::DontConfirmOverwrite, !(Options & ofOverwritePrompt));
  // Patterns such as *.DDL also match x.ddl, as they do on the file systems these files came from.
  dlg.setFilter(dlg.filter() & ~QDir::CaseSensitive);
  const QStringList filters = QtFilterList(Filter);
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    dlg.selectNameFilter(filters.value(qBound(1, FilterIndex, int(filters.size())) - 1));
  }
  QString ext = DefaultExt;
  ext.remove(QRegularExpression(QStringLiteral("^\\*?\\.")));
  if (!ext.isEmpty()) dlg.setDefaultSuffix(ext);
  if (!InitialDir.isEmpty())
    dlg.setDirectory(InitialDir);
  else if (!FileName.isEmpty())
    dlg.setDirectory(QFileInfo(FileName).absolutePath());
  if (!FileName.isEmpty()) dlg.selectFile(QFileInfo(FileName).fileName());
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  FileName = dlg.selectedFiles().constFirst();
  FilterIndex = filters.indexOf(dlg.selectedNameFilter()) + 1;
  return true;
}

#include "ui/editorlines.h"

#include <QPlainTextEdit>

QString EditorText(const QPlainTextEdit *editor) {
  QString text = editor->toPlainText();
  text.replace(u'\n', QLatin1String("\r\n"));
  return text;
}

TStringList EditorLines(const QPlainTextEdit *editor) {
  return TStringList(TStringList::SplitLines(editor->toPlainText()));
}

void SetEditorLines(QPlainTextEdit *editor, const TStringList &lines) {
  editor->setPlainText(lines.Lines().join(u'\n'));
}

#include "ui/editorlines.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <QVariant>

const char *const kGroupedLinesProperty = "tesselorGroupedLines";

namespace {
// The editor's text with LF between lines. toPlainText would also turn no-break spaces into
// plain ones, changing what is saved and executed.
QString RawText(const QPlainTextEdit *editor) {
  QString text = editor->document()->toRawText();
  const bool grouped = editor->document()->property(kGroupedLinesProperty).toBool();
  for (QChar &c : text)
    if (c == QChar::ParagraphSeparator || (grouped && c == QChar::LineSeparator)) c = u'\n';
  return text;
}
}  // namespace

QString EditorText(const QPlainTextEdit *editor) {
  QString text = RawText(editor);
  text.replace(u'\n', QLatin1String("\r\n"));
  return text;
}

TStringList EditorLines(const QPlainTextEdit *editor) { return TStringList(TStringList::SplitLines(RawText(editor))); }

void SetEditorLines(QPlainTextEdit *editor, const TStringList &lines) {
  editor->setPlainText(lines.Lines().join(u'\n'));
  editor->document()->setProperty(kGroupedLinesProperty, false);
}

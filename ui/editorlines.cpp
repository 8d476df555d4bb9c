#include "ui/editorlines.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextDocument>
#include <QVariant>

const char *const kGroupedLinesProperty = "tesselorGroupedLines";

namespace {
// The text SetEditorText put in, kept on the document.
const char *const kLoadedTextProperty = "tesselorLoadedText";

// The editor's text with LF between lines. toPlainText would also turn no-break spaces into
// plain ones, changing what is saved and executed.
QString RawText(const QPlainTextEdit *editor) {
  QString text = editor->document()->toRawText();
  const bool grouped = editor->document()->property(kGroupedLinesProperty).toBool();
  for (QChar &c : text)
    if (c == QChar::ParagraphSeparator || (grouped && c == QChar::LineSeparator)) c = u'\n';
  return text;
}

// Text with every CR LF, CR and LF made one LF, as the editor holds it.
QString WithLineFeeds(const QString &text) {
  QString out = text;
  return out.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
}

QString FirstLineBreak(const QString &text) {
  const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
  if (at < 0 || text.mid(at, 2) == QLatin1String("\r\n")) return QStringLiteral("\r\n");
  return text.mid(at, 1);
}
}  // namespace

QString EditorText(const QPlainTextEdit *editor) {
  QString text = RawText(editor);
  const QVariant loaded = editor->document()->property(kLoadedTextProperty);
  if (!loaded.isValid()) return text.replace(u'\n', QLatin1String("\r\n"));
  const QString original = loaded.toString();
  if (text == WithLineFeeds(original)) return original;
  return text.replace(u'\n', FirstLineBreak(original));
}

TStringList EditorLines(const QPlainTextEdit *editor) { return TStringList(TStringList::SplitLines(RawText(editor))); }

void SetEditorLines(QPlainTextEdit *editor, const TStringList &lines) {
  editor->setPlainText(lines.Lines().join(u'\n'));
  editor->document()->setProperty(kGroupedLinesProperty, false);
  editor->document()->setProperty(kLoadedTextProperty, QVariant());
}

void SetEditorText(QPlainTextEdit *editor, const QString &text) {
  editor->setPlainText(WithLineFeeds(text));
  editor->document()->setProperty(kGroupedLinesProperty, false);
  editor->document()->setProperty(kLoadedTextProperty, text);
}

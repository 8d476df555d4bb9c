#include "ui/editorlines.h"

#include "ui/sqleditorwidget.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextDocument>
#include <QVariant>

const char *const kLoadedTextProperty = "tesselorLoadedText";

namespace {
// The memo's text with LF between lines. toPlainText would also turn no-break spaces into
// plain ones, changing what is saved and executed.
QString RawText(const QPlainTextEdit *editor) {
  QString text = editor->document()->toRawText();
  for (QChar &c : text)
    if (c == QChar::ParagraphSeparator) c = u'\n';
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

// The stored form of an editor's LF text, given what SetEditorText put in (if anything).
QString StoredForm(QString text, const QVariant &loaded) {
  if (!loaded.isValid()) return text.replace(u'\n', QLatin1String("\r\n"));
  const QString original = loaded.toString();
  if (text == WithLineFeeds(original)) return original;
  return text.replace(u'\n', FirstLineBreak(original));
}
}  // namespace

QString EditorText(const QPlainTextEdit *editor) {
  return StoredForm(RawText(editor), editor->document()->property(kLoadedTextProperty));
}

QString EditorText(const TSQLEditor *editor) {
  return StoredForm(editor->toPlainText(), editor->property(kLoadedTextProperty));
}

TStringList EditorLines(const TSQLEditor *editor) {
  return TStringList(TStringList::SplitLines(editor->toPlainText()));
}

void SetEditorLines(TSQLEditor *editor, const TStringList &lines) { editor->setPlainText(lines.Lines().join(u'\n')); }

void SetEditorText(QPlainTextEdit *editor, const QString &text) {
  editor->setPlainText(WithLineFeeds(text));
  editor->document()->setProperty(kLoadedTextProperty, text);
}

void SetEditorText(TSQLEditor *editor, const QString &text) {
  editor->setPlainText(WithLineFeeds(text));
  editor->setProperty(kLoadedTextProperty, text);
}

#pragma once
// An editor control's lines. The editor holds its text as typed: lines separated by CR LF,
// no break added after the last one, a final break kept when the text ends with one. A text
// put in with SetEditorText comes back exactly as it was while the user has not changed it,
// and with its own kind of line break after a change. Both kinds of editor answer alike: the
// plain-text memos and the SQL editor.
#include "base/lines.h"

class QPlainTextEdit;
class TSQLEditor;

// Where an editor keeps the text SetEditorText put in (on the SQL editor itself, on a memo's
// document).
extern const char *const kLoadedTextProperty;

// The editor's text in its stored form, every character kept (no-break spaces, U+2028): the
// text SetEditorText put in while unchanged, else lines separated by that text's line break
// (CR LF when it had none), ending as the text ends.
QString EditorText(const QPlainTextEdit *editor);
QString EditorText(const TSQLEditor *editor);
// The editor's lines as a line list.
TStringList EditorLines(const TSQLEditor *editor);
// Replaces the editor's text by the lines, separated by line breaks, no break after the last.
void SetEditorLines(TSQLEditor *editor, const TStringList &lines);
// Replaces the editor's text by text, which EditorText gives back as it is.
void SetEditorText(QPlainTextEdit *editor, const QString &text);
void SetEditorText(TSQLEditor *editor, const QString &text);

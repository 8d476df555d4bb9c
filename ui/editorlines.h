#pragma once
// An editor control's lines. The editor holds its text as typed: lines separated by CR LF,
// no break added after the last one, a final break kept when the text ends with one. A text
// put in with SetEditorText comes back exactly as it was while the user has not changed it,
// and with its own kind of line break after a change.
#include "base/lines.h"

class QPlainTextEdit;

// A document property: true while the editor holds a large file with its lines grouped into
// blocks joined by soft line breaks (U+2028), which stand for line breaks. In other documents a
// U+2028 is a character of the text like any other.
extern const char *const kGroupedLinesProperty;

// The editor's text in its stored form, every character kept (no-break spaces, U+2028): the
// text SetEditorText put in while unchanged, else lines separated by that text's line break
// (CR LF when it had none), ending as the text ends.
QString EditorText(const QPlainTextEdit *editor);
// The editor's lines as a line list.
TStringList EditorLines(const QPlainTextEdit *editor);
// Replaces the editor's text by the lines, separated by line breaks, no break after the last.
void SetEditorLines(QPlainTextEdit *editor, const TStringList &lines);
// Replaces the editor's text by text, which EditorText gives back as it is.
void SetEditorText(QPlainTextEdit *editor, const QString &text);

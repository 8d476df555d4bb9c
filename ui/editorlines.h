#pragma once
// An editor control's lines. The editor holds its text as typed: lines separated by CR LF,
// no break added after the last one, a final break kept when the text ends with one.
#include "server/lines.h"

class QPlainTextEdit;

// The editor's text in its stored form (CR LF between lines, ending as the text ends).
QString EditorText(const QPlainTextEdit *editor);
// The editor's lines as a line list.
TStringList EditorLines(const QPlainTextEdit *editor);
// Replaces the editor's text by the lines, separated by line breaks, no break after the last.
void SetEditorLines(QPlainTextEdit *editor, const TStringList &lines);

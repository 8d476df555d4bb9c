#pragma once
// Picking a stored source from the object repository.
#include "server/lines.h"

class QPlainTextEdit;

// Shows the pick dialog modally. On OK the source of the chosen entry replaces lines;
// any other end raises the silent abort and leaves lines as they were.
void SelectObjectSource(TStringList &lines);
// The same for an editor control: the chosen source replaces the editor's text.
void SelectObjectSource(QPlainTextEdit *editor);

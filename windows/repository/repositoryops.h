#pragma once
// Storing a source in the object repository under a name the user types.
#include "base/lines.h"

class TSQLEditor;

// A free line list: stored with CR LF after every line, the last one included.
void AddObjectSource(const TStringList &lines);
// An editor control's lines: stored as the editor holds its text (no break added at the end).
void AddObjectSource(const TSQLEditor *editor);

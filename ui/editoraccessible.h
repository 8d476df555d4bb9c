#pragma once
// What assistive technology sees of the SQL editor: its text, caret and selection, with
// offsets in UTF-16 units found through the component's own line index, so that no question
// (and no key typed while a screen reader listens) costs a walk from the start of a long
// script.
class TSQLEditor;

// Makes editors answer for themselves to assistive technology (the component's own answer
// counts characters from the start of the text at every caret move), and has this one report
// caret moves and changes of its text while something listens.
void InstallEditorAccessibility(TSQLEditor *editor);

class QAccessibleEvent;
// Sends the editors' reports to listener as well as to assistive technology, even when none
// listens; null stops it (tests listen this way).
void SetEditorAccessListener(void (*listener)(QAccessibleEvent *event));

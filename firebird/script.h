#pragma once
// Scripts: a text of many statements, split at their terminators the way the command-line
// tool reads an input file, and told apart into what the server runs and what the program
// does itself (or cannot do on the attachment it has open).
#include <QList>
#include <QString>
#include <QStringList>

struct TScriptStatement {
  QString Text;    // from its first character to its terminator (left out), trailing blanks trimmed
  int Line = 1;    // where its first character stands: line from 1, column from 0
  int Column = 0;  //
  int Start = 0;   // character positions in the script: its first character and one past its last
  int End = 0;
};

// Splits a script into its statements. The terminator is ";" until "SET TERM x" makes it x
// (isql's "SET TERM ;x" turns it back); a terminator inside a quoted text ('..', "..", with
// doubled quotes inside), a Q-string (q'{..}', q'x..x'), a "--" or a "/* */" comment does not
// end a statement. SET TERM itself is done here and not returned; empty statements (blanks
// and comments only) are dropped; a last statement without a terminator is kept.
// Reading stops at an EXIT or QUIT standing alone (with its terminator or at the end of its
// line), as the command-line tool stops there: neither it nor what follows is returned; end,
// when given, tells where and how many statements were left.
struct TScriptEnd {
  QString Command;  // EXIT or QUIT as written, empty when the script was read to its end
  int Line = 0;
  int NotRun = 0;  // statements after it
};
QList<TScriptStatement> SplitScript(const QString &script, TScriptEnd *end = nullptr);

// The new terminator when the statement is "SET TERM x" (or SET TERMINATOR), else empty.
QString TerminatorSetBy(const QString &statement);
// The closing delimiter of a Q-string opened with q'open: brackets close with their partner,
// anything else with itself.
QChar QStringClosing(QChar open);

// What a script run does with a statement.
enum class TScriptAction {
  Execute,   // sent to the server
  Commit,    // COMMIT [WORK]: the program's own Commit Work
  Rollback,  // ROLLBACK [WORK]: the program's own Rollback Work
  Skip,      // a client command a run on the open attachment cannot do (CREATE DATABASE, CONNECT...)
};
TScriptAction ScriptAction(const QString &statement);

// The first n words of a statement, comments and blanks between them passed over: runs of
// identifier characters, or runs of other non-blank characters.
QStringList LeadingWords(const QString &statement, int n);

// The line the server reports an error at ("line 2, column 5", "-At line 3, column 10"), 0
// when it names none; ServerErrorColumn its column (from 1), 0 when it names none.
int ServerErrorLine(const QString &message);
int ServerErrorColumn(const QString &message);
// The script line of an error in a statement: the statement's start line plus the server's
// line minus one, or the start line when the server names none.
int ScriptErrorLine(const TScriptStatement &statement, const QString &message);

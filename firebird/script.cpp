#include "firebird/script.h"

#include <QRegularExpression>

namespace {
bool IsIdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

class TScriptScanner {
public:
  explicit TScriptScanner(const QString &script) : S(script) {}
  QList<TScriptStatement> Split(TScriptEnd *end);

private:
  bool At(QLatin1String s) const { return QStringView(S).mid(Pos).startsWith(s); }
  bool At(const QString &s) const { return QStringView(S).mid(Pos).startsWith(s); }
  void Step();
  void SkipPast(const QString &end);
  void SkipLine();
  bool AtQString() const;
  int ExitLength() const;
  void StopAtExit(TScriptEnd *end);
  void Begin();
  void End(int end);

  const QString &S;
  int Pos = 0, Line = 1, LineStart = 0;
  QString Term = QStringLiteral(";");
  bool InStatement = false;
  bool Exits = true;  // EXIT and QUIT end the reading
  TScriptStatement Cur;
  QList<TScriptStatement> Out;
};

void TScriptScanner::Step() {
  const QChar c = S[Pos++];
  if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && (Pos >= S.size() || S[Pos] != QLatin1Char('\n')))) {
    ++Line;
    LineStart = Pos;
  }
}

void TScriptScanner::SkipPast(const QString &end) {
  while (Pos < S.size() && !At(end))
    Step();
  for (int i = 0; i < end.size() && Pos < S.size(); ++i)
    Step();
}

void TScriptScanner::SkipLine() {
  while (Pos < S.size() && S[Pos] != QLatin1Char('\n') && S[Pos] != QLatin1Char('\r'))
    Step();
}

bool TScriptScanner::AtQString() const {
  const QChar c = S[Pos];
  if (c != QLatin1Char('q') && c != QLatin1Char('Q')) return false;
  if (Pos + 2 >= S.size() || S[Pos + 1] != QLatin1Char('\'') || S[Pos + 2].isSpace()) return false;
  return Pos == 0 || !IsIdentChar(S[Pos - 1]);
}

// The length of an EXIT or QUIT at a statement's start when nothing but blanks, a comment or
// the terminator follows it on its line; 0 otherwise.
int TScriptScanner::ExitLength() const {
  const QStringView rest = QStringView(S).mid(Pos);
  int length = 0;
  for (QLatin1String word : {QLatin1String("EXIT"), QLatin1String("QUIT")})
    if (rest.startsWith(word, Qt::CaseInsensitive)) length = word.size();
  if (length == 0) return 0;
  int i = length;
  while (i < rest.size() && (rest[i] == u' ' || rest[i] == u'\t'))
    ++i;
  const QStringView after = rest.mid(i);
  if (after.isEmpty() || after[0] == u'\r' || after[0] == u'\n' || after.startsWith(Term) ||
      after.startsWith(QLatin1String("--")) || after.startsWith(QLatin1String("/*")))
    return length;
  return 0;
}

void TScriptScanner::StopAtExit(TScriptEnd *end) {
  if (!end) return;
  end->Command = S.mid(Pos, ExitLength());
  end->Line = Line;
  for (int n = end->Command.size(); n > 0; --n)
    Step();
  TScriptScanner rest(S);  // what is left, counted as it would have been read
  rest.Pos = Pos;
  rest.Line = Line;
  rest.LineStart = LineStart;
  rest.Term = Term;
  rest.Exits = false;
  end->NotRun = rest.Split(nullptr).size();
}

void TScriptScanner::Begin() {
  if (InStatement) return;
  InStatement = true;
  Cur = TScriptStatement();
  Cur.Start = Pos;
  Cur.Line = Line;
  Cur.Column = Pos - LineStart;
}

void TScriptScanner::End(int end) {
  if (!InStatement) return;
  InStatement = false;
  int last = end;
  while (last > Cur.Start && S[last - 1].isSpace())
    --last;
  Cur.End = last;
  Cur.Text = S.mid(Cur.Start, last - Cur.Start);
  const QString term = TerminatorSetBy(Cur.Text);
  if (!term.isEmpty())
    Term = term;
  else
    Out << Cur;
}

QList<TScriptStatement> TScriptScanner::Split(TScriptEnd *end) {
  while (Pos < S.size()) {
    const QChar c = S[Pos];
    if (Exits && !InStatement && ExitLength() > 0) {
      StopAtExit(end);
      return Out;
    } else if (At(QLatin1String("--"))) {
      SkipLine();
    } else if (At(QLatin1String("/*"))) {
      Step();
      Step();
      SkipPast(QStringLiteral("*/"));
    } else if (At(Term)) {
      const int length = Term.size();  // End may change the terminator
      End(Pos);
      for (int i = 0; i < length; ++i)
        Step();
    } else if (c.isSpace()) {
      Step();
    } else {
      Begin();
      if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        Step();
        SkipPast(QString(c));
      } else if (AtQString()) {
        const QString close = QString(QStringClosing(S[Pos + 2])) + QLatin1Char('\'');
        Step(), Step(), Step();
        SkipPast(close);
      } else {
        Step();
      }
    }
  }
  End(S.size());
  return Out;
}
}  // namespace

QChar QStringClosing(QChar open) {
  switch (open.unicode()) {
  case '(': return QLatin1Char(')');
  case '[': return QLatin1Char(']');
  case '{': return QLatin1Char('}');
  case '<': return QLatin1Char('>');
  default: return open;
  }
}

QString TerminatorSetBy(const QString &statement) {
  const QStringList words = LeadingWords(statement, 4);
  if (words.size() != 3 || words[0].compare(QLatin1String("SET"), Qt::CaseInsensitive) != 0) return {};
  if (words[1].compare(QLatin1String("TERM"), Qt::CaseInsensitive) != 0 &&
      words[1].compare(QLatin1String("TERMINATOR"), Qt::CaseInsensitive) != 0)
    return {};
  return words[2];
}

QList<TScriptStatement> SplitScript(const QString &script, TScriptEnd *end) {
  if (end) *end = TScriptEnd();
  return TScriptScanner(script).Split(end);
}

QStringList LeadingWords(const QString &statement, int n) {
  QStringList words;
  int i = 0;
  const int size = statement.size();
  auto at = [&](const char *s) { return QStringView(statement).mid(i).startsWith(QLatin1String(s)); };
  while (i < size && words.size() < n) {
    if (statement[i].isSpace()) {
      ++i;
    } else if (at("--")) {
      while (i < size && statement[i] != QLatin1Char('\n') && statement[i] != QLatin1Char('\r'))
        ++i;
    } else if (at("/*")) {
      const int close = statement.indexOf(QLatin1String("*/"), i + 2);
      i = close < 0 ? size : close + 2;
    } else {
      const int begin = i;
      const bool ident = IsIdentChar(statement[i]);
      while (i < size && !statement[i].isSpace() && IsIdentChar(statement[i]) == ident && !at("--") && !at("/*"))
        ++i;
      words << statement.mid(begin, i - begin);
    }
  }
  return words;
}

TScriptAction ScriptAction(const QString &statement) {
  QStringList w = LeadingWords(statement, 4);
  for (QString &word : w)
    word = word.toUpper();
  w.resize(4);  // missing words read empty
  const auto is = [&](int i, const char *word) { return w[i] == QLatin1String(word); };
  if ((is(0, "COMMIT") || is(0, "ROLLBACK")) && (w[1].isEmpty() || (is(1, "WORK") && w[2].isEmpty())))
    return is(0, "COMMIT") ? TScriptAction::Commit : TScriptAction::Rollback;
  if (is(0, "CREATE") && (is(1, "DATABASE") || is(1, "SCHEMA"))) return TScriptAction::Skip;
  if (is(0, "CONNECT") || is(0, "INPUT") || ((is(0, "QUIT") || is(0, "EXIT")) && w[1].isEmpty()))
    return TScriptAction::Skip;
  if (is(0, "SET") &&
      ((is(1, "SQL") && is(2, "DIALECT")) || is(1, "NAMES") || is(1, "AUTODDL") || is(1, "AUTO") || is(1, "BAIL")))
    return TScriptAction::Skip;
  return TScriptAction::Execute;
}

namespace {
QRegularExpressionMatch ServerErrorAt(const QString &message) {
  static const QRegularExpression at(QStringLiteral("\\bline (\\d+), column (-?\\d+)"),
                                     QRegularExpression::CaseInsensitiveOption);
  return at.match(message);
}
}  // namespace

int ServerErrorLine(const QString &message) {
  const QRegularExpressionMatch m = ServerErrorAt(message);
  return m.hasMatch() ? m.captured(1).toInt() : 0;
}

int ServerErrorColumn(const QString &message) {
  const QRegularExpressionMatch m = ServerErrorAt(message);
  return m.hasMatch() ? qMax(0, m.captured(2).toInt()) : 0;
}

int ScriptErrorLine(const TScriptStatement &statement, const QString &message) {
  const int line = ServerErrorLine(message);
  return line > 0 ? statement.Line + line - 1 : statement.Line;
}

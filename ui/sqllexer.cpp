#include "ui/sqllexer.h"

#include "firebird/keywords.h"
#include "firebird/script.h"

#include <Qsci/qsciscintilla.h>
#include <string>

namespace {
// What a line's end leaves open, kept as its Scintilla line state (0 at the text's start):
// bits 0-2 the open token, 3-10 a Q-string's closing character, bit 11 "inside a statement",
// 12-21 the terminator's index, 22-31 a pending terminator's index plus one (a SET TERM read,
// its own terminator not yet).
enum Mode : unsigned { None = 0, BlockComment, Quote, DoubleQuote, QuoteQ };

struct TLexState {
  unsigned Mode = None, QClose = 0, InStatement = 0, Term = 0, Pending = 0;
  static TLexState From(unsigned v) {
    return {v & 7u, (v >> 3) & 0xFFu, (v >> 11) & 1u, (v >> 12) & 0x3FFu, (v >> 22) & 0x3FFu};
  }
  unsigned Value() const { return Mode | (QClose << 3) | (InStatement << 11) | (Term << 12) | (Pending << 22); }
};

bool IsIdentByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c >= 0x80;
}
}  // namespace

TSQLLexer::TSQLLexer(QObject *parent) : QsciLexerCustom(parent) {}

QString TSQLLexer::description(int style) const {
  static const char *const names[] = {
      "Default", "Keyword", "String", "Quoted identifier", "Comment", "Number", "Statement terminator"};
  return style >= 0 && style < StyleCount ? QString::fromLatin1(names[style]) : QString();
}

QColor TSQLLexer::defaultColor(int style) const {
  switch (style) {
  case Keyword: return QColor(0x00, 0x00, 0xA0);
  case String: return QColor(0xA0, 0x10, 0x10);
  case QuotedIdentifier: return QColor(0x70, 0x30, 0x90);
  case Comment: return QColor(0x00, 0x80, 0x00);
  case Number: return QColor(0x00, 0x70, 0x70);
  case Terminator: return QColor(0xC0, 0x50, 0x00);
  default: return QColor(Qt::black);
  }
}

QFont TSQLLexer::defaultFont(int style) const {
  QFont f = FFont;
  f.setBold(style == Keyword || style == Terminator);
  return f;
}

void TSQLLexer::setDefaultFont(const QFont &font) {
  FFont = font;
  QsciLexerCustom::setDefaultFont(font);
  for (int s = 0; s < StyleCount; ++s)
    setFont(defaultFont(s), s);
}

int TSQLLexer::TermIndex(const QByteArray &term) {
  int i = int(FTerms.indexOf(term));
  if (i < 0 && FTerms.size() < 0x3FF) {
    FTerms << term;
    i = int(FTerms.size()) - 1;
  }
  return qMax(i, 0);
}

void TSQLLexer::styleText(int start, int end) {
  QsciScintilla *ed = editor();
  if (!ed || end <= start) return;
  const long docLength = ed->SendScintilla(QsciScintilla::SCI_GETLENGTH);
  int line = int(ed->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, start));
  TLexState st =
      line > 0 ? TLexState::From(unsigned(ed->SendScintilla(QsciScintilla::SCI_GETLINESTATE, line - 1))) : TLexState();
  const int n = end - start;
  // The bytes from start on, contiguous (a token may end past `end`).
  const auto *p = reinterpret_cast<const unsigned char *>(
      ed->SendScintilla(QsciScintilla::SCI_GETRANGEPOINTER, (unsigned long)start, long(docLength - start)));
  if (!p) return;
  const long avail = docLength - start;
  std::string styles(static_cast<size_t>(n), static_cast<char>(Default));
  auto paint = [&](long from, long to, Style s) {
    for (long k = qMax(from, 0l); k < qMin(to, long(n)); ++k)
      styles[size_t(k)] = char(s);
  };
  auto endLine = [&](long at) {
    if (at < n && p[at] == '\n') ed->SendScintilla(QsciScintilla::SCI_SETLINESTATE, line++, long(st.Value()));
  };
  // Scans on from i while a token is open; returns where it closed (past its end) or n.
  auto closeOpen = [&](long i) -> long {
    while (i < n) {
      const unsigned char c = p[i];
      if (st.Mode == BlockComment && c == '*' && i + 1 < avail && p[i + 1] == '/') {
        st.Mode = None;
        return i + 2;
      }
      if (st.Mode == Quote && c == '\'') return st.Mode = None, i + 1;
      if (st.Mode == DoubleQuote && c == '"') return st.Mode = None, i + 1;
      if (st.Mode == QuoteQ && c == st.QClose && i + 1 < avail && p[i + 1] == '\'') {
        st.Mode = None;
        return i + 2;
      }
      endLine(i);
      ++i;
    }
    return n;
  };
  auto modeStyle = [](unsigned mode) {
    return mode == BlockComment ? Comment : mode == DoubleQuote ? QuotedIdentifier : String;
  };
  long i = 0;
  if (st.Mode != None) {
    const Style s = modeStyle(st.Mode);
    const long to = closeOpen(0);
    paint(0, to, s);
    i = to;
  }
  while (i < n) {
    const unsigned char c = p[i];
    const QByteArray &term = FTerms[int(st.Term)];
    if (c == '-' && i + 1 < avail && p[i + 1] == '-') {
      long j = i;
      while (j < n && p[j] != '\n')
        ++j;
      paint(i, j, Comment);
      i = j;
    } else if (c == '/' && i + 1 < avail && p[i + 1] == '*') {
      st.Mode = BlockComment;
      const long to = closeOpen(i + 2);
      paint(i, to, Comment);
      i = to;
    } else if (i + term.size() <= avail && memcmp(p + i, term.constData(), size_t(term.size())) == 0) {
      paint(i, i + term.size(), Terminator);
      i += term.size();
      st.InStatement = 0;
      if (st.Pending) st.Term = st.Pending - 1, st.Pending = 0;
    } else if (c == '\n') {
      endLine(i);
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '\'' || c == '"') {
      st.InStatement = 1;
      st.Mode = c == '\'' ? Quote : DoubleQuote;
      const long to = closeOpen(i + 1);
      paint(i, to, modeStyle(c == '\'' ? Quote : DoubleQuote));
      i = to;
    } else if ((c == 'q' || c == 'Q') && i + 2 < avail && p[i + 1] == '\'' && !isspace(p[i + 2]) &&
               (start + i == 0 ||
                !IsIdentByte(i > 0 ? p[i - 1]
                                   : uchar(ed->SendScintilla(QsciScintilla::SCI_GETCHARAT, start + i - 1))))) {
      st.InStatement = 1;
      st.Mode = QuoteQ;
      st.QClose = p[i + 2] < 0x80 ? QStringClosing(QLatin1Char(char(p[i + 2]))).toLatin1() : p[i + 2];
      const long to = closeOpen(i + 3);
      paint(i, to, String);
      i = to;
    } else if (IsIdentByte(c) && !(c >= '0' && c <= '9')) {
      long j = i;
      while (j < avail && IsIdentByte(p[j]))
        ++j;
      const QByteArray word = QByteArray(reinterpret_cast<const char *>(p + i), int(j - i)).toUpper();
      if (word.size() <= 31 && IsKeywordUpper(word)) paint(i, j, Keyword);
      if (!st.InStatement && word == "SET") {
        // SET TERM x: the new terminator takes over after this statement's own.
        const long look = qMin(avail - i, 256l);
        QString head = QString::fromUtf8(reinterpret_cast<const char *>(p + i), int(look));
        const qsizetype at = head.indexOf(QString::fromUtf8(term));
        if (at >= 0) head.truncate(at);
        const QString next = TerminatorSetBy(head);
        if (!next.isEmpty()) st.Pending = unsigned(TermIndex(next.toUtf8())) + 1;
      }
      st.InStatement = 1;
      i = j;
    } else if ((c >= '0' && c <= '9') || (c == '.' && i + 1 < avail && isdigit(p[i + 1]))) {
      long j = i + 1;
      while (j < avail &&
             (isalnum(p[j]) || p[j] == '.' || ((p[j] == '+' || p[j] == '-') && (p[j - 1] == 'e' || p[j - 1] == 'E'))))
        ++j;
      paint(i, j, Number);
      st.InStatement = 1;
      i = j;
    } else {
      st.InStatement = 1;
      ++i;
    }
  }
  startStyling(start);
  ed->SendScintilla(QsciScintilla::SCI_SETSTYLINGEX, (unsigned long)n, styles.data());
}

#include "ui/sqleditorwidget.h"

#include "firebird/catalognames.h"
#include "firebird/keywords.h"
#include "firebird/names.h"
#include "ui/editoraccessible.h"
#include "ui/editorlines.h"
#include "ui/editorsearch.h"
#include "ui/shell.h"
#include "ui/sqllexer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {
using Sci = QsciScintillaBase;

constexpr int kErrorMarker = 1;
constexpr int kErrorIndicator = 8;
constexpr int kCompletionAfter = 3;      // characters of a word before completion opens by itself
constexpr int kAliasWindow = 16 * 1024;  // characters around the caret searched for aliases
// The most entries the list shows at once; with more, it shows the first ones and is made
// again as the word grows (the list itself only narrows what it was given).
constexpr int kMaxListed = 500;

// The length in UTF-8 of a piece of text.
long Utf8Length(QStringView text) {
  long n = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < 0x80)
      n += 1;
    else if (c < 0x800)
      n += 2;
    else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
      n += 4;
      ++i;
    } else
      n += 3;
  }
  return n;
}

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

// A name as typed (quoted, or folded to upper case) in its catalog form.
QString CatalogForm(const QString &typed) { return typed.startsWith(u'"') ? TypedName(typed) : typed.toUpper(); }
}  // namespace

TSQLEditor::TSQLEditor(QWidget *parent) : QsciScintilla(parent) {
  setUtf8(true);
  setWrapMode(WrapNone);
  setEolMode(EolUnix);
  setIndentationsUseTabs(true);
  setTabWidth(8);
  setAutoIndent(false);
  setAutoCompletionSource(AcsNone);
  setBraceMatching(SloppyBraceMatch);
  setCaretLineVisible(true);
  setCaretLineBackgroundColor(QColor(0xFF, 0xFF, 0xE0));
  setMarginType(0, NumberMargin);
  setMarginLineNumbers(0, true);
  setMarginWidth(0, QStringLiteral("00000"));
  setMarginWidth(1, 14);
  setMarginSensitivity(1, false);
  markerDefine(RightTriangle, kErrorMarker);
  setMarkerBackgroundColor(QColor(0xD0, 0x00, 0x00), kErrorMarker);
  setMarkerForegroundColor(QColor(0x80, 0x00, 0x00), kErrorMarker);
  indicatorDefine(SquiggleIndicator, kErrorIndicator);
  setIndicatorForegroundColor(QColor(0xE0, 0x00, 0x00), kErrorIndicator);
  indicatorDefine(FullBoxIndicator, TSQLEditor::FoundIndicator);
  // Translucent and under the text: the component takes a mark's opacity from its colour.
  setIndicatorForegroundColor(QColor(0xFF, 0xC0, 0x00, 120), TSQLEditor::FoundIndicator);
  setIndicatorDrawUnder(true, TSQLEditor::FoundIndicator);
  SendScintilla(SCI_SETSCROLLWIDTH, 1);
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
  SendScintilla(SCI_AUTOCSETSEPARATOR, long('\n'));
  SendScintilla(SCI_AUTOCSETIGNORECASE, 1);
  SendScintilla(SCI_AUTOCSETCASEINSENSITIVEBEHAVIOUR, 1);  // SC_CASEINSENSITIVEBEHAVIOUR_IGNORECASE
  SendScintilla(SCI_AUTOCSETORDER, long(SC_ORDER_PERFORMSORT));
  SendScintilla(SCI_AUTOCSETMAXHEIGHT, 12);
  // Home and End go to the line's very start and end, as in the other editors here.
  SendScintilla(SCI_ASSIGNCMDKEY, long(SCK_HOME), long(SCI_HOME));
  SendScintilla(SCI_ASSIGNCMDKEY, long(SCK_HOME | (SCMOD_SHIFT << 16)), long(SCI_HOMEEXTEND));
  FLexer = new TSQLLexer(this);
  setLexer(FLexer);
  // The component's accessibility hooks turn the byte position of every insertion and
  // deletion, and of the caret at every repaint, into a count of characters from the start of
  // the text: a key in the middle of a 10 MB script cost 25-100 ms. The editor answers to
  // assistive technology itself (ui/editoraccessible), and the component is told of changes
  // only as they are about to happen, which its hooks ignore.
  SendScintilla(SCI_SETMODEVENTMASK, long(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE | SC_MOD_CHANGESTYLE |
                                          SC_MOD_CHANGEFOLD | SC_MOD_CHANGEMARKER | SC_MOD_CHANGELINESTATE |
                                          SC_MOD_CHANGEMARGIN | SC_MOD_CHANGEANNOTATION | SC_MOD_CHANGEINDICATOR));
  InstallEditorAccessibility(this);
  connect(this, &QsciScintillaBase::SCN_CHARADDED, this, &TSQLEditor::CharAdded);
  connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
    if ((updated & (SC_UPDATE_CONTENT | SC_UPDATE_V_SCROLL | SC_UPDATE_H_SCROLL)) && MarkVisible())
      viewport()->update();
  });
}

TSQLEditor::~TSQLEditor() = default;

QString TSQLEditor::toPlainText() const { return text(); }

void TSQLEditor::setPlainText(const QString &text) {
  QString lf = text;
  if (lf.contains(u'\r')) lf.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
  setText(lf);
  // The sideways range from the longest line at once (the face is fixed-pitch), not only once
  // that line has been shown; it grows as longer lines are typed.
  qsizetype longest = 0, start = 0;
  for (qsizetype end; (end = lf.indexOf(u'\n', start)) >= 0; start = end + 1)
    longest = qMax(longest, end - start);
  longest = qMax(longest, lf.size() - start);
  // A character's advance is fractional: measured over a thousand, rounded up, so the range
  // is never shorter than the line the component lays out later.
  const long thousand = SendScintilla(SCI_TEXTWIDTH, long(STYLE_DEFAULT), QByteArray(1000, 'X').constData());
  SendScintilla(SCI_SETSCROLLWIDTH, qMax(1l, long(std::ceil(double(longest) * double(thousand + 1) / 1000.0))));
  SendScintilla(SCI_EMPTYUNDOBUFFER);
  setModified(false);
  // The first screen styled before the caret is placed: placing it lays out the first line,
  // which styling would then have laid out again (a line of megabytes, seconds each time).
  const long shown = qMin(long(lines() - 1), SendScintilla(SCI_LINESONSCREEN) + 1);
  SendScintilla(SCI_COLOURISE, 0l, SendScintilla(SCI_GETLINEENDPOSITION, shown));
  SendScintilla(SCI_GOTOPOS, 0l);
  ClearError();
  setProperty(kLoadedTextProperty, QVariant());
}

long TSQLEditor::BytePos(int charPos) const {
  const QString t = toPlainText();
  return Utf8Length(QStringView(t).left(qBound(0, charPos, int(t.size()))));
}

void TSQLEditor::SelectChars(int from, int to) {
  const QString t = toPlainText();
  const long a = Utf8Length(QStringView(t).left(qBound(0, from, int(t.size()))));
  const long b = a + Utf8Length(QStringView(t).mid(qBound(0, from, int(t.size())), qMax(0, to - from)));
  SendScintilla(SCI_SETSEL, a, b);
  SendScintilla(SCI_SCROLLCARET);
}

// ---- Search ----------------------------------------------------------------------------------

namespace {
int SearchFlags(const TFindOptions &o) {
  int f = 0;
  if (o.CaseSensitive) f |= QsciScintillaBase::SCFIND_MATCHCASE;
  if (o.WholeWord) f |= QsciScintillaBase::SCFIND_WHOLEWORD;
  if (o.RegExp) f |= QsciScintillaBase::SCFIND_REGEXP | QsciScintillaBase::SCFIND_CXX11REGEX;
  return f;
}
}  // namespace

bool TSQLEditor::Find(const QString &what, const TFindOptions &options) {
  if (what.isEmpty()) return false;
  const QByteArray w = what.toUtf8();
  const long length = SendScintilla(SCI_GETLENGTH);
  SendScintilla(SCI_SETSEARCHFLAGS, SearchFlags(options));
  const long selStart = SendScintilla(SCI_GETSELECTIONSTART), selEnd = SendScintilla(SCI_GETSELECTIONEND);
  auto search = [&](long from, long to) {
    SendScintilla(SCI_SETTARGETRANGE, from, to);
    return SendScintilla(SCI_SEARCHINTARGET, (unsigned long)w.size(), w.constData());
  };
  long at = options.Backward ? search(selStart, 0) : search(selEnd, length);
  if (at < 0 && options.Wrap) at = options.Backward ? search(length, selStart) : search(0, selEnd);
  if (at < 0) return false;
  SendScintilla(SCI_SETSEL, at, SendScintilla(SCI_GETTARGETEND));
  SendScintilla(SCI_SCROLLCARET);
  return true;
}

int TSQLEditor::ReplaceAll(const QString &what, const QString &with, const TFindOptions &options) {
  if (what.isEmpty() || isReadOnly()) return 0;
  const QByteArray w = what.toUtf8(), r = with.toUtf8();
  SendScintilla(SCI_SETSEARCHFLAGS, SearchFlags(options));
  int count = 0;
  long from = 0;
  beginUndoAction();
  for (;;) {
    SendScintilla(SCI_SETTARGETRANGE, from, SendScintilla(SCI_GETLENGTH));
    const long at = SendScintilla(SCI_SEARCHINTARGET, (unsigned long)w.size(), w.constData());
    if (at < 0) break;
    const bool empty = SendScintilla(SCI_GETTARGETEND) == at;
    SendScintilla(options.RegExp ? SCI_REPLACETARGETRE : SCI_REPLACETARGET, (unsigned long)r.size(), r.constData());
    from = SendScintilla(SCI_GETTARGETEND) + (empty ? 1 : 0);
    ++count;
    if (from > SendScintilla(SCI_GETLENGTH)) break;
  }
  endUndoAction();
  return count;
}

int TSQLEditor::MarkAll(const QString &what, const TFindOptions &options) {
  FMark = what.toUtf8();
  FMarkFlags = SearchFlags(options);
  FMarkedFrom = FMarkedTo = -1;
  SendScintilla(SCI_SETINDICATORCURRENT, TSQLEditor::FoundIndicator);
  SendScintilla(SCI_INDICATORCLEARRANGE, 0l, SendScintilla(SCI_GETLENGTH));
  if (FMark.isEmpty()) return 0;
  int count = 0;
  ForEachMatch(0, SendScintilla(SCI_GETLENGTH), [&](long, long) { ++count; });
  MarkVisible();
  return count;
}

template <typename F>
void TSQLEditor::ForEachMatch(long from, long to, F &&found) {
  SendScintilla(SCI_SETSEARCHFLAGS, FMarkFlags);
  while (from <= to) {
    SendScintilla(SCI_SETTARGETRANGE, from, to);
    const long at = SendScintilla(SCI_SEARCHINTARGET, (unsigned long)FMark.size(), FMark.constData());
    if (at < 0) break;
    const long end = SendScintilla(SCI_GETTARGETEND);
    found(at, end);
    from = end > at ? end : at + 1;
  }
}

bool TSQLEditor::MarkVisible() {
  if (FMark.isEmpty()) return false;
  // The marks are drawn only where they are seen: a component draws every mark of a line it
  // shows, and a line of megabytes may hold hundreds of thousands. The text in view, a word's
  // length either side, is marked again whenever the view or the text changes.
  const long length = SendScintilla(SCI_GETLENGTH);
  const long first = SendScintilla(SCI_DOCLINEFROMVISIBLE, SendScintilla(SCI_GETFIRSTVISIBLELINE));
  const long last =
      qMin(long(lines() - 1), SendScintilla(SCI_DOCLINEFROMVISIBLE, SendScintilla(SCI_GETFIRSTVISIBLELINE) +
                                                                        SendScintilla(SCI_LINESONSCREEN) + 1));
  const long lineHeight = qMax(1l, SendScintilla(SCI_TEXTHEIGHT, first));
  // A line can be wider than the view many times over: from the first line's first shown
  // character to the last line's last.
  auto shown = [&](long line, int x) {
    const long y =
        SendScintilla(SCI_POINTYFROMPOSITION, 0ul, SendScintilla(SCI_POSITIONFROMLINE, line)) + lineHeight / 2;
    return SendScintilla(SCI_POSITIONFROMPOINT, (unsigned long)qMax(0, x), y);
  };
  // (A wrapped line is laid out whole anyway, and its shown part is not one stretch of x.)
  auto isLong = [&](long line) { return wrapMode() == WrapNone && SendScintilla(SCI_LINELENGTH, line) > 4096; };
  const long span = FMark.size() + 1;
  long from = isLong(first) ? shown(first, 0) : SendScintilla(SCI_POSITIONFROMLINE, first);
  long to = isLong(last) ? shown(last, viewport()->width()) : SendScintilla(SCI_GETLINEENDPOSITION, last);
  from = qMax(0l, from - span);
  to = qMin(length, to + span);
  if (from == FMarkedFrom && to == FMarkedTo && FMarkedLength == length) return false;
  SendScintilla(SCI_SETINDICATORCURRENT, TSQLEditor::FoundIndicator);
  if (FMarkedFrom >= 0) SendScintilla(SCI_INDICATORCLEARRANGE, 0l, length);
  ForEachMatch(from, to, [this](long at, long end) { SendScintilla(SCI_INDICATORFILLRANGE, at, end - at); });
  FMarkedFrom = from;
  FMarkedTo = to;
  FMarkedLength = length;
  return true;
}

bool TSQLEditor::ReplaceSelection(const QString &what, const QString &with, const TFindOptions &options) {
  const long start = SendScintilla(SCI_GETSELECTIONSTART), end = SendScintilla(SCI_GETSELECTIONEND);
  if (what.isEmpty() || end <= start || isReadOnly()) return false;
  const QByteArray w = what.toUtf8(), r = with.toUtf8();
  SendScintilla(SCI_SETSEARCHFLAGS, SearchFlags(options));
  SendScintilla(SCI_SETTARGETRANGE, start, end);
  if (SendScintilla(SCI_SEARCHINTARGET, (unsigned long)w.size(), w.constData()) != start ||
      SendScintilla(SCI_GETTARGETEND) != end)
    return false;
  SendScintilla(options.RegExp ? SCI_REPLACETARGETRE : SCI_REPLACETARGET, (unsigned long)r.size(), r.constData());
  const long after = SendScintilla(SCI_GETTARGETEND);
  SendScintilla(SCI_SETSEL, after, after);
  return true;
}

TFindDialog *TSQLEditor::ShowFind(bool replace) {
  if (!FFind) FFind = new TFindDialog(this);
  FFind->ShowFor(replace, selectedText());
  return FFind;
}

void TSQLEditor::FindAgain(bool backward) {
  if (!FFind || FFind->Text().isEmpty()) {
    ShowFind(false);
    return;
  }
  TFindOptions o = FFind->Options();
  o.Backward = backward;
  FFind->ShowResult(Find(FFind->Text(), o));
}

// ---- Lines -----------------------------------------------------------------------------------

void TSQLEditor::GoToLine(int line) {
  const int target = qBound(0, line - 1, lines() - 1);
  SendScintilla(SCI_ENSUREVISIBLEENFORCEPOLICY, target);
  SendScintilla(SCI_GOTOLINE, target);
}

void TSQLEditor::AskGoToLine() {
  int line = 0, index = 0;
  getCursorPosition(&line, &index);
  QInputDialog dlg(this);
  dlg.setObjectName(QStringLiteral("GoToLineDialog"));
  dlg.setWindowTitle(QStringLiteral("Go to Line"));
  dlg.setLabelText(QStringLiteral("Line number (1 - %1):").arg(lines()));
  dlg.setInputMode(QInputDialog::IntInput);
  dlg.setIntRange(1, lines());
  dlg.setIntValue(line + 1);
  if (dlg.exec() == QDialog::Accepted) GoToLine(dlg.intValue());
}

void TSQLEditor::ToggleComment() {
  if (isReadOnly()) return;
  const long selStart = SendScintilla(SCI_GETSELECTIONSTART), selEnd = SendScintilla(SCI_GETSELECTIONEND);
  const int first = int(SendScintilla(SCI_LINEFROMPOSITION, selStart));
  int last = int(SendScintilla(SCI_LINEFROMPOSITION, selEnd));
  if (last > first && SendScintilla(SCI_POSITIONFROMLINE, last) == selEnd) --last;  // selection ends at a line start
  auto indentEnd = [this](int l) { return SendScintilla(SCI_GETLINEINDENTPOSITION, l); };
  auto lineEnd = [this](int l) { return SendScintilla(SCI_GETLINEENDPOSITION, l); };
  auto startsComment = [&](int l) {
    const long at = indentEnd(l);
    return lineEnd(l) - at >= 2 && SendScintilla(SCI_GETCHARAT, at) == '-' &&
           SendScintilla(SCI_GETCHARAT, at + 1) == '-';
  };
  bool uncomment = true, any = false;
  for (int l = first; l <= last; ++l) {
    if (indentEnd(l) == lineEnd(l)) continue;  // blank
    any = true;
    uncomment = uncomment && startsComment(l);
  }
  if (!any) return;
  beginUndoAction();
  for (int l = first; l <= last; ++l) {
    if (indentEnd(l) == lineEnd(l)) continue;
    if (uncomment) {
      const long at = indentEnd(l);
      const long n = SendScintilla(SCI_GETCHARAT, at + 2) == ' ' ? 3 : 2;
      SendScintilla(SCI_DELETERANGE, at, n);
    } else {
      SendScintilla(SCI_INSERTTEXT, SendScintilla(SCI_POSITIONFROMLINE, l), "-- ");
    }
  }
  endUndoAction();
  // The toggled lines stay selected, for another toggle.
  SendScintilla(SCI_SETSEL, SendScintilla(SCI_POSITIONFROMLINE, first), lineEnd(last));
}

// ---- Errors ----------------------------------------------------------------------------------

void TSQLEditor::MarkError(int line, int column, bool moveCaret) {
  ClearError();
  const int l = qBound(0, line - 1, lines() - 1);
  const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, l), lineEnd = SendScintilla(SCI_GETLINEENDPOSITION, l);
  long at = column > 0 ? positionFromLineIndex(l, column - 1) : lineStart;
  at = qBound(lineStart, at, lineEnd);
  long end = SendScintilla(SCI_WORDENDPOSITION, at, 1l);
  if (end <= at) end = qMin(SendScintilla(SCI_POSITIONAFTER, at), lineEnd > at ? lineEnd : at + 1);
  markerAdd(l, kErrorMarker);
  SendScintilla(SCI_SETINDICATORCURRENT, kErrorIndicator);
  SendScintilla(SCI_INDICATORFILLRANGE, at, qMax(1l, end - at));
  if (moveCaret) {
    SendScintilla(SCI_GOTOPOS, at);
    SendScintilla(SCI_SCROLLCARET);
  } else {
    SendScintilla(SCI_SCROLLRANGE, at, at);
  }
}

void TSQLEditor::ClearError() {
  markerDeleteAll(kErrorMarker);
  SendScintilla(SCI_SETINDICATORCURRENT, kErrorIndicator);
  SendScintilla(SCI_INDICATORCLEARRANGE, 0l, SendScintilla(SCI_GETLENGTH));
}

int TSQLEditor::ErrorLine() const {
  const long l = SendScintilla(SCI_MARKERNEXT, 0l, long(1 << kErrorMarker));
  return l < 0 ? 0 : int(l) + 1;
}

// ---- Completion ------------------------------------------------------------------------------

QString TSQLEditor::BeforeCaret(qsizetype *wordStart) const {
  // At most the window before the caret: a key on a line of megabytes reads no more of it.
  const long caret = SendScintilla(SCI_GETCURRENTPOS);
  const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, SendScintilla(SCI_LINEFROMPOSITION, caret));
  long from = qMax(lineStart, caret - kAliasWindow);
  if (from > lineStart) from = SendScintilla(SCI_POSITIONBEFORE, from + 1);  // not inside a character
  const QString before = text(int(from), int(caret));
  qsizetype i = before.size();
  while (i > 0 && IsWordChar(before[i - 1]))
    --i;
  *wordStart = i;
  return before;
}

QStringList TSQLEditor::CompletionEntries(QString *prefixOut) const {
  qsizetype i = 0;
  const QString lineText = BeforeCaret(&i);
  const QString prefix = lineText.mid(i);
  if (prefixOut) *prefixOut = prefix;
  // "name." before the word: the columns of that table, or of the one an alias stands for.
  QString qualifier;
  if (i > 0 && lineText[i - 1] == u'.') {
    qsizetype q = i - 1;
    if (q > 0 && lineText[q - 1] == u'"') {
      const qsizetype open = lineText.lastIndexOf(u'"', q - 2);
      if (open >= 0) qualifier = lineText.mid(open, q - open);
    } else {
      qsizetype s = q;
      while (s > 0 && IsWordChar(lineText[s - 1]))
        --s;
      qualifier = lineText.mid(s, q - s);
    }
  }
  TCatalogNames *catalog = CatalogNames();
  const std::shared_ptr<const TCatalogNameSet> names = catalog ? catalog->Names() : nullptr;
  const int dialect = names ? names->Dialect : 3;
  QStringList out;
  auto offer = [&](const QStringList &list) {
    for (const QString &name : list)
      if (name.startsWith(prefix, Qt::CaseInsensitive)) out << QuoteIdentifier(name, dialect);
  };
  if (!qualifier.isEmpty()) {
    if (!names) return out;
    QString relation = CatalogForm(qualifier);
    if (!names->Columns.contains(relation) && !names->Parameters.contains(relation)) {
      // An alias: "FROM <relation> [AS] <alias>" (or JOIN, UPDATE...) in the text around the caret.
      const long caret = SendScintilla(SCI_GETCURRENTPOS), length = SendScintilla(SCI_GETLENGTH);
      const long from = qMax(0l, caret - kAliasWindow), to = qMin(length, caret + kAliasWindow);
      const QString around = text(int(from), int(to));
      static const QRegularExpression alias(
          QStringLiteral("(?:\\bFROM|\\bJOIN|\\bUPDATE|\\bINTO|,)\\s+(\"(?:[^\"]|\"\")+\"|[A-Za-z][\\w$]*)"
                         "(?:\\s*\\([^)]*\\))?\\s+(?:AS\\s+)?(\"(?:[^\"]|\"\")+\"|[A-Za-z][\\w$]*)"),
          QRegularExpression::CaseInsensitiveOption);
      const QString wanted = CatalogForm(qualifier);
      for (auto it = alias.globalMatch(around); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (CatalogForm(m.captured(2)) == wanted) {
          relation = CatalogForm(m.captured(1));
          break;
        }
      }
    }
    offer(names->Columns.value(relation));
    offer(names->Parameters.value(relation));
    return out;
  }
  for (const QString &k : Keywords())
    if (k.startsWith(prefix, Qt::CaseInsensitive)) out << k;
  if (names) {
    for (const QStringList *l :
         {&names->Relations, &names->Procedures, &names->Generators, &names->Exceptions, &names->Domains})
      offer(*l);
    // The parameters of a procedure named on the line.
    static const QRegularExpression word(QStringLiteral("\"(?:[^\"]|\"\")+\"|[A-Za-z][\\w$]*"));
    for (auto it = word.globalMatch(lineText.left(i)); it.hasNext();) {
      const QString w = CatalogForm(it.next().captured(0));
      if (names->Parameters.contains(w)) offer(names->Parameters.value(w));
    }
  }
  out.removeDuplicates();
  return out;
}

void TSQLEditor::ShowCompletion(bool forced) {
  if (!FCompletion) return;
  QString prefix;
  QStringList entries = CompletionEntries(&prefix);
  if (entries.isEmpty()) return;
  if (!forced && entries.size() == 1 && entries.first().compare(prefix, Qt::CaseInsensitive) == 0) return;
  FListCut = entries.size() > kMaxListed;
  if (FListCut) {
    std::partial_sort(entries.begin(), entries.begin() + kMaxListed, entries.end(),
                      [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    entries.resize(kMaxListed);
  }
  const QByteArray list = entries.join(u'\n').toUtf8();
  SendScintilla(SCI_AUTOCSHOW, (unsigned long)prefix.toUtf8().size(), list.constData());
}

void TSQLEditor::CharAdded(int c) {
  if (isListActive()) {
    if (FListCut && c < 0x80 && (isalnum(c) || c == '_' || c == '$')) {
      cancelList();
      ShowCompletion(true);
    }
    return;
  }
  if (c == '.') {
    ShowCompletion(false);
    return;
  }
  if (!(c < 0x80 && (isalnum(c) || c == '_' || c == '$'))) return;
  qsizetype i = 0;
  if (BeforeCaret(&i).size() - i == kCompletionAfter) ShowCompletion(false);
}

// ---- Keys ------------------------------------------------------------------------------------

bool TSQLEditor::OwnKey(const QKeyEvent *e, bool run) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  const int key = e->key();
  std::function<void()> command;
  if (mods == Qt::ControlModifier && key == Qt::Key_F)
    command = [this] { ShowFind(false); };
  else if (mods == Qt::ControlModifier && key == Qt::Key_H)
    command = [this] { ShowFind(true); };
  else if (mods == Qt::ControlModifier && key == Qt::Key_G)
    command = [this] { AskGoToLine(); };
  else if (mods == Qt::ControlModifier && key == Qt::Key_Slash)
    command = [this] { ToggleComment(); };
  else if (mods == Qt::NoModifier && key == Qt::Key_F3)
    command = [this] { FindAgain(false); };
  else if (mods == Qt::ShiftModifier && key == Qt::Key_F3)
    command = [this] { FindAgain(true); };
  else if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Space)
    command = [this] { ShowCompletion(true); };
  if (!command) return false;
  if (run) command();
  return true;
}

bool TSQLEditor::event(QEvent *e) {
  if (e->type() == QEvent::ShortcutOverride && OwnKey(static_cast<QKeyEvent *>(e), false)) {
    e->accept();
    return true;
  }
  if (e->type() == QEvent::FocusIn && FCompletion)
    if (TCatalogNames *c = CatalogNames()) c->Names();  // read ahead of the first completion
  return QsciScintilla::event(e);
}

void TSQLEditor::paste() {
  const QMimeData *data = QGuiApplication::clipboard()->mimeData();
  // A rectangle, several selections or a read-only text: the component knows what to do.
  if (isReadOnly() || !data || !data->hasText() || data->hasFormat(QStringLiteral("text/x-qscintilla-rectangular")) ||
      data->hasFormat(QStringLiteral("MSDEVColumnSelect")) || SendScintilla(SCI_GETSELECTIONS) > 1) {
    QsciScintilla::paste();
    return;
  }
  QString text = data->text();
  if (text.isEmpty()) return;
  if (text.contains(u'\r')) text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
  const QByteArray bytes = text.toUtf8();
  const long from = SendScintilla(SCI_GETSELECTIONSTART), to = SendScintilla(SCI_GETSELECTIONEND);
  beginUndoAction();
  SendScintilla(SCI_SETTARGETRANGE, from, to);
  SendScintilla(SCI_REPLACETARGET, (unsigned long)bytes.size(), bytes.constData());
  endUndoAction();
  // The new text styled before the caret goes after it: the component's own paste lays out
  // the caret's line with the text unstyled, and the paint lays it out again once styled (a
  // pasted line of a megabyte, 300 ms the first time).
  const long end = from + bytes.size();
  SendScintilla(SCI_COLOURISE, SendScintilla(SCI_POSITIONFROMLINE, SendScintilla(SCI_LINEFROMPOSITION, from)),
                SendScintilla(SCI_GETLINEENDPOSITION, SendScintilla(SCI_LINEFROMPOSITION, end)));
  SendScintilla(SCI_GOTOPOS, end);
}

void TSQLEditor::keyPressEvent(QKeyEvent *e) {
  if (OwnKey(e, true)) return;
  if (e->matches(QKeySequence::Paste)) {
    paste();
    return;
  }
  QsciScintilla::keyPressEvent(e);
}

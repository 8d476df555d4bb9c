#pragma once
// Firebird SQL and PSQL highlighting for the SQL editor: keywords, strings (Q-strings too),
// quoted identifiers, comments, numbers, and each statement's terminator where the script
// splitter sees it (SET TERM followed).
#include <Qsci/qscilexercustom.h>
#include <QStringList>

class TSQLLexer : public QsciLexerCustom {
  Q_OBJECT
public:
  enum Style { Default = 0, Keyword, String, QuotedIdentifier, Comment, Number, Terminator, StyleCount };

  explicit TSQLLexer(QObject *parent = nullptr);

  const char *language() const override { return "Firebird SQL"; }
  // SQL words match in any case: the editor takes its completion's matching from here, so
  // "sel" typed finds SELECT.
  bool caseSensitive() const override { return false; }
  QString description(int style) const override;
  QColor defaultColor(int style) const override;
  QFont defaultFont(int style) const override;
  void setDefaultFont(const QFont &font);
  void styleText(int start, int end) override;

private:
  QFont FFont;
  QList<QByteArray> FTerms{";"};  // the terminators seen; a line's state names one by its index
  int TermIndex(const QByteArray &term);
};

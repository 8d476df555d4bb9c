#pragma once
// What the lists of catalog objects share: a read-only query on the session's database whose
// fields carry the catalog's column names, declared with the label and width a grid shows.
// While the program's own transaction is open the list is read in it, so that it shows the
// schema changes the user is about to commit.
#include "data/dataset.h"

class TCatalogList : public TQuery {
  Q_OBJECT
public:
  TCatalogList(QObject *owner, const char *sql);

  // The current row's name, as the catalog holds it without its trailing blanks; empty when
  // the list has no row.
  QString Name() const { return NameField ? NameField->AsString() : QString(); }

  TField *NameField = nullptr;

protected:
  // A text field of up to size characters that OnCalcFields fills, shown under label (the
  // field's name when empty) at width characters (0: as its size makes it).
  TField *CalculatedText(const char *name, int size, const char *label = "", int width = 0);
  // A field the list reads for its own use, not shown.
  static TField *Hidden(TField *field) { return DeclareField(field, QString(), 0, false); }

  // Refused while a run holds the attachment: the read would wait for it, the interface frozen.
  // While the program has a transaction open, the list reads in it (its own DDL shows).
  std::unique_ptr<TCursor> CreateCursor(TDriverConnection &conn) override;
};

#pragma once
// Reading the catalog straight through the client library, many rows at a time: a read-only
// snapshot transaction of its own on an attachment, and statements whose rows come back as
// plain values. What the extraction reads its whole database with, on any thread.
#include <ibase.h>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class TCatalogReader {
public:
  // Starts the snapshot on the attachment; its statements run in dialect.
  TCatalogReader(isc_db_handle db, int dialect);
  // Ends the snapshot (nothing was changed in it).
  ~TCatalogReader();
  TCatalogReader(const TCatalogReader &) = delete;
  TCatalogReader &operator=(const TCatalogReader &) = delete;

  int Dialect() const { return FDialect; }
  // The rows of a SELECT: integers as qlonglong, texts and blobs as QString (CHAR without its
  // trailing blanks), NULL as a null QVariant. Raises EDatabaseError with the server's message.
  // params are bound, as texts, to the statement's ? markers in order.
  QList<QVariantList> Rows(const QString &select, const QStringList &params = {});

private:
  void Check();
  QString ReadBlob(ISC_QUAD id);

  isc_db_handle FDb;
  isc_tr_handle FTr = 0;
  int FDialect;
  ISC_STATUS_ARRAY FStatus{};
};

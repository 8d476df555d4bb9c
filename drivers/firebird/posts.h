#pragma once
// Row changes of the data grid, run through the client library on the datasets' own
// attachment in a short transaction of their own: read committed, no wait, committed at once.
// A row held by another transaction (a user's pending edit, or this program's uncommitted
// schema change) answers at once with the server's conflict instead of freezing the window.
// Values travel as text and the server converts them to the column's type, so a scaled
// number is stored exactly as typed; blobs travel as blobs.
#include "base/errors.h"

#include <ibase.h>
#include <QList>
#include <QString>
#include <QVariant>

struct TPostParam {
  QVariant Value;     // null: SQL NULL
  bool Blob = false;  // write the value as a blob (QString as UTF-8, QByteArray as is)
};

struct TPostResult {
  int RowsAffected = 0;
  QList<QVariant> Returned;  // RETURNING values as text, OCTETS as bytes, DOUBLE and FLOAT as double
};

// Executes one statement with '?' parameters in dialect 3 and commits. Raises EDatabaseError
// (ELockConflict for lock and update conflicts) with the server's interpreted message.
TPostResult ExecutePost(isc_db_handle db, const QString &sql, const QList<TPostParam> &params);

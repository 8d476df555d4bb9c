#pragma once
// A read-only query run through the client library in a transaction its caller holds open on
// the attachment: what that transaction changed and has not committed yet is seen. The rows
// come as the driver's own queries give them (CHAR without its padding, text as QString, blobs
// as their bytes), all read at once.
#include "data/driver.h"

#include <ibase.h>

std::unique_ptr<TCursor> OpenQueryIn(isc_db_handle db, isc_tr_handle *transaction, const QString &sql,
                                     const QList<QPair<QString, QVariant>> &params);

// A blob's whole content as its bytes, read in the caller's transaction.
QByteArray ReadBlob(isc_db_handle db, isc_tr_handle *transaction, ISC_QUAD id);

#pragma once
// One statement of the user's on the session's transaction, its client-library calls on a
// worker thread: prepared in the database's dialect, executed, and its rows fetched in batches
// into a packed row store, so that the window showing them keeps painting. Cancel reaches the
// server through fb_cancel_operation and leaves the attachment usable. While a task runs the
// attachment is claimed: other windows' commands are refused. The run only reports by signal.
#include "data/driver.h"
#include "data/rowstore.h"
#include "firebird/executor.h"

#include <QElapsedTimer>
#include <QObject>
#include <atomic>
#include <functional>
#include <future>
#include <memory>

// A column of a result as the statement describes it.
struct TResultColumn {
  QString Name;  // the alias the rows carry (isql's heading)
  TFieldType Type = TFieldType::ftString;
  int Size = 0;  // as ValueText takes it: 4 for FLOAT, the scale for NUMERIC and DECIMAL
  bool Blob = false;
  int BlobSlot = -1;  // blobs: where the row keeps the blob's id and length, after the visible values
};

// What a statement cost: milliseconds and the attachment's page counters.
struct TStatementCost {
  qint64 PrepareMs = 0, ExecuteMs = 0, FetchMs = 0;
  qint64 Reads = 0, Writes = 0, Fetches = 0;
};

// The export of a result to a CSV file: RFC 4180 quoting, UTF-8, NULL as NullText.
struct TCsvOptions {
  QString FileName;
  QString NullText;
  bool Header = true;
};

// The blob bytes a row shows at most; the whole blob is read on request.
constexpr int kBlobPreviewBytes = 1024;

class TStatementRun : public QObject {
  Q_OBJECT
public:
  explicit TStatementRun(QObject *parent = nullptr);
  // Cancels what runs and waits for it; an open cursor is closed.
  ~TStatementRun() override;

  // Prepares and executes the statement on the worker and fetches up to firstRows of its rows;
  // returns at once (Executed or Failed follows). Refused while the attachment is claimed.
  // A statement without rows follows the auto-commit policy as the program's DDL does.
  void Start(const QString &statement, int firstRows = 200);
  // Fetches up to n more rows (n < 0: all, RowsArrived as they come). Nothing when busy or done.
  void FetchMore(int n);
  // Stops the task under way: the server's work through fb_cancel_operation, a fetch or an
  // export between rows. Cancelled follows once the worker has returned.
  void Cancel();
  // Cancels and waits for the worker: nothing runs on return.
  void CancelNow();
  // Closes the cursor; with auto commit on, commits the transaction the run started.
  void Close();
  // Writes every row of the statement to a CSV file from a cursor of its own (the statement
  // executed again), on the worker: ExportProgress as it goes, ExportEnded at the end. The
  // file appears only complete: a cancelled or failed export leaves the old one (or none).
  void Export(const TCsvOptions &options);

  bool Busy() const { return FClaim != nullptr; }  // a task runs on the worker
  bool ReturnsRows() const { return !FColumns.isEmpty(); }
  bool HasCursor() const { return FCursorOpen; }
  bool AllFetched() const { return ReturnsRows() && !FCursorOpen; }
  QString Statement() const { return FText; }
  const QList<TResultColumn> &Columns() const { return FColumns; }
  const TRowStore &Rows() const { return FRows; }
  QString Plan() const { return FPlan; }
  const TStatementCost &Cost() const { return FCost; }
  qint64 RowsAffected() const { return FAffected; }  // DML: rows inserted, updated, deleted; else -1
  // The raw size of the rows fetched: their values as the server sends them.
  qint64 RawBytes() const { return FRawBytes; }

  // A value as the grid shows it.
  QString Text(int row, int column) const;
  // A blob's whole content (bytes of a binary blob, text of a text blob), read now; the
  // preview when the blob can no longer be read. Refused while a task runs.
  QVariant WholeBlob(int row, int column);

signals:
  void Executed();  // done executing; ReturnsRows tells whether rows follow
  void RowsArrived(int first, int count);
  void TaskEnded();  // the worker is idle again (after any of the other signals)
  void Failed(const QString &message);
  void Cancelled();
  void ExportProgress(qint64 rows);
  void ExportEnded(bool ok, const QString &message);

private:
  struct TWorker;
  struct TOutcome;
  void Run(const std::shared_ptr<TOutcome> &outcome, std::function<void(TOutcome &)> task);
  void Finish();
  void Arrive(const QByteArray &rows, int count, qint64 raw);

  QString FText;
  QList<TResultColumn> FColumns;
  TRowStore FRows;
  QString FPlan;
  TStatementCost FCost;
  qint64 FAffected = -1;
  qint64 FRawBytes = 0;
  bool FCursorOpen = false;
  // The run started the transaction its cursor lives in with auto commit on: it commits once
  // the rows are read or the cursor is closed (a statement without rows commits at once).
  bool FCommitAtEnd = false;
  std::unique_ptr<TWorker> FWorker;  // the statement handle and its buffers
  std::unique_ptr<TAttachmentClaim> FClaim;
  std::future<void> FPending;
  std::shared_ptr<TOutcome> FOutcome;
  std::atomic<bool> FCancel{false};
};

#pragma once
// The server database connection with one explicit Firebird transaction of its own, run
// directly through the client library on the attachment the datasets use, and immediate
// execution of statement texts inside it. Every schema change the program makes goes here.
#include "data/db.h"

#include <ibase.h>
#include <QPointer>
#include <QScopeGuard>
#include <functional>

// Screen cursor number of the SQL wait cursor.
constexpr int crSQLWait = 15;

// Registers the SQL wait cursor "IBSQLCURSOR" as screen cursor 15. Called once at start-up,
// before anything may show it; the cursor itself is made when first shown.
void RegisterSQLWaitCursor();

// The one-entry database array that isc_start_multiple takes.
struct TIscTeb {
  isc_db_handle *DatabasePtr = nullptr;
  ISC_LONG TpbLength = 0;
  const char *Tpb = nullptr;
};

class TIBDataBase : public TDatabase {
public:
  using TDatabase::TDatabase;
  // A transaction still active here was never resolved: roll it back so the attachment can close.
  ~TIBDataBase() override;

  isc_db_handle DatabaseHandle = 0;     // the engine's attachment, fetched at every start
  isc_tr_handle TransactionHandle = 0;  // the executor's transaction
  TIscTeb Teb;                          // always {&DatabaseHandle, 0, no parameter block}
  ISC_STATUS_ARRAY StatusVector{};      // status of the last client-library call
  unsigned short PropertyLength = 0;    // size of the handle the engine gave

  bool InTransaction() const { return FInTransaction; }
  // The likeliest holder of a row is this program's own open transaction (a schema change
  // not yet committed): says what frees it.
  QString ConflictAdvice() const override;
  // The SQL dialect statements are executed in: the attachment's own, asked at every start.
  int SQLDialect() const { return FDialect; }
  // The attachment's own dialect, asked of it now (the database is opened first when closed):
  // what names read from the catalog must be quoted for.
  int DatabaseDialect();

  std::function<void(QObject *Sender)> OnStartTransaction;  // after a transaction has started
  std::function<void(QObject *Sender)> OnCloseTransaction;  // after a commit or rollback succeeded
  std::function<void()> OnClaimReleased;                    // a script run has let the attachment go

  // Starts the transaction unless one is active (then nothing happens); opens the database
  // first when it is closed.
  virtual void StartTransaction();
  // Executes text in the transaction, starting one when none is active. With commitAfter it
  // commits, and on failure rolls back before the error travels on. The text goes as it is
  // (UTF-8, up to its first NUL): its line breaks and every other character are kept.
  virtual void ExecSQL(const QString &text, bool commitAfter);
  // The same with the statement's bytes as they are, for texts that are not UTF-8.
  void ExecSQLBytes(const QByteArray &statement, bool commitAfter);
  // A statement text as the server gets it.
  static QByteArray StatementBytes(const QString &text);
  virtual void Commit();
  virtual void Rollback();

  // True while a script run or a statement run holds the attachment (TAttachmentClaim): then
  // everyone else's commands here are refused.
  bool Claimed() const { return FClaimed; }
  // Raises "The database is busy running a script" (or "... a statement") while the attachment
  // is claimed.
  void CheckFree() const;

  // A script run executes its statements on a worker thread, so that its window keeps
  // painting while the server works; there only client-library calls may happen.
  // PrepareDetached (user-interface thread) opens the database when closed and, with no
  // transaction active, fetches the attachment and its dialect; ExecDetached (worker) does
  // what ExecSQL does with the library alone, statement after statement, with active telling
  // whether a transaction is open and following what each statement did to it;
  // SettleDetached (user-interface thread) takes the end state over and fires the events.
  struct TDetached {
    bool Started = false;  // a transaction was started
    bool Ended = false;    // the transaction was committed, or rolled back after the error
    QString Error;         // the error's message, empty after success
  };
  void PrepareDetached();
  TDetached ExecDetached(const QString &text, bool commitAfter, bool &active);
  void SettleDetached(const TDetached &outcome);

  // Executes the statement in the active transaction: prepared in the database's dialect and
  // executed, so the server alone judges its text; a statement that returns rows is refused.
  void ExecuteStatement(const QByteArray &statement);
  // Raises EDatabaseError with the interpreted status lines, each after a CR, when the
  // last call failed; a status of warnings only passes. A status that says the attachment is
  // gone also has the database closed (from the event loop).
  void CheckStatus();
  // The transaction went with the attachment: no transaction (OnCloseTransaction), then closed.
  // While a script run holds the attachment (its worker may be using the handles, and its
  // transaction is taken over only when the statement settles), this waits for the claim's end.
  void ConnectionLost() override;

private:
  void FetchDatabaseHandle();
  int AttachmentDialect();
  void EndTransaction(bool commit);
  // The library calls alone, each followed by CheckStatus.
  void StartCall();
  void ExecuteCall(const QByteArray &statement);
  bool ReturnsRows(isc_stmt_handle &handle);
  void EndCall(bool commit);
  // The claim has ended: a loss heard meanwhile is taken in now (from the event loop).
  void ReleaseClaim();

  bool FInTransaction = false;
  int FDialect = 1;
  bool FClaimed = false;
  QString FClaimedFor;  // what holds the claim: "running a script"
  bool FLostWhileClaimed = false;
  friend class TAttachmentClaim;
};

// Holds the executor for one user, a script run or a statement run, for the claim's lifetime:
// StartTransaction, ExecSQL, Commit, Rollback and DatabaseDialect of anyone else are refused,
// and so is opening a window that reads the database (TFbSession::CheckFree). The holder's own
// calls on the user-interface thread go through Use; its worker's detached calls need no pass.
class TAttachmentClaim {
public:
  explicit TAttachmentClaim(TIBDataBase *db, const QString &doing = QStringLiteral("running a script")) : FDb(db) {
    db->CheckFree();
    db->FClaimed = true;
    db->FClaimedFor = doing;
  }
  ~TAttachmentClaim() {
    if (FDb) FDb->ReleaseClaim();
  }
  TAttachmentClaim(const TAttachmentClaim &) = delete;
  TAttachmentClaim &operator=(const TAttachmentClaim &) = delete;

  template <class F>
  void Use(F &&f) {
    FDb->FClaimed = false;
    const auto reclaim = qScopeGuard([this] { FDb->FClaimed = true; });
    f();
  }

private:
  QPointer<TIBDataBase> FDb;  // the data module may be gone first when the program ends
};

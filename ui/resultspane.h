#pragma once
// The rows a statement returns, read-only: a grid filled on demand as the user scrolls, the
// statement's plan in a tab beside it, a status line with the counts, times and page counters,
// Fetch all, Cancel, export to CSV and copy as tab-separated text. Everything the server does
// runs on the statement run's worker, so the window keeps painting. Any window that runs a
// statement and shows its rows embeds one (the DDL statements window under its editor).
#include "firebird/statementrun.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QAction;

// The grid's model over a run's row store; rows come as the run fetches them, more are asked
// for as the view scrolls to the end.
class TResultsModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit TResultsModel(TStatementRun *run, QObject *parent = nullptr);
  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex &parent) const override;
  // Empties the grid: the run has let its rows go for a new statement.
  void Clear();
  void fetchMore(const QModelIndex &parent) override;
  // Rows asked for at a time as the view scrolls.
  static constexpr int kBatch = 200;

private:
  TStatementRun *FRun;
  int FRows = 0;
  int FColumns = 0;
};

class TResultsPane : public QWidget {
  Q_OBJECT
public:
  explicit TResultsPane(QWidget *parent = nullptr);
  ~TResultsPane() override;

  // Runs a statement; returns at once. Its rows show as they come; a statement without rows
  // says what it did in the status line. An error shows in an error box.
  void Run(const QString &statement);
  // Whether a statement (or a fetch, or an export) is under way.
  bool Running() const;
  // Stops what is under way; the attachment stays usable.
  void Cancel();
  // Fetches every remaining row, with the count moving and Cancel on.
  void FetchAll();
  // Writes the result to a CSV file from a fresh cursor (asks for the file when empty).
  void ExportCsv(const QString &fileName = QString());
  // The selected cells as tab-separated text, a header row first on request.
  QString SelectedText(bool header) const;
  // The same to the clipboard, made a slice of rows at a time: the clipboard has it once the
  // event loop has turned a few times.
  void CopySelection(bool header);
  // The current cell's blob, whole, in the memo viewer; or saved to a file.
  void OpenBlob();
  void SaveBlob(const QString &fileName = QString());

  TStatementRun *Statement() const { return FRun; }
  QTableView *Grid;
  QPlainTextEdit *PlanView;
  QTabWidget *Tabs;
  QLabel *Status;
  QPushButton *FetchAllBtn, *CancelBtn, *ExportBtn;
  QAction *CopyAct, *CopyHeaderAct, *OpenBlobAct, *SaveBlobAct;
  QString CsvNullText;  // what a NULL becomes in an export: nothing by default

signals:
  // A statement started (true) or everything it set off ended (false).
  void RunningChanged(bool running);
  // A statement failed with the server's message; sent before the error box shows it.
  void RunFailed(const QString &message);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct TCopy;
  std::shared_ptr<TCopy> StartCopy(bool header) const;
  bool CopyRows(TCopy &job, size_t n) const;
  void ContinueCopy(const std::shared_ptr<TCopy> &job);
  void ShowStatus();
  void TaskEnded();
  void Watch(bool on);

  TStatementRun *FRun;
  TResultsModel *FModel;
  QString FActivity;          // what the status line says while a task runs
  bool FSizeColumns = false;  // the columns take the width of the first rows that arrive
};

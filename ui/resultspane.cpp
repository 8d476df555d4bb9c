#include "ui/resultspane.h"

#include "base/errors.h"
#include "data/valuetext.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/memoviewops.h"
#include "ui/shell.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <memory>
#include <utility>
#include <vector>

namespace {
// A TSV cell: quoted as a spreadsheet reads it back when it holds a tab, a break or a quote.
void AppendTsv(QString &out, const QString &text) {
  if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'\r') && !text.contains(u'"')) {
    out += text;
    return;
  }
  out += u'"';
  for (QChar c : text) {
    if (c == u'"') out += u'"';
    out += c;
  }
  out += u'"';
}

QString Plural(qint64 n, const char *one, const char *many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}
}  // namespace

// ---- The model -------------------------------------------------------------------------------

TResultsModel::TResultsModel(TStatementRun *run, QObject *parent) : QAbstractTableModel(parent), FRun(run) {
  connect(run, &TStatementRun::Executed, this, [this] {
    beginResetModel();
    FColumns = int(FRun->Columns().size());
    FRows = FRun->Rows().size();
    endResetModel();
  });
  connect(run, &TStatementRun::RowsArrived, this, [this](int first, int count) {
    if (FColumns == 0) return;  // the statement's own row, before Executed takes the columns in
    beginInsertRows({}, first, first + count - 1);
    FRows = first + count;
    endInsertRows();
  });
}

void TResultsModel::Clear() {
  beginResetModel();
  FRows = FColumns = 0;
  endResetModel();
}

int TResultsModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : FRows; }
int TResultsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : FColumns; }

QVariant TResultsModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= FRun->Rows().size() || index.column() >= FRun->Columns().size()) return {};
  switch (role) {
  case Qt::DisplayRole: return FRun->Text(index.row(), index.column());
  case Qt::ForegroundRole:  // NULL reads apart from a text that says "<null>"
    if (FRun->Rows()[index.row()].Data[index.column()].isNull())
      return QApplication::palette().color(QPalette::PlaceholderText);
    return {};
  case Qt::TextAlignmentRole: {
    const TFieldType t = FRun->Columns()[index.column()].Type;
    const bool number = t == TFieldType::ftSmallint || t == TFieldType::ftInteger || t == TFieldType::ftLargeint ||
                        t == TFieldType::ftFloat || t == TFieldType::ftBCD;
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  default: return {};
  }
}

QVariant TResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return section < FColumns ? FRun->Columns()[section].Name : QVariant();
}

bool TResultsModel::canFetchMore(const QModelIndex &parent) const {
  return !parent.isValid() && FRun->HasCursor() && !FRun->Busy();
}

void TResultsModel::fetchMore(const QModelIndex &parent) {
  if (canFetchMore(parent)) FRun->FetchMore(kBatch);
}

// ---- The pane --------------------------------------------------------------------------------

TResultsPane::TResultsPane(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ResultsPane"));
  FRun = new TStatementRun(this);
  FModel = new TResultsModel(FRun, this);

  Grid = new QTableView(this);
  Grid->setObjectName(QStringLiteral("ResultsGrid"));
  Grid->setModel(FModel);
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 6);
  Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  Grid->setContextMenuPolicy(Qt::ActionsContextMenu);
  PlanView = new QPlainTextEdit(this);
  PlanView->setObjectName(QStringLiteral("PlanView"));
  PlanView->setReadOnly(true);
  Tabs = new QTabWidget(this);
  Tabs->setObjectName(QStringLiteral("ResultTabs"));
  Tabs->addTab(Grid, QStringLiteral("&Rows"));
  Tabs->addTab(PlanView, QStringLiteral("&Plan"));

  Status = new QLabel(this);
  Status->setObjectName(QStringLiteral("ResultStatus"));
  Status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  FetchAllBtn = new QPushButton(QStringLiteral("Fetch &all"), this);
  FetchAllBtn->setObjectName(QStringLiteral("FetchAllBtn"));
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("ResultCancelBtn"));
  ExportBtn = new QPushButton(QStringLiteral("&Export CSV..."), this);
  ExportBtn->setObjectName(QStringLiteral("ExportBtn"));
  auto *bar = new QHBoxLayout;
  bar->setContentsMargins(4, 2, 4, 2);
  bar->addWidget(Status, 1);
  bar->addWidget(FetchAllBtn);
  bar->addWidget(ExportBtn);
  bar->addWidget(CancelBtn);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(bar);
  layout->addWidget(Tabs, 1);

  const auto action = [this](const QString &caption, const QKeySequence &key, auto slot) {
    auto *a = new QAction(caption, Grid);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetShortcut);
    Grid->addAction(a);
    ConnectGuarded(a, &QAction::triggered, this, slot);
    return a;
  };
  CopyAct = action(QStringLiteral("&Copy"), QKeySequence::Copy, [this] { CopySelection(false); });
  CopyHeaderAct =
      action(QStringLiteral("Copy with &header"), Qt::CTRL | Qt::SHIFT | Qt::Key_C, [this] { CopySelection(true); });
  OpenBlobAct = action(QStringLiteral("&Open in memo viewer"), {}, [this] { OpenBlob(); });
  SaveBlobAct = action(QStringLiteral("&Save value to file..."), {}, [this] { SaveBlob(); });

  ConnectGuarded(FetchAllBtn, &QPushButton::clicked, this, [this] { FetchAll(); });
  ConnectGuarded(CancelBtn, &QPushButton::clicked, this, [this] { Cancel(); });
  ConnectGuarded(ExportBtn, &QPushButton::clicked, this, [this] { ExportCsv(); });
  connect(FRun, &TStatementRun::Executed, this, [this] {
    PlanView->setPlainText(FRun->Plan());
    ShowStatus();
  });
  connect(FRun, &TStatementRun::RowsArrived, this, [this] { ShowStatus(); });
  connect(FRun, &TStatementRun::TaskEnded, this, &TResultsPane::TaskEnded);
  connect(FRun, &TStatementRun::Failed, this, [this](const QString &message) {
    // The status says so, not what the last statement that ran said.
    FActivity.clear();
    Status->setText(QStringLiteral("Statement failed"));
    TaskEnded();
    emit RunFailed(message);
    ShowException(EDatabaseError(message));
  });
  connect(FRun, &TStatementRun::Cancelled, this, [this] {
    FActivity.clear();
    TaskEnded();
    Status->setText(Status->text() + QStringLiteral(" - cancelled"));
  });
  connect(FRun, &TStatementRun::ExportProgress, this,
          [this](qint64 rows) { Status->setText(QStringLiteral("Exporting: %1 rows written").arg(rows)); });
  connect(FRun, &TStatementRun::ExportEnded, this, [this](bool ok, const QString &message) {
    FActivity.clear();
    TaskEnded();
    Status->setText(message);
    if (!ok && !message.contains(QLatin1String("cancelled"))) ShowException(Exception(message));
  });
  TaskEnded();
}

TResultsPane::~TResultsPane() { Watch(false); }

bool TResultsPane::Running() const { return FRun->Busy(); }

// Closing the window holding the pane, or the program, asks first while a task runs.
void TResultsPane::Watch(bool on) {
  for (QWidget *w = parentWidget(); w; w = w->parentWidget())
    on ? w->installEventFilter(this) : w->removeEventFilter(this);
}

void TResultsPane::Run(const QString &statement) {
  FRun->Start(statement);
  FModel->Clear();
  FSizeColumns = true;
  FActivity = QStringLiteral("Running...");
  Status->setText(FActivity);
  PlanView->clear();
  Tabs->setCurrentWidget(Grid);
  TaskEnded();  // the buttons as a run wants them
  Watch(true);
  emit RunningChanged(true);
}

void TResultsPane::Cancel() {
  FRun->Cancel();
  if (FRun->Busy()) Status->setText(QStringLiteral("Cancelling..."));
}

void TResultsPane::FetchAll() {
  if (FRun->Busy() || !FRun->HasCursor()) return;
  FActivity = QStringLiteral("Fetching");
  FRun->FetchMore(-1);
  TaskEnded();
  Watch(true);
  emit RunningChanged(true);
}

void TResultsPane::ExportCsv(const QString &fileName) {
  QString name = fileName;
  if (name.isEmpty()) {
    TSaveDialog dlg;
    dlg.Title = QStringLiteral("Export rows");
    dlg.Filter = QStringLiteral("CSV files|*.csv|All files|*.*");
    dlg.DefaultExt = QStringLiteral("csv");
    dlg.Options = ofOverwritePrompt;
    if (!dlg.Execute(this)) return;
    name = dlg.FileName;
  }
  FRun->Export(TCsvOptions{name, CsvNullText, true});
  FActivity = QStringLiteral("Exporting");
  Status->setText(QStringLiteral("Exporting: 0 rows written"));
  TaskEnded();
  Watch(true);
  emit RunningChanged(true);
}

void TResultsPane::ShowStatus() {
  const TStatementCost &c = FRun->Cost();
  QString counts;
  if (FRun->ReturnsRows()) {
    const qint64 n = FRun->Rows().size();
    counts = FRun->HasCursor() ? QStringLiteral("%1 (more available)").arg(Plural(n, "row", "rows"))
                               : QStringLiteral("%1, all fetched").arg(Plural(n, "row", "rows"));
    if (FRun->Busy() && !FActivity.isEmpty()) counts = FActivity + QStringLiteral(": ") + counts;
  } else if (FRun->RowsAffected() >= 0) {
    counts = QStringLiteral("%1 affected").arg(Plural(FRun->RowsAffected(), "row", "rows"));
  } else {
    counts = QStringLiteral("Statement executed");
  }
  Status->setText(QStringLiteral("%1   prepare %2 ms, execute %3 ms, fetch %4 ms   reads %5, writes %6, fetches %7")
                      .arg(counts)
                      .arg(c.PrepareMs)
                      .arg(c.ExecuteMs)
                      .arg(c.FetchMs)
                      .arg(c.Reads)
                      .arg(c.Writes)
                      .arg(c.Fetches));
}

void TResultsPane::TaskEnded() {
  const bool busy = FRun->Busy();
  CancelBtn->setEnabled(busy);
  FetchAllBtn->setEnabled(!busy && FRun->HasCursor());
  ExportBtn->setEnabled(!busy && FRun->ReturnsRows() && FRun->RowsAffected() < 0);
  if (busy) return;
  if (FModel->rowCount() > 0 && std::exchange(FSizeColumns, false)) {
    // Columns as wide as the first rows need, so that numbers show whole; a long text stops at
    // a width the user can widen.
    Grid->resizeColumnsToContents();
    for (int c = 0; c < FModel->columnCount(); ++c)
      Grid->setColumnWidth(c, qMin(Grid->columnWidth(c), 400));
  }
  Watch(false);
  if (!FActivity.isEmpty()) {
    FActivity.clear();
    ShowStatus();
  }
  if (!FRun->ReturnsRows() && Shell()) Shell()->ShowStatus(Status->text());
  emit RunningChanged(false);
  // A view taller than the first rows asks for more as soon as it can.
  if (FModel->canFetchMore({}) && Grid->isVisible() && Grid->rowAt(Grid->viewport()->height() - 1) < 0)
    FModel->fetchMore({});
}

// The selected cells as text, made a slice of rows at a time.
struct TResultsPane::TCopy {
  std::vector<int> Rows;  // in order, each once
  int Left = INT_MAX, Right = -1;
  bool Whole = false;  // one rectangle: every cell in it is selected
  size_t Next = 0;
  QString Out;
};

std::shared_ptr<TResultsPane::TCopy> TResultsPane::StartCopy(bool header) const {
  auto job = std::make_shared<TCopy>();
  const QItemSelection selection = Grid->selectionModel()->selection();
  job->Whole = selection.size() == 1;
  for (const QItemSelectionRange &r : selection) {
    job->Left = qMin(job->Left, r.left());
    job->Right = qMax(job->Right, r.right());
    for (int row = r.top(); row <= r.bottom(); ++row)
      job->Rows.push_back(row);
  }
  std::sort(job->Rows.begin(), job->Rows.end());
  job->Rows.erase(std::unique(job->Rows.begin(), job->Rows.end()), job->Rows.end());
  if (header && !selection.isEmpty()) {
    for (int c = job->Left; c <= job->Right; ++c) {
      if (c > job->Left) job->Out += u'\t';
      AppendTsv(job->Out, FRun->Columns()[c].Name);
    }
    job->Out += u'\n';
  }
  return job;
}

// Adds up to n rows; true once every row is in.
bool TResultsPane::CopyRows(TCopy &job, size_t n) const {
  for (const size_t end = qMin(job.Rows.size(), job.Next + n); job.Next < end; ++job.Next) {
    const int r = job.Rows[job.Next];
    for (int c = job.Left; c <= job.Right; ++c) {
      if (c > job.Left) job.Out += u'\t';
      if (job.Whole || Grid->selectionModel()->isSelected(FModel->index(r, c))) AppendTsv(job.Out, FRun->Text(r, c));
    }
    job.Out += u'\n';
  }
  return job.Next >= job.Rows.size();
}

QString TResultsPane::SelectedText(bool header) const {
  const std::shared_ptr<TCopy> job = StartCopy(header);
  CopyRows(*job, job->Rows.size());
  return job->Out;
}

// A slice of rows per turn of the event loop, so that a copy of many thousands of cells
// never holds the window up; the clipboard gets the text at the end.
void TResultsPane::CopySelection(bool header) { ContinueCopy(StartCopy(header)); }

void TResultsPane::ContinueCopy(const std::shared_ptr<TCopy> &job) {
  if (CopyRows(*job, 2000))
    QApplication::clipboard()->setText(job->Out);
  else
    QTimer::singleShot(0, this, [this, job] { ContinueCopy(job); });
}

void TResultsPane::OpenBlob() {
  const QModelIndex i = Grid->currentIndex();
  if (!i.isValid()) return;
  const QVariant v = FRun->WholeBlob(i.row(), i.column());
  const TResultColumn &c = FRun->Columns()[i.column()];
  ShowMemoText(c.Name, v.isNull() ? QString()
                                  : ValueText(v, c.Type == TFieldType::ftBlob ? TFieldType::ftBytes : c.Type, c.Size));
}

void TResultsPane::SaveBlob(const QString &fileName) {
  const QModelIndex i = Grid->currentIndex();
  if (!i.isValid()) return;
  QString name = fileName;
  if (name.isEmpty()) {
    TSaveDialog dlg;
    dlg.Title = QStringLiteral("Save value");
    dlg.Filter = QStringLiteral("All files|*.*");
    dlg.Options = ofOverwritePrompt;
    if (!dlg.Execute(this)) return;
    name = dlg.FileName;
  }
  const QVariant v = FRun->WholeBlob(i.row(), i.column());
  const QByteArray bytes = v.userType() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
  QFile file(name);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
    throw Exception(QStringLiteral("Cannot write %1: %2").arg(name, file.errorString()));
}

bool TResultsPane::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Close && Running()) {
    if (MessageDlg(QStringLiteral("A statement is running. Stop it?"), mbYes | mbNo) != mrYes) {
      event->ignore();
      return true;
    }
    FRun->CancelNow();  // the window goes: the worker is waited for
  }
  return QWidget::eventFilter(watched, event);
}

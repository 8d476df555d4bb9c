#include "app/mainform.h"

#include "app/about.h"
#include "app/datamodule.h"
#include "app/history.h"
#include "app/settings.h"
#include "app/windowtable.h"
#include "base/lines.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/mdichild.h"
#include "windows/repository/settingsdialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>

TMainForm *MainForm = nullptr;

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(kProgramTitle);

  auto *client = new QWidget(this);
  auto *clientLayout = new QVBoxLayout(client);
  clientLayout->setContentsMargins(0, 0, 0, 0);
  clientLayout->setSpacing(0);

  PathPanel = new QFrame(client);
  PathPanel->setObjectName(QStringLiteral("Panel1"));
  PathPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PathLabel = new QLabel(QStringLiteral("D&atabase"), PathPanel);
  PathLabel->setObjectName(QStringLiteral("Label1"));
  dbPath = new QComboBox(PathPanel);
  dbPath->setObjectName(QStringLiteral("dbPath"));
  dbPath->setEditable(true);
  dbPath->setInsertPolicy(QComboBox::NoInsert);  // the history changes only on Connect
  // Case-insensitive completion would also replace the typed text by a history entry of
  // other case when editing ends; the text must stay as typed.
  dbPath->completer()->setCaseSensitivity(Qt::CaseSensitive);
  dbPath->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  PathLabel->setBuddy(dbPath);
  auto *panelLayout = new QHBoxLayout(PathPanel);
  panelLayout->setContentsMargins(6, 3, 6, 3);
  panelLayout->addWidget(PathLabel);
  panelLayout->addWidget(dbPath, 1);

  ClientArea = new QMdiArea(client);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  ClientArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ClientArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  clientLayout->addWidget(PathPanel);
  clientLayout->addWidget(ClientArea, 1);
  setCentralWidget(client);
  SetChildArea(ClientArea);

  StatusBar = statusBar();
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  StatusPanel = new QLabel(StatusBar);
  StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
  StatusBar->addWidget(StatusPanel, 1);
  StatusBar->installEventFilter(this);

  CreateMenus();
  connect(ClientArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) { MergeChildMenus(sub); });
  connect(WindowsBar, &QMenu::aboutToShow, this, [this] { ListChildWindows(); });
  // A highlighted menu title gives its menu's hint (items send theirs as status tips).
  connect(menuBar(), &QMenuBar::hovered, this, [this](QAction *a) { SetHint(a->statusTip()); });

  resize(1000, 700);
  Guard([this] { FormCreate(this); });
}

TMainForm::~TMainForm() {
  // Destroying the area hides its windows, which reports a change of active child: by then
  // this window's menu bar is gone, so stop listening first.
  disconnect(ClientArea, nullptr, this, nullptr);
  if (MainForm == this) MainForm = nullptr;
}

QMenu *TMainForm::AddMenu(const char *name, const QString &caption, const QString &hint) {
  QMenu *m = menuBar()->addMenu(caption);
  m->setObjectName(QString::fromLatin1(name));
  m->menuAction()->setStatusTip(hint);
  return m;
}

// An item with its hint; handler (may be null: an inert item) runs through the guard.
QAction *TMainForm::AddItem(QMenu *m, const char *name, const QString &caption, const QKeySequence &shortcut,
                            const QString &hint, void (TMainForm::*handler)(QObject *)) {
  QAction *a = m->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  a->setShortcut(shortcut);
  a->setStatusTip(hint);
  if (handler)
    ConnectGuarded(a, &QAction::triggered, this, [this, a, handler] { (this->*handler)(a); });
  else
    a->setEnabled(false);
  return a;
}

namespace {
QAction *Separator(QMenu *m, const char *name) {
  QAction *a = m->addSeparator();
  a->setObjectName(QString::fromLatin1(name));
  return a;
}
}  // namespace

void TMainForm::CreateMenus() {
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  CreateFileMenu();
  CreateDatabaseMenu();
  CreateWizardsMenu();
  CreateWindowsAndHelpMenus();
}

void TMainForm::CreateFileMenu() {
  const QKeySequence none;
  FileMenu = AddMenu("Serviss1", QStringLiteral("&File"), QString());
  MnConnect = AddItem(FileMenu, "MnConnect", QStringLiteral("&Connect"), QKeySequence(Qt::CTRL | Qt::Key_O),
                      QStringLiteral("Connect to database"), &TMainForm::ConnectBtnClick);
  QFont bold = MnConnect->font();
  bold.setBold(true);
  MnConnect->setFont(bold);
  MnDisconect = AddItem(FileMenu, "MnDisconect", QStringLiteral("&Disconect"), none,
                        QStringLiteral("Disconect from database"), &TMainForm::MnDisconectClick);
  N1 = Separator(FileMenu, "N1");
  MnAutoCommit = AddItem(FileMenu, "MnAutoCommit", QStringLiteral("&Auto commit"), none,
                         QStringLiteral("Set auto commit on/off"), &TMainForm::MnAutoCommitClick);
  MnAutoCommit->setCheckable(true);
  MnCommitWork = AddItem(FileMenu, "MnCommitWork", QStringLiteral("C&ommit Work"), none,
                         QStringLiteral("Commit work for database"), &TMainForm::MnCommitWorkClick);
  MnRollBackWork = AddItem(FileMenu, "MnRollBackWork", QStringLiteral("&Rollback Work"), none,
                           QStringLiteral("Rollback work for database"), &TMainForm::MnRollBackWorkClick);
  N3 = Separator(FileMenu, "N3");
  ORepSettings =
      AddItem(FileMenu, "ORepSettings", QStringLiteral("&Object repository settings..."), none,
              QStringLiteral("Selects or creates object repository table for keeping DDL and SQL statements"),
              &TMainForm::ORepSettingsClick);
  N2 = Separator(FileMenu, "N2");
  MnExit = AddItem(FileMenu, "MnExit", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_F4),
                   QStringLiteral("Close application"), &TMainForm::MnExitClick);
}

void TMainForm::CreateDatabaseMenu() {
  const QKeySequence none;
  DataMenu = AddMenu("DataMenu", QStringLiteral("&Database"), QStringLiteral("Database operations"));
  for (const TWindowKind &w : DatabaseWindows()) {
    QAction *a = DataMenu->addAction(w.caption);
    a->setObjectName(QString::fromLatin1(w.objectName));
    a->setShortcut(w.shortcut);
    a->setStatusTip(w.hint);
    if (w.open) ConnectGuarded(a, &QAction::triggered, this, [&w] { OpenWindow(w); });
    FToolItems << qMakePair(a, w.open != nullptr);
  }
}

QAction *TMainForm::Command(const char *objectName) const {
  return findChild<QAction *>(QString::fromLatin1(objectName));
}

void TMainForm::CreateWizardsMenu() {
  const QKeySequence none;
  MnWizards = AddMenu("MnWizards", QStringLiteral("W&izards"), QStringLiteral("Wizards menu"));
  MnViewWizard = AddItem(MnWizards, "MnViewWizard", QStringLiteral("&View wizard..."), none,
                         QStringLiteral("Wizard for creating views"), nullptr);
  MnKeyTriggerWizard =
      AddItem(MnWizards, "Triggergeneretedkeywizard1", QStringLiteral("&Trigger-genereted key wizard..."), none,
              QStringLiteral("Generetes trigger for genereted key of table"), nullptr);
  MnTableWizard = AddItem(MnWizards, "MnTableWizard", QStringLiteral("T&able wizard..."), none,
                          QStringLiteral("Wizard for generating tables and defining table constraints"), nullptr);
  MnForeignKeyWizard = AddItem(MnWizards, "Foreignkeywizard1", QStringLiteral("&Foreign key wizard..."), none,
                               QStringLiteral("Wizard for defining foreign keys"), nullptr);
}

void TMainForm::CreateWindowsAndHelpMenus() {
  const QKeySequence none;
  // Menus a child window brings (group 2) go in here, before "&Windows".
  WindowsBar = AddMenu("WindowsBar", QStringLiteral("&Windows"), QString());
  MnCascade = AddItem(WindowsBar, "MnCascade", QStringLiteral("&Cascade"), none, QStringLiteral("Cascade windows"),
                      &TMainForm::MnCascadeClick);
  MnTileVertical = AddItem(WindowsBar, "TileV1", QStringLiteral("Tile &vertical"), none,
                           QStringLiteral("Tile windows vertical"), &TMainForm::TileVerticalClick);
  MnTileHorizontal = AddItem(WindowsBar, "TileH1", QStringLiteral("Tile &horizontal"), none,
                             QStringLiteral("Tile Windows horizontal"), &TMainForm::TileHorizontalClick);

  MnHelp = AddMenu("MnHelp", QStringLiteral("&Help"), QStringLiteral("Information menu"));
  MnAbout = AddItem(MnHelp, "MnAbout", QStringLiteral("&About"), none, QStringLiteral("About this product"),
                    &TMainForm::MnAboutClick);
}

void TMainForm::UpdateMenus() {
  DataMenu->menuAction()->setEnabled(FDatabaseMenuOn);
  const bool inTransaction = DMSys && DMSys->IBDataBase->InTransaction();
  MnCommitWork->setEnabled(inTransaction);
  MnRollBackWork->setEnabled(inTransaction);
  MnAutoCommit->setChecked(AutoCommit);
  const bool connected = DMSys && DMSys->IBDataBase->Connected();
  for (int i = 0; i < FToolItems.size(); ++i) {
    const auto &[item, built] = FToolItems.at(i);
    item->setEnabled(built && (connected || !DatabaseWindows().at(i).needsConnection));
  }
}

// ---- Creation and closing -------------------------------------------------------------------

namespace {
QStringList Items(const QComboBox *box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i)
    items << box->itemText(i);
  return items;
}

// Replaces the list of an editable box; the text in the box stays as it is.
void SetItems(QComboBox *box, const QStringList &items) {
  const QString text = box->currentText();
  box->clear();
  box->addItems(items);
  box->setEditText(text);
}
}  // namespace

void TMainForm::FormCreate(QObject *) {
  if (DMSys) {
    connect(DMSys, &TDMSys::StateChanged, this, &TMainForm::UpdateMenus);
    connect(DMSys, &TDMSys::ConnectionLost, this, [this] {
      FDatabaseMenuOn = false;
      UpdateMenus();
    });
  }
  UpdateMenus();
  qApp->installEventFilter(this);  // the hints of controls that have only a tooltip
  dbPath->setEditText(DatabasePath);
  const QString history = HistoryFileToRead();
  if (QFileInfo::exists(history)) {
    SetItems(dbPath, ReadHistory(history));
    if (DatabasePath.isEmpty() && dbPath->count() > 0) dbPath->setEditText(dbPath->itemText(0));
  }
}

void TMainForm::closeEvent(QCloseEvent *e) {
  bool canClose = true;
  bool completed = false;
  Guard([&] {
    FormCloseQuery(this, canClose);
    completed = true;
  });
  if (completed && canClose)
    e->accept();
  else
    e->ignore();
}

void TMainForm::SaveHistory() {
  // Paths are kept as typed: on this platform two spellings are two files.
  TStringList history(Items(dbPath));
  const int current = int(history.Lines().indexOf(dbPath->currentText()));
  if (current > 0) {
    history.Exchange(0, current);
    SetItems(dbPath, history.Lines());
  }
  history.SaveToFile(HistoryFileName());
}

void TMainForm::FormCloseQuery(QObject *, bool &CanClose) {
  // A history that cannot be written must not keep the user from leaving: report and go on.
  Guard([&] { SaveHistory(); });

  CanClose = MessageDlg(QStringLiteral("Are you sure to exit?"), mbOKCancel) == mrOK;
  // Each window asks about its own unsaved work; one the user keeps open keeps the program.
  if (CanClose)
    for (QMdiSubWindow *sub : ClientArea->subWindowList())
      if (!sub->close()) {
        CanClose = false;
        break;
      }
  if (DMSys) ResolveTransaction(true);
}

void TMainForm::ResolveTransaction(bool withNo) {
  TIBDataBase *db = DMSys->IBDataBase;
  if (!db->InTransaction()) return;
  switch (MessageDlg(QStringLiteral("Commit work?"), withNo ? mbYesNoCancel : mbOKCancel)) {
  case mrYes:
  case mrOK: db->Commit(); break;
  case mrNo: db->Rollback(); break;
  default:
    if (withNo) Abort();
    db->Rollback();  // a Disconnect has no way back: Cancel rolls back
  }
}

// ---- Connection and transaction -------------------------------------------------------------

void TMainForm::ConnectBtnClick(QObject *) {
  DMSys->IBDataBase->CheckFree();  // a running script keeps the attachment it started on
  ResolveTransaction(true);
  TIBDataBase *db = DMSys->IBDataBase;
  db->Close();
  FDatabaseMenuOn = false;
  UpdateMenus();
  DatabasePath = dbPath->currentText();
  db->Params.SetValues(QStringLiteral("SERVER NAME"), DatabasePath);
  db->Open();
  FDatabaseMenuOn = true;
  UpdateMenus();

  const QString entry = dbPath->currentText();
  if (!Items(dbPath).contains(entry)) SetItems(dbPath, Items(dbPath) << entry);
}

void TMainForm::MnDisconectClick(QObject *) {
  if (ChildCount() > 0) throw Exception(QStringLiteral("Close opened windows first"));
  ResolveTransaction(false);
  DMSys->IBDataBase->Close();
}

void TMainForm::MnAutoCommitClick(QObject *) {
  AutoCommit = !AutoCommit;
  UpdateMenus();
}

void TMainForm::MnCommitWorkClick(QObject *) { DMSys->IBDataBase->Commit(); }
void TMainForm::MnRollBackWorkClick(QObject *) { DMSys->IBDataBase->Rollback(); }

// ---- Windows menu ---------------------------------------------------------------------------

void TMainForm::MnCascadeClick(QObject *) { ClientArea->cascadeSubWindows(); }

void TMainForm::TileVerticalClick(QObject *) {
  TileMode = TTileMode::tbVertical;
  Tile();
}

void TMainForm::TileHorizontalClick(QObject *) {
  TileMode = TTileMode::tbHorizontal;
  Tile();
}

void TMainForm::Tile() {
  QList<QMdiSubWindow *> windows;
  for (QMdiSubWindow *sub : ClientArea->subWindowList())
    if (sub->isVisible() && !sub->isMinimized()) windows << sub;
  const int n = windows.size();
  // Once tiled nothing sticks out, so the area's scroll bars go: share the room they leave too.
  const QRect area(QPoint(0, 0), ClientArea->contentsRect().size());
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow *sub = windows[i];
    if (sub->isMaximized()) sub->showNormal();
    if (TileMode == TTileMode::tbVertical) {
      const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
      sub->setGeometry(left, 0, right - left, area.height());
    } else {
      const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
      sub->setGeometry(0, top, area.width(), bottom - top);
    }
  }
}

void TMainForm::ListChildWindows() {
  for (QAction *a : FWindowItems)
    delete a;
  FWindowItems.clear();
  const QList<QMdiSubWindow *> windows = ClientArea->subWindowList();
  if (windows.isEmpty()) return;
  FWindowItems << WindowsBar->addSeparator();
  int n = 0;
  for (QMdiSubWindow *sub : windows) {
    ++n;
    const QString caption = sub->windowTitle().replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction *a = WindowsBar->addAction(n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(caption) : caption);
    a->setCheckable(true);
    a->setChecked(sub == ClientArea->activeSubWindow());
    QPointer<QMdiSubWindow> target = sub;
    connect(a, &QAction::triggered, this, [this, target] {
      if (target) ClientArea->setActiveSubWindow(target);
    });
    FWindowItems << a;
  }
}

void TMainForm::MergeChildMenus(QMdiSubWindow *active) {
  for (const QPointer<QMenu> &m : std::as_const(FMerged))
    if (m) menuBar()->removeAction(m->menuAction());
  FMerged.clear();
  auto *child = active ? qobject_cast<TChildForm *>(active->widget()) : nullptr;
  if (!child) return;
  for (QMenu *m : child->MergedMenus()) {
    menuBar()->insertMenu(WindowsBar->menuAction(), m);
    FMerged << m;
  }
}

// ---- Dialogs and exit -----------------------------------------------------------------------

void TMainForm::ORepSettingsClick(QObject *) {
  if (ORepOptDlg) ORepOptDlg->exec();
}

void TMainForm::MnAboutClick(QObject *) {
  if (AboutBox) AboutBox->exec();
}

void TMainForm::MnExitClick(QObject *) { close(); }

// ---- Hints ----------------------------------------------------------------------------------

void TMainForm::HintHandler(QObject *) { StatusPanel->setText(FHint); }

void TMainForm::SetHint(const QString &hint) {
  FHint = hint;
  HintHandler(this);
}

bool TMainForm::event(QEvent *e) {
  // Menu items and controls with a status tip send it up to us: that is the application hint.
  if (e->type() == QEvent::StatusTip) {
    SetHint(static_cast<QStatusTipEvent *>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *e) {
  if (watched == StatusBar && e->type() == QEvent::MouseButtonPress) {
    HintHandler(StatusBar);
    return false;
  }
  // A context menu is a window of its own, where its items' hints would stop.
  if (e->type() == QEvent::StatusTip && qobject_cast<QMenu *>(watched)) {
    SetHint(static_cast<QStatusTipEvent *>(e)->tip());
    return false;
  }
  if (e->type() == QEvent::Enter || e->type() == QEvent::Leave) {
    auto *w = qobject_cast<QWidget *>(watched);
    if (w && w->window() == this && w->statusTip().isEmpty() && !w->toolTip().isEmpty())
      SetHint(e->type() == QEvent::Enter ? w->toolTip() : QString());
  }
  return QMainWindow::eventFilter(watched, e);
}

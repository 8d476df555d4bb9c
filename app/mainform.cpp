#include "app/mainform.h"

#include "app/about.h"
#include "app/datamodule.h"
#include "app/settings.h"
#include "repository/settingsdialog.h"
#include "server/lines.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/mdichild.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
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
#include <type_traits>

// ==== The tool windows of "&Database" =========================================================
// A window's module switches its menu item on by un-commenting its line in this list (one
// line per window); an item whose header is not included stays disabled. The class must be
// default-constructible; a window that does not show itself is shown as a child here.
#include "catalog/domains.h"  // TDomainsForm     MnDomains
// #include "catalog/exceptions.h"        // TExceptionsForm  MnExceptions
// #include "editing/triggers.h"          // TFormTriggers    MnTriggers
// #include "catalog/structure.h"         // TFormTblStr      MnStructures
#include "editing/ddlwindow.h"            // TSQLExprForm     MnSQL
#include "repository/repositorywindow.h"  // TObjRepos        MnObjRepos
// #include "dataview/tabledata.h"        // TDataForm        MNDataViewEditTest
// #include "catalog/generators.h"        // TGeneratorsForm  MnGenerators
// ==============================================================================================

class TDomainsForm;
class TExceptionsForm;
class TFormTriggers;
class TFormTblStr;
class TObjRepos;
class TSQLExprForm;
class TDataForm;
class TGeneratorsForm;

namespace {
// True once the window's header above has made its class complete in this file.
template <class T, class = void>
constexpr bool kWindowPresent = false;
template <class T>
constexpr bool kWindowPresent<T, std::void_t<decltype(sizeof(T))>> = true;

template <class T>
void OpenChild() {
  if constexpr (kWindowPresent<T>) {
    auto *form = new T();
    if (!form->SubWindow() && !form->isVisible()) form->ShowChild();
  }
}

QString &HistoryOverride() {
  static QString name;
  return name;
}

const QString kTitle = QStringLiteral("ZUL DB Tesselor for IB");
}  // namespace

TMainForm *MainForm = nullptr;

QString HistoryFileName() {
  if (!HistoryOverride().isEmpty()) return HistoryOverride();
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("connect.hst"));
}

void SetHistoryFileName(const QString &fileName) { HistoryOverride() = fileName; }

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(kTitle);

  auto *client = new QWidget(this);
  auto *clientLayout = new QVBoxLayout(client);
  clientLayout->setContentsMargins(0, 0, 0, 0);
  clientLayout->setSpacing(0);

  Panel1 = new QFrame(client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Label1 = new QLabel(QStringLiteral("D&atabase"), Panel1);
  Label1->setObjectName(QStringLiteral("Label1"));
  dbPath = new QComboBox(Panel1);
  dbPath->setObjectName(QStringLiteral("dbPath"));
  dbPath->setEditable(true);
  dbPath->setInsertPolicy(QComboBox::NoInsert);  // the history changes only on Connect
  // Case-insensitive completion would also replace the typed text by a history entry of
  // other case when editing ends; the text must stay as typed.
  dbPath->completer()->setCaseSensitivity(Qt::CaseSensitive);
  dbPath->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  Label1->setBuddy(dbPath);
  auto *panelLayout = new QHBoxLayout(Panel1);
  panelLayout->setContentsMargins(6, 3, 6, 3);
  panelLayout->addWidget(Label1);
  panelLayout->addWidget(dbPath, 1);

  ClientArea = new QMdiArea(client);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  ClientArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ClientArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  clientLayout->addWidget(Panel1);
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

void TMainForm::CreateMenus() {
  QMenuBar *bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  auto menu = [bar](const char *name, const QString &caption, const QString &hint) {
    QMenu *m = bar->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setStatusTip(hint);
    return m;
  };
  // An item with its hint; handler (may be null: an inert item) runs through the guard.
  auto item = [this](QMenu *m, const char *name, const QString &caption, const QKeySequence &shortcut,
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
  };
  auto separator = [](QMenu *m, const char *name) {
    QAction *a = m->addSeparator();
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };
  const QKeySequence none;

  Serviss1 = menu("Serviss1", QStringLiteral("&File"), QString());
  MnConnect = item(Serviss1, "MnConnect", QStringLiteral("&Connect"), QKeySequence(Qt::CTRL | Qt::Key_O),
                   QStringLiteral("Connect to database"), &TMainForm::ConnectBtnClick);
  QFont bold = MnConnect->font();
  bold.setBold(true);
  MnConnect->setFont(bold);
  MnDisconect = item(Serviss1, "MnDisconect", QStringLiteral("&Disconect"), none,
                     QStringLiteral("Disconect from database"), &TMainForm::MnDisconectClick);
  N1 = separator(Serviss1, "N1");
  MnAutoCommit = item(Serviss1, "MnAutoCommit", QStringLiteral("&Auto commit"), none,
                      QStringLiteral("Set auto commit on/off"), &TMainForm::MnAutoCommitClick);
  MnAutoCommit->setCheckable(true);
  MnCommitWork = item(Serviss1, "MnCommitWork", QStringLiteral("C&ommit Work"), none,
                      QStringLiteral("Commit work for database"), &TMainForm::MnCommitWorkClick);
  MnCommitWork->setEnabled(false);
  MnRollBackWork = item(Serviss1, "MnRollBackWork", QStringLiteral("&Rollback Work"), none,
                        QStringLiteral("Rollback work for database"), &TMainForm::MnRollBackWorkClick);
  MnRollBackWork->setEnabled(false);
  N3 = separator(Serviss1, "N3");
  ORepSettings = item(Serviss1, "ORepSettings", QStringLiteral("&Object repository settings..."), none,
                      QStringLiteral("Selects or creates object repository table for keeping DDL and SQL statements"),
                      &TMainForm::ORepSettingsClick);
  N2 = separator(Serviss1, "N2");
  MnExit = item(Serviss1, "MnExit", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_F4),
                QStringLiteral("Close application"), &TMainForm::MnExitClick);

  DataMenu = menu("DataMenu", QStringLiteral("&Database"), QStringLiteral("Database operations"));
  DataMenu->menuAction()->setEnabled(false);
  MnDomains = item(DataMenu, "MnDomains", QStringLiteral("&Domains"), none,
                   QStringLiteral("Opens domains list for viewing,creating  & editing"), &TMainForm::DomainsBtnClick);
  MnExceptions =
      item(DataMenu, "MnExceptions", QStringLiteral("&Exceptions"), none,
           QStringLiteral("Opens exceptions list for editing, creating and deleting"), &TMainForm::ExceptionsShow);
  MnTriggers = item(DataMenu, "MnTriggers", QStringLiteral("&Triggers"), none,
                    QStringLiteral("Opens triggers list to view, edit and create triggers"), &TMainForm::trigbtnClick);
  MnStructures = item(DataMenu, "MnStructures", QStringLiteral("&Structures"), none,
                      QStringLiteral("Opens structures to view table/view structures"), &TMainForm::StrBtnClick);
  MnObjRepos = item(DataMenu, "MnObjRepos", QStringLiteral("&Object repository"), none,
                    QStringLiteral("Opens table in which you can save objects source for further using"),
                    &TMainForm::ObjRepBtnClick);
  MnSQL = item(DataMenu, "MnSQL", QStringLiteral("DD&L statements"), none,
               QStringLiteral("Opens SQL Expressions Window for executing DDL statements"), &TMainForm::MnSQLClick);
  MNDataViewEditTest = item(DataMenu, "MNDataViewEditTest", QStringLiteral("Data &view"), none,
                            QStringLiteral("Opens window in which you can view, edit, insert data in views and tables"),
                            &TMainForm::MNDataViewEditTestClick);
  MnGenerators = item(DataMenu, "MnGenerators", QStringLiteral("&Generators"), none,
                      QStringLiteral("Opens generators list"), &TMainForm::MnGeneratorsClick);
  MNProcedures = item(DataMenu, "MNProcedures", QStringLiteral("&Procedures"), none,
                      QStringLiteral("Procedures list for creating editing stored procedures"), nullptr);
  CreateWindowCommands();

  MnWizards = menu("MnWizards", QStringLiteral("W&izards"), QStringLiteral("Wizards menu"));
  MnViewWizard = item(MnWizards, "MnViewWizard", QStringLiteral("&View wizard..."), none,
                      QStringLiteral("Wizard for creating views"), nullptr);
  Triggergeneretedkeywizard1 =
      item(MnWizards, "Triggergeneretedkeywizard1", QStringLiteral("&Trigger-genereted key wizard..."), none,
           QStringLiteral("Generetes trigger for genereted key of table"), nullptr);
  MnTableWizard = item(MnWizards, "MnTableWizard", QStringLiteral("T&able wizard..."), none,
                       QStringLiteral("Wizard for generating tables and defining table constraints"), nullptr);
  Foreignkeywizard1 = item(MnWizards, "Foreignkeywizard1", QStringLiteral("&Foreign key wizard..."), none,
                           QStringLiteral("Wizard for defining foreign keys"), nullptr);

  // Menus a child window brings (group 2) go in here, before "&Windows".
  WindowsBar = menu("WindowsBar", QStringLiteral("&Windows"), QString());
  MnCascade = item(WindowsBar, "MnCascade", QStringLiteral("&Cascade"), none, QStringLiteral("Cascade windows"),
                   &TMainForm::MnCascadeClick);
  TileV1 = item(WindowsBar, "TileV1", QStringLiteral("Tile &vertical"), none, QStringLiteral("Tile windows vertical"),
                &TMainForm::TileV1Click);
  TileH1 = item(WindowsBar, "TileH1", QStringLiteral("Tile &horizontal"), none,
                QStringLiteral("Tile Windows horizontal"), &TMainForm::TileH1Click);

  MnHelp = menu("MnHelp", QStringLiteral("&Help"), QStringLiteral("Information menu"));
  MnAbout = item(MnHelp, "MnAbout", QStringLiteral("&About"), none, QStringLiteral("About this product"),
                 &TMainForm::MnAboutClick);
}

void TMainForm::CreateWindowCommands() {
  MnDomains->setEnabled(kWindowPresent<TDomainsForm>);
  MnExceptions->setEnabled(kWindowPresent<TExceptionsForm>);
  MnTriggers->setEnabled(kWindowPresent<TFormTriggers>);
  MnStructures->setEnabled(kWindowPresent<TFormTblStr>);
  MnObjRepos->setEnabled(kWindowPresent<TObjRepos>);
  MnSQL->setEnabled(kWindowPresent<TSQLExprForm>);
  MNDataViewEditTest->setEnabled(kWindowPresent<TDataForm>);
  MnGenerators->setEnabled(kWindowPresent<TGeneratorsForm>);
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
  MnAutoCommit->setChecked(AutoCommit);
  qApp->installEventFilter(this);  // the hints of controls that have only a tooltip
  dbPath->setEditText(DatabasePath);
  const QString history = HistoryFileName();
  if (QFileInfo::exists(history)) {
    TStringList lines;
    lines.LoadFromFile(history);
    SetItems(dbPath, lines.Lines());
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

void TMainForm::FormCloseQuery(QObject *, bool &CanClose) {
  TStringList history(Items(dbPath));
  const int current = history.IndexOf(dbPath->currentText().toLower());
  if (current > 0) {
    history.Exchange(0, current);
    SetItems(dbPath, history.Lines());
  }
  // A history that cannot be written must not keep the user from leaving: report and go on.
  Guard([&] { history.SaveToFile(HistoryFileName()); });

  CanClose = MessageDlg(QStringLiteral("Are you sure to exit?"), mbOKCancel) == mrOK;
  if (DMSys && DMSys->IBDataBase->InTransaction()) {
    switch (MessageDlg(QStringLiteral("Commit work?"), mbYesNoCancel)) {
    case mrYes: DMSys->IBDataBase->Commit(); break;
    case mrNo: DMSys->IBDataBase->Rollback(); break;
    default: Abort();
    }
  }
}

// ---- Connection and transaction -------------------------------------------------------------

void TMainForm::ConnectBtnClick(QObject *) {
  TIBDataBase *db = DMSys->IBDataBase;
  db->CheckFree();  // a running script keeps the attachment it started on
  if (db->InTransaction()) {
    switch (MessageDlg(QStringLiteral("Commit work?"), mbYesNoCancel)) {
    case mrYes: db->Commit(); break;
    case mrNo: db->Rollback(); break;
    default: Abort();
    }
  }
  db->Close();
  DataMenu->menuAction()->setEnabled(false);
  DatabasePath = dbPath->currentText();
  db->Params.SetValues(QStringLiteral("SERVER NAME"), DatabasePath);
  db->Open();
  DataMenu->menuAction()->setEnabled(true);

  const QString entry = dbPath->currentText().toLower();
  if (TStringList(Items(dbPath)).IndexOf(entry) < 0) SetItems(dbPath, Items(dbPath) << entry);
}

void TMainForm::MnDisconectClick(QObject *) {
  if (ChildCount() > 0) throw Exception(QStringLiteral("Close opened windows first"));
  TIBDataBase *db = DMSys->IBDataBase;
  if (db->InTransaction()) {
    if (MessageDlg(QStringLiteral("Commit work?"), mbOKCancel) == mrOK)
      db->Commit();
    else
      db->Rollback();
  }
  db->Close();
}

void TMainForm::MnAutoCommitClick(QObject *) {
  AutoCommit = !AutoCommit;
  MnAutoCommit->setChecked(AutoCommit);
}

void TMainForm::MnCommitWorkClick(QObject *) { DMSys->IBDataBase->Commit(); }
void TMainForm::MnRollBackWorkClick(QObject *) { DMSys->IBDataBase->Rollback(); }

// ---- Tool windows ---------------------------------------------------------------------------

void TMainForm::DomainsBtnClick(QObject *) { OpenChild<TDomainsForm>(); }
void TMainForm::ExceptionsShow(QObject *) { OpenChild<TExceptionsForm>(); }
void TMainForm::trigbtnClick(QObject *) { OpenChild<TFormTriggers>(); }
void TMainForm::StrBtnClick(QObject *) { OpenChild<TFormTblStr>(); }
void TMainForm::ObjRepBtnClick(QObject *) { OpenChild<TObjRepos>(); }
void TMainForm::MnSQLClick(QObject *) { OpenChild<TSQLExprForm>(); }
void TMainForm::MNDataViewEditTestClick(QObject *) { OpenChild<TDataForm>(); }
void TMainForm::MnGeneratorsClick(QObject *) { OpenChild<TGeneratorsForm>(); }

// ---- Windows menu ---------------------------------------------------------------------------

void TMainForm::MnCascadeClick(QObject *) { ClientArea->cascadeSubWindows(); }

void TMainForm::TileV1Click(QObject *) {
  TileMode = TTileMode::tbVertical;
  Tile();
}

void TMainForm::TileH1Click(QObject *) {
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
  if (e->type() == QEvent::Enter || e->type() == QEvent::Leave) {
    auto *w = qobject_cast<QWidget *>(watched);
    if (w && w->window() == this && w->statusTip().isEmpty() && !w->toolTip().isEmpty())
      SetHint(e->type() == QEvent::Enter ? w->toolTip() : QString());
  }
  return QMainWindow::eventFilter(watched, e);
}

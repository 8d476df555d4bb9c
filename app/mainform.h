#pragma once
// The main window: the database path with its connection history, the menu that connects,
// controls the server transaction and opens the tool windows, the child-window area and the
// status bar that shows hints.
#include "app/history.h"  // where the window reads and writes its history

#include <QMainWindow>
#include <QPointer>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QStatusBar;

enum class TTileMode { tbHorizontal, tbVertical };

class TMainForm : public QMainWindow {
  Q_OBJECT
public:
  explicit TMainForm(QWidget *parent = nullptr);
  ~TMainForm() override;

  QFrame *PathPanel;
  QLabel *PathLabel;
  QComboBox *dbPath;
  QMdiArea *ClientArea;
  QStatusBar *StatusBar;
  QLabel *StatusPanel;  // the status bar's one panel

  QMenu *FileMenu;  // "&File"
  QAction *MnConnect, *MnDisconect, *N1, *MnAutoCommit, *MnCommitWork, *MnRollBackWork, *N3, *ORepSettings, *N2,
      *MnExit;
  QMenu *DataMenu;  // "&Database"
  // An item of the menus by its object name ("MnSQL"), or null.
  QAction *Command(const char *objectName) const;
  QMenu *MnWizards;
  QAction *MnViewWizard, *MnKeyTriggerWizard, *MnTableWizard, *MnForeignKeyWizard;
  QMenu *WindowsBar;  // "&Windows": lists the open child windows at its end
  QAction *MnCascade, *MnTileVertical, *MnTileHorizontal;
  QMenu *MnHelp;
  QAction *MnAbout;

  TTileMode TileMode = TTileMode::tbHorizontal;
  // The application's current hint: the hint of the highlighted menu item or of the control
  // under the mouse, empty when there is none.
  QString Hint() const { return FHint; }

  void FormCreate(QObject *Sender);
  void FormCloseQuery(QObject *Sender, bool &CanClose);
  void ConnectBtnClick(QObject *Sender);
  void MnDisconectClick(QObject *Sender);
  void MnAutoCommitClick(QObject *Sender);
  void MnCommitWorkClick(QObject *Sender);
  void MnRollBackWorkClick(QObject *Sender);
  void MnCascadeClick(QObject *Sender);
  void TileVerticalClick(QObject *Sender);
  void TileHorizontalClick(QObject *Sender);
  void ORepSettingsClick(QObject *Sender);
  void MnAboutClick(QObject *Sender);
  void MnExitClick(QObject *Sender);
  void HintHandler(QObject *Sender);

  // Closing's first steps: the current path becomes the history's first line, and the
  // history file is written (Exception "Cannot create file %s" when it cannot be).
  void SaveHistory();

  // Arranges the child windows side by side (vertical) or one above another (horizontal).
  void Tile();
  // Sets the enabled and checked state of every command from the program's state: the one
  // place that does, called whenever that state changes.
  void UpdateMenus();

protected:
  bool event(QEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;
  void closeEvent(QCloseEvent *e) override;

private:
  void CreateMenus();
  void CreateFileMenu();
  void CreateDatabaseMenu();
  void CreateWizardsMenu();
  void CreateWindowsAndHelpMenus();
  QMenu *AddMenu(const char *name, const QString &caption, const QString &hint);
  QAction *AddItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut,
                   const QString &hint, void (TMainForm::*handler)(QObject *));
  // With a server transaction active, asks "Commit work?" with the buttons given and commits
  // ("&Yes", "OK"), rolls back ("&No", or "Cancel" when there is no "&No") or aborts (Cancel).
  void ResolveTransaction(bool withNo);
  void SetHint(const QString &hint);
  void MergeChildMenus(QMdiSubWindow *active);
  void ListChildWindows();

  QString FHint;
  bool FDatabaseMenuOn = false;  // off from the start of a Connect until one succeeds
  QList<QPointer<QMenu>> FMerged;
  QList<QAction *> FWindowItems;             // the open windows listed in "&Windows"
  QList<QPair<QAction *, bool>> FToolItems;  // the "&Database" items, and whether built
};

extern TMainForm *MainForm;

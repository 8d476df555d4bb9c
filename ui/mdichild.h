#pragma once
// Child windows of the main window's multiple-document area. Every tool window derives from
// TChildForm: it shows at once in the area (or as a top-level window where there is no
// area, as in tests), frees itself when closed, and may bring menus of its own that the main
// window merges into its menu bar (before "&Windows") while the child is active.
#include <QList>
#include <QWidget>

class QMdiArea;
class QMenu;
class QMdiSubWindow;

class TChildForm : public QWidget {
  Q_OBJECT
public:
  explicit TChildForm(QWidget *parent = nullptr);
  // Menus merged into the main menu bar while this child is active (menu group 2).
  virtual QList<QMenu *> MergedMenus() const { return {}; }
  // Shows the form as a child of the registered area, at a position the area chooses.
  void ShowChild();
  QMdiSubWindow *SubWindow() const;
  // Brings a child that has just been shown up to at least the given size, as far as the area
  // has room (the area sizes a new child from its contents' hint, which leaves an editor a few
  // characters wide), cascaded from the newest other child.
  void ShowAtUsableSize(const QSize &size);
  // Makes an open child the active one, on top of the others.
  void BringToFront();

signals:
  void Closed(TChildForm *form);

protected:
  // Asked first when the window is to close: false keeps it open (the user's unsaved work).
  virtual bool FormCloseQuery() { return true; }
  // Close handler: the close action is "free".
  virtual void FormClose() {}
  void closeEvent(QCloseEvent *event) override;
};

// The area that child windows open in; set by the main window at creation.
void SetChildArea(QMdiArea *area);
QMdiArea *ChildArea();
// The number of open child windows.
int ChildCount();

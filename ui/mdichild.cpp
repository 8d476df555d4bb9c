#include "ui/mdichild.h"

#include "ui/errordisplay.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStyle>

namespace {
QPointer<QMdiArea> g_area;
}

void SetChildArea(QMdiArea *area) { g_area = area; }
QMdiArea *ChildArea() { return g_area; }
int ChildCount() { return g_area ? int(g_area->subWindowList().size()) : 0; }

TChildForm::TChildForm(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_DeleteOnClose); }

void TChildForm::ShowChild() {
  if (g_area) {
    QMdiSubWindow *sub = g_area->addSubWindow(this);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    sub->show();
    g_area->setActiveSubWindow(sub);
  } else {
    show();
  }
}

void TChildForm::ShowAtUsableSize(const QSize &size) {
  QMdiSubWindow *frame = SubWindow();
  if (!frame) {
    resize(this->size().expandedTo(size));
    return;
  }
  QSize wanted = frame->size().expandedTo(size);
  if (QMdiArea *area = frame->mdiArea()) {
    // Cascaded: a title bar's height right of and below the newest other window, so that every
    // older window's title stays in view; back at the corner when the new one would not fit
    // there. Its bottom (an editor's position indicator) stays within view.
    const QSize room = area->viewport()->size();
    wanted = wanted.boundedTo(room).expandedTo(frame->minimumSizeHint());
    QMdiSubWindow *newest = nullptr;
    for (QMdiSubWindow *other : area->subWindowList(QMdiArea::CreationOrder))
      if (other != frame && other->isVisible() && !other->isMinimized() && !other->isMaximized()) newest = other;
    const int step = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
    QPoint at = newest ? newest->pos() + QPoint(step, step) : QPoint(0, 0);
    if (at.x() + wanted.width() > room.width() || at.y() + wanted.height() > room.height()) at = QPoint(0, 0);
    frame->move(at);
  }
  frame->resize(wanted.expandedTo(frame->minimumSizeHint()));
}

void TChildForm::BringToFront() {
  if (QMdiSubWindow *frame = SubWindow()) {
    if (frame->isMinimized()) frame->showNormal();
    if (QMdiArea *area = frame->mdiArea()) area->setActiveSubWindow(frame);
    frame->raise();
  } else {
    raise();
    activateWindow();
  }
}

QMdiSubWindow *TChildForm::SubWindow() const { return qobject_cast<QMdiSubWindow *>(parentWidget()); }

void TChildForm::closeEvent(QCloseEvent *event) {
  bool canClose = false;
  Guard([&] { canClose = FormCloseQuery(); });
  if (!canClose) {
    event->ignore();
    return;
  }
  FormClose();
  emit Closed(this);
  QWidget::closeEvent(event);
}

#include "ui/mdichild.h"

#include "ui/errordisplay.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

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
  // Keep the bottom (an editor's position indicator) within view rather than below the edge.
  if (QMdiSubWindow *frame = SubWindow()) {
    QSize wanted = frame->size().expandedTo(size);
    if (QMdiArea *area = frame->mdiArea())
      wanted = wanted.boundedTo(area->viewport()->size() - QSize(frame->x(), frame->y()));
    frame->resize(wanted.expandedTo(frame->minimumSizeHint()));
  } else
    resize(this->size().expandedTo(size));
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

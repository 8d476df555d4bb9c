#include "ui/mdichild.h"

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

QMdiSubWindow *TChildForm::SubWindow() const { return qobject_cast<QMdiSubWindow *>(parentWidget()); }

void TChildForm::closeEvent(QCloseEvent *event) {
  FormClose();
  emit Closed(this);
  QWidget::closeEvent(event);
}

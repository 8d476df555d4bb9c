#include "ui/dbnavigator.h"

#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace {
const char *const kNames[kNavigateBtnCount] = {"nbFirst",  "nbPrior", "nbNext", "nbLast",   "nbInsert",
                                               "nbDelete", "nbEdit",  "nbPost", "nbCancel", "nbRefresh"};
const char *const kHints[kNavigateBtnCount] = {"First record",  "Prior record",  "Next record", "Last record",
                                               "Insert record", "Delete record", "Edit record", "Post edit",
                                               "Cancel edit",   "Refresh data"};

// The buttons' glyphs, drawn rather than loaded so they follow the palette's text colour.
QIcon Glyph(TNavigateBtn button, const QColor &ink) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(ink, 2));
  p.setBrush(ink);
  auto triangle = [&p](bool right, int x) {
    QPolygonF t;
    if (right)
      t << QPointF(x, 3) << QPointF(x + 6, 8) << QPointF(x, 13);
    else
      t << QPointF(x + 6, 3) << QPointF(x, 8) << QPointF(x + 6, 13);
    p.drawPolygon(t);
  };
  switch (button) {
  case nbFirst:
    p.drawLine(4, 3, 4, 13);
    triangle(false, 7);
    break;
  case nbPrior: triangle(false, 5); break;
  case nbNext: triangle(true, 5); break;
  case nbLast:
    triangle(true, 3);
    p.drawLine(12, 3, 12, 13);
    break;
  case nbInsert:
    p.drawLine(8, 3, 8, 13);
    p.drawLine(3, 8, 13, 8);
    break;
  case nbDelete: p.drawLine(3, 8, 13, 8); break;
  case nbEdit: {
    QPolygonF t;
    t << QPointF(3, 11) << QPointF(8, 5) << QPointF(13, 11);
    p.drawPolygon(t);
    break;
  }
  case nbPost:
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF() << QPointF(3, 8) << QPointF(7, 12) << QPointF(13, 4));
    break;
  case nbCancel:
    p.drawLine(4, 4, 12, 12);
    p.drawLine(12, 4, 4, 12);
    break;
  case nbRefresh: {
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.arcMoveTo(3, 3, 10, 10, 60);
    arc.arcTo(3, 3, 10, 10, 60, 270);
    p.drawPath(arc);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF() << QPointF(10, 1) << QPointF(14, 4) << QPointF(10, 6));
    break;
  }
  }
  return QIcon(pm);
}
}  // namespace

TDBNavigator::TDBNavigator(QWidget *parent)
    : QWidget(parent),
      FLink(
          this,
          [this](TDataSource *source) {
            return TDataLink::FollowRow(source, this, [this] { UpdateButtons(); })
                   << connect(source, &TDataSource::RowRemoved, this, &TDBNavigator::UpdateButtons)
                   << connect(source, &TDataSource::RowInserted, this, &TDBNavigator::UpdateButtons);
          },
          [this] { UpdateButtons(); }) {
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const QColor ink = palette().color(QPalette::ButtonText);
  for (int i = 0; i < kNavigateBtnCount; ++i) {
    const auto which = TNavigateBtn(i);
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(kNames[i]));
    b->setIcon(Glyph(which, ink));
    b->setToolTip(QString::fromLatin1(kHints[i]));
    b->setStatusTip(QString::fromLatin1(kHints[i]));
    // The buttons take no focus, so an open cell editor or an insert survives a click.
    b->setFocusPolicy(Qt::NoFocus);
    b->setMinimumSize(25, 25);
    connect(b, &QToolButton::clicked, this, [this, which] { BtnClick(which); });
    layout->addWidget(b);
    FButtons[i] = b;
  }
  UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(const QList<TNavigateBtn> &buttons) {
  for (int i = 0; i < kNavigateBtnCount; ++i)
    FButtons[i]->setVisible(buttons.contains(TNavigateBtn(i)));
}

void TDBNavigator::UpdateButtons() {
  TDataSet *ds = FLink.DataSet();
  const bool active = ds && ds->Active();
  const bool editing = active && (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert);
  const bool canModify = active && ds->CanModify();
  const bool up = active && !ds->Bof();
  const bool down = active && !ds->Eof();
  FButtons[nbFirst]->setEnabled(up);
  FButtons[nbPrior]->setEnabled(up);
  FButtons[nbNext]->setEnabled(down);
  FButtons[nbLast]->setEnabled(down);
  FButtons[nbInsert]->setEnabled(canModify);
  FButtons[nbDelete]->setEnabled(canModify && !ds->IsEmpty());
  FButtons[nbEdit]->setEnabled(canModify && !editing);
  FButtons[nbPost]->setEnabled(canModify && editing);
  FButtons[nbCancel]->setEnabled(canModify && editing);
  FButtons[nbRefresh]->setEnabled(active);
}

void TDBNavigator::Perform(TNavigateBtn button) {
  TDataSet *ds = FLink.DataSet();
  if (!ds) return;
  switch (button) {
  case nbFirst: ds->First(); break;
  case nbPrior: ds->Prior(); break;
  case nbNext: ds->Next(); break;
  case nbLast: ds->Last(); break;
  case nbInsert: ds->Insert(); break;
  case nbDelete:
    if (ConfirmDelete && MessageDlg(QStringLiteral("Delete record?"), mbOKCancel) != mrOK) return;
    ds->Delete();
    break;
  case nbEdit: ds->Edit(); break;
  case nbPost:
    DataSource()->UpdateRecord();
    ds->Post();
    break;
  case nbCancel: ds->Cancel(); break;
  case nbRefresh: ds->Refresh(); break;
  }
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
  Guard([&] {
    Perform(button);
    emit OnClick(button);
  });
  // Bof/Eof can change without a move (Next on the last row), so look again.
  UpdateButtons();
}

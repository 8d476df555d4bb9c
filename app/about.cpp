#include "app/about.h"

#include "app/startup.h"
#include "ui/dialogs.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox *AboutBox = nullptr;

namespace {
QLabel *Text(const QString &html, QWidget *parent) {
  auto *label = new QLabel(html, parent);
  label->setTextFormat(Qt::RichText);
  label->setWordWrap(true);
  return label;
}
}  // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);

  InfoPanel = new QFrame(this);
  InfoPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  InfoPanel->setLineWidth(2);

  ProgramIcon = new QLabel(InfoPanel);
  ProgramIcon->setPixmap(::ProgramIcon().pixmap(64, 64));
  ProgramIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  ProductName = Text(QStringLiteral("<b>ZUL Tesselor for IB</b>"), InfoPanel);
  ProductName->setTextFormat(Qt::RichText);
  QFont big = ProductName->font();
  big.setPointSizeF(big.pointSizeF() * 1.3);
  ProductName->setFont(big);
  Version = Text(QStringLiteral("Betta release<br>Version 1.01a"), InfoPanel);
  Licence = Text(QStringLiteral("<b>Licence agreement</b><br>"
                                "This product is free: you may use it and pass it on without charge, "
                                "for any purpose, at your own risk."),
                 InfoPanel);
  Feedback = Text(QStringLiteral("<b>Feedback</b><br>"
                                 "Updates are published on the Quorvane Systems web site, "
                                 "www.quorvane.example. Please send comments and error reports to "
                                 "tesselor@quorvane.example."),
                  InfoPanel);
  Comments = Text(QStringLiteral("A commercial release with more wizards is to follow."), InfoPanel);

  auto *heading = new QVBoxLayout;
  heading->addWidget(ProductName);
  heading->addWidget(Version);
  auto *top = new QHBoxLayout;
  top->addWidget(ProgramIcon, 0, Qt::AlignTop);
  top->addSpacing(8);
  top->addLayout(heading, 1);
  auto *panel = new QVBoxLayout(InfoPanel);
  panel->setContentsMargins(12, 12, 12, 12);
  panel->setSpacing(10);
  panel->addLayout(top);
  panel->addWidget(Licence);
  panel->addWidget(Feedback);
  panel->addWidget(Comments);
  InfoPanel->setFixedWidth(360);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(InfoPanel);
  layout->addWidget(OKButton, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
}

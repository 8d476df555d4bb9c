#include "ui/errordisplay.h"

#include "ui/dialogs.h"

#include <QPushButton>

QString ErrorText(const std::exception &e) {
  if (auto *ex = dynamic_cast<const Exception *>(&e)) return ex->Message() + QLatin1Char('.');
  return QString::fromLocal8Bit(e.what()) + QLatin1Char('.');
}

void ShowException(const std::exception &e) {
  if (dynamic_cast<const EAbort *>(&e)) return;
  TMessageBox box;
  box.setWindowTitle(ApplicationTitle());
  box.setIcon(QMessageBox::Critical);
  box.setText(ElideMessage(ErrorText(e)));
  box.setTextFormat(Qt::PlainText);
  QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

void HandleException() {
  try {
    try {
      throw;
    } catch (const std::exception &e) {
      ShowException(e);
    } catch (...) {
      ShowException(Exception(QStringLiteral("Unknown error")));
    }
  } catch (...) {
    // Nothing sensible is left to do when the error box itself fails.
  }
}

#include "ui/errordisplay.h"

#include "ui/dialogs.h"

QString ErrorText(const std::exception &e) {
  if (auto *ex = dynamic_cast<const Exception *>(&e)) return ex->Message() + QLatin1Char('.');
  return QString::fromLocal8Bit(e.what()) + QLatin1Char('.');
}

void ShowException(const std::exception &e) {
  if (dynamic_cast<const EAbort *>(&e)) return;
  ShowOKBox(QMessageBox::Critical, ErrorText(e));
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

bool AskToApply(const QString &question, const std::function<void()> &apply) {
  switch (MessageDlg(question, mbYesNoCancel)) {
  case mrYes: {
    bool applied = false;
    Guard([&] {
      apply();
      applied = true;
    });
    return applied;
  }
  case mrNo: return true;
  default: return false;
  }
}

#include "base/cursors.h"

#include <QGuiApplication>

TScreen &Screen() {
  static TScreen screen;
  return screen;
}

void TScreen::SetCursors(int number, std::function<QCursor()> make) {
  FMakers[number] = std::move(make);
  FCursors.erase(number);
}

const QCursor *TScreen::Find(int number) {
  auto made = FCursors.find(number);
  if (made != FCursors.end()) return &made->second;
  auto maker = FMakers.find(number);
  if (maker == FMakers.end()) return nullptr;
  return &FCursors.emplace(number, maker->second()).first->second;
}

void TScreen::SetCursor(int number) {
  FCursor = number;
  if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return;
  const QCursor *cursor = number != 0 ? Find(number) : nullptr;
  if (cursor) {
    if (FOverride) {
      QGuiApplication::changeOverrideCursor(*cursor);
    } else {
      QGuiApplication::setOverrideCursor(*cursor);
      FOverride = true;
    }
  } else if (FOverride) {
    QGuiApplication::restoreOverrideCursor();
    FOverride = false;
  }
}

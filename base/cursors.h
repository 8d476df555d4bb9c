#pragma once
// Screen cursors by number, shared by the whole application. 0 is the default cursor; any
// other registered number is shown as the application's override cursor. Setting a number
// replaces the shown cursor (there is no stack): 0 always brings the default back.
#include <QCursor>
#include <functional>
#include <map>
#include <optional>

class TScreen {
public:
  int Cursor() const { return FCursor; }
  // Shows cursor number (0: the default). Without a GUI application only the number is kept.
  void SetCursor(int number);
  // Registers the picture of a cursor number; it is made at first use, once a GUI exists.
  void SetCursors(int number, std::function<QCursor()> make);
  bool HasCursor(int number) const { return FMakers.count(number) != 0; }

private:
  const QCursor *Find(int number);
  int FCursor = 0;
  bool FOverride = false;  // we hold the application's override cursor
  std::map<int, std::function<QCursor()>> FMakers;
  std::map<int, QCursor> FCursors;
};

TScreen &Screen();

// Sets a screen cursor and puts the default back when the scope ends, also after an error.
class TCursorScope {
public:
  explicit TCursorScope(int number) { Screen().SetCursor(number); }
  ~TCursorScope() { Screen().SetCursor(0); }
  TCursorScope(const TCursorScope &) = delete;
  TCursorScope &operator=(const TCursorScope &) = delete;
};

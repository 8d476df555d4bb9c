#include "ui/shell.h"

namespace {
TShell *gShell = nullptr;
}

TShell *Shell() { return gShell; }

void SetShell(TShell *shell) { gShell = shell; }

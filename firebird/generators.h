#pragma once
// Generators: the names of the user's generators, and the drop.
#include "firebird/cataloglist.h"

class TGeneratorList : public TCatalogList {
  Q_OBJECT
public:
  explicit TGeneratorList(QObject *owner);
};

// Drops the generator of that catalog name under the session's auto-commit policy.
void DropGenerator(const QString &name);

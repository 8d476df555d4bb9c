#include "firebird/generators.h"

#include "firebird/session.h"

namespace {
constexpr char kUserGenerators[] =
    "SELECT RDB$GENERATOR_NAME\n"
    "FROM RDB$GENERATORS\n"
    "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0";
constexpr char kDropGenerator[] = "DROP GENERATOR %s";
}  // namespace

TGeneratorList::TGeneratorList(QObject *owner) : TCatalogList(owner, kUserGenerators) {
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$GENERATOR_NAME"), 31),
                           QStringLiteral("Generator Name"), 31);
}

void DropGenerator(const QString &name) { FbSession()->ExecuteFor(kDropGenerator, name); }

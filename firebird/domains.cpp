#include "firebird/domains.h"

#include "firebird/session.h"

namespace {
// The engine's own domains are noise a DBA can neither drop nor alter; user domains carry
// flag 0, or none on older servers.
constexpr char kUserDomains[] =
    "SELECT RDB$FIELD_NAME, RDB$COMPUTED_SOURCE, RDB$DEFAULT_SOURCE, RDB$FIELD_LENGTH, RDB$FIELD_SCALE,\n"
    " RDB$FIELD_TYPE, RDB$NULL_FLAG\n"
    "FROM RDB$FIELDS\n"
    "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0\n"
    "ORDER BY RDB$FIELD_NAME";
constexpr char kDropDomain[] = "DROP DOMAIN %s";
}  // namespace

QString DomainTypeName(const QVariant &fieldType) {
  // 35 keeps its classic name "DATE" (what dialect 1 calls a timestamp). The codes after it
  // are the ones Firebird stores besides the classic ones: without them a dialect-3 DATE,
  // TIME, BIGINT or NUMERIC(18,x) or a BOOLEAN would read "UNKNOWN".
  switch (fieldType.toInt()) {
  case 7: return QStringLiteral("SMALLINT");
  case 8: return QStringLiteral("INTEGER");
  case 9: return QStringLiteral("QUAD");
  case 10: return QStringLiteral("FLOAT");
  case 11: return QStringLiteral("D_FLOAT");
  case 14: return QStringLiteral("CHAR");
  case 27: return QStringLiteral("DOUBLE");
  case 37: return QStringLiteral("VARCHAR");
  case 35: return QStringLiteral("DATE");
  case 261: return QStringLiteral("BLOB");
  case 12: return QStringLiteral("DATE");
  case 13: return QStringLiteral("TIME");
  case 16: return QStringLiteral("BIGINT");
  case 23: return QStringLiteral("BOOLEAN");
  default: return QStringLiteral("UNKNOWN");
  }
}

TDomainList::TDomainList(QObject *owner) : TCatalogList(owner, kUserDomains) {
  NameField =
      DeclareField(new TStringField(this, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Domain name"), 36);
  TypeName = CalculatedText("FTYPE", 30, "Type", 22);
  ComputedSource =
      DeclareField(new TMemoField(this, QStringLiteral("RDB$COMPUTED_SOURCE")), QStringLiteral("Computed expr"), 15);
  DefaultSource =
      DeclareField(new TMemoField(this, QStringLiteral("RDB$DEFAULT_SOURCE")), QStringLiteral("Default value"), 13);
  Length = DeclareField(new TSmallintField(this, QStringLiteral("RDB$FIELD_LENGTH")), QStringLiteral("Length"), 12);
  Scale = DeclareField(new TSmallintField(this, QStringLiteral("RDB$FIELD_SCALE")), QStringLiteral("Scale"), 12);
  FieldType = Hidden(new TSmallintField(this, QStringLiteral("RDB$FIELD_TYPE")));
  NotNull = DeclareField(new TSmallintField(this, QStringLiteral("RDB$NULL_FLAG")), QStringLiteral("NOT NULL"), 12);
  OnCalcFields = [this](TDataSet *) { TypeName->SetAsString(DomainTypeName(FieldType->Value())); };
}

void DropDomain(const QString &name) { FbSession()->ExecuteFor(kDropDomain, name); }

#include "firebird/views.h"

#include "firebird/extract.h"
#include "firebird/session.h"

namespace {
constexpr char kUserViews[] =
    "SELECT RDB$RELATION_NAME, RDB$VIEW_SOURCE, RDB$DESCRIPTION\n"
    "FROM RDB$RELATIONS\n"
    "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NOT NULL\n"
    "ORDER BY RDB$RELATION_NAME";
// A view depends on each relation it reads by field, and on the relation itself (no field).
constexpr char kViewReads[] =
    "SELECT deps.RDB$DEPENDED_ON_NAME, deps.RDB$DEPENDED_ON_TYPE, deps.RDB$FIELD_NAME\n"
    "FROM RDB$DEPENDENCIES deps\n"
    "WHERE deps.RDB$DEPENDENT_NAME = :\"RELNAME\" AND deps.RDB$DEPENDENT_TYPE = 1\n"
    "ORDER BY deps.RDB$DEPENDED_ON_NAME, deps.RDB$FIELD_NAME";
constexpr char kDropView[] = "DROP VIEW %s;";
}  // namespace

TViewList::TViewList(QObject *owner) : TCatalogList(owner, kUserViews) {
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$RELATION_NAME"), 31), QStringLiteral("NAME"), 0);
  Source = DeclareField(new TMemoField(this, QStringLiteral("RDB$VIEW_SOURCE")), QStringLiteral("SOURCE"), 0);
  Description = DeclareField(new TMemoField(this, QStringLiteral("RDB$DESCRIPTION")), QStringLiteral("DESCRIPTION"), 0);
}

TViewReads::TViewReads(QObject *owner) : TRelationList(owner, kViewReads) {
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$DEPENDED_ON_NAME"), 31),
                           QStringLiteral("Object Name"), 31);
  TypeName = CalculatedText("DEPTYPE", 20, "Object Type", 16);
  TField *type = Hidden(new TSmallintField(this, QStringLiteral("RDB$DEPENDED_ON_TYPE")));
  FieldName =
      DeclareField(new TStringField(this, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Field Name"), 26);
  OnCalcFields = [this, type](TDataSet *) { TypeName->SetAsString(DependencyTypeName(type->Value())); };
}

void DropView(const QString &name) { FbSession()->ExecuteFor(kDropView, name); }

QString CreateOrAlterViewDDL(const QString &name) {
  QString ddl = ObjectDDL(TObjectKind::View, name);
  const int at = ddl.indexOf(QLatin1String("CREATE VIEW "));
  if (at >= 0) ddl.insert(at + 7, QLatin1String("OR ALTER "));
  return ddl;
}

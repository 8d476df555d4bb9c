#include "firebird/relations.h"

namespace {
constexpr char kRelationFields[] =
    "SELECT rf.RDB$RELATION_NAME , \n"
    " rf.RDB$FIELD_NAME , \n"
    " rf.RDB$FIELD_SOURCE , \n"
    " rf.RDB$BASE_FIELD , \n"
    " rf.RDB$FIELD_POSITION , \n"
    " rf.RDB$DEFAULT_VALUE , \n"
    " rf.RDB$SYSTEM_FLAG\n"
    "FROM RDB$RELATION_FIELDS rf\n"
    "WHERE (( COALESCE(rf.RDB$SYSTEM_FLAG, 0) <> 1 ) AND (rf.RDB$RELATION_NAME = :\"RELNAME\"))\n"
    "ORDER BY\n"
    " rf.RDB$RELATION_NAME , rf.RDB$FIELD_POSITION";
constexpr char kRelationDependencies[] =
    "SELECT deps.RDB$DEPENDENT_NAME , \n"
    " deps.RDB$DEPENDED_ON_NAME , \n"
    " deps.RDB$FIELD_NAME , \n"
    " deps.RDB$DEPENDENT_TYPE , \n"
    " deps.RDB$DEPENDED_ON_TYPE\n"
    "FROM RDB$DEPENDENCIES deps\n"
    "WHERE (deps.RDB$DEPENDED_ON_NAME = :\"RELNAME\")\n"
    "ORDER BY\n"
    " deps.RDB$FIELD_NAME , deps.RDB$DEPENDED_ON_NAME , deps.RDB$DEPENDENT_NAME";
constexpr char kViewSource[] =
    "SELECT relations_t.RDB$VIEW_SOURCE , \n"
    " relations_t.RDB$RELATION_NAME\n"
    "FROM RDB$RELATIONS relations_t\n"
    "WHERE relations_t.RDB$RELATION_NAME = :Name";
}  // namespace

QString DependencyTypeName(const QVariant &dependentType) {
  static const char *const names[] = {
      "Table",     "View",     "Trigger",     "Computed Field", "Validation",    "Procedure",   "Expression Index",
      "Exception", "User",     "Field",       "Index",          "Character Set", "User Group",  "Role",
      "Generator", "Function", "Blob Filter", "Collation",      "Package",       "Package Body"};
  const int type = dependentType.toInt();
  if (type < 0 || type >= int(std::size(names))) return QStringLiteral("N/A");
  return QString::fromLatin1(names[type]);
}

TRelationFields::TRelationFields(QObject *owner) : TRelationList(owner, kRelationFields) {
  Position = DeclareField(new TSmallintField(this, QStringLiteral("RDB$FIELD_POSITION")), QStringLiteral("#"), 3);
  DeclareField(new TStringField(this, QStringLiteral("RDB$RELATION_NAME"), 31), QString(), 31, false);
  NameField =
      DeclareField(new TStringField(this, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Field name"), 31);
  Domain = DeclareField(new TStringField(this, QStringLiteral("RDB$FIELD_SOURCE"), 31), QStringLiteral("DOMAIN"), 23);
  DeclareField(new TStringField(this, QStringLiteral("RDB$BASE_FIELD"), 31), QStringLiteral("BASE"), 22);
}

void TRelationList::SetRelation(const QString &relation) {
  Close();
  ParamByName(QStringLiteral("RELNAME"), relation);
}

TRelationDependencies::TRelationDependencies(QObject *owner) : TRelationList(owner, kRelationDependencies) {
  FieldName =
      DeclareField(new TStringField(this, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Field Name"), 26);
  TypeName = DeclareField(new TStringField(this, QStringLiteral("DEPTYPE"), 20), QStringLiteral("Object Type"), 23);
  TypeName->Calculated = true;
  NameField =
      DeclareField(new TStringField(this, QStringLiteral("RDB$DEPENDENT_NAME"), 31), QStringLiteral("Object Name"), 33);
  TField *type = DeclareField(new TSmallintField(this, QStringLiteral("RDB$DEPENDENT_TYPE")), QString(), 6, false);
  OnCalcFields = [this, type](TDataSet *) { TypeName->SetAsString(DependencyTypeName(type->Value())); };
}

TViewSource::TViewSource(QObject *owner) : TCatalogList(owner, kViewSource) {
  Source =
      DeclareField(new TMemoField(this, QStringLiteral("RDB$VIEW_SOURCE")), QStringLiteral("ViewSource"), 10, false);
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$RELATION_NAME"), 31), QStringLiteral("RelName"),
                           31, false);
}

void TViewSource::Read(const QString &relation) {
  Close();
  ParamByName(QStringLiteral("Name"), relation);
  Open();
}

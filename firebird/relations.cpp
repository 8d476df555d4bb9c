#include "firebird/relations.h"

#include "firebird/fieldtypes.h"
#include "firebird/session.h"

namespace {
// A column's own default and not-null flag win over its domain's.
constexpr char kRelationFields[] =
    "SELECT rf.RDB$RELATION_NAME , \n"
    " rf.RDB$FIELD_NAME , \n"
    " rf.RDB$FIELD_SOURCE , \n"
    " rf.RDB$BASE_FIELD , \n"
    " rf.RDB$FIELD_POSITION , \n"
    " COALESCE(rf.RDB$DEFAULT_SOURCE, f.RDB$DEFAULT_SOURCE) AS DEFAULT_SOURCE , \n"
    " COALESCE(rf.RDB$NULL_FLAG, f.RDB$NULL_FLAG) AS NULL_FLAG , \n"
    " f.RDB$COMPUTED_SOURCE , f.RDB$FIELD_TYPE , f.RDB$FIELD_SUB_TYPE , f.RDB$FIELD_LENGTH , \n"
    " f.RDB$CHARACTER_LENGTH , f.RDB$FIELD_SCALE , f.RDB$FIELD_PRECISION , cs.RDB$CHARACTER_SET_NAME , \n"
    " rf.RDB$SYSTEM_FLAG\n"
    "FROM RDB$RELATION_FIELDS rf\n"
    "JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE\n"
    "LEFT JOIN RDB$CHARACTER_SETS cs ON cs.RDB$CHARACTER_SET_ID = f.RDB$CHARACTER_SET_ID\n"
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
  Hidden(new TStringField(this, QStringLiteral("RDB$RELATION_NAME"), 31));
  NameField =
      DeclareField(new TStringField(this, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Field name"), 31);
  TypeText = CalculatedText("TYPE_TEXT", 4000, "Type", 24);
  Domain = CalculatedText("DOMAIN_NAME", 4000, "Domain", 16);
  NotNull = CalculatedText("NOT_NULL", 4000, "Not null", 8);
  Default = CalculatedText("DEFAULT_TEXT", 4000, "Default", 12);
  Computed = CalculatedText("COMPUTED_TEXT", 4000, "Computed by", 16);
  TField *source = Hidden(new TStringField(this, QStringLiteral("RDB$FIELD_SOURCE"), 31));
  Hidden(new TStringField(this, QStringLiteral("RDB$BASE_FIELD"), 31));
  TField *defaultSource = Hidden(new TMemoField(this, QStringLiteral("DEFAULT_SOURCE")));
  TField *nullFlag = Hidden(new TSmallintField(this, QStringLiteral("NULL_FLAG")));
  TField *computedSource = Hidden(new TMemoField(this, QStringLiteral("RDB$COMPUTED_SOURCE")));
  TField *type = Hidden(new TSmallintField(this, QStringLiteral("RDB$FIELD_TYPE")));
  TField *subType = Hidden(new TSmallintField(this, QStringLiteral("RDB$FIELD_SUB_TYPE")));
  TField *length = Hidden(new TSmallintField(this, QStringLiteral("RDB$FIELD_LENGTH")));
  TField *charLength = Hidden(new TSmallintField(this, QStringLiteral("RDB$CHARACTER_LENGTH")));
  TField *scale = Hidden(new TSmallintField(this, QStringLiteral("RDB$FIELD_SCALE")));
  TField *precision = Hidden(new TSmallintField(this, QStringLiteral("RDB$FIELD_PRECISION")));
  TField *characterSet = Hidden(new TStringField(this, QStringLiteral("RDB$CHARACTER_SET_NAME"), 31));
  OnCalcFields = [=](TDataSet *) {
    TDeclaredType t;
    t.Type = type->AsInteger();
    t.SubType = subType->AsInteger();
    t.Length = length->AsInteger();
    t.CharLength = charLength->AsInteger();
    t.Scale = scale->AsInteger();
    t.Precision = precision->AsInteger();
    t.CharacterSet = characterSet->AsString();
    TypeText->SetAsString(FieldTypeText(t, FbSession()->Dialect()));
    // The engine names the domains it makes for columns declared with a bare type.
    const QString domain = source->AsString().trimmed();
    Domain->SetAsString(domain.startsWith(QLatin1String("RDB$")) ? QString() : domain);
    NotNull->SetAsString(nullFlag->AsInteger() == 1 ? QStringLiteral("NOT NULL") : QString());
    QString value = defaultSource->AsString().trimmed();
    if (value.startsWith(QLatin1String("DEFAULT"), Qt::CaseInsensitive)) value = value.mid(7).trimmed();
    Default->SetAsString(value);
    Computed->SetAsString(computedSource->AsString().trimmed());
  };
}

void TRelationList::SetRelation(const QString &relation) {
  Close();
  ParamByName(QStringLiteral("RELNAME"), relation);
}

TRelationDependencies::TRelationDependencies(QObject *owner) : TRelationList(owner, kRelationDependencies) {
  FieldName =
      DeclareField(new TStringField(this, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Field Name"), 26);
  TypeName = CalculatedText("DEPTYPE", 20, "Object Type", 23);
  NameField =
      DeclareField(new TStringField(this, QStringLiteral("RDB$DEPENDENT_NAME"), 31), QStringLiteral("Object Name"), 33);
  TField *type = Hidden(new TSmallintField(this, QStringLiteral("RDB$DEPENDENT_TYPE")));
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

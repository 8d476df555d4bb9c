#include "firebird/procedures.h"

#include "base/errors.h"
#include "firebird/names.h"
#include "firebird/session.h"

namespace {
constexpr char kUserProcedures[] =
    "SELECT RDB$PROCEDURE_NAME, RDB$PROCEDURE_INPUTS, RDB$PROCEDURE_OUTPUTS, RDB$PROCEDURE_TYPE,\n"
    " RDB$DESCRIPTION, RDB$PROCEDURE_SOURCE\n"
    "FROM RDB$PROCEDURES\n"
    "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$PACKAGE_NAME IS NULL\n"
    "ORDER BY RDB$PROCEDURE_NAME";
// The parameter's own default and not-null flag win over its domain's.
constexpr char kParameters[] =
    "SELECT pp.RDB$PARAMETER_NAME, pp.RDB$PARAMETER_TYPE, pp.RDB$FIELD_SOURCE,\n"
    " COALESCE(pp.RDB$PARAMETER_MECHANISM, 0) AS MECHANISM, pp.RDB$RELATION_NAME, pp.RDB$FIELD_NAME,\n"
    " pp.RDB$NULL_FLAG, pp.RDB$DEFAULT_SOURCE,\n"
    " f.RDB$FIELD_TYPE, f.RDB$FIELD_SUB_TYPE, f.RDB$FIELD_LENGTH, f.RDB$CHARACTER_LENGTH, f.RDB$FIELD_SCALE,\n"
    " f.RDB$FIELD_PRECISION, cs.RDB$CHARACTER_SET_NAME\n"
    "FROM RDB$PROCEDURE_PARAMETERS pp\n"
    "JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = pp.RDB$FIELD_SOURCE\n"
    "LEFT JOIN RDB$CHARACTER_SETS cs ON cs.RDB$CHARACTER_SET_ID = f.RDB$CHARACTER_SET_ID\n"
    "WHERE pp.RDB$PROCEDURE_NAME = :\"PROCNAME\" AND pp.RDB$PACKAGE_NAME IS NULL\n"
    "ORDER BY pp.RDB$PARAMETER_TYPE, pp.RDB$PARAMETER_NUMBER";
constexpr char kProcedureSource[] =
    "SELECT RDB$PROCEDURE_NAME, RDB$PROCEDURE_SOURCE FROM RDB$PROCEDURES\n"
    "WHERE RDB$PROCEDURE_NAME = :\"PROCNAME\" AND RDB$PACKAGE_NAME IS NULL";
constexpr char kDropProcedure[] = "DROP PROCEDURE %s;";
constexpr char kCreateOrAlter[] = "CREATE OR ALTER PROCEDURE %s";
constexpr char kSelectFrom[] = "SELECT * FROM %s";
constexpr char kExecute[] = "EXECUTE PROCEDURE %s";

// A declaration list: "(" on the head's line, one declaration a line, ")" after the last.
QString DeclarationList(const QString &head, const QStringList &declarations) {
  if (declarations.isEmpty()) return head;
  return head + QStringLiteral(" (\n  ") + declarations.join(QStringLiteral(",\n  ")) + QLatin1Char(')');
}

QString StringValue(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }
}  // namespace

QString ProcedureTypeName(const QVariant &procedureType) {
  switch (procedureType.isNull() ? 0 : procedureType.toInt()) {
  case 1: return QStringLiteral("SELECTABLE");
  case 2: return QStringLiteral("EXECUTABLE");
  default: return {};
  }
}

TProcedureList::TProcedureList(QObject *owner) : TCatalogList(owner, kUserProcedures) {
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$PROCEDURE_NAME"), 31), QStringLiteral("NAME"), 0);
  Inputs = DeclareField(new TSmallintField(this, QStringLiteral("RDB$PROCEDURE_INPUTS")), QStringLiteral("INPUTS"), 0);
  Outputs =
      DeclareField(new TSmallintField(this, QStringLiteral("RDB$PROCEDURE_OUTPUTS")), QStringLiteral("OUTPUTS"), 0);
  Type = DeclareField(new TSmallintField(this, QStringLiteral("RDB$PROCEDURE_TYPE")), QString(), 0, false);
  TypeName = new TStringField(this, QStringLiteral("KIND"), 10);
  TypeName->Calculated = true;
  Description = DeclareField(new TMemoField(this, QStringLiteral("RDB$DESCRIPTION")), QStringLiteral("DESCRIPTION"), 0);
  Source = DeclareField(new TMemoField(this, QStringLiteral("RDB$PROCEDURE_SOURCE")), QStringLiteral("SOURCE"), 0);
  OnCalcFields = [this](TDataSet *) { TypeName->SetAsString(ProcedureTypeName(Type->Value())); };
}

QString TProcParameter::TypeText(int dialect) const {
  if (!TypeOfRelation.isEmpty())
    return QStringLiteral("TYPE OF COLUMN %1.%2")
        .arg(QuoteIdentifier(TypeOfRelation, dialect), QuoteIdentifier(TypeOfColumn, dialect));
  if (!Domain.isEmpty()) return (TypeOf ? QStringLiteral("TYPE OF ") : QString()) + QuoteIdentifier(Domain, dialect);
  return FieldTypeText(Type, dialect);
}

QString TProcParameter::Declaration(int dialect) const {
  QString text = QuoteIdentifier(Name, dialect) + QLatin1Char(' ') + TypeText(dialect);
  if (NotNull) text += QStringLiteral(" NOT NULL");
  if (!Default.isEmpty()) text += QStringLiteral(" = ") + Default;
  return text;
}

QList<TProcParameter> ProcedureParameters(const QString &procedure) {
  TCatalogList rows(nullptr, kParameters);
  rows.ParamByName(QStringLiteral("PROCNAME"), procedure);
  rows.Open();
  QList<TProcParameter> out;
  for (; !rows.Eof(); rows.Next()) {
    const auto value = [&](const char *name) { return rows.FieldByName(QLatin1String(name))->Value(); };
    TProcParameter p;
    p.Name = StringValue(value("RDB$PARAMETER_NAME"));
    p.Output = value("RDB$PARAMETER_TYPE").toInt() == 1;
    p.Type.Type = value("RDB$FIELD_TYPE").toInt();
    p.Type.SubType = value("RDB$FIELD_SUB_TYPE").toInt();
    p.Type.Length = value("RDB$FIELD_LENGTH").toInt();
    p.Type.CharLength = value("RDB$CHARACTER_LENGTH").toInt();
    p.Type.Scale = value("RDB$FIELD_SCALE").toInt();
    p.Type.Precision = value("RDB$FIELD_PRECISION").toInt();
    p.Type.CharacterSet = StringValue(value("RDB$CHARACTER_SET_NAME"));
    // The engine names the domains it makes for parameters declared with a bare type.
    const QString source = StringValue(value("RDB$FIELD_SOURCE"));
    if (!source.startsWith(QLatin1String("RDB$"))) p.Domain = source;
    p.TypeOf = value("MECHANISM").toInt() == 1;
    p.TypeOfRelation = StringValue(value("RDB$RELATION_NAME"));
    p.TypeOfColumn = StringValue(value("RDB$FIELD_NAME"));
    p.NotNull = value("RDB$NULL_FLAG").toInt() == 1;
    QString def = StringValue(value("RDB$DEFAULT_SOURCE")).trimmed();
    if (def.startsWith(QLatin1Char('=')))
      def = def.mid(1).trimmed();
    else if (def.startsWith(QLatin1String("DEFAULT"), Qt::CaseInsensitive))
      def = def.mid(7).trimmed();
    p.Default = def;
    out << p;
  }
  return out;
}

void DropProcedure(const QString &name) { FbSession()->ExecuteFor(kDropProcedure, name); }

QStringList CreateOrAlterProcedureHead(const QString &name, const QStringList &inputs, const QStringList &outputs) {
  QStringList head{DeclarationList(FillFormat(kCreateOrAlter, {name}), inputs)};
  if (!outputs.isEmpty()) head << DeclarationList(QStringLiteral("RETURNS"), outputs);
  head << QStringLiteral("AS");
  return head.join(QLatin1Char('\n')).split(QLatin1Char('\n'));
}

TStringList ProcedureDDL(const QString &name) {
  TCatalogList source(nullptr, kProcedureSource);
  source.ParamByName(QStringLiteral("PROCNAME"), name);
  source.Open();
  if (source.IsEmpty()) throw EDatabaseError(QStringLiteral("Procedure %1 is not in the database").arg(name));
  const int dialect = FbSession()->Dialect();
  QStringList inputs, outputs;
  for (const TProcParameter &p : ProcedureParameters(name))
    (p.Output ? outputs : inputs) << p.Declaration(dialect);
  TStringList lines;
  lines.SetText(QStringLiteral("SET TERM ^ ;\n") +
                CreateOrAlterProcedureHead(FbSession()->SQLName(name), inputs, outputs).join(QLatin1Char('\n')) +
                QLatin1Char('\n') + source.FieldByName(QStringLiteral("RDB$PROCEDURE_SOURCE"))->AsString() +
                QStringLiteral("^\nSET TERM ; ^"));
  return lines;
}

QString ProcedureCallText(const QString &name, int inputs, bool selectable) {
  QString text = FillFormat(selectable ? kSelectFrom : kExecute, {FbSession()->SQLName(name)});
  QStringList params;
  for (int i = 1; i <= inputs; ++i)
    params << QStringLiteral(":P%1").arg(i);
  if (!params.isEmpty()) text += QLatin1Char('(') + params.join(QStringLiteral(", ")) + QLatin1Char(')');
  return text;
}

TProcedureCall::TProcedureCall(QObject *owner) : TCatalogList(owner, "") {}

void TProcedureCall::Run(const QString &name, const QVariantList &inputs, bool selectable) {
  Close();
  SQL.SetText(ProcedureCallText(name, int(inputs.size()), selectable));
  for (int i = 0; i < inputs.size(); ++i)
    ParamByName(QStringLiteral("P%1").arg(i + 1), inputs.at(i));
  Open();
}

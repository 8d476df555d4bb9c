#include "firebird/procedures.h"

#include "base/errors.h"
#include "firebird/extract.h"
#include "firebird/names.h"
#include "firebird/session.h"

namespace {
constexpr char kUserProcedures[] =
    "SELECT RDB$PROCEDURE_NAME, RDB$PROCEDURE_INPUTS, RDB$PROCEDURE_OUTPUTS, RDB$PROCEDURE_TYPE,\n"
    " RDB$DESCRIPTION\n"
    "FROM RDB$PROCEDURES\n"
    "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$PACKAGE_NAME IS NULL\n"
    "ORDER BY RDB$PROCEDURE_NAME";
constexpr char kParameters[] =
    "SELECT pp.RDB$PARAMETER_NAME, pp.RDB$PARAMETER_TYPE,\n"
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

// The declarations of the parenthesised list that opens at text[open]: split at the commas
// outside quotes and inner parentheses, each trimmed.
QStringList DeclarationList(const QString &text, int open) {
  QStringList out;
  QString current;
  int depth = 0;
  QChar quote;
  for (int i = open; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
      quote = c;
    } else if (c == QLatin1Char('(')) {
      if (++depth == 1) continue;
    } else if (c == QLatin1Char(')')) {
      if (--depth == 0) break;
    } else if (c == QLatin1Char(',') && depth == 1) {
      out << current.trimmed();
      current.clear();
      continue;
    }
    current += c;
  }
  if (!current.trimmed().isEmpty()) out << current.trimmed();
  return out;
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
  Type = Hidden(new TSmallintField(this, QStringLiteral("RDB$PROCEDURE_TYPE")));
  TypeName = CalculatedText("KIND", 10);
  Description = DeclareField(new TMemoField(this, QStringLiteral("RDB$DESCRIPTION")), QStringLiteral("DESCRIPTION"), 0);
  OnCalcFields = [this](TDataSet *) { TypeName->SetAsString(ProcedureTypeName(Type->Value())); };
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

QString ProcedureSource(const QString &name) {
  TCatalogList source(nullptr, kProcedureSource);
  source.ParamByName(QStringLiteral("PROCNAME"), name);
  source.Open();
  if (source.IsEmpty()) throw EDatabaseError(QStringLiteral("Procedure %1 is not in the database").arg(name));
  return source.FieldByName(QStringLiteral("RDB$PROCEDURE_SOURCE"))->AsString();
}

TProcedureText ProcedureText(const QString &name) {
  const QString ddl = ObjectDDL(TObjectKind::Procedure, name);
  TProcedureText out;
  out.Name = FbSession()->SQLName(name);
  const QString head = QStringLiteral("PROCEDURE ") + out.Name;
  int pos = ddl.indexOf(head);
  const int as = ddl.indexOf(QLatin1String("\nAS\n"), pos);
  if (pos < 0 || as < 0) throw EDatabaseError(QStringLiteral("Procedure %1 could not be read").arg(name));
  pos += head.size();
  if (ddl.at(pos) == QLatin1Char(' ')) out.Inputs = DeclarationList(ddl, pos + 1);
  const int returns = ddl.indexOf(QLatin1String("\nRETURNS ("), pos);
  if (returns >= 0 && returns < as) out.Outputs = DeclarationList(ddl, returns + 9);
  // The body ends at the terminator of its statement, before what follows it (comments).
  const int next = ddl.indexOf(QLatin1String("\nSET TERM ; ^"), as);
  const int end = ddl.lastIndexOf(QLatin1Char('^'), next < 0 ? -1 : next);
  out.Body = ddl.mid(as + 4, end - as - 4);
  return out;
}

QString ProcedureCallText(const QString &name, const QStringList &arguments, bool selectable) {
  QString text = FillFormat(selectable ? kSelectFrom : kExecute, {FbSession()->SQLName(name)});
  if (!arguments.isEmpty()) text += QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
  return text;
}

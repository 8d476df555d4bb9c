#pragma once
// Stored procedures: the user's procedures as a list with their parameter counts and kind,
// the parameters of one, the commands on one procedure and the statements that call it.
#include "firebird/cataloglist.h"
#include "firebird/fieldtypes.h"

#include <QList>
#include <QStringList>

// "SELECTABLE" for an RDB$PROCEDURE_TYPE of 1, "EXECUTABLE" for 2; a catalog without the
// column (null) tells nothing: empty.
QString ProcedureTypeName(const QVariant &procedureType);

// The user's procedures outside packages: name, input and output counts, kind, description.
// (The sources stay on the server until asked for: ProcedureSource.)
class TProcedureList : public TCatalogList {
  Q_OBJECT
public:
  explicit TProcedureList(QObject *owner);
  TField *Inputs, *Outputs, *Type, *TypeName, *Description;
  bool Selectable() const { return Type->AsInteger() == 1; }
};

// One parameter of a procedure: its name, direction and declared type.
struct TProcParameter {
  QString Name;
  bool Output = false;
  TDeclaredType Type;
};

// A procedure's inputs, then its outputs, each in their order; read now.
QList<TProcParameter> ProcedureParameters(const QString &procedure);

// The commands on one procedure (a catalog name), under the session's auto-commit policy.
void DropProcedure(const QString &name);

// The lines ahead of a procedure's body: "CREATE OR ALTER PROCEDURE name (inputs)",
// "RETURNS (outputs)" when there are outputs, "AS". The name and the declarations go as the
// editor holds them (one declaration a line).
QStringList CreateOrAlterProcedureHead(const QString &name, const QStringList &inputs, const QStringList &outputs);

// The stored body of a procedure (a catalog name), as the catalog holds it.
QString ProcedureSource(const QString &name);

// A procedure (a catalog name) as the extraction writes it, in the pieces the editor shows: the
// name as a statement writes it, each parameter's declaration (type, NOT NULL, default) and the
// body after AS.
struct TProcedureText {
  QString Name;
  QStringList Inputs, Outputs;
  QString Body;
};
TProcedureText ProcedureText(const QString &name);

// The statement that calls a procedure (a catalog name) with its arguments (SQL literals or
// NULL, one per input): a SELECT of its rows for a selectable procedure, an EXECUTE PROCEDURE
// for another.
QString ProcedureCallText(const QString &name, const QStringList &arguments, bool selectable);

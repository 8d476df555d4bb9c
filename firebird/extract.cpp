#include "firebird/extract.h"

#include "base/errors.h"
#include "firebird/catalogreader.h"
#include "firebird/fieldtypes.h"
#include "firebird/names.h"
#include "firebird/session.h"
#include "firebird/triggers.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

namespace {

// ---- What the catalog holds ------------------------------------------------------------------

struct TField {  // a row of RDB$FIELDS: a domain, or the engine's domain of one column
  TDeclaredType Type;
  int CharsetId = -1;  // -1: none
  int CollationId = 0;
  bool NotNull = false;
  QString Default, Check, Computed, Description;
};

struct TColumn {  // a column of a relation, or a parameter of a routine
  QString Name, Source;
  bool NotNull = false;
  QString Default;
  int CollationId = -1;  // -1: the source's own
  bool Identity = false;
  qlonglong IdentityStart = 0;
  QString IdentityGenerator, IdentityValue;  // the value when current values are asked for
  bool TypeOf = false;                       // a parameter declared TYPE OF
  QString OfRelation, OfColumn;              // TYPE OF COLUMN
  bool Output = false;                       // a procedure's output parameter
  QString Description;
};

struct TRelation {
  QString Name, ViewSource, ExternalFile, Description, Owner;
  qlonglong Id = 0;  // the order the relations were created in
  bool View = false;
  int Type = 0;  // RDB$RELATION_TYPE
  QList<TColumn> Columns;
};

struct TIndex {
  QString Name, Relation, Expression, ForeignKey, Description;
  bool Unique = false, Descending = false, Inactive = false;
  QStringList Segments;
};

struct TConstraint {
  QString Name, Type, Relation, Index, Check, UpdateRule, DeleteRule;
  qlonglong Order = 0;  // a check's: the number of its trigger, the order checks were made in
};

struct TRoutine {  // a procedure or a function
  QString Name, Source, Description, Engine, EntryPoint, Owner;
  qlonglong Id = 0;
  int ProcedureType = 0;
  bool Deterministic = false;
  QList<TColumn> Parameters;  // a function's return value is the one without a name
};

struct TPackage {
  QString Name, Header, Body, Description, Owner;
};

struct TTrigger {
  QString Name, Relation, Source, Description, Engine, EntryPoint;
  qlonglong Type = 0;
  int Position = 0;
  bool Inactive = false;
};

struct TNamed {  // generators, exceptions, roles, collations: a name, a text or two
  QString Name, Text, Description, Owner;
  qlonglong A = 0, B = 0;
  int CharsetId = 0;
  QString Base, Attributes;
};

struct TPrivilege {
  QString User, Privilege, Object, Field;
  int UserType = 8, ObjectType = 0;
  bool GrantOption = false;
};

struct TDependency {
  QString Dependent, DependedOn, Package;
  int DependentType = 0, DependedOnType = 0;
};

struct TCatalog {
  int Dialect = 3;
  QString Charset = QStringLiteral("NONE"), Path, Description;
  int PageSize = 0;
  QHash<int, QString> CharsetNames;
  QHash<int, QString> CharsetDefaults;  // the default collation of each character set
  QHash<QString, QString> CharsetDescriptions;
  QHash<qlonglong, QString> CollationNames;  // by character set id << 16 | collation id
  QList<TNamed> Collations;
  QHash<QString, TField> Fields;
  QList<QString> Domains;
  QList<TRelation> Relations;
  QList<TIndex> Indices;
  QHash<QString, int> IndexByName;
  QList<TConstraint> Constraints;
  QList<TRoutine> Procedures, Functions;
  QList<TPackage> Packages;
  QList<TTrigger> Triggers;
  QList<TNamed> Generators, Exceptions, Roles;
  QList<TPrivilege> Privileges;
  QList<TDependency> Dependencies;
};

// What a load is restricted to: one object, or everything.
struct TFilter {
  bool All = true;
  TObjectKind Kind = TObjectKind::Table;
  QString Name;
  bool Is(TObjectKind kind) const { return All || Kind == kind; }
  bool Relation() const { return All || Kind == TObjectKind::Table || Kind == TObjectKind::View; }
  // " AND column = ?" when restricted to kind (the name is the marker's value), else nothing.
  QString Where(TObjectKind kind, const char *column, QStringList &params) const {
    if (All || Kind != kind) return {};
    params << Name;
    return QStringLiteral(" AND %1 = ?").arg(QLatin1String(column));
  }
  QString WhereRelation(const char *column, QStringList &params) const {
    if (All) return {};
    params << Name;
    return QStringLiteral(" AND %1 = ?").arg(QLatin1String(column));
  }
};

QString Str(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }
int Int(const QVariant &v, int otherwise = 0) { return v.isNull() ? otherwise : v.toInt(); }
bool UserName(const QString &name) { return !name.startsWith(QLatin1String("RDB$")); }

// ---- Reading it: one statement per kind ----------------------------------------------------

class TLoader {
public:
  TLoader(TCatalogReader &reader, const TFilter &filter, const TExtractOptions &options)
      : R(reader), F(filter), O(options) {}
  TCatalog Load();

private:
  void Step() {
    ++FDone;
    if (O.Progress && !O.Progress(FDone, kSteps)) Abort();
  }
  // Runs sql with the names its Where clauses bound.
  QList<QVariantList> Rows(const QString &sql) {
    const QStringList params = std::exchange(FParams, {});
    auto rows = R.Rows(sql, params);
    Step();
    return rows;
  }
  QString Where(TObjectKind kind, const char *column) { return F.Where(kind, column, FParams); }
  QString WhereRelation(const char *column) { return F.WhereRelation(column, FParams); }
  TColumn Parameter(const QVariantList &r, int first);
  // The procedures or the functions: routines' rows of name, source, a procedure's type or a
  // function's deterministic flag, description, engine, entry point, owner and id; then their
  // parameters' rows in order: the routine's name, a procedure's parameter type (1: output) or a
  // function's argument position, then what Parameter reads.
  void Routines(TObjectKind kind, const char *nameColumn, const QString &routines, const QString &parameters,
                const QString &order, QList<TRoutine> &into);
  // The generators' current values, many to a statement.
  QStringList CurrentValues(const QStringList &generators, int dialect) {
    QStringList out;
    for (qsizetype first = 0; first < generators.size(); first += 200) {
      QStringList values;
      for (qsizetype i = first; i < qMin(first + 200, generators.size()); ++i)
        values << QStringLiteral("GEN_ID(%1, 0)").arg(QuoteIdentifier(generators[i], dialect));
      const auto rows = R.Rows(QStringLiteral("SELECT %1 FROM RDB$DATABASE").arg(values.join(u',')));
      for (qsizetype i = 0; !rows.isEmpty() && i < rows[0].size(); ++i)
        out << QString::number(rows[0][i].toLongLong());
    }
    return out;
  }

  static constexpr int kSteps = 21;  // the statements Load runs for a whole database
  TCatalogReader &R;
  const TFilter &F;
  const TExtractOptions &O;
  int FDone = 0;
  QStringList FParams;  // the markers' values of the next statement
};

TColumn TLoader::Parameter(const QVariantList &r, int i) {
  // name, source, mechanism, relation, field, null flag, default, collation, description
  TColumn c;
  c.Name = Str(r[i]);
  c.Source = Str(r[i + 1]);
  c.TypeOf = Int(r[i + 2]) == 1;
  c.OfRelation = Str(r[i + 3]);
  c.OfColumn = Str(r[i + 4]);
  c.NotNull = Int(r[i + 5]) == 1;
  c.Default = Str(r[i + 6]).trimmed();
  c.CollationId = Int(r[i + 7], -1);
  c.Description = Str(r[i + 8]);
  return c;
}

void TLoader::Routines(TObjectKind kind, const char *nameColumn, const QString &routines, const QString &parameters,
                       const QString &order, QList<TRoutine> &into) {
  const bool procedures = kind == TObjectKind::Procedure;
  QHash<QString, int> at;
  for (const auto &r : Rows(routines + Where(kind, nameColumn))) {
    TRoutine p;
    p.Name = Str(r[0]);
    p.Source = Str(r[1]);
    if (procedures)
      p.ProcedureType = Int(r[2]);
    else
      p.Deterministic = Int(r[2]) == 1;
    p.Description = Str(r[3]);
    p.Engine = Str(r[4]);
    p.EntryPoint = Str(r[5]);
    p.Owner = Str(r[6]);
    p.Id = r[7].toLongLong();
    at[p.Name] = into.size();
    into << p;
  }
  for (const auto &r : Rows(parameters + Where(kind, nameColumn) + order)) {
    const auto p = at.find(Str(r[0]));
    if (p == at.end()) continue;
    TColumn param = Parameter(r, 2);
    param.Output = procedures && Int(r[1]) == 1;
    into[*p].Parameters << param;
  }
}

TCatalog TLoader::Load() {
  TCatalog c;
  c.Dialect = R.Dialect();
  for (const auto &r :
       Rows(QStringLiteral("SELECT d.RDB$CHARACTER_SET_NAME, d.RDB$DESCRIPTION, m.MON$PAGE_SIZE, m.MON$DATABASE_NAME "
                           "FROM RDB$DATABASE d CROSS JOIN MON$DATABASE m"))) {
    if (!Str(r[0]).isEmpty()) c.Charset = Str(r[0]);
    c.Description = Str(r[1]);
    c.PageSize = Int(r[2]);
    c.Path = Str(r[3]);
  }
  for (const auto &r : Rows(QStringLiteral("SELECT RDB$CHARACTER_SET_ID, RDB$CHARACTER_SET_NAME, "
                                           "RDB$DEFAULT_COLLATE_NAME, RDB$DESCRIPTION FROM RDB$CHARACTER_SETS"))) {
    c.CharsetNames[Int(r[0])] = Str(r[1]);
    c.CharsetDefaults[Int(r[0])] = Str(r[2]);
    if (!Str(r[3]).isEmpty()) c.CharsetDescriptions[Str(r[1])] = Str(r[3]);
  }
  for (const auto &r : Rows(QStringLiteral(
           "SELECT RDB$CHARACTER_SET_ID, RDB$COLLATION_ID, RDB$COLLATION_NAME, COALESCE(RDB$SYSTEM_FLAG, 0), "
           "RDB$BASE_COLLATION_NAME, RDB$COLLATION_ATTRIBUTES, RDB$SPECIFIC_ATTRIBUTES, RDB$DESCRIPTION, "
           "RDB$OWNER_NAME FROM RDB$COLLATIONS"))) {
    c.CollationNames[(qlonglong(Int(r[0])) << 16) | Int(r[1])] = Str(r[2]);
    if (Int(r[3]) != 0) continue;
    TNamed n;
    n.CharsetId = Int(r[0]);
    n.Name = Str(r[2]);
    n.Base = Str(r[4]);
    n.A = Int(r[5]);
    n.Attributes = Str(r[6]);
    n.Description = Str(r[7]);
    n.Owner = Str(r[8]);
    if (F.All || (F.Kind == TObjectKind::Collation && F.Name == n.Name)) c.Collations << n;
  }

  // The domains: all user ones, and the engine's own for the columns and parameters read.
  // One object's are read from its columns or parameters (an index lookup each), not by
  // testing every row of RDB$FIELDS against them.
  QString fieldFrom = QStringLiteral("FROM RDB$FIELDS f WHERE COALESCE(f.RDB$SYSTEM_FLAG, 0) = 0");
  if (!F.All) {
    const auto of = [&](const char *table, const char *column, const char *more) {
      FParams << F.Name;
      return QStringLiteral(
                 "FROM %1 o JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = o.RDB$FIELD_SOURCE "
                 "WHERE COALESCE(f.RDB$SYSTEM_FLAG, 0) = 0 AND o.%2 = ?%3")
          .arg(QLatin1String(table), QLatin1String(column), QLatin1String(more));
    };
    switch (F.Kind) {
    case TObjectKind::Domain: fieldFrom += Where(TObjectKind::Domain, "f.RDB$FIELD_NAME"); break;
    case TObjectKind::Table:
    case TObjectKind::View: fieldFrom = of("RDB$RELATION_FIELDS", "RDB$RELATION_NAME", ""); break;
    case TObjectKind::Procedure:
      fieldFrom = of("RDB$PROCEDURE_PARAMETERS", "RDB$PROCEDURE_NAME", " AND o.RDB$PACKAGE_NAME IS NULL");
      break;
    case TObjectKind::Function:
      fieldFrom = of("RDB$FUNCTION_ARGUMENTS", "RDB$FUNCTION_NAME", " AND o.RDB$PACKAGE_NAME IS NULL");
      break;
    default: fieldFrom += QStringLiteral(" AND 1 = 0");
    }
  }
  for (const auto &r :
       Rows(QStringLiteral("SELECT f.RDB$FIELD_NAME, f.RDB$FIELD_TYPE, f.RDB$FIELD_SUB_TYPE, f.RDB$FIELD_LENGTH, "
                           "f.RDB$CHARACTER_LENGTH, f.RDB$FIELD_SCALE, f.RDB$FIELD_PRECISION, f.RDB$CHARACTER_SET_ID, "
                           "f.RDB$COLLATION_ID, f.RDB$SEGMENT_LENGTH, f.RDB$NULL_FLAG, f.RDB$DEFAULT_SOURCE, "
                           "f.RDB$VALIDATION_SOURCE, f.RDB$COMPUTED_SOURCE, f.RDB$DESCRIPTION ") +
            fieldFrom)) {
    const QString name = Str(r[0]);
    if (c.Fields.contains(name)) continue;  // two parameters of one domain
    TField f;
    f.Type.Type = Int(r[1]);
    f.Type.SubType = Int(r[2]);
    f.Type.Length = Int(r[3]);
    f.Type.CharLength = Int(r[4]);
    f.Type.Scale = Int(r[5]);
    f.Type.Precision = Int(r[6]);
    f.CharsetId = Int(r[7], -1);
    f.CollationId = Int(r[8]);
    f.Type.SegmentLength = Int(r[9]);
    f.NotNull = Int(r[10]) == 1;
    f.Default = Str(r[11]).trimmed();
    f.Check = Str(r[12]).trimmed();
    f.Computed = Str(r[13]).trimmed();
    f.Description = Str(r[14]);
    if (f.CharsetId >= 0) f.Type.CharacterSet = c.CharsetNames.value(f.CharsetId);
    if (UserName(name)) c.Domains << name;
    c.Fields.insert(name, f);
  }
  for (const auto &r : Rows(QStringLiteral("SELECT RDB$FIELD_NAME, RDB$LOWER_BOUND, RDB$UPPER_BOUND "
                                           "FROM RDB$FIELD_DIMENSIONS ORDER BY RDB$FIELD_NAME, RDB$DIMENSION"))) {
    auto it = c.Fields.find(Str(r[0]));
    if (it != c.Fields.end()) it->Type.Dimensions << qMakePair(Int(r[1]), Int(r[2]));
  }

  if (F.Relation()) {
    const QString where = WhereRelation("RDB$RELATION_NAME");
    QHash<QString, int> at;
    for (const auto &r :
         Rows(QStringLiteral(
                  "SELECT RDB$RELATION_NAME, RDB$VIEW_SOURCE, RDB$RELATION_TYPE, RDB$EXTERNAL_FILE, "
                  "RDB$DESCRIPTION, RDB$OWNER_NAME, RDB$VIEW_BLR IS NOT NULL, RDB$RELATION_ID FROM RDB$RELATIONS "
                  "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0") +
              where)) {
      TRelation rel;
      rel.Name = Str(r[0]);
      rel.ViewSource = Str(r[1]).trimmed();
      rel.Type = Int(r[2]);
      rel.ExternalFile = Str(r[3]);
      rel.Description = Str(r[4]);
      rel.Owner = Str(r[5]);
      rel.View = Int(r[6]) != 0;
      rel.Id = r[7].toLongLong();
      at[rel.Name] = c.Relations.size();
      c.Relations << rel;
    }
    for (const auto &r :
         Rows(QStringLiteral("SELECT rf.RDB$RELATION_NAME, rf.RDB$FIELD_NAME, rf.RDB$FIELD_SOURCE, rf.RDB$NULL_FLAG, "
                             "rf.RDB$DEFAULT_SOURCE, rf.RDB$COLLATION_ID, rf.RDB$IDENTITY_TYPE, g.RDB$INITIAL_VALUE, "
                             "rf.RDB$DESCRIPTION, rf.RDB$GENERATOR_NAME FROM RDB$RELATION_FIELDS rf "
                             "LEFT JOIN RDB$GENERATORS g ON g.RDB$GENERATOR_NAME = rf.RDB$GENERATOR_NAME "
                             "WHERE COALESCE(rf.RDB$SYSTEM_FLAG, 0) = 0") +
              WhereRelation("rf.RDB$RELATION_NAME") +
              QStringLiteral(" ORDER BY rf.RDB$RELATION_NAME, rf.RDB$FIELD_POSITION, rf.RDB$FIELD_NAME"))) {
      const auto rel = at.find(Str(r[0]));
      if (rel == at.end()) continue;
      TColumn col;
      col.Name = Str(r[1]);
      col.Source = Str(r[2]);
      col.NotNull = Int(r[3]) == 1;
      col.Default = Str(r[4]).trimmed();
      col.CollationId = Int(r[5], -1);
      col.Identity = !r[6].isNull();
      col.IdentityStart = r[7].toLongLong();
      col.Description = Str(r[8]);
      col.IdentityGenerator = Str(r[9]);
      c.Relations[*rel].Columns << col;
    }
    if (O.GeneratorValues) {
      QList<TColumn *> identities;
      QStringList generators;
      for (TRelation &rel : c.Relations)
        for (TColumn &col : rel.Columns)
          if (col.Identity && !col.IdentityGenerator.isEmpty()) {
            identities << &col;
            generators << col.IdentityGenerator;
          }
      const QStringList values = CurrentValues(generators, c.Dialect);
      for (qsizetype i = 0; i < identities.size() && i < values.size(); ++i)
        identities[i]->IdentityValue = values[i];
    }
    for (const auto &r :
         Rows(QStringLiteral("SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, i.RDB$UNIQUE_FLAG, i.RDB$INDEX_TYPE, "
                             "i.RDB$INDEX_INACTIVE, i.RDB$EXPRESSION_SOURCE, i.RDB$FOREIGN_KEY, i.RDB$DESCRIPTION "
                             "FROM RDB$INDICES i WHERE COALESCE(i.RDB$SYSTEM_FLAG, 0) = 0") +
              (F.All ? QString()
                     : (FParams << F.Name << F.Name,
                        QStringLiteral(" AND (i.RDB$RELATION_NAME = ? OR i.RDB$INDEX_NAME IN (SELECT "
                                       "f.RDB$FOREIGN_KEY FROM RDB$INDICES f WHERE f.RDB$RELATION_NAME = ?))"))))) {
      TIndex ix;
      ix.Name = Str(r[0]);
      ix.Relation = Str(r[1]);
      ix.Unique = Int(r[2]) == 1;
      ix.Descending = Int(r[3]) == 1;
      ix.Inactive = Int(r[4]) == 1;
      ix.Expression = Str(r[5]).trimmed();
      ix.ForeignKey = Str(r[6]);
      ix.Description = Str(r[7]);
      c.IndexByName[ix.Name] = c.Indices.size();
      c.Indices << ix;
    }
    for (const auto &r : Rows(QStringLiteral("SELECT RDB$INDEX_NAME, RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS "
                                             "ORDER BY RDB$INDEX_NAME, RDB$FIELD_POSITION"))) {
      const auto ix = c.IndexByName.find(Str(r[0]));
      if (ix != c.IndexByName.end()) c.Indices[*ix].Segments << Str(r[1]);
    }
    for (const auto &r :
         Rows(QStringLiteral(
                  "SELECT rc.RDB$CONSTRAINT_NAME, rc.RDB$CONSTRAINT_TYPE, rc.RDB$RELATION_NAME, rc.RDB$INDEX_NAME, "
                  "ref.RDB$UPDATE_RULE, ref.RDB$DELETE_RULE, "
                  "(SELECT FIRST 1 t.RDB$TRIGGER_SOURCE FROM RDB$CHECK_CONSTRAINTS cc JOIN RDB$TRIGGERS t ON "
                  "t.RDB$TRIGGER_NAME = cc.RDB$TRIGGER_NAME WHERE cc.RDB$CONSTRAINT_NAME = rc.RDB$CONSTRAINT_NAME "
                  "AND rc.RDB$CONSTRAINT_TYPE = 'CHECK' ORDER BY t.RDB$TRIGGER_TYPE), "
                  "(SELECT MIN(cc.RDB$TRIGGER_NAME) FROM RDB$CHECK_CONSTRAINTS cc "
                  "WHERE cc.RDB$CONSTRAINT_NAME = rc.RDB$CONSTRAINT_NAME AND rc.RDB$CONSTRAINT_TYPE = 'CHECK') "
                  "FROM RDB$RELATION_CONSTRAINTS rc "
                  "LEFT JOIN RDB$REF_CONSTRAINTS ref ON ref.RDB$CONSTRAINT_NAME = rc.RDB$CONSTRAINT_NAME "
                  "WHERE rc.RDB$CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE', 'FOREIGN KEY', 'CHECK') "
                  "AND EXISTS (SELECT 1 FROM RDB$RELATIONS r WHERE r.RDB$RELATION_NAME = rc.RDB$RELATION_NAME "
                  "AND COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0)") +
              WhereRelation("rc.RDB$RELATION_NAME"))) {
      TConstraint k;
      k.Name = Str(r[0]);
      k.Type = Str(r[1]);
      k.Relation = Str(r[2]);
      k.Index = Str(r[3]);
      k.UpdateRule = Str(r[4]);
      k.DeleteRule = Str(r[5]);
      k.Check = Str(r[6]).trimmed();
      k.Order = Str(r[7]).section(QLatin1Char('_'), -1).toLongLong();
      c.Constraints << k;
    }
  }

  if (F.Is(TObjectKind::Procedure))
    Routines(TObjectKind::Procedure, "RDB$PROCEDURE_NAME",
             QStringLiteral("SELECT RDB$PROCEDURE_NAME, RDB$PROCEDURE_SOURCE, RDB$PROCEDURE_TYPE, RDB$DESCRIPTION, "
                            "RDB$ENGINE_NAME, RDB$ENTRYPOINT, RDB$OWNER_NAME, RDB$PROCEDURE_ID FROM RDB$PROCEDURES "
                            "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$PACKAGE_NAME IS NULL"),
             QStringLiteral("SELECT RDB$PROCEDURE_NAME, RDB$PARAMETER_TYPE, RDB$PARAMETER_NAME, RDB$FIELD_SOURCE, "
                            "RDB$PARAMETER_MECHANISM, RDB$RELATION_NAME, RDB$FIELD_NAME, RDB$NULL_FLAG, "
                            "RDB$DEFAULT_SOURCE, RDB$COLLATION_ID, RDB$DESCRIPTION FROM RDB$PROCEDURE_PARAMETERS "
                            "WHERE RDB$PACKAGE_NAME IS NULL"),
             QStringLiteral(" ORDER BY RDB$PROCEDURE_NAME, RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER"), c.Procedures);
  if (F.Is(TObjectKind::Function))
    Routines(TObjectKind::Function, "RDB$FUNCTION_NAME",
             QStringLiteral("SELECT RDB$FUNCTION_NAME, RDB$FUNCTION_SOURCE, RDB$DETERMINISTIC_FLAG, RDB$DESCRIPTION, "
                            "RDB$ENGINE_NAME, RDB$ENTRYPOINT, RDB$OWNER_NAME, RDB$FUNCTION_ID FROM RDB$FUNCTIONS "
                            "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$PACKAGE_NAME IS NULL "
                            "AND COALESCE(RDB$LEGACY_FLAG, 0) = 0"),
             QStringLiteral("SELECT RDB$FUNCTION_NAME, RDB$ARGUMENT_POSITION, RDB$ARGUMENT_NAME, RDB$FIELD_SOURCE, "
                            "RDB$ARGUMENT_MECHANISM, RDB$RELATION_NAME, RDB$FIELD_NAME, RDB$NULL_FLAG, "
                            "RDB$DEFAULT_SOURCE, RDB$COLLATION_ID, RDB$DESCRIPTION FROM RDB$FUNCTION_ARGUMENTS "
                            "WHERE RDB$PACKAGE_NAME IS NULL"),
             QStringLiteral(" ORDER BY RDB$FUNCTION_NAME, RDB$ARGUMENT_POSITION"), c.Functions);
  if (F.Is(TObjectKind::Package)) {
    for (const auto &r :
         Rows(QStringLiteral(
                  "SELECT RDB$PACKAGE_NAME, RDB$PACKAGE_HEADER_SOURCE, RDB$PACKAGE_BODY_SOURCE, "
                  "RDB$DESCRIPTION, RDB$OWNER_NAME FROM RDB$PACKAGES WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0") +
              Where(TObjectKind::Package, "RDB$PACKAGE_NAME")))
      c.Packages << TPackage{Str(r[0]), Str(r[1]).trimmed(), Str(r[2]).trimmed(), Str(r[3]), Str(r[4])};
  }
  if (F.Is(TObjectKind::Trigger)) {
    for (const auto &r :
         Rows(QStringLiteral("SELECT t.RDB$TRIGGER_NAME, t.RDB$RELATION_NAME, t.RDB$TRIGGER_SEQUENCE, "
                             "t.RDB$TRIGGER_TYPE, t.RDB$TRIGGER_SOURCE, t.RDB$TRIGGER_INACTIVE, t.RDB$DESCRIPTION, "
                             "t.RDB$ENGINE_NAME, t.RDB$ENTRYPOINT FROM RDB$TRIGGERS t "
                             "WHERE COALESCE(t.RDB$SYSTEM_FLAG, 0) = 0 AND NOT EXISTS (SELECT 1 FROM "
                             "RDB$CHECK_CONSTRAINTS cc WHERE cc.RDB$TRIGGER_NAME = t.RDB$TRIGGER_NAME)") +
              Where(TObjectKind::Trigger, "t.RDB$TRIGGER_NAME"))) {
      TTrigger t;
      t.Name = Str(r[0]);
      t.Relation = Str(r[1]);
      t.Position = Int(r[2]);
      t.Type = r[3].toLongLong();
      t.Source = Str(r[4]).trimmed();
      t.Inactive = Int(r[5]) == 1;
      t.Description = Str(r[6]);
      t.Engine = Str(r[7]);
      t.EntryPoint = Str(r[8]);
      c.Triggers << t;
    }
  }
  if (F.Is(TObjectKind::Generator)) {
    for (const auto &r :
         Rows(QStringLiteral("SELECT RDB$GENERATOR_NAME, RDB$INITIAL_VALUE, RDB$GENERATOR_INCREMENT, RDB$DESCRIPTION, "
                             "RDB$OWNER_NAME FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0") +
              Where(TObjectKind::Generator, "RDB$GENERATOR_NAME"))) {
      TNamed g;
      g.Name = Str(r[0]);
      g.A = r[1].toLongLong();
      g.B = r[2].isNull() ? 1 : r[2].toLongLong();
      g.Description = Str(r[3]);
      g.Owner = Str(r[4]);
      c.Generators << g;
    }
    if (O.GeneratorValues) {
      QStringList names;
      for (const TNamed &g : c.Generators)
        names << g.Name;
      const QStringList values = CurrentValues(names, c.Dialect);
      for (qsizetype i = 0; i < values.size(); ++i)
        c.Generators[i].Text = values[i];
    }
  }
  if (F.Is(TObjectKind::Exception)) {
    for (const auto &r : Rows(QStringLiteral("SELECT RDB$EXCEPTION_NAME, RDB$MESSAGE, RDB$DESCRIPTION, RDB$OWNER_NAME "
                                             "FROM RDB$EXCEPTIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0") +
                              Where(TObjectKind::Exception, "RDB$EXCEPTION_NAME"))) {
      TNamed e;
      e.Name = Str(r[0]);
      e.Text = Str(r[1]);
      e.Description = Str(r[2]);
      e.Owner = Str(r[3]);
      c.Exceptions << e;
    }
  }
  if (F.Is(TObjectKind::Role)) {
    for (const auto &r : Rows(QStringLiteral("SELECT RDB$ROLE_NAME, RDB$DESCRIPTION, RDB$OWNER_NAME FROM RDB$ROLES "
                                             "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0") +
                              Where(TObjectKind::Role, "RDB$ROLE_NAME"))) {
      TNamed role;
      role.Name = Str(r[0]);
      role.Description = Str(r[1]);
      role.Owner = Str(r[2]);
      c.Roles << role;
    }
  }
  if (F.All) {
    for (const auto &r :
         Rows(QStringLiteral("SELECT RDB$USER, RDB$USER_TYPE, RDB$PRIVILEGE, RDB$GRANT_OPTION, RDB$RELATION_NAME, "
                             "RDB$FIELD_NAME, RDB$OBJECT_TYPE FROM RDB$USER_PRIVILEGES"))) {
      TPrivilege p;
      p.User = Str(r[0]);
      p.UserType = Int(r[1]);
      p.Privilege = Str(r[2]);
      p.GrantOption = Int(r[3]) != 0;
      p.Object = Str(r[4]);
      p.Field = Str(r[5]);
      p.ObjectType = Int(r[6]);
      c.Privileges << p;
    }
    for (const auto &r : Rows(QStringLiteral(
             "SELECT RDB$DEPENDENT_NAME, RDB$DEPENDENT_TYPE, RDB$DEPENDED_ON_NAME, RDB$DEPENDED_ON_TYPE, "
             "RDB$PACKAGE_NAME FROM RDB$DEPENDENCIES WHERE RDB$DEPENDENT_TYPE IN (1, 3, 4, 5, 15, 18, 19)")))
      c.Dependencies << TDependency{Str(r[0]), Str(r[2]), Str(r[4]), Int(r[1]), Int(r[3])};
  }
  return c;
}

// ---- Writing it ------------------------------------------------------------------------------

struct TStatement {
  QString Text;
  bool Procedural = false;  // needs the SET TERM terminator
};

class TWriter {
public:
  explicit TWriter(const TCatalog &catalog) : C(catalog) {}

  QString Name(const QString &name) const { return QuoteIdentifier(name, C.Dialect); }
  QString Literal(const QString &text) const { return StringLiteral(text, C.Dialect); }
  QString Collation(int charset, int collation) const {
    return C.CollationNames.value((qlonglong(charset) << 16) | collation);
  }
  // " COLLATE x" when the collation is not what the character set gives by default.
  QString CollateClause(int charset, int collation) const {
    if (charset < 0) return {};
    const QString name = Collation(charset, collation);
    if (name.isEmpty() || name == C.CharsetDefaults.value(charset)) return {};
    return QStringLiteral(" COLLATE ") + Name(name);
  }
  QString TypeText(const TField &f) const { return FieldTypeText(f.Type, C.Dialect, C.Charset); }

  // withCheck false leaves the CHECK out, for one that reads tables not made yet.
  QString Domain(const QString &name, bool withCheck = true) const;
  QString ColumnText(const TColumn &col) const;
  QString ParameterText(const TColumn &p) const;
  QString Table(const TRelation &r) const;
  QString View(const TRelation &r) const;
  QString Procedure(const TRoutine &p, const char *verb, bool stub) const;
  QString Function(const TRoutine &f, const char *verb, bool stub) const;
  QString Trigger(const TTrigger &t) const;
  QList<TStatement> Constraints(const QString &relation, bool keys, bool foreign, bool checks) const;
  QList<TStatement> Indices(const QString &relation) const;
  QList<TStatement> Comments(const QString &kind, const QString &name, const QString &description) const;
  QList<TStatement> RelationComments(const TRelation &r) const;
  QList<TStatement> RoutineComments(const TRoutine &p, bool procedure) const;
  QList<TStatement> Grants() const;
  QString Generator(const TNamed &g) const {
    QString s = QStringLiteral("CREATE GENERATOR %1").arg(Name(g.Name));
    if (g.A != 0) s += QStringLiteral(" START WITH %1").arg(g.A);
    if (g.B != 1) s += QStringLiteral(" INCREMENT BY %1").arg(g.B);
    return s;
  }
  QString CollationText(const TNamed &n) const {
    QString s = QStringLiteral("CREATE COLLATION %1 FOR %2").arg(Name(n.Name), Name(C.CharsetNames.value(n.CharsetId)));
    if (!n.Base.isEmpty()) s += QStringLiteral(" FROM EXTERNAL (%1)").arg(Literal(n.Base));
    s += (n.A & 1) ? QStringLiteral(" PAD SPACE") : QStringLiteral(" NO PAD");
    if (n.A & 2) s += QStringLiteral(" CASE INSENSITIVE");
    if (n.A & 4) s += QStringLiteral(" ACCENT INSENSITIVE");
    if (!n.Attributes.isEmpty()) s += QLatin1Char(' ') + Literal(n.Attributes);
    return s;
  }

  const TCatalog &C;
};

QString TWriter::Domain(const QString &name, bool withCheck) const {
  const TField f = C.Fields.value(name);
  QString s = QStringLiteral("CREATE DOMAIN %1 AS %2").arg(Name(name), TypeText(f));
  if (!f.Default.isEmpty()) s += QLatin1Char(' ') + f.Default;
  if (f.NotNull) s += QStringLiteral(" NOT NULL");
  if (withCheck && !f.Check.isEmpty()) s += QLatin1Char(' ') + f.Check;
  s += CollateClause(f.CharsetId, f.CollationId);
  return s;
}

QString TWriter::ColumnText(const TColumn &col) const {
  const TField f = C.Fields.value(col.Source);
  QString s = Name(col.Name) + QLatin1Char(' ');
  if (!f.Computed.isEmpty()) return s + TypeText(f) + QStringLiteral(" COMPUTED BY ") + f.Computed;
  const bool domain = UserName(col.Source);
  s += domain ? Name(col.Source) : TypeText(f);
  if (col.Identity) {
    s += QStringLiteral(" GENERATED BY DEFAULT AS IDENTITY");
    if (col.IdentityStart != 0) s += QStringLiteral(" (START WITH %1)").arg(col.IdentityStart);
  }
  const QString def = !col.Default.isEmpty() ? col.Default : (domain ? QString() : f.Default);
  if (!def.isEmpty()) s += QLatin1Char(' ') + def;
  if (col.NotNull || (!domain && f.NotNull)) s += QStringLiteral(" NOT NULL");
  if (domain) {
    if (col.CollationId >= 0 && col.CollationId != f.CollationId)
      s += QStringLiteral(" COLLATE ") + Name(Collation(f.CharsetId, col.CollationId));
  } else {
    s += CollateClause(f.CharsetId, col.CollationId >= 0 ? col.CollationId : f.CollationId);
  }
  return s;
}

QString TWriter::ParameterText(const TColumn &p) const {
  const TField f = C.Fields.value(p.Source);
  QString s = p.Name.isEmpty() ? QString() : Name(p.Name) + QLatin1Char(' ');
  const bool domain = UserName(p.Source);
  if (p.TypeOf && !p.OfRelation.isEmpty())
    s += QStringLiteral("TYPE OF COLUMN %1.%2").arg(Name(p.OfRelation), Name(p.OfColumn));
  else if (p.TypeOf)
    s += QStringLiteral("TYPE OF ") + Name(p.Source);
  else
    s += domain ? Name(p.Source) : TypeText(f);
  if (p.NotNull) s += QStringLiteral(" NOT NULL");
  if (!domain && !p.TypeOf)
    s += CollateClause(f.CharsetId, p.CollationId >= 0 ? p.CollationId : f.CollationId);
  else if (p.CollationId >= 0 && p.CollationId != f.CollationId)
    s += QStringLiteral(" COLLATE ") + Name(Collation(f.CharsetId, p.CollationId));
  if (!p.Default.isEmpty()) s += QLatin1Char(' ') + p.Default;
  return s;
}

QString TWriter::Table(const TRelation &r) const {
  QStringList columns;
  for (const TColumn &col : r.Columns)
    columns << QStringLiteral("  ") + ColumnText(col);
  QString s = QString::fromLatin1(r.Type == 4 || r.Type == 5 ? "CREATE GLOBAL TEMPORARY TABLE %1" : "CREATE TABLE %1")
                  .arg(Name(r.Name));
  if (!r.ExternalFile.isEmpty()) s += QStringLiteral(" EXTERNAL FILE ") + Literal(r.ExternalFile);
  s += QStringLiteral(" (\n") + columns.join(QStringLiteral(",\n")) + QStringLiteral(")");
  if (r.Type == 4) s += QStringLiteral(" ON COMMIT PRESERVE ROWS");
  if (r.Type == 5) s += QStringLiteral(" ON COMMIT DELETE ROWS");
  return s;
}

QString TWriter::View(const TRelation &r) const {
  QStringList columns;
  for (const TColumn &col : r.Columns)
    columns << Name(col.Name);
  return QStringLiteral("CREATE VIEW %1 (%2)\nAS\n%3")
      .arg(Name(r.Name), columns.join(QStringLiteral(", ")), r.ViewSource);
}

// The routine's body: its own, a stand-in that compiles (for a stub), or where it lives.
QString Body(const TRoutine &r, bool stub, const QString &stubBody, const TWriter &w) {
  if (!r.Engine.isEmpty())
    return QStringLiteral("EXTERNAL NAME %1 ENGINE %2").arg(w.Literal(r.EntryPoint), w.Name(r.Engine)) +
           (r.Source.trimmed().isEmpty() ? QString() : QStringLiteral("\nAS\n") + r.Source);
  return QStringLiteral("AS\n") + (stub ? stubBody : r.Source);
}

QString TWriter::Procedure(const TRoutine &p, const char *verb, bool stub) const {
  QStringList in, out;
  for (const TColumn &param : p.Parameters)
    (param.Output ? out : in) << QStringLiteral("  ") + ParameterText(param);
  QString s = QStringLiteral("%1 PROCEDURE %2").arg(QLatin1String(verb), Name(p.Name));
  if (!in.isEmpty()) s += QStringLiteral(" (\n") + in.join(QStringLiteral(",\n")) + QLatin1Char(')');
  if (!out.isEmpty()) s += QStringLiteral("\nRETURNS (\n") + out.join(QStringLiteral(",\n")) + QLatin1Char(')');
  const QString stubBody =
      p.ProcedureType == 1 ? QStringLiteral("BEGIN\n  SUSPEND;\nEND") : QStringLiteral("BEGIN\nEND");
  return s + QLatin1Char('\n') + Body(p, stub, stubBody, *this);
}

QString TWriter::Function(const TRoutine &f, const char *verb, bool stub) const {
  QStringList in;
  QString returns;
  for (const TColumn &param : f.Parameters)
    if (param.Name.isEmpty())
      returns = ParameterText(param);
    else
      in << QStringLiteral("  ") + ParameterText(param);
  QString s = QStringLiteral("%1 FUNCTION %2").arg(QLatin1String(verb), Name(f.Name));
  s +=
      in.isEmpty() ? QStringLiteral(" ()") : QStringLiteral(" (\n") + in.join(QStringLiteral(",\n")) + QLatin1Char(')');
  s += QStringLiteral("\nRETURNS ") + returns;
  if (f.Deterministic) s += QStringLiteral(" DETERMINISTIC");
  return s + QLatin1Char('\n') + Body(f, stub, QStringLiteral("BEGIN\n  RETURN NULL;\nEND"), *this);
}

QString TWriter::Trigger(const TTrigger &t) const {
  QString s = QStringLiteral("CREATE TRIGGER %1").arg(Name(t.Name));
  if (!t.Relation.isEmpty()) s += QStringLiteral(" FOR ") + Name(t.Relation);
  s += QStringLiteral("\n%1 %2 POSITION %3\n")
           .arg(QLatin1String(t.Inactive ? "INACTIVE" : "ACTIVE"), TriggerEventText(t.Type))
           .arg(t.Position);
  if (!t.Engine.isEmpty())
    return s + QStringLiteral("EXTERNAL NAME %1 ENGINE %2").arg(Literal(t.EntryPoint), Name(t.Engine));
  if (!t.Source.startsWith(QLatin1String("AS"), Qt::CaseInsensitive)) s += QStringLiteral("AS\n");
  return s + t.Source;
}

// A name the engine made up (INTEG_12, RDB$PRIMARY3): the replay makes its own.
bool EngineConstraintName(const QString &name) { return name.startsWith(QLatin1String("INTEG_")); }

QList<TStatement> TWriter::Constraints(const QString &relation, bool keys, bool foreign, bool checks) const {
  QList<TStatement> out;
  const auto columns = [this](const QStringList &names) {
    QStringList quoted;
    for (const QString &n : names)
      quoted << Name(n);
    return quoted.join(QStringLiteral(", "));
  };
  QList<const TConstraint *> chosen;
  for (const TConstraint &k : C.Constraints) {
    if (!relation.isEmpty() && k.Relation != relation) continue;
    const bool key = k.Type == QLatin1String("PRIMARY KEY") || k.Type == QLatin1String("UNIQUE");
    const bool fk = k.Type == QLatin1String("FOREIGN KEY");
    const bool check = k.Type == QLatin1String("CHECK");
    if ((key && keys) || (fk && foreign) || (check && checks)) chosen << &k;
  }
  // Primary keys before unique ones, then by table and name: the same order on every copy.
  std::stable_sort(chosen.begin(), chosen.end(), [](const TConstraint *a, const TConstraint *b) {
    const bool pa = a->Type == QLatin1String("PRIMARY KEY"), pb = b->Type == QLatin1String("PRIMARY KEY");
    if (pa != pb) return pa;
    if (a->Order != b->Order) return a->Order < b->Order;
    if (a->Relation != b->Relation) return a->Relation < b->Relation;
    return a->Name < b->Name;
  });
  for (const TConstraint *k : chosen) {
    QString s = QStringLiteral("ALTER TABLE %1 ADD ").arg(Name(k->Relation));
    if (!EngineConstraintName(k->Name)) s += QStringLiteral("CONSTRAINT %1 ").arg(Name(k->Name));
    if (k->Type == QLatin1String("CHECK")) {
      out << TStatement{s + k->Check};
      continue;
    }
    const TIndex ix = C.Indices.value(C.IndexByName.value(k->Index, -1));
    s += k->Type + QStringLiteral(" (") + columns(ix.Segments) + QLatin1Char(')');
    if (k->Type == QLatin1String("FOREIGN KEY")) {
      const TIndex ref = C.Indices.value(C.IndexByName.value(ix.ForeignKey, -1));
      s += QStringLiteral(" REFERENCES %1 (%2)").arg(Name(ref.Relation), columns(ref.Segments));
      if (!k->UpdateRule.isEmpty() && k->UpdateRule != QLatin1String("RESTRICT"))
        s += QStringLiteral(" ON UPDATE ") + k->UpdateRule;
      if (!k->DeleteRule.isEmpty() && k->DeleteRule != QLatin1String("RESTRICT"))
        s += QStringLiteral(" ON DELETE ") + k->DeleteRule;
    }
    // The index keeps a name of its own only when it was given one.
    const bool ownName = !ix.Name.startsWith(QLatin1String("RDB$")) && ix.Name != k->Name;
    if (ownName || (ix.Descending && !ix.Name.startsWith(QLatin1String("RDB$"))))
      s += QStringLiteral(" USING %1INDEX %2").arg(QLatin1String(ix.Descending ? "DESC " : ""), Name(ix.Name));
    out << TStatement{s};
  }
  return out;
}

QList<TStatement> TWriter::Indices(const QString &relation) const {
  QSet<QString> ofConstraints;
  for (const TConstraint &k : C.Constraints)
    if (!k.Index.isEmpty()) ofConstraints << k.Index;
  QList<const TIndex *> chosen;
  for (const TIndex &ix : C.Indices)
    if ((relation.isEmpty() || ix.Relation == relation) && !ofConstraints.contains(ix.Name) &&
        !ix.Name.startsWith(QLatin1String("RDB$")))
      chosen << &ix;
  std::sort(chosen.begin(), chosen.end(), [](const TIndex *a, const TIndex *b) { return a->Name < b->Name; });
  QList<TStatement> out;
  for (const TIndex *ix : chosen) {
    QString s = QStringLiteral("CREATE %1%2INDEX %3 ON %4")
                    .arg(QLatin1String(ix->Unique ? "UNIQUE " : ""), QLatin1String(ix->Descending ? "DESCENDING " : ""),
                         Name(ix->Name), Name(ix->Relation));
    if (!ix->Expression.isEmpty()) {
      s += QStringLiteral(" COMPUTED BY ") + ix->Expression;
    } else {
      QStringList cols;
      for (const QString &n : ix->Segments)
        cols << Name(n);
      s += QStringLiteral(" (") + cols.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    out << TStatement{s};
    if (ix->Inactive) out << TStatement{QStringLiteral("ALTER INDEX %1 INACTIVE").arg(Name(ix->Name))};
    out << Comments(QStringLiteral("INDEX"), ix->Name, ix->Description);
  }
  return out;
}

QList<TStatement> TWriter::Comments(const QString &kind, const QString &name, const QString &description) const {
  if (description.isEmpty()) return {};
  return {TStatement{QStringLiteral("COMMENT ON %1 %2 IS %3").arg(kind, Name(name), Literal(description))}};
}

QList<TStatement> TWriter::RelationComments(const TRelation &r) const {
  QList<TStatement> out = Comments(QLatin1String(r.View ? "VIEW" : "TABLE"), r.Name, r.Description);
  for (const TColumn &col : r.Columns)
    if (!col.Description.isEmpty())
      out << TStatement{
          QStringLiteral("COMMENT ON COLUMN %1.%2 IS %3").arg(Name(r.Name), Name(col.Name), Literal(col.Description))};
  return out;
}

QList<TStatement> TWriter::RoutineComments(const TRoutine &p, bool procedure) const {
  QList<TStatement> out = Comments(QLatin1String(procedure ? "PROCEDURE" : "FUNCTION"), p.Name, p.Description);
  if (procedure)
    for (const TColumn &param : p.Parameters)
      if (!param.Description.isEmpty())
        out << TStatement{QStringLiteral("COMMENT ON PARAMETER %1.%2 IS %3")
                              .arg(Name(p.Name), Name(param.Name), Literal(param.Description))};
  return out;
}

QList<TStatement> TWriter::Grants() const {
  // The objects this script creates, with their owners: what their owners hold of them comes
  // with creating them.
  QHash<QString, QString> owners;  // "type:name" -> owner
  for (const TRelation &r : C.Relations)
    owners[QStringLiteral("0:") + r.Name] = r.Owner;
  for (const TRoutine &p : C.Procedures)
    owners[QStringLiteral("5:") + p.Name] = p.Owner;
  for (const TRoutine &f : C.Functions)
    owners[QStringLiteral("15:") + f.Name] = f.Owner;
  for (const TPackage &p : C.Packages)
    owners[QStringLiteral("18:") + p.Name] = p.Owner;
  for (const TNamed &r : C.Roles)
    owners[QStringLiteral("13:") + r.Name] = r.Owner;
  for (const TNamed &g : C.Generators)
    owners[QStringLiteral("14:") + g.Name] = g.Owner;
  for (const TNamed &e : C.Exceptions)
    owners[QStringLiteral("7:") + e.Name] = e.Owner;

  struct TKey {
    QString object, user;
    int objectType, userType;
    bool option;
    bool operator<(const TKey &o) const {
      return std::tie(objectType, object, userType, user, option) <
             std::tie(o.objectType, o.object, o.userType, o.user, o.option);
    }
  };
  std::map<TKey, QStringList> grants;
  static const QString order = QStringLiteral("SIUDRXGM");
  for (const TPrivilege &p : C.Privileges) {
    const int type = p.ObjectType == 1 ? 0 : p.ObjectType;
    const auto owner = owners.find(QString::number(type) + QLatin1Char(':') + p.Object);
    if (owner == owners.end()) continue;
    if (p.UserType == 8 && p.User == *owner) continue;
    if (!order.contains(p.Privilege)) continue;
    QString what;
    switch (p.Privilege.at(0).unicode()) {
    case 'S': what = QStringLiteral("SELECT"); break;
    case 'I': what = QStringLiteral("INSERT"); break;
    case 'U': what = QStringLiteral("UPDATE"); break;
    case 'D': what = QStringLiteral("DELETE"); break;
    case 'R': what = QStringLiteral("REFERENCES"); break;
    case 'X': what = QStringLiteral("EXECUTE"); break;
    case 'G': what = QStringLiteral("USAGE"); break;
    default: what = QStringLiteral("M");
    }
    if (!p.Field.isEmpty()) what += QStringLiteral(" (%1)").arg(Name(p.Field));
    grants[TKey{p.Object, p.User, type, p.UserType, p.GrantOption}] << what;
  }
  QList<TStatement> out;
  for (const auto &[k, list] : grants) {
    QStringList what = list;
    // Column privileges of one kind go together: UPDATE (A, B).
    QMap<QString, QStringList> columns;
    QStringList whole;
    for (const QString &w : what) {
      const qsizetype paren = w.indexOf(QStringLiteral(" ("));
      if (paren < 0)
        whole << w;
      else
        columns[w.left(paren)] << w.mid(paren + 2, w.size() - paren - 3);
    }
    std::sort(whole.begin(), whole.end(),
              [](const QString &a, const QString &b) { return order.indexOf(a[0]) < order.indexOf(b[0]); });
    for (auto it = columns.begin(); it != columns.end(); ++it)
      whole << QStringLiteral("%1 (%2)").arg(it.key(), it.value().join(QStringLiteral(", ")));
    QString to;
    switch (k.userType) {
    case 1: to = QStringLiteral("VIEW "); break;
    case 2: to = QStringLiteral("TRIGGER "); break;
    case 5: to = QStringLiteral("PROCEDURE "); break;
    case 13: to = QStringLiteral("ROLE "); break;
    case 15: to = QStringLiteral("FUNCTION "); break;
    case 18: to = QStringLiteral("PACKAGE "); break;
    default: break;
    }
    to += k.user == QLatin1String("PUBLIC") ? k.user : Name(k.user);
    QString s;
    if (k.objectType == 13) {
      s = QStringLiteral("GRANT %1 TO %2").arg(Name(k.object), to);
      if (k.option) s += QStringLiteral(" WITH ADMIN OPTION");
    } else {
      QString on;
      switch (k.objectType) {
      case 5: on = QStringLiteral("PROCEDURE "); break;
      case 15: on = QStringLiteral("FUNCTION "); break;
      case 18: on = QStringLiteral("PACKAGE "); break;
      case 14: on = QStringLiteral("SEQUENCE "); break;
      case 7: on = QStringLiteral("EXCEPTION "); break;
      default: break;
      }
      s = QStringLiteral("GRANT %1 ON %2%3 TO %4").arg(whole.join(QStringLiteral(", ")), on, Name(k.object), to);
      if (k.option) s += QStringLiteral(" WITH GRANT OPTION");
    }
    out << TStatement{s};
  }
  return out;
}

// ---- The order that replays ------------------------------------------------------------------

// Tables, views, routines and packages, each created once everything it reads exists. Where
// routines depend on each other in a circle, one of them is first created as a stub with its
// real parameters and altered to its body once the rest is there.
class TOrder {
public:
  enum Kind { Table, PackageHeader, Function, Procedure, View, PackageBody };
  struct TNode {
    Kind kind;
    QString name;
    int index;        // in its list of the catalog
    qlonglong order;  // the creation order within its kind
  };

  explicit TOrder(const TCatalog &c) {
    for (int i = 0; i < c.Relations.size(); ++i)
      Add(c.Relations[i].View ? View : Table, c.Relations[i].Name, i, c.Relations[i].Id);
    for (int i = 0; i < c.Functions.size(); ++i)
      Add(Function, c.Functions[i].Name, i, c.Functions[i].Id);
    for (int i = 0; i < c.Procedures.size(); ++i)
      Add(Procedure, c.Procedures[i].Name, i, c.Procedures[i].Id);
    for (int i = 0; i < c.Packages.size(); ++i) {
      Add(PackageHeader, c.Packages[i].Name, i, 0);
      if (!c.Packages[i].Body.isEmpty()) {
        Add(PackageBody, c.Packages[i].Name, i, 0);
        Depend(Key(PackageBody, c.Packages[i].Name), Key(PackageHeader, c.Packages[i].Name));
      }
    }
    // A column's engine domain stands for its relation.
    QHash<QString, QString> relationOfField;
    for (const TRelation &r : c.Relations)
      for (const TColumn &col : r.Columns)
        if (!UserName(col.Source)) relationOfField[col.Source] = r.Name;
    for (const TDependency &d : c.Dependencies) {
      QString from;
      switch (d.DependentType) {
      case 1: from = Key(View, d.Dependent); break;
      case 3: {
        const QString rel = relationOfField.value(d.Dependent);
        if (rel.isEmpty()) continue;
        from = FindRelation(rel);
        break;
      }
      case 5: from = Key(Procedure, d.Dependent); break;
      case 15: from = Key(Function, d.Dependent); break;
      case 18: from = Key(PackageHeader, d.Dependent); break;
      case 19: from = Key(PackageBody, d.Dependent); break;
      default: continue;
      }
      QString to;
      if (!d.Package.isEmpty() && (d.DependedOnType == 5 || d.DependedOnType == 15 || d.DependedOnType == 18))
        to = Key(PackageHeader, d.Package);
      else
        switch (d.DependedOnType) {
        case 0:
        case 1: to = FindRelation(d.DependedOn); break;
        case 5: to = Key(Procedure, d.DependedOn); break;
        case 15: to = Key(Function, d.DependedOn); break;
        case 18: to = Key(PackageHeader, d.DependedOn); break;
        default: continue;
        }
      Depend(from, to);
    }
  }

  struct TStep {
    TNode node;
    bool stub = false;     // the stub ahead of a circle
    bool altered = false;  // the body of a stubbed routine
  };
  QList<TStep> Steps() {
    QList<TStep> out;
    // Ready ones by kind, then in the order they were created: a copy made from the script has
    // them created in the script's order, so its script comes out the same.
    std::set<std::tuple<int, qlonglong, QString>> ready;
    QHash<QString, int> waiting;
    for (auto it = FNodes.begin(); it != FNodes.end(); ++it) {
      int n = 0;
      for (const QString &d : FNeeds.value(it.key()))
        if (FNodes.contains(d)) ++n;
      waiting[it.key()] = n;
      if (n == 0) ready.insert({it->kind, it->order, it.key()});
    }
    QSet<QString> stubbed, done;
    const auto provide = [&](const QString &key) {
      for (const QString &user : FUsers.value(key))
        if (--waiting[user] == 0 && !done.contains(user)) ready.insert({FNodes[user].kind, FNodes[user].order, user});
    };
    while (done.size() < FNodes.size()) {
      if (ready.empty()) {
        // A circle: stub the first routine still waiting.
        QString pick;
        for (auto it = FNodes.begin(); it != FNodes.end(); ++it)
          if (!done.contains(it.key()) && !stubbed.contains(it.key()) &&
              (it->kind == Procedure || it->kind == Function) && (pick.isEmpty() || it.key() < pick))
            pick = it.key();
        if (pick.isEmpty()) {
          // Nothing can be stubbed (tables and views in a circle): write the rest as they are.
          for (auto it = FNodes.begin(); it != FNodes.end(); ++it)
            if (!done.contains(it.key())) {
              done << it.key();
              out << TStep{*it};
            }
          break;
        }
        stubbed << pick;
        out << TStep{FNodes[pick], true};
        provide(pick);
        continue;
      }
      const QString key = std::get<2>(*ready.begin());
      ready.erase(ready.begin());
      if (done.contains(key)) continue;
      done << key;
      out << TStep{FNodes[key], false, stubbed.contains(key)};
      if (!stubbed.contains(key)) provide(key);
    }
    return out;
  }

private:
  static QString Key(Kind kind, const QString &name) {
    // Tables and views share one name space.
    return QString::number(kind == View ? Table : kind) + QLatin1Char(':') + name;
  }
  QString FindRelation(const QString &name) const { return Key(Table, name); }
  void Add(Kind kind, const QString &name, int index, qlonglong order) {
    FNodes.insert(Key(kind, name), TNode{kind, name, index, order});
  }
  void Depend(const QString &from, const QString &to) {
    if (from == to || !FNodes.contains(from) || !FNodes.contains(to)) return;
    if (FNeeds[from].contains(to)) return;
    FNeeds[from].insert(to);
    FUsers[to] << from;
  }
  QMap<QString, TNode> FNodes;
  QHash<QString, QSet<QString>> FNeeds;
  QHash<QString, QStringList> FUsers;
};

// ---- The script ------------------------------------------------------------------------------

class TScript {
public:
  void Section(const QString &title) { FPending = QStringLiteral("\n/* %1 */\n").arg(title); }
  void Add(const TStatement &s) {
    if (s.Procedural != FProcedural) Terminator(s.Procedural);
    FOut += FPending;
    FPending.clear();
    FOut += s.Text;
    FStatements << s.Text;
    FOut += s.Procedural ? QStringLiteral("^\n") : QStringLiteral(";\n");
    if (s.Text.contains(QLatin1Char('\n'))) FOut += QLatin1Char('\n');
  }
  void Add(const QList<TStatement> &list) {
    for (const TStatement &s : list)
      Add(s);
  }
  void Raw(const QString &text) { FOut += text; }
  QString Text() {
    if (FProcedural) Terminator(false);
    return FOut;
  }
  const QStringList &Statements() const { return FStatements; }

private:
  // SET TERM, on a line of its own after a blank one.
  void Terminator(bool procedural) {
    if (!FOut.isEmpty() && !FOut.endsWith(QLatin1String("\n\n"))) FOut += QLatin1Char('\n');
    FOut += procedural ? QStringLiteral("SET TERM ^ ;\n") : QStringLiteral("SET TERM ; ^\n");
    FProcedural = procedural;
  }
  QString FOut, FPending;
  QStringList FStatements;
  bool FProcedural = false;
};

template <class T>
QList<const T *> ByName(const QList<T> &list) {
  QList<const T *> out;
  for (const T &x : list)
    out << &x;
  std::sort(out.begin(), out.end(), [](const T *a, const T *b) { return a->Name < b->Name; });
  return out;
}

// The triggers: on relations first, then on the database, then on DDL (last, so that they do
// not fire while the script runs).
QList<const TTrigger *> TriggerOrder(const TCatalog &c) {
  QList<const TTrigger *> out = ByName(c.Triggers);
  const auto rank = [](const TTrigger *t) {
    if (!t->Relation.isEmpty()) return 0;
    return (t->Type & 0x6000) == 0x4000 ? 2 : 1;
  };
  std::stable_sort(out.begin(), out.end(), [&](const TTrigger *a, const TTrigger *b) { return rank(a) < rank(b); });
  return out;
}

QString WholeScript(const TCatalog &c, const TExtractOptions &options) {
  const TWriter w(c);
  TScript s;
  s.Raw(QStringLiteral("SET SQL DIALECT %1;\n\n").arg(c.Dialect));
  const QString collation = c.CharsetDefaults.value(c.CharsetNames.key(c.Charset, -1));
  QString create = QStringLiteral("CREATE DATABASE %1").arg(StringLiteral(c.Path, c.Dialect));
  if (c.PageSize > 0) create += QStringLiteral(" PAGE_SIZE %1").arg(c.PageSize);
  create += QStringLiteral(" DEFAULT CHARACTER SET %1").arg(w.Name(c.Charset));
  if (!collation.isEmpty() && collation != c.Charset) create += QStringLiteral(" COLLATION %1").arg(w.Name(collation));
  s.Raw(QStringLiteral("/* %1; */\n").arg(create));

  s.Section(QStringLiteral("Collations"));
  for (const TNamed *n : ByName(c.Collations))
    s.Add(TStatement{w.CollationText(*n)});
  s.Section(QStringLiteral("Character sets"));
  QStringList charsets(c.CharsetNames.begin(), c.CharsetNames.end());
  charsets.sort();
  for (const QString &cs : charsets) {
    const QString def = c.CharsetDefaults.value(c.CharsetNames.key(cs));
    if (!def.isEmpty() && def != cs)
      s.Add(TStatement{QStringLiteral("ALTER CHARACTER SET %1 SET DEFAULT COLLATION %2").arg(w.Name(cs), w.Name(def))});
  }
  s.Section(QStringLiteral("Roles"));
  for (const TNamed *r : ByName(c.Roles))
    s.Add(TStatement{QStringLiteral("CREATE ROLE %1").arg(w.Name(r->Name))});
  s.Section(QStringLiteral("Domains"));
  // A domain's CHECK that reads tables, views or routines is added once they exist.
  QSet<QString> laterChecks;
  for (const TDependency &d : c.Dependencies)
    if (d.DependentType == 4 && d.DependedOnType != 9) laterChecks << d.Dependent;
  QStringList domains = c.Domains;
  domains.sort();
  for (const QString &d : domains)
    s.Add(TStatement{w.Domain(d, !laterChecks.contains(d))});
  s.Section(QStringLiteral("Generators"));
  for (const TNamed *g : ByName(c.Generators)) {
    s.Add(TStatement{w.Generator(*g)});
    if (options.GeneratorValues && !g->Text.isEmpty())
      s.Add(TStatement{QStringLiteral("SET GENERATOR %1 TO %2").arg(w.Name(g->Name), g->Text)});
  }
  s.Section(QStringLiteral("Exceptions"));
  for (const TNamed *e : ByName(c.Exceptions))
    s.Add(TStatement{QStringLiteral("CREATE EXCEPTION %1 %2").arg(w.Name(e->Name), w.Literal(e->Text))});

  s.Section(QStringLiteral("Tables, views, procedures, functions and packages, each after what it uses"));
  TOrder order(c);
  for (const TOrder::TStep &step : order.Steps()) {
    const int i = step.node.index;
    switch (step.node.kind) {
    case TOrder::Table: s.Add(TStatement{w.Table(c.Relations[i])}); break;
    case TOrder::View: s.Add(TStatement{w.View(c.Relations[i])}); break;
    case TOrder::Procedure:
      s.Add(TStatement{w.Procedure(c.Procedures[i], step.altered ? "ALTER" : "CREATE", step.stub), true});
      break;
    case TOrder::Function:
      s.Add(TStatement{w.Function(c.Functions[i], step.altered ? "ALTER" : "CREATE", step.stub), true});
      break;
    case TOrder::PackageHeader:
      s.Add(TStatement{
          QStringLiteral("CREATE PACKAGE %1\nAS\n%2").arg(w.Name(c.Packages[i].Name), c.Packages[i].Header), true});
      break;
    case TOrder::PackageBody:
      s.Add(TStatement{
          QStringLiteral("CREATE PACKAGE BODY %1\nAS\n%2").arg(w.Name(c.Packages[i].Name), c.Packages[i].Body), true});
      break;
    }
  }
  if (options.GeneratorValues) {
    s.Section(QStringLiteral("Identity values"));
    for (const TRelation *r : ByName(c.Relations))
      for (const TColumn &col : r->Columns)
        if (!col.IdentityValue.isEmpty())
          s.Add(TStatement{QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 RESTART WITH %3")
                               .arg(w.Name(r->Name), w.Name(col.Name), col.IdentityValue)});
  }
  s.Section(QStringLiteral("Primary and unique keys"));
  s.Add(w.Constraints(QString(), true, false, false));
  s.Section(QStringLiteral("Foreign keys"));
  s.Add(w.Constraints(QString(), false, true, false));
  s.Section(QStringLiteral("Checks"));
  for (const QString &d : domains)
    if (laterChecks.contains(d) && !c.Fields.value(d).Check.isEmpty())
      s.Add(TStatement{QStringLiteral("ALTER DOMAIN %1 ADD %2").arg(w.Name(d), c.Fields.value(d).Check)});
  s.Add(w.Constraints(QString(), false, false, true));
  s.Section(QStringLiteral("Indices"));
  s.Add(w.Indices(QString()));
  s.Section(QStringLiteral("Triggers"));
  for (const TTrigger *t : TriggerOrder(c))
    s.Add(TStatement{w.Trigger(*t), true});
  s.Section(QStringLiteral("Grants"));
  s.Add(w.Grants());
  s.Section(QStringLiteral("Comments"));
  if (!c.Description.isEmpty())
    s.Add(TStatement{QStringLiteral("COMMENT ON DATABASE IS %1").arg(w.Literal(c.Description))});
  for (const QString &cs : charsets)
    s.Add(w.Comments(QStringLiteral("CHARACTER SET"), cs, c.CharsetDescriptions.value(cs)));
  for (const TNamed *n : ByName(c.Collations))
    s.Add(w.Comments(QStringLiteral("COLLATION"), n->Name, n->Description));
  for (const TNamed *r : ByName(c.Roles))
    s.Add(w.Comments(QStringLiteral("ROLE"), r->Name, r->Description));
  for (const QString &d : domains)
    s.Add(w.Comments(QStringLiteral("DOMAIN"), d, c.Fields.value(d).Description));
  for (const TNamed *g : ByName(c.Generators))
    s.Add(w.Comments(QStringLiteral("SEQUENCE"), g->Name, g->Description));
  for (const TNamed *e : ByName(c.Exceptions))
    s.Add(w.Comments(QStringLiteral("EXCEPTION"), e->Name, e->Description));
  for (const TRelation *r : ByName(c.Relations))
    s.Add(w.RelationComments(*r));
  for (const TRoutine *p : ByName(c.Procedures))
    s.Add(w.RoutineComments(*p, true));
  for (const TRoutine *f : ByName(c.Functions))
    s.Add(w.RoutineComments(*f, false));
  for (const TPackage *p : ByName(c.Packages))
    s.Add(w.Comments(QStringLiteral("PACKAGE"), p->Name, p->Description));
  for (const TTrigger *t : TriggerOrder(c))
    s.Add(w.Comments(QStringLiteral("TRIGGER"), t->Name, t->Description));
  s.Add(TStatement{QStringLiteral("COMMIT")});
  return s.Text();
}

[[noreturn]] void NotFound(TObjectKind kind, const QString &name) {
  static const char *const kinds[] = {"domain",    "exception", "generator", "trigger", "table", "view",
                                      "procedure", "function",  "package",   "index",   "role",  "collation"};
  throw EDatabaseError(QStringLiteral("There is no %1 %2 in the database").arg(QLatin1String(kinds[int(kind)]), name));
}

TScript OneObject(const TCatalog &c, TObjectKind kind, const QString &name) {
  const TWriter w(c);
  TScript s;
  // The object of that name in list; there being none is an error.
  const auto find = [&](const auto &list) -> const auto & {
    for (const auto &x : list)
      if (x.Name == name) return x;
    NotFound(kind, name);
  };
  switch (kind) {
  case TObjectKind::Domain:
    if (!c.Fields.contains(name)) NotFound(kind, name);
    s.Add(TStatement{w.Domain(name)});
    s.Add(w.Comments(QStringLiteral("DOMAIN"), name, c.Fields.value(name).Description));
    break;
  case TObjectKind::Exception: {
    const auto &e = find(c.Exceptions);
    s.Add(TStatement{QStringLiteral("CREATE EXCEPTION %1 %2").arg(w.Name(e.Name), w.Literal(e.Text))});
    s.Add(w.Comments(QStringLiteral("EXCEPTION"), name, e.Description));
    break;
  }
  case TObjectKind::Generator: {
    const auto &g = find(c.Generators);
    s.Add(TStatement{w.Generator(g)});
    s.Add(w.Comments(QStringLiteral("SEQUENCE"), name, g.Description));
    break;
  }
  case TObjectKind::Trigger: {
    const auto &t = find(c.Triggers);
    s.Add(TStatement{w.Trigger(t), true});
    s.Add(w.Comments(QStringLiteral("TRIGGER"), name, t.Description));
    break;
  }
  case TObjectKind::Table:
  case TObjectKind::View: {
    const TRelation &r = find(c.Relations);
    if (r.View) {
      s.Add(TStatement{w.View(r)});
    } else {
      s.Add(TStatement{w.Table(r)});
      s.Add(w.Constraints(name, true, true, true));
      s.Add(w.Indices(name));
    }
    s.Add(w.RelationComments(r));
    break;
  }
  case TObjectKind::Procedure: {
    const auto &p = find(c.Procedures);
    s.Add(TStatement{w.Procedure(p, "CREATE", false), true});
    s.Add(w.RoutineComments(p, true));
    break;
  }
  case TObjectKind::Function: {
    const auto &f = find(c.Functions);
    s.Add(TStatement{w.Function(f, "CREATE", false), true});
    s.Add(w.RoutineComments(f, false));
    break;
  }
  case TObjectKind::Package: {
    const auto &p = find(c.Packages);
    s.Add(TStatement{QStringLiteral("CREATE PACKAGE %1\nAS\n%2").arg(w.Name(p.Name), p.Header), true});
    if (!p.Body.isEmpty())
      s.Add(TStatement{QStringLiteral("CREATE PACKAGE BODY %1\nAS\n%2").arg(w.Name(p.Name), p.Body), true});
    s.Add(w.Comments(QStringLiteral("PACKAGE"), name, p.Description));
    break;
  }
  case TObjectKind::Index: {
    const TIndex &ix = find(c.Indices);
    // An index of a key or foreign key is made by its constraint.
    bool ofConstraint = false;
    for (const TConstraint &k : c.Constraints)
      if (k.Index == name) {
        TCatalog one = c;
        one.Constraints = {k};
        s.Add(TWriter(one).Constraints(QString(), true, true, false));
        ofConstraint = true;
      }
    if (!ofConstraint) {
      TCatalog one = c;
      one.Indices = {ix};
      one.IndexByName = {{ix.Name, 0}};
      s.Add(TWriter(one).Indices(QString()));
    }
    break;
  }
  case TObjectKind::Role: {
    const auto &r = find(c.Roles);
    s.Add(TStatement{QStringLiteral("CREATE ROLE %1").arg(w.Name(r.Name))});
    s.Add(w.Comments(QStringLiteral("ROLE"), name, r.Description));
    break;
  }
  case TObjectKind::Collation: {
    const auto &n = find(c.Collations);
    s.Add(TStatement{w.CollationText(n)});
    s.Add(w.Comments(QStringLiteral("COLLATION"), name, n.Description));
    break;
  }
  }
  return s;
}

// The session's attachment, opened when closed, and its dialect.
std::pair<isc_db_handle, int> SessionAttachment() {
  TIBDataBase *db = FbSession()->Database();
  db->CheckFree();
  db->PrepareDetached();
  return {db->DatabaseHandle, FbSession()->Dialect()};
}

}  // namespace

namespace {
TScript OneObject(isc_db_handle db, int dialect, TObjectKind kind, const QString &name) {
  TCatalogReader reader(db, dialect);
  TFilter filter;
  filter.All = false;
  filter.Kind = kind;
  filter.Name = name;
  // An index is read with its table.
  if (kind == TObjectKind::Index) {
    const auto rows =
        reader.Rows(QStringLiteral("SELECT RDB$RELATION_NAME FROM RDB$INDICES WHERE RDB$INDEX_NAME = ?"), {name});
    if (rows.isEmpty()) NotFound(kind, name);
    filter.Kind = TObjectKind::Table;
    filter.Name = rows[0][0].toString();
  }
  const TExtractOptions options;
  const TCatalog catalog = TLoader(reader, filter, options).Load();
  return OneObject(catalog, kind, name);
}
}  // namespace

QString ObjectDDL(isc_db_handle db, int dialect, TObjectKind kind, const QString &name) {
  return OneObject(db, dialect, kind, name).Text();
}

QStringList ObjectStatements(isc_db_handle db, int dialect, TObjectKind kind, const QString &name) {
  return OneObject(db, dialect, kind, name).Statements();
}

QString DatabaseDDL(isc_db_handle db, int dialect, const TExtractOptions &options) {
  TCatalogReader reader(db, dialect);
  const TCatalog catalog = TLoader(reader, TFilter{}, options).Load();
  return WholeScript(catalog, options);
}

QString ObjectDDL(TObjectKind kind, const QString &name) {
  const auto [db, dialect] = SessionAttachment();
  return ObjectDDL(db, dialect, kind, name);
}

QStringList ObjectStatements(TObjectKind kind, const QString &name) {
  const auto [db, dialect] = SessionAttachment();
  return ObjectStatements(db, dialect, kind, name);
}

QString DatabaseDDL(const TExtractOptions &options) {
  const auto [db, dialect] = SessionAttachment();
  return DatabaseDDL(db, dialect, options);
}

// ---- On a worker thread ----------------------------------------------------------------------

struct TExtractRun::TClaim {
  explicit TClaim(TIBDataBase *db) : Claim(db, QStringLiteral("extracting metadata")) {}
  TAttachmentClaim Claim;
};

TExtractRun::TExtractRun(TExtractOptions options, QObject *parent) : QObject(parent), FOptions(std::move(options)) {}

TExtractRun::~TExtractRun() {
  disconnect(this, nullptr, nullptr, nullptr);
  FCancel = true;
  if (FPending.valid()) FPending.wait();
  delete FClaim;
}

void TExtractRun::Start() {
  const auto [db, dialect] = SessionAttachment();
  FClaim = new TClaim(FbSession()->Database());
  FCancel = false;
  TExtractOptions options = FOptions;
  options.Progress = [this](int done, int total) {
    QMetaObject::invokeMethod(
        this, [this, done, total] { emit Progress(done, total); }, Qt::QueuedConnection);
    return !FCancel.load();
  };
  FPending = std::async(std::launch::async, [this, db = db, dialect = dialect, options] {
    try {
      FResult = DatabaseDDL(db, dialect, options);
    } catch (const EAbort &) {
      FWasCancelled = true;
    } catch (const std::exception &e) {
      FError = QString::fromUtf8(e.what());
    }
    QMetaObject::invokeMethod(this, &TExtractRun::Collect, Qt::QueuedConnection);
  });
}

void TExtractRun::Collect() {
  if (!FPending.valid()) return;
  FPending.get();
  delete FClaim;
  FClaim = nullptr;
  if (FWasCancelled || FCancel)
    emit Cancelled();
  else if (!FError.isEmpty())
    emit Failed(FError);
  else
    emit Finished(FResult);
}

// The catalog by object kind through the Firebird layer alone, on real dialect-1 and dialect-3
// databases, embedded and over TCP: each kind's list holds the user's objects only, a drop
// quotes the name as the dialect needs and follows the auto-commit policy, and a list read
// again keeps its current row. (What the windows make of it: the window suites.)
#include "drivers/drivers.h"
#include "firebird/domains.h"
#include "firebird/exceptions.h"
#include "firebird/generators.h"
#include "firebird/indices.h"
#include "firebird/procedures.h"
#include "firebird/relations.h"
#include "firebird/session.h"
#include "firebird/triggers.h"
#include "firebird/views.h"
#include "tests/fixtures/catalogwindows.h"
#include "tests/fixtures/session.h"
#include "tests/fixtures/suite.h"

#include <QtTest>
#include <functional>

using fixtures::FbDatabase;

namespace {

struct Kind {
  QString title;
  QString create;         // makes the object %1 (a name as it stands in a statement)
  QString table, column;  // its catalog rows, by name
  QString userRows;       // the condition on those rows of what the list holds
  QString kept;           // a known object no test drops
  std::function<TCatalogList *(QObject *)> list;
  std::function<void(const QString &)> drop;
  QString suffix = {};  // after each odd name: views share their names with tables and procedures
};

const QString kUser = QStringLiteral("COALESCE(RDB$SYSTEM_FLAG, 0) = 0");

const QList<Kind> &Kinds() {
  static const QList<Kind> kinds = {
      {"domain", "CREATE DOMAIN %1 AS INTEGER", "RDB$FIELDS", "RDB$FIELD_NAME", kUser, "D_INT",
       [](QObject *o) { return new TDomainList(o); }, DropDomain},
      {"exception", "CREATE EXCEPTION %1 'odd'", "RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", kUser, "E_SHORT",
       [](QObject *o) { return new TExceptionList(o); }, DropException},
      {"generator", "CREATE GENERATOR %1", "RDB$GENERATORS", "RDB$GENERATOR_NAME", kUser, "G_MASTER",
       [](QObject *o) { return new TGeneratorList(o); }, DropGenerator},
      // The engine's CHECK triggers (flag 3) are listed, its own (flag 1) are not.
      {"trigger", "CREATE TRIGGER %1 FOR T_LOG BEFORE INSERT AS BEGIN END", "RDB$TRIGGERS", "RDB$TRIGGER_NAME",
       "COALESCE(RDB$SYSTEM_FLAG, 0) <> 1", "T_MASTER_AD", [](QObject *o) { return new TTriggerList(o); }, DropTrigger},
      {"procedure", "CREATE PROCEDURE %1 (A INTEGER) RETURNS (B INTEGER) AS BEGIN END", "RDB$PROCEDURES",
       "RDB$PROCEDURE_NAME", kUser, "P_KEPT", [](QObject *o) { return new TProcedureList(o); }, DropProcedure},
      {"view", "CREATE VIEW %1 AS SELECT EVENT FROM T_LOG", "RDB$RELATIONS", "RDB$RELATION_NAME",
       kUser + " AND RDB$VIEW_BLR IS NOT NULL", "V_MASTER_DETAIL", [](QObject *o) { return new TViewList(o); },
       DropView, "_V"},
      // The constraints' own indices are listed too.
      {"index", "CREATE INDEX %1 ON T_LOG (EVENT)", "RDB$INDICES", "RDB$INDEX_NAME", kUser, "I_KEPT",
       [](QObject *o) { return new TIndexList(o); }, DropIndex},
  };
  return kinds;
}

// Catalog names and how a statement writes them; dialect 1 has regular names only.
QList<QPair<QString, QString>> OddNames(int dialect) {
  if (dialect == 1) return {{"PLAIN_ONE", "PLAIN_ONE"}};
  return {{"A B", "\"A B\""},
          {"Say \"hi\"", "\"Say \"\"hi\"\"\""},
          {"MixedCase", "\"MixedCase\""},
          {"ORDER", "\"ORDER\""},
          {" LEAD", "\" LEAD\""}};
}

// A kind's odd names: the catalog's and the statement's.
QList<QPair<QString, QString>> OddNames(const Kind &k, int dialect) {
  QList<QPair<QString, QString>> names;
  for (auto name : OddNames(dialect)) {
    name.first += k.suffix;
    name.second.insert(name.second.endsWith('"') ? name.second.size() - 1 : name.second.size(), k.suffix);
    names << name;
  }
  return names;
}

// A table of columns with the odd names: its name a view cannot take.
QPair<QString, QString> OddTable(int dialect) {
  if (dialect == 1) return {"PLAIN_TABLE", "PLAIN_TABLE"};
  return {" LEAD \"T\"", "\" LEAD \"\"T\"\"\""};
}

// Every kind's odd names, a table of columns with those names, a table with a CHECK
// constraint, whose triggers are the engine's, and the kept objects the known ones lack.
QString OddObjects(int dialect) {
  QString sql = QStringLiteral(
      "CREATE TABLE T_CHECKED (A INTEGER CHECK (A > 0));\n"
      "CREATE PROCEDURE P_KEPT AS BEGIN END;\n"
      "CREATE INDEX I_KEPT ON T_LOG (ITEM_ID);\n");
  QStringList columns;
  for (const Kind &k : Kinds())
    for (const auto &name : OddNames(k, dialect))
      sql += k.create.arg(name.second) + QStringLiteral(";\n");
  for (const auto &name : OddNames(dialect))
    columns << name.second + QStringLiteral(" INTEGER");
  return sql + QStringLiteral("CREATE TABLE %1 (%2);\n").arg(OddTable(dialect).second, columns.join(", "));
}

QStringList Names(TCatalogList *list) {
  QStringList names;
  for (list->First(); !list->Eof(); list->Next())
    names << list->Name();
  return names;
}

}  // namespace

class TestObjects : public QObject {
  Q_OBJECT

  TFbSession *FSession = nullptr;

  FbDatabase Connect(int dialect, bool tcp) {
    const FbDatabase db =
        fixtures::createDatabase(dialect, fixtures::Content::Known,
                                 tcp ? fixtures::Access::Tcp : fixtures::Access::Embedded, OddObjects(dialect));
    fixtures::connectDatabase(FSession->Database(), db);
    return db;
  }

private slots:
  void initTestCase() {
    RegisterDrivers();
    FSession = new TFbSession(this);
  }

  void cleanup() {
    if (FSession->Database()->InTransaction()) FSession->Database()->Rollback();
    FSession->Database()->Close();
  }

  // Each list holds what the catalog holds of its kind for the user, names as the server keeps
  // them (a leading blank included); a relation's fields come in their order.
  void listsUserObjectsOnly_data() { fixtures::addPlaceRows(false); }
  void listsUserObjectsOnly() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(dialect, tcp);
    for (const Kind &k : Kinds()) {
      std::unique_ptr<TCatalogList> list(k.list(nullptr));
      list->Open();
      QStringList listed = Names(list.get()), held;
      for (const QVariantList &row :
           fixtures::query(db, QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(k.column, k.table, k.userRows)))
        held << row.first().toString();
      listed.sort();
      held.sort();
      QCOMPARE(k.title + ": " + listed.join('|'), k.title + ": " + held.join('|'));
      for (const auto &name : OddNames(k, dialect))
        QVERIFY2(listed.contains(name.first), qPrintable(k.title + ": " + name.first));
    }
    TRelationFields fields(nullptr);
    fields.SetRelation(OddTable(dialect).first);
    fields.Open();
    QStringList columns;
    for (const auto &name : OddNames(dialect))
      columns << name.first;
    QCOMPARE(Names(&fields), columns);
  }

  // A drop of the current row's object, its name quoted as the dialect needs: with auto commit
  // on another attachment sees it gone at once, off only after the commit. A list read again
  // no longer holds it and stays on its current row.
  void dropsFollowAutoCommit_data() { fixtures::addPlaceRows(true); }
  void dropsFollowAutoCommit() {
    QFETCH(int, dialect);
    QFETCH(bool, tcp);
    QFETCH(bool, autoCommit);
    if (tcp) REQUIRE_SERVER();
    const FbDatabase db = Connect(dialect, tcp);
    AutoCommit = autoCommit;
    TIBDataBase *database = FSession->Database();
    for (const Kind &k : Kinds()) {
      std::unique_ptr<TCatalogList> list(k.list(nullptr)), other(k.list(nullptr));
      list->Open();
      other->Open();
      QVERIFY(other->Locate(other->NameField->FieldName, k.kept));
      for (const auto &name : OddNames(k, dialect)) {
        const QString where = k.title + ": " + name.first;
        QVERIFY2(list->Locate(list->NameField->FieldName, name.first), qPrintable(where));
        k.drop(list->Name());
        QVERIFY2(database->InTransaction() == !autoCommit, qPrintable(where));
        QVERIFY2(fixtures::catalogCount(db, k.table, k.column, name.first) == (autoCommit ? 0 : 1), qPrintable(where));
        if (!autoCommit) database->Commit();
        QVERIFY2(fixtures::catalogCount(db, k.table, k.column, name.first) == 0, qPrintable(where));
        list->Refresh();
        other->Refresh();
        QVERIFY2(!Names(list.get()).contains(name.first), qPrintable(where));
        QVERIFY2(other->Name() == k.kept, qPrintable(where + ", current " + other->Name()));
      }
    }
  }
};

TESSELOR_TEST_MAIN_GUILESS(TestObjects)
#include "test_objects.moc"

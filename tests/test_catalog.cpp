// The Firebird layer without a database: the texts of catalog codes, quoting and statement filling.
#include "firebird/domains.h"
#include "firebird/names.h"
#include "firebird/relations.h"
#include "firebird/triggers.h"
#include "tests/fixtures/suite.h"

#include <QTest>

class TestCatalog : public QObject {
  Q_OBJECT

private slots:
  void triggerTypes_data() {
    QTest::addColumn<QVariant>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("null") << QVariant() << "";
    QTest::newRow("0") << QVariant(0) << "";
    QTest::newRow("negative") << QVariant(-3) << "";
    QTest::newRow("1") << QVariant(1) << "BEFORE INSERT";
    QTest::newRow("6") << QVariant(6) << "AFTER DELETE";
    QTest::newRow("17") << QVariant(17) << "BEFORE INSERT OR UPDATE";
    QTest::newRow("18") << QVariant(18) << "AFTER INSERT OR UPDATE";
    QTest::newRow("113") << QVariant(113) << "BEFORE INSERT OR UPDATE OR DELETE";
    QTest::newRow("114") << QVariant(114) << "AFTER INSERT OR UPDATE OR DELETE";
    QTest::newRow("25") << QVariant(25) << "BEFORE INSERT OR DELETE";
    QTest::newRow("8192") << QVariant(8192) << "ON CONNECT";
    QTest::newRow("8196") << QVariant(8196) << "ON TRANSACTION ROLLBACK";
    QTest::newRow("8197") << QVariant(8197) << "";
    QTest::newRow("DDL after any") << QVariant(Q_INT64_C(0x7FFFFFFFFFFFDFFF)) << "AFTER ANY DDL STATEMENT";
    QTest::newRow("DDL before create table") << QVariant(16386) << "BEFORE CREATE TABLE";
    QTest::newRow("DDL two") << QVariant(Q_INT64_C(0x800000014001)) << "AFTER CREATE EXCEPTION OR DROP MAPPING";
    QTest::newRow("DDL unknown bit") << QVariant(Q_INT64_C(0x4000) | (Q_INT64_C(1) << 60)) << "";
  }
  void triggerTypes() {
    QFETCH(QVariant, code);
    QFETCH(QString, text);
    QCOMPARE(TriggerTypeName(code), text);
  }

  void otherCodes() {
    QCOMPARE(TriggerActiveName(1), QStringLiteral("INACTIVE"));
    QCOMPARE(TriggerActiveName(QVariant()), QStringLiteral("ACTIVE"));
    QCOMPARE(TriggerActiveName(2), QStringLiteral("ACTIVE"));
    const QStringList deps{
        "Table",     "View",     "Trigger",     "Computed Field", "Validation",    "Procedure",   "Expression Index",
        "Exception", "User",     "Field",       "Index",          "Character Set", "User Group",  "Role",
        "Generator", "Function", "Blob Filter", "Collation",      "Package",       "Package Body"};
    for (int i = 0; i < deps.size(); ++i)
      QCOMPARE(DependencyTypeName(i), deps[i]);
    QCOMPARE(DependencyTypeName(QVariant()), QStringLiteral("Table"));
    QCOMPARE(DependencyTypeName(20), QStringLiteral("N/A"));
    QCOMPARE(DependencyTypeName(-1), QStringLiteral("N/A"));
    // Domain type codes the server never stores for a user's domain.
    for (const QVariant &code : {QVariant(), QVariant(0), QVariant(45)})
      QCOMPARE(DomainTypeName(code), QStringLiteral("UNKNOWN"));
    QCOMPARE(DomainTypeName(9), QStringLiteral("QUAD"));
    QCOMPARE(DomainTypeName(11), QStringLiteral("D_FLOAT"));
  }

  void quoting_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dialect3");
    // Blanks, inner quotes, mixed case and reserved words go through a server in the objects
    // suite; these are the names it does not create.
    const char *const rows[][3] = {{"plain", "T_MASTER", "T_MASTER"},
                                   {"dollar, digits", "RDB$X1", "RDB$X1"},
                                   {"leading digit", "1ST", "\"1ST\""},
                                   {"leading underscore", "_X", "\"_X\""},
                                   {"non-ASCII", "ĀBOLS", "\"ĀBOLS\""}};
    for (const auto &row : rows)
      QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
  }
  void quoting() {
    QFETCH(QString, name);
    QFETCH(QString, dialect3);
    QCOMPARE(QuoteIdentifier(name, 3), dialect3);
    QCOMPARE(QuoteIdentifier(name, 1), name);
  }

  void literalsAndFormats() {
    QCOMPARE(StringLiteral("Can't post", 3), QStringLiteral("'Can''t post'"));
    QCOMPARE(StringLiteral("He said \"hi\"", 3), QStringLiteral("'He said \"hi\"'"));
    QCOMPARE(StringLiteral("He said \"hi\"", 1), QStringLiteral("\"He said \"\"hi\"\"\""));
    QCOMPARE(StringLiteral("a\r\nb ĀČ", 1), QStringLiteral("\"a\r\nb ĀČ\""));
    QCOMPARE(FillFormat("DROP TRIGGER %s;", {"T1"}), QStringLiteral("DROP TRIGGER T1;"));
    QCOMPARE(FillFormat("CREATE EXCEPTION %s  %s", {"E", "'m'"}), QStringLiteral("CREATE EXCEPTION E  'm'"));
    QCOMPARE(FillFormat("POSITION %d", {"20"}), QStringLiteral("POSITION 20"));
    QCOMPARE(FillFormat("100%% %s", {"%s"}), QStringLiteral("100% %s"));
  }
};

TESSELOR_TEST_MAIN_GUILESS(TestCatalog)
#include "test_catalog.moc"

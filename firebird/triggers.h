#pragma once
// Triggers: the user's triggers as a list with their decoded event and state, the commands on
// one trigger, and the heads of the statements the trigger editor sends.
#include "firebird/cataloglist.h"

#include <QStringList>
#include <optional>

// The six classic trigger events, in the order of their type codes 1..6.
const QStringList &TriggerEventNames();
// The event text of an RDB$TRIGGER_TYPE: the classic ones, multi-event triggers ("BEFORE
// INSERT OR UPDATE"), database triggers ("ON CONNECT") and DDL triggers; empty for 0, a null
// or a code no server makes.
QString TriggerTypeName(const QVariant &triggerType);
// "INACTIVE" for an RDB$TRIGGER_INACTIVE of 1, "ACTIVE" for anything else (null included).
QString TriggerActiveName(const QVariant &inactive);
// The whole event clause a statement re-creating the trigger says: the type name above, and
// for a DDL trigger its events ("AFTER CREATE TABLE OR DROP TABLE", "BEFORE ANY DDL STATEMENT").
QString TriggerEventText(qint64 triggerType);

// The user's triggers and the engine's CHECK triggers (its other own ones are left out), in
// the catalog's order: name, relation, sequence, type code, source, description, inactive
// flag, and the calculated event text and state.
class TTriggerList : public TCatalogList {
  Q_OBJECT
public:
  explicit TTriggerList(QObject *owner);
  // Shows the triggers of that relation only, or all for an empty name. The rows read are
  // filtered again; nothing is read from the server.
  void ShowRelation(const QString &relation);

  TField *Relation, *Sequence, *Type, *Source, *Description, *Inactive, *TypeName, *ActiveName;

private:
  QString FRelation;
};

// The commands on one trigger (a catalog name), under the session's auto-commit policy.
void DropTrigger(const QString &name);
void SetTriggerActive(const QString &name, bool active);

// The lines ahead of a trigger's body, the name and table as the editor holds them.
QStringList CreateTriggerHead(const QString &name, const QString &table, const QString &event, int position);
// Update's head: the position only when given (the server keeps the old one otherwise).
QStringList AlterTriggerHead(const QString &name, const QString &event, std::optional<int> position = std::nullopt);

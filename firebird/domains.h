#pragma once
// Domains: the user's domains as a list with their decoded type, and the drop.
#include "firebird/cataloglist.h"

// The bare type name of an RDB$FIELD_TYPE code; a null or unknown code gives "UNKNOWN".
QString DomainTypeName(const QVariant &fieldType);

// The user's domains in name order: name, type name (calculated), computed expression,
// default, length, scale, the hidden type code, and the not-null flag.
class TDomainList : public TCatalogList {
  Q_OBJECT
public:
  explicit TDomainList(QObject *owner);
  TField *TypeName, *ComputedSource, *DefaultSource, *Length, *Scale, *FieldType, *NotNull;
};

// Drops the domain of that catalog name under the session's auto-commit policy.
void DropDomain(const QString &name);

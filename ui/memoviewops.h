#pragma once
// Opening a memo field in a viewer window of its own.
class QString;
class TField;
class TDataSource;

// Opens a new read-only viewer on the field of the data source's current row, captioned
// "Memo - " followed by the field's label; it follows the data source's current row.
// An editable viewer writes what is typed into the field (the data window's text blobs).
void ShowMemoField(TField *field, TDataSource *source, bool editable = false);
// Opens a new read-only viewer on a text of its own (a query result's blob), captioned
// "Memo - " followed by title.
void ShowMemoText(const QString &title, const QString &text);

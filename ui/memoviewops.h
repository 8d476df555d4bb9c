#pragma once
// Opening a memo field in a viewer window of its own.
class TField;
class TDataSource;

// Opens a new read-only viewer on the field of the data source's current row, captioned
// "Memo - " followed by the field's label; it follows the data source's current row.
// An editable viewer writes what is typed into the field (the data window's text blobs).
void ShowMemoField(TField *field, TDataSource *source, bool editable = false);

#pragma once
// Opening a memo field in a viewer window of its own.
class TField;
class TDataSource;

// Opens a new read-only viewer on the field of the data source's current row, captioned
// "Memo - " followed by the field's label; it follows the data source's current row.
void ShowMemoField(TField *field, TDataSource *source);

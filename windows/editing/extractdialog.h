#pragma once
// "Extract metadata": the whole database's DDL script, to a new DDL statements window or to a
// file. The extraction runs on a worker thread behind a progress box with Cancel.
#include "firebird/extract.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

// Where the script goes and what it holds.
class TExtractDialog : public QDialog {
  Q_OBJECT
public:
  explicit TExtractDialog(QWidget *parent = nullptr);
  QRadioButton *ToWindow, *ToFile;
  QLineEdit *FileEdit;
  QToolButton *BrowseBtn;
  QCheckBox *ValuesCheck;  // generators' current values too

private:
  void Browse();
  void accept() override;
};

// Asks where, then extracts; errors are shown, a cancelled run leaves nothing behind.
void ExtractMetadata();
// The extraction with its progress box: the script to a new DDL window when file is empty,
// else to the file. Raises the server's error; a cancel raises the silent abort.
void ExtractTo(const QString &file, const TExtractOptions &options);

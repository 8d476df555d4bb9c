#pragma once
// The memo viewer: a read-only child window on one memo field of a data source, following
// the source's current row.
#include "ui/mdichild.h"
#include "ui/memoviewops.h"

class TDBMemo;

class TMemoViewForm : public TChildForm {
  Q_OBJECT
public:
  explicit TMemoViewForm(QWidget *parent = nullptr);

  TDBMemo *MemoCtrl;
};

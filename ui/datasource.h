#pragma once
// The link between a dataset and the data-aware controls: it passes the dataset's signals on
// and decides whether typing in a control may put the current row into edit state.
#include "data/dataset.h"

#include <QObject>
#include <QPointer>
#include <functional>

class TDataSource : public QObject {
  Q_OBJECT
public:
  explicit TDataSource(QObject *owner = nullptr);
  TDataSource(TDataSet *dataSet, QObject *owner);

  TDataSet *DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet *dataSet);

  // Typing in a bound control puts a browsed row into edit state.
  bool AutoEdit = true;

  TDataSetState State() const;
  bool Active() const { return State() != TDataSetState::dsInactive; }
  bool Editing() const;  // edit or insert state
  // Whether a control may start changing the current row: already editing, or browsing a
  // modifiable dataset with AutoEdit on.
  bool CanStartEdit() const;
  // What a control calls on the first change the user makes: with AutoEdit, a browsed row
  // goes into edit state (errors propagate). True when the row is in edit or insert state.
  bool Edit();
  // Asks every bound control to write a change it still holds into its field.
  void UpdateRecord() { emit UpdateData(); }

signals:
  // The dataset's signals, passed on; DataSetChanged also follows a change of dataset.
  void DataSetChanged();
  void RowsAppended(int first, int last);
  void RowInserted(int row);
  void RowRemoved(int row);
  void RowChanged(int row);
  void Scrolled();
  void StateChanged();
  void UpdateData();

private:
  QPointer<TDataSet> FDataSet;
  QList<QMetaObject::Connection> FConnections;
};

// A data-aware control's hold on its data source. Turning to another source drops what was
// connected to the old one, lets the control connect to the new one and refreshes the control,
// as the source's destruction does too.
class TDataLink {
public:
  using Connector = std::function<QList<QMetaObject::Connection>(TDataSource *)>;
  TDataLink(QObject *control, Connector connect, std::function<void()> refresh);

  TDataSource *DataSource() const { return FSource; }
  TDataSet *DataSet() const { return FSource ? FSource->DataSet() : nullptr; }
  void SetDataSource(TDataSource *source);

  // Connects refresh to what moves or changes the current row: a change of dataset, a
  // scroll, a change of state.
  static QList<QMetaObject::Connection> FollowRow(TDataSource *source, QObject *control,
                                                  const std::function<void()> &refresh);

private:
  QObject *FControl;
  Connector FConnect;
  std::function<void()> FRefresh;
  QPointer<TDataSource> FSource;
  QList<QMetaObject::Connection> FConnections;
};

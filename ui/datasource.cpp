#include "ui/datasource.h"

TDataSource::TDataSource(QObject *owner) : QObject(owner) {}

TDataSource::TDataSource(TDataSet *dataSet, QObject *owner) : QObject(owner) { SetDataSet(dataSet); }

void TDataSource::SetDataSet(TDataSet *dataSet) {
  if (FDataSet == dataSet) return;
  for (const auto &c : FConnections)
    disconnect(c);
  FConnections.clear();
  FDataSet = dataSet;
  if (dataSet) {
    FConnections << connect(dataSet, &TDataSet::DataSetChanged, this, &TDataSource::DataSetChanged)
                 << connect(dataSet, &TDataSet::RowsAppended, this, &TDataSource::RowsAppended)
                 << connect(dataSet, &TDataSet::RowInserted, this, &TDataSource::RowInserted)
                 << connect(dataSet, &TDataSet::RowRemoved, this, &TDataSource::RowRemoved)
                 << connect(dataSet, &TDataSet::RowChanged, this, &TDataSource::RowChanged)
                 << connect(dataSet, &TDataSet::Scrolled, this, &TDataSource::Scrolled)
                 << connect(dataSet, &TDataSet::StateChanged, this, &TDataSource::StateChanged)
                 // A dataset freed under its controls leaves them empty, not dangling.
                 << connect(dataSet, &QObject::destroyed, this, [this] {
                      FConnections.clear();
                      emit DataSetChanged();
                      emit StateChanged();
                    });
  }
  emit DataSetChanged();
  emit StateChanged();
}

TDataSetState TDataSource::State() const { return FDataSet ? FDataSet->State() : TDataSetState::dsInactive; }

bool TDataSource::Editing() const {
  const TDataSetState s = State();
  return s == TDataSetState::dsEdit || s == TDataSetState::dsInsert;
}

bool TDataSource::CanStartEdit() const {
  return Editing() || (AutoEdit && State() == TDataSetState::dsBrowse && FDataSet->CanModify());
}

bool TDataSource::Edit() {
  if (AutoEdit && State() == TDataSetState::dsBrowse) FDataSet->Edit();
  return Editing();
}

TDataLink::TDataLink(QObject *control, Connector connect, std::function<void()> refresh)
    : FControl(control), FConnect(std::move(connect)), FRefresh(std::move(refresh)) {}

void TDataLink::SetDataSource(TDataSource *source) {
  for (const auto &c : FConnections)
    QObject::disconnect(c);
  FConnections.clear();
  FSource = source;
  if (source) {
    FConnections = FConnect(source);
    FConnections << QObject::connect(source, &QObject::destroyed, FControl, FRefresh);
  }
  FRefresh();
}

QList<QMetaObject::Connection> TDataLink::FollowRow(TDataSource *source, QObject *control,
                                                    const std::function<void()> &refresh) {
  QList<QMetaObject::Connection> connections;
  for (auto signal : {&TDataSource::DataSetChanged, &TDataSource::Scrolled, &TDataSource::StateChanged})
    connections << QObject::connect(source, signal, control, refresh);
  return connections;
}

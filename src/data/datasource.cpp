#include "datasource.h"

TDataSource::TDataSource(TDataSet* dataSet, QObject* parent) : QAbstractTableModel(parent)
{
    SetDataSet(dataSet);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    beginResetModel();
    if (FDataSet)
        disconnect(FDataSet, nullptr, this, nullptr);
    FDataSet = dataSet;
    if (FDataSet) {
        connect(FDataSet, &TDataSet::dataChanged, this, &TDataSource::DataSetChanged);
        connect(FDataSet, &TDataSet::afterScroll, this, &TDataSource::DataSetScrolled);
    }
    endResetModel();
}

void TDataSource::SetColumns(const QList<TColumn>& columns)
{
    beginResetModel();
    FColumns = columns;
    endResetModel();
}

QString TDataSource::ColumnField(int column) const
{
    if (!FColumns.isEmpty())
        return column >= 0 && column < FColumns.size() ? FColumns[column].field : QString();
    return FDataSet ? FDataSet->FieldNames().value(column) : QString();
}

void TDataSource::SetEnabled(bool enabled)
{
    if (enabled == FEnabled)
        return;
    beginResetModel();
    FEnabled = enabled;
    endResetModel();
    if (FEnabled)
        emit currentRowChanged(CurrentRow());
}

int TDataSource::CurrentRow() const
{
    if (!FEnabled || !FDataSet || !FDataSet->Active())
        return -1;
    return FDataSet->RecNo() - 1;
}

int TDataSource::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !FEnabled || !FDataSet || !FDataSet->Active())
        return 0;
    return FDataSet->RecordCount();
}

int TDataSource::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (!FColumns.isEmpty())
        return FColumns.size();
    return FDataSet ? FDataSet->FieldCount() : 0;
}

QVariant TDataSource::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return FDataSet->RowValue(index.row(), ColumnField(index.column()));
}

QVariant TDataSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (!FColumns.isEmpty())
        return section >= 0 && section < FColumns.size() ? FColumns[section].title : QVariant();
    return ColumnField(section);
}

void TDataSource::DataSetChanged()
{
    if (!FEnabled)
        return;
    beginResetModel();
    endResetModel();
}

void TDataSource::DataSetScrolled()
{
    if (FEnabled)
        emit currentRowChanged(CurrentRow());
}

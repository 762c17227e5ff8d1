#include "app/busmonitormodel.h"

TBusMonitorModel::TBusMonitorModel(size_t capacity, QObject* parent) : QAbstractTableModel(parent), FLog(capacity) {}

int TBusMonitorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(FLog.Count());
}

int TBusMonitorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : mcCount;
}

QVariant TBusMonitorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= FLog.Count())
        return {};
    const TMonitorRecord& r = FLog.Row(size_t(index.row()));
    switch (role) {
    case Qt::DisplayRole: return MonitorCell(r, index.column());
    case Qt::TextAlignmentRole:
        if (index.column() == mcSincePrev || index.column() == mcAddr || index.column() == mcRoundTrip)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default: return {};
    }
}

QVariant TBusMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < mcCount)
        return MonitorHeaders().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TBusMonitorModel::Append(std::vector<TMonitorRecord> batch)
{
    if (batch.empty())
        return;
    if (batch.size() > FLog.Capacity())
        batch.erase(batch.begin(), batch.end() - std::ptrdiff_t(FLog.Capacity()));
    const size_t leaving = FLog.RowsLeavingFor(batch.size());
    if (leaving) {
        beginRemoveRows({}, 0, int(leaving) - 1);
        FLog.Evict(batch.size());
        endRemoveRows();
    } else {
        FLog.Evict(batch.size());  // frames the filter hides may still have to go
    }
    const size_t coming = FLog.Matching(batch);
    if (coming) {
        const int first = int(FLog.Count());
        beginInsertRows({}, first, first + int(coming) - 1);
        FLog.Push(std::move(batch));
        endInsertRows();
    } else {
        FLog.Push(std::move(batch));
    }
}

void TBusMonitorModel::Clear()
{
    beginResetModel();
    FLog.Clear();
    endResetModel();
}

void TBusMonitorModel::SetFilter(const TMonitorFilter& filter)
{
    beginResetModel();
    FLog.SetFilter(filter);
    endResetModel();
}

bool TBusMonitorModel::Load(const std::string& path, std::string& error)
{
    beginResetModel();
    const bool ok = LoadMonitorTrace(path, FLog, error);
    endResetModel();
    return ok;
}

#pragma once
#include <vector>

#include <QAbstractTableModel>

#include "link/framemonitor.h"

// The monitor's rows for a table view: a window onto a TMonitorLog that announces the rows
// leaving at the top and arriving at the bottom of each batch, so a view keeps its selection
// and place while the ring turns.
class TBusMonitorModel : public QAbstractTableModel {
public:
    explicit TBusMonitorModel(size_t capacity = kMonitorCapacity, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Append(std::vector<TMonitorRecord> batch);
    void Clear();
    void SetFilter(const TMonitorFilter& filter);
    // Replaces the rows with a trace file's.
    bool Load(const std::string& path, std::string& error);
    const TMonitorLog& Log() const { return FLog; }
    // The outcome of the attempt a row belongs to.
    TFrameOutcome OutcomeAt(int row) const { return FLog.Row(size_t(row)).Frame.Outcome; }

private:
    TMonitorLog FLog;
};

#pragma once
#include "dataset.h"

#include <QAbstractTableModel>
#include <QPointer>

// Connects a data set to grids (and the card tree) as a Qt item model. Columns are chosen by
// field name; a disabled source shows no rows and follows nothing, which detaches the grids
// while a data set is reloaded or walked.
class TDataSource : public QAbstractTableModel {
    Q_OBJECT
public:
    struct TColumn {
        QString field;
        QString title;
    };

    explicit TDataSource(TDataSet* dataSet = nullptr, QObject* parent = nullptr);

    void SetDataSet(TDataSet* dataSet);
    TDataSet* DataSet() const { return FDataSet; }
    // No columns set: every field of the data set, titled by its name.
    void SetColumns(const QList<TColumn>& columns);
    QString ColumnField(int column) const;

    void SetEnabled(bool enabled);
    bool Enabled() const { return FEnabled; }

    // 0-based row of the data set's current record, -1 when none (or disabled).
    int CurrentRow() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void currentRowChanged(int row);

private:
    void DataSetChanged();
    void DataSetScrolled();

    QPointer<TDataSet> FDataSet;
    QList<TColumn> FColumns;
    bool FEnabled = true;
};

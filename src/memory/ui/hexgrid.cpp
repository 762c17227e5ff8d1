#include "memory/ui/hexgrid.h"

#include <algorithm>

#include <QAbstractTableModel>
#include <QFont>
#include <QHeaderView>

class THexGrid::Model : public QAbstractTableModel {
public:
    explicit Model(THexGrid& grid) : QAbstractTableModel(&grid), FGrid(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : FGrid.FRows - 1; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 16; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole)
            return FGrid.CellText(index.row() + 1, index.column() + 1);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (role == Qt::DisplayRole)
            return o == Qt::Horizontal ? FGrid.CellText(0, section + 1) : FGrid.CellText(section + 1, 0);
        if (role == Qt::FontRole) {
            QFont f = FGrid.font();
            f.setBold(true);
            return f;
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        return {};
    }
    void reset(int rows)
    {
        beginResetModel();
        FGrid.FRows = rows;
        endResetModel();
    }
    void changed()
    {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, 15), {Qt::DisplayRole});
        emit headerDataChanged(Qt::Horizontal, 0, 15);
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }

private:
    THexGrid& FGrid;
};

THexGrid::THexGrid(int columnWidth, QWidget* parent) : QTableView(parent)
{
    FModel = new Model(*this);
    setModel(FModel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setCornerButtonEnabled(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultSectionSize(columnWidth);
    horizontalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setFixedHeight(kRowHeight + 2);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(10);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setFixedWidth(kHeaderColumnWidth);
    verticalHeader()->setHighlightSections(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setWordWrap(false);
}

void THexGrid::SetCellFn(CellFn fn)
{
    FCell = std::move(fn);
    Refresh();
}

void THexGrid::SetRowCount(int rows)
{
    rows = std::max(rows, 2);
    if (rows != FRows)
        FModel->reset(rows);
}

QString THexGrid::CellText(int row, int column) const
{
    if (!FCell || row < 0 || row >= FRows || column < 0 || column >= ColCount())
        return QString();
    return FCell(row, column);
}

void THexGrid::Refresh()
{
    FModel->changed();
    viewport()->update();
}

void THexGrid::SetLaidOutWidth(int width)
{
    FLaidOutWidth = width;
    setFixedWidth(FLaidOutWidth + FExtraWidth);
}

void THexGrid::SetExtraWidth(int extra)
{
    extra = std::max(extra, 0);
    if (FLaidOutWidth <= 0 || extra == FExtraWidth)
        return;
    FExtraWidth = extra;
    // Grown, the columns share the width; at the minimum they are as wide as laid out.
    QHeaderView* header = horizontalHeader();
    if (FExtraWidth > 0) {
        header->setSectionResizeMode(QHeaderView::Stretch);
    } else {
        header->setSectionResizeMode(QHeaderView::Fixed);
        for (int c = 0; c < header->count(); ++c)
            header->resizeSection(c, header->defaultSectionSize());
    }
    setFixedWidth(FLaidOutWidth + FExtraWidth);
}

#pragma once
#include <functional>

#include <QTableView>

class QAbstractTableModel;

// The string grid of the memory tabs: one fixed header row and one fixed header column (bold),
// 16 data columns, fixed row height. Its texts come from a function of (row, column) in grid
// coordinates, the headers at row 0 and column 0, so nothing is copied for a large image.
class THexGrid : public QTableView {
    Q_OBJECT
public:
    using CellFn = std::function<QString(int row, int column)>;

    THexGrid(int columnWidth, QWidget* parent = nullptr);

    void SetCellFn(CellFn fn);
    // Rows of the grid, the header row included (at least 2).
    void SetRowCount(int rows);
    int RowCount() const { return FRows; }
    static constexpr int ColCount() { return 17; }
    QString CellText(int row, int column) const;
    // Repaints every cell from the function.
    void Refresh();
    // The width the tab lays the grid out at, and what the window has grown by beyond its
    // minimum: the grid takes all of that, so at the minimum it is exactly as laid out.
    void SetLaidOutWidth(int width);
    void SetExtraWidth(int extra);

    static constexpr int kRowHeight = 18;
    static constexpr int kHeaderColumnWidth = 40;

private:
    class Model;
    Model* FModel = nullptr;
    CellFn FCell;
    int FRows = 2;
    int FLaidOutWidth = 0;
    int FExtraWidth = 0;
};

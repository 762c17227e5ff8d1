#pragma once
#include <QString>

class QGridLayout;
class QLineEdit;
class QWidget;

// The labelled one-line edits the route dialogs are made of: a grid whose rows are either a
// caption above the edits it names, or a label to the left of its control.
class TFieldGrid {
public:
    // The controls are made children of `owner`; the grid is the caller's to place.
    explicit TFieldGrid(QWidget* owner);

    QGridLayout* Layout() const { return FGrid; }
    // A caption on a row of its own.
    void Caption(const QString& text);
    // A one-line edit (its objectName is `name`), with `label` to its left, or the whole row.
    QLineEdit* Edit(const char* name, int maxLength, const QString& text = {}, const QString& label = {});
    // Any other control with a label to its left.
    void Row(const QString& label, QWidget* field);

private:
    QWidget* FOwner;
    QGridLayout* FGrid;
    int FRow = 0;
};

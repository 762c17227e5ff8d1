#pragma once
#include <optional>

#include <QDialog>

class QLineEdit;
class QPushButton;
namespace panels {
class FobList;
}

// "Редактирование" of one key-fob code: adds a row or changes the current one of the list.
class TfrmEditBrelok : public QDialog {
    Q_OBJECT
public:
    // add_edit: true adds a row, false edits the current one (an empty list always adds).
    TfrmEditBrelok(QWidget* owner, panels::FobList& list, bool add_edit);

    bool AddEdit = true;
    QLineEdit* edtSN = nullptr;
    QPushButton* btnPastePultSN = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    void btnOKClick();
    void btnPastePultSNClick();

private:
    panels::FobList& FList;
};

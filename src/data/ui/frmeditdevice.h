#pragma once
#include <QDialog>

class DeviceList;
class QLineEdit;
class QPushButton;

// "Редактирование": name and address of the device list's row in edit state. OK saves and
// commits the list's transaction; any other way of closing cancels the row and rolls it back.
class TfrmEditDevice : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditDevice(DeviceList& list, QWidget* parent = nullptr);

    bool Saved() const { return FSaved; }

    QLineEdit* edtName = nullptr;
    QLineEdit* edtAddr = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    void btnOKClick();

public slots:
    void reject() override;

private:
    DeviceList& FList;
    bool FSaved = false;
};

#pragma once
#include <memory>

#include <QDialog>

#include "panels/galte.h"
#include "tabhost/ui/panel.h"

class QLineEdit;
class QPushButton;
class QTableWidget;
class TTable;

// "ГАЛТЕ": the slaves of the selected GALTE master, kept in the database, with the relay state
// of each as far as it is known; toggle, reset, address change and a status query of all.
class TGalteTab : public TPanel {
    Q_OBJECT
public:
    TGalteTab(TPanelHost& host, TTable& tblSlave, QWidget* parent = nullptr);

    // Screenshot mode: what a user does first here, so the picture shows data.
    void DemoShot() override { btnRefreshStatusSlaveClick(); }

    panels::SlaveList& Slaves() { return FSlaves; }

    void btnRelayToggleSlaveClick();
    void btnRefreshStatusSlaveClick();
    void btnResetSlaveClick();
    void btnChangeAddrSlaveClick();
    void btnSlaveAddClick();
    void btnSlaveEditClick();
    void btnSlaveDelClick();

    QTableWidget* dbgSlave = nullptr;
    QPushButton* btnSlaveAdd = nullptr;
    QPushButton* btnSlaveEdit = nullptr;
    QPushButton* btnSlaveDel = nullptr;
    QPushButton* btnRelayToggleSlave = nullptr;
    QPushButton* btnRefreshStatusSlave = nullptr;
    QPushButton* btnResetSlave = nullptr;
    QPushButton* btnChangeAddrSlave = nullptr;

    // Redraws the grid from the table and the statuses.
    void ShowSlaves();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TExchangeResult SendToSlave(const std::vector<uint8_t>& payload);
    void EditDialog();

    panels::SlaveList FSlaves;
};

// "Редактирование" of a slave: name and address of the row being added or edited.
class TfrmEditSlave : public QDialog {
    Q_OBJECT
public:
    TfrmEditSlave(QWidget* parent, panels::SlaveList& slaves);

    QLineEdit* edtName = nullptr;
    QLineEdit* edtAddr = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    void btnOKClick();

protected:
    void done(int result) override;

private:
    panels::SlaveList& FSlaves;
    bool FSaved = false;
};

// "Изменение адреса": gives the current slave a new address through the master.
class TfrmChangeAddrSlave : public QDialog {
    Q_OBJECT
public:
    TfrmChangeAddrSlave(QWidget* parent, DeviceSession& session, uint16_t slaveAddr);

    QLineEdit* edtAddr = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    void btnOKClick();
    // The address the master confirmed (valid once the dialog was accepted).
    uint16_t NewAddr() const { return FNewAddr; }

private:
    DeviceSession& FSession;
    uint16_t FAddr;
    uint16_t FNewAddr = 0;
};

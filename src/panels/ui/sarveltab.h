#pragma once
#include <array>

#include "tabhost/ui/panel.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

// "САРВЕЛ": output units of 32 outputs behind the selected device, read when a unit address is
// chosen and written on "Записать".
class TSarvelTab : public TPanel {
    Q_OBJECT
public:
    explicit TSarvelTab(TPanelHost& host, QWidget* parent = nullptr);

    // Screenshot mode: what a user does first here, so the picture shows data.
    void DemoShot() override { SetItemIndex(ItemIndex()); }

    int ItemIndex() const;
    void SetItemIndex(int item);  // selects an address and reads the unit, as a click does

    void rgSARVELAddrClick();
    void btnSetSARVELClick();
    void btnSARVELTurnOffAllClick() { SetOutputs(0); }
    void btnTest1Click();
    void btnTest2Click();

    QGroupBox* rgSARVELAddr = nullptr;
    QLabel* lbVersionSARVEL = nullptr;
    std::array<QCheckBox*, 32> cbOut{};
    QPushButton* btnSARVELTurnOffAll = nullptr;
    QPushButton* btnSetSARVEL = nullptr;
    QPushButton* btnTest1 = nullptr;
    QPushButton* btnTest2 = nullptr;

private:
    void SetOutputs(uint32_t bits);
    uint32_t Outputs() const;

    QButtonGroup* FAddr = nullptr;
};

#pragma once
#include <QList>

#include <QWidget>

#include "tabhost/ui/panel.h"

class QLabel;
class QPushButton;
class QRadioButton;
class TLEDDisplay;

// The "ДОРНА" tab: one measuring unit, chosen by its address, read on demand.
class TDornaTab : public TPanel {
    Q_OBJECT
public:
    explicit TDornaTab(TPanelHost& host, QWidget* parent = nullptr);
    // What a user does first here, for the screenshots of the demo.
    void DemoShot() override;

    QLabel* lbDornaVer = nullptr;
    TLEDDisplay* ledDornaUac = nullptr;
    TLEDDisplay* ledDornaUdc = nullptr;
    TLEDDisplay* ledDornaR = nullptr;
    QList<QRadioButton*> rbDornaAddr;
    QPushButton* btnReadDORNA = nullptr;

    int AddrIndex() const;
    void btnReadDORNAClick();

private:
};

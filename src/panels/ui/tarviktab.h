#pragma once
#include <QWidget>

#include "tabhost/ui/panel.h"

class QLineEdit;
class QPushButton;

// The "Тарвик" tab: the code held by each of the two channels, read and cleared.
class TTarvikTab : public TPanel {
    Q_OBJECT
public:
    explicit TTarvikTab(TPanelHost& host, QWidget* parent = nullptr);
    // What a user does first here, for the screenshots of the demo.
    void DemoShot() override;

    QLineEdit* edtTARVIKCOD[2] = {};
    QPushButton* btnTARVIKReadCh[2] = {};
    QPushButton* btnTARVIKClearCh[2] = {};

    void ReadChannel(int channel);  // 1 or 2
    void ClearChannel(int channel);

private:
};

#pragma once
#include <vector>

#include <QDialog>

#include "app/settings.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;

// "Параметры": bootloader and external-memory options and which optional tabs are shown. It
// edits a copy; only "OK" stores it back.
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    struct Sheet {
        QString name;     // tab component name
        QString caption;  // tab caption
        bool visible = false;
    };

    TfrmOptions(const TAppSettings& settings, std::vector<Sheet> sheets, QWidget* parent = nullptr);

    // What "OK" stored (valid after accept()).
    const TAppSettings& Settings() const { return FSettings; }
    const std::vector<Sheet>& Sheets() const { return FSheets; }

    QTabWidget* PageControl = nullptr;
    QComboBox* cbBlockSize = nullptr;
    QCheckBox* cbResetSystem = nullptr;
    QCheckBox* cbAutoDetectBL = nullptr;
    QRadioButton* rbVersion50 = nullptr;
    QRadioButton* rbVersion51 = nullptr;
    QListWidget* cbSheets = nullptr;
    QPushButton* btnSetAll = nullptr;
    QPushButton* btnClearAll = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnClose = nullptr;

    void btnOKClick();

private:
    void SetAll(bool checked);

    TAppSettings FSettings;
    std::vector<Sheet> FSheets;
};

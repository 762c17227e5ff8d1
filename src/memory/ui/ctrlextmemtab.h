#pragma once
#include <QGroupBox>
#include <QWidget>

#include "memory/flashpanel.h"
#include "memory/ui/memorycontext.h"
#include "tabhost/ui/panel.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;
class QSpinBox;
class THexGrid;

// A group of radio buttons whose choice is an item index (the settings store it as such).
class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ ItemIndex WRITE SetItemIndex NOTIFY ItemIndexChanged)
public:
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int index);
    QList<QAbstractButton*> Buttons() const;

signals:
    void ItemIndexChanged(int index);

private:
    QButtonGroup* FGroup = nullptr;
};

// The "Управление Ext Mem" tab: reads a small range of the external memory and shows it as
// numbers, writes single bytes.
class TCtrlExtMemTab : public TPanel {
    Q_OBJECT
public:
    TCtrlExtMemTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent = nullptr);

    // "Form\\ControlExtMem": the four number fields and the number base.
    void ReadSettings(const TSettingsSection& section) override;
    void WriteSettings(TSettingsSection& section) const override;

    QSpinBox* BeginAddr = nullptr;
    QSpinBox* CountBytes = nullptr;
    QPushButton* btnReadData = nullptr;
    QSpinBox* AddrForWrite = nullptr;
    QSpinBox* WriteValue = nullptr;
    QLabel* HEXValue = nullptr;
    QPushButton* btnWriteData = nullptr;
    TRadioGroup* TypeData = nullptr;
    THexGrid* GridExt = nullptr;

    void btnReadDataClick();
    void btnWriteDataClick();
    void WriteValueChange();
    void TypeDataClick();
    const memorypanel::TDataGrid& DataGrid() const { return FGrid; }

private:
    void ShowGrid(memorypanel::TDataGrid grid);

    TMemoryContext& FCtx;
    memorypanel::TDataGrid FGrid;
};

#include "app/ui/frmoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/ui/okcancel.h"

TfrmOptions::TfrmOptions(const TAppSettings& settings, std::vector<Sheet> sheets, QWidget* parent)
    : QDialog(parent), FSettings(settings), FSheets(std::move(sheets))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(Msg::OptionsCaption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));

    // "Общие"
    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("tsGeneral"));
    cbBlockSize = new QComboBox(general);
    cbBlockSize->setObjectName(QStringLiteral("cbBlockSize"));
    cbBlockSize->addItems({QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("32"),
                           QStringLiteral("64"), QStringLiteral("128"), QStringLiteral("256"), QStringLiteral("512"),
                           QStringLiteral("528"), QStringLiteral("1056")});
    cbBlockSize->setCurrentIndex(FSettings.BlockSize);
    cbResetSystem = new QCheckBox(Msg::OptionsResetSystem, general);
    cbResetSystem->setObjectName(QStringLiteral("cbResetSystem"));
    cbResetSystem->setChecked(FSettings.ResetSystem);
    auto* blGroup = new QGroupBox(Msg::OptionsBLVersion, general);
    blGroup->setObjectName(QStringLiteral("gbVersionBL"));
    cbAutoDetectBL = new QCheckBox(Msg::OptionsAutoDetect, blGroup);
    cbAutoDetectBL->setObjectName(QStringLiteral("cbAutoDetectBL"));
    rbVersion50 = new QRadioButton(Msg::OptionsVersion50, blGroup);
    rbVersion50->setObjectName(QStringLiteral("rbVersion50"));
    rbVersion51 = new QRadioButton(Msg::OptionsVersion51, blGroup);
    rbVersion51->setObjectName(QStringLiteral("rbVersion51"));
    rbVersion50->setChecked(!FSettings.VersionBL);
    rbVersion51->setChecked(FSettings.VersionBL);
    cbAutoDetectBL->setChecked(FSettings.AutoDetectBL);
    rbVersion50->setEnabled(!FSettings.AutoDetectBL);
    rbVersion51->setEnabled(!FSettings.AutoDetectBL);
    connect(cbAutoDetectBL, &QCheckBox::toggled, this, [this](bool on) {
        rbVersion50->setEnabled(!on);
        rbVersion51->setEnabled(!on);
    });
    auto* bl = new QVBoxLayout(blGroup);
    bl->addWidget(cbAutoDetectBL);
    auto* radios = new QHBoxLayout;
    radios->addSpacing(20);
    radios->addWidget(rbVersion50);
    radios->addWidget(rbVersion51);
    radios->addStretch();
    bl->addLayout(radios);

    auto* gl = new QVBoxLayout(general);
    auto* size = new QHBoxLayout;
    size->addWidget(new QLabel(Msg::OptionsBlockSize, general));
    size->addWidget(cbBlockSize);
    size->addStretch();
    gl->addLayout(size);
    gl->addWidget(cbResetSystem);
    gl->addWidget(blGroup);
    gl->addStretch();
    PageControl->addTab(general, Msg::OptionsGeneral);

    // "Вкладки": a two-column check list of the optional tabs, in the window's order.
    auto* tabs = new QWidget;
    tabs->setObjectName(QStringLiteral("tsSheets"));
    cbSheets = new QListWidget(tabs);
    cbSheets->setObjectName(QStringLiteral("cbSheets"));
    cbSheets->setFlow(QListView::TopToBottom);
    cbSheets->setWrapping(true);
    cbSheets->setResizeMode(QListView::Adjust);
    cbSheets->setUniformItemSizes(true);
    for (const Sheet& s : FSheets) {
        auto* item = new QListWidgetItem(s.caption, cbSheets);
        item->setData(Qt::UserRole, s.name);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(s.visible ? Qt::Checked : Qt::Unchecked);
    }
    const int rows = int((FSheets.size() + 1) / 2);
    const int rowHeight = cbSheets->fontMetrics().height() + 8;
    cbSheets->setGridSize(QSize(170, rowHeight));
    cbSheets->setFixedSize(2 * 170 + 8, rows * rowHeight + 8);
    cbSheets->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    btnSetAll = new QPushButton(Msg::OptionsSetAll, tabs);
    btnSetAll->setObjectName(QStringLiteral("btnSetAll"));
    btnClearAll = new QPushButton(Msg::OptionsClearAll, tabs);
    btnClearAll->setObjectName(QStringLiteral("btnClearAll"));
    connect(btnSetAll, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(btnClearAll, &QPushButton::clicked, this, [this] { SetAll(false); });
    auto* tl = new QVBoxLayout(tabs);
    tl->addWidget(cbSheets);
    auto* tb = new QHBoxLayout;
    tb->addWidget(btnSetAll);
    tb->addWidget(btnClearAll);
    tb->addStretch();
    tl->addLayout(tb);
    PageControl->addTab(tabs, Msg::OptionsSheets);
    PageControl->setCurrentIndex(0);

    const TOkCancelRow buttons = MakeOkCancelRow(this, Msg::ButtonOK, Msg::ButtonCancel, QStringLiteral("btnClose"));
    btnOK = buttons.OK;
    btnClose = buttons.Cancel;
    connect(btnOK, &QPushButton::clicked, this, [this] {
        btnOKClick();
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons.Layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmOptions::SetAll(bool checked)
{
    for (int i = 0; i < cbSheets->count(); ++i)
        cbSheets->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TfrmOptions::btnOKClick()
{
    FSettings.AutoDetectBL = cbAutoDetectBL->isChecked();
    FSettings.VersionBL = rbVersion51->isChecked();
    FSettings.BlockSize = cbBlockSize->currentIndex();
    FSettings.ResetSystem = cbResetSystem->isChecked();
    for (int i = 0; i < cbSheets->count() && i < int(FSheets.size()); ++i) {
        FSheets[size_t(i)].visible = cbSheets->item(i)->checkState() == Qt::Checked;
        FSettings.TabVisible[FSheets[size_t(i)].name] = FSheets[size_t(i)].visible;
    }
}

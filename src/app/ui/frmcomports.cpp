#include "app/ui/frmcomports.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/messages.h"
#include "app/settings.h"

TfrmCOMPorts::TfrmCOMPorts(PortSettings& settings, std::function<void()> apply, const QStringList& ports,
                           QWidget* parent)
    : QDialog(parent), FSettings(settings), FApply(std::move(apply))
{
    setObjectName(QStringLiteral("frmCOMPorts"));
    setWindowTitle(Msg::PortsCaption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    cbMainPorts = new QComboBox(this);
    cbMainPorts->setObjectName(QStringLiteral("cbMainPorts"));
    cbMainPorts->addItem(Msg::PortsNone);
    cbMainPorts->addItems(ports);
    cbMainPorts->setCurrentIndex(-1);

    cbBaudRate = new QComboBox(this);
    cbBaudRate->setObjectName(QStringLiteral("cbBaudRate"));
    for (int rate : BaudRateList())
        cbBaudRate->addItem(QString::number(rate));
    cbBaudRate->setCurrentIndex(cbBaudRate->findText(QString::number(FSettings.BaudRate)));

    edtRepCount = new QSpinBox(this);
    edtRepCount->setObjectName(QStringLiteral("edtRepCount"));
    edtRepCount->setRange(1, 25);
    edtRepCount->setValue(FSettings.RepCount);
    cbRTS = new QCheckBox(QStringLiteral("RTS"), this);
    cbRTS->setObjectName(QStringLiteral("cbRTS"));
    cbRTS->setChecked(FSettings.RTS);
    cbDTR = new QCheckBox(QStringLiteral("DTR"), this);
    cbDTR->setObjectName(QStringLiteral("cbDTR"));
    cbDTR->setChecked(FSettings.DTR);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Msg::PortsPort, this), 0, 0);
    grid->addWidget(cbMainPorts, 0, 1);
    grid->addWidget(new QLabel(Msg::PortsBaudRate, this), 1, 0);
    grid->addWidget(cbBaudRate, 1, 1);
    grid->setColumnStretch(1, 1);

    auto* group = new QGroupBox(this);
    auto* gl = new QGridLayout(group);
    gl->addWidget(new QLabel(Msg::PortsRepCount, group), 0, 0);
    gl->addWidget(edtRepCount, 0, 1);
    gl->addWidget(cbRTS, 1, 0);
    gl->addWidget(cbDTR, 1, 1);

    auto* ok = new QPushButton(Msg::ButtonOK, this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbMainPorts, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
    connect(cbBaudRate, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
    connect(edtRepCount, &QSpinBox::valueChanged, this, [this] { Changed(); });
    connect(cbRTS, &QCheckBox::toggled, this, [this] { Changed(); });
    connect(cbDTR, &QCheckBox::toggled, this, [this] { Changed(); });
    FReady = true;
}

QString TfrmCOMPorts::SelectPort(int number)
{
    const QSignalBlocker block(cbMainPorts);
    cbMainPorts->setCurrentIndex(number < 0 ? 0 : cbMainPorts->findText(QStringLiteral("COM%1").arg(number)));
    return cbMainPorts->currentText();
}

void TfrmCOMPorts::Changed()
{
    if (!FReady)
        return;
    bool ok = false;
    const int number = cbMainPorts->currentText().mid(3).toInt(&ok);
    FSettings.Number = ok ? number : -1;
    const int rate = cbBaudRate->currentText().toInt(&ok);
    FSettings.BaudRate = ok ? rate : 115200;
    FSettings.RTS = cbRTS->isChecked();
    FSettings.DTR = cbDTR->isChecked();
    FSettings.RepCount = uint16_t(edtRepCount->value());
    if (FApply)
        FApply();
}

#include "app/ui/frmcomports.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include "app/portaliases.h"
#include "app/settings.h"
#include "base/messages.h"
#include "link/comport.h"
#include "link/telnet.h"

namespace {

constexpr int kDescriptionRole = Qt::UserRole + 1;
constexpr int kRefreshMs = 1000;

// The open list shows "COMn  /dev/ttyUSB0, maker product, s/n"; the closed box just "COMn".
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(kDescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("    ") + description;
    }
};

}  // namespace

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
    cbMainPorts->setItemDelegate(new PortItemDelegate(cbMainPorts));
    cbMainPorts->view()->setTextElideMode(Qt::ElideNone);
    // The popup list exists from here on; screen readers name it as the port field.
    cbMainPorts->view()->setAccessibleName(Msg::PortsPort);
    lbPortInfo = new QLabel(this);
    lbPortInfo->setObjectName(QStringLiteral("lbPortInfo"));
    lbPortInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbPortInfo->setWordWrap(true);
    edtNetPort = new QLineEdit(this);
    edtNetPort->setObjectName(QStringLiteral("edtNetPort"));
    // The field is narrow: the hint names the kind, the tooltip the whole form.
    edtNetPort->setPlaceholderText(QStringLiteral("rfc2217://…"));
    edtNetPort->setToolTip(QStringLiteral("rfc2217://узел:порт или tcp://узел:порт"));
    edtNetPort->setReadOnly(true);
    connect(edtNetPort, &QLineEdit::editingFinished, this, &TfrmCOMPorts::NetPortEntered);
    edtNetPort->installEventFilter(this);
    tmrRefresh = new QTimer(this);
    tmrRefresh->setInterval(kRefreshMs);
    connect(tmrRefresh, &QTimer::timeout, this, &TfrmCOMPorts::RefreshPorts);

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
    auto* netLabel = new QLabel(Msg::PortsNetPort, this);
    netLabel->setBuddy(edtNetPort);
    grid->addWidget(netLabel, 1, 0);
    grid->addWidget(edtNetPort, 1, 1);
    grid->addWidget(lbPortInfo, 2, 0, 1, 2);
    grid->addWidget(new QLabel(Msg::PortsBaudRate, this), 3, 0);
    grid->addWidget(cbBaudRate, 3, 1);
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
    // OK applies the settings again: it reopens the port even when nothing was changed.
    connect(ok, &QPushButton::clicked, this, [this] {
        Changed();
        accept();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbMainPorts, &QComboBox::currentIndexChanged, this, [this] {
        ShowPortInfo();
        Changed();
    });
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
    ShowPortInfo();
    return cbMainPorts->currentText();
}

void TfrmCOMPorts::SetPortLister(std::function<std::vector<TPortDescription>()> lister)
{
    FLister = std::move(lister);
    RefreshPorts();
}

void TfrmCOMPorts::RefreshPorts()
{
    if (!FLister)
        return;
    std::vector<std::pair<QString, QString>> entries;  // "COMn", description
    bool haveChosen = FSettings.Number <= 0;
    for (const TPortDescription& d : FLister()) {
        entries.emplace_back(QStringLiteral("COM%1").arg(d.Number), QString::fromStdString(d.Text()));
        haveChosen = haveChosen || d.Number == FSettings.Number;
    }
    // The chosen port stays listed while its adapter is away, so the choice is not lost.
    if (!haveChosen) {
        entries.emplace_back(QStringLiteral("COM%1").arg(FSettings.Number), Msg::PortsAbsent);
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.first.mid(3).toInt() < b.first.mid(3).toInt(); });
    }
    bool same = cbMainPorts->count() == int(entries.size()) + 1;
    for (int i = 0; same && i < int(entries.size()); ++i)
        same = cbMainPorts->itemText(i + 1) == entries[size_t(i)].first &&
               cbMainPorts->itemData(i + 1, kDescriptionRole).toString() == entries[size_t(i)].second;
    if (same)
        return;
    const QString current = cbMainPorts->currentText();
    const int currentIndex = cbMainPorts->currentIndex();
    {
        const QSignalBlocker block(cbMainPorts);
        while (cbMainPorts->count() > 1)
            cbMainPorts->removeItem(1);
        for (const auto& [name, description] : entries) {
            cbMainPorts->addItem(name);
            cbMainPorts->setItemData(cbMainPorts->count() - 1, description, kDescriptionRole);
            cbMainPorts->setItemData(cbMainPorts->count() - 1, description, Qt::ToolTipRole);
        }
        cbMainPorts->setCurrentIndex(currentIndex < 0 ? -1 : cbMainPorts->findText(current));
    }
    ShowPortInfo();
}

void TfrmCOMPorts::ShowPortInfo()
{
    lbPortInfo->setText(cbMainPorts->currentData(kDescriptionRole).toString());
    bool ok = false;
    const int number = cbMainPorts->currentText().mid(3).toInt(&ok);
    const std::string path = ok ? PortMap::PathFor(number) : std::string();
    edtNetPort->setText(IsNetPortName(path) ? QString::fromStdString(path) : QString());
    edtNetPort->setModified(false);
}

void TfrmCOMPorts::SetAliasStore(QSettings* store)
{
    FAliasStore = store;
    edtNetPort->setReadOnly(store == nullptr);
}

void TfrmCOMPorts::ShowOpenFailure(const QString& text)
{
    lbPortInfo->setText(text);
}

void TfrmCOMPorts::NetPortEntered()
{
    if (!FAliasStore || !edtNetPort->isModified() || edtNetPort->text().trimmed().isEmpty())
        return;
    edtNetPort->setModified(false);
    bool ok = false;
    const int current = cbMainPorts->currentText().mid(3).toInt(&ok);
    QString error;
    const int number = PortAliases::StoreNetPort(*FAliasStore, edtNetPort->text(), ok ? current : 0, &error);
    if (number == 0) {
        lbPortInfo->setText(error);
        return;
    }
    const QString name = QStringLiteral("COM%1").arg(number);
    RefreshPorts();
    if (cbMainPorts->findText(name) < 0)
        cbMainPorts->addItem(name);
    // The same entry again (its address changed): reopen through the usual path.
    if (cbMainPorts->currentText() == name) {
        ShowPortInfo();
        Changed();
    } else {
        cbMainPorts->setCurrentIndex(cbMainPorts->findText(name));
    }
}

void TfrmCOMPorts::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    RefreshPorts();
    if (FLister)
        tmrRefresh->start();
}

void TfrmCOMPorts::hideEvent(QHideEvent* e)
{
    tmrRefresh->stop();
    QDialog::hideEvent(e);
}

// Enter in the address field takes the address; it must not also press OK and close the dialog.
bool TfrmCOMPorts::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == edtNetPort && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            NetPortEntered();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
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

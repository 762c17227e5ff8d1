#include "panels/ui/kestatab.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "panels/panelint.h"
#include "panels/ui/frmeditbrelok.h"
#include "panels/ui/led.h"
#include "panels/ui/scdpump.h"
#include "tabhost/ui/panelbutton.h"

namespace {

constexpr int kColumnW = 28;
constexpr int kColumnH = 72;
constexpr int kColumnPitch = 64;
constexpr int kColumnsLeft = 40;
constexpr int kColumnsTop = 48;

// Image 0: the column, a plain brown bar; image 1: the same with a yellow warning triangle.
QPixmap columnImage(int picture)
{
    QPixmap pm(kColumnW, kColumnH);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(80, 45, 20));
    p.setBrush(QColor(150, 90, 40));
    p.drawRect(QRectF(4.5, 0.5, kColumnW - 9, kColumnH - 1));
    if (picture == 1) {
        QPainterPath tri;
        tri.moveTo(kColumnW / 2.0, 22);
        tri.lineTo(kColumnW - 2, 48);
        tri.lineTo(2, 48);
        tri.closeSubpath();
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(QColor(255, 220, 0));
        p.drawPath(tri);
        p.setPen(QPen(Qt::black, 2.2));
        p.drawLine(QPointF(kColumnW / 2.0, 30), QPointF(kColumnW / 2.0, 40));
        p.drawPoint(QPointF(kColumnW / 2.0, 44.5));
    }
    return pm;
}

// The two-button key fob: close button on the left, open button on the right, lamp on top.
constexpr int kFobW = 96;
constexpr int kFobH = 140;
const QRect kCloseButton(14, 56, 30, 30);
const QRect kOpenButton(52, 56, 30, 30);
const QPoint kLamp(48, 26);

QPixmap fobImage()
{
    QPixmap pm(kFobW, kFobH);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(QRectF(6, 6, kFobW - 12, kFobH - 12), 22, 22);
    p.setBrush(QColor(45, 45, 50));
    p.drawEllipse(QPointF(kLamp), 5, 5);
    p.setBrush(QColor(200, 200, 205));
    p.drawEllipse(kCloseButton.adjusted(3, 3, -3, -3));
    p.drawEllipse(kOpenButton.adjusted(3, 3, -3, -3));
    // Padlock shut on the close button, open on the other.
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 2; ++i) {
        const QRect b = i == 0 ? kCloseButton : kOpenButton;
        const QPointF c = b.center();
        p.drawRect(QRectF(c.x() - 5, c.y() - 1, 10, 7));
        const double shift = i == 0 ? 0 : 3;
        p.drawArc(QRectF(c.x() - 3.5 + shift, c.y() - 8, 7, 10), 0, 180 * 16);
    }
    p.setPen(QColor(160, 160, 170));
    p.drawText(QRect(0, 100, kFobW, 20), Qt::AlignCenter, QStringLiteral("KESTA"));
    return pm;
}

QLabel* overlay(const QString& name, const QPixmap& pm, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setPixmap(pm);
    l->setFixedSize(pm.size());
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->hide();
    return l;
}

QPixmap ring(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 200, 0), 3));
    p.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    return pm;
}

QPixmap redDot()
{
    QPixmap pm(5, 5);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::red);
    p.drawEllipse(QRectF(0, 0, 5, 5));
    return pm;
}

}  // namespace

TKestaTab::TKestaTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("KestaTab"));

    auto* inputs = new QGroupBox(Msg::GroupInputs, this);
    auto* inRow = new QHBoxLayout(inputs);
    for (int k = 1; k <= 9; ++k) {
        ledSensKESTA[size_t(k - 1)] = new TLed(QStringLiteral("ledSensKESTA%1").arg(k), TLed::YellowColor(), inputs);
        auto* cell = new QVBoxLayout;
        cell->addWidget(ledSensKESTA[size_t(k - 1)], 0, Qt::AlignHCenter);
        cell->addWidget(new QLabel(QString::number(k), inputs), 0, Qt::AlignHCenter);
        inRow->addLayout(cell);
    }

    auto* outputs = new QGroupBox(Msg::GroupOutputs, this);
    auto* outRow = new QHBoxLayout(outputs);
    for (int k = 1; k <= 7; ++k) {
        auto* b = new QPushButton(QString::number(k), outputs);
        b->setObjectName(QStringLiteral("btnRelayKESTA%1").arg(k));
        b->setAccessibleName(Msg::RelayAccessibleName.arg(k));
        b->setFixedSize(30, 26);
        btnRelayKESTA[size_t(k - 1)] = b;
        ledRelayKESTA[size_t(k - 1)] = new TLed(QStringLiteral("ledRelayKESTA%1").arg(k), TLed::RelayColor(), outputs);
        auto* cell = new QVBoxLayout;
        cell->addWidget(ledRelayKESTA[size_t(k - 1)], 0, Qt::AlignHCenter);
        cell->addWidget(b, 0, Qt::AlignHCenter);
        outRow->addLayout(cell);
        connect(b, &QPushButton::clicked, this, [this, k] { btnRelayKESTAClick(k); });
    }
    btnClearAllRelaysKESTA = new QPushButton(Msg::BtnAllOff, outputs);
    btnClearAllRelaysKESTA->setObjectName(QStringLiteral("btnClearAllRelaysKESTA"));
    outRow->addWidget(btnClearAllRelaysKESTA, 0, Qt::AlignBottom);
    connect(btnClearAllRelaysKESTA, &QPushButton::clicked, this, [this] { btnClearAllRelaysKESTAClick(); });

    auto* left = new QVBoxLayout;
    left->addWidget(inputs);
    left->addWidget(outputs);
    auto* lower = new QHBoxLayout;
    lower->addWidget(BuildFob());
    lower->addWidget(BuildFobList(), 1);
    left->addLayout(lower, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(BuildControl());
}

QWidget* TKestaTab::BuildFob()
{
    auto* box = new QWidget(this);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    auto* holder = new QWidget(box);
    holder->setFixedSize(kFobW, kFobH);
    Image1 = new QLabel(holder);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(fobImage());
    Image1->setGeometry(0, 0, kFobW, kFobH);
    picButtonCloseKESTA = overlay(QStringLiteral("picButtonCloseKESTA"), ring(kCloseButton.width()), holder);
    picButtonCloseKESTA->move(kCloseButton.topLeft());
    picButtonOpenKESTA = overlay(QStringLiteral("picButtonOpenKESTA"), ring(kOpenButton.width()), holder);
    picButtonOpenKESTA->move(kOpenButton.topLeft());
    picIndKESTA = overlay(QStringLiteral("picIndKESTA"), redDot(), holder);
    picIndKESTA->move(kLamp - QPoint(2, 2));
    v->addWidget(holder, 0, Qt::AlignHCenter);

    auto* row = new QHBoxLayout;
    edtPultSnKESTA = new QLineEdit(Msg::PresenceNoValue, box);
    edtPultSnKESTA->setObjectName(QStringLiteral("edtPultSnKESTA"));
    edtPultSnKESTA->setReadOnly(true);
    edtPultSnKESTA->setAlignment(Qt::AlignCenter);
    edtPultSnKESTA->setFixedWidth(90);
    btnCopyPultSnKESTA = PanelIconButton(box, "btnCopyPultSnKESTA", QStyle::SP_FileDialogContentsView, Msg::HintCopy);
    connect(btnCopyPultSnKESTA, &QPushButton::clicked, this, [this] { btnCopyPultSnKESTAClick(); });
    row->addWidget(edtPultSnKESTA);
    row->addWidget(btnCopyPultSnKESTA);
    v->addLayout(row);
    v->addStretch();
    return box;
}

QGroupBox* TKestaTab::BuildControl()
{
    gbControlKESTA = new QGroupBox(Msg::GroupControl, this);
    gbControlKESTA->setObjectName(QStringLiteral("gbControlKESTA"));
    gbControlKESTA->setFixedWidth(kColumnsLeft + 2 * kColumnPitch + kColumnW + 60);
    auto make = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, gbControlKESTA);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    btnUpKESTA = make(Msg::BtnKestaUp, "btnUpKESTA");
    btnDownKESTA = make(Msg::BtnKestaDown, "btnDownKESTA");
    btnStopKESTA = make(Msg::BtnKestaStop, "btnStopKESTA");
    connect(btnUpKESTA, &QPushButton::clicked, this, [this] { btnUpKESTAClick(); });
    connect(btnDownKESTA, &QPushButton::clicked, this, [this] { btnDownKESTAClick(); });
    connect(btnStopKESTA, &QPushButton::clicked, this, [this] { btnStopKESTAClick(); });

    // The columns stand at fixed places: the pump indicators are placed by pixel under them.
    auto* columns = new QWidget(gbControlKESTA);
    columns->setFixedHeight(kColumnsTop + kColumnH + 72);
    for (int i = 0; i < 3; ++i) {
        const int x = kColumnsLeft + i * kColumnPitch;
        auto* caption = new QLabel(QString::number(i + 1), columns);
        caption->setGeometry(x, kColumnsTop - 22, kColumnW, 16);
        caption->setAlignment(Qt::AlignCenter);
        imgKESTA[size_t(i)] = new QLabel(columns);
        imgKESTA[size_t(i)]->setObjectName(QStringLiteral("imgKESTA%1").arg(i + 1));
        imgKESTA[size_t(i)]->setGeometry(x, kColumnsTop, kColumnW, kColumnH);
        imgKESTA[size_t(i)]->setPixmap(columnImage(0));
        ledSensUpKESTA[size_t(i)] = new TLed(QStringLiteral("ledSensUp%1KESTA").arg(i + 1), TLed::LimeColor(), columns);
        ledSensUpKESTA[size_t(i)]->move(x + kColumnW + 2, kColumnsTop);
        ledSensDownKESTA[size_t(i)] =
            new TLed(QStringLiteral("ledSensDown%1KESTA").arg(i + 1), TLed::LimeColor(), columns);
        ledSensDownKESTA[size_t(i)]->move(x + kColumnW + 2, kColumnsTop + kColumnH - TLed::kSize);
    }
    for (int i = 0; i < 3; ++i) {
        Pumps[size_t(i)] = new TSCDPump(columns, kColumnsLeft + i * kColumnPitch - 1, kColumnsTop + kColumnH + 14, 15);
        Pumps[size_t(i)]->setObjectName(QStringLiteral("Pump%1KESTA").arg(i + 1));
    }

    edtTimeoutKESTA = new QLineEdit(gbControlKESTA);
    edtTimeoutKESTA->setObjectName(QStringLiteral("edtTimeoutKESTA"));
    edtTimeoutKESTA->setMaxLength(3);
    edtTimeoutKESTA->setFixedWidth(48);
    btnLoadTimeoutKESTA =
        PanelIconButton(gbControlKESTA, "btnLoadTimeoutKESTA", QStyle::SP_BrowserReload, Msg::HintReadTimeout);
    btnSaveTimeoutKESTA =
        PanelIconButton(gbControlKESTA, "btnSaveTimeoutKESTA", QStyle::SP_DialogSaveButton, Msg::HintWriteTimeout);
    connect(btnLoadTimeoutKESTA, &QPushButton::clicked, this, [this] { btnLoadTimeoutKESTAClick(); });
    connect(btnSaveTimeoutKESTA, &QPushButton::clicked, this, [this] { btnSaveTimeoutKESTAClick(); });

    auto* v = new QVBoxLayout(gbControlKESTA);
    v->addWidget(btnUpKESTA);
    v->addWidget(btnDownKESTA);
    v->addWidget(btnStopKESTA);
    v->addWidget(columns);
    auto* label = new QLabel(Msg::LabelTimeoutKESTA, gbControlKESTA);
    v->addWidget(label);
    auto* row = new QHBoxLayout;
    row->addWidget(edtTimeoutKESTA);
    row->addWidget(btnLoadTimeoutKESTA);
    row->addWidget(btnSaveTimeoutKESTA);
    row->addStretch();
    v->addLayout(row);
    v->addStretch();
    return gbControlKESTA;
}

QWidget* TKestaTab::BuildFobList()
{
    auto* box = new QWidget(this);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    dbgKESTA = new QTableWidget(0, 2, box);
    dbgKESTA->setObjectName(QStringLiteral("dbgKESTA"));
    dbgKESTA->setHorizontalHeaderLabels({Msg::DeviceColN, Msg::FobColCode});
    dbgKESTA->verticalHeader()->hide();
    dbgKESTA->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgKESTA->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgKESTA->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgKESTA->horizontalHeader()->setStretchLastSection(true);
    dbgKESTA->setColumnWidth(0, 36);
    dbgKESTA->verticalHeader()->setDefaultSectionSize(20);
    connect(dbgKESTA, &QTableWidget::currentCellChanged, this, [this](int row) { mdKESTA.SetCurrent(row); });
    connect(dbgKESTA, &QTableWidget::cellDoubleClicked, this, [this] { btnEditSNClick(); });

    btnAddSN = PanelIconButton(box, "btnAddSN", QStyle::SP_FileDialogNewFolder, Msg::FobHintAdd);
    btnEditSN = PanelIconButton(box, "btnEditSN", QStyle::SP_FileDialogDetailedView, Msg::FobHintEdit);
    btnDeleteSN = PanelIconButton(box, "btnDeleteSN", QStyle::SP_TrashIcon, Msg::FobHintDelete);
    btnLoadSN = PanelIconButton(box, "btnLoadSN", QStyle::SP_ArrowDown, Msg::HintLoadFromController);
    btnSaveSN = PanelIconButton(box, "btnSaveSN", QStyle::SP_ArrowUp, Msg::HintSaveToController);
    connect(btnAddSN, &QPushButton::clicked, this, [this] { btnAddSNClick(); });
    connect(btnEditSN, &QPushButton::clicked, this, [this] { btnEditSNClick(); });
    connect(btnDeleteSN, &QPushButton::clicked, this, [this] { btnDeleteSNClick(); });
    connect(btnLoadSN, &QPushButton::clicked, this, [this] { btnLoadSNClick(); });
    connect(btnSaveSN, &QPushButton::clicked, this, [this] { btnSaveSNClick(); });
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {btnAddSN, btnEditSN, btnDeleteSN})
        row->addWidget(b);
    row->addStretch();
    row->addWidget(btnLoadSN);
    row->addWidget(btnSaveSN);
    v->addLayout(row);
    v->addWidget(dbgKESTA, 1);
    return box;
}

void TKestaTab::ShowDevice(const TPresenceFeed& feed)
{
    FParams = feed.Params;
}

int TKestaTab::ColumnPicture(int i) const
{
    return FColumnPicture[size_t(i)];
}

void TKestaTab::SetColumnPicture(int i, int picture)
{
    if (ColumnPicture(i) == picture)
        return;
    imgKESTA[size_t(i)]->setPixmap(columnImage(picture));
    FColumnPicture[size_t(i)] = picture;
}

void TKestaTab::tmrKESTATimer()
{
    if (!Host.Session().ZevaLink())
        return;
    const panels::KestaView v = panels::KestaViewOf(FParams);
    for (QPushButton* b : btnRelayKESTA)
        b->setEnabled(v.valid);
    btnClearAllRelaysKESTA->setEnabled(v.valid);
    for (size_t k = 0; k < 7; ++k)
        ledRelayKESTA[k]->SetOn(v.outputLit[k]);
    for (size_t k = 0; k < 9; ++k)
        ledSensKESTA[k]->SetOn(v.inputLit[k]);
    for (size_t i = 0; i < 3; ++i) {
        ledSensUpKESTA[i]->SetOn(v.upperLimit[i]);
        ledSensDownKESTA[i]->SetOn(v.lowerLimit[i]);
    }
    picButtonCloseKESTA->setVisible(v.fobClose);
    picButtonOpenKESTA->setVisible(v.fobOpen);
    picIndKESTA->setVisible(v.fobLamp);
    edtPultSnKESTA->setText(v.codeText);
    if (!v.valid) {
        // The column pictures keep what they show.
        for (TSCDPump* p : Pumps)
            p->Stop();
        return;
    }
    for (size_t i = 0; i < 3; ++i) {
        switch (panels::PumpActionOf(v.drive[i])) {
        case panels::PumpAction::Forward: Pumps[i]->StartForward(); break;
        case panels::PumpAction::Inverse: Pumps[i]->StartInverse(); break;
        case panels::PumpAction::Stop: Pumps[i]->Stop(); break;
        case panels::PumpAction::Keep: break;
        }
        SetColumnPicture(int(i), panels::DriveWarning(v.drive[i]) ? 1 : 0);
    }
    if (mdKESTA.Locate(v.code))
        ShowFobList();
}

void TKestaTab::DemoShot()
{
    btnLoadSNClick();
    btnLoadTimeoutKESTAClick();
    btnUpKESTAClick();
}

TExchangeResult TKestaTab::Exchange(uint8_t cmd, std::span<const uint8_t> payload)
{
    TTabTimerStop stop(TabTimer());
    TPresencePause pause(Host.Session());
    return Host.Session().Send(cmd, payload);
}

void TKestaTab::btnRelayKESTAClick(int k)
{
    TLed* led = ledRelayKESTA[size_t(k - 1)];
    led->SetOn(!led->IsOn());
    std::array<bool, 7> lit{};
    for (size_t i = 0; i < 7; ++i)
        lit[i] = ledRelayKESTA[i]->IsOn();
    const uint8_t bits[] = {panels::BitsOf(lit)};
    ClearDone();
    ShowToggled(Exchange(zcmd::kesta::kOutputs, bits).Accepted(), QString::number(k), led->IsOn());
}

void TKestaTab::btnClearAllRelaysKESTAClick()
{
    const uint8_t payload[] = {0x00};
    SendCommand(zcmd::kesta::kOutputs, payload, Msg::StatusAllRelaysOff);
}

void TKestaTab::SendCommand(uint8_t cmd, std::span<const uint8_t> payload, const QString& doneText)
{
    ClearDone();
    if (Exchange(cmd, payload).Accepted())
        ShowDone(doneText);
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TKestaTab::btnUpKESTAClick()
{
    const uint8_t payload[] = {0x00};
    SendCommand(zcmd::kesta::kUp, payload, Msg::StatusCommandAccepted.arg(Msg::BtnKestaUp));
    for (TSCDPump* p : Pumps)
        p->StartForward();
}

void TKestaTab::btnDownKESTAClick()
{
    const uint8_t payload[] = {0x00};
    // The pumps follow at the next refresh.
    SendCommand(zcmd::kesta::kDown, payload, Msg::StatusCommandAccepted.arg(Msg::BtnKestaDown));
}

void TKestaTab::btnStopKESTAClick()
{
    const uint8_t payload[] = {0x00};
    SendCommand(zcmd::kesta::kStop, payload, Msg::StatusCommandAccepted.arg(Msg::BtnKestaStop));
    for (TSCDPump* p : Pumps)
        p->Stop();
}

void TKestaTab::btnLoadSNClick()
{
    const TExchangeResult r = Exchange(zcmd::kesta::kReadFobs, {});
    if (!r.Accepted()) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return;
    }
    auto codes = panels::FobListOf(r.Answer);
    if (!codes) {
        // The old list stays, and the user must know it is not the controller's: saved into
        // another controller it would hand out the wrong key fobs.
        ShowMessage(MsgKind::Warning, Msg::FobListNotRead);
        return;
    }
    mdKESTA.Replace(std::move(*codes));
    ShowFobList();
}

void TKestaTab::btnSaveSNClick()
{
    if (!AskYesNo(Msg::AskSaveData, AskIcon::Question))
        return;
    const std::vector<uint8_t> payload = panels::FobListPayload(mdKESTA.Codes());
    SendCommand(zcmd::kesta::kWriteFobs, payload, Msg::StatusFobsWritten);
}

void TKestaTab::btnLoadTimeoutKESTAClick()
{
    const TExchangeResult r = Exchange(zcmd::kesta::kReadTimeout, {});
    if (!r.Accepted()) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return;
    }
    if (const auto seconds = panels::TimeoutOf(r.Answer))
        edtTimeoutKESTA->setText(QString::number(*seconds));
}

void TKestaTab::btnSaveTimeoutKESTAClick()
{
    if (!AskYesNo(Msg::AskSaveData, AskIcon::Question))
        return;
    const unsigned value = panels::TimeoutToWrite(edtTimeoutKESTA->text());
    const std::vector<uint8_t> payload = panels::TimeoutPayload(value);
    edtTimeoutKESTA->setText(QString::number(value));
    SendCommand(zcmd::kesta::kWriteTimeout, payload, Msg::StatusTimeoutWritten);
}

void TKestaTab::btnAddSNClick()
{
    if (!mdKESTA.CanAdd())
        return;
    TfrmEditBrelok dialog(Host.DialogParent(), mdKESTA, true);
    if (dialog.exec() == QDialog::Accepted)
        ShowFobList();
}

void TKestaTab::btnEditSNClick()
{
    TfrmEditBrelok dialog(Host.DialogParent(), mdKESTA, false);
    if (dialog.exec() == QDialog::Accepted)
        ShowFobList();
}

void TKestaTab::btnDeleteSNClick()
{
    if (mdKESTA.IsEmpty() || !AskYesNo(Msg::AskDeleteRecord, AskIcon::Warning))
        return;
    mdKESTA.DeleteCurrent();
    ShowFobList();
}

void TKestaTab::btnCopyPultSnKESTAClick()
{
    QApplication::clipboard()->setText(edtPultSnKESTA->text());
}

void TKestaTab::ShowFobList()
{
    const QSignalBlocker block(dbgKESTA);
    const std::vector<uint32_t>& codes = mdKESTA.Codes();
    dbgKESTA->setRowCount(int(codes.size()));
    for (int row = 0; row < int(codes.size()); ++row) {
        auto* n = new QTableWidgetItem(QString::number(row + 1));
        n->setTextAlignment(Qt::AlignCenter);
        auto* code = new QTableWidgetItem(panels::FobCodeText(codes[size_t(row)]));
        // Even rows on the light stripe.
        const QBrush stripe = (row + 1) % 2 == 0 ? QBrush(QColor(240, 240, 234)) : QBrush(Qt::white);
        n->setBackground(stripe);
        code->setBackground(stripe);
        dbgKESTA->setItem(row, 0, n);
        dbgKESTA->setItem(row, 1, code);
    }
    if (mdKESTA.Current() >= 0)
        dbgKESTA->selectRow(mdKESTA.Current());
}

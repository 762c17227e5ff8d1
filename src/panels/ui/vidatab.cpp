#include "panels/ui/vidatab.h"

#include <cmath>

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "panels/panelint.h"
#include "panels/ui/leddisplay.h"

using namespace panels;

namespace {

const QColor kOrange(255, 128, 0);

QLineEdit* readOnly(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(true);
    return e;
}

// The user's number format with thousands separators, 3 decimals, 6 significant digits.
QString reading(float v)
{
    const double six = QString::number(double(v), 'g', 6).toDouble();
    return QLocale().toString(six, 'f', 3);
}

}  // namespace

TVidaGauge::TVidaGauge(QWidget* parent) : QWidget(parent)
{
    setFixedSize(Gauge::kSide, Gauge::kSide);
    Show(TVIDAData::kNoAngle);
}

QImage TVidaGauge::Draw(uint16_t angle)
{
    constexpr int S = Gauge::kSide;
    QImage img(S, S, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setPen(QPen(kOrange, 1));
    p.setBrush(Qt::black);
    p.drawEllipse(QRect(10, 10, S - 20 - 1, S - 20 - 1));
    p.setPen(QPen(kOrange, 1, Qt::DotLine));
    p.drawLine(S / 2, 5, S / 2, S - 5);
    p.drawLine(5, S / 2, S - 5, S / 2);
    p.drawLine(50, 50, S - 50, S - 50);
    p.drawLine(S - 50, 50, 50, S - 50);
    const Gauge::TMarker m = Gauge::Marker(angle);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(m.Brush == Gauge::mbRed     ? QColor(255, 0, 0)
               : m.Brush == Gauge::mbWhite ? QColor(Qt::white)
                                           : QColor(0, 255, 0));
    p.drawEllipse(QRect(m.X - 10, m.Y - 10, 20 - 1, 20 - 1));
    return img;
}

void TVidaGauge::Show(uint16_t angle)
{
    FImage = Draw(angle);
    update();
}

void TVidaGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, FImage);
}

TVidaTab::TVidaTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("VidaTab"));
    auto* dataBox = new QGroupBox(Msg::VidaData, this);
    ledVIDAAngle = new TLEDDisplay(dataBox);
    ledVIDAAngle->setObjectName(QStringLiteral("ledVIDAAngle"));
    ledVIDAAngle->setFixedSize(142, 30);
    ledVIDAAngle->SetAlignment(laRight);
    ledVIDAAngle->SetSegOnColor(QColor(0, 255, 0));
    edtVIDAGX = readOnly(dataBox, "edtVIDAGX");
    edtVIDAGY = readOnly(dataBox, "edtVIDAGY");
    edtVIDACalX = readOnly(dataBox, "edtVIDACalX");
    edtVIDACalY = readOnly(dataBox, "edtVIDACalY");
    auto* zone = new QGroupBox(Msg::VidaAlarmZone, dataBox);
    edtVIDAAngleMin = new QLineEdit(zone);
    edtVIDAAngleMin->setObjectName(QStringLiteral("edtVIDAAngleMin"));
    edtVIDAAngleMin->setMaxLength(4);
    edtVIDAAngleMax = new QLineEdit(zone);
    edtVIDAAngleMax->setObjectName(QStringLiteral("edtVIDAAngleMax"));
    edtVIDAAngleMax->setMaxLength(4);
    auto tagged = [](QWidget* box, const QString& text, const char* name) {
        auto* b = new QPushButton(text, box);
        b->setObjectName(QLatin1String(name));
        b->setProperty("tag", 3);
        return b;
    };
    btnVIDASaveZoneAlert = tagged(zone, Msg::VidaSave, "btnVIDASaveZoneAlert");
    btnVIDACalibrate = tagged(dataBox, Msg::VidaCalibrate, "btnVIDACalibrate");
    btnReadVIDAData = tagged(dataBox, Msg::VidaRead, "btnReadVIDAData");
    auto* zoneForm = new QFormLayout(zone);
    zoneForm->addRow(Msg::VidaAngleMin, edtVIDAAngleMin);
    zoneForm->addRow(Msg::VidaAngleMax, edtVIDAAngleMax);
    zoneForm->addRow(btnVIDASaveZoneAlert);
    auto* dataForm = new QFormLayout;
    dataForm->addRow(new QLabel(Msg::VidaAngle, dataBox));
    dataForm->addRow(ledVIDAAngle);
    dataForm->addRow(QStringLiteral("GX:"), edtVIDAGX);
    dataForm->addRow(QStringLiteral("GY:"), edtVIDAGY);
    dataForm->addRow(QStringLiteral("CalX:"), edtVIDACalX);
    dataForm->addRow(QStringLiteral("CalY:"), edtVIDACalY);
    auto* dataLayout = new QVBoxLayout(dataBox);
    dataLayout->addLayout(dataForm);
    dataLayout->addWidget(zone);
    dataLayout->addWidget(btnVIDACalibrate);
    dataLayout->addWidget(btnReadVIDAData);
    dataLayout->addStretch();

    auto* position = new QGroupBox(Msg::VidaPosition, this);
    ImageVIDA = new TVidaGauge(position);
    ImageVIDA->setObjectName(QStringLiteral("ImageVIDA"));
    btnStartVIDA = new QToolButton(position);
    btnStartVIDA->setObjectName(QStringLiteral("btnStartVIDA"));
    btnStartVIDA->setText(Msg::VidaStart);
    btnStopVIDA = new QToolButton(position);
    btnStopVIDA->setObjectName(QStringLiteral("btnStopVIDA"));
    btnStopVIDA->setText(Msg::VidaStop);
    auto* pair = new QButtonGroup(position);
    for (QToolButton* b : {btnStartVIDA, btnStopVIDA}) {
        b->setCheckable(true);
        b->setMinimumWidth(80);
        pair->addButton(b);
    }
    btnStopVIDA->setChecked(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnStartVIDA);
    buttons->addWidget(btnStopVIDA);
    buttons->addStretch();
    auto* positionLayout = new QVBoxLayout(position);
    positionLayout->addWidget(ImageVIDA);
    positionLayout->addLayout(buttons);
    positionLayout->addStretch();

    tmrVIDA = new QTimer(this);
    tmrVIDA->setObjectName(QStringLiteral("tmrVIDA"));
    tmrVIDA->setInterval(100);

    connect(btnReadVIDAData, &QPushButton::clicked, this, [this] { btnReadVIDADataClick(); });
    connect(btnVIDACalibrate, &QPushButton::clicked, this, [this] { btnVIDACalibrateClick(); });
    connect(btnVIDASaveZoneAlert, &QPushButton::clicked, this, [this] { btnVIDASaveZoneAlertClick(); });
    connect(btnStartVIDA, &QToolButton::clicked, this, [this] { btnStartVIDAClick(); });
    connect(btnStopVIDA, &QToolButton::clicked, this, [this] { btnStopVIDAClick(); });
    connect(tmrVIDA, &QTimer::timeout, this, [this] { tmrVIDATimer(); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(dataBox);
    layout->addWidget(position);
    layout->addStretch();
    DrawAngleGauge(FData.Angle());
}

TVidaTab::~TVidaTab()
{
    tmrVIDA->stop();
}

void TVidaTab::DrawAngleGauge(uint16_t angle)
{
    ImageVIDA->Show(angle);
}

bool TVidaTab::ReadVIDAData()
{
    const TExchangeResult r = Host.Session().Send(zcmd::vida::kRead);
    // Only a whole record replaces the one kept.
    return r.Accepted() && FData.Assign(r.Answer);
}

bool TVidaTab::WriteVIDAData()
{
    return Host.Session().Send(zcmd::vida::kWrite, FData.Bytes()).Accepted();
}

void TVidaTab::ShowData()
{
    ledVIDAAngle->SetCaption(QString::number(FData.Angle()) + QChar(0xB0));
    edtVIDAAngleMin->setText(QString::number(FData.AngleMin()));
    edtVIDAAngleMax->setText(QString::number(FData.AngleMax()));
    edtVIDAGX->setText(reading(FData.GX()));
    edtVIDAGY->setText(reading(FData.GY()));
    edtVIDACalX->setText(reading(FData.CalX()));
    edtVIDACalY->setText(reading(FData.CalY()));
    DrawAngleGauge(FData.Angle());
}

void TVidaTab::btnReadVIDADataClick()
{
    TPresencePause pause(Host.Session());
    if (ReadVIDAData()) {
        ShowData();
    } else {
        DrawAngleGauge(TVIDAData::kNoAngle);
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
    }
}

void TVidaTab::btnVIDACalibrateClick()
{
    if (AskYesNo(Msg::VidaAskCalibrate, AskIcon::Warning))
        ChangeVIDAData([this] { FData.Calibrate(); }, Msg::StatusCalibrationWritten);
}

void TVidaTab::btnVIDASaveZoneAlertClick()
{
    if (AskYesNo(Msg::VidaAskSaveZone, AskIcon::Question))
        ChangeVIDAData(
            [this] { FData.SetZone(PanelInt(edtVIDAAngleMin->text(), 0), PanelInt(edtVIDAAngleMax->text(), 0)); },
            Msg::StatusZoneWritten);
}

void TVidaTab::ChangeVIDAData(const std::function<void()>& change, const QString& doneText)
{
    TPresencePause pause(Host.Session());
    ClearDone();
    if (!ReadVIDAData()) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return;
    }
    change();
    if (WriteVIDAData())
        ShowDone(doneText);
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TVidaTab::btnStartVIDAClick()
{
    btnStartVIDA->setChecked(true);
    if (!FMeasure)
        FMeasure = std::make_unique<TPresencePause>(Host.Session());
    tmrVIDA->start();
}

void TVidaTab::btnStopVIDAClick()
{
    btnStopVIDA->setChecked(true);
    tmrVIDA->stop();
    FData.SetAngle(TVIDAData::kNoAngle);
    DrawAngleGauge(TVIDAData::kNoAngle);
    // Presence runs again only if "СТАРТ" stopped it: a second "СТОП" starts nothing.
    FMeasure.reset();
}

void TVidaTab::tmrVIDATimer()
{
    if (ReadVIDAData())
        ShowData();
    else
        DrawAngleGauge(TVIDAData::kNoAngle);
}

void TVidaTab::DemoShot()
{
    btnReadVIDADataClick();
}

#include "map/ui/frmmap.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "map/mappage.h"
#include "map/mapview.h"

TfrmMap::TfrmMap(const QString& path, std::vector<TMapTurn> turns, const TMapTiles& tiles, QWidget* parent)
    : QDialog(parent), Path(path), FTurns(std::move(turns))
{
    setObjectName(QStringLiteral("frmMap"));
    setWindowTitle(Msg::MapCaption);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Panel = new QWidget(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));

    auto* scale = new QGroupBox(Msg::MapGroupScale, Panel1);
    auto button = [scale](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, scale);
        b->setObjectName(name);
        b->setEnabled(false);
        return b;
    };
    btnZoomAll = button(QStringLiteral("btnZoomAll"), Msg::MapZoomAll);
    btnZoomIn = button(QStringLiteral("btnZoomIn"), Msg::MapZoomIn);
    btnZoomOut = button(QStringLiteral("btnZoomOut"), Msg::MapZoomOut);
    auto* scaleLayout = new QVBoxLayout(scale);
    scaleLayout->addWidget(btnZoomAll);
    scaleLayout->addWidget(btnZoomIn);
    scaleLayout->addWidget(btnZoomOut);

    auto check = [this](const QString& name, const QString& caption) {
        auto* c = new QCheckBox(caption, Panel1);
        c->setObjectName(name);
        c->setChecked(true);
        c->setEnabled(false);
        return c;
    };
    cbShowLines = check(QStringLiteral("cbShowLines"), Msg::MapShowLines);
    cbShowPoints = check(QStringLiteral("cbShowPoints"), Msg::MapShowPoints);
    auto* side = new QVBoxLayout(Panel1);
    side->setContentsMargins(4, 4, 4, 4);
    side->addWidget(scale);
    side->addWidget(cbShowLines);
    side->addWidget(cbShowPoints);
    side->addStretch();

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    middle->addWidget(Panel, 1);
    middle->addWidget(Panel1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(middle, 1);
    outer->addWidget(StatusBar);
    resize(kClientWidth, kClientHeight);

    MapFrame = new TGoogleMapFrame(tiles, Panel);
    auto* fill = new QVBoxLayout(Panel);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(MapFrame);
    connect(MapFrame, &TBaseMapFrame::MapLoaded, this, &TfrmMap::LoadRoute);

    connect(btnZoomAll, &QPushButton::clicked, this, [this] { MapFrame->ZoomToRoute(); });
    connect(btnZoomIn, &QPushButton::clicked, this, [this] { MapFrame->ZoomIn(); });
    connect(btnZoomOut, &QPushButton::clicked, this, [this] { MapFrame->ZoomOut(); });
    connect(cbShowLines, &QCheckBox::clicked, this, [this](bool on) { MapFrame->SetShowLines(on); });
    connect(cbShowPoints, &QCheckBox::clicked, this, [this](bool on) { MapFrame->SetShowPoints(on); });

    MapFrame->SetLocation(QDir(Path).filePath(QStringLiteral("map.html")));
    StatusBar->showMessage(QStringLiteral("  ") + Msg::MapLoading);
}

TfrmMap::~TfrmMap()
{
    FormClose();
}

void TfrmMap::LoadRoute()
{
    ::LoadRoute(*MapFrame, FTurns);
    for (QWidget* w : std::initializer_list<QWidget*>{btnZoomAll, btnZoomIn, btnZoomOut, cbShowLines, cbShowPoints})
        w->setEnabled(true);
    StatusBar->clearMessage();
    emit RouteLoaded();
}

void TfrmMap::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TfrmMap::FormClose()
{
    if (!MapFrame)
        return;
    // A close may come from inside the page's own signal (a handler of RouteLoaded): the frame and
    // its page go once that has returned.
    for (QWidget* w : std::initializer_list<QWidget*>{btnZoomAll, btnZoomIn, btnZoomOut, cbShowLines, cbShowPoints})
        w->setEnabled(false);
    MapFrame->hide();
    MapFrame->setParent(nullptr);
    MapFrame->deleteLater();
    MapFrame = nullptr;
}

bool TfrmMap::ShowTurns(QWidget* parent, const QString& folder, std::vector<TMapTurn> turns, const TMapTiles& tiles)
{
    const TMapPageFiles page(folder);
    if (!page.Ok()) {
        ShowMessage(MsgKind::Error, Msg::FileSystemError + QStringLiteral("\r\n") + page.Error());
        return false;
    }
    TfrmMap form(folder, std::move(turns), tiles, parent);
    form.exec();
    return true;
}

void TfrmMap::Install()
{
    InstallMapViewOpener([](QWidget* parent, const TMapRequest& r) {
        ShowTurns(parent, r.Folder, r.Turns,
                  TMapTiles{r.TileSource, r.TileAttribution, r.TileCacheFolder, r.TileCacheBytes});
    });
}

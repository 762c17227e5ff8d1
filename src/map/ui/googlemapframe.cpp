#include "map/ui/googlemapframe.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "base/messages.h"
#include "base/messageservice.h"
#include "map/mapscripts.h"
#include "versiondefs.h"

namespace {
// The browser's sandbox refuses to start for root; it must be told before its first use.
void PrepareBrowser()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}
}  // namespace

TGoogleMapFrame::TGoogleMapFrame(const TMapTiles& tiles, QWidget* parent) : TBaseMapFrame(parent)
{
    PrepareBrowser();
    // Tile servers ask programs to name themselves instead of passing as a browser.
    FProfile = new QWebEngineProfile(this);
    FProfile->setHttpUserAgent(QStringLiteral(ZEVANTA_PRODUCT_NAME "/" ZEVANTA_VERSION_STRING " (route map view)"));

    QWebEngineScript source;
    source.setName(QStringLiteral("tiles"));
    source.setInjectionPoint(QWebEngineScript::DocumentCreation);
    source.setWorldId(QWebEngineScript::MainWorld);
    source.setSourceCode(MapScript::TileSource(tiles.Url, tiles.Attribution));
    FProfile->scripts()->insert(source);

    WebBrowser = new QWebEngineView(this);
    WebBrowser->setObjectName(QStringLiteral("WebBrowser"));
    auto* page = new QWebEnginePage(FProfile, WebBrowser);
    // The page is a local file; its tiles come from the network.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    WebBrowser->setPage(page);
    WebBrowser->setContextMenuPolicy(Qt::NoContextMenu);
    connect(page, &QWebEnginePage::loadFinished, this, &TGoogleMapFrame::LoadFinished);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WebBrowser);
}

TGoogleMapFrame::~TGoogleMapFrame()
{
    ClearPoints();
    // The page must go before the profile it runs in.
    QWebEngineView* view = WebBrowser;
    WebBrowser = nullptr;
    delete view;
}

void TGoogleMapFrame::LoadFinished(bool ok)
{
    if (!ok || FInitialized)
        return;
    FInitialized = true;
    emit MapLoaded(this);
}

void TGoogleMapFrame::ExecScript(const QString& text)
{
    if (text.trimmed().isEmpty() || !FInitialized || !WebBrowser)
        return;
    ++FPending;
    QPointer<TGoogleMapFrame> self(this);
    WebBrowser->page()->runJavaScript(MapScript::Guarded(text), [self](const QVariant& result) {
        if (!self || !self->WebBrowser)
            return;  // the window is closing
        const QString error = result.toString();
        if (!error.isEmpty())
            ShowMessage(MsgKind::Error, error, Msg::MapScriptError);
        if (--self->FPending == 0)
            emit self->ScriptsDone();
    });
}

void TGoogleMapFrame::RefreshPoints()
{
    for (const QString& script : MapScript::Refresh(*this))
        ExecScript(script);
}

void TGoogleMapFrame::ShowPoint(int index)
{
    for (const QString& script : MapScript::ShowPoint(*this, index))
        ExecScript(script);
}

void TGoogleMapFrame::HidePoint(int index)
{
    ExecScript(MapScript::HidePoint(*this, index));
}

void TGoogleMapFrame::SetLocation(const QString& location)
{
    FLocation = location;
    WebBrowser->setUrl(QUrl::fromUserInput(location, QString(), QUrl::AssumeLocalFile));
}

void TGoogleMapFrame::SetCenter(double latitude, double longitude, int scale)
{
    ExecScript(MapScript::SetCenter(latitude, longitude, scale));
}

void TGoogleMapFrame::ZoomIn()
{
    ExecScript(MapScript::ZoomIn());
}

void TGoogleMapFrame::ZoomOut()
{
    ExecScript(MapScript::ZoomOut());
}

void TGoogleMapFrame::UnZoom()
{
    SetCenter(MapScript::UnZoomLatitude, MapScript::UnZoomLongitude, MapScript::UnZoomScale);
}

void TGoogleMapFrame::ClearPoints()
{
    ExecScript(MapScript::RemoveAllLabels(*this));
    TBaseMapFrame::ClearPoints();
}

void TGoogleMapFrame::ZoomToRoute()
{
    ExecScript(MapScript::ZoomToRoute(*this));
}

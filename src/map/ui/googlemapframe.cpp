#include "map/ui/googlemapframe.h"

#include <QBuffer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "base/messages.h"
#include "base/messageservice.h"
#include "map/mapscripts.h"
#include "map/maptiles.h"
#include "versiondefs.h"

namespace {
// The page asks the program for its tiles under this scheme: "zevanta-tiles:/z/x/y".
const QByteArray kTileScheme = QByteArrayLiteral("zevanta-tiles");

// The browser's sandbox refuses to start for root, and schemes of the program must be known before
// the browser starts: both are told before its first use.
void PrepareBrowser()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    static const bool registered = [] {
        QWebEngineUrlScheme scheme(kTileScheme);
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        // Local, like the page's own files: a page from the network could not read it.
        scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
        QWebEngineUrlScheme::registerScheme(scheme);
        return true;
    }();
    (void)registered;
}

// Hands the page's tile requests to the provider.
class TTileSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    TTileSchemeHandler(TTileProvider* tiles, QObject* parent) : QWebEngineUrlSchemeHandler(parent), FTiles(tiles) {}

    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        const QStringList parts = job->requestUrl().path().split(u'/', Qt::SkipEmptyParts);
        bool okZ = false, okX = false, okY = false;
        const TTileKey key{parts.value(0).toInt(&okZ), parts.value(1).toInt(&okX), parts.value(2).toInt(&okY)};
        if (parts.size() != 3 || !okZ || !okX || !okY || !key.Valid()) {
            job->fail(QWebEngineUrlRequestJob::UrlInvalid);
            return;
        }
        QPointer<QWebEngineUrlRequestJob> alive(job);
        FTiles->Request(key, job, [alive](const QByteArray& data) {
            if (!alive)
                return;  // the page no longer wants it
            if (data.isEmpty()) {
                alive->fail(QWebEngineUrlRequestJob::UrlNotFound);
                return;
            }
            auto* body = new QBuffer(alive);
            body->setData(data);
            body->open(QIODevice::ReadOnly);
            alive->reply(TileMimeType(data), body);
        });
    }

private:
    TTileProvider* FTiles;
};

// The page never goes to the network itself: what it shows comes from the program's files and
// tiles, so a machine without a network shows the same map.
class TOfflinePage : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != u"file" && scheme != QLatin1String(kTileScheme) && scheme != u"data" && scheme != u"blob")
            info.block(true);
    }
};
}  // namespace

TGoogleMapFrame::TGoogleMapFrame(const TMapTiles& tiles, QWidget* parent) : TBaseMapFrame(parent)
{
    PrepareBrowser();
    // Tile servers ask programs to name themselves instead of passing as a browser.
    const QByteArray userAgent = QByteArrayLiteral(ZEVANTA_PRODUCT_NAME "/" ZEVANTA_VERSION_STRING " (route map view)");
    FProfile = new QWebEngineProfile(this);
    FProfile->setHttpUserAgent(QString::fromLatin1(userAgent));
    FProfile->setUrlRequestInterceptor(new TOfflinePage(FProfile));
    FTiles = new TTileProvider({tiles.Source, tiles.CacheFolder, tiles.CacheBytes, userAgent}, this);
    FProfile->installUrlSchemeHandler(kTileScheme, new TTileSchemeHandler(FTiles, FProfile));

    QWebEngineScript source;
    source.setName(QStringLiteral("tiles"));
    source.setInjectionPoint(QWebEngineScript::DocumentCreation);
    source.setWorldId(QWebEngineScript::MainWorld);
    const bool anyTiles = FTiles->Kind() != TTileSourceKind::None;
    source.setSourceCode(MapScript::TileSource(
        anyTiles ? QString::fromLatin1(kTileScheme) + QStringLiteral(":/{z}/{x}/{y}") : QString(), tiles.Attribution));
    FProfile->scripts()->insert(source);

    WebBrowser = new QWebEngineView(this);
    WebBrowser->setObjectName(QStringLiteral("WebBrowser"));
    auto* page = new QWebEnginePage(FProfile, WebBrowser);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
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

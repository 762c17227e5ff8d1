#pragma once
#include <QPointer>

#include "map/ui/basemapframe.h"

class QWebEngineProfile;
class QWebEngineView;

class TTileProvider;

// Where the map's background tiles come from: a server address with {z}, {x} and {y}, a folder of
// z/x/y.png or an MBTiles file; empty leaves the map blank. Tiles from a server are kept in the
// cache folder (none: not kept).
struct TMapTiles {
    QString Source;
    QString Attribution;
    QString CacheFolder{};
    qint64 CacheBytes = 200LL * 1024 * 1024;
};

// Draws on a web page of the classic map objects by running a script text for every operation.
class TGoogleMapFrame : public TBaseMapFrame {
    Q_OBJECT
public:
    explicit TGoogleMapFrame(const TMapTiles& tiles, QWidget* parent = nullptr);
    ~TGoogleMapFrame() override;

    void RefreshPoints() override;
    void ShowPoint(int index) override;
    void HidePoint(int index) override;
    void SetLocation(const QString& location) override;
    void SetCenter(double latitude, double longitude, int scale) override;
    void ZoomIn() override;
    void ZoomOut() override;
    void UnZoom() override;
    void ClearPoints() override;
    void ZoomToRoute() override;

    // Runs the text in the page once it has loaded (nothing before, nothing for a blank text). A
    // script that fails shows its error message; the frame carries on.
    void ExecScript(const QString& text);

    bool Initialized() const { return FInitialized; }
    QString Location() const { return FLocation; }
    // Scripts sent to the page whose outcome has not come back yet.
    int PendingScripts() const { return FPending; }

    QWebEngineView* WebBrowser = nullptr;

signals:
    // The page has answered every script sent so far.
    void ScriptsDone();

private:
    void LoadFinished(bool ok);

    QWebEngineProfile* FProfile = nullptr;
    TTileProvider* FTiles = nullptr;
    QString FLocation;
    bool FInitialized = false;
    int FPending = 0;
};

#pragma once
#include <functional>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;

// One square of the map's background: zoom level, column from the west, row from the north.
struct TTileKey {
    int Z = 0;
    int X = 0;
    int Y = 0;
    // Rows and columns that exist at the zoom level; anything else is no tile.
    bool Valid() const;
    bool operator==(const TTileKey&) const = default;
};

// What a tile source setting names: an address with {z}, {x} and {y} (http or https), an MBTiles
// file (SQLite; by its ".mbtiles" suffix) or a folder of z/x/y.png; empty: no background.
enum class TTileSourceKind { None, Online, Folder, MbTiles };
TTileSourceKind TileSourceKind(const QString& source);

// The content type of tile bytes by their signature (PNG, JPEG, WebP).
QByteArray TileMimeType(const QByteArray& data);

// Tiles of an MBTiles file, opened read-only. Its rows count from the south.
class TMbTiles {
public:
    explicit TMbTiles(const QString& path);
    ~TMbTiles();
    TMbTiles(const TMbTiles&) = delete;
    TMbTiles& operator=(const TMbTiles&) = delete;

    bool Ok() const { return FOk; }
    QString Error() const { return FError; }
    // Empty when the file has no such tile.
    QByteArray Tile(const TTileKey& key) const;

private:
    QString FConnection;
    QString FError;
    bool FOk = false;
};

// Tiles fetched from a server, kept on disk under a size bound; the oldest stored go first when a
// new one would pass it. Tiles of different servers are kept apart.
class TTileCache {
public:
    TTileCache(const QString& folder, qint64 maxBytes);

    struct Entry {
        QByteArray Data;
        QDateTime Stored;
    };
    std::optional<Entry> Get(const QString& server, const TTileKey& key) const;
    // False when the tile was not kept (larger than the whole bound, or the disk refused it).
    bool Put(const QString& server, const TTileKey& key, const QByteArray& data);
    // Bytes of tiles on disk now.
    qint64 SizeOnDisk() const;
    qint64 MaxBytes() const { return FMax; }

private:
    QString PathOf(const QString& server, const TTileKey& key) const;
    void Trim();

    QString FFolder;
    qint64 FMax;
    qint64 FSize = -1;  // not counted yet
};

// Where the map's tiles come from, as the program's settings say.
struct TTileSettings {
    QString Source{};
    QString CacheFolder{};  // tiles from the server are kept here; empty: not kept
    qint64 CacheBytes = 200LL * 1024 * 1024;
    QByteArray UserAgent{};
};

// Answers the page's requests for tiles: from the folder or MBTiles file, or from the server
// through the disk cache. A server that cannot be reached leaves the cached copy, however old.
class TTileProvider : public QObject {
    Q_OBJECT
public:
    // Empty data: no source had the tile.
    using Reply = std::function<void(const QByteArray& data)>;

    explicit TTileProvider(const TTileSettings& settings, QObject* parent = nullptr);
    ~TTileProvider() override;

    TTileSourceKind Kind() const { return FKind; }
    // `done` runs once, now or later on this thread; never when `context` is gone by then.
    void Request(const TTileKey& key, QObject* context, Reply done);
    // A cached copy younger than this is used without asking the server again.
    static constexpr qint64 kFreshSeconds = 7 * 24 * 3600;

private:
    QByteArray Local(const TTileKey& key) const;
    void Fetch(const TTileKey& key, QPointer<QObject> context, Reply done, QByteArray stale);

    TTileSettings FSettings;
    TTileSourceKind FKind;
    QString FServer;  // the cache's name for the server
    std::unique_ptr<TMbTiles> FMbTiles;
    std::unique_ptr<TTileCache> FCache;
    QNetworkAccessManager* FNetwork = nullptr;
};

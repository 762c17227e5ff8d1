#include "map/maptiles.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {
constexpr int kMaxZoom = 30;

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

bool TTileKey::Valid() const
{
    if (Z < 0 || Z > kMaxZoom)
        return false;
    const qint64 n = qint64(1) << Z;
    return X >= 0 && X < n && Y >= 0 && Y < n;
}

TTileSourceKind TileSourceKind(const QString& source)
{
    const QString s = source.trimmed();
    if (s.isEmpty())
        return TTileSourceKind::None;
    if (s.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
        s.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        return TTileSourceKind::Online;
    if (s.endsWith(QStringLiteral(".mbtiles"), Qt::CaseInsensitive))
        return TTileSourceKind::MbTiles;
    return TTileSourceKind::Folder;
}

QByteArray TileMimeType(const QByteArray& data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return QByteArrayLiteral("image/png");
    if (data.startsWith("\xff\xd8\xff"))
        return QByteArrayLiteral("image/jpeg");
    if (data.size() >= 12 && data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
        return QByteArrayLiteral("image/webp");
    return QByteArrayLiteral("application/octet-stream");
}

// --- MBTiles ---

TMbTiles::TMbTiles(const QString& path)
{
    static std::atomic<int> serial{0};
    FConnection = QStringLiteral("zevanta-mbtiles-%1").arg(++serial);
    if (!QFileInfo(path).isFile()) {
        FError = QStringLiteral("%1: no such file").arg(path);
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FConnection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        FError = db.lastError().text();
        return;
    }
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select 1 from tiles limit 1"))) {
        FError = probe.lastError().text();
        return;
    }
    FOk = true;
}

TMbTiles::~TMbTiles()
{
    {
        QSqlDatabase db = QSqlDatabase::database(FConnection, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(FConnection);
}

QByteArray TMbTiles::Tile(const TTileKey& key) const
{
    if (!FOk || !key.Valid())
        return QByteArray();
    QSqlQuery q(QSqlDatabase::database(FConnection, false));
    q.prepare(QStringLiteral("select tile_data from tiles where zoom_level = ? and tile_column = ? and tile_row = ?"));
    q.addBindValue(key.Z);
    q.addBindValue(key.X);
    q.addBindValue(int((qint64(1) << key.Z) - 1 - key.Y));
    if (!q.exec() || !q.next())
        return QByteArray();
    return q.value(0).toByteArray();
}

// --- disk cache ---

TTileCache::TTileCache(const QString& folder, qint64 maxBytes) : FFolder(folder), FMax(std::max<qint64>(maxBytes, 0)) {}

QString TTileCache::PathOf(const QString& server, const TTileKey& key) const
{
    return QStringLiteral("%1/%2/%3/%4/%5.tile").arg(FFolder, server).arg(key.Z).arg(key.X).arg(key.Y);
}

std::optional<TTileCache::Entry> TTileCache::Get(const QString& server, const TTileKey& key) const
{
    if (FFolder.isEmpty() || !key.Valid())
        return std::nullopt;
    const QString path = PathOf(server, key);
    QByteArray data = ReadFile(path);
    if (data.isEmpty())
        return std::nullopt;
    return Entry{std::move(data), QFileInfo(path).lastModified()};
}

bool TTileCache::Put(const QString& server, const TTileKey& key, const QByteArray& data)
{
    if (FFolder.isEmpty() || !key.Valid() || data.isEmpty() || data.size() > FMax)
        return false;
    if (FSize < 0)
        Trim();  // counts what earlier runs left
    const QString path = PathOf(server, key);
    const qint64 replaced = QFileInfo(path).size();
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return false;
    FSize += data.size() - replaced;
    if (FSize > FMax)
        Trim();
    return true;
}

qint64 TTileCache::SizeOnDisk() const
{
    qint64 total = 0;
    QDirIterator it(FFolder, {QStringLiteral("*.tile")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

void TTileCache::Trim()
{
    struct File {
        QString Path;
        QDateTime Stored;
        qint64 Size;
    };
    std::vector<File> files;
    qint64 total = 0;
    QDirIterator it(FFolder, {QStringLiteral("*.tile")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        files.push_back({info.filePath(), info.lastModified(), info.size()});
        total += info.size();
    }
    if (total > FMax) {
        // Down to nine tenths, so that the next few tiles do not each pay for a scan.
        const qint64 target = FMax - FMax / 10;
        std::sort(files.begin(), files.end(), [](const File& a, const File& b) {
            return a.Stored != b.Stored ? a.Stored < b.Stored : a.Path < b.Path;
        });
        for (const File& f : files) {
            if (total <= target)
                break;
            if (QFile::remove(f.Path))
                total -= f.Size;
        }
    }
    FSize = total;
}

// --- provider ---

TTileProvider::TTileProvider(const TTileSettings& settings, QObject* parent)
    : QObject(parent), FSettings(settings), FKind(TileSourceKind(settings.Source))
{
    FSettings.Source = FSettings.Source.trimmed();
    switch (FKind) {
    case TTileSourceKind::MbTiles: FMbTiles = std::make_unique<TMbTiles>(FSettings.Source); break;
    case TTileSourceKind::Online:
        FServer = QString::fromLatin1(
            QCryptographicHash::hash(FSettings.Source.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
        if (!FSettings.CacheFolder.isEmpty())
            FCache = std::make_unique<TTileCache>(FSettings.CacheFolder, FSettings.CacheBytes);
        FNetwork = new QNetworkAccessManager(this);
        break;
    default: break;
    }
}

TTileProvider::~TTileProvider() = default;

QByteArray TTileProvider::Local(const TTileKey& key) const
{
    if (FKind == TTileSourceKind::MbTiles)
        return FMbTiles ? FMbTiles->Tile(key) : QByteArray();
    if (FKind == TTileSourceKind::Folder)
        return ReadFile(QStringLiteral("%1/%2/%3/%4.png").arg(FSettings.Source).arg(key.Z).arg(key.X).arg(key.Y));
    return QByteArray();
}

void TTileProvider::Request(const TTileKey& key, QObject* context, Reply done)
{
    if (!key.Valid()) {
        done(QByteArray());
        return;
    }
    if (FKind != TTileSourceKind::Online) {
        done(Local(key));
        return;
    }
    QByteArray stale;
    if (FCache) {
        if (auto entry = FCache->Get(FServer, key)) {
            if (entry->Stored.secsTo(QDateTime::currentDateTime()) < kFreshSeconds) {
                done(entry->Data);
                return;
            }
            stale = std::move(entry->Data);
        }
    }
    Fetch(key, QPointer<QObject>(context), std::move(done), std::move(stale));
}

void TTileProvider::Fetch(const TTileKey& key, QPointer<QObject> context, Reply done, QByteArray stale)
{
    QString address = FSettings.Source;
    address.replace(QStringLiteral("{z}"), QString::number(key.Z))
        .replace(QStringLiteral("{x}"), QString::number(key.X))
        .replace(QStringLiteral("{y}"), QString::number(key.Y));
    QNetworkRequest request{QUrl(address)};
    if (!FSettings.UserAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, FSettings.UserAgent);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(15000);
    QNetworkReply* reply = FNetwork->get(request);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, key, context, done = std::move(done), stale = std::move(stale)] {
                reply->deleteLater();
                const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                QByteArray data;
                if (reply->error() == QNetworkReply::NoError && status == 200)
                    data = reply->readAll();
                if (!data.isEmpty() && FCache)
                    FCache->Put(FServer, key, data);
                if (data.isEmpty())
                    data = stale;
                if (context)
                    done(data);
            });
}

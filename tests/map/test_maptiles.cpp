#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "map/maptiles.h"

namespace {
void EnsureApp()
{
    static int argc = 1;
    static char name[] = "test_map";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

template <class Pred>
bool WaitFor(Pred pred, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return pred();
}

// Bytes that look like a PNG and say which tile they are.
QByteArray FakePng(const QString& tag, int size = 0)
{
    QByteArray b = QByteArray("\x89PNG\r\n\x1a\n", 8) + tag.toUtf8();
    if (size > b.size())
        b.append(size - b.size(), 'x');
    return b;
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool SetStored(const QString& path, const QDateTime& when)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
}

// A tile server on a local port: answers tiles it holds, 404 otherwise, and notes what it was asked.
class TileServer {
public:
    QMap<QString, QByteArray> Tiles;  // "/z/x/y.png"
    QStringList Asked;
    QByteArray UserAgent;

    TileServer()
    {
        FServer.listen(QHostAddress::LocalHost);
        QObject::connect(&FServer, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = FServer.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Serve(s); });
        });
    }
    QString Template() const { return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(FServer.serverPort()); }
    void Close() { FServer.close(); }

private:
    void Serve(QTcpSocket* s)
    {
        FBuffer[s] += s->readAll();
        const QByteArray& in = FBuffer[s];
        if (!in.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> lines = in.left(in.indexOf("\r\n\r\n")).split('\n');
        const QString path = QString::fromLatin1(lines.front().split(' ').value(1));
        for (const QByteArray& l : lines)
            if (l.toLower().startsWith("user-agent:"))
                UserAgent = l.mid(11).trimmed();
        Asked << path;
        const QByteArray body = Tiles.value(path);
        const QByteArray head = body.isEmpty() ? "HTTP/1.1 404 Not Found\r\n" : "HTTP/1.1 200 OK\r\n";
        s->write(head + "Content-Type: image/png\r\nConnection: close\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
        s->disconnectFromHost();
        FBuffer.remove(s);
    }

    QTcpServer FServer;
    QMap<QTcpSocket*, QByteArray> FBuffer;
};

QByteArray Fetch(TTileProvider& provider, TTileKey key)
{
    QByteArray result;
    bool done = false;
    QObject context;
    provider.Request(key, &context, [&](const QByteArray& data) {
        result = data;
        done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done; }));
    return result;
}
}  // namespace

TEST(MapTiles, SourceKindsAndKeys)
{
    const struct {
        const char* source;
        TTileSourceKind kind;
    } cases[] = {
        {"", TTileSourceKind::None},
        {"   ", TTileSourceKind::None},
        {"https://tile.openstreetmap.org/{z}/{x}/{y}.png", TTileSourceKind::Online},
        {"HTTP://host/{z}/{x}/{y}", TTileSourceKind::Online},
        {"/home/u/maps/ryazan.mbtiles", TTileSourceKind::MbTiles},
        {"C:\\maps\\Ryazan.MBTiles", TTileSourceKind::MbTiles},
        {"/home/u/maps/tiles", TTileSourceKind::Folder},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TileSourceKind(QString::fromUtf8(c.source)), c.kind) << c.source;

    EXPECT_TRUE((TTileKey{0, 0, 0}.Valid()));
    EXPECT_TRUE((TTileKey{3, 7, 7}.Valid()));
    EXPECT_FALSE((TTileKey{3, 8, 0}.Valid()));
    EXPECT_FALSE((TTileKey{3, 0, -1}.Valid()));
    EXPECT_FALSE((TTileKey{31, 0, 0}.Valid()));

    EXPECT_EQ(TileMimeType(FakePng("a")), "image/png");
    EXPECT_EQ(TileMimeType(QByteArray("\xff\xd8\xff\xe0rest", 8)), "image/jpeg");
    EXPECT_EQ(TileMimeType(QByteArray("RIFF\0\0\0\0WEBPVP8 ", 16)), "image/webp");
}

TEST(MapTiles, MbTilesRowsCountFromTheSouth)
{
    EnsureApp();
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("area.mbtiles"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("create table metadata (name text, value text)")));
        ASSERT_TRUE(q.exec(QStringLiteral(
            "create table tiles (zoom_level integer, tile_column integer, tile_row integer, tile_data blob)")));
        ASSERT_TRUE(q.prepare(QStringLiteral("insert into tiles values (?, ?, ?, ?)")));
        for (auto [z, x, row] : {std::tuple{2, 1, 3}, std::tuple{2, 1, 0}, std::tuple{10, 618, 700}}) {
            q.addBindValue(z);
            q.addBindValue(x);
            q.addBindValue(row);
            q.addBindValue(FakePng(QStringLiteral("%1/%2/%3").arg(z).arg(x).arg(row)));
            ASSERT_TRUE(q.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));

    TMbTiles file(path);
    ASSERT_TRUE(file.Ok()) << file.Error().toStdString();
    EXPECT_EQ(file.Tile({2, 1, 0}), FakePng("2/1/3"));  // the northern row is the last one stored
    EXPECT_EQ(file.Tile({2, 1, 3}), FakePng("2/1/0"));
    EXPECT_EQ(file.Tile({10, 618, 1023 - 700}), FakePng("10/618/700"));
    EXPECT_TRUE(file.Tile({2, 2, 0}).isEmpty());
    EXPECT_TRUE(file.Tile({2, 1, 4}).isEmpty());

    ASSERT_TRUE(WriteFile(tmp.filePath(QStringLiteral("not.mbtiles")), "plain text, not a database"));
    for (const QString& bad :
         {tmp.filePath(QStringLiteral("not.mbtiles")), tmp.filePath(QStringLiteral("none.mbtiles"))}) {
        TMbTiles broken(bad);
        EXPECT_FALSE(broken.Ok()) << bad.toStdString();
        EXPECT_FALSE(broken.Error().isEmpty());
        EXPECT_TRUE(broken.Tile({2, 1, 0}).isEmpty());
    }
}

TEST(MapTiles, FolderOfPngs)
{
    EnsureApp();
    QTemporaryDir tmp;
    ASSERT_TRUE(WriteFile(tmp.filePath(QStringLiteral("tiles/3/4/2.png")), FakePng("3/4/2")));
    TTileProvider provider({tmp.filePath(QStringLiteral("tiles"))});
    EXPECT_EQ(provider.Kind(), TTileSourceKind::Folder);
    EXPECT_EQ(Fetch(provider, {3, 4, 2}), FakePng("3/4/2"));
    EXPECT_TRUE(Fetch(provider, {3, 2, 4}).isEmpty());
    EXPECT_TRUE(Fetch(provider, {3, 9, 2}).isEmpty());
}

TEST(MapTiles, DiskCacheKeepsToItsBoundDroppingTheOldest)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("cache"));
    const qint64 bound = 10000;
    const QDateTime start = QDateTime::currentDateTime().addDays(-1);
    TTileCache cache(folder, bound);
    auto path = [&](int i) { return QStringLiteral("%1/srv/12/%2/100.tile").arg(folder).arg(i); };
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(cache.Put(QStringLiteral("srv"), {12, i, 100}, FakePng(QString::number(i), 900 + i)));
        ASSERT_TRUE(SetStored(path(i), start.addSecs(i)));  // stored one after another
        EXPECT_LE(cache.SizeOnDisk(), bound) << "after tile " << i;
        ASSERT_TRUE(cache.Get(QStringLiteral("srv"), {12, i, 100}).has_value()) << "the newest tile " << i;
    }
    // What is left is the newest tiles, with no gap.
    int kept = 0;
    for (int i = 39; i >= 0 && QFile::exists(path(i)); --i)
        ++kept;
    EXPECT_GE(kept, 8);
    for (int i = 0; i < 40 - kept; ++i)
        EXPECT_FALSE(QFile::exists(path(i))) << i;
    EXPECT_EQ(cache.Get(QStringLiteral("srv"), {12, 39, 100})->Data, FakePng("39", 939));

    // A tile larger than the whole cache is not kept and drops nothing.
    const qint64 before = cache.SizeOnDisk();
    EXPECT_FALSE(cache.Put(QStringLiteral("srv"), {12, 50, 100}, FakePng("big", bound + 1)));
    EXPECT_EQ(cache.SizeOnDisk(), before);

    // A later run with a smaller bound counts what is on disk before it adds.
    TTileCache smaller(folder, 3000);
    ASSERT_TRUE(smaller.Put(QStringLiteral("other"), {1, 0, 0}, FakePng("o", 500)));
    EXPECT_LE(smaller.SizeOnDisk(), 3000);
    EXPECT_TRUE(QFile::exists(path(39)));
    EXPECT_FALSE(QFile::exists(path(40 - kept)));
}

TEST(MapTiles, ServerTilesAreCachedAndShownOffline)
{
    EnsureApp();
    QTemporaryDir tmp;
    TileServer server;
    server.Tiles[QStringLiteral("/5/17/9.png")] = FakePng("5/17/9");
    server.Tiles[QStringLiteral("/5/18/9.png")] = FakePng("5/18/9");
    const TTileSettings settings{server.Template(), tmp.filePath(QStringLiteral("cache")), 1 << 20,
                                 "Zevanta/test (route map view)"};
    {
        TTileProvider online(settings);
        EXPECT_EQ(online.Kind(), TTileSourceKind::Online);
        EXPECT_EQ(Fetch(online, {5, 17, 9}), FakePng("5/17/9"));
        EXPECT_EQ(server.UserAgent, settings.UserAgent);
        EXPECT_EQ(Fetch(online, {5, 17, 9}), FakePng("5/17/9"));
        EXPECT_EQ(server.Asked, QStringList{QStringLiteral("/5/17/9.png")});  // the second came from the disk
        EXPECT_TRUE(Fetch(online, {5, 0, 0}).isEmpty());                      // the server has none
        EXPECT_EQ(Fetch(online, {5, 18, 9}), FakePng("5/18/9"));
    }
    // An old copy is asked for again while the server answers.
    const QString old = QStringLiteral("%1/cache").arg(tmp.path());
    QString oldPath;
    for (const QString& sub : QDir(old).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        oldPath = QStringLiteral("%1/%2/5/18/9.tile").arg(old, sub);
    ASSERT_TRUE(SetStored(oldPath, QDateTime::currentDateTime().addDays(-30)));
    server.Tiles[QStringLiteral("/5/18/9.png")] = FakePng("5/18/9 new");
    {
        TTileProvider online(settings);
        EXPECT_EQ(Fetch(online, {5, 18, 9}), FakePng("5/18/9 new"));
    }
    ASSERT_TRUE(SetStored(oldPath, QDateTime::currentDateTime().addDays(-30)));

    server.Close();
    TTileProvider offline(settings);
    EXPECT_EQ(Fetch(offline, {5, 17, 9}), FakePng("5/17/9"));
    EXPECT_EQ(Fetch(offline, {5, 18, 9}), FakePng("5/18/9 new"));  // however old, better than none
    EXPECT_TRUE(Fetch(offline, {5, 19, 9}).isEmpty());

    // Another address has tiles of its own.
    TTileSettings other = settings;
    other.Source = QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png");
    TTileProvider elsewhere(other);
    EXPECT_TRUE(Fetch(elsewhere, {5, 17, 9}).isEmpty());
}

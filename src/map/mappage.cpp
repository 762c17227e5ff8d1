#include "map/mappage.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

// Q_INIT_RESOURCE declares a function and must stand outside any namespace; the resources live
// in a static library, so they are registered by hand.
static void initMapResources()
{
    Q_INIT_RESOURCE(mappage);
}

const QStringList& TMapPageFiles::FileNames()
{
    static const QStringList names = {
        QStringLiteral("map.html"),   QStringLiteral("label.js"),    QStringLiteral("mapcompat.js"),
        QStringLiteral("leaflet.js"), QStringLiteral("leaflet.css"),
    };
    return names;
}

QByteArray TMapPageFiles::Content(const QString& name)
{
    initMapResources();
    QFile file(QStringLiteral(":/map/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

TMapPageFiles::TMapPageFiles(const QString& folder) : FFolder(folder)
{
    if (!QDir().mkpath(folder)) {
        FError = QStringLiteral("cannot create %1").arg(folder);
        return;
    }
    const QDir dir(folder);
    for (const QString& name : FileNames()) {
        const QByteArray content = Content(name);
        QSaveFile file(dir.filePath(name));
        if (content.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
            !file.commit()) {
            FError = QStringLiteral("%1: %2").arg(
                dir.filePath(name), content.isEmpty() ? QStringLiteral("no such resource") : file.errorString());
            Remove();
            return;
        }
        FWritten << dir.filePath(name);
    }
    FOk = true;
}

TMapPageFiles::~TMapPageFiles()
{
    Remove();
}

QString TMapPageFiles::PagePath() const
{
    return QDir(FFolder).filePath(FileNames().front());
}

void TMapPageFiles::Remove()
{
    for (const QString& path : FWritten)
        QFile::remove(path);
    FWritten.clear();
}

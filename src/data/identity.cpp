#include "data/identity.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include "base/fileio.h"
#include "base/messages.h"
#include "data/database.h"
#include "data/dataset.h"

namespace {

const char* const kModes[] = {"none", "boot5.0", "boot5.1", "boot6", "app5", "app6"};

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

QJsonObject rowJson(const TInventoryRow& row)
{
    QJsonObject o = row.Identity ? IdentityJson(*row.Identity) : QJsonObject{{QStringLiteral("address"), row.Address}};
    o.insert(QStringLiteral("listName"), row.ListName);
    return o;
}

}  // namespace

const char* ShortModeName(TMode m)
{
    return size_t(m) < std::size(kModes) ? kModes[m] : kModes[0];
}

TMode ModeOfShortName(const QString& name)
{
    for (size_t i = 0; i < std::size(kModes); ++i)
        if (name == QLatin1String(kModes[i]))
            return TMode(i);
    return mNone;
}

TIdentity IdentityOf(int address, const TDeviceInfo& info, const QDateTime& seen)
{
    return {address,    info.Name.trimmed(),
            info.Mode,  info.Version,
            info.Build, info.MCU.section(QStringLiteral("\r\n"), 0, 0).trimmed(),
            info.Ext,   seen};
}

QStringList IdentityFields()
{
    return {QStringLiteral("address"), QStringLiteral("listName"), QStringLiteral("name"),
            QStringLiteral("mode"),    QStringLiteral("version"),  QStringLiteral("build"),
            QStringLiteral("part"),    QStringLiteral("ext"),      QStringLiteral("seen")};
}

QJsonObject IdentityJson(const TIdentity& id)
{
    // The time with its offset from UTC, so a report read elsewhere still says when.
    const QDateTime seen = id.Seen.toOffsetFromUtc(id.Seen.offsetFromUtc());
    return {{QStringLiteral("address"), id.Address},
            {QStringLiteral("name"), id.Name},
            {QStringLiteral("mode"), QString::fromLatin1(ShortModeName(id.Mode))},
            {QStringLiteral("version"), QStringLiteral("%1.%2").arg(id.Version >> 4).arg(id.Version & 15)},
            {QStringLiteral("build"), int(id.Build)},
            {QStringLiteral("part"), id.Part},
            {QStringLiteral("ext"), qint64(id.Ext)},
            {QStringLiteral("seen"), seen.toString(Qt::ISODate)}};
}

bool TIdentityStore::Record(const TIdentity& id)
{
    const auto last = FWritten.constFind(id.Address);
    if (last != FWritten.constEnd() && *last == id && last->Seen.secsTo(id.Seen) < kRefreshSeconds &&
        last->Seen <= id.Seen)
        return true;
    const bool ok = FDb.Exec(
        QStringLiteral("insert or replace into Опознание (Addr, Name, Mode, Version, Build, Part, Ext, Seen) "
                       "values (?, ?, ?, ?, ?, ?, ?, ?)"),
        {id.Address, id.Name, QString::fromLatin1(ShortModeName(id.Mode)), int(id.Version), int(id.Build), id.Part,
         qint64(id.Ext), id.Seen.toOffsetFromUtc(id.Seen.offsetFromUtc()).toString(Qt::ISODateWithMs)});
    if (ok)
        FWritten.insert(id.Address, id);
    return ok;
}

std::optional<TIdentity> TIdentityStore::Last(int address, QString* why) const
{
    std::optional<TIdentity> found;
    QString error;
    ForEachRow(FDb,
               QStringLiteral("select Addr, Name, Mode, Version, Build, Part, Ext, Seen from Опознание where Addr = ?"),
               {address}, error, [&](const TQuery& q) {
                   TIdentity id;
                   id.Address = q.AsInteger(QStringLiteral("Addr"));
                   id.Name = q.AsString(QStringLiteral("Name"));
                   id.Mode = ModeOfShortName(q.AsString(QStringLiteral("Mode")));
                   id.Version = uint8_t(q.AsInteger(QStringLiteral("Version")));
                   id.Build = uint16_t(q.AsInteger(QStringLiteral("Build")));
                   id.Part = q.AsString(QStringLiteral("Part"));
                   id.Ext = uint32_t(q.Value(QStringLiteral("Ext")).toLongLong());
                   // Kept with the offset it was seen at.
                   id.Seen = QDateTime::fromString(q.AsString(QStringLiteral("Seen")), Qt::ISODateWithMs);
                   found = id;
               });
    if (why)
        *why = error;
    return found;
}

std::optional<TInventoryFormat> InventoryFormatOfFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv")
        return TInventoryFormat::Csv;
    if (suffix == u"json")
        return TInventoryFormat::Json;
    return std::nullopt;
}

bool LoadInventory(TDatabase& db, std::vector<TInventoryRow>& rows, QString& why)
{
    std::vector<TInventoryRow> out;
    if (!ForEachRow(db, QStringLiteral("select Addr, Name from Устройство order by Num, ID"), {}, why,
                    [&](const TQuery& q) {
                        out.push_back({q.AsInteger(QStringLiteral("Addr")), q.AsString(QStringLiteral("Name")), {}});
                    }))
        return false;
    const TIdentityStore store(db);
    for (TInventoryRow& row : out) {
        row.Identity = store.Last(row.Address, &why);
        if (!why.isEmpty())
            return false;
    }
    rows = std::move(out);
    return true;
}

QByteArray InventoryCsv(const std::vector<TInventoryRow>& rows)
{
    const QStringList fields = IdentityFields();
    QString text = QChar(0xFEFF) + fields.join(u',') + QStringLiteral("\r\n");
    for (const TInventoryRow& row : rows) {
        const QJsonObject o = rowJson(row);
        QStringList cells;
        for (const QString& f : fields) {
            const QJsonValue v = o.value(f);
            cells << csvField(v.isDouble() ? QString::number(v.toInteger()) : v.toString());
        }
        text += cells.join(u',') + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray InventoryJson(const std::vector<TInventoryRow>& rows)
{
    QJsonArray list;
    for (const TInventoryRow& row : rows)
        list.append(rowJson(row));
    return QJsonDocument(list).toJson(QJsonDocument::Indented);
}

bool WriteInventory(TDatabase& db, const QString& path, TInventoryFormat format, int& devices, QString& why)
{
    // Written by rename over the old file: the database would be gone.
    if (db.IsOwnFile(path)) {
        why = Msg::FileIsDatabase;
        return false;
    }
    std::vector<TInventoryRow> rows;
    if (!LoadInventory(db, rows, why))
        return false;
    if (!fileio::WriteWholeFile(path, format == TInventoryFormat::Csv ? InventoryCsv(rows) : InventoryJson(rows), why))
        return false;
    devices = int(rows.size());
    return true;
}

#include "routes/routeset.h"

#include <array>

#include <QStringList>
#include <QVariant>

#include "base/cp1251.h"
#include "base/messages.h"
#include "data/database.h"
#include "routes/coords.h"
#include "routes/routestore.h"
#include "routes/spreadsheet.h"

using namespace RouteLayout;

std::vector<TRouteSetRow> ListRouteSet(const TRouteImage& image)
{
    std::vector<TRouteSetRow> rows;
    for (int slot = 1; slot <= image.MaxRoutes(); ++slot) {
        TRouteRecord r;
        if (!image.ReadRoute(slot, r))
            continue;
        rows.push_back({slot, r.Name(1) + u' ' + r.Name(2) + u' ' + r.Name(3), r.TurnCount});
    }
    return rows;
}

namespace {

QString typeText(uint8_t type)
{
    return Cp1251::toUnicode(QByteArrayView(reinterpret_cast<const char*>(&type), 1));
}

// A route record may claim more turns than its area holds.
int turnsOf(const TRouteRecord& r)
{
    return std::min<int>(r.TurnCount, MaxTurns);
}

// Inserts turns in statements of many rows each: one prepared statement per row would cost
// more than the rows themselves for a full card.
class TTurnInserter {
public:
    explicit TTurnInserter(TDatabase& db) : FDb(db) {}

    bool Add(const QVariantList& row)
    {
        FParams += row;
        if (++FRows == kBatch)
            return Flush();
        return true;
    }

    bool Flush()
    {
        if (FRows == 0)
            return true;
        QStringList values;
        for (int i = 0; i < FRows; ++i)
            values << QStringLiteral("(?, ?, ?, ?, ?, ?, ?)");
        const bool ok = FDb.Exec(
            QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) values ") +
                values.join(QStringLiteral(", ")),
            FParams);
        FParams.clear();
        FRows = 0;
        return ok;
    }

private:
    static constexpr int kBatch = 128;  // 896 bound values, below every SQLite limit
    TDatabase& FDb;
    QVariantList FParams;
    int FRows = 0;
};

}  // namespace

std::vector<TTurnSetRow> ListTurnSet(const TRouteImage& image, int slot)
{
    std::vector<TTurnSetRow> rows;
    TRouteRecord r;
    if (!image.ReadRoute(slot, r))
        return rows;
    const QString gap = QStringLiteral("   ");
    for (int k = 1; k <= turnsOf(r); ++k) {
        TTurnRecord t;
        if (!image.ReadTurn(slot, k, t))
            break;
        rows.push_back({CoordToText(t.BegLat) + gap + CoordToText(t.BegLong),
                        CoordToText(t.EndLat) + gap + CoordToText(t.EndLong), typeText(t.Type)});
    }
    return rows;
}

TSaveResult SaveRouteSet(TDatabase& db, qint64 cardId, const TRouteImage& image, const std::vector<int>& slotList)
{
    TSaveResult result;
    auto failed = [&] {
        result = TSaveResult();
        result.Error = db.LastError();
        db.RollbackTrans();
        db.SetLastError(result.Error);
        return result;
    };
    if (!db.BeginTrans()) {
        result.Error = db.LastError();
        return result;
    }
    // The card's turns go with its routes (cascade).
    if (!db.Exec(QStringLiteral("delete * from Маршрут where ID_Card = ?"), {cardId}))
        return failed();
    int rn = db.Scalar(QStringLiteral("select MAX(Num)as RESULT from Маршрут")).toInt();
    int tn = db.Scalar(QStringLiteral("select MAX(Num)as RESULT from Поворот")).toInt();
    TTurnInserter turns(db);
    for (int slot = 1; slot <= image.MaxRoutes(); ++slot) {
        if (!slotList.empty() && std::find(slotList.begin(), slotList.end(), slot) == slotList.end())
            continue;
        TRouteRecord r;
        if (!image.ReadRoute(slot, r))
            continue;
        if (!db.Exec(QStringLiteral("insert into Маршрут (ID_Card, Num, Name1, Name2, Name3) values (?, ?, ?, ?, ?)"),
                     {cardId, ++rn, r.Name(1), r.Name(2), r.Name(3)}))
            return failed();
        const qint64 routeId = db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong();
        for (int k = 1; k <= turnsOf(r); ++k) {
            TTurnRecord t;
            image.ReadTurn(slot, k, t);
            if (!turns.Add({routeId, CoordToText(t.BegLat), CoordToText(t.BegLong), CoordToText(t.EndLat),
                            CoordToText(t.EndLong), typeText(t.Type), ++tn}))
                return failed();
            ++result.Turns;
        }
        ++result.Routes;
    }
    if (!turns.Flush() || !db.CommitTrans())
        return failed();
    result.Ok = true;
    return result;
}

namespace {

// Column A is a begin latitude, B and D longitudes, C an end latitude.
constexpr TCoordKind kImportKinds[4] = {TCoordKind::BeginLatitude, TCoordKind::Longitude, TCoordKind::Latitude,
                                        TCoordKind::Longitude};

// A coordinate cell as it is stored: unchanged when empty, already in the layout or the text of a
// missing coordinate, converted when it is decimal degrees. False for anything else.
bool importedCoord(const QString& text, int column, QString& stored)
{
    const TCoordKind kind = kImportKinds[column];
    if (text.isEmpty() || text == CoordToText(0) || CoordTextValid(text, kind)) {
        stored = text;
        return true;
    }
    int32_t value = 0;
    if (!CoordFromDegrees(text, kind != TCoordKind::Longitude, value))
        return false;
    // 0 is the unit's "no coordinate"; the layout still spells the equator and the meridian.
    stored = value == 0 ? QStringLiteral("+00°00'00.0\"") : CoordToText(value);
    return !stored.isEmpty() && CoordTextValid(stored, kind);
}

}  // namespace

TImportRows ReadImportRows(SpreadsheetReader& reader, int sheet, int room)
{
    TImportRows out;
    const QString name = reader.SheetNames().value(sheet);
    QString why;
    if (!reader.LoadSheet(sheet, &why)) {
        out.Error = Msg::ImportSheetFailed.arg(name, why);
        return out;
    }
    auto cells = [&](int row) {
        return TImportRow{reader.Cell(sheet, row, 0), reader.Cell(sheet, row, 1), reader.Cell(sheet, row, 2),
                          reader.Cell(sheet, row, 3), reader.Cell(sheet, row, 4)};
    };
    auto coords = [](TImportRow& r) { return std::array<QString*, 4>{&r.BegLat, &r.BegLong, &r.EndLat, &r.EndLong}; };
    // Column B is not looked at: a row with only B filled ends the import as well.
    auto ends = [](const TImportRow& r) {
        return r.BegLat.isEmpty() && r.EndLat.isEmpty() && r.EndLong.isEmpty() && r.Turn.isEmpty();
    };

    // A header names the columns: a title in A, and not one coordinate in A to D. (A first row
    // with only B filled still ends the import.)
    int row = 0;
    {
        TImportRow first = cells(0);
        bool coordinate = false;
        QString stored;
        for (int c = 0; c < 4; ++c) {
            const QString& t = *coords(first)[c];
            coordinate = coordinate || (!t.isEmpty() && importedCoord(t, c, stored));
        }
        if (!first.BegLat.isEmpty() && !coordinate) {
            row = 1;
            out.Notes << Msg::ImportHeaderSkipped.arg(name);
        }
    }

    for (;; ++row) {
        TImportRow r = cells(row);
        if (ends(r))
            break;
        if (int(out.Rows.size()) >= room) {
            out.LimitReached = true;
            break;
        }
        for (int c = 0; c < 4; ++c) {
            QString* cell = coords(r)[c];
            QString stored;
            if (!importedCoord(*cell, c, stored)) {
                out.Error = Msg::ImportBadCoord.arg(row + 1).arg(QChar(u'A' + c)).arg(name, *cell);
                out.Rows.clear();
                out.Notes.clear();
                return out;
            }
            *cell = stored;
        }
        out.Rows.push_back(std::move(r));
    }
    const QString cap = reader.CapNote(sheet);
    if (!cap.isEmpty())
        out.Notes << cap;
    // A sheet with something on it never imports nothing in silence.
    if (out.Rows.empty() && !out.LimitReached && reader.HasCells(sheet))
        out.Error = Msg::ImportNoTurns.arg(name).arg(row + 1) + (cap.isEmpty() ? QString() : u' ' + cap);
    return out;
}

TImportResult StoreImportedTurns(TDatabase& db, qint64 routeId, const TImportRows& rows)
{
    TImportResult result;
    result.Notes = rows.Notes;
    if (!rows.Error.isEmpty()) {
        result.Error = rows.Error;
        return result;
    }
    if (!db.BeginTrans()) {
        result.Error = db.LastError();
        return result;
    }
    const int m = db.Scalar(QStringLiteral("select MAX(Num) as RESULT from Поворот")).toInt();
    TTurnInserter turns(db);
    int n = 0;
    bool ok = true;
    for (const TImportRow& r : rows.Rows) {
        ++n;
        if (!turns.Add({routeId, r.BegLat, r.BegLong, r.EndLat, r.EndLong, r.Turn, m + n})) {
            ok = false;
            break;
        }
    }
    if (ok && turns.Flush() && db.CommitTrans()) {
        result.Ok = true;
        result.Imported = n;
        return result;
    }
    result.Error = db.LastError();
    db.RollbackTrans();
    db.SetLastError(result.Error);
    return result;
}

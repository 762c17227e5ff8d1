#include "routes/routeset.h"

#include <QStringList>
#include <QVariant>

#include "base/cp1251.h"
#include "data/database.h"
#include "routes/coords.h"
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

TImportRows ReadImportRows(const SpreadsheetReader& reader, int sheet, int room)
{
    TImportRows out;
    for (int row = 0;; ++row) {
        TImportRow r{reader.Cell(sheet, row, 0), reader.Cell(sheet, row, 1), reader.Cell(sheet, row, 2),
                     reader.Cell(sheet, row, 3), reader.Cell(sheet, row, 4)};
        // Column B is not looked at: a row with only B filled ends the import as well.
        if (r.BegLat.isEmpty() && r.EndLat.isEmpty() && r.EndLong.isEmpty() && r.Turn.isEmpty())
            break;
        if (int(out.Rows.size()) >= room) {
            out.LimitReached = true;
            break;
        }
        out.Rows.push_back(std::move(r));
    }
    return out;
}

TImportResult StoreImportedTurns(TDatabase& db, qint64 routeId, const std::vector<TImportRow>& rows)
{
    TImportResult result;
    if (!db.BeginTrans()) {
        result.Error = db.LastError();
        return result;
    }
    const int m = db.Scalar(QStringLiteral("select MAX(Num) as RESULT from Поворот")).toInt();
    TTurnInserter turns(db);
    int n = 0;
    bool ok = true;
    for (const TImportRow& r : rows) {
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

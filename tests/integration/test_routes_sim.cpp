// Route cards written into a simulated route-guidance unit and read back over a real
// pseudo-terminal: the image, the unit's pages and the database agree byte for byte.
#include <gtest/gtest.h>

#include <memory>

#include <QSqlQuery>
#include <QTemporaryDir>

#include "data/database.h"
#include "link/zeva16.h"
#include "routes/coords.h"
#include "routes/routememory.h"
#include "routes/routeset.h"
#include "sim/simbus.h"
#include "sim/travodevice.h"

namespace {

using namespace zeva::sim;

constexpr uint16_t kAddr = 6;

struct UnitBench {
    SimBus bus;
    TravoDevice* unit = nullptr;
    std::unique_ptr<TZEVA16> link;
    std::unique_ptr<TZevaTransferLink> tl;
    QTemporaryDir dir;
    TDatabase db;
    TRouteImage image;
    TPageList pages;
    std::vector<std::pair<MsgKind, QString>> boxes;
    std::unique_ptr<TRouteTransfer> transfer;

    explicit UnitBench(std::optional<std::string> marker = std::string("*FDA*"), uint32_t pagesCount = 8192)
    {
        FirmwareConfig cfg;
        cfg.startInApplication = true;
        cfg.at45Pages = pagesCount;
        cfg.at45Marker = marker;
        unit = &bus.emplace<TravoDevice>(kAddr, cfg);
        std::string why;
        if (!bus.start(&why))
            throw std::runtime_error(why);
        link = std::make_unique<TZEVA16>(uint8_t(PortMap::AliasFor(bus.slavePath())), 115200, 40, 16384);
        tl = std::make_unique<TZevaTransferLink>(*link, kAddr);
        if (!db.Open(dir.filePath(QStringLiteral("routes.db")), TDatabase::OpenMode::CreateIfMissing))
            throw std::runtime_error(db.LastError().toStdString());
        transfer.reset(new TRouteTransfer{*tl, {}, {}});
        transfer->Setup.ProgStart = unit->appOffset();
        transfer->Setup.MemSize = unit->flashSize();
        transfer->Hooks.Message = [this](MsgKind k, const QString& t) { boxes.push_back({k, t}); };
    }
    ~UnitBench()
    {
        PortMap::SetAlias(PortMap::NumberFor(bus.slavePath()), {});
        bus.stop();
    }

    qint64 lastId() { return db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong(); }
    qint64 card(const QString& name)
    {
        db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, ?)"), {name});
        return lastId();
    }

    // routes × turns of a card with names and coordinates that differ from route to route.
    qint64 fullCard(int routes, int turnsPerRoute)
    {
        const qint64 c = card(QStringLiteral("Полная"));
        EXPECT_TRUE(db.BeginTrans());
        int tn = 0;
        for (int r = 1; r <= routes; ++r) {
            db.Exec(
                QStringLiteral("insert into Маршрут (ID_Card, Name1, Name2, Name3, Num) values (?, ?, ?, ?, ?)"),
                {c, QStringLiteral("Маршрут %1").arg(r), QStringLiteral("д'Арк"), QStringLiteral("№%1").arg(r * 7), r});
            const qint64 route = lastId();
            for (int k = 0; k < turnsPerRoute; ++k) {
                const int32_t lat = (r % 2 ? 1 : -1) * (r * 36000 + k * 7 + 1);
                const int32_t lon = 37 * 36000 + r * 600 + k;
                EXPECT_TRUE(db.Exec(
                    QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) "
                                   "values (?, ?, ?, ?, ?, ?, ?)"),
                    {route, CoordToText(lat), CoordToText(lon), CoordToText(lat + 5), CoordToText(lon + 5),
                     QString(QLatin1Char("LRBE"[k % 4])), ++tn}));
            }
        }
        EXPECT_TRUE(db.CommitTrans());
        return c;
    }

    // Every route of a card with its turns, in list order, as text.
    QStringList dump(qint64 cardId)
    {
        QStringList out;
        QSqlQuery q(db.Connection());
        q.prepare(
            QStringLiteral("select R.Name1, R.Name2, R.Name3, T.BegLat, T.BegLong, T.EndLat, T.EndLong, T.Turn "
                           "from Маршрут R left join Поворот T on T.ID_Route = R.ID where R.ID_Card = ? "
                           "order by R.Num, R.ID, T.Num, T.ID"));
        q.addBindValue(cardId);
        EXPECT_TRUE(q.exec());
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < 8; ++i)
                row << q.value(i).toString();
            out << row.join(u'|');
        }
        return out;
    }
};

TEST(RoutesOverTheLine, AFullCardGoesIntoTheUnitAndComesBackIntoTheDatabase)
{
    UnitBench b;
    const qint64 card = b.fullCard(96, 12);
    const TRouteMemResult written = WriteCardToUnit(b.db, card, *b.transfer, b.image, b.pages, false);
    ASSERT_TRUE(written.Ok()) << written.Message.toStdString();
    EXPECT_EQ(written.Routes, 96);
    EXPECT_EQ(b.pages.Count(), 12 + 96 * 85);
    // What the unit holds is the packed image, page for page.
    for (uint16_t p : b.pages.Pages())
        ASSERT_EQ(b.unit->at45Page(p), std::vector<uint8_t>(b.image.Page(p), b.image.Page(p) + 528)) << p;
    const std::vector<uint8_t> packed(b.image.Data(), b.image.Data() + b.image.Size());

    TRouteImage readBack;
    TPageList pages;
    const TRouteMemResult table = ReadRouteTable(*b.transfer, readBack, pages);
    ASSERT_TRUE(table.Ok());
    EXPECT_EQ(table.Routes, 96);
    const qint64 target = b.card(QStringLiteral("Из блока"));
    const TRouteMemResult saved = SaveUnitRoutes(b.db, target, *b.transfer, readBack, pages, false);
    ASSERT_TRUE(saved.Ok()) << saved.Message.toStdString();
    EXPECT_EQ(saved.Turns, 96 * 12);
    // Every page the card uses came back unchanged (page 0 is the unit's marker, not ours).
    for (int p = 2; p < 14 + 96 * 85; ++p)
        ASSERT_TRUE(std::equal(packed.begin() + p * 528, packed.begin() + (p + 1) * 528, readBack.Page(p))) << p;
    EXPECT_EQ(b.dump(target), b.dump(card));
    EXPECT_TRUE(b.boxes.empty());
}

TEST(RoutesOverTheLine, AnUnformattedUnitIsNeitherWrittenNorRead)
{
    UnitBench b{std::string()};
    const qint64 card = b.fullCard(2, 3);
    const std::vector<uint8_t> before = b.unit->at45Page(2);
    const TRouteMemResult w = WriteCardToUnit(b.db, card, *b.transfer, b.image, b.pages, false);
    EXPECT_EQ(w.Status, TRouteMemResult::TStatus::NotFormatted);
    EXPECT_EQ(b.unit->at45Page(2), before);
    const TRouteMemResult r = ReadRouteTable(*b.transfer, b.image, b.pages);
    EXPECT_EQ(r.Status, TRouteMemResult::TStatus::NotFormatted);
    ASSERT_EQ(b.boxes.size(), 2u);
    EXPECT_EQ(b.boxes[0].second, QStringLiteral("Внутренняя память не отформатирована!"));
}

TEST(RoutesOverTheLine, ASixteenMegabitUnitHoldsFortyEightRoutes)
{
    UnitBench b(std::string("*16M*"), 4096);
    const qint64 card = b.fullCard(49, 1);
    const TRouteMemResult w = WriteCardToUnit(b.db, card, *b.transfer, b.image, b.pages, false);
    EXPECT_EQ(w.Status, TRouteMemResult::TStatus::Refused);
    EXPECT_EQ(w.Message, QStringLiteral("Количество маршрутов не должно превышать 48!"));
    EXPECT_EQ(b.image.MaxRoutes(), 48);
    EXPECT_EQ(b.unit->requestLog().back().cmd, 19);  // nothing was written
}

TEST(RoutesOverTheLine, AWriteCutOffNamesThePageAndASaveThatFailsChangesNothing)
{
    UnitBench b;
    const qint64 card = b.fullCard(3, 30);
    b.unit->addFault({FaultKind::Silent, 20, 20, 0});
    const TRouteMemResult w = WriteCardToUnit(b.db, card, *b.transfer, b.image, b.pages, false);
    EXPECT_EQ(w.Status, TRouteMemResult::TStatus::Failed);
    EXPECT_EQ(w.FailPage, b.pages.Pages()[20]);
    EXPECT_EQ(w.Message, QStringLiteral("Ошибка записи в AT45 Mem\r\nпо адресу 0x002940"));  // 20 × 528
    b.unit->clearFaults();
    ASSERT_TRUE(WriteCardToUnit(b.db, card, *b.transfer, b.image, b.pages, false).Ok());

    // The database refuses the save half-way: the card keeps its old routes.
    TRouteImage readBack;
    TPageList pages;
    ASSERT_TRUE(ReadRouteTable(*b.transfer, readBack, pages).Ok());
    const QStringList before = b.dump(card);
    ASSERT_TRUE(
        b.db.Exec(QStringLiteral("create trigger refuse before insert on Поворот when new.Turn = 'E' "
                                 "begin select raise(abort, 'refused'); end")));
    const TRouteMemResult s = SaveUnitRoutes(b.db, card, *b.transfer, readBack, pages, false);
    EXPECT_EQ(s.Status, TRouteMemResult::TStatus::SaveFailed);
    EXPECT_EQ(b.dump(card), before);
    EXPECT_EQ(b.db.TransLevel(), 0);
}

TEST(RoutesOverTheLine, PasswordAndActuatorCommands)
{
    UnitBench b;
    std::span<const uint8_t> answer;
    const uint8_t wrongMaster[] = {3, 0, 0, 0, 1, 0, 0, 0x30, 0x39};
    EXPECT_EQ(b.tl->Exchange(153, wrongMaster, answer), brRefused);
    const uint8_t good[] = {3, 0x00, 0x01, 0xE2, 0x40, 0x00, 0x00, 0x30, 0x39};  // 123456 → 12345
    EXPECT_EQ(b.tl->Exchange(153, good, answer), brOk);
    EXPECT_EQ(b.unit->password(), 12345u);
    const uint8_t all[] = {1, 0xFE, 1};
    const uint8_t off[] = {1, 0x0A, 0};
    EXPECT_EQ(b.tl->Exchange(153, all, answer), brOk);
    EXPECT_EQ(b.tl->Exchange(153, off, answer), brOk);
    EXPECT_EQ(b.unit->outputs(), 0xF4);
    const uint8_t drive[] = {4, 0x09};
    EXPECT_EQ(b.tl->Exchange(153, drive, answer), brOk);
    EXPECT_EQ(b.unit->driveSignals(), 0x09);
}

}  // namespace

// Settings store: defaults of a first run, corrections of stored values, and the round trip.
#include <QtTest>

#include "app/portaliases.h"
#include "app/settings.h"
#include "base/settingssection.h"
#include "link/comport.h"
#include "support/messagerecorder.h"

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void emptyStoreGivesDefaults()
    {
        TempSettings tmp;
        auto store = tmp.open();
        const TAppSettings s = LoadSettings(*store);
        QVERIFY(s.DataBase.isEmpty());
        QCOMPARE(s.Port.Number, -1);
        QCOMPARE(s.Port.BaudRate, 115200);
        QCOMPARE(int(s.Port.RepCount), 3);
        QCOMPARE(int(s.Port.TimeOut), 120);
        QCOMPARE(s.Port.RTS, false);
        QCOMPARE(s.Port.DTR, false);
        QCOMPARE(int(s.DevAddr), 0x7FFF);
        QCOMPARE(s.AutoDetectBL, true);
        QCOMPARE(s.VersionBL, true);
        QCOMPARE(s.BlockSize, 6);
        QCOMPARE(s.ResetSystem, false);
        QCOMPARE(s.AllControls, false);
        QVERIFY(s.ActiveTab.isEmpty());
        QCOMPARE(s.MapTileUrl, QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png"));
        QCOMPARE(s.MapTileAttribution, QStringLiteral("© OpenStreetMap contributors"));
        QCOMPARE(s.MapTileCacheMB, 200);
        QCOMPARE(int(s.TabVisible.size()), 13);
        for (const auto& [name, visible] : s.TabVisible)
            QVERIFY2(!visible, qPrintable(name));
    }

    void storedValuesAreCorrected_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("port 0 means none") << "COM-port/Number"
                                           << "0" << -1;
        QTest::newRow("port 5 stays") << "COM-port/Number"
                                      << "5" << 5;
        QTest::newRow("baud 14400 not in list") << "COM-port/Baud rate"
                                                << "14400" << 115200;
        QTest::newRow("baud 10400 in list") << "COM-port/Baud rate"
                                            << "10400" << 10400;
        QTest::newRow("baud garbage") << "COM-port/Baud rate"
                                      << "fast" << 115200;
        QTest::newRow("repcount 0") << "COM-port/RepCount"
                                    << "0" << 3;
        QTest::newRow("repcount 26") << "COM-port/RepCount"
                                     << "26" << 3;
        QTest::newRow("repcount 25") << "COM-port/RepCount"
                                     << "25" << 25;
        QTest::newRow("addr 40000") << "Hardware/Device addr"
                                    << "40000" << 0x7FFF;
        QTest::newRow("addr 0") << "Hardware/Device addr"
                                << "0" << 0x7FFF;
        QTest::newRow("addr -5") << "Hardware/Device addr"
                                 << "-5" << 0x7FFF;
        QTest::newRow("addr 123") << "Hardware/Device addr"
                                  << "123" << 123;
        QTest::newRow("block size out of list") << "Form/Options/BlockSize"
                                                << "12" << 6;
    }
    void storedValuesAreCorrected()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, expected);
        TempSettings tmp;
        {
            auto store = tmp.open();
            store->setValue(key, stored);
        }
        auto store = tmp.open();
        const TAppSettings s = LoadSettings(*store);
        const QMap<QString, int> got = {
            {"COM-port/Number", s.Port.Number},          {"COM-port/Baud rate", s.Port.BaudRate},
            {"COM-port/RepCount", int(s.Port.RepCount)}, {"Hardware/Device addr", int(s.DevAddr)},
            {"Form/Options/BlockSize", s.BlockSize},
        };
        QCOMPARE(got.value(key), expected);
    }

    void everyValueSurvivesSaveAndLoad()
    {
        TempSettings tmp;
        TAppSettings s;
        s.DataBase = QStringLiteral("/data/База.db");
        s.AllControls = true;
        s.ActiveTab = QStringLiteral("tsKESTA");
        s.TabVisible[QStringLiteral("tsKESTA")] = true;
        s.TabVisible[QStringLiteral("tsImage")] = true;
        s.AutoDetectBL = false;
        s.VersionBL = false;
        s.BlockSize = 3;
        s.ResetSystem = true;
        s.DevAddr = 1234;
        s.Port = {7, 10400, true, true, 9, 120};
        s.MapTileUrl = QStringLiteral("http://tiles.local/{z}/{x}/{y}.png");
        s.MapTileAttribution = QStringLiteral("© местные тайлы");
        s.MapTileCacheMB = 35;
        {
            auto store = tmp.open();
            store->setValue(QStringLiteral("Hardware/Time Out"), 250);
            SaveSettings(*store, s);
        }
        auto store = tmp.open();
        // Booleans are numbers on disk, and the time-out is never written back.
        QCOMPARE(store->value(QStringLiteral("Form/All controls enabled")).toString(), QStringLiteral("1"));
        QCOMPARE(store->value(QStringLiteral("Form/Options/Auto detect BL")).toString(), QStringLiteral("0"));
        QCOMPARE(store->value(QStringLiteral("Hardware/Time Out")).toInt(), 250);
        const TAppSettings r = LoadSettings(*store);
        QCOMPARE(r.DataBase, s.DataBase);
        QCOMPARE(r.AllControls, true);
        QCOMPARE(r.ActiveTab, s.ActiveTab);
        QVERIFY(r.TabVisible == s.TabVisible);
        QCOMPARE(r.AutoDetectBL, false);
        QCOMPARE(r.VersionBL, false);
        QCOMPARE(r.BlockSize, 3);
        QCOMPARE(r.ResetSystem, true);
        QCOMPARE(int(r.DevAddr), 1234);
        QCOMPARE(r.Port.Number, 7);
        QCOMPARE(r.MapTileUrl, s.MapTileUrl);
        QCOMPARE(r.MapTileAttribution, s.MapTileAttribution);
        QCOMPARE(r.MapTileCacheMB, 35);
        QCOMPARE(r.Port.BaudRate, 10400);
        QCOMPARE(r.Port.RTS, true);
        QCOMPARE(r.Port.DTR, true);
        QCOMPARE(int(r.Port.RepCount), 9);
        QCOMPARE(int(r.Port.TimeOut), 250);
    }

    // What a tab keeps goes through its section: numbers and 0/1 Booleans, defaults for what is
    // missing or unreadable, true/false typed by hand.
    void sectionReadsWhatItWrites()
    {
        TempSettings tmp;
        {
            auto store = tmp.open();
            TSettingsSection s(store.get(), QStringLiteral("Form/ControlExtMem"));
            s.SetInt(QStringLiteral("Begin Addr"), 100);
            s.SetBool(QStringLiteral("Run after save"), true);
            s.SetStr(QStringLiteral("Name"), QStringLiteral("Прибор"));
            store->setValue(QStringLiteral("Form/ControlExtMem/Typed"), QStringLiteral(" true "));
            store->setValue(QStringLiteral("Form/ControlExtMem/Garbage"), QStringLiteral("12a"));
            store->setValue(QStringLiteral("Form/ControlExtMem/Padded"), QStringLiteral(" 77 "));
        }
        auto store = tmp.open();
        QCOMPARE(store->value(QStringLiteral("Form/ControlExtMem/Run after save")).toString(), QStringLiteral("1"));
        const TSettingsSection s(store.get(), QStringLiteral("Form/ControlExtMem"));
        QCOMPARE(s.Int(QStringLiteral("Begin Addr")), 100);
        QCOMPARE(s.Bool(QStringLiteral("Run after save")), true);
        QCOMPARE(s.Str(QStringLiteral("Name")), QStringLiteral("Прибор"));
        QCOMPARE(s.Bool(QStringLiteral("Typed")), true);
        QCOMPARE(s.Int(QStringLiteral("Garbage"), 5), 5);
        QCOMPARE(s.Int(QStringLiteral("Padded")), 77);
        QCOMPARE(s.Int(QStringLiteral("Missing"), -3), -3);
        QCOMPARE(s.Bool(QStringLiteral("Missing"), true), true);
        // Without a store: defaults, and writing goes nowhere.
        TSettingsSection none(nullptr, QStringLiteral("Form"));
        none.SetInt(QStringLiteral("Begin Addr"), 1);
        QCOMPARE(none.Int(QStringLiteral("Begin Addr"), 9), 9);
    }

    void portAliasesFromSettingsAndCommandLine()
    {
        TempSettings tmp;
        {
            auto store = tmp.open();
            store->setValue(QStringLiteral("COM-port/Alias/COM100"), QStringLiteral("/dev/pts/77"));
            store->setValue(QStringLiteral("COM-port/Alias/COM5"),
                            QStringLiteral("/dev/pts/78"));  // not an alias number
        }
        auto store = tmp.open();
        QCOMPARE(PortAliases::LoadFromSettings(*store), 1);
        QCOMPARE(QString::fromStdString(PortMap::PathFor(100)), QStringLiteral("/dev/pts/77"));

        QString error;
        QVERIFY(PortAliases::ApplyArguments({"--demo", "--port-alias", "COM101=/tmp/simport"}, &error));
        QCOMPARE(QString::fromStdString(PortMap::PathFor(101)), QStringLiteral("/tmp/simport"));
        QVERIFY(!PortAliases::ApplyArguments({"--port-alias", "COM96=/tmp/x"}, &error));
        QVERIFY(!PortAliases::ApplyArguments({"--port-alias", "COM99="}, &error));
        QVERIFY(!PortAliases::ApplyArguments({"--port-alias"}, &error));
        PortMap::SetAlias(100, {});
        PortMap::SetAlias(101, {});
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"

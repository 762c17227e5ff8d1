// What the window says about its connection, and how it gets it back: the first-run hint, a
// hang-up, the adapter returning at the same path, a silent device, and the port dialog's list.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <optional>

#include "app/portaliases.h"
#include "app/ui/frmcomports.h"
#include "link/comport.h"
#include "sim/deviceoption.h"
#include "sim/simbus.h"
#include "support/messagerecorder.h"
#include "support/shellfixture.h"

namespace {

// A bus with one application device at address 4 behind a fixed path, like an adapter's.
struct Adapter {
    QTemporaryDir dir;
    std::string path = dir.filePath(QStringLiteral("ttyUSB")).toStdString();
    int number = PortMap::AliasFor(path);
    std::optional<zeva::sim::SimBus> bus;
    void plugIn()
    {
        bus.emplace();
        bus->setLinkPath(path);
        bus->addDevice(zeva::sim::makeDevice("4:app5"));
        std::string error;
        if (!bus->start(&error))
            qFatal("simulator: %s", error.c_str());
    }
    ~Adapter()
    {
        bus.reset();
        PortMap::SetAlias(number, {});
    }
};

}  // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void firstRunHintLeadsToThePortDialog()
    {
        MessageRecorder boxes;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        PortSettings& ps = frm.Port();
        TfrmCOMPorts ports(
            ps, [&frm] { frm.ApplyPortSettings(); }, {}, &frm);
        frm.SetPortDialog(&ports);
        frm.FirstActivation();
        QCOMPARE(frm.StatusText(0), QStringLiteral("Порт не выбран: «Настройки» → «COM-порт...»"));
        bool shown = false;
        QTimer poll;  // the dialog runs modally; close it from inside its loop
        connect(&poll, &QTimer::timeout, [&] {
            if (ports.isVisible()) {
                shown = true;
                ports.reject();
            }
        });
        poll.start(20);
        auto* panel = frm.findChild<QLabel*>(QStringLiteral("StatusPanel0"));
        QVERIFY(panel);
        QTest::mouseClick(panel, Qt::LeftButton);
        QTRY_VERIFY(shown);
        QVERIFY(boxes.boxes().empty());
    }

    void hangUpIsShownAndTheAdapterReconnects()
    {
        MessageRecorder boxes;
        Adapter adapter;
        adapter.plugIn();
        ShellFixture f;
        f.store->setValue("Hardware/Device addr", 4);
        TfrmMain& frm = f.Open();
        frm.Port().Number = adapter.number;
        TfrmCOMPorts ports(
            frm.Port(), [&frm] { frm.ApplyPortSettings(); }, {QStringLiteral("COM%1").arg(adapter.number)}, &frm);
        frm.SetPortDialog(&ports);
        frm.FirstActivation();
        QTRY_VERIFY_WITH_TIMEOUT(frm.btnRunBootloader->isEnabled(), 10000);
        const QString name = frm.StatusText(0);
        QVERIFY2(name.contains(QStringLiteral("Unit")), qPrintable(name));

        // Unplugged: the status bar says so, and nothing reopens while it is away.
        adapter.bus->closeSerialSide();
        const QString hungUp = QStringLiteral("COM%1: связь прервана, ждём подключения адаптера").arg(adapter.number);
        QTRY_COMPARE_WITH_TIMEOUT(frm.StatusText(0), hungUp, 10000);
        QVERIFY(!frm.btnRunBootloader->isEnabled());
        adapter.bus->stop();

        // OK in the port dialog reopens even without a change; the adapter is still away.
        ports.show();
        ports.findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        // The fixed message first, then why.
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY(boxes.texts().front().startsWith(QStringLiteral("Порт COM%1 недоступен!\r\n").arg(adapter.number)));
        QVERIFY(boxes.texts().front().contains(QStringLiteral("отсутствует")));
        QCOMPARE(frm.StatusText(0), QStringLiteral("COM%1 недоступен, ждём подключения адаптера").arg(adapter.number));

        // Plugged in again at the same path: the port reopens by itself and the device returns.
        adapter.plugIn();
        QTRY_VERIFY_WITH_TIMEOUT(frm.btnRunBootloader->isEnabled(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(frm.StatusText(0), name, 10000);
        QCOMPARE(frm.StatusText(1), QStringLiteral("COM%1").arg(adapter.number));

        // Another address on a working port: the device is reported silent.
        f.session.DevAddr = 9;
        QTRY_COMPARE_WITH_TIMEOUT(frm.StatusText(0), QStringLiteral("Устройство 9 не отвечает"), 10000);
        QCOMPARE(boxes.texts().size(), 1);
    }

    void portDialogListsDevicesAndRefreshesWhileOpen()
    {
        PortSettings ps;
        ps.Number = 34;  // an adapter that is away
        TfrmCOMPorts ports(
            ps, [] {}, {}, nullptr);
        std::vector<TPortDescription> host = {{1, "/dev/ttyS0"}};
        ports.SetPortLister([&host] { return host; });
        ports.SelectPort(34);
        auto items = [&ports] {
            QStringList out;
            for (int i = 0; i < ports.cbMainPorts->count(); ++i)
                out << ports.cbMainPorts->itemText(i) + QLatin1Char('|') +
                           ports.cbMainPorts->itemData(i, Qt::ToolTipRole).toString();
            return out;
        };
        QCOMPARE(items(), QStringList({"<нет>|", "COM1|/dev/ttyS0", "COM34|устройство не подключено"}));
        QCOMPARE(ports.lbPortInfo->text(), QStringLiteral("устройство не подключено"));

        // Plugged in while the dialog is open: the list follows without a restart, and the
        // choice stays.
        ports.show();
        TPortDescription ftdi{34, "/dev/ttyUSB1"};
        ftdi.Usb = true;
        ftdi.Maker = "FTDI";
        ftdi.Product = "FT232R USB UART";
        ftdi.Serial = "A50285BI";
        host.push_back(ftdi);
        const QString described = QStringLiteral("/dev/ttyUSB1, FTDI FT232R USB UART, s/n A50285BI");
        QTRY_COMPARE_WITH_TIMEOUT(items(), QStringList({"<нет>|", "COM1|/dev/ttyS0", "COM34|" + described}), 5000);
        QCOMPARE(ports.cbMainPorts->currentText(), QStringLiteral("COM34"));
        QCOMPARE(ports.lbPortInfo->text(), described);
        QCOMPARE(ps.Number, 34);
    }

    // A network address typed into the dialog becomes a COMn alias kept in the settings, chosen
    // and applied like any port; a bad address is named and changes nothing.
    void portDialogKeepsANetworkPortAsAnAlias()
    {
        TempSettings tmp;
        auto store = tmp.open();
        PortSettings ps;
        int applied = 0;
        TfrmCOMPorts ports(
            ps, [&applied] { ++applied; }, {}, nullptr);
        ports.SetPortLister([] { return DescribeHostPorts("/nonexistent"); });
        QVERIFY(ports.edtNetPort->isReadOnly());
        ports.SetAliasStore(store.get());
        ports.show();
        auto enter = [&ports](const QString& text) {
            ports.edtNetPort->setFocus();
            ports.edtNetPort->selectAll();
            QTest::keyClicks(ports.edtNetPort, text);
            QTest::keyClick(ports.edtNetPort, Qt::Key_Return);
        };
        auto aliases = [&store] {
            QStringList out;
            store->beginGroup(QStringLiteral("COM-port/Alias"));
            for (const QString& key : store->childKeys())
                out << key + QLatin1Char('=') + store->value(key).toString();
            store->endGroup();
            return out;
        };

        for (const QString bad : {"rfc2217://bench-7", "tcp://host:70000", "telnet://host:23"}) {
            enter(bad);
            QCOMPARE(ports.lbPortInfo->text(),
                     QString(bad + QStringLiteral(": неверный адрес порта (нужно "
                                                  "tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ)")));
            QVERIFY(aliases().isEmpty());
            QCOMPARE(applied, 0);
        }

        enter(QStringLiteral("rfc2217://127.0.0.1:7000"));
        QCOMPARE(aliases(), QStringList{"COM97=rfc2217://127.0.0.1:7000"});
        QCOMPARE(ports.cbMainPorts->currentText(), QStringLiteral("COM97"));
        QCOMPARE(ps.Number, 97);
        QCOMPARE(applied, 1);
        QCOMPARE(ports.lbPortInfo->text(), QStringLiteral("rfc2217://127.0.0.1:7000"));

        // Editing the chosen network port changes that alias, and reopens it.
        enter(QStringLiteral("tcp://127.0.0.1:7001"));
        QCOMPARE(aliases(), QStringList{"COM97=tcp://127.0.0.1:7001"});
        QCOMPARE(ps.Number, 97);
        QCOMPARE(applied, 2);

        // With a local port chosen, a new address takes the next free alias; the stored one survives
        // a restart.
        ports.cbMainPorts->setCurrentIndex(0);
        enter(QStringLiteral("rfc2217://[::1]:7002"));
        QCOMPARE(aliases(), (QStringList{"COM97=tcp://127.0.0.1:7001", "COM98=rfc2217://[::1]:7002"}));
        QCOMPARE(ps.Number, 98);
        PortMap::SetAlias(97, {});
        PortMap::SetAlias(98, {});
        QCOMPARE(PortAliases::LoadFromSettings(*store), 2);
        QCOMPARE(QString::fromStdString(PortMap::PathFor(98)), QStringLiteral("rfc2217://[::1]:7002"));

        // Every alias taken and no network port chosen to change: said so, nothing stored.
        for (int n = PortMap::kFirstAlias; n <= PortMap::kLastAlias; ++n)
            if (n != 97 && n != 98)
                PortMap::SetAlias(n, "/dev/pts/" + std::to_string(n));
        ports.cbMainPorts->setCurrentIndex(0);
        enter(QStringLiteral("tcp://10.0.0.9:4001"));
        QVERIFY(ports.lbPortInfo->text().startsWith(QStringLiteral("Все имена COM97..COM127 уже заняты")));
        QCOMPARE(aliases().size(), 2);
        for (int n = PortMap::kFirstAlias; n <= PortMap::kLastAlias; ++n)
            PortMap::SetAlias(n, {});
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"

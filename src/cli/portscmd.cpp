// zevanta-cli ports, identify and scan: what is on the computer and on the bus.
#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "data/identity.h"
#include "link/busscan.h"
#include "link/comport.h"
#include "link/portinfo.h"
#include "link/zeva16.h"

namespace zcli {

namespace {

const char* typeName(TDeviceParamTyp t)
{
    switch (t) {
    case pkgStr: return "text";
    case pkgDateTime: return "clock";
    case pkgMode: return "mode";
    case pkgInt: return "int16";
    case pkgLong: return "int32";
    case pkgHex16: return "hex16";
    case PkgHex32: return "hex32";
    case pkgNone: break;
    }
    return "?";
}

QString clockText(const TDeviceInfo& i)
{
    const QString date =
        i.DateRTC != 0 ? RtcDateToQDate(i.DateRTC).toString(QStringLiteral("dd.MM.yyyy")) : QStringLiteral("- - -");
    return date + QLatin1Char(' ') + RtcTimeToQTime(i.TimeRTC).toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

int CmdPorts(const CliArgs& a)
{
    if (a.positional.size() != 1)
        return usage("ports не принимает аргументов");
    const std::vector<TPortDescription> ports = DescribeHostPorts();
    if (ports.empty() && !g_out.Json)
        out(QStringLiteral("последовательных портов нет"));
    for (const TPortDescription& d : ports) {
        const QString byId = QString::fromStdString(StableSerialPath(d.Path));
        QJsonObject o{{QStringLiteral("type"), QStringLiteral("port")},
                      {QStringLiteral("port"), portLabel(d.Number)},
                      {QStringLiteral("path"), QString::fromStdString(d.Path)}};
        QStringList line{portLabel(d.Number), QString::fromStdString(d.Path)};
        if (d.Usb) {
            const QString id = QString::fromStdString(d.VendorId + ":" + d.ProductId);
            line << id << QString::fromStdString(d.Maker) << QString::fromStdString(d.Product)
                 << QString::fromStdString(d.Serial) << byId;
            o.insert(QStringLiteral("usb"), id);
            o.insert(QStringLiteral("maker"), QString::fromStdString(d.Maker));
            o.insert(QStringLiteral("product"), QString::fromStdString(d.Product));
            o.insert(QStringLiteral("serial"), QString::fromStdString(d.Serial));
            o.insert(QStringLiteral("byId"), byId);
        }
        out(line.join(QLatin1Char('\t')));
        g_out.json(o);
    }
    return kExitOk;
}

int CmdIdentify(const CliArgs& a)
{
    if (a.positional.size() != 1)
        return usage("identify не принимает аргументов, кроме ключей");
    if (a.addrs.size() > 1 || a.addrAll || a.ports.size() > 1)
        return usage("identify опрашивает одно устройство; несколько опрашивает scan");
    if (!startTrace())
        return kExitFile;
    auto link = openFirstLink(a);
    if (!link || !identifyDevice(*link, a.addr))
        return kExitFailed;
    const TDeviceInfo i = link->InfoCopy();
    const TParams p = link->ParamsCopy();
    QJsonArray params;
    for (const auto& item : p.Items)
        params.append(QJsonObject{{QStringLiteral("name"), item.Name},
                                  {QStringLiteral("type"), QString::fromLatin1(typeName(item.typ))},
                                  {QStringLiteral("value"), item.Value}});
    g_out.json({{QStringLiteral("type"), QStringLiteral("result")},
                {QStringLiteral("command"), QStringLiteral("identify")},
                {QStringLiteral("port"), QString::fromStdString(a.port)},
                {QStringLiteral("path"), resolvedPath(a.port)},
                {QStringLiteral("address"), int(a.addr)},
                {QStringLiteral("outcome"), QStringLiteral("ok")},
                {QStringLiteral("name"), i.Name.trimmed()},
                {QStringLiteral("mode"), QString::fromLatin1(ShortModeName(i.Mode))},
                {QStringLiteral("version"), versionText(i)},
                {QStringLiteral("build"), int(i.Build)},
                {QStringLiteral("part"), i.MCU.section(QStringLiteral("\r\n"), 0, 0).trimmed()},
                {QStringLiteral("controller"), oneLine(i.MCU)},
                {QStringLiteral("progStart"), qint64(i.ProgStart)},
                {QStringLiteral("memSize"), qint64(i.MemSize)},
                {QStringLiteral("ext"), qint64(i.Ext)},
                {QStringLiteral("params"), params}});
    out(QStringLiteral("Имя:               %1").arg(i.Name.trimmed()));
    out(QStringLiteral("Режим:             %1").arg(QString::fromUtf8(modeName(i.Mode))));
    out(QStringLiteral("Микроконтроллер:   %1")
            .arg(QString(i.MCU).replace(QStringLiteral("\r\n"), QStringLiteral("\n                   "))));
    out(QStringLiteral("FLASH:             %1 .. %2")
            .arg(i.ProgStart, 4, 16, QLatin1Char('0'))
            .arg(i.MemSize, 4, 16, QLatin1Char('0'))
            .toUpper());
    out(QStringLiteral("Внешняя память:    %1 байт").arg(i.Ext));
    if (i.Mode == mDevice5) {
        out(QStringLiteral("Температура:       %1 °C").arg(i.Temp));
        out(QStringLiteral("Напряжение:        %1 В").arg(double(i.Voltage), 0, 'f', 1));
        out(QStringLiteral("Байт режима:       %1").arg(i.VarMode));
        out(QStringLiteral("Часы:              %1").arg(clockText(i)));
    }
    for (const auto& item : p.Items)
        out(QStringLiteral("  %1 [%2] = %3").arg(item.Name, QString::fromLatin1(typeName(item.typ)), item.Value));
    return kExitOk;
}

// One quick question to each address: who is on the bus.
int CmdScan(const CliArgs& a)
{
    if (a.positional.size() != 1)
        return usage("scan не принимает аргументов, кроме ключей");
    if (a.addrAll)
        return usage("scan принимает адреса, а не all");
    CliArgs quick = a;
    if (!a.timeoutSet)
        quick.timeoutMs = kScanTimeoutMs;
    if (!a.retriesSet)
        quick.retries = kScanRetries;
    std::vector<unsigned> addrs = a.addrs;
    if (!a.addrSet) {
        addrs.clear();
        for (unsigned n = kScanFirstAddr; n <= kScanLastAddr; ++n)
            addrs.push_back(n);
    }
    if (!startTrace())
        return kExitFile;
    // A row of the table: the bus it was found on (for the order), then the cells.
    struct Row {
        size_t Bus;
        unsigned Addr;
        QStringList Cells;
    };
    std::mutex lock;
    std::vector<Row> rows;
    bool anyPortFailed = false;
    auto serveBus = [&](size_t bus) {
        auto link = openLink(quick, a.ports[bus]);
        if (!link) {
            std::lock_guard g(lock);
            anyPortFailed = true;
            return;
        }
        const QString label = QString::fromStdString(a.ports[bus]);
        const QString path = resolvedPath(a.ports[bus]);
        const TScanLinkSetup quickLink(*link, uint16_t(quick.timeoutMs), uint8_t(quick.retries));
        ScanBus(*link, addrs, &g_interrupted, [&](size_t, const TFoundDevice* d) {
            if (!d)
                return;
            const TDeviceInfo& i = d->Info;
            const TIdentity id = IdentityOf(int(d->Addr), i, QDateTime::currentDateTime());
            // Enough to fill a device list: where it is and what it says it is, under the names of
            // the inventory report.
            QJsonObject found = IdentityJson(id);
            found.insert(QStringLiteral("type"), QStringLiteral("device"));
            found.insert(QStringLiteral("command"), QStringLiteral("scan"));
            found.insert(QStringLiteral("port"), label);
            found.insert(QStringLiteral("path"), path);
            found.insert(QStringLiteral("controller"), id.Part);
            g_out.json(found);
            std::lock_guard g(lock);
            rows.push_back({bus,
                            d->Addr,
                            {label, QString::number(d->Addr), QString::fromLatin1(ShortModeName(i.Mode)),
                             versionText(i), id.Part, id.Name}});
        });
    };
    std::vector<std::thread> threads;
    for (size_t bus = 0; bus < a.ports.size(); ++bus)
        threads.emplace_back(serveBus, bus);
    for (auto& t : threads)
        t.join();
    // Threads finish in any order; the table goes by port, then address.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& x, const Row& y) { return std::pair(x.Bus, x.Addr) < std::pair(y.Bus, y.Addr); });
    const bool severalPorts = a.ports.size() > 1;
    const size_t asked = addrs.size() * a.ports.size();
    if (!rows.empty()) {
        out(QStringLiteral("%1%2  %3  %4  %5  %6")
                .arg(severalPorts ? QStringLiteral("порт   ") : QString())
                .arg(QStringLiteral("адрес"), 5)
                .arg(QStringLiteral("режим"), -7)
                .arg(QStringLiteral("версия"), -9)
                .arg(QStringLiteral("микроконтроллер"), -16)
                .arg(QStringLiteral("имя")));
        for (const Row& row : rows) {
            const QStringList& r = row.Cells;
            out(QStringLiteral("%1%2  %3  %4  %5  %6")
                    .arg(severalPorts ? r[0].leftJustified(7) + QLatin1Char(' ') : QString())
                    .arg(r[1], 5)
                    .arg(r[2], -7)
                    .arg(r[3], -9)
                    .arg(r[4], -16)
                    .arg(r[5]));
        }
        out(QStringLiteral("ответили адресов: %1 из %2").arg(rows.size()).arg(asked));
    }
    // A scan is a question whose answer can be no: a script must see it in the exit code.
    const int code = g_interrupted   ? kExitInterrupted
                     : anyPortFailed ? kExitFailed
                     : rows.empty()  ? kExitFailed
                                     : kExitOk;
    if (rows.empty() && !g_interrupted && !anyPortFailed)
        err(QStringLiteral("Устройства не найдены (спрошено адресов: %1)").arg(asked));
    g_out.json({{QStringLiteral("type"), QStringLiteral("summary")},
                {QStringLiteral("command"), QStringLiteral("scan")},
                {QStringLiteral("asked"), qint64(asked)},
                {QStringLiteral("answered"), qint64(rows.size())},
                {QStringLiteral("outcome"), outcomeWord(code)}});
    return code;
}

}  // namespace zcli

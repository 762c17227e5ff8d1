#include "link/deviceinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include "base/cp1251.h"
#include "link/payloadreader.h"
#include "versiondefs.h"

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr uint32_t kMaxExt = 0x80000;

struct RtcBytes {
    uint8_t day, month, year, hour, minute, second;
};

RtcBytes readRtc(PayloadReader& r)
{
    RtcBytes t{};
    t.day = r.ReadByte();
    t.month = r.ReadByte();
    t.year = r.ReadByte();
    t.hour = r.ReadByte();
    t.minute = r.ReadByte();
    t.second = r.ReadByte();
    return t;
}

void applyRtc(const RtcBytes& t, TDeviceInfo& info)
{
    info.DateRTC = EncodeRtcDate(2000 + t.year, t.month, t.day);
    info.TimeRTC = EncodeRtcTime(t.hour, t.minute, t.second);
}

QString renderClock(const TDeviceInfo& info)
{
    const QLocale loc;
    QString timeFormat = loc.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    // A date the device could not give is shown as the display shows it, not as the day-count epoch.
    const QString date =
        info.DateRTC != 0 ? loc.toString(RtcDateToQDate(info.DateRTC), QLocale::ShortFormat) : QStringLiteral("- - -");
    return date + QLatin1Char(' ') + loc.toString(RtcTimeToQTime(info.TimeRTC), timeFormat.trimmed());
}

QString readName(PayloadReader& r)
{
    const std::string s = r.ReadString();
    return Cp1251::toUnicode(QByteArrayView(s.data(), qsizetype(s.size())));
}

// "name   v. major.minor   build N"; the first generation puts a blank in front.
QString nameLine(const QString& name, const TDeviceInfo& info)
{
    return QStringLiteral("%1   v. %2.%3   build %4")
        .arg(name)
        .arg(info.Version >> 4)
        .arg(info.Version & 15)
        .arg(info.Build);
}

uint32_t readExt(PayloadReader& r)
{
    return std::min(r.ReadInt24(), kMaxExt);
}

void decodeLayoutA(PayloadReader& r, uint8_t first, TDeviceInfo& info, uint8_t& mcuId)
{
    info.Version = r.ReadByte();
    if (first == 0x00 && info.Version <= 0x50)
        info.Mode = mBootloader50;
    info.Build = r.ReadWord();
    QString name = QStringLiteral("Bootloader");
    if (r.ReadByte() != 0)
        name = readName(r);
    info.Name = QLatin1Char(' ') + nameLine(name, info);
    mcuId = r.ReadByte();
    if (info.Mode != mDevice5)
        return;
    info.Ext = readExt(r);
    while (!r.EndOfBuf()) {
        const uint8_t tag = r.ReadByte();
        if (tag == 0)
            break;
        switch (tag) {
        case 1: info.Temp = int8_t(r.ReadByte()); break;
        case 2: info.Voltage = float(r.ReadWord()) / 10.0f; break;
        case 7:
            info.VarMode = r.ReadByte();
            applyRtc(readRtc(r), info);
            break;
        default: break;  // unknown tag: the next byte is the next tag
        }
    }
}

void decodeLayoutB(PayloadReader& r, TDeviceInfo& info, TParams& params, uint8_t& mcuId)
{
    info.Version = r.ReadByte();
    info.Build = r.ReadWord();
    QString name = readName(r);
    if (name.isEmpty())
        name = info.Mode == mBootloader60 ? QStringLiteral("Bootloader") : QStringLiteral("Unknown Device");
    info.Name = nameLine(name, info);
    mcuId = r.ReadByte();
    info.Ext = readExt(r);
    while (!r.EndOfBuf()) {
        const auto typ = TDeviceParamTyp(r.ReadByte());
        const QString pname = readName(r);
        const uint8_t len = r.ReadByte();
        QString value;
        switch (typ) {
        case pkgStr: value = readName(r); break;
        case pkgDateTime:
            applyRtc(readRtc(r), info);
            value = renderClock(info);
            break;
        case pkgMode:
            info.VarMode = r.ReadByte();
            value = QString::number(info.VarMode);
            break;
        case pkgInt: value = QString::number(int16_t(r.ReadWord())); break;
        case pkgLong: value = QString::number(int32_t(r.ReadDWord())); break;
        case pkgHex16: value = QStringLiteral("%1").arg(r.ReadWord(), 4, 16, QLatin1Char('0')).toUpper(); break;
        case PkgHex32: value = QStringLiteral("%1").arg(r.ReadDWord(), 8, 16, QLatin1Char('0')).toUpper(); break;
        default: r.SkipByte(len); continue;
        }
        params.Add(typ, pname, value);
    }
}

}  // namespace

double EncodeRtcDate(int year, int month, int day)
{
    const QDate d(year, month, day);
    return d.isValid() ? double(kEpoch.daysTo(d)) : 0.0;
}

double EncodeRtcTime(int hour, int minute, int second)
{
    return QTime::isValid(hour, minute, second, 0) ? (hour * 3600 + minute * 60 + second) / 86400.0 : 0.0;
}

QDate RtcDateToQDate(double dateRtc)
{
    return kEpoch.addDays(qint64(dateRtc));
}

QTime RtcTimeToQTime(double timeRtc)
{
    const int secs = int(timeRtc * 86400.0 + 0.5);
    return QTime(0, 0).addSecs(secs % 86400);
}

void DecodeDeviceInfo(const uint8_t* payload, uint16_t count, const std::vector<TItemMCU>& mcus, TDeviceInfo& info,
                      TParams& params)
{
    info.Clear();
    params.Clear();
    if (count == 0)
        return;
    uint16_t pos = 0;
    PayloadReader r{payload, count, pos};
    const uint8_t first = r.ReadByte();
    switch (first) {
    case 0x00: info.Mode = mBootloader51; break;
    case 0x01: info.Mode = mDevice5; break;
    case 0x10: info.Mode = mBootloader60; break;
    case 0x11: info.Mode = mDevice6; break;
    default: info.Mode = mNone; break;
    }
    uint8_t mcuId = 0;
    if (first == 0x00 || first == 0x01)
        decodeLayoutA(r, first, info, mcuId);
    else
        decodeLayoutB(r, info, params, mcuId);

    for (const TItemMCU& m : mcus) {
        if (m.ID != mcuId)
            continue;
        const QString head =
            QStringLiteral("%1 \r\n(%2)\r\nFLASH:       %3 KB\r\n").arg(m.Name, m.Firma).arg(m.ROM >> 10);
        info.MCU = info.Ext >= 1024 ? head + QStringLiteral("Ext Mem:  %1 KB").arg(info.Ext >> 10)
                                    : head + QStringLiteral("Ext Mem:  %1 B").arg(info.Ext);
        info.MemSize = m.ROM;
        info.ProgStart = m.Offset;
        break;
    }
}

namespace {

uint32_t parseIntAttr(const QXmlStreamAttributes& attrs, const QString& name, uint32_t fallback, const QString& path,
                      qint64 line)
{
    if (!attrs.hasAttribute(name))
        return fallback;
    const QString text = attrs.value(name).toString().trimmed();
    bool ok = false;
    const qulonglong v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toULongLong(&ok, 16)
                                                                                   : text.toULongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFull)
        throw McuCatalogError(QStringLiteral("%1, line %2: attribute \"%3\" is not a number: \"%4\"")
                                  .arg(QDir::toNativeSeparators(path))
                                  .arg(line)
                                  .arg(name, text),
                              QStringLiteral("%1, строка %2: атрибут \"%3\" не число: \"%4\"")
                                  .arg(QDir::toNativeSeparators(path))
                                  .arg(line)
                                  .arg(name, text));
    return uint32_t(v);
}

}  // namespace

std::vector<TItemMCU> LoadMCUCatalog(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw McuCatalogError(QStringLiteral("%1: cannot be read (%2)").arg(shown, f.errorString()),
                              QStringLiteral("%1: файл не читается (%2)").arg(shown, f.errorString()));

    QXmlStreamReader xml(&f);
    std::vector<TItemMCU> out;
    bool sawRoot = false;
    bool sawList = false;
    int depth = 0;
    int listDepth = -1;
    int position = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1) {
                sawRoot = true;
            } else if (depth == 2 && !sawList && xml.name() == QLatin1String("list")) {
                sawList = true;
                listDepth = depth;
            } else if (listDepth > 0 && depth == listDepth + 1) {
                ++position;
                if (xml.name() == QLatin1String("mcu")) {
                    const auto attrs = xml.attributes();
                    const qint64 line = xml.lineNumber();
                    TItemMCU m;
                    m.ID = uint8_t(parseIntAttr(attrs, QStringLiteral("id"), uint32_t(position), path, line));
                    m.Name = attrs.value(QLatin1String("name")).toString().left(30);
                    m.ROM = parseIntAttr(attrs, QStringLiteral("rom"), 0, path, line);
                    m.Offset = parseIntAttr(attrs, QStringLiteral("offset"), 0, path, line);
                    m.Firma = attrs.value(QLatin1String("firma")).toString().left(30);
                    out.push_back(m);
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == listDepth)
                listDepth = -2;  // only the first "list" counts
            --depth;
        }
    }
    if (!sawRoot && (!xml.hasError() || xml.error() == QXmlStreamReader::PrematureEndOfDocumentError))
        throw McuCatalogError(QStringLiteral("%1: the file is empty").arg(shown),
                              QStringLiteral("%1: файл пуст").arg(shown));
    if (xml.hasError())
        throw McuCatalogError(
            QStringLiteral("%1, line %2: malformed XML: %3").arg(shown).arg(xml.lineNumber()).arg(xml.errorString()),
            QStringLiteral("%1, строка %2: ошибка в XML: %3").arg(shown).arg(xml.lineNumber()).arg(xml.errorString()));
    if (!sawList)
        throw McuCatalogError(QStringLiteral("%1: no \"list\" element in the document element").arg(shown),
                              QStringLiteral("%1: в корневом элементе нет элемента \"list\"").arg(shown));
    return out;
}

QStringList MCUCatalogPlaces()
{
    const QDir appDir(QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath());
    QStringList places{appDir.filePath(QStringLiteral("mcu.xml")),
                       // An installed program finds it in the data folder of its prefix (../share/zevanta).
                       QDir::cleanPath(appDir.filePath(QStringLiteral(ZEVANTA_DATA_FROM_BIN "/mcu.xml")))};
    // A user without rights to the program's folders keeps an updated catalogue of their own.
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userData.isEmpty())
        places << QDir(userData).filePath(QStringLiteral("mcu.xml"));
    return places;
}

QString DefaultMCUCatalogPath()
{
    const QStringList places = MCUCatalogPlaces();
    for (const QString& p : places)
        if (QFileInfo::exists(p))
            return p;
    return places.front();
}

#include "link/presencedisplay.h"

#include <cmath>

#include "base/messages.h"

QSet<int> EnabledGroups(TMode mode, uint32_t ext)
{
    switch (mode) {
    case mBootloader50:
    case mBootloader51:
    case mBootloader60: return {1, 3, 5};
    case mDevice5: return ext > 0 ? QSet<int>{2, 3, 4} : QSet<int>{3, 4};
    case mDevice6: return ext > 0 ? QSet<int>{2, 3, 4, 8} : QSet<int>{3, 4, 8};
    case mNone: break;
    }
    return {};
}

QString FormatVarMode(uint8_t varMode)
{
    if (varMode == 0)
        return Msg::PresenceNoValue;
    return QStringLiteral("%1  (0x%2)").arg(varMode).arg(QString::number(varMode, 16).toUpper(), 2, QLatin1Char('0'));
}

QString FormatTemp(int temp)
{
    // -128 is what the device sends when it has no sensor reading.
    if (temp == -128)
        return Msg::PresenceNoValue;
    const long fahrenheit = std::lround(temp * 1.8 + 32.0);
    return QStringLiteral("%1 °C  (%2 °F)").arg(temp).arg(fahrenheit);
}

QString FormatVoltage(double voltage, const QLocale& locale)
{
    if (!(voltage > 0))
        return Msg::PresenceNoValue;
    QLocale loc = locale;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(voltage, 'f', 1) + QStringLiteral(" V");
}

QString FormatRtcDate(double dateRtc)
{
    if (!(dateRtc > 0))
        return Msg::PresenceNoValue;
    return RtcDateToQDate(dateRtc).toString(QStringLiteral("dd.MM.yyyy"));
}

QString FormatRtcTime(double timeRtc)
{
    // Midnight is indistinguishable from "not set" in the day-fraction form.
    if (!(timeRtc > 0))
        return Msg::PresenceNoValue;
    return RtcTimeToQTime(timeRtc).toString(QStringLiteral("hh:mm:ss"));
}

PresenceView MakePresenceView(const TDeviceInfo& info, const TParams& params, const QLocale& locale)
{
    PresenceView v;
    v.statusText = QStringLiteral(" ") + info.Name;
    v.groups = EnabledGroups(info.Mode, info.Ext);
    v.mcuText = info.Mode == mNone ? Msg::PresenceNoValue : info.MCU;
    v.dateText = v.timeText = Msg::PresenceNoValue;
    v.varModeText = v.tempText = v.voltageText = Msg::PresenceNoValue;

    if (info.Mode == mDevice5 || info.Mode == mDevice6) {
        v.dateText = FormatRtcDate(info.DateRTC);
        v.timeText = FormatRtcTime(info.TimeRTC);
    }
    if (info.Mode == mDevice5) {
        v.varModeText = FormatVarMode(info.VarMode);
        v.tempText = FormatTemp(info.Temp);
        v.voltageText = FormatVoltage(info.Voltage, locale);
        v.valuesVisible = true;
    }
    if (info.Mode != mNone && params.Count() > 0) {
        v.paramsVisible = true;
        v.paramRows.reserve(size_t(params.Count()) + 1);
        v.paramRows.emplace_back(Msg::ParamsTitleName, Msg::ParamsTitleValue);
        for (const TDeviceParam& p : params.Items)
            v.paramRows.emplace_back(p.Name, p.Value);
    }
    return v;
}

#include "app/controlgroups.h"

#include <Qt>

namespace ControlGroups {

bool IsDeviceTag(int tag)
{
    return tag != kNoGroup && tag != kFixedSheet;
}

bool TagEnabled(int tag, const QSet<int>& groups, bool allControls)
{
    if (allControls)
        return true;
    return tag >= 0 && tag <= 255 && groups.contains(tag);
}

bool IsBootloader(TMode mode)
{
    return mode == mBootloader50 || mode == mBootloader51 || mode == mBootloader60;
}

bool ChangeAddrEnabled(bool allControls, bool hasLink, TMode mode)
{
    return allControls || (hasLink && IsBootloader(mode));
}

QString ShortcutButton(const QString& activeTab, int key)
{
    if (activeTab == QLatin1String("tsDevice") || activeTab == QLatin1String("tsFLASH")) {
        switch (key) {
        case Qt::Key_F5:
            return QStringLiteral("btnWriteFLASH");
        case Qt::Key_F9:
            return QStringLiteral("btnRunProgram");
        case Qt::Key_F11:
            return QStringLiteral("btnRunBootloader");
        default:
            return {};
        }
    }
    if (activeTab == QLatin1String("tsCmd")) {
        switch (key) {
        case Qt::Key_F8:
            return QStringLiteral("btnClearAnswers");
        case Qt::Key_F9:
            return QStringLiteral("btnSendData");
        default:
            return {};
        }
    }
    return {};
}

const TabTimer* TabTimers(int* count)
{
    static const TabTimer timers[] = {
        {"tsUSBRelay", "tmrUSBRelay"},
        {"tsKESTA", "tmrKESTA"},
        {"tsFentor", "tmrFentor"},
    };
    *count = int(std::size(timers));
    return timers;
}

}  // namespace ControlGroups

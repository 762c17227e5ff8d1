#include "link/controlgroups.h"

#include <QObject>
#include <QVariant>

namespace ControlGroups {

void Tag(QObject* control, TControlGroup group)
{
    control->setProperty("tag", int(group));
}

int TagOf(const QObject* control)
{
    const QVariant v = control->property("tag");
    return v.isValid() ? v.toInt() : kNoGroup;
}

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

}  // namespace ControlGroups

#include "app/ui/displayfont.h"

#include <QFontDatabase>
#include <QStringList>

// Q_INIT_RESOURCE declares a function and must stand outside any namespace; the resources live
// in a static library, so they are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(zevanta);
}

namespace {
const QString kFamily = QStringLiteral("PT Sans Narrow");
int g_fontId = -2;  // not tried yet
}  // namespace

namespace DisplayFont {

bool Install()
{
    if (QFontDatabase::families().contains(kFamily))
        return true;
    if (g_fontId == -2) {
        initResources();
        g_fontId = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/PTN57F.ttf"));
    }
    return g_fontId >= 0;
}

QString Family()
{
    return kFamily;
}

QFont Font(int pointSize, bool bold)
{
    QFont f(kFamily, pointSize);
    f.setBold(bold);
    return f;
}

}  // namespace DisplayFont

#include "base/numbertext.h"

int64_t PanelInt(const QString& text, int64_t def)
{
    bool ok = false;
    if (text.startsWith(QLatin1Char('$')) || text.startsWith(QLatin1String("0x")) ||
        text.startsWith(QLatin1String("0X"))) {
        const QString digits = text.mid(text.startsWith(QLatin1Char('$')) ? 1 : 2);
        // toUInt would also take a sign or blanks; only bare digits count here.
        if (digits.isEmpty() || digits.size() > 8)
            return def;
        for (QChar c : digits) {
            const char16_t u = c.unicode();
            if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
                return def;
        }
        const uint v = digits.toUInt(&ok, 16);
        return ok ? int64_t(v) : def;
    }
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return def;
    const int v = text.toInt(&ok, 10);
    return ok ? v : def;
}

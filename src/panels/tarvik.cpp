#include "panels/tarvik.h"

namespace panels::Tarvik {

std::optional<QString> CodeText(std::span<const uint8_t> answer)
{
    if (answer.size() != 8)
        return std::nullopt;
    QString s;
    for (size_t i = 0; i < 8; ++i) {
        if (i == 7)
            s += QLatin1Char('-');
        s += QStringLiteral("%1").arg(answer[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return s;
}

}  // namespace panels::Tarvik

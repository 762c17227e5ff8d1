#include "panels/dorna.h"

namespace panels::Dorna {

namespace {
const QString kDashes = QStringLiteral("---");
}

uint8_t UnitAddress(int item)
{
    int a = 0x92 + 2 * item;
    if (a >= 0xA0)
        a += 4;
    return uint8_t(a);
}

QStringList AddressCaptions()
{
    QStringList out;
    for (int i = 0; i < kUnits; ++i)
        out << QStringLiteral("%1").arg(UnitAddress(i), 2, 16, QLatin1Char('0')).toUpper();
    return out;
}

std::optional<TRecord> Decode(std::span<const uint8_t> answer)
{
    if (answer.size() != 7)
        return std::nullopt;
    auto word = [&](size_t at) { return uint16_t(answer[at] << 8 | answer[at + 1]); };
    return TRecord{answer[0], word(1), word(3), word(5)};
}

QString Reading(uint16_t value)
{
    return value <= 999 ? QString::number(value) : kDashes;
}

TView View(const std::optional<TRecord>& record)
{
    if (!record)
        return {kDashes, kDashes, kDashes, kDashes};
    return {QStringLiteral("%1.%2").arg(record->Version >> 4).arg(record->Version & 0x0F), Reading(record->Uac),
            Reading(record->Udc), Reading(record->R)};
}

}  // namespace panels::Dorna

#include "routes/coords.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The text with its first "." taken out, without copying it: the seconds and their tenths then
// run together as one three-digit field.
class TWithoutPoint {
public:
    explicit TWithoutPoint(QStringView text) : FText(text), FPoint(text.indexOf(QLatin1Char('.'))) {}
    qsizetype size() const { return FPoint < 0 ? FText.size() : FText.size() - 1; }
    QChar at(qsizetype i) const { return FText.at(FPoint >= 0 && i >= FPoint ? i + 1 : i); }

private:
    QStringView FText;
    qsizetype FPoint;
};

// Characters [from, from + count) as a decimal integer: leading blanks skipped, one optional sign,
// then digits only. Anything else reads as 0.
int32_t fieldValue(const TWithoutPoint& text, qsizetype from, qsizetype count)
{
    qsizetype i = from;
    const qsizetype end = std::min(from + count, text.size());
    while (i < end && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == end)
        return 0;
    int32_t value = 0;
    for (; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + (c - u'0');
    }
    return negative ? -value : value;
}

}  // namespace

int32_t CoordFromText(QStringView text)
{
    if (text.size() < Coord::TextLength)
        return 0;
    const TWithoutPoint t(text);
    const int32_t degrees = fieldValue(t, 0, 3);
    const int32_t minutes = fieldValue(t, 4, 2);
    const int32_t tenths = fieldValue(t, 7, 3);
    const int32_t magnitude = std::abs(degrees) * Coord::TenthsPerDegree + minutes * Coord::TenthsPerMinute + tenths;
    // The sign belongs to the whole value, also with zero degrees ("-00°30'...").
    bool negative = false;
    for (qsizetype i = 0; i < 3; ++i)
        negative = negative || t.at(i) == QLatin1Char('-');
    return negative ? -magnitude : magnitude;
}

QString CoordToText(int32_t value)
{
    if (value == 0)
        return QStringLiteral("- - -");
    const int64_t magnitude = value < 0 ? -int64_t(value) : int64_t(value);
    const int64_t degrees = magnitude / Coord::TenthsPerDegree;
    // Position 1 holds the sign, or the hundreds digit of a positive value: longitudes east of
    // 99 degrees must survive a trip through the unit. A negative value that needs three digits
    // has no 12-character form.
    QString head;
    if (degrees < 100)
        head = (value < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
               QStringLiteral("%1").arg(degrees, 2, 10, QLatin1Char('0'));
    else if (value > 0 && degrees < 1000)
        head = QString::number(degrees);
    else
        return {};
    return head + QStringLiteral("°%1'%2.%3\"")
                      .arg((magnitude % Coord::TenthsPerDegree) / Coord::TenthsPerMinute, 2, 10, QLatin1Char('0'))
                      .arg((magnitude % Coord::TenthsPerMinute) / 10, 2, 10, QLatin1Char('0'))
                      .arg(magnitude % 10);
}

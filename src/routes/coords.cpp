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

bool CoordFromDegrees(QStringView text, bool latitude, int32_t& value)
{
    QStringView t = text.trimmed();
    int sign = 0;
    // +1 or -1 for a letter of this axis, 0 for one of the other axis, 2 for no letter.
    auto letter = [&](QChar c) {
        switch (c.toUpper().unicode()) {
        case u'N': return latitude ? 1 : 0;
        case u'S': return latitude ? -1 : 0;
        case u'E': return latitude ? 0 : 1;
        case u'W': return latitude ? 0 : -1;
        default: return 2;
        }
    };
    if (!t.isEmpty()) {
        const int s = letter(t.front());
        if (s == 0)
            return false;
        if (s != 2) {
            sign = s;
            t = t.sliced(1).trimmed();
        }
    }
    if (!t.isEmpty()) {
        const int s = letter(t.back());
        if (s == 0 || (s != 2 && sign != 0))
            return false;
        if (s != 2) {
            sign = s;
            t = t.chopped(1).trimmed();
        }
    }
    if (t.endsWith(QChar(0x00B0)))
        t = t.chopped(1).trimmed();
    if (!t.isEmpty() && (t.front() == u'+' || t.front() == u'-')) {
        if (sign != 0)
            return false;
        sign = t.front() == u'-' ? -1 : 1;
        t = t.sliced(1);
    }
    auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    int64_t tenths = 0;
    for (; i < t.size() && isDigit(t[i]); ++i) {
        tenths = tenths * 10 + (t[i].unicode() - u'0') * int64_t(Coord::TenthsPerDegree);
        if (tenths > 180 * int64_t(Coord::TenthsPerDegree))
            return false;
    }
    if (i == 0)
        return false;
    QStringView fraction;
    if (i < t.size()) {
        if (t[i] != u'.' && t[i] != u',')
            return false;
        fraction = t.sliced(i + 1);
        if (fraction.isEmpty() || !std::all_of(fraction.begin(), fraction.end(), isDigit))
            return false;
    }
    // Degrees × 36000 is exact in decimal: the first three fraction digits give whole
    // thousandths × 36; the rest times 36, by hand, gives the carry and the digits that decide
    // the rounding.
    int thousandths = 0;
    for (qsizetype k = 0; k < 3; ++k)
        thousandths = thousandths * 10 + (k < fraction.size() ? fraction[k].unicode() - u'0' : 0);
    tenths += int64_t(thousandths) * 36;
    if (fraction.size() > 3) {
        int carry = 0;
        int lead = 0;
        for (qsizetype k = fraction.size() - 1; k >= 3; --k) {
            const int x = (fraction[k].unicode() - u'0') * 36 + carry;
            lead = x % 10;
            carry = x / 10;
        }
        tenths += carry + (lead >= 5 ? 1 : 0);
    }
    if (tenths > (latitude ? 90 : 180) * int64_t(Coord::TenthsPerDegree))
        return false;
    value = int32_t(sign < 0 ? -tenths : tenths);
    return true;
}

#include "memory/console.h"

namespace console {

namespace {
QString hex2(uint8_t b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}
}  // namespace

std::optional<uint8_t> ParseByte(const QString& token)
{
    if (token.isEmpty() || token.size() > 2)
        return std::nullopt;
    uint v = 0;
    for (QChar c : token) {
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        v = v * 16 + uint(d);
    }
    return uint8_t(v);
}

std::optional<ParsedCommand> ParseCommand(const QString& text)
{
    const auto b = ParseByte(text.trimmed());
    if (!b)
        return std::nullopt;
    return ParsedCommand{*b, hex2(*b)};
}

std::optional<ParsedData> ParseData(const QString& text)
{
    QString s = text;
    s.remove(QLatin1Char(' '));
    s.remove(QLatin1Char('\t'));
    if (s.size() % 2 != 0)
        return std::nullopt;  // a dropped last digit would send less than was typed
    ParsedData r;
    for (qsizetype i = 0; i < s.size(); i += 2) {
        const auto b = ParseByte(s.mid(i, 2));
        if (!b)
            return std::nullopt;
        r.bytes.push_back(*b);
        r.text += hex2(*b);
    }
    return r;
}

QString HexBytes(const uint8_t* data, size_t n)
{
    QString out;
    out.reserve(qsizetype(n * 3));
    for (size_t i = 0; i < n; ++i)
        out += QLatin1Char(' ') + hex2(data[i]);
    return out;
}

QString RequestLine(uint8_t cmd, const std::vector<uint8_t>& payload)
{
    QString line = QStringLiteral("<-- ") + hex2(cmd);
    if (!payload.empty())
        line += QStringLiteral(" - ") + HexBytes(payload.data(), payload.size());
    return line;
}

QString AnswerLine(bool accepted, const uint8_t* payload, size_t n)
{
    if (!accepted)
        return QStringLiteral("--> Error");
    if (n == 0)
        return QStringLiteral("--> OK");
    return QStringLiteral("-->") + HexBytes(payload, n);
}

}  // namespace console

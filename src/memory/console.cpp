#include "memory/console.h"

namespace console {

namespace {
QString hex2(uint8_t b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}
}  // namespace

ParsedCommand ParseCommand(const QString& text)
{
    bool ok = false;
    const qulonglong v = text.trimmed().toULongLong(&ok, 16);
    ParsedCommand r;
    r.cmd = ok ? uint8_t(v & 0xFF) : 0;
    r.text = hex2(r.cmd);
    return r;
}

ParsedData ParseData(const QString& text)
{
    QString s = text;
    s.remove(QLatin1Char(' '));
    s.remove(QLatin1Char('\t'));
    ParsedData r;
    for (qsizetype i = 0; i + 1 < s.size(); i += 2) {
        bool ok = false;
        const uint v = s.mid(i, 2).toUInt(&ok, 16);
        const uint8_t b = ok ? uint8_t(v) : 0;
        r.bytes.push_back(b);
        r.text += hex2(b);
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

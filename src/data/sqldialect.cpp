#include "sqldialect.h"

#include "schema.h"

#include <QRegularExpression>

namespace {

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Replaces identifiers that name one of our tables in another case by the stored spelling.
// Quoted text ('…', "…", […]) is copied unchanged.
QString canonicalTableNames(const QString& sql)
{
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == close) {
                    // A doubled quote inside a literal is an escaped quote, not the end.
                    if (close != u']' && j + 1 < n && sql[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype end = j < n ? j + 1 : n;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (isIdentChar(c)) {
            qsizetype j = i;
            while (j < n && isIdentChar(sql[j]))
                ++j;
            const QStringView word = QStringView(sql).mid(i, j - i);
            QString replacement;
            for (const QString& table : DbTables::All) {
                if (word.size() == table.size() && word.compare(table, Qt::CaseInsensitive) == 0) {
                    replacement = table;
                    break;
                }
            }
            if (replacement.isEmpty())
                out += word;
            else
                out += replacement;
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

}  // namespace

QString AdaptSql(const QString& sql)
{
    static const QRegularExpression deleteStar(
        QStringLiteral("^(\\s*delete)\\s+\\*\\s+(from\\b)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QString text = canonicalTableNames(sql);
    text.replace(deleteStar, QStringLiteral("\\1 \\2"));
    return text;
}

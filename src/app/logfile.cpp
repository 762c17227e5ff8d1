#include "app/logfile.h"

#include <zip.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/cp1251.h"
#include "base/messages.h"

namespace {

// Two decimal digits at pos, or -1.
int twoDigits(const QString& s, qsizetype pos)
{
    const QChar a = s[pos];
    const QChar b = s[pos + 1];
    if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
        return -1;
    return (a.unicode() - u'0') * 10 + (b.unicode() - u'0');
}

// "dd.mm.yy" at pos (two-digit years are this century's).
QDate parseDate(const QString& s, qsizetype pos)
{
    if (s[pos + 2] != u'.' || s[pos + 5] != u'.')
        return {};
    const int d = twoDigits(s, pos), m = twoDigits(s, pos + 3), y = twoDigits(s, pos + 6);
    if (d < 0 || m < 0 || y < 0)
        return {};
    return QDate(2000 + y, m, d);
}

// "hh:mm:ss" at pos.
QTime parseTime(const QString& s, qsizetype pos)
{
    if (s[pos + 2] != u':' || s[pos + 5] != u':')
        return {};
    const int h = twoDigits(s, pos), m = twoDigits(s, pos + 3), sec = twoDigits(s, pos + 6);
    if (h < 0 || m < 0 || sec < 0)
        return {};
    return QTime(h, m, sec);
}

QString zipError(zip_t* za)
{
    return QString::fromLocal8Bit(zip_strerror(za));
}

}  // namespace

TLogFile::TLogFile(const QString& folder) : FileName(QDir(folder).filePath(QStringLiteral("log.txt"))) {}

TLogType TLogFile::GetLogType(const QString& s)
{
    if (s == u"Err ")
        return logError;
    if (s == u"Warn")
        return logWarning;
    if (s == u"Info")
        return logInfo;
    return logNone;
}

QString TLogFile::GetLogTypeStr(TLogType t)
{
    switch (t) {
    case logError: return QStringLiteral("Err ");
    case logWarning: return QStringLiteral("Warn");
    case logInfo: return QStringLiteral("Info");
    default: return {};
    }
}

QString TLogFile::ArchiveFolder() const
{
    return QFileInfo(FileName).dir().filePath(QStringLiteral("LogArchive"));
}

bool TLogFile::PutLog(TLogType typ, const QString& s)
{
    ErrorText.clear();
    // One event is one line: a line break inside the text would break the record apart.
    QString text = s;
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = GetLogTypeStr(typ) + now.toString(QStringLiteral(" dd.MM.yy hh:mm:ss ")) + text;
    const QByteArray bytes = Cp1251::fromUnicode(line) + "\r\n";

    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        QDir().mkpath(QFileInfo(FileName).absolutePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            ErrorText = FileName + QStringLiteral(": ") + file.errorString();
            return false;
        }
    }
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        ErrorText = FileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

bool TLogFile::archive()
{
    QFile log(FileName);
    if (!log.open(QIODevice::ReadOnly)) {
        ErrorText = FileName + QStringLiteral(": ") + log.errorString();
        return false;
    }
    const QByteArray data = log.readAll();
    const QDateTime modified = QFileInfo(log).lastModified();
    const bool readOk = log.error() == QFileDevice::NoError;
    log.close();
    if (!readOk) {
        ErrorText = FileName + QStringLiteral(": ") + log.errorString();
        return false;
    }

    const QString folder = ArchiveFolder();
    if (!QDir().mkpath(folder)) {
        ErrorText = folder + QStringLiteral(": ") + QStringLiteral("mkdir failed");
        return false;
    }
    // An archive of the same day is kept: the next one gets a number instead of replacing it.
    const QDate today = QDate::currentDate();
    const QString stem = QStringLiteral("log (%1-%2-%3)")
                             .arg(today.year(), 4, 10, QChar(u'0'))
                             .arg(today.month(), 2, 10, QChar(u'0'))
                             .arg(today.day(), 2, 10, QChar(u'0'));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".zip"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(stem + QStringLiteral(" (%1).zip").arg(n));

    int zerr = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_EXCL, &zerr);
    if (!za) {
        zip_error_t e;
        zip_error_init_with_code(&e, zerr);
        ErrorText = path + QStringLiteral(": ") + QString::fromLocal8Bit(zip_error_strerror(&e));
        zip_error_fini(&e);
        return false;
    }
    zip_source_t* src = zip_source_buffer(za, data.constData(), zip_uint64_t(data.size()), 0);
    zip_int64_t index = src ? zip_file_add(za, "log.txt", src, ZIP_FL_ENC_GUESS) : -1;
    if (src && index < 0)
        zip_source_free(src);
    if (index < 0 || zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, 0) != 0) {
        ErrorText = path + QStringLiteral(": ") + zipError(za);
        zip_discard(za);
        return false;
    }
    // The entry carries the log's own time; a time ZIP cannot hold just leaves the current one.
    zip_file_set_mtime(za, zip_uint64_t(index), time_t(modified.toSecsSinceEpoch()), 0);
    if (zip_close(za) != 0) {
        ErrorText = path + QStringLiteral(": ") + zipError(za);
        zip_discard(za);
        QFile::remove(path);
        return false;
    }

    // The log goes only once its archive reads back to the same bytes.
    bool same = false;
    if (zip_t* check = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &zerr)) {
        if (zip_file_t* entry = zip_fopen(check, "log.txt", 0)) {
            QByteArray back(data.size() + 1, Qt::Uninitialized);
            const zip_int64_t got = zip_fread(entry, back.data(), zip_uint64_t(back.size()));
            same = got == data.size() && QByteArrayView(back.constData(), got) == data;
            zip_fclose(entry);
        }
        zip_close(check);
    }
    if (!same) {
        ErrorText = path + QStringLiteral(": ") + QStringLiteral("archive check failed");
        return false;
    }
    if (!QFile::remove(FileName)) {
        ErrorText = FileName + QStringLiteral(": ") + QStringLiteral("remove failed");
        return false;
    }
    return true;
}

bool TLogFile::LoadLog()
{
    ErrorText.clear();
    Log.clear();
    bool ok = true;
    {
        QFile probe(FileName);
        if (probe.open(QIODevice::ReadOnly) && probe.size() > MaxSize) {
            probe.close();
            ok = archive();
        }
    }

    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return ok;
    const QByteArray data = file.readAll();
    file.close();

    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype eol = data.indexOf('\n', pos);
        if (eol < 0)
            eol = data.size();
        qsizetype len = eol - pos;
        if (len > 0 && data[pos + len - 1] == '\r')
            --len;
        const QString line = Cp1251::toUnicode(QByteArrayView(data.constData() + pos, len));
        pos = eol + 1;

        // Type in characters 1-4, date in 6-13, time in 15-22, text from 24.
        if (line.size() < 22)
            continue;
        TLog ev;
        ev.Date = parseDate(line, 5);
        ev.Time = parseTime(line, 14);
        if (!ev.Date.isValid() || !ev.Time.isValid())
            continue;
        ev.typ = GetLogType(line.left(4));
        ev.Text = line.mid(23);
        Log.push_back(std::move(ev));
    }
    return ok;
}

TLog TLogFile::LastEvent() const
{
    if (!Log.empty())
        return Log.back();
    const QDateTime now = QDateTime::currentDateTime();
    return TLog{now.date(), now.time(), logNone, QString()};
}

std::optional<QString> TLogFile::PreviousRunQuestion() const
{
    const TLog last = LastEvent();
    if (last.typ != logError)
        return std::nullopt;
    return Msg::PrevRunFailed.arg(last.Text);
}

std::optional<QString> TLogFile::ReadText()
{
    QFile file(FileName);
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::ReadOnly)) {
        ErrorText = QStringLiteral("%1: %2").arg(FileName, file.errorString());
        return std::nullopt;
    }
    QByteArray data = file.readAll();
    data.replace("\r\n", "\n");
    return Cp1251::toUnicode(data);
}

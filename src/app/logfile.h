#pragma once
#include <optional>
#include <vector>

#include <QDate>
#include <QString>
#include <QTime>

enum TLogType { logNone = 0, logError = 1, logWarning = 2, logInfo = 3 };

struct TLog {
    QDate Date;
    QTime Time;
    TLogType typ = logNone;
    QString Text;
};

// The event log of one run: "log.txt" in the given folder, CP1251 text, CR LF line ends.
// Line: type (4 chars, none for logNone), " dd.mm.yy hh:mm:ss ", text.
// The file is opened for every write and never held open.
class TLogFile {
public:
    // Logs bigger than this are moved into a dated ZIP archive by LoadLog.
    static constexpr qint64 MaxSize = 1000000;

    // `folder` is the application-data folder in the program; nothing is touched here.
    explicit TLogFile(const QString& folder);

    static TLogType GetLogType(const QString& s);
    static QString GetLogTypeStr(TLogType t);

    // Appends one line. False (with ErrorText) when the line could not be stored; never throws.
    bool PutLog(TLogType typ, const QString& s);
    // Archives an oversized log, then reads the file into Log. False (with ErrorText) when the
    // archive could not be written; the log then stays where it is and is read as usual.
    bool LoadLog();
    // The last event read, or an empty logNone event stamped now.
    TLog LastEvent() const;
    // The question for the start-up when the previous run ended with an error as its last event.
    std::optional<QString> PreviousRunQuestion() const;

    QString ArchiveFolder() const;
    // The whole file as text with LF line ends, for a terminal that is not CP1251. Nothing (with
    // ErrorText) when the log cannot be read; a log not written yet reads as empty.
    std::optional<QString> ReadText();

    QString FileName;
    std::vector<TLog> Log;
    QString ErrorText;  // what went wrong with the last failed PutLog or LoadLog

private:
    bool archive();
};

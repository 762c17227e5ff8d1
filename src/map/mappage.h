#pragma once
#include <QString>
#include <QStringList>

// The map page and its scripts, written from the program's resources into a folder while a map
// window shows them, and removed again afterwards.
class TMapPageFiles {
public:
    // Writes every file into `folder` (created when missing), replacing what a crashed run left.
    explicit TMapPageFiles(const QString& folder);
    // Removes the files this object wrote.
    ~TMapPageFiles();
    TMapPageFiles(const TMapPageFiles&) = delete;
    TMapPageFiles& operator=(const TMapPageFiles&) = delete;

    // False when a file could not be written (the ones written are removed again).
    bool Ok() const { return FOk; }
    QString Error() const { return FError; }
    // The page to open: `folder` + "map.html".
    QString PagePath() const;

    // Every file of the page, the page first.
    static const QStringList& FileNames();
    // The stored text of one of them, by name.
    static QByteArray Content(const QString& name);

private:
    void Remove();

    QString FFolder;
    QStringList FWritten;
    QString FError;
    bool FOk = false;
};

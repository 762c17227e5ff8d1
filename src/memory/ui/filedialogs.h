#pragma once
#include <QString>

class QSettings;
class QWidget;

// The open and save dialogs of the memory tabs go through here, so that a test can answer them
// instead of blocking on a modal file dialog. Filters are Qt filter strings ("A (*.a);;B (*.b)");
// filterIndex is 1-based, as the tabs count their file types.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // False on Cancel.
    virtual bool open(QWidget* parent, const QString& filter, QString& path, int& filterIndex) = 0;
    // With an overwrite prompt. A name without extension gets the chosen type's.
    virtual bool save(QWidget* parent, const QString& filter, QString& path, int& filterIndex) = 0;

    // Suffix for a name typed without one: the chosen type's, the first type's for "*.*".
    static QString DefaultSuffix(const QString& filter, int filterIndex);

    // The dialogs in use: QFileDialog unless one was installed.
    static FileDialogs& instance();
    // Installs dialogs (not owned); nullptr restores the real ones. Returns the previous ones.
    static FileDialogs* install(FileDialogs* dialogs);

    // The real dialogs start in the folder last used by the same tab (its object name is the
    // kind of file), else in the home folder, never in the working directory. The folders are
    // kept under "Folders" in `store` (not owned; nullptr: for this run only).
    static void SetFolderStore(QSettings* store);
    static QString StartFolder(const QWidget* parent);
    static void RememberFolder(const QWidget* parent, const QString& file);
};

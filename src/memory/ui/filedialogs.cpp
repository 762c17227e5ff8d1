#include "memory/ui/filedialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSettings>

namespace {

// Extension of a filter entry "Name (*.ext)", without the dot; empty for "*.*".
QString filterExtension(const QString& entry)
{
    static const QRegularExpression re(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const auto m = re.match(entry);
    return m.hasMatch() ? m.captured(1) : QString();
}

class QtFileDialogs : public FileDialogs {
public:
    bool open(QWidget* parent, const QString& filter, QString& path, int& filterIndex) override
    {
        return run(parent, filter, path, filterIndex, QFileDialog::AcceptOpen);
    }
    bool save(QWidget* parent, const QString& filter, QString& path, int& filterIndex) override
    {
        return run(parent, filter, path, filterIndex, QFileDialog::AcceptSave);
    }

private:
    bool run(QWidget* parent, const QString& filter, QString& path, int& filterIndex, QFileDialog::AcceptMode mode)
    {
        QFileDialog dlg(parent);
        dlg.setAcceptMode(mode);
        dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        const QStringList filters = filter.split(QStringLiteral(";;"));
        dlg.setNameFilters(filters);
        if (filterIndex >= 1 && filterIndex <= filters.size())
            dlg.selectNameFilter(filters[filterIndex - 1]);
        dlg.setDefaultSuffix(DefaultSuffix(filter, filterIndex));
        dlg.setDirectory(StartFolder(parent));
        if (!path.isEmpty())
            dlg.selectFile(path);
        // The default suffix follows the chosen type, so "image" saved as WAV becomes image.wav.
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg, filter, filters](const QString& f) {
            dlg.setDefaultSuffix(DefaultSuffix(filter, int(filters.indexOf(f)) + 1));
        });
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return false;
        path = dlg.selectedFiles().constFirst();
        RememberFolder(parent, path);
        filterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
        if (filterIndex < 1)
            filterIndex = 1;
        return true;
    }
};

QtFileDialogs g_qt;
FileDialogs* g_current = nullptr;
QSettings* g_folderStore = nullptr;
QHash<QString, QString> g_folders;  // when there is no store

QString kindOf(const QWidget* parent)
{
    for (const QObject* o = parent; o; o = o->parent())
        if (!o->objectName().isEmpty())
            return o->objectName();
    return QStringLiteral("Other");
}

}  // namespace

QString FileDialogs::DefaultSuffix(const QString& filter, int filterIndex)
{
    const QStringList filters = filter.split(QStringLiteral(";;"));
    const QString chosen = filterIndex >= 1 && filterIndex <= filters.size() ? filters[filterIndex - 1] : QString();
    const QString ext = filterExtension(chosen);
    // "All files" takes the first type's, which is the kind of file the tab is about.
    return ext.isEmpty() ? filterExtension(filters.value(0)) : ext;
}

FileDialogs& FileDialogs::instance()
{
    return g_current ? *g_current : g_qt;
}

FileDialogs* FileDialogs::install(FileDialogs* dialogs)
{
    FileDialogs* previous = g_current;
    g_current = dialogs;
    return previous;
}

void FileDialogs::SetFolderStore(QSettings* store)
{
    g_folderStore = store;
}

QString FileDialogs::StartFolder(const QWidget* parent)
{
    const QString key = QStringLiteral("Folders/") + kindOf(parent);
    const QString folder = g_folderStore ? g_folderStore->value(key).toString() : g_folders.value(key);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void FileDialogs::RememberFolder(const QWidget* parent, const QString& file)
{
    const QString key = QStringLiteral("Folders/") + kindOf(parent);
    const QString folder = QFileInfo(file).absolutePath();
    if (g_folderStore)
        g_folderStore->setValue(key, folder);
    else
        g_folders.insert(key, folder);
}

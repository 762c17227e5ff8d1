#pragma once
#include <functional>

#include <QDialog>

class QLineEdit;
class QToolButton;

// "База данных": where the database file is. "OK" makes the typed path the current one and
// stores it in the settings at once (through `store`).
class TfrmOpenDataBase : public QDialog {
    Q_OBJECT
public:
    TfrmOpenDataBase(const QString& currentPath, std::function<void(const QString&)> store, QWidget* parent = nullptr);

    QString Path() const { return FPath; }

    QLineEdit* edtFileName = nullptr;
    QToolButton* btnBrowse = nullptr;

    void btnOKClick();

private:
    QString FPath;
    std::function<void(const QString&)> FStore;
};

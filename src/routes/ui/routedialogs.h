#pragma once
#include <atomic>
#include <memory>
#include <thread>

#include <QDialog>

#include "routes/routeset.h"
#include "routes/routestore.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TDatabase;
class SpreadsheetReader;

// "Редактирование" of a card's name. OK only collects the name; the tab stores it.
class TfrmEditCard : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditCard(const QString& name, QWidget* parent = nullptr);
    QString Name() const;

    QLineEdit* edtName = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

// "Редактирование" of a route's three name lines (16 characters each).
class TfrmEditRoute : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditRoute(const TRouteNames& names, QWidget* parent = nullptr);
    TRouteNames Names() const;

    QLineEdit* edtStr1 = nullptr;
    QLineEdit* edtStr2 = nullptr;
    QLineEdit* edtStr3 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

// "Редактирование" of a turn: four coordinate edits with the 12-character layout, the type
// list. OK checks the coordinates ("Неверное значение!" keeps the dialog open).
class TfrmEditTurn : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditTurn(const TTurnFields& turn, QWidget* parent = nullptr);
    TTurnFields Fields() const;
    void btnOKClick();

    QLineEdit* edtBegLat = nullptr;
    QLineEdit* edtBegLong = nullptr;
    QLineEdit* edtEndLat = nullptr;
    QLineEdit* edtEndLong = nullptr;
    QComboBox* cbTypeTurn = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void TypeChanged();
};

// "Импорт поворотов": the sheets of a workbook; OK appends the chosen sheet's turns to the route.
// The sheet is read on a worker thread while the dialog stays responsive; while that runs the
// dialog is busy: a second OK does nothing, and "Отмена" (or closing) stops the reading at once
// and closes the dialog with nothing stored.
class TfrmImportTurns : public QDialog {
    Q_OBJECT
public:
    TfrmImportTurns(TDatabase& db, qint64 routeId, const QString& file, QWidget* parent = nullptr);
    ~TfrmImportTurns() override;

    void btnOKClick();
    bool Busy() const { return FBusy; }
    bool Opened() const { return FOpened; }
    int Imported() const { return FImported; }

    QComboBox* cbSheet = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

signals:
    void importEnded();  // the import has ended (stored, refused or failed)

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Store(const TImportRows& rows);

    TDatabase& FDb;
    qint64 FRoute;
    QString FFile;
    bool FBusy = false;
    bool FOpened = false;
    int FImported = 0;
    std::atomic<bool> FCancel{false};
    std::thread FWorker;
};

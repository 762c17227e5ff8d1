#pragma once
#include <functional>

#include <QDialog>
#include <QIcon>

#include "routes/routememory.h"
#include "routes/routeset.h"

class QPushButton;
class QTableWidget;
class TDatabase;

// The turn-type icons of the grids (L, R, B, E; none for anything else).
QIcon TurnTypeIcon(const QString& letter);

// "Маршруты": the valid route slots of the image after "Чтение". "Просмотр" reads one route's
// turns and shows them; "Сохранить в БД..." replaces the current card's routes by the unit's.
class TfrmRoutes : public QDialog {
    Q_OBJECT
public:
    // Runs a body with a fresh transfer context for each read (the link may change meanwhile).
    using TWithTransfer = std::function<void(const std::function<void(TRouteTransfer&)>&)>;
    TfrmRoutes(TDatabase& db, qint64 cardId, TRouteImage& image, TPageList& pages, TWithTransfer transfer,
               QWidget* parent = nullptr);

    void btnViewClick();
    void btnSaveToDBClick();
    bool Busy() const { return FBusy; }

    QTableWidget* Grid = nullptr;
    QPushButton* btnView = nullptr;
    QPushButton* btnSaveToDB = nullptr;
    QPushButton* btnClose = nullptr;

public slots:
    void reject() override;

private:
    TDatabase& FDb;
    qint64 FCard;
    TRouteImage& FImage;
    TPageList& FPages;
    TWithTransfer FTransfer;
    std::vector<TRouteSetRow> FRows;
    bool FBusy = false;
};

// "Повороты": the turns of one slot of the image.
class TfrmTurns : public QDialog {
    Q_OBJECT
public:
    TfrmTurns(const TRouteImage& image, int NR, QWidget* parent = nullptr);

    QTableWidget* Grid = nullptr;
    QPushButton* btnClose = nullptr;
};

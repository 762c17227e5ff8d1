#pragma once
#include <functional>
#include <vector>

#include <QWidget>

#include "routes/pagelist.h"
#include "routes/routeimage.h"
#include "routes/routememory.h"
#include "routes/routetab.h"
#include "tabhost/ui/panel.h"

class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TDatabase;
struct TMemoryContext;

// The "ТРАВО" tab: the card tree, the routes of the current card, the turns of the current
// route, their operations, the unit exchange ("Запись...", "Чтение") and the unit dialogs.
// Everything it changes goes through TRouteStore; it keeps the unit's route image for the run.
class TTravoTab : public TPanel {
    Q_OBJECT
public:
    TTravoTab(TPanelHost& host, TMemoryContext& ctx, TDatabase& db, QWidget* parent = nullptr);

    // Reads every list again (after the database changed elsewhere).
    void Reload();
    // The map window's hook: gets the selected turns of the grid. Until one is set, "Карта Google"
    // stays disabled.
    using TMapHandler = std::function<void(const std::vector<TTurnListRow>&)>;
    void SetMapHandler(TMapHandler handler);
    std::vector<TTurnListRow> SelectedTurns() const;

    TRouteTabState& State() { return FState; }
    TRouteImage& Image() { return FImage; }
    TDatabase& Database() { return FDb; }
    // Opens the file dialog for an import (tests replace it).
    std::function<QString()> ChooseImportFile;

    // Actions (buttons, keys and double clicks lead here).
    void btnAddRouteClick();
    void btnEditRouteClick();
    void btnDelRouteClick();
    void MoveRoute(int direction);
    void btnUnionClick();
    void btnAddCardClick();
    void btnEditCardClick();
    void btnDelCardClick();
    void btnAddPointClick();
    void btnEditTurnClick();
    void btnDelPointClick();
    void MoveTurn(int direction);
    void btnImportTurnsClick();
    // The selected routes (the current one when none is) to a GPX or KML file.
    void btnExportRoutesClick();
    void btnWriteAT45Click();
    void btnReadAT45Click();
    void btnChangePasswordClick();
    void btnIUClick();
    void btnGoogleMapClick();
    // Routes dropped on a card of the tree.
    void DropRoutes(qint64 cardId);

    QTreeWidget* Tree = nullptr;
    QTableWidget* DBGridRoute = nullptr;
    QTableWidget* DBGridTurn = nullptr;
    QPushButton* btnAddRoute = nullptr;
    QPushButton* btnEditRoute = nullptr;
    QPushButton* btnDelRoute = nullptr;
    QPushButton* btnRouteMoveUp = nullptr;
    QPushButton* btnRouteMoveDown = nullptr;
    QPushButton* btnUnion = nullptr;
    QPushButton* btnAddCard = nullptr;
    QPushButton* btnEditCard = nullptr;
    QPushButton* btnDelCard = nullptr;
    QPushButton* btnAddPoint = nullptr;
    QPushButton* btnEditTurn = nullptr;
    QPushButton* btnDelPoint = nullptr;
    QPushButton* btnTurnMoveUp = nullptr;
    QPushButton* btnTurnMoveDown = nullptr;
    QPushButton* btnTurnsSelectAll = nullptr;
    QPushButton* btnGoogleMap = nullptr;
    QPushButton* btnImportTurns = nullptr;
    QPushButton* btnExportRoutes = nullptr;
    QPushButton* btnWriteAT45 = nullptr;
    QPushButton* btnReadAT45 = nullptr;
    QPushButton* btnChangePassword = nullptr;
    QPushButton* btnIU = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCards();
    void ShowRoutes();
    void ShowTurns();
    void UpdateRouteButtons();
    void Report(const TRouteOpResult& r);
    QList<qint64> SelectedRouteIds() const;
    void WithTransfer(const std::function<void(TRouteTransfer&)>& body);
    // The outcome of "Запись..." or "Чтение" on the status line, with the time.
    void ShowDone(const QString& text);

    TMemoryContext& FCtx;
    TDatabase& FDb;
    TRouteStore FStore;
    TRouteTabState FState;
    TRouteImage FImage;
    TPageList FPages;
    TMapHandler FMap;
    bool FShowing = false;  // lists are being refilled: selection signals are ours
};

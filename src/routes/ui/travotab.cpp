#include "routes/ui/travotab.h"

#include <algorithm>
#include <map>

#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTime>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "memory/ui/filedialogs.h"
#include "memory/ui/memorycontext.h"
#include "routes/routeexport.h"
#include "routes/routememory.h"
#include "routes/ui/routedialogs.h"
#include "routes/ui/routesetdialogs.h"
#include "routes/ui/travodialogs.h"

namespace {

// The row colour of even records that are not selected.
const QColor kEvenRow(240, 240, 234);

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint = {})
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QTableWidget* grid(QWidget* parent, const char* name, const QStringList& titles)
{
    auto* g = new QTableWidget(0, titles.size(), parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setHorizontalHeaderLabels(titles);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::ExtendedSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->verticalHeader()->hide();
    g->verticalHeader()->setDefaultSectionSize(20);
    g->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    g->horizontalHeader()->setStretchLastSection(true);
    g->installEventFilter(parent);
    return g;
}

QTableWidgetItem* cell(const QString& text, int row, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align);
    if ((row + 1) % 2 == 0)
        item->setBackground(kEvenRow);
    return item;
}

bool plainKey(const QKeyEvent* k)
{
    return (k->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
}

}  // namespace

TTravoTab::TTravoTab(TPanelHost& host, TMemoryContext& ctx, TDatabase& db, QWidget* parent)
    : TPanel(host, parent), FCtx(ctx), FDb(db), FStore(db), FState(db)
{
    setObjectName(QStringLiteral("TravoTab"));
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    auto* lists = new QGridLayout;
    root->addLayout(lists, 1);

    // Routes of the current card, with their buttons.
    DBGridRoute = grid(this, "DBGridRoute", {Msg::RouteColN, Msg::RouteColName, Msg::RouteColCount});
    DBGridRoute->setColumnWidth(0, 32);
    DBGridRoute->setColumnWidth(2, std::max(90, DBGridRoute->horizontalHeader()->sectionSizeHint(2)));
    DBGridRoute->horizontalHeader()->setStretchLastSection(false);
    DBGridRoute->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    DBGridRoute->setDragEnabled(true);
    DBGridRoute->setDragDropMode(QAbstractItemView::DragOnly);
    lists->addWidget(DBGridRoute, 0, 0);
    auto* routeButtons = new QHBoxLayout;
    btnAddRoute = button(this, "btnAddRoute", QStringLiteral("+"), Msg::HintAdd);
    btnEditRoute = button(this, "btnEditRoute", QStringLiteral("…"), Msg::HintEditLower);
    btnDelRoute = button(this, "btnDelRoute", QStringLiteral("−"), Msg::HintDel);
    btnRouteMoveUp = button(this, "btnRouteMoveUp", QString(), Msg::HintMoveUp);
    btnRouteMoveUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    btnRouteMoveDown = button(this, "btnRouteMoveDown", QString(), Msg::HintMoveDown);
    btnRouteMoveDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    btnUnion = button(this, "btnUnion", Msg::BtnUnion, Msg::BtnUnion);
    for (QPushButton* b : {btnAddRoute, btnEditRoute, btnDelRoute, btnRouteMoveUp, btnRouteMoveDown, btnUnion})
        routeButtons->addWidget(b);
    routeButtons->addStretch(1);
    lists->addLayout(routeButtons, 1, 0);

    // The card tree, with its buttons.
    Tree = new QTreeWidget(this);
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->setHeaderHidden(true);
    Tree->setAcceptDrops(true);
    Tree->viewport()->installEventFilter(this);
    Tree->installEventFilter(this);
    lists->addWidget(Tree, 0, 1);
    auto* cardButtons = new QHBoxLayout;
    btnAddCard = button(this, "btnAddCard", QStringLiteral("+"), Msg::HintAdd);
    btnEditCard = button(this, "btnEditCard", QStringLiteral("…"), Msg::HintEdit);
    btnDelCard = button(this, "btnDelCard", QStringLiteral("−"), Msg::HintDel);
    for (QPushButton* b : {btnAddCard, btnEditCard, btnDelCard})
        cardButtons->addWidget(b);
    cardButtons->addStretch(1);
    lists->addLayout(cardButtons, 1, 1);

    // Turns of the current route, with their buttons.
    DBGridTurn = grid(this, "DBGridTurn", {Msg::RouteColN, Msg::TurnColBegin, Msg::TurnColEnd, Msg::TurnColType});
    DBGridTurn->setColumnWidth(0, 36);
    DBGridTurn->setColumnWidth(1, 205);
    DBGridTurn->setColumnWidth(2, 205);
    lists->addWidget(DBGridTurn, 2, 0, 1, 2);
    auto* turnButtons = new QHBoxLayout;
    btnAddPoint = button(this, "btnAddPoint", QStringLiteral("+"), Msg::HintAdd);
    btnEditTurn = button(this, "btnEditTurn", QStringLiteral("…"), Msg::HintEditLower);
    btnDelPoint = button(this, "btnDelPoint", QStringLiteral("−"), Msg::HintDel);
    btnTurnMoveUp = button(this, "btnTurnMoveUp", QString(), Msg::HintMoveUp);
    btnTurnMoveUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    btnTurnMoveDown = button(this, "btnTurnMoveDown", QString(), Msg::HintMoveDown);
    btnTurnMoveDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    btnTurnsSelectAll = button(this, "btnTurnsSelectAll", Msg::BtnSelectAll);
    btnGoogleMap = button(this, "btnGoogleMap", Msg::BtnGoogleMap);
    btnGoogleMap->setEnabled(false);
    for (QPushButton* b :
         {btnAddPoint, btnEditTurn, btnDelPoint, btnTurnMoveUp, btnTurnMoveDown, btnTurnsSelectAll, btnGoogleMap})
        turnButtons->addWidget(b);
    turnButtons->addStretch(1);
    lists->addLayout(turnButtons, 3, 0, 1, 2);
    // The three rows have the same captions and hints; a screen reader tells them apart by what
    // they act on.
    const std::pair<QPushButton*, const QString&> spoken[] = {
        {btnAddRoute, Msg::SpokenAddRoute}, {btnEditRoute, Msg::SpokenEditRoute}, {btnDelRoute, Msg::SpokenDelRoute},
        {btnAddCard, Msg::SpokenAddCard},   {btnEditCard, Msg::SpokenEditCard},   {btnDelCard, Msg::SpokenDelCard},
        {btnAddPoint, Msg::SpokenAddTurn},  {btnEditTurn, Msg::SpokenEditTurn},   {btnDelPoint, Msg::SpokenDelTurn}};
    for (const auto& [b, name] : spoken)
        b->setAccessibleName(name);
    // The window has a fixed width: the glyph buttons may narrow, so the unit's buttons on the
    // right keep room for their whole captions.
    for (QPushButton* b :
         {btnAddRoute, btnEditRoute, btnDelRoute, btnRouteMoveUp, btnRouteMoveDown, btnAddCard, btnEditCard, btnDelCard,
          btnAddPoint, btnEditTurn, btnDelPoint, btnTurnMoveUp, btnTurnMoveDown})
        b->setMinimumWidth(30);
    lists->setColumnStretch(0, 3);
    lists->setColumnStretch(1, 2);
    lists->setRowStretch(0, 2);
    lists->setRowStretch(2, 3);

    // The unit: exchange and dialogs.
    auto* unit = new QVBoxLayout;
    btnWriteAT45 = button(this, "btnWriteAT45", Msg::MemWrite);
    btnReadAT45 = button(this, "btnReadAT45", Msg::MemRead);
    btnImportTurns = button(this, "btnImportTurns", Msg::BtnImport);
    btnExportRoutes = button(this, "btnExportRoutes", Msg::BtnExport, Msg::ExportCaption);
    btnChangePassword = button(this, "btnChangePassword", Msg::BtnChangePassword);
    btnIU = button(this, "btnIU", Msg::BtnIU);
    btnWriteAT45->setProperty("tag", 2);
    btnReadAT45->setProperty("tag", 2);
    btnChangePassword->setProperty("tag", 3);
    btnIU->setProperty("tag", 3);
    for (QPushButton* b : {btnWriteAT45, btnReadAT45, btnImportTurns, btnExportRoutes, btnChangePassword, btnIU})
        unit->addWidget(b);
    unit->addStretch(1);
    root->addLayout(unit);

    connect(btnAddRoute, &QPushButton::clicked, this, &TTravoTab::btnAddRouteClick);
    connect(btnEditRoute, &QPushButton::clicked, this, &TTravoTab::btnEditRouteClick);
    connect(btnDelRoute, &QPushButton::clicked, this, &TTravoTab::btnDelRouteClick);
    connect(btnRouteMoveUp, &QPushButton::clicked, this, [this] { MoveRoute(-1); });
    connect(btnRouteMoveDown, &QPushButton::clicked, this, [this] { MoveRoute(+1); });
    connect(btnUnion, &QPushButton::clicked, this, &TTravoTab::btnUnionClick);
    connect(btnAddCard, &QPushButton::clicked, this, &TTravoTab::btnAddCardClick);
    connect(btnEditCard, &QPushButton::clicked, this, &TTravoTab::btnEditCardClick);
    connect(btnDelCard, &QPushButton::clicked, this, &TTravoTab::btnDelCardClick);
    connect(btnAddPoint, &QPushButton::clicked, this, &TTravoTab::btnAddPointClick);
    connect(btnEditTurn, &QPushButton::clicked, this, &TTravoTab::btnEditTurnClick);
    connect(btnDelPoint, &QPushButton::clicked, this, &TTravoTab::btnDelPointClick);
    connect(btnTurnMoveUp, &QPushButton::clicked, this, [this] { MoveTurn(-1); });
    connect(btnTurnMoveDown, &QPushButton::clicked, this, [this] { MoveTurn(+1); });
    connect(btnTurnsSelectAll, &QPushButton::clicked, DBGridTurn, &QTableWidget::selectAll);
    connect(btnGoogleMap, &QPushButton::clicked, this, &TTravoTab::btnGoogleMapClick);
    connect(btnImportTurns, &QPushButton::clicked, this, &TTravoTab::btnImportTurnsClick);
    connect(btnExportRoutes, &QPushButton::clicked, this, &TTravoTab::btnExportRoutesClick);
    connect(btnWriteAT45, &QPushButton::clicked, this, &TTravoTab::btnWriteAT45Click);
    connect(btnReadAT45, &QPushButton::clicked, this, &TTravoTab::btnReadAT45Click);
    connect(btnChangePassword, &QPushButton::clicked, this, &TTravoTab::btnChangePasswordClick);
    connect(btnIU, &QPushButton::clicked, this, &TTravoTab::btnIUClick);
    connect(DBGridRoute, &QTableWidget::cellDoubleClicked, this, [this] { btnEditRouteClick(); });
    connect(DBGridTurn, &QTableWidget::cellDoubleClicked, this, [this] { btnEditTurnClick(); });
    connect(Tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (FShowing || !item)
            return;
        FState.SelectCard(item->data(0, Qt::UserRole).toLongLong());
        ShowRoutes();
    });
    connect(DBGridRoute, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (FShowing || row < 0)
            return;
        FState.SelectRoute(row);
        ShowTurns();
    });
    connect(DBGridTurn, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (FShowing || row < 0)
            return;
        FState.SelectTurn(row);
        UpdateRouteButtons();
    });

    ChooseImportFile = [this] { return QFileDialog::getOpenFileName(this, QString(), QString(), Msg::ImportFilter); };
    Reload();
}

void TTravoTab::Reload()
{
    // A window without a database (some tests) shows empty lists.
    if (!FDb.IsOpen())
        return;
    if (!FState.ReloadCards())
        ShowMessage(MsgKind::Error, FState.LastError());
    ShowCards();
}

void TTravoTab::SetMapHandler(TMapHandler handler)
{
    FMap = std::move(handler);
    btnGoogleMap->setEnabled(bool(FMap));
}

// ---------------------------------------------------------------- lists

void TTravoTab::ShowCards()
{
    FShowing = true;
    Tree->clear();
    std::map<qint64, QTreeWidgetItem*> items;
    for (const TCardNode& c : FState.Cards()) {
        auto* item = new QTreeWidgetItem(QStringList{c.Name});
        item->setData(0, Qt::UserRole, c.Id);
        items[c.Id] = item;
    }
    // Cards whose parent is missing (or a loop) show at the top rather than not at all.
    for (const TCardNode& c : FState.Cards()) {
        const auto parent = items.find(c.Parent);
        if (parent != items.end() && c.Parent != c.Id)
            parent->second->addChild(items[c.Id]);
        else
            Tree->addTopLevelItem(items[c.Id]);
    }
    Tree->expandAll();
    if (const auto current = items.find(FState.CardId()); current != items.end())
        Tree->setCurrentItem(current->second);
    FShowing = false;
    ShowRoutes();
}

void TTravoTab::ShowRoutes()
{
    FShowing = true;
    const auto& routes = FState.Routes();
    DBGridRoute->clearSelection();
    DBGridRoute->setRowCount(int(routes.size()));
    for (size_t i = 0; i < routes.size(); ++i) {
        const int r = int(i);
        DBGridRoute->setItem(r, 0, cell(QString::number(r + 1), r, Qt::AlignCenter));
        DBGridRoute->setItem(r, 1, cell(routes[i].Name(), r));
        auto* count = cell(QString::number(routes[i].Count), r, Qt::AlignCenter);
        if (routes[i].Count == 0)
            count->setForeground(Qt::red);
        DBGridRoute->setItem(r, 2, count);
    }
    if (FState.RouteRow() >= 0)
        DBGridRoute->setCurrentCell(FState.RouteRow(), 1);
    FShowing = false;
    ShowTurns();
}

void TTravoTab::ShowTurns()
{
    FShowing = true;
    const auto& turns = FState.Turns();
    DBGridTurn->clearSelection();
    DBGridTurn->setRowCount(int(turns.size()));
    for (size_t i = 0; i < turns.size(); ++i) {
        const int r = int(i);
        DBGridTurn->setItem(r, 0, cell(QString::number(r + 1), r, Qt::AlignCenter));
        DBGridTurn->setItem(r, 1, cell(turns[i].Beg(), r));
        DBGridTurn->setItem(r, 2, cell(turns[i].End(), r));
        auto* type = cell(TurnTypeName(turns[i].Fields.Turn), r);
        type->setIcon(TurnTypeIcon(turns[i].Fields.Turn));
        DBGridTurn->setItem(r, 3, type);
    }
    if (FState.TurnRow() >= 0)
        DBGridTurn->setCurrentCell(FState.TurnRow(), 1);
    FShowing = false;
    UpdateRouteButtons();
}

void TTravoTab::UpdateRouteButtons()
{
    const TRouteButtons b = FState.Buttons();
    btnRouteMoveUp->setEnabled(b.RouteMoveUp);
    btnRouteMoveDown->setEnabled(b.RouteMoveDown);
    btnExportRoutes->setEnabled(!FState.Routes().empty());
    for (QPushButton* p : {btnAddPoint, btnEditTurn, btnDelPoint, btnImportTurns})
        p->setEnabled(b.TurnEdit);
    btnTurnMoveUp->setEnabled(b.TurnMoveUp);
    btnTurnMoveDown->setEnabled(b.TurnMoveDown);
}

void TTravoTab::Report(const TRouteOpResult& r)
{
    if (r.Status == TRouteOpResult::TStatus::DatabaseError)
        ShowMessage(MsgKind::Error, r.Error);
    else if (!r.Ok() && r.Status != TRouteOpResult::TStatus::Nothing)
        ShowMessage(MsgKind::Warning, r.Message(FImage.MaxRoutes()));
}

QList<qint64> TTravoTab::SelectedRouteIds() const
{
    QList<qint64> ids;
    const auto& routes = FState.Routes();
    // In list order, whatever order they were picked in.
    for (size_t i = 0; i < routes.size(); ++i)
        if (DBGridRoute->selectionModel()->isRowSelected(int(i), QModelIndex()))
            ids << routes[i].Id;
    return ids;
}

std::vector<TTurnListRow> TTravoTab::SelectedTurns() const
{
    std::vector<TTurnListRow> out;
    const auto& turns = FState.Turns();
    for (size_t i = 0; i < turns.size(); ++i)
        if (DBGridTurn->selectionModel()->isRowSelected(int(i), QModelIndex()))
            out.push_back(turns[i]);
    return out;
}

// ---------------------------------------------------------------- routes

void TTravoTab::btnAddRouteClick()
{
    if (FState.CardId() == 0)
        return;
    if (int(FState.Routes().size()) >= FImage.MaxRoutes()) {
        ShowMessage(MsgKind::Warning, Msg::TooManyRoutes.arg(FImage.MaxRoutes()));
        return;
    }
    TfrmEditRoute dlg({}, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const TRouteOpResult r = FStore.AddRoute(FState.CardId(), dlg.Names(), FImage.MaxRoutes());
    Report(r);
    FState.ReloadRoutes(r.Ok() ? r.Id : 0);
    ShowRoutes();
}

void TTravoTab::btnEditRouteClick()
{
    const TRouteListRow* route = FState.Route();
    if (!route) {
        btnAddRouteClick();
        return;
    }
    TfrmEditRoute dlg({route->Name1, route->Name2, route->Name3}, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    Report(FStore.EditRoute(route->Id, dlg.Names()));
    FState.ReloadRoutes();
    ShowRoutes();
}

void TTravoTab::btnDelRouteClick()
{
    const TRouteListRow* route = FState.Route();
    if (!route || !AskYesNo(DeleteQuestion(0, route->Count), AskIcon::Warning))
        return;
    Report(FStore.DeleteRoute(route->Id));
    FState.ReloadRoutes();
    ShowRoutes();
}

void TTravoTab::MoveRoute(int direction)
{
    const TRouteListRow* route = FState.Route();
    if (!route)
        return;
    const qint64 id = route->Id;
    Report(FStore.MoveRoute(id, direction));
    FState.ReloadRoutes(id);
    ShowRoutes();
}

void TTravoTab::btnUnionClick()
{
    const QList<qint64> ids = SelectedRouteIds();
    if (ids.size() < 2)
        return;
    const int n = int(ids.size());
    if (!AskYesNo(Msg::AskMergeRoutes.arg(n).arg(PluralForm(n, Msg::RouteOne, Msg::RouteFew, Msg::RouteMany))))
        return;
    const TRouteOpResult r = FStore.MergeRoutes(ids);
    Report(r);
    FState.ReloadRoutes(r.Ok() ? r.Id : 0);
    ShowRoutes();
}

void TTravoTab::btnExportRoutesClick()
{
    QList<qint64> ids = SelectedRouteIds();
    if (ids.isEmpty() && FState.Route())
        ids << FState.Route()->Id;
    if (ids.isEmpty())
        return;
    QString path;
    int filterIndex = 1;
    if (!FileDialogs::instance().save(this, Msg::ExportFilter, path, filterIndex))
        return;
    // The name's own suffix wins over the type chosen in the dialog.
    const TExportFormat format =
        ExportFormatOfFile(path).value_or(filterIndex == 2 ? TExportFormat::Kml : TExportFormat::Gpx);
    const TRouteExportResult r = ExportRoutes(FDb, ids, format, path);
    if (!r.Ok) {
        ShowMessage(MsgKind::Error, Msg::FileWriteFailed.arg(r.Error));
        return;
    }
    if (!r.Notes.isEmpty())
        ShowMessage(MsgKind::Warning, r.Notes.join(QStringLiteral("\r\n")));
    Host.ShowStatusLine(Msg::ExportDone.arg(r.Routes).arg(r.Points).arg(QFileInfo(path).fileName()));
}

void TTravoTab::DropRoutes(qint64 cardId)
{
    const QList<qint64> ids = SelectedRouteIds();
    if (ids.isEmpty())
        return;
    const TRouteOpResult r = FStore.MoveRoutesToCard(ids, cardId);
    Report(r);
    FState.SelectCard(cardId);
    FState.ReloadRoutes(r.Ok() ? r.Id : 0);
    ShowCards();
}

// ---------------------------------------------------------------- cards

void TTravoTab::btnAddCardClick()
{
    TfrmEditCard dlg(QString(), this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const TRouteOpResult r = FStore.AddCard(FState.CardId(), dlg.Name());
    Report(r);
    FState.ReloadCards(r.Ok() ? r.Id : 0);
    ShowCards();
}

void TTravoTab::btnEditCardClick()
{
    const auto& cards = FState.Cards();
    const auto it =
        std::find_if(cards.begin(), cards.end(), [&](const TCardNode& c) { return c.Id == FState.CardId(); });
    if (it == cards.end()) {
        btnAddCardClick();
        return;
    }
    TfrmEditCard dlg(it->Name, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    Report(FStore.RenameCard(it->Id, dlg.Name()));
    FState.ReloadCards();
    ShowCards();
}

void TTravoTab::btnDelCardClick()
{
    if (FState.CardId() == 0)
        return;
    const TRouteStore::TCardLoad load = FStore.CardLoad(FState.CardId());
    if (!AskYesNo(DeleteQuestion(load.Routes, load.Turns), AskIcon::Warning))
        return;
    Report(FStore.DeleteCard(FState.CardId()));
    FState.ReloadCards();
    ShowCards();
}

// ---------------------------------------------------------------- turns

void TTravoTab::btnAddPointClick()
{
    const TRouteListRow* route = FState.Route();
    if (!route)
        return;
    if (FState.Turns().size() >= size_t(RouteLayout::MaxTurns)) {
        ShowMessage(MsgKind::Warning, Msg::TooManyTurns.arg(RouteLayout::MaxTurns));
        return;
    }
    TfrmEditTurn dlg(TTurnFields(), this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const TRouteOpResult r = FStore.AddTurn(route->Id, dlg.Fields());
    Report(r);
    FState.ReloadRoutes();
    FState.ReloadTurns(r.Ok() ? r.Id : 0);
    ShowRoutes();
}

void TTravoTab::btnEditTurnClick()
{
    if (!FState.Route())
        return;
    const TTurnListRow* turn = FState.Turn();
    if (!turn) {
        btnAddPointClick();
        return;
    }
    const qint64 id = turn->Id;
    TfrmEditTurn dlg(turn->Fields, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    Report(FStore.EditTurn(id, dlg.Fields()));
    FState.ReloadTurns(id);
    ShowTurns();
}

void TTravoTab::btnDelPointClick()
{
    const TTurnListRow* turn = FState.Turn();
    if (!turn || !AskYesNo(Msg::AskDeleteRecord, AskIcon::Warning))
        return;
    Report(FStore.DeleteTurn(turn->Id));
    FState.ReloadRoutes();
    ShowRoutes();
    DBGridTurn->setFocus();
}

void TTravoTab::MoveTurn(int direction)
{
    const TTurnListRow* turn = FState.Turn();
    if (!turn)
        return;
    const qint64 id = turn->Id;
    Report(FStore.MoveTurn(id, direction));
    FState.ReloadTurns(id);
    ShowTurns();
}

void TTravoTab::btnImportTurnsClick()
{
    const TRouteListRow* route = FState.Route();
    if (!route || !ChooseImportFile)
        return;
    const QString file = ChooseImportFile();
    if (file.isEmpty())
        return;
    TfrmImportTurns dlg(FDb, route->Id, file, this);
    if (dlg.exec() == QDialog::Accepted) {
        FState.ReloadRoutes();
        ShowRoutes();
    }
}

void TTravoTab::btnGoogleMapClick()
{
    if (FMap)
        FMap(SelectedTurns());
}

// ---------------------------------------------------------------- the unit

void TTravoTab::WithTransfer(const std::function<void(TRouteTransfer&)>& body)
{
    TRouteTransfer t{TransferLink(FCtx), MakeTransferSetup(FCtx), MakeTransferHooks(FCtx)};
    body(t);
}

void TTravoTab::ShowDone(const QString& text)
{
    Host.ShowStatusLine(Msg::StatusLineAt.arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")), text));
}

void TTravoTab::btnWriteAT45Click()
{
    // A card without routes is written too: its empty route table empties the unit.
    if (FState.CardId() == 0)
        return;
    // A line from an earlier run must not pass for this one.
    Host.ShowStatusLine(QString());
    TRouteMemResult r;
    WithTransfer([&](TRouteTransfer& t) { r = WriteCardToUnit(FDb, FState.CardId(), t, FImage, FPages, true); });
    if (r.Ok())
        ShowDone(Msg::RoutesWritten.arg(r.Routes).arg(r.Turns));
}

void TTravoTab::btnReadAT45Click()
{
    Host.ShowStatusLine(QString());
    TRouteMemResult r;
    WithTransfer([&](TRouteTransfer& t) { r = ReadRouteTable(t, FImage, FPages); });
    if (!r.Ok())
        return;
    ShowDone(Msg::RoutesRead.arg(r.Routes));
    TfrmRoutes dlg(
        FDb, FState.CardId(), FImage, FPages, [this](const auto& body) { WithTransfer(body); }, this);
    if (dlg.exec() == QDialog::Accepted) {
        FState.ReloadRoutes();
        ShowRoutes();
    }
}

void TTravoTab::btnChangePasswordClick()
{
    TfrmChangePassword dlg(&Host.Session(), this);
    dlg.exec();
}

void TTravoTab::btnIUClick()
{
    TfrmTRAVO_IU dlg(&Host.Session(), this);
    dlg.exec();
}

// ---------------------------------------------------------------- keys and drops

bool TTravoTab::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (!plainKey(k))
            return QWidget::eventFilter(watched, event);
        const int key = k->key();
        if (watched == DBGridRoute) {
            if (key == Qt::Key_Insert)
                return btnAddRouteClick(), true;
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F4)
                return btnEditRouteClick(), true;
            if (key == Qt::Key_Delete)
                return btnDelRouteClick(), true;
        } else if (watched == DBGridTurn) {
            if (key == Qt::Key_Insert)
                return btnAddPointClick(), true;
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F4)
                return btnEditTurnClick(), true;
            if (key == Qt::Key_Delete)
                return btnDelPointClick(), true;
        } else if (watched == Tree) {
            if (key == Qt::Key_Insert)
                return btnAddCardClick(), true;
            if (key == Qt::Key_F4)
                return btnEditCardClick(), true;
            if (key == Qt::Key_Delete)
                return btnDelCardClick(), true;
        }
    }
    if (watched == Tree->viewport()) {
        const auto type = event->type();
        if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            QTreeWidgetItem* target = Tree->itemAt(drop->position().toPoint());
            // Only rows of the route grid, only onto a card.
            if (drop->source() != DBGridRoute || (type != QEvent::DragEnter && !target)) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            if (type == QEvent::Drop)
                DropRoutes(target->data(0, Qt::UserRole).toLongLong());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

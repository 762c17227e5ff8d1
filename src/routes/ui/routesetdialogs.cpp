#include "routes/ui/routesetdialogs.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "data/datamodule.h"

QIcon TurnTypeIcon(const QString& letter)
{
    if (letter.size() != 1 || !QStringLiteral("LRBE").contains(letter))
        return {};
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QChar c = letter[0];
    if (c == u'L' || c == u'R') {
        // A bent arrow turning left or right.
        QPainterPath path;
        const bool left = c == u'L';
        path.moveTo(8, 15);
        path.lineTo(8, 7);
        path.lineTo(left ? 4 : 12, 7);
        p.setPen(QPen(QColor(0, 70, 170), 2));
        p.drawPath(path);
        QPolygonF head;
        head << QPointF(left ? 1 : 15, 7) << QPointF(left ? 5 : 11, 3) << QPointF(left ? 5 : 11, 11);
        p.setBrush(QColor(0, 70, 170));
        p.setPen(Qt::NoPen);
        p.drawPolygon(head);
    } else {
        // Begin: a green flag; end: a red chequered stop.
        const QColor colour = c == u'B' ? QColor(0, 150, 40) : QColor(200, 30, 30);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(3, 1, 3, 15);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRect(4, 2, 10, 7);
    }
    return QIcon(pm);
}

namespace {

QTableWidget* grid(QWidget* parent, const QStringList& titles)
{
    auto* g = new QTableWidget(0, titles.size(), parent);
    g->setObjectName(QStringLiteral("Grid"));
    g->setHorizontalHeaderLabels(titles);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->verticalHeader()->hide();
    g->verticalHeader()->setDefaultSectionSize(20);
    QFont bold = g->horizontalHeader()->font();
    bold.setBold(true);
    g->horizontalHeader()->setFont(bold);
    g->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    return g;
}

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, bool bold = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align);
    if (bold) {
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
    }
    return item;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

TfrmRoutes::TfrmRoutes(TDatabase& db, qint64 cardId, TRouteImage& image, TPageList& pages, TWithTransfer transfer,
                       QWidget* parent)
    : QDialog(parent), FDb(db), FCard(cardId), FImage(image), FPages(pages), FTransfer(std::move(transfer))
{
    setObjectName(QStringLiteral("frmRoutes"));
    setWindowTitle(Msg::RoutesCaption);
    resize(520, 420);
    auto* layout = new QVBoxLayout(this);
    Grid = grid(this, {Msg::RouteColN, Msg::RouteColName, Msg::RouteColCount});
    Grid->setColumnWidth(0, 40);
    // The bold title must fit whole.
    Grid->setColumnWidth(2, std::max(100, Grid->horizontalHeader()->sectionSizeHint(2)));
    Grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(Grid);
    auto* row = new QHBoxLayout;
    btnView = button(this, "btnView", Msg::BtnView);
    btnSaveToDB = button(this, "btnSaveToDB", Msg::BtnSaveToDB);
    btnClose = button(this, "btnClose", Msg::BtnClose);
    row->addWidget(btnView);
    row->addWidget(btnSaveToDB);
    row->addStretch(1);
    row->addWidget(btnClose);
    layout->addLayout(row);

    FRows = ListRouteSet(image);
    Grid->setRowCount(int(FRows.size()));
    for (size_t i = 0; i < FRows.size(); ++i) {
        const int r = int(i);
        Grid->setItem(r, 0, cell(QString::number(r + 1), Qt::AlignCenter, true));
        Grid->setItem(r, 1, cell(QStringLiteral("  ") + FRows[i].Name));
        auto* count = cell(QString::number(FRows[i].TurnCount), Qt::AlignCenter);
        if (FRows[i].TurnCount == 0)
            count->setForeground(Qt::red);
        Grid->setItem(r, 2, count);
    }
    if (!FRows.empty())
        Grid->selectRow(0);
    btnView->setEnabled(!FRows.empty());
    btnSaveToDB->setEnabled(!FRows.empty());
    connect(btnView, &QPushButton::clicked, this, &TfrmRoutes::btnViewClick);
    connect(btnSaveToDB, &QPushButton::clicked, this, &TfrmRoutes::btnSaveToDBClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(Grid, &QTableWidget::cellDoubleClicked, this, [this] { btnViewClick(); });
}

void TfrmRoutes::btnViewClick()
{
    const int row = Grid->currentRow();
    if (row < 0 || row >= int(FRows.size()))
        return;
    // The row's slot: a unit may leave gaps between valid slots.
    const int slot = FRows[size_t(row)].Slot;
    bool read = false;
    FTransfer([&](TRouteTransfer& t) { read = ReadRouteTurns(t, FImage, FPages, {slot}).Ok(); });
    if (!read)
        return;
    TfrmTurns turns(FImage, slot, this);
    turns.exec();
}

void TfrmRoutes::btnSaveToDBClick()
{
    if (FBusy)
        return;
    FBusy = true;
    TRouteMemResult::TStatus status = TRouteMemResult::TStatus::Failed;
    setCursor(Qt::WaitCursor);
    FTransfer([&](TRouteTransfer& t) { status = SaveUnitRoutes(FDb, FCard, t, FImage, FPages, true).Status; });
    unsetCursor();
    FBusy = false;
    // "Нет" to the question leaves the database as it was and closes the window as well.
    if (status == TRouteMemResult::TStatus::Ok)
        accept();
    else if (status == TRouteMemResult::TStatus::Declined)
        reject();
}

void TfrmRoutes::reject()
{
    if (!FBusy)
        QDialog::reject();
}

TfrmTurns::TfrmTurns(const TRouteImage& image, int NR, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTurns"));
    setWindowTitle(Msg::TurnsCaption);
    resize(640, 440);
    auto* layout = new QVBoxLayout(this);
    Grid = grid(this, {Msg::RouteColN, Msg::TurnColBegin, Msg::TurnColEnd, Msg::TurnColType});
    Grid->setColumnWidth(0, 40);
    Grid->setColumnWidth(1, 190);
    Grid->setColumnWidth(2, 190);
    Grid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(Grid);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    btnClose = button(this, "btnClose", Msg::BtnClose);
    row->addWidget(btnClose);
    layout->addLayout(row);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    const auto turns = ListTurnSet(image, NR);
    Grid->setRowCount(int(turns.size()));
    for (size_t k = 0; k < turns.size(); ++k) {
        const int r = int(k);
        Grid->setItem(r, 0, cell(QString::number(r + 1), Qt::AlignCenter, true));
        Grid->setItem(r, 1, cell(turns[k].Begin));
        Grid->setItem(r, 2, cell(turns[k].End));
        auto* type = cell(TurnTypeName(turns[k].Type));
        type->setIcon(TurnTypeIcon(turns[k].Type));
        Grid->setItem(r, 3, type);
    }
}

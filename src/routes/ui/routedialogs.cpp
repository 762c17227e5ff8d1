#include "routes/ui/routedialogs.h"

#include <algorithm>

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/ui/okcancel.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "routes/spreadsheet.h"
#include "routes/ui/fieldgrid.h"

namespace {

QHBoxLayout* okCancel(QDialog* dlg, QPushButton*& ok, QPushButton*& cancel)
{
    const TOkCancelRow row = MakeOkCancelRow(dlg);
    ok = row.OK;
    cancel = row.Cancel;
    return row.Layout;
}

// Sign, digit or blank; two-digit degrees; "°"; minutes; "'"; seconds; "."; tenths; '"'.
const QString kCoordMask = QStringLiteral("#99\\°99'99.9\"; ");

QLineEdit* coordEdit(TFieldGrid& grid, const char* name, const QString& label, const QString& text)
{
    QLineEdit* e = grid.Edit(name, RouteFields::Coordinate, {}, label);
    e->setInputMask(kCoordMask);
    e->setText(text);
    // Typing starts at the sign; at the end of the mask the keys would go nowhere.
    e->setCursorPosition(0);
    return e;
}

// The 12 characters as shown: text() would drop a blank sign and shorten the value.
QString coordText(const QLineEdit* e)
{
    return e->displayText();
}

const char* const kTypes = "LRBE";

}  // namespace

// ---------------------------------------------------------------- card

TfrmEditCard::TfrmEditCard(const QString& name, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditCard"));
    setWindowTitle(Msg::EditCaption);
    auto* layout = new QVBoxLayout(this);
    TFieldGrid fields(this);
    fields.Caption(Msg::EditCardName);
    edtName = fields.Edit("edtName", RouteFields::CardName, name);
    edtName->setMinimumWidth(300);
    layout->addLayout(fields.Layout());
    layout->addLayout(okCancel(this, btnOK, btnCancel));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

QString TfrmEditCard::Name() const
{
    return edtName->text();
}

// ---------------------------------------------------------------- route

TfrmEditRoute::TfrmEditRoute(const TRouteNames& names, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditRoute"));
    setWindowTitle(Msg::EditCaption);
    auto* layout = new QVBoxLayout(this);
    TFieldGrid fields(this);
    fields.Caption(Msg::EditRouteName);
    edtStr1 = fields.Edit("edtStr1", RouteFields::RouteName, names.Line1);
    edtStr2 = fields.Edit("edtStr2", RouteFields::RouteName, names.Line2);
    edtStr3 = fields.Edit("edtStr3", RouteFields::RouteName, names.Line3);
    edtStr1->setMinimumWidth(220);
    layout->addLayout(fields.Layout());
    layout->addLayout(okCancel(this, btnOK, btnCancel));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

TRouteNames TfrmEditRoute::Names() const
{
    return {edtStr1->text(), edtStr2->text(), edtStr3->text()};
}

// ---------------------------------------------------------------- turn

TfrmEditTurn::TfrmEditTurn(const TTurnFields& turn, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditTurn"));
    setWindowTitle(Msg::EditCaption);
    auto* layout = new QVBoxLayout(this);
    auto group = [&](const QString& title, QLineEdit*& lat, const char* latName, const QString& latText,
                     QLineEdit*& lon, const char* lonName, const QString& lonText) {
        auto* box = new QGroupBox(title, this);
        TFieldGrid fields(box);
        lat = coordEdit(fields, latName, Msg::EditLatitude, latText);
        lon = coordEdit(fields, lonName, Msg::EditLongitude, lonText);
        box->setLayout(fields.Layout());
        layout->addWidget(box);
    };
    group(Msg::EditTurnBegin, edtBegLat, "edtBegLat", turn.BegLat, edtBegLong, "edtBegLong", turn.BegLong);
    group(Msg::EditTurnEnd, edtEndLat, "edtEndLat", turn.EndLat, edtEndLong, "edtEndLong", turn.EndLong);
    TFieldGrid typeRow(this);
    cbTypeTurn = new QComboBox(this);
    cbTypeTurn->setObjectName(QStringLiteral("cbTypeTurn"));
    for (int i = 0; i < 4; ++i)
        cbTypeTurn->addItem(TurnTypeName(QString(QLatin1Char(kTypes[i]))));
    const int at = QString::fromLatin1(kTypes).indexOf(turn.Turn);
    cbTypeTurn->setCurrentIndex(turn.Turn.size() == 1 && at >= 0 ? at : 0);
    typeRow.Row(Msg::EditTurnType, cbTypeTurn);
    layout->addLayout(typeRow.Layout());
    layout->addLayout(okCancel(this, btnOK, btnCancel));
    connect(btnOK, &QPushButton::clicked, this, &TfrmEditTurn::btnOKClick);
    connect(cbTypeTurn, &QComboBox::currentIndexChanged, this, &TfrmEditTurn::TypeChanged);
    TypeChanged();
}

void TfrmEditTurn::TypeChanged()
{
    // Only left and right turns have an end point of their own.
    const bool turnWithEnd = cbTypeTurn->currentIndex() <= 1;
    edtEndLat->setEnabled(turnWithEnd);
    edtEndLong->setEnabled(turnWithEnd);
}

TTurnFields TfrmEditTurn::Fields() const
{
    TTurnFields t{coordText(edtBegLat), coordText(edtBegLong), coordText(edtEndLat), coordText(edtEndLong),
                  QString(QLatin1Char(kTypes[std::clamp(cbTypeTurn->currentIndex(), 0, 3)]))};
    if (cbTypeTurn->currentIndex() >= 2) {
        t.EndLat = t.BegLat;
        t.EndLong = t.BegLong;
    }
    return t;
}

void TfrmEditTurn::btnOKClick()
{
    const TTurnFields t = Fields();
    const struct {
        QLineEdit* edit;
        TCoordKind kind;
    } checks[] = {{edtBegLat, TCoordKind::BeginLatitude},
                  {edtBegLong, TCoordKind::Longitude},
                  {edtEndLat, TCoordKind::Latitude},
                  {edtEndLong, TCoordKind::Longitude}};
    for (const auto& c : checks) {
        if (!c.edit->isEnabled())
            continue;
        if (!CoordTextValid(coordText(c.edit), c.kind)) {
            ShowMessage(MsgKind::Warning, Msg::InvalidValue);
            c.edit->setFocus();
            return;
        }
    }
    accept();
}

// ---------------------------------------------------------------- import

TfrmImportTurns::TfrmImportTurns(TDatabase& db, qint64 routeId, const QString& file, QWidget* parent)
    : QDialog(parent), FDb(db), FRoute(routeId), FFile(file)
{
    setObjectName(QStringLiteral("frmImportTurns"));
    setWindowTitle(Msg::ImportCaption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Msg::ImportSheets, this));
    cbSheet = new QComboBox(this);
    cbSheet->setObjectName(QStringLiteral("cbSheet"));
    cbSheet->setMinimumWidth(260);
    layout->addWidget(cbSheet);
    layout->addLayout(okCancel(this, btnOK, btnCancel));
    connect(btnOK, &QPushButton::clicked, this, &TfrmImportTurns::btnOKClick);

    QString why;
    const auto book = OpenSpreadsheet(file, &why);
    FOpened = book != nullptr;
    if (!FOpened) {
        ShowMessage(MsgKind::Error, Msg::CannotOpenFile + QStringLiteral("\r\n\r\n") + why);
        cbSheet->setEnabled(false);
        btnOK->setEnabled(false);
        return;
    }
    cbSheet->addItems(book->SheetNames());
    cbSheet->setCurrentIndex(0);
}

TfrmImportTurns::~TfrmImportTurns()
{
    FCancel = true;
    if (FWorker.joinable())
        FWorker.join();
}

void TfrmImportTurns::btnOKClick()
{
    if (FBusy || !FOpened)
        return;
    FBusy = true;
    FCancel = false;
    cbSheet->setEnabled(false);
    btnOK->setEnabled(false);
    setCursor(Qt::WaitCursor);
    const int sheet = cbSheet->currentIndex();
    const int room = RouteLayout::MaxTurns - TRouteStore(FDb).TurnCount(FRoute);
    // The file is read again (it may have changed) on a worker; the rows come back queued, so
    // the dialog's own event loop keeps running and nothing re-enters it.
    FWorker = std::thread([this, sheet, room, file = FFile] {
        QString why;
        const auto book = OpenSpreadsheet(file, &why, {SpreadsheetLimits::MaxTime, &FCancel});
        TImportRows rows;
        if (book)
            rows = ReadImportRows(*book, sheet, room);
        else
            rows.Error = Msg::CannotOpenFile + QStringLiteral("\r\n\r\n") + why;
        QMetaObject::invokeMethod(
            this, [this, rows] { Store(rows); }, Qt::QueuedConnection);
    });
}

void TfrmImportTurns::Store(const TImportRows& rows)
{
    FWorker.join();
    unsetCursor();
    FBusy = false;
    if (FCancel) {
        emit importEnded();
        QDialog::reject();
        return;
    }
    const TImportResult r = StoreImportedTurns(FDb, FRoute, rows);
    if (!r.Ok)
        ShowMessage(MsgKind::Error, r.Error);
    else
        FImported = r.Imported;
    if (r.Ok && rows.LimitReached)
        ShowMessage(MsgKind::Warning, Msg::TooManyTurns.arg(RouteLayout::MaxTurns));
    if (r.Ok && !r.Notes.isEmpty())
        ShowMessage(MsgKind::Information, r.Notes.join(QStringLiteral("\r\n\r\n")));
    emit importEnded();
    accept();
}

// While the sheet is read, "Отмена" stops the reading; the dialog closes once the worker is back.
void TfrmImportTurns::reject()
{
    if (FBusy)
        FCancel = true;
    else
        QDialog::reject();
}

void TfrmImportTurns::closeEvent(QCloseEvent* event)
{
    if (FBusy) {
        FCancel = true;
        event->ignore();
    } else {
        QDialog::closeEvent(event);
    }
}

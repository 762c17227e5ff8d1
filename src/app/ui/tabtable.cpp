#include "app/ui/tabtable.h"

#include <QLabel>
#include <QStandardPaths>

#include "app/settings.h"
#include "app/ui/displayfont.h"
#include "base/messages.h"
#include "data/datamodule.h"
#include "data/ui/devicetab.h"
#include "map/mapview.h"
#include "memory/ui/consoletab.h"
#include "memory/ui/ctrlextmemtab.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/imagetab.h"
#include "memory/ui/memorycontext.h"
#include "panels/ui/dornatab.h"
#include "panels/ui/galtetab.h"
#include "panels/ui/kestatab.h"
#include "panels/ui/pelniktab.h"
#include "panels/ui/plevatab.h"
#include "panels/ui/sarveltab.h"
#include "panels/ui/tarviktab.h"
#include "panels/ui/usbrelaytab.h"
#include "panels/ui/vidatab.h"
#include "routes/ui/travotab.h"

namespace {
// The controller summaries are display texts: the condensed font, as in the About window.
constexpr int kSummaryPointSize = 11;
}  // namespace

// Adding a tab: a TPanel subclass and its factory in its row here.
const std::vector<TTabRow>& TabRows()
{
    static const std::vector<TTabRow> rows = {
        {.Sheet = "tsDevice",
         .Caption = &Msg::TabDevice,
         .Fixed = true,
         .Make = [](const TTabContext& c) -> TPanel* {
             return c.Dm ? c.DeviceTabPanel = new DeviceTab(c.Host, *c.Dm) : nullptr;
         },
         .Shortcuts = {{Qt::Key_F5, "btnWriteFLASH"},
                       {Qt::Key_F9, "btnRunProgram"},
                       {Qt::Key_F11, "btnRunBootloader"}}},
        {.Sheet = "tsFLASH",
         .Caption = &Msg::TabFLASH,
         .Fixed = true,
         .Make = [](const TTabContext& c) -> TPanel* {
             c.FlashTab = new TFlashTab(c.Host, c.Memory);
             c.FlashTab->AttachModeButtons(c.BtnReset, c.BtnRunProgram, c.BtnRunBootloader);
             c.FlashTab->LabelMCU1->setFont(DisplayFont::Font(kSummaryPointSize, true));
             return c.FlashTab;
         },
         .Shortcuts = {{Qt::Key_F5, "btnWriteFLASH"},
                       {Qt::Key_F9, "btnRunProgram"},
                       {Qt::Key_F11, "btnRunBootloader"}}},
        {.Sheet = "tsExtMem",
         .Caption = &Msg::TabExtMem,
         .Fixed = true,
         .Make = [](const TTabContext& c) -> TPanel* {
             c.ExtMemTab = new TExtMemTab(c.Host, c.Memory);
             c.ExtMemTab->LabelMCU2->setFont(DisplayFont::Font(kSummaryPointSize, true));
             return c.ExtMemTab;
         }},
        {.Sheet = "tsCmd",
         .Caption = &Msg::TabCmd,
         .Fixed = true,
         .Make = [](const TTabContext& c) -> TPanel* { return c.ConsoleTab = new TConsoleTab(c.Host); },
         .Shortcuts = {{Qt::Key_F8, "btnClearAnswers"}, {Qt::Key_F9, "btnSendData"}}},
        {.Sheet = "tsDORNA",
         .Caption = &Msg::TabDORNA,
         .Make = [](const TTabContext& c) -> TPanel* { return new TDornaTab(c.Host); }},
        {.Sheet = "tsPLEVA",
         .Caption = &Msg::TabPLEVA,
         .Make = [](const TTabContext& c) -> TPanel* { return new TPlevaTab(c.Host); }},
        {.Sheet = "tsTARVIK",
         .Caption = &Msg::TabTARVIK,
         .Make = [](const TTabContext& c) -> TPanel* { return new TTarvikTab(c.Host); }},
        {.Sheet = "tsVIDA",
         .Caption = &Msg::TabVIDA,
         .Make = [](const TTabContext& c) -> TPanel* { return new TVidaTab(c.Host); }},
        {.Sheet = "tsGALTE",
         .Caption = &Msg::TabGALTE,
         .Make = [](const TTabContext& c) -> TPanel* {
             return c.Dm ? new TGalteTab(c.Host, c.Dm->tblSlave) : nullptr;
         }},
        {.Sheet = "tsTRAVO",
         .Caption = &Msg::TabTRAVO,
         .Make = [](const TTabContext& c) -> TPanel* {
             if (!c.Dm)
                 return nullptr;
             c.TravoTab = new TTravoTab(c.Host, c.Memory, c.Dm->Connection);
             c.TravoTab->SetMapHandler(
                 [&host = c.Host, &s = c.Settings, folder = c.DataFolder](const std::vector<TTurnListRow>& selected) {
                     TMapRequest request{
                         folder,
                         {},
                         s.MapTileUrl,
                         s.MapTileAttribution,
                         QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tiles"),
                         qint64(s.MapTileCacheMB) * 1024 * 1024};
                     for (const TTurnListRow& r : selected)
                         request.Turns.push_back({r.RecNo, r.Fields.BegLat, r.Fields.BegLong, r.Fields.EndLat,
                                                  r.Fields.EndLong, r.Fields.Turn});
                     OpenMapView(host.DialogParent(), request);
                 });
             return c.TravoTab;
         }},
        {.Sheet = "tsUSBRelay",
         .Caption = &Msg::TabUSBRelay,
         .Make = [](const TTabContext& c) -> TPanel* { return new TUsbRelayTab(c.Host); },
         .Timer = "tmrUSBRelay",
         .TimerMs = 300},
        {.Sheet = "tsKESTA",
         .Caption = &Msg::TabKESTA,
         .Make = [](const TTabContext& c) -> TPanel* { return new TKestaTab(c.Host); },
         .Timer = "tmrKESTA",
         .TimerMs = 300},
        {.Sheet = "tsFentor",
         .Caption = &Msg::TabFentor,
         .Make = [](const TTabContext& c) -> TPanel* { return new TMiranTab(c.Host); },
         .Timer = "tmrMIRAN",
         .TimerMs = 300},
        {.Sheet = "tsSARVEL",
         .Caption = &Msg::TabSARVEL,
         .Make = [](const TTabContext& c) -> TPanel* { return new TSarvelTab(c.Host); }},
        {.Sheet = "tsPELNIK",
         .Caption = &Msg::TabPELNIK,
         .Make = [](const TTabContext& c) -> TPanel* { return new TPelnikTab(c.Host); }},
        {.Sheet = "tsCtrlExtMem",
         .Caption = &Msg::TabCtrlExtMem,
         .Make = [](const TTabContext& c) -> TPanel* { return c.CtrlExtMemTab = new TCtrlExtMemTab(c.Host, c.Memory); },
         .Section = "Form/ControlExtMem"},
        {.Sheet = "tsImage",
         .Caption = &Msg::TabImage,
         .Make = [](const TTabContext& c) -> TPanel* { return new TImageTab(c.Host, c.Memory); }},
    };
    return rows;
}

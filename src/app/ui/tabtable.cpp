#include "app/ui/tabtable.h"

#include <QLabel>

#include "app/ui/displayfont.h"
#include "app/ui/frmmain.h"
#include "base/messages.h"
#include "data/datamodule.h"
#include "data/ui/devicetab.h"
#include "map/mapview.h"
#include "memory/ui/consoletab.h"
#include "memory/ui/ctrlextmemtab.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/imagetab.h"
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
         .Make = [](TfrmMain& w) -> TPanel* { return w.Dm() ? w.DeviceTabPanel = new DeviceTab(w, *w.Dm()) : nullptr; },
         .Shortcuts = {{Qt::Key_F5, "btnWriteFLASH"},
                       {Qt::Key_F9, "btnRunProgram"},
                       {Qt::Key_F11, "btnRunBootloader"}}},
        {.Sheet = "tsFLASH",
         .Caption = &Msg::TabFLASH,
         .Fixed = true,
         .Make = [](TfrmMain& w) -> TPanel* {
             w.FlashTab = new TFlashTab(w, w.MemoryCtx);
             w.FlashTab->AttachModeButtons(w.btnReset, w.btnRunProgram, w.btnRunBootloader);
             w.FlashTab->LabelMCU1->setFont(DisplayFont::Font(kSummaryPointSize, true));
             return w.FlashTab;
         },
         .Shortcuts = {{Qt::Key_F5, "btnWriteFLASH"},
                       {Qt::Key_F9, "btnRunProgram"},
                       {Qt::Key_F11, "btnRunBootloader"}}},
        {.Sheet = "tsExtMem",
         .Caption = &Msg::TabExtMem,
         .Fixed = true,
         .Make = [](TfrmMain& w) -> TPanel* {
             w.ExtMemTab = new TExtMemTab(w, w.MemoryCtx);
             w.ExtMemTab->LabelMCU2->setFont(DisplayFont::Font(kSummaryPointSize, true));
             return w.ExtMemTab;
         }},
        {.Sheet = "tsCmd",
         .Caption = &Msg::TabCmd,
         .Fixed = true,
         .Make = [](TfrmMain& w) -> TPanel* { return w.ConsoleTab = new TConsoleTab(w); },
         .Shortcuts = {{Qt::Key_F8, "btnClearAnswers"}, {Qt::Key_F9, "btnSendData"}}},
        {.Sheet = "tsDORNA",
         .Caption = &Msg::TabDORNA,
         .Make = [](TfrmMain& w) -> TPanel* { return new TDornaTab(w); }},
        {.Sheet = "tsPLEVA",
         .Caption = &Msg::TabPLEVA,
         .Make = [](TfrmMain& w) -> TPanel* { return new TPlevaTab(w); }},
        {.Sheet = "tsTARVIK",
         .Caption = &Msg::TabTARVIK,
         .Make = [](TfrmMain& w) -> TPanel* { return new TTarvikTab(w); }},
        {.Sheet = "tsVIDA", .Caption = &Msg::TabVIDA, .Make = [](TfrmMain& w) -> TPanel* { return new TVidaTab(w); }},
        {.Sheet = "tsGALTE",
         .Caption = &Msg::TabGALTE,
         .Make = [](TfrmMain& w) -> TPanel* { return w.Dm() ? new TGalteTab(w, w.Dm()->tblSlave) : nullptr; }},
        {.Sheet = "tsTRAVO",
         .Caption = &Msg::TabTRAVO,
         .Make = [](TfrmMain& w) -> TPanel* {
             if (!w.Dm())
                 return nullptr;
             w.TravoTab = new TTravoTab(w, w.MemoryCtx, w.Dm()->Connection);
             w.TravoTab->SetMapHandler([&w](const std::vector<TTurnListRow>& selected) {
                 const TAppSettings& s = w.Settings();
                 TMapRequest request{w.DataFolder(), {}, s.MapTileUrl, s.MapTileAttribution};
                 for (const TTurnListRow& r : selected)
                     request.Turns.push_back({r.RecNo, r.Fields.BegLat, r.Fields.BegLong, r.Fields.EndLat,
                                              r.Fields.EndLong, r.Fields.Turn});
                 OpenMapView(&w, request);
             });
             return w.TravoTab;
         }},
        {.Sheet = "tsUSBRelay",
         .Caption = &Msg::TabUSBRelay,
         .Make = [](TfrmMain& w) -> TPanel* { return new TUsbRelayTab(w); },
         .Timer = "tmrUSBRelay",
         .TimerMs = 300},
        {.Sheet = "tsKESTA",
         .Caption = &Msg::TabKESTA,
         .Make = [](TfrmMain& w) -> TPanel* { return new TKestaTab(w); },
         .Timer = "tmrKESTA",
         .TimerMs = 300},
        {.Sheet = "tsFentor",
         .Caption = &Msg::TabFentor,
         .Make = [](TfrmMain& w) -> TPanel* { return new TMiranTab(w); },
         .Timer = "tmrMIRAN",
         .TimerMs = 300},
        {.Sheet = "tsSARVEL",
         .Caption = &Msg::TabSARVEL,
         .Make = [](TfrmMain& w) -> TPanel* { return new TSarvelTab(w); }},
        {.Sheet = "tsPELNIK",
         .Caption = &Msg::TabPELNIK,
         .Make = [](TfrmMain& w) -> TPanel* { return new TPelnikTab(w); }},
        {.Sheet = "tsCtrlExtMem",
         .Caption = &Msg::TabCtrlExtMem,
         .Make = [](TfrmMain& w) -> TPanel* { return w.CtrlExtMemTab = new TCtrlExtMemTab(w, w.MemoryCtx); },
         .Section = "Form/ControlExtMem"},
        {.Sheet = "tsImage",
         .Caption = &Msg::TabImage,
         .Make = [](TfrmMain& w) -> TPanel* { return new TImageTab(w, w.MemoryCtx); }},
    };
    return rows;
}

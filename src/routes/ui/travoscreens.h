#pragma once
#include <functional>

#include <QString>

class QWidget;
class TTravoTab;
struct TMemoryContext;

// Pictures of the route tab's dialogs for the documentation: the edit dialogs on the current
// card, route and turn; the unit's route set and turns after the current card was written into
// the unit at `unitAddr` and read back; the password and actuator dialogs. `save` grabs a shown
// window under a name.
void TakeTravoScreenshots(TTravoTab& tab, TMemoryContext& ctx, int unitAddr,
                          const std::function<void(QWidget*, const QString&)>& save);

#include "app/linkstate.h"

#include "base/messages.h"
#include "link/zeva16.h"

TLinkState LinkStateOf(const TZEVA16* link, TMode lastMode)
{
    if (!link)
        return TLinkState::NoPort;
    if (link->HungUp())
        return TLinkState::HungUp;
    if (!link->IsOpen())
        return TLinkState::Unavailable;
    return lastMode == mNone ? TLinkState::Silent : TLinkState::Present;
}

QString LinkStateText(TLinkState state, int portNumber, uint16_t devAddr)
{
    switch (state) {
    case TLinkState::NoPort: return Msg::StatusChoosePort;
    case TLinkState::Unavailable: return Msg::StatusPortUnavailable.arg(portNumber);
    case TLinkState::HungUp: return Msg::StatusPortHungUp.arg(portNumber);
    case TLinkState::Silent: return Msg::StatusDeviceSilent.arg(devAddr);
    case TLinkState::Present: break;
    }
    return {};
}

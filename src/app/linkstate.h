#pragma once
#include <cstdint>

#include <QString>

#include "link/deviceinfo.h"

class TZEVA16;

// Where the connection to the selected device stands, for the status bar.
enum class TLinkState {
    NoPort,       // no port chosen (first run, or "<нет>")
    Unavailable,  // the port could not be opened: adapter absent or busy
    HungUp,       // the port was open and its device went away (adapter unplugged)
    Silent,       // the port works but the device at DevAddr does not answer
    Present,      // the device answered its identification
};

// From the link and the mode of its latest identification (mNone: no answer).
TLinkState LinkStateOf(const TZEVA16* link, TMode lastMode);

// Status bar text for a state; empty for Present, where the device's name line stands instead.
QString LinkStateText(TLinkState state, int portNumber, uint16_t devAddr);

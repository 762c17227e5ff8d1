#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "link/comport.h"

class TZEVA16;

// How one exchange ended. Only brOk is success; the rest tell the caller why (a vanished device is
// its own class, so a transfer does not wait for answers that can never come).
enum TBlockResult : uint8_t {
    brOk = 0,
    brRefused,    // answered 0x22
    brNoAnswer,   // no valid answer after every attempt
    brBadLength,  // accepted, but the payload was not the block
    brGone,       // the port hung up
    brOutside,    // the block lies outside what the image or a 16-bit number can address
    brError,      // the transfer thread caught an exception
};
// Why a block exchange failed, in the words of the command line (UTF-8).
const char* BlockResultText(TBlockResult r);

// One request/answer with the selected device. Nothing above the link touches a port itself, so a
// test can put a scripted device behind this and run panels and block loops synchronously.
class TTransferLink {
public:
    virtual ~TTransferLink() = default;
    // Sends cmd with payload. On brOk, answer views the accepted payload until the next call.
    virtual TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer) = 0;
    // The port's error after the last exchange; a scripted device has none to tell.
    virtual TError LinkError() const { return errNoError; }
};

// The real link: PutCMD on a TZEVA16 (with its retries) to one device address.
class TZevaTransferLink : public TTransferLink {
public:
    TZevaTransferLink(TZEVA16& link, uint16_t devAddr) : FLink(link), FAddr(devAddr) {}
    TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer) override;
    TError LinkError() const override;

private:
    TZEVA16& FLink;
    uint16_t FAddr;
};

// What a panel gets back from one command: a value, so nothing reads the link's buffers afterwards.
enum class TExchangeOutcome : uint8_t {
    Accepted,  // answered 0x33; Answer holds the payload
    Refused,   // answered 0x22
    NoAnswer,  // nothing valid after every attempt (also: no port, or a payload too long to send)
    LinkGone,  // the port hung up: the device is unplugged
};

struct TExchangeResult {
    TExchangeOutcome Outcome = TExchangeOutcome::NoAnswer;
    std::vector<uint8_t> Answer;
    TError LinkError = errNoError;
    bool Accepted() const { return Outcome == TExchangeOutcome::Accepted; }
};

TExchangeOutcome OutcomeOf(TBlockResult r);
// One command through any link, its answer copied out.
TExchangeResult ExchangeWith(TTransferLink& link, uint8_t cmd, std::span<const uint8_t> payload = {});

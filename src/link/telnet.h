#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Network ports: "tcp://HOST:PORT" carries the line's bytes as they are; "rfc2217://HOST:PORT" is
// Telnet with the COM-PORT-OPTION (RFC 2217), which also carries the line settings.
struct TNetAddress {
    enum TKind : uint8_t { nkTcp, nkRfc2217 };
    TKind Kind = nkTcp;
    std::string Host;  // without the brackets of an IPv6 literal
    uint16_t Port = 0;
};
// Whether name is meant as a network port (the scheme alone decides; the rest may still be wrong).
bool IsNetPortName(const std::string& name);
// The address named, nothing when name is no valid network port (unknown scheme, no host, a port
// outside 1..65535, anything after the port).
std::optional<TNetAddress> ParseNetAddress(const std::string& name);

namespace telnet {

constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr uint8_t optBinary = 0, optEcho = 1, optSGA = 3, optComPort = 44;

// COM-PORT-OPTION commands from client to server; the server answers each with the code + 100.
enum TComPortCmd : uint8_t {
    cpSetBaudRate = 1,
    cpSetDataSize = 2,
    cpSetParity = 3,
    cpSetStopSize = 4,
    cpSetControl = 5,
    cpNotifyLineState = 6,
    cpNotifyModemState = 7,
    cpPurgeData = 12,
};
constexpr uint8_t kServerOffset = 100;
// SET-CONTROL values.
constexpr uint8_t ctlNoFlow = 1, ctlHardwareFlow = 3, ctlDtrOn = 8, ctlDtrOff = 9, ctlRtsOn = 11, ctlRtsOff = 12;
// PURGE-DATA: both the server's receive and transmit buffers.
constexpr uint8_t purgeBoth = 3;

// Data bytes as they go on the connection: every 0xFF doubled.
void AppendEscaped(std::vector<uint8_t>& out, std::span<const uint8_t> data);
// IAC SB COM-PORT-OPTION cmd value IAC SE, 0xFF in the value doubled.
std::vector<uint8_t> ComPortCommand(uint8_t cmd, std::span<const uint8_t> value);
// The options this side asks for when the connection opens.
std::vector<uint8_t> OpeningNegotiation();

// One answer of the server to a COM-PORT-OPTION command: its code (command + 100) and value.
struct TComPortAnswer {
    uint8_t Code = 0;
    std::vector<uint8_t> Value;
};

// Splits what the server sends into line data, COM-PORT answers and Telnet negotiation. Bytes may
// arrive cut anywhere: a sequence split between two reads is completed by the next one.
class TTelnetDecoder {
public:
    // Appends the line's bytes of chunk to data; the replies to negotiation go to Reply (to be sent
    // back), the COM-PORT answers to Answers.
    void Push(std::span<const uint8_t> chunk, std::vector<uint8_t>& data);

    std::vector<uint8_t> Reply;
    std::vector<TComPortAnswer> Answers;
    // The server refused the COM-PORT-OPTION (DONT or WONT 44): it cannot set the line.
    bool ComPortRefused = false;

private:
    void Negotiate(uint8_t verb, uint8_t option);
    void EndSubnegotiation();

    enum TState : uint8_t { tsData, tsIac, tsVerb, tsSbData, tsSbIac };
    TState FState = tsData;
    uint8_t FVerb = 0;
    std::vector<uint8_t> FSb;
    bool FStarted = false;
    // Options answered already in each direction, so that a repeated request gets no second reply
    // and negotiation cannot loop.
    uint8_t FLocal[256] = {};   // our side: WILL when on, anything else off
    uint8_t FRemote[256] = {};  // server's side: DO when on, anything else off
};

}  // namespace telnet

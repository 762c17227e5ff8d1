#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>

#include "link/telnet.h"

enum TComDataBits : uint8_t { db5 = 0, db6 = 1, db7 = 2, db8 = 3 };
enum TComParity : uint8_t { prNone = 0, prEven = 1, prOdd = 2 };
enum TComStopBits : uint8_t { sbOne = 0, sbTwo = 1 };
enum TError : uint8_t { errNoError = 0, errNotOpenPort = 1, errTimeOut = 2, errAnswerError = 3, errBufOverflow = 4 };

// Line settings parsed from "rate,bits,parity,stop" (spaces ignored).
struct TComSettings {
    uint32_t Rate = 115200;
    TComDataBits Bits = db8;
    TComParity Parity = prNone;
    TComStopBits StopBits = sbOne;
};
TComSettings ParseComSettings(const std::string& params);

// Port numbers and host device paths. COM1..32 are /dev/ttyS0..31, COM33..64 /dev/ttyUSB0..31,
// COM65..96 /dev/ttyACM0..31; COM97..127 are user aliases to any path (a simulator's pty).
namespace PortMap {
constexpr int kFirstAlias = 97;
constexpr int kLastAlias = 127;

// Device path for a port number, empty when the number maps to nothing.
std::string PathFor(int nCOM);
// Port number for a device path (fixed map or alias), 0 when unknown.
int NumberFor(const std::string& path);
// Process-wide alias table; SetAlias with an empty path removes the alias.
void SetAlias(int nCOM, const std::string& path);
std::map<int, std::string> Aliases();
// Assigns the first free alias number to a path (or returns the existing one); 0 when full.
int AliasFor(const std::string& path);
}  // namespace PortMap

// Why a port did not open, told apart for the user: the cure differs for each.
enum class TPortOpenFailure : uint8_t {
    None,
    Absent,      // no such device (unplugged, wrong name)
    Permission,  // the user may not open it (not in the group that owns the device)
    Busy,        // another program holds it
    NotSerial,   // the path is no terminal device
    Other,
    // Network ports (tcp://, rfc2217://).
    BadAddress,      // not HOST:PORT
    Unresolved,      // the host name does not resolve; the error is the resolver's code
    Refused,         // nobody listens there
    ConnectTimeOut,  // no answer within the connect time-out; the error is that time in ms
    SettingRefused,  // the server answered a line setting with another value; the error is the COM-PORT command
    ServerClosed,    // the server closed the connection while it was being set up
};
// The group that owns the device file (empty when it cannot be told).
std::string PortOwnerGroup(const std::string& path);
// Russian text for the failure of COMn at path; Permission names the group owning the device, a
// network failure the address and the reason.
QString PortOpenFailureText(uint8_t nCOM, const std::string& path, TPortOpenFailure f, int err);
// Russian text for a port whose other end went away: for a network port the address and the
// server's closing, for a local one the unplugged device.
QString PortLostText(uint8_t nCOM, const std::string& path);

// One serial port: blocking byte transfer with a per-byte read time-out and a sticky error code.
// Not thread-safe: the owner makes sure only one thread uses it at a time.
class TCOMPort {
public:
    TCOMPort(uint8_t nCOM, uint32_t rate, TComDataBits bits, TComParity parity, TComStopBits stopBits,
             uint16_t timeOut);
    TCOMPort(uint8_t nCOM, const std::string& params, uint16_t timeOut);
    virtual ~TCOMPort();
    TCOMPort(const TCOMPort&) = delete;
    TCOMPort& operator=(const TCOMPort&) = delete;

    // Whether the port exists and nobody else holds it.
    static bool AccessCOM(uint8_t nCOM);
    // Appends "COMn" for every serial port of the host (1..127, ascending); leaves the list alone
    // when there is none.
    static void COMPortsList(QStringList& ports);
    // Same rule over a given list of host device names (testable without hardware).
    static void COMPortsList(QStringList& ports, const std::vector<std::string>& hostDevicePaths);
    // Serial device paths of the host that have a driver (from /sys/class/tty), plus aliases.
    static std::vector<std::string> HostSerialDevices();

    void TxData(const void* buffer, uint32_t n);
    void RxData(void* buffer, uint32_t n, uint32_t& nDone);
    void PutUART(uint8_t b);
    void PutUART(char c) { PutUART(uint8_t(c)); }
    void PutUART(const std::string& s);
    uint8_t GetUART();

    void PurgeCOM();
    // Reads and drops whatever arrives until nothing has come for quietMs, giving up after limitMs
    // of continuous traffic. True when the line went quiet; heard tells whether anything came.
    bool WaitQuiet(int quietMs, int limitMs, bool* heard = nullptr);
    bool InQue();
    void ClearErrors();
    void WaitTX();
    void WaitRX();

    TError Error() const { return FError; }
    // Why the port did not open, and the system's error number of it.
    TPortOpenFailure OpenFailure() const { return FOpenFailure; }
    int OpenErrno() const { return FOpenErrno; }
    uint8_t PortNumber() const { return nCOM; }
    bool IsOpen() const;
    // True once the other end has gone away (device unplugged, pty closed); a time-out is not a hang-up.
    bool HungUp() const { return FHungUp.load(); }
    // A tcp:// or rfc2217:// port rather than a local device.
    bool IsNetwork() const { return FNetKind != nkLocal; }
    // Round trip of a network connection measured when it opened (0 for a local port). Every read
    // waits this much longer than the time-out alone, so a distant bus answers in time.
    uint32_t RoundTripMs() const { return FRoundTripMs; }
    // How long connecting to a network port, and its line set-up, may take (ms; process-wide).
    static void SetNetTimeOut(int ms);
    static int NetTimeOut();

    uint32_t Rate() const { return FRate; }
    void SetRate(uint32_t rate);
    bool RTSHandshake() const { return FRTSHandshake; }
    void SetRTSHandshake(bool on);
    uint16_t TimeOut() const { return FTimeOut; }
    void SetTimeOut(uint16_t ms);
    bool RTS() const { return FRTS; }
    void SetRTS(bool on);
    bool DTR() const { return FDTR; }
    void SetDTR(bool on);

    uint32_t ModemStatus() const;
    bool CTS() const { return ModemStatus() & 0x10; }
    bool DSR() const { return ModemStatus() & 0x20; }
    bool RING() const { return ModemStatus() & 0x40; }

protected:
    void SetError(TError e) { FError = e; }

private:
    TCOMPort(uint8_t nCOM, const TComSettings& settings, uint16_t timeOut);
    void Open(TComDataBits bits, TComParity parity, TComStopBits stopBits);
    // Reads what the driver holds into FAhead, waiting up to waitMs (negative: no limit) for the
    // first byte. False on time-out or hang-up.
    bool FillReadAhead(int64_t waitMs);
    enum TChunk : uint8_t { chGot, chTimeOut, chGone };
    // One read of what the port holds into FAhead (line data only: Telnet is taken out on the way),
    // waiting up to waitMs (negative: no limit).
    TChunk ReadChunk(int64_t waitMs);
    void WriteRaw(const uint8_t* p, size_t n);
    void OpenNetwork(const std::string& name, TComDataBits bits, TComParity parity, TComStopBits stopBits);
    // Sends one COM-PORT-OPTION command; with check, waits for the server's answer and compares it
    // with what was asked. False when the server answered another value or not in time.
    bool SendComPort(uint8_t cmd, std::vector<uint8_t> value, bool check);
    bool AwaitComPortAnswers(std::vector<uint8_t>& codes, std::vector<telnet::TComPortAnswer>& got, int timeOutMs);

    int hCOM = -1;
    uint8_t nCOM = 0;
    uint32_t FRate = 0;
    bool FRTSHandshake = false;
    uint16_t FTimeOut = 0;
    bool FRTS = false;
    bool FDTR = false;
    TError FError = errNoError;
    TPortOpenFailure FOpenFailure = TPortOpenFailure::None;
    int FOpenErrno = 0;
    // Set by the exchanging thread, read by the window's connection state and reopen check.
    std::atomic<bool> FHungUp{false};
    // Bytes read from the driver ahead of GetUART; PurgeCOM discards them too.
    std::vector<uint8_t> FAhead;
    size_t FAheadPos = 0;
    enum TNetKind : uint8_t { nkLocal, nkTcp, nkRfc2217 };
    TNetKind FNetKind = nkLocal;
    uint32_t FRoundTripMs = 0;
    std::unique_ptr<telnet::TTelnetDecoder> FTelnet;
    // COM-PORT answers read while waiting for data; those not waited for are dropped at the next wait.
    std::vector<telnet::TComPortAnswer> FAnswers;
    uint8_t FModemState = 0;
    // Modem lines are left as the server set them until the program asks for one: a server in front
    // of a device without modem lines (a pty) drops the connection on such a command.
    bool FLinesSent = false;
};

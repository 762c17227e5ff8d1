#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "link/frametrace.h"

// Frames the monitor keeps: hours of presence polling make millions, the list keeps the newest.
constexpr size_t kMonitorCapacity = 100000;

// One frame as the monitor lists it. Frame.Seconds is the time of day (it keeps growing past
// midnight, so differences stay right) for frames seen live, or the trace's own seconds for a
// file; Frame.Outcome is the attempt's outcome on the request as well as on its answer.
struct TMonitorRecord {
    TTraceRecord Frame;
    double RoundTripMs = -1;  // answers whose request is known
    double SincePrevMs = -1;  // from the frame before it; none for the first
};

// What the list shows: everything by default.
struct TMonitorFilter {
    std::optional<uint16_t> Addr;
    std::optional<uint8_t> Cmd;
    uint8_t Outcomes = 0x1F;  // bit k: TFrameOutcome value k

    static uint8_t Bit(TFrameOutcome o) { return uint8_t(1u << unsigned(o)); }
    bool Matches(const TMonitorRecord& r) const;
};

// The frames of the links, handed from the threads that run them to the one that lists them.
// Push costs a lock and a copy while enabled and nothing else while disabled, so a transfer
// keeps its speed with the monitor open; the queue is bounded (the oldest go) in case nobody
// takes them for a while.
class TFrameFeed {
public:
    explicit TFrameFeed(size_t maxPending = kMonitorCapacity / 2);

    void SetEnabled(bool on) { FEnabled.store(on, std::memory_order_relaxed); }
    bool Enabled() const { return FEnabled.load(std::memory_order_relaxed); }
    // Any thread.
    void Push(const TFrameEvent& e, const std::string& port);
    // The frames since the last call, oldest first, two records an attempt. dropped: attempts the
    // bound threw away since the last call.
    std::vector<TMonitorRecord> Take(uint64_t* dropped = nullptr);

private:
    struct TPending {
        TFrameEvent Event;
        std::string Port;
    };
    std::atomic<bool> FEnabled{false};
    const size_t FMaxPending;
    std::mutex FLock;
    std::deque<TPending> FQueue;
    uint64_t FDropped = 0;
    // Steady-clock instants are turned into the time of day through one pair taken at start.
    std::chrono::steady_clock::time_point FSteadyBase;
    double FDayBase = 0;
};

// The newest frames in a ring of fixed size, and the rows of it the filter lets through. Adding
// is split so a list model can announce rows leaving at the top before they go and rows arriving
// at the bottom: RowsLeavingFor, Evict, Matching, Push; Append does it all at once.
class TMonitorLog {
public:
    explicit TMonitorLog(size_t capacity = kMonitorCapacity);

    size_t Capacity() const { return FRing.size(); }
    size_t Total() const { return FSize; }         // frames kept
    size_t Count() const { return FView.size(); }  // of them, rows shown
    const TMonitorRecord& Row(size_t i) const;
    const TMonitorFilter& Filter() const { return FFilter; }

    // Rows shown now that go when `incoming` frames come (never more than Count()).
    size_t RowsLeavingFor(size_t incoming) const;
    // Makes room for `incoming` frames (at most the capacity).
    void Evict(size_t incoming);
    size_t Matching(const std::vector<TMonitorRecord>& batch) const;
    // The batch must fit: Evict first. Fills in SincePrevMs.
    void Push(std::vector<TMonitorRecord> batch);
    // A batch longer than the ring keeps its newest part.
    void Append(std::vector<TMonitorRecord> batch);

    void Clear();
    void SetFilter(const TMonitorFilter& filter);

private:
    size_t slot(uint64_t seq) const { return size_t((FHead + (seq - FFirstSeq)) % FRing.size()); }

    std::vector<TMonitorRecord> FRing;
    size_t FHead = 0;  // slot of the oldest frame
    size_t FSize = 0;
    uint64_t FFirstSeq = 0;  // number of the oldest frame; numbers never repeat
    std::deque<uint64_t> FView;
    TMonitorFilter FFilter;
    std::optional<double> FLastSeconds;
};

// Texts of a row, in the columns of the list.
enum TMonitorColumn { mcTime, mcSincePrev, mcDirection, mcAddr, mcCommand, mcPayload, mcOutcome, mcRoundTrip, mcCount };
QString MonitorTimeText(double secondsOfDay);  // hh:mm:ss.mmm
QString MonitorOutcomeText(TFrameOutcome outcome);
QString MonitorCell(const TMonitorRecord& r, int column);
QStringList MonitorHeaders();
// Rows as tab-separated lines under a header line, for the clipboard.
QString MonitorRowsText(const TMonitorLog& log, const std::vector<size_t>& rows);

// "" → any; decimal, or hexadecimal after "$" or "0x"; nullopt with ok false for anything else
// or a number above max.
std::optional<uint32_t> MonitorNumberField(const QString& text, uint32_t max, bool& ok);

// The rows shown, as the trace file the command line writes, times counted from the first row.
bool SaveMonitorTrace(const TMonitorLog& log, const std::string& path, std::string& error);
// Reads a trace file into the log (cleared first): a file longer than the ring keeps its newest
// frames. false with the line's number and reason at the first line that is not a trace line.
bool LoadMonitorTrace(const std::string& path, TMonitorLog& log, std::string& error);

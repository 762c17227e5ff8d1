#include "link/framemonitor.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>

#include <QTime>

#include "base/messages.h"
#include "base/numbertext.h"
#include "link/commandnames.h"

bool TMonitorFilter::Matches(const TMonitorRecord& r) const
{
    return (!Addr || *Addr == r.Frame.Addr) && (!Cmd || *Cmd == r.Frame.Cmd) && (Outcomes & Bit(r.Frame.Outcome));
}

TFrameFeed::TFrameFeed(size_t maxPending)
    : FMaxPending(std::max<size_t>(maxPending, 1)),
      FSteadyBase(std::chrono::steady_clock::now()),
      FDayBase(QTime::currentTime().msecsSinceStartOfDay() / 1000.0)
{
}

void TFrameFeed::Push(const TFrameEvent& e, const std::string& port)
{
    if (!Enabled())
        return;
    TPending p{e, port};
    std::lock_guard lock(FLock);
    if (FQueue.size() >= FMaxPending) {
        FQueue.pop_front();
        ++FDropped;
    }
    FQueue.push_back(std::move(p));
}

std::vector<TMonitorRecord> TFrameFeed::Take(uint64_t* dropped)
{
    std::deque<TPending> taken;
    {
        std::lock_guard lock(FLock);
        taken.swap(FQueue);
        if (dropped)
            *dropped = FDropped;
        FDropped = 0;
    }
    auto day = [this](std::chrono::steady_clock::time_point t) {
        return FDayBase + std::chrono::duration<double>(t - FSteadyBase).count();
    };
    std::vector<TMonitorRecord> out;
    out.reserve(taken.size() * 2);
    for (TPending& p : taken) {
        TMonitorRecord req;
        req.Frame.Seconds = day(p.Event.Sent);
        req.Frame.Port = p.Port;
        req.Frame.Request = true;
        req.Frame.Addr = p.Event.Addr;
        req.Frame.Cmd = p.Event.Cmd;
        req.Frame.Outcome = p.Event.Outcome;
        req.Frame.Bytes = std::move(p.Event.Payload);
        TMonitorRecord ans;
        ans.Frame = req.Frame;
        ans.Frame.Request = false;
        ans.Frame.Seconds = day(p.Event.Done);
        ans.Frame.Bytes = std::move(p.Event.Answer);
        ans.RoundTripMs = std::chrono::duration<double, std::milli>(p.Event.Done - p.Event.Sent).count();
        out.push_back(std::move(req));
        out.push_back(std::move(ans));
    }
    return out;
}

TMonitorLog::TMonitorLog(size_t capacity) : FRing(std::max<size_t>(capacity, 1)) {}

const TMonitorRecord& TMonitorLog::Row(size_t i) const
{
    return FRing[slot(FView.at(i))];
}

size_t TMonitorLog::RowsLeavingFor(size_t incoming) const
{
    const size_t over = FSize + std::min(incoming, Capacity());
    if (over <= Capacity())
        return 0;
    // The frames that go are the oldest ones; count those the view shows.
    const uint64_t firstKept = FFirstSeq + (over - Capacity());
    return size_t(std::lower_bound(FView.begin(), FView.end(), firstKept) - FView.begin());
}

void TMonitorLog::Evict(size_t incoming)
{
    const size_t total = FSize + std::min(incoming, Capacity());
    if (total <= Capacity())
        return;
    const size_t gone = total - Capacity();
    for (size_t i = 0; i < gone; ++i)
        FRing[(FHead + i) % Capacity()] = TMonitorRecord{};  // frees the payload now
    FHead = (FHead + gone) % Capacity();
    FFirstSeq += gone;
    FSize -= gone;
    while (!FView.empty() && FView.front() < FFirstSeq)
        FView.pop_front();
}

size_t TMonitorLog::Matching(const std::vector<TMonitorRecord>& batch) const
{
    return size_t(std::count_if(batch.begin(), batch.end(), [this](const auto& r) { return FFilter.Matches(r); }));
}

void TMonitorLog::Push(std::vector<TMonitorRecord> batch)
{
    for (TMonitorRecord& r : batch) {
        if (FSize == Capacity())
            Evict(1);  // only when the caller did not make room
        if (FLastSeconds)
            r.SincePrevMs = (r.Frame.Seconds - *FLastSeconds) * 1000.0;
        FLastSeconds = r.Frame.Seconds;
        const uint64_t seq = FFirstSeq + FSize;
        ++FSize;
        if (FFilter.Matches(r))
            FView.push_back(seq);
        FRing[slot(seq)] = std::move(r);
    }
}

void TMonitorLog::Append(std::vector<TMonitorRecord> batch)
{
    if (batch.size() > Capacity()) {
        // The frames that never fit still set the time the next one follows.
        const auto cut = batch.end() - std::ptrdiff_t(Capacity());
        FLastSeconds = (cut - 1)->Frame.Seconds;
        batch.erase(batch.begin(), cut);
    }
    Evict(batch.size());
    Push(std::move(batch));
}

void TMonitorLog::Clear()
{
    for (size_t i = 0; i < FSize; ++i)
        FRing[(FHead + i) % Capacity()] = TMonitorRecord{};
    FFirstSeq += FSize;
    FHead = 0;
    FSize = 0;
    FView.clear();
    FLastSeconds.reset();
}

void TMonitorLog::SetFilter(const TMonitorFilter& filter)
{
    FFilter = filter;
    FView.clear();
    for (size_t i = 0; i < FSize; ++i)
        if (FFilter.Matches(FRing[(FHead + i) % Capacity()]))
            FView.push_back(FFirstSeq + i);
}

QString MonitorTimeText(double secondsOfDay)
{
    const auto ms = int64_t(std::floor(secondsOfDay * 1000.0 + 1e-6));
    const int64_t day = ((ms % 86400000) + 86400000) % 86400000;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(day / 3600000, 2, 10, QLatin1Char('0'))
        .arg(day / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(day / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(day % 1000, 3, 10, QLatin1Char('0'));
}

QString MonitorOutcomeText(TFrameOutcome outcome)
{
    switch (outcome) {
    case TFrameOutcome::Accepted: return Msg::MonitorAccepted;
    case TFrameOutcome::Refused: return Msg::MonitorRefused;
    case TFrameOutcome::BadFrame: return Msg::MonitorBadFrame;
    case TFrameOutcome::NoAnswer: return Msg::MonitorNoAnswer;
    case TFrameOutcome::HungUp: return Msg::MonitorHungUp;
    }
    return {};
}

QString MonitorCell(const TMonitorRecord& r, int column)
{
    const TTraceRecord& f = r.Frame;
    switch (column) {
    case mcTime: return MonitorTimeText(f.Seconds);
    case mcSincePrev: return r.SincePrevMs < 0 ? QString() : QString::number(r.SincePrevMs, 'f', 1);
    case mcDirection: return f.Request ? Msg::MonitorRequest : Msg::MonitorAnswer;
    case mcAddr: return QString::number(f.Addr);
    case mcCommand: {
        const QString name = CommandName(f.Cmd);
        return name.isEmpty() ? QString::number(f.Cmd) : QString::number(f.Cmd) + QLatin1Char(' ') + name;
    }
    case mcPayload: {
        static const char kHex[] = "0123456789ABCDEF";
        QString out;
        out.reserve(int(f.Bytes.size()) * 3);
        for (uint8_t b : f.Bytes) {
            if (!out.isEmpty())
                out += QLatin1Char(' ');
            out += QLatin1Char(kHex[b >> 4]);
            out += QLatin1Char(kHex[b & 15]);
        }
        return out;
    }
    case mcOutcome: return f.Request ? QString() : MonitorOutcomeText(f.Outcome);
    case mcRoundTrip: return r.RoundTripMs < 0 ? QString() : QString::number(r.RoundTripMs, 'f', 1);
    default: return {};
    }
}

QStringList MonitorHeaders()
{
    return {Msg::MonitorColTime,    Msg::MonitorColSincePrev, Msg::MonitorColDirection, Msg::MonitorColAddr,
            Msg::MonitorColCommand, Msg::MonitorColPayload,   Msg::MonitorColOutcome,   Msg::MonitorColRoundTrip};
}

QString MonitorRowsText(const TMonitorLog& log, const std::vector<size_t>& rows)
{
    QString out = MonitorHeaders().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (size_t row : rows) {
        QStringList cells;
        for (int c = 0; c < mcCount; ++c)
            cells << MonitorCell(log.Row(row), c);
        out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return out;
}

std::optional<uint32_t> MonitorNumberField(const QString& text, uint32_t max, bool& ok)
{
    ok = true;
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const int64_t v = PanelInt(text.trimmed(), -1);
    if (v < 0 || v > int64_t(max)) {
        ok = false;
        return std::nullopt;
    }
    return uint32_t(v);
}

bool SaveMonitorTrace(const TMonitorLog& log, const std::string& path, std::string& error)
{
    TTraceWriter writer;
    if (!writer.Open(path, error))
        return false;
    const double origin = log.Count() ? log.Row(0).Frame.Seconds : 0;
    for (size_t i = 0; i < log.Count(); ++i) {
        TTraceRecord r = log.Row(i).Frame;
        r.Seconds -= origin;
        writer.Write(r);
    }
    return writer.Close(error);
}

bool LoadMonitorTrace(const std::string& path, TMonitorLog& log, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    log.Clear();
    std::vector<TMonitorRecord> batch;
    TMonitorRecord request;  // waits for its answer, which sets its outcome
    bool held = false;
    auto flushRequest = [&] {
        if (held)
            batch.push_back(std::move(request));
        held = false;
    };
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        std::string why;
        std::optional<TTraceRecord> r = ParseTraceLine(line, why);
        if (!r) {
            if (!why.empty()) {
                error = "line " + std::to_string(number) + ": " + why;
                return false;
            }
            continue;
        }
        TMonitorRecord m;
        m.Frame = std::move(*r);
        if (m.Frame.Request) {
            flushRequest();
            // Until an answer says otherwise, a request stands unanswered.
            m.Frame.Outcome = TFrameOutcome::NoAnswer;
            request = std::move(m);
            held = true;
        } else {
            if (held && request.Frame.Port == m.Frame.Port && request.Frame.Addr == m.Frame.Addr &&
                request.Frame.Cmd == m.Frame.Cmd) {
                request.Frame.Outcome = m.Frame.Outcome;
                m.RoundTripMs = (m.Frame.Seconds - request.Frame.Seconds) * 1000.0;
            }
            flushRequest();
            batch.push_back(std::move(m));
        }
        if (batch.size() >= 8192) {
            log.Append(std::move(batch));
            batch.clear();
        }
    }
    if (in.bad()) {
        error = std::strerror(errno);
        return false;
    }
    flushRequest();
    log.Append(std::move(batch));
    return true;
}

#include "link/frametrace.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

const std::pair<TFrameOutcome, const char*> kOutcomes[] = {{TFrameOutcome::Accepted, "ok"},
                                                           {TFrameOutcome::Refused, "refused"},
                                                           {TFrameOutcome::BadFrame, "bad-frame"},
                                                           {TFrameOutcome::NoAnswer, "no-answer"},
                                                           {TFrameOutcome::HungUp, "hung-up"}};

void appendBytes(std::string& out, const std::vector<uint8_t>& bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    for (uint8_t b : bytes) {
        out += ' ';
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
}

double seconds(std::chrono::steady_clock::time_point t, std::chrono::steady_clock::time_point origin)
{
    return std::chrono::duration<double>(t - origin).count();
}

}  // namespace

const char* TraceOutcomeName(TFrameOutcome outcome)
{
    for (const auto& [o, name] : kOutcomes)
        if (o == outcome)
            return name;
    return "?";
}

std::string FormatTraceLine(const TTraceRecord& r)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", r.Seconds);
    std::string out = buf;
    out += " " + r.Port + (r.Request ? " > " : " < ") + std::to_string(r.Addr) + " " + std::to_string(r.Cmd);
    if (!r.Request)
        out += std::string(" ") + TraceOutcomeName(r.Outcome);
    appendBytes(out, r.Bytes);
    return out + "\n";
}

std::string FormatTraceLines(const TFrameEvent& e, const std::string& port,
                             std::chrono::steady_clock::time_point origin)
{
    TTraceRecord r;
    r.Port = port;
    r.Addr = e.Addr;
    r.Cmd = e.Cmd;
    r.Outcome = e.Outcome;
    r.Seconds = seconds(e.Sent, origin);
    r.Bytes = e.Payload;
    std::string out = FormatTraceLine(r);
    r.Request = false;
    r.Seconds = seconds(e.Done, origin);
    r.Bytes = e.Answer;
    return out + FormatTraceLine(r);
}

std::optional<TTraceRecord> ParseTraceLine(const std::string& line, std::string& error)
{
    error.clear();
    const size_t first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || line[first] == '#')
        return std::nullopt;
    std::istringstream in(line);
    TTraceRecord r;
    std::string dir;
    unsigned addr = 0, cmd = 0;
    if (!(in >> r.Seconds >> r.Port >> dir >> addr >> cmd) || (dir != ">" && dir != "<") || addr > 0x7FFF ||
        cmd > 255) {
        error = "not a trace line: " + line;
        return std::nullopt;
    }
    r.Request = dir == ">";
    r.Addr = uint16_t(addr);
    r.Cmd = uint8_t(cmd);
    std::string word;
    if (!r.Request) {
        in >> word;
        bool known = false;
        for (const auto& [o, name] : kOutcomes)
            if (word == name) {
                r.Outcome = o;
                known = true;
            }
        if (!known) {
            error = "unknown outcome \"" + word + "\": " + line;
            return std::nullopt;
        }
    }
    while (in >> word) {
        unsigned v = 0;
        char* end = nullptr;
        v = unsigned(std::strtoul(word.c_str(), &end, 16));
        if (word.size() > 2 || *end || v > 255) {
            error = "\"" + word + "\" is not a byte: " + line;
            return std::nullopt;
        }
        r.Bytes.push_back(uint8_t(v));
    }
    return r;
}

TTraceWriter::~TTraceWriter()
{
    std::string ignored;
    Close(ignored);
}

bool TTraceWriter::Open(const std::string& path, std::string& error)
{
    FFile = std::fopen(path.c_str(), "w");
    if (!FFile) {
        error = std::strerror(errno);
        return false;
    }
    FOrigin = std::chrono::steady_clock::now();
    std::fputs("# time/s port > addr cmd payload | < addr cmd outcome answer\n", FFile);
    return true;
}

void TTraceWriter::Write(const TFrameEvent& e, const std::string& port)
{
    put(FormatTraceLines(e, port, FOrigin));
}

void TTraceWriter::Write(const TTraceRecord& r)
{
    put(FormatTraceLine(r));
}

void TTraceWriter::put(const std::string& text)
{
    std::lock_guard lock(FLock);
    if (FFile && std::fputs(text.c_str(), FFile) < 0 && !FErrno)
        FErrno = errno ? errno : EIO;
}

bool TTraceWriter::Close(std::string& error)
{
    std::lock_guard lock(FLock);
    if (!FFile)
        return true;
    if (std::fflush(FFile) != 0 && !FErrno)
        FErrno = errno;
#ifndef _WIN32
    if (::fsync(fileno(FFile)) != 0 && !FErrno)
        FErrno = errno;
#endif
    if (std::fclose(FFile) != 0 && !FErrno)
        FErrno = errno;
    FFile = nullptr;
    if (FErrno) {
        error = std::strerror(FErrno);
        return false;
    }
    return true;
}

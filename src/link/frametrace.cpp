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

std::string stamp(std::chrono::steady_clock::time_point t, std::chrono::steady_clock::time_point origin)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", std::chrono::duration<double>(t - origin).count());
    return buf;
}

}  // namespace

const char* TraceOutcomeName(TFrameOutcome outcome)
{
    for (const auto& [o, name] : kOutcomes)
        if (o == outcome)
            return name;
    return "?";
}

std::string FormatTraceLines(const TFrameEvent& e, const std::string& port,
                             std::chrono::steady_clock::time_point origin)
{
    const std::string head = " " + port + " ";
    const std::string frame = std::to_string(e.Addr) + " " + std::to_string(e.Cmd);
    std::string out = stamp(e.Sent, origin) + head + "> " + frame;
    appendBytes(out, e.Payload);
    out += "\n" + stamp(e.Done, origin) + head + "< " + frame + " " + TraceOutcomeName(e.Outcome);
    appendBytes(out, e.Answer);
    return out + "\n";
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
    const std::string text = FormatTraceLines(e, port, FOrigin);
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

#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/zeva16.h"

// A trace is a text file a person can read, one frame a line:
//   0.012345 COM97 > 5 113               request: seconds since the trace began, port, address,
//   0.015873 COM97 < 5 113 ok 01 0A ..   command, payload bytes in hexadecimal;
//   0.136020 COM97 < 5 4 no-answer       answer: when it ended, outcome, accepted payload.
// Lines starting with '#' are comments. Outcomes: ok, refused, bad-frame, no-answer, hung-up.
struct TTraceRecord {
    double Seconds = 0;
    std::string Port;
    bool Request = true;
    uint16_t Addr = 0;
    uint8_t Cmd = 0;
    TFrameOutcome Outcome = TFrameOutcome::Accepted;  // answers only
    std::vector<uint8_t> Bytes;                       // payload of the request or of the answer
};

const char* TraceOutcomeName(TFrameOutcome outcome);
// One line, with its newline; the outcome only on an answer.
std::string FormatTraceLine(const TTraceRecord& r);
// The two lines of one attempt.
std::string FormatTraceLines(const TFrameEvent& e, const std::string& port,
                             std::chrono::steady_clock::time_point origin);
// One line; nothing for a comment or an empty line, or a reason in error when it is not a trace line.
std::optional<TTraceRecord> ParseTraceLine(const std::string& line, std::string& error);

// Writes the frames of any number of links (each on its own thread) into one file.
class TTraceWriter {
public:
    TTraceWriter() = default;
    ~TTraceWriter();
    TTraceWriter(const TTraceWriter&) = delete;
    TTraceWriter& operator=(const TTraceWriter&) = delete;

    // Creates or truncates the file; false with the system's reason.
    bool Open(const std::string& path, std::string& error);
    void Write(const TFrameEvent& e, const std::string& port);
    // A line as it was recorded (Seconds as it stands), for saving frames kept elsewhere.
    void Write(const TTraceRecord& r);
    // Flushes and syncs; false with the reason when any line failed to reach the disk.
    bool Close(std::string& error);

private:
    void put(const std::string& text);

    std::mutex FLock;
    std::FILE* FFile = nullptr;
    int FErrno = 0;
    std::chrono::steady_clock::time_point FOrigin;
};

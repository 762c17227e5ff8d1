#pragma once
#include <cstdint>
#include <vector>

#include <QString>

// Parsing and log lines of the raw command console, shared by the GUI tab and zevanta-cli.
namespace console {

struct ParsedCommand {
    uint8_t cmd = 0;
    QString text;  // the field rewritten: two upper-case hex digits
};
struct ParsedData {
    std::vector<uint8_t> bytes;
    QString text;  // the field rewritten: bytes as hex digits without separators
};

// Hexadecimal command; invalid or empty text gives 0, only the low byte counts.
ParsedCommand ParseCommand(const QString& text);
// Blanks removed, then pairs of hex digits; an invalid pair gives 0, an odd last digit is dropped.
ParsedData ParseData(const QString& text);

QString HexBytes(const uint8_t* data, size_t n);  // each byte preceded by one blank
QString RequestLine(uint8_t cmd, const std::vector<uint8_t>& payload);
QString AnswerLine(bool accepted, const uint8_t* payload, size_t n);

}  // namespace console

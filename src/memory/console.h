#pragma once
#include <cstdint>
#include <optional>
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

// Typed input is taken as written or not at all: a misread byte would go to the device as a
// command (0 is a reset). Nothing is returned for anything the rules do not accept.

// The command: one or two hexadecimal digits, blanks around them allowed.
std::optional<ParsedCommand> ParseCommand(const QString& text);
// The payload: blanks removed, then an even number of hexadecimal digits taken in pairs; an
// empty field is an empty payload.
std::optional<ParsedData> ParseData(const QString& text);
// One byte of the command line: one or two hexadecimal digits ("5" is 05).
std::optional<uint8_t> ParseByte(const QString& token);

QString HexBytes(const uint8_t* data, size_t n);  // each byte preceded by one blank
QString RequestLine(uint8_t cmd, const std::vector<uint8_t>& payload);
QString AnswerLine(bool accepted, const uint8_t* payload, size_t n);

}  // namespace console

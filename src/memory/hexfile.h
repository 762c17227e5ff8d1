#pragma once
#include <cstdint>
#include <vector>

#include <QString>

// One named text parameter of a HEX file, kept on a ";name=value" line in front of the data.
struct THEXParam {
    QString Name;  // compared exactly (case-sensitive)
    QString Value;
};

struct THEXListParams {
    std::vector<THEXParam> Items;  // in order of first appearance

    void Add(const QString& name, const QString& value) { Items.push_back({name, value}); }
    int Count() const { return int(Items.size()); }
    bool IsExist(const QString& name) const { return FindByName(name) != nullptr; }
    THEXParam* FindByName(const QString& name);
    const THEXParam* FindByName(const QString& name) const;
};

// Codes of THEXFile::Error.
enum THEXError : uint8_t {
    hexNoError = 0,
    hexOpenError = 1,       // file cannot be opened or read
    hexCreateError = 2,     // file cannot be created or fully written
    hexBadChar = 3,         // bad line or non-hexadecimal field, at ErrorLine
    hexBadChecksum = 4,     // record checksum mismatch, at ErrorLine
    hexUnexpectedEnd = 5,   // no end record
};

// Intel HEX reader and writer of one address window BegAddr..EndAddr (both inclusive).
// Buffer[i] holds address BegAddr + i. No device I/O and no windows: failures are reported
// through Error/ErrorLine and ErrorStr() for the caller's message box.
class THEXFile {
public:
    // The buffer gets EndAddr - BegAddr + 1 bytes of 0xFF (empty when EndAddr < BegAddr).
    THEXFile(uint32_t begAddr, uint32_t endAddr);

    uint32_t BegAddr() const { return FBegAddr; }
    uint32_t EndAddr() const { return FEndAddr; }
    // Changing either bound resizes Buffer; bytes at the low indices keep their values.
    void SetBegAddr(uint32_t value);
    void SetEndAddr(uint32_t value);

    // Loads the file into Buffer and Params (parameters are merged into the list).
    // Buffer and Params change only when the whole file has been read without error.
    bool Read(const QString& fileName);
    // Writes Params, then every 16-byte line of Buffer that is not all 0xFF (a tail shorter than
    // 16 bytes as a shorter record), then the end record.
    // The file is replaced atomically: a failed write leaves an existing file as it was.
    bool Write(const QString& fileName);

    QString ErrorStr() const;

    uint8_t ReadByte(uint32_t addr) const;
    void WriteByte(uint32_t addr, uint8_t b);

    std::vector<uint8_t> Buffer;
    uint8_t Error = hexNoError;
    uint32_t ErrorLine = 0;  // line (from 1) of codes 3 and 4
    THEXListParams Params;

private:
    void resize();

    uint32_t FBegAddr;
    uint32_t FEndAddr;
};

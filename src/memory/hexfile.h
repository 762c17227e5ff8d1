#pragma once
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
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
    hexOpenError = 1,      // file cannot be opened or read; the reason in SysReason
    hexCreateError = 2,    // file cannot be created or fully written; the reason in SysReason
    hexBadChar = 3,        // a line that is neither a parameter nor a whole record we know, at ErrorLine
    hexBadChecksum = 4,    // record checksum mismatch (any record type), at ErrorLine
    hexUnexpectedEnd = 5,  // no end record
    hexOutside = 6,        // data outside BegAddr..EndAddr; the file's range is DataFirst..DataLast
    hexNoData = 7,         // not one data byte in the file
    hexAmbiguous = 8,      // a byte at ErrorAddr was already given by an earlier record, at ErrorLine
    hexAfterEnd = 9,       // a record after the empty record of EndLine, at ErrorLine
};

// Intel HEX reader and writer of one address window BegAddr..EndAddr (both inclusive).
// Buffer[i] holds address BegAddr + i. No device I/O and no windows: failures are reported
// through Error/ErrorLine and ErrorStr() for the caller's message box.
//
// A window that ends below 64 KiB is addressed as the bootloader addresses it, by 16 bits: the
// upper address bits of extended records are dropped, so firmware linked at 0x08000000 loads at
// its offset. Above 64 KiB they are kept. Reading refuses rather than guesses: data outside the
// window, a file without data, a damaged record of any type, a byte given twice and records
// after the end are errors.
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
    // Buffer and Params change only when the whole file has been read without error; then
    // DataFirst..DataLast is the range the file's data covers.
    bool Read(const QString& fileName);
    // Read on text already in memory (no file error codes then).
    bool Parse(QByteArrayView text);
    // Writes Params, then every 16-byte line of Buffer that is not all 0xFF (a tail shorter than
    // 16 bytes as a shorter record), then the end record.
    // The file is replaced atomically: a failed write leaves an existing file as it was.
    bool Write(const QString& fileName);
    // The text Write puts into the file.
    QByteArray Format() const;

    QString ErrorStr() const;

    uint8_t ReadByte(uint32_t addr) const;
    void WriteByte(uint32_t addr, uint8_t b);

    std::vector<uint8_t> Buffer;
    uint8_t Error = hexNoError;
    uint32_t ErrorLine = 0;  // line (from 1) of codes 3, 4, 8 and 9
    uint32_t EndLine = 0;    // line of the empty record, for code 9
    uint32_t ErrorAddr = 0;  // address of code 8
    uint64_t DataFirst = 0;  // lowest and highest address the file's data lands on
    uint64_t DataLast = 0;
    QString SysReason;  // the system's reason for codes 1 and 2
    THEXListParams Params;

    // True when the window is addressed by 16 bits (see above).
    bool Addressed16() const { return FEndAddr <= 0xFFFF; }

private:
    void resize();

    uint32_t FBegAddr;
    uint32_t FEndAddr;
};

#include "memory/hexfile.h"

#include <algorithm>

#include "base/cp1251.h"
#include "base/fileio.h"
#include "base/messages.h"

namespace {

constexpr uint32_t kMaxRecordBytes = 128;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at pos of [b, e); -1 when short or not hexadecimal.
long hexField(const char* b, const char* e, size_t pos, int digits)
{
    if (size_t(e - b) < pos + size_t(digits))
        return -1;
    long v = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = hexDigit(b[pos + size_t(i)]);
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

void trim(const char*& b, const char*& e)
{
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
}

constexpr char kHexUpper[] = "0123456789ABCDEF";

void appendHex8(QByteArray& out, uint8_t v)
{
    out.append(kHexUpper[v >> 4]);
    out.append(kHexUpper[v & 0x0F]);
}

// One record ":" count address type data checksum, CR LF.
void appendRecord(QByteArray& out, uint8_t type, uint16_t addr, const uint8_t* data, uint8_t count)
{
    uint8_t sum = uint8_t(count + (addr >> 8) + (addr & 0xFF) + type);
    out.append(':');
    appendHex8(out, count);
    appendHex8(out, uint8_t(addr >> 8));
    appendHex8(out, uint8_t(addr & 0xFF));
    appendHex8(out, type);
    for (uint8_t i = 0; i < count; ++i) {
        appendHex8(out, data[i]);
        sum = uint8_t(sum + data[i]);
    }
    appendHex8(out, uint8_t(0x100 - sum));
    out.append("\r\n", 2);
}

}  // namespace

THEXParam* THEXListParams::FindByName(const QString& name)
{
    for (auto& item : Items)
        if (item.Name == name)
            return &item;
    return nullptr;
}

const THEXParam* THEXListParams::FindByName(const QString& name) const
{
    return const_cast<THEXListParams*>(this)->FindByName(name);
}

THEXFile::THEXFile(uint32_t begAddr, uint32_t endAddr) : FBegAddr(begAddr), FEndAddr(endAddr)
{
    resize();
}

void THEXFile::SetBegAddr(uint32_t value)
{
    if (value != FBegAddr) {
        FBegAddr = value;
        resize();
    }
}

void THEXFile::SetEndAddr(uint32_t value)
{
    if (value != FEndAddr) {
        FEndAddr = value;
        resize();
    }
}

void THEXFile::resize()
{
    const size_t size = FEndAddr >= FBegAddr ? size_t(FEndAddr - FBegAddr) + 1 : 0;
    Buffer.resize(size, 0xFF);
}

uint8_t THEXFile::ReadByte(uint32_t addr) const
{
    if (addr < FBegAddr || addr > FEndAddr)
        return 0;
    return Buffer[addr - FBegAddr];
}

void THEXFile::WriteByte(uint32_t addr, uint8_t b)
{
    if (addr >= FBegAddr && addr <= FEndAddr)
        Buffer[addr - FBegAddr] = b;
}

QString THEXFile::ErrorStr() const
{
    auto hex = [](uint64_t v) { return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper(); };
    switch (Error) {
    case hexOpenError: return SysReason.isEmpty() ? Msg::HexUnknownError : Msg::FileReadFailed.arg(SysReason);
    case hexCreateError: return SysReason.isEmpty() ? Msg::HexUnknownError : Msg::FileWriteFailed.arg(SysReason);
    case hexBadChar: return Msg::HexBadChar.arg(ErrorLine);
    case hexBadChecksum: return Msg::HexBadChecksum.arg(ErrorLine);
    case hexUnexpectedEnd: return Msg::HexUnexpectedEnd;
    case hexOutside: return Msg::HexOutside.arg(hex(DataFirst), hex(DataLast), hex(FBegAddr), hex(FEndAddr));
    case hexNoData: return Msg::HexNoData.arg(hex(FBegAddr), hex(FEndAddr));
    case hexAmbiguous: return Msg::HexAmbiguous.arg(ErrorLine).arg(hex(ErrorAddr));
    case hexAfterEnd: return Msg::HexAfterEnd.arg(ErrorLine).arg(EndLine);
    default: return Msg::HexUnknownError;
    }
}

bool THEXFile::Read(const QString& fileName)
{
    Error = hexNoError;
    ErrorLine = 0;
    EndLine = 0;
    ErrorAddr = 0;
    SysReason.clear();

    QByteArray whole;
    if (!fileio::ReadWholeFile(fileName, whole, SysReason)) {
        Error = hexOpenError;
        return false;
    }
    return Parse(whole);
}

bool THEXFile::Parse(QByteArrayView text)
{
    Error = hexNoError;
    ErrorLine = 0;
    EndLine = 0;
    ErrorAddr = 0;
    const char* p = text.data();
    const char* end = p + text.size();

    // Work on copies: a damaged file must leave the caller's image and parameters as they were.
    std::vector<uint8_t> image(Buffer.size(), 0xFF);
    std::vector<bool> given(Buffer.size(), false);
    THEXListParams params = Params;
    bool ended = false;
    uint32_t lineNo = 0;
    // Upper address bits from extended segment (02) and extended linear (04) records. Honouring
    // them is what keeps data above 64 KiB from folding onto the low addresses.
    uint64_t base = 0;
    const bool fold = Addressed16();
    bool anyData = false;
    bool outside = false;
    uint64_t first = UINT64_MAX;
    uint64_t last = 0;

    auto fail = [&](uint8_t code) {
        Error = code;
        ErrorLine = lineNo;
    };

    while (p < end && Error == hexNoError) {
        const char* e = p;
        while (e < end && *e != '\n' && *e != '\r')
            ++e;
        const char* b = p;
        const char* t = e;
        if (e < end && *e == '\r' && e + 1 < end && e[1] == '\n')
            ++e;
        p = e < end ? e + 1 : end;
        ++lineNo;

        trim(b, t);
        if (b == t)
            continue;  // blank line
        if (ended) {
            // Only a record counts after the end: an empty record in the middle of the data
            // would otherwise cut the firmware short without a word.
            if (*b == ':')
                fail(hexAfterEnd);
            continue;
        }

        if (*b == ';') {
            const char* eq = std::find(b + 1, t, '=');
            if (eq == t)
                continue;
            const char* nb = b + 1;
            const char* ne = eq;
            const char* vb = eq + 1;
            const char* ve = t;
            trim(nb, ne);
            trim(vb, ve);
            const QString name = Cp1251::toUnicode(QByteArrayView(nb, ne - nb));
            const QString value = Cp1251::toUnicode(QByteArrayView(vb, ve - vb));
            if (THEXParam* item = params.FindByName(name))
                item->Value = value;
            else
                params.Add(name, value);
            continue;
        }
        if (*b != ':') {
            fail(hexBadChar);
            break;
        }

        // Every field of a record is checked before it counts, whatever its type: a damaged line
        // that was skipped would leave a hole in the image that nobody is told about.
        const long count = hexField(b, t, 1, 2);
        if (count < 0 || uint32_t(count) > kMaxRecordBytes || t - b != 11 + 2 * count) {
            fail(hexBadChar);
            break;
        }
        const long addr = hexField(b, t, 3, 4);
        const long type = hexField(b, t, 7, 2);
        if (addr < 0 || type < 0) {
            fail(hexBadChar);
            break;
        }
        uint8_t data[kMaxRecordBytes];
        uint8_t sum = uint8_t(count + (addr >> 8) + (addr & 0xFF) + type);
        bool badDigit = false;
        for (long i = 0; i < count && !badDigit; ++i) {
            const long v = hexField(b, t, size_t(9 + 2 * i), 2);
            badDigit = v < 0;
            data[i] = uint8_t(v);
            sum = uint8_t(sum + v);
        }
        const long checksum = badDigit ? -1 : hexField(b, t, size_t(9 + 2 * count), 2);
        if (checksum < 0) {
            fail(hexBadChar);
            break;
        }
        if (uint8_t(0x100 - sum) != uint8_t(checksum)) {
            fail(hexBadChecksum);
            break;
        }
        if (type > 5) {
            fail(hexBadChar);
            break;
        }
        if (count == 0) {
            ended = true;  // an empty record of any type ends the data
            EndLine = lineNo;
            continue;
        }
        const bool isSegment = type == 2;
        const bool isLinear = type == 4;
        const bool isStart = type == 3 || type == 5;
        if (type == 1 || ((isSegment || isLinear) && count != 2)) {
            fail(hexBadChar);
            break;
        }
        if (isStart)
            continue;  // a start address carries nothing for the image

        const uint32_t word = uint32_t(data[0]) << 8 | data[1];
        if (isSegment) {
            base = uint64_t(word) << 4;
            continue;
        }
        if (isLinear) {
            base = uint64_t(word) << 16;
            continue;
        }

        anyData = true;
        for (long i = 0; i < count; ++i) {
            uint64_t at = base + uint64_t(addr) + uint64_t(i);
            if (fold)
                at &= 0xFFFF;
            first = std::min(first, at);
            last = std::max(last, at);
            if (at < FBegAddr || at > FEndAddr) {
                outside = true;  // reported with the file's whole range once it is known
                continue;
            }
            const size_t k = size_t(at - FBegAddr);
            if (given[k]) {
                ErrorAddr = uint32_t(at);
                fail(hexAmbiguous);
                break;
            }
            given[k] = true;
            image[k] = data[i];
        }
    }

    if (Error == hexNoError && !ended)
        Error = hexUnexpectedEnd;
    if (Error == hexNoError && !anyData)
        Error = hexNoData;
    if (Error == hexNoError && outside) {
        Error = hexOutside;
        DataFirst = first;
        DataLast = last;
    }
    if (Error != hexNoError)
        return false;
    DataFirst = first;
    DataLast = last;
    Buffer = std::move(image);
    Params = std::move(params);
    return true;
}

bool THEXFile::Write(const QString& fileName)
{
    Error = hexNoError;
    SysReason.clear();
    if (!fileio::WriteWholeFile(fileName, Format(), SysReason)) {
        Error = hexCreateError;
        return false;
    }
    return true;
}

QByteArray THEXFile::Format() const
{
    QByteArray out;
    const size_t size = Buffer.size();
    out.reserve(qsizetype(size / 16) * 45 + 64);
    for (const auto& item : Params.Items) {
        out.append(';');
        out.append(Cp1251::fromUnicode(item.Name));
        out.append('=');
        out.append(Cp1251::fromUnicode(item.Value));
        out.append("\r\n", 2);
    }

    // Addresses above 64 KiB get an extended linear address record whenever their upper half
    // changes; a window below 64 KiB is written with none.
    uint32_t upper = 0;
    auto setUpper = [&](uint32_t addr) {
        if (addr >> 16 != upper) {
            upper = addr >> 16;
            const uint8_t word[2] = {uint8_t(upper >> 8), uint8_t(upper)};
            appendRecord(out, 4, 0, word, 2);
        }
    };
    // 16-byte lines over the whole buffer; a shorter tail goes as a shorter record rather than
    // being lost. All-0xFF lines are erased memory and are left out.
    for (size_t off = 0; off < size; off += 16) {
        const uint8_t* chunk = Buffer.data() + off;
        const uint32_t n = uint32_t(std::min<size_t>(16, size - off));
        if (std::all_of(chunk, chunk + n, [](uint8_t v) { return v == 0xFF; }))
            continue;
        const uint32_t addr = FBegAddr + uint32_t(off);
        setUpper(addr);
        const uint32_t toBoundary = 0x10000 - (addr & 0xFFFF);
        if (toBoundary >= n) {
            appendRecord(out, 0, uint16_t(addr), chunk, uint8_t(n));
        } else {
            // Split a line that crosses a 64 KiB boundary so no reader has to guess about wrapping.
            appendRecord(out, 0, uint16_t(addr), chunk, uint8_t(toBoundary));
            setUpper(addr + toBoundary);
            appendRecord(out, 0, 0, chunk + toBoundary, uint8_t(n - toBoundary));
        }
    }
    out.append(":00000001FF\r\n");
    return out;
}

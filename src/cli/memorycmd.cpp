// zevanta-cli flash and extmem: program memory and external memory, read, written, compared.
#include <functional>

#include <QFile>
#include <QFileInfo>

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/devicerun.h"
#include "cli/output.h"
#include "link/commands.h"
#include "link/zeva16.h"
#include "memory/images.h"

namespace zcli {

namespace {

bool isHex(const QString& file)
{
    return file.endsWith(QStringLiteral(".hex"), Qt::CaseInsensitive);
}

// The data bytes of a HEX file the reader accepted: the lengths of its data records (the reader
// has refused a byte given twice, so none counts twice).
uint64_t hexDataBytes(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    uint64_t n = 0;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        bool ok1 = false, ok2 = false;
        if (line.size() >= 11 && line[0] == ':' && line.mid(7, 2).toUInt(&ok1, 16) == 0 && ok1)
            n += line.mid(1, 2).toUInt(&ok2, 16);
    }
    return n;
}

// One memory of the device and its three transfers.
struct MemoryFamily {
    std::string Name;
    TTransferKind Read, Write, Verify;
};

// Reads the file before any port is opened: false (said) when it cannot be used; otherwise the
// number of data bytes it holds.
using FileCheck = std::function<bool(TTransferKind, const QString&, uint64_t& dataBytes)>;
using MemoryJob =
    std::function<DeviceResult(DeviceContext&, TTransferKind, const FileStamp&, const QString&, const std::string&)>;

// `flash|extmem read|write|verify FILE`: the arguments and the file are checked before any port
// is opened, then every device gets the job.
int memoryCommand(const CliArgs& a, const MemoryFamily& m, const FileCheck& fileCheck, const MemoryJob& job)
{
    if (a.positional.size() != 3)
        return usage(m.Name + " требует read, write или verify и имя файла");
    const std::string& sub = a.positional[1];
    const TTransferKind kind = sub == "read"     ? m.Read
                               : sub == "write"  ? m.Write
                               : sub == "verify" ? m.Verify
                                                 : TTransferKind(0);
    if (!kind)
        return usage("неизвестная команда " + m.Name + " \"" + sub + "\"");
    if (a.run && kind != m.Write)
        return usage("--run относится к " + m.Name + " write");
    if (a.verify && kind != m.Write)
        return usage("--verify и --no-verify относятся к " + m.Name + " write");
    if (kind == m.Read && (a.addrs.size() > 1 || a.addrAll || a.ports.size() > 1))
        return usage(m.Name + " read читает одно устройство: иначе все записали бы один и тот же файл");
    const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
    if (!checkFile(file, kind == m.Read))
        return kExitFile;
    uint64_t dataBytes = 0;
    if (kind != m.Read && !fileCheck(kind, file, dataBytes))
        return kExitFile;
    // What is written or compared is named by its bytes as they were read before the first device.
    const FileStamp stamp = kind == m.Read ? FileStamp{QFileInfo(file).fileName(), {}, 0} : stampFile(file, dataBytes);
    const auto addrs = targetAddresses(a);
    if (!addrs)
        return kExitFile;
    noteDefaultAddress(a);
    const std::string command = m.Name + " " + sub;
    return runOnDevices(a, command, *addrs, [&](DeviceContext& ctx) { return job(ctx, kind, stamp, file, command); });
}

DeviceResult flashOne(DeviceContext& ctx, const CliArgs& a, TTransferKind kind, const FileStamp& stamp,
                      const QString& file, const std::string& command)
{
    DeviceResult r;
    r.File = stamp;
    if (!identifyDevice(ctx.Link, ctx.Addr)) {
        r.fail(kExitFailed, QStringLiteral("no-answer"), failureText(ctx.Link));
        return r;
    }
    r.identity(ctx.Link);
    // As the window's "write every device": a device running its program goes to its bootloader first.
    if (kind == tkWriteFLASH && isApplication(ctx.Link.InfoCopy().Mode) && !switchMode(ctx, zcmd::kRunBootloader, r))
        return r;
    TTransferSetup setup;
    if (!identifyForTransfer(ctx.Link, ctx.Addr, a.blockSize, setup)) {
        r.fail(kExitFailed, QStringLiteral("no-answer"), failureText(ctx.Link));
        return r;
    }
    r.identity(ctx.Link);
    // An application may start at 0; only a missing or empty region means the catalogue failed us.
    if (setup.MemSize == 0 || setup.ProgStart >= setup.MemSize) {
        r.fail(kExitFailed, QStringLiteral("no-region"),
               QStringLiteral("устройство не сообщает области программы (микроконтроллера нет в каталоге?)"));
        err(r.Detail);
        return r;
    }
    QString why;
    TMemoryImage flashBuf;
    setup.FlashBuf = flashBuf.Span();
    if (kind != tkReadFLASH && !LoadHexImage(flashBuf, file, setup.ProgStart, setup.MemSize, why)) {
        r.fileFailed(file, why, QStringLiteral("bad-file"));
        return r;
    }
    if (!runTransfer(ctx, setup, kind, command, r))
        return r;
    r.Bytes = kind == tkReadFLASH ? r.LineBytes : stamp.DataBytes;
    // Verified unless told otherwise: a write the device acknowledged is not yet a write that took.
    if (kind == tkWriteFLASH && a.verify.value_or(true)) {
        r.VerifyBytes = stamp.DataBytes;
        if (!runTransfer(ctx, setup, tkCompareFLASH, command, r, 0, 0, true))
            return r;
    }
    if (kind == tkReadFLASH) {
        if (!SaveHexImage(flashBuf, file, setup.ProgStart, setup.MemSize, why)) {
            r.fileFailed(file, why, QStringLiteral("write-failed"));
            return r;
        }
        r.File = stampFile(file, r.Bytes);
    }
    if (kind == tkWriteFLASH && a.run && !switchMode(ctx, zcmd::kRunProgram, r))
        return r;
    r.done();
    return r;
}

DeviceResult extMemOne(DeviceContext& ctx, const CliArgs& a, TTransferKind kind, const FileStamp& stamp,
                       const QString& file, const std::string& command)
{
    DeviceResult r;
    r.File = stamp;
    const bool hex = isHex(file);
    TTransferSetup setup;
    if (!identifyForTransfer(ctx.Link, ctx.Addr, a.blockSize, setup)) {
        r.fail(kExitFailed, QStringLiteral("no-answer"), failureText(ctx.Link));
        return r;
    }
    r.identity(ctx.Link);
    if (setup.Ext == 0) {
        r.fail(kExitFailed, QStringLiteral("no-region"),
               QStringLiteral("устройство не сообщает о внешней памяти (работает ли его программа?)"));
        err(r.Detail);
        return r;
    }
    TMemoryImage extBuf;
    setup.ExtMemBuf = extBuf.Span();
    QString why;
    TImageExtent extent;
    if (kind != tkReadExtMem && !(hex ? LoadHexImage(extBuf, file, 0, setup.Ext, why, &extent)
                                      : LoadBinImage(extBuf, file, setup.Ext, why, &extent))) {
        r.fileFailed(file, why, QStringLiteral("bad-file"));
        return r;
    }
    // Only the file's own bytes: the rest of the memory keeps what the device holds.
    const uint32_t count = extent.End - extent.First;
    if (kind == tkReadExtMem) {
        if (!runTransfer(ctx, setup, kind, command, r))
            return r;
        r.Bytes = r.LineBytes;
        if (!(hex ? SaveHexImage(extBuf, file, 0, setup.Ext, why) : SaveBinImage(extBuf, file, setup.Ext, why))) {
            r.fileFailed(file, why, QStringLiteral("write-failed"));
            return r;
        }
        r.File = stampFile(file, r.Bytes);
        r.done();
        return r;
    }
    if (!runTransfer(ctx, setup, kind, command, r, extent.First, count))
        return r;
    r.Bytes = stamp.DataBytes;
    if (kind == tkWriteExtMemPart && a.verify.value_or(false)) {
        r.VerifyBytes = stamp.DataBytes;
        if (!runTransfer(ctx, setup, tkCompareExtMemPart, command, r, extent.First, count, true))
            return r;
    }
    r.done();
    return r;
}

}  // namespace

int CmdFlash(const CliArgs& a)
{
    // A damaged or empty file is refused before the port is even opened; where its data lies
    // against the device's region is known only after identification.
    const FileCheck loads = [](TTransferKind, const QString& file, uint64_t& dataBytes) {
        QString why;
        TMemoryImage probe;
        if (!LoadHexImage(probe, file, 0, 0x10000, why)) {
            err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
            return false;
        }
        dataBytes = hexDataBytes(file);
        return true;
    };
    return memoryCommand(a, {"flash", tkReadFLASH, tkWriteFLASH, tkCompareFLASH}, loads,
                         [&a](DeviceContext& ctx, TTransferKind kind, const FileStamp& stamp, const QString& file,
                              const std::string& command) { return flashOne(ctx, a, kind, stamp, file, command); });
}

int CmdExtMem(const CliArgs& a)
{
    // Where the data lies against the memory is known only after identification; the count is not.
    const FileCheck counts = [](TTransferKind, const QString& file, uint64_t& dataBytes) {
        dataBytes = isHex(file) ? hexDataBytes(file) : uint64_t(QFileInfo(file).size());
        return true;
    };
    return memoryCommand(a, {"extmem", tkReadExtMem, tkWriteExtMemPart, tkCompareExtMemPart}, counts,
                         [&a](DeviceContext& ctx, TTransferKind kind, const FileStamp& stamp, const QString& file,
                              const std::string& command) { return extMemOne(ctx, a, kind, stamp, file, command); });
}

}  // namespace zcli

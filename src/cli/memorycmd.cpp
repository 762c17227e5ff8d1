// zevanta-cli flash and extmem: program memory and external memory, read, written, compared.
#include <functional>

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/devicerun.h"
#include "cli/output.h"
#include "link/commands.h"
#include "link/zeva16.h"
#include "memory/images.h"

namespace zcli {

namespace {

// One memory of the device and its three transfers.
struct MemoryFamily {
    std::string Name;
    TTransferKind Read, Write, Verify;
};

using FileCheck = std::function<bool(TTransferKind, const QString&)>;
using MemoryJob = std::function<DeviceResult(DeviceContext&, TTransferKind, const QString&, const std::string&)>;

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
        return kExitFailed;
    if (fileCheck && !fileCheck(kind, file))
        return kExitFailed;
    const auto addrs = targetAddresses(a);
    if (!addrs)
        return kExitFailed;
    const std::string command = m.Name + " " + sub;
    return runOnDevices(a, command, *addrs, [&](DeviceContext& ctx) { return job(ctx, kind, file, command); });
}

DeviceResult flashOne(DeviceContext& ctx, const CliArgs& a, TTransferKind kind, const QString& file,
                      const std::string& command)
{
    DeviceResult r;
    if (!identifyDevice(ctx.Link, ctx.Addr)) {
        r.Outcome = QStringLiteral("no-answer");
        r.Detail = failureText(ctx.Link);
        return r;
    }
    // As the window's "write every device": a device running its program goes to its bootloader first.
    if (kind == tkWriteFLASH && isApplication(ctx.Link.InfoCopy().Mode) && !switchMode(ctx, zcmd::kRunBootloader, r))
        return r;
    TTransferSetup setup;
    if (!identifyForTransfer(ctx.Link, ctx.Addr, a.blockSize, setup))
        return r;
    // An application may start at 0; only a missing or empty region means the catalogue failed us.
    if (setup.MemSize == 0 || setup.ProgStart >= setup.MemSize) {
        r.Detail = QStringLiteral("устройство не сообщает области программы (микроконтроллера нет в каталоге?)");
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
    // Verified unless told otherwise: a write the device acknowledged is not yet a write that took.
    if (kind == tkWriteFLASH && a.verify.value_or(true) && !runTransfer(ctx, setup, tkCompareFLASH, command, r))
        return r;
    if (kind == tkReadFLASH && !SaveHexImage(flashBuf, file, setup.ProgStart, setup.MemSize, why)) {
        r.fileFailed(file, why);
        return r;
    }
    if (kind == tkWriteFLASH && a.run && !switchMode(ctx, zcmd::kRunProgram, r))
        return r;
    r.Ok = true;
    r.Outcome = QStringLiteral("ok");
    return r;
}

DeviceResult extMemOne(DeviceContext& ctx, const CliArgs& a, TTransferKind kind, const QString& file,
                       const std::string& command)
{
    DeviceResult r;
    const bool hex = file.endsWith(QStringLiteral(".hex"), Qt::CaseInsensitive);
    TTransferSetup setup;
    if (!identifyForTransfer(ctx.Link, ctx.Addr, a.blockSize, setup)) {
        r.Outcome = QStringLiteral("no-answer");
        r.Detail = failureText(ctx.Link);
        return r;
    }
    if (setup.Ext == 0) {
        r.Detail = QStringLiteral("устройство не сообщает о внешней памяти (работает ли его программа?)");
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
    if (kind == tkCompareExtMemPart) {
        r.Ok = runTransfer(ctx, setup, kind, command, r, extent.First, count);
    } else if (kind == tkWriteExtMemPart) {
        r.Ok = runTransfer(ctx, setup, kind, command, r, extent.First, count) &&
               (!a.verify.value_or(false) ||
                runTransfer(ctx, setup, tkCompareExtMemPart, command, r, extent.First, count));
    } else {
        r.Ok = runTransfer(ctx, setup, kind, command, r);
        if (r.Ok &&
            !(hex ? SaveHexImage(extBuf, file, 0, setup.Ext, why) : SaveBinImage(extBuf, file, setup.Ext, why))) {
            r.Ok = false;
            r.fileFailed(file, why);
        }
    }
    if (r.Ok)
        r.Outcome = QStringLiteral("ok");
    return r;
}

}  // namespace

int CmdFlash(const CliArgs& a)
{
    // A damaged or empty file is refused before the port is even opened; where its data lies
    // against the device's region is known only after identification.
    const FileCheck loads = [](TTransferKind kind, const QString& file) {
        QString why;
        TMemoryImage probe;
        if (kind != tkReadFLASH && !LoadHexImage(probe, file, 0, 0x10000, why)) {
            err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
            return false;
        }
        return true;
    };
    return memoryCommand(a, {"flash", tkReadFLASH, tkWriteFLASH, tkCompareFLASH}, loads,
                         [&a](DeviceContext& ctx, TTransferKind kind, const QString& file, const std::string& command) {
                             return flashOne(ctx, a, kind, file, command);
                         });
}

int CmdExtMem(const CliArgs& a)
{
    return memoryCommand(a, {"extmem", tkReadExtMem, tkWriteExtMemPart, tkCompareExtMemPart}, nullptr,
                         [&a](DeviceContext& ctx, TTransferKind kind, const QString& file, const std::string& command) {
                             return extMemOne(ctx, a, kind, file, command);
                         });
}

}  // namespace zcli

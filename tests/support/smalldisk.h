#pragma once
// A tiny file system that can be filled to the last byte, for the "disk full" cases. Mounting
// needs root; elsewhere ready() is false and the test skips.
#include <cerrno>
#include <string>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#ifdef __linux__
#include <sys/mount.h>
#include <unistd.h>
#endif

class SmallDisk {
public:
    explicit SmallDisk(const char* size = "64k")
    {
#ifdef __linux__
        if (::geteuid() == 0 && FDir.isValid())
            FMounted = ::mount("tmpfs", FDir.path().toLocal8Bit().constData(), "tmpfs", 0,
                               (std::string("size=") + size).c_str()) == 0;
#else
        (void)size;
#endif
    }
    ~SmallDisk()
    {
#ifdef __linux__
        if (FMounted)
            ::umount2(FDir.path().toLocal8Bit().constData(), MNT_DETACH);
#endif
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool ready() const
    {
        return FMounted;
    }
    QString path(const QString& name) const
    {
        return FDir.filePath(name);
    }

    // Takes every free byte with a filler file; true when the disk is then full.
    bool fill()
    {
        QFile f(path(QStringLiteral(".filler")));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray chunk(512, '\0');
        while (f.write(chunk) == chunk.size()) {
        }
        // Byte by byte into the last partial block.
        while (f.write(chunk.constData(), 1) == 1) {
        }
        return true;
    }

private:
    QTemporaryDir FDir;
    bool FMounted = false;
};

#include "link/comport_baud.h"

#if defined(__linux__)
#include <cerrno>

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace {
struct RateCode {
    unsigned rate;
    unsigned code;
};
constexpr RateCode kCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};
}  // namespace

int zvSetBaudRate(int fd, unsigned rate)
{
    if (rate == 0) {  // B0 would hang up the line
        errno = EINVAL;
        return -1;
    }
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return -1;
    unsigned code = BOTHER;
    for (const RateCode& c : kCodes)
        if (c.rate == rate)
            code = c.code;
    // Input speed is written explicitly: left alone it keeps an earlier BOTHER rate.
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= code | (code << IBSHIFT);
    t.c_ispeed = rate;
    t.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &t);
}

int zvGetBaudRate(int fd, unsigned* inRate, unsigned* outRate)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return -1;
    *inRate = t.c_ispeed;
    *outRate = t.c_ospeed;
    return 0;
}

#endif  // other hosts bring their own implementation of comport_baud.h

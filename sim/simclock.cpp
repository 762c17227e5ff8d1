#include "sim/simclock.h"

#include <ctime>

namespace zeva::sim {

using namespace std::chrono;

namespace {

sys_seconds fromBytes(std::span<const uint8_t> b)
{
    const year_month_day ymd{year{2000 + b[2]}, month{b[1]}, day{b[0]}};
    return sys_days{ymd} + hours{b[3]} + minutes{b[4]} + seconds{b[5]};
}

}  // namespace

SimClock::SimClock()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    const int yy = tm.tm_year + 1900 - 2000;
    const uint8_t b[6] = {uint8_t(tm.tm_mday), uint8_t(tm.tm_mon + 1), uint8_t(yy < 0 ? 0 : yy),
                          uint8_t(tm.tm_hour), uint8_t(tm.tm_min),     uint8_t(tm.tm_sec > 59 ? 59 : tm.tm_sec)};
    m_base = fromBytes(b);
    m_setAt = steady_clock::now();
}

bool SimClock::valid(std::span<const uint8_t> b)
{
    if (b.size() != 6)
        return false;
    const year_month_day ymd{year{2000 + b[2]}, month{b[1]}, day{b[0]}};
    return ymd.ok() && b[3] < 24 && b[4] < 60 && b[5] < 60;
}

bool SimClock::set(std::span<const uint8_t> bytes)
{
    if (!valid(bytes))
        return false;
    m_base = fromBytes(bytes);
    m_setAt = steady_clock::now();
    return true;
}

ClockBytes SimClock::now() const
{
    const auto t = m_base + duration_cast<seconds>(steady_clock::now() - m_setAt);
    const auto days = floor<std::chrono::days>(t);
    const year_month_day ymd{days};
    const hh_mm_ss hms{t - days};
    return {uint8_t(unsigned(ymd.day())), uint8_t(unsigned(ymd.month())), uint8_t(int(ymd.year()) - 2000),
            uint8_t(hms.hours().count()), uint8_t(hms.minutes().count()), uint8_t(hms.seconds().count())};
}

}  // namespace zeva::sim

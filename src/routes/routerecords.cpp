#include "routes/routerecords.h"

#include <algorithm>
#include <cstring>

#include "base/cp1251.h"

namespace {

uint16_t getU16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

void putU16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

int32_t getI32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24));
}

void putI32(uint8_t* p, int32_t v)
{
    const auto u = uint32_t(v);
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
    p[2] = uint8_t(u >> 16);
    p[3] = uint8_t(u >> 24);
}

}  // namespace

TRouteRecord TRouteRecord::Decode(const uint8_t* bytes)
{
    TRouteRecord r;
    std::memcpy(r.Name1.data(), bytes + 0, r.Name1.size());
    std::memcpy(r.Name2.data(), bytes + 17, r.Name2.size());
    std::memcpy(r.Name3.data(), bytes + 34, r.Name3.size());
    r.Number = getU16(bytes + 51);
    r.TurnCount = getU16(bytes + 53);
    std::memcpy(r.Reserved.data(), bytes + 55, r.Reserved.size());
    return r;
}

void TRouteRecord::Encode(uint8_t* bytes) const
{
    std::memcpy(bytes + 0, Name1.data(), Name1.size());
    std::memcpy(bytes + 17, Name2.data(), Name2.size());
    std::memcpy(bytes + 34, Name3.data(), Name3.size());
    putU16(bytes + 51, Number);
    putU16(bytes + 53, TurnCount);
    std::memcpy(bytes + 55, Reserved.data(), Reserved.size());
}

std::array<uint8_t, RouteLayout::NameFieldSize>* TRouteRecord::nameField(int line)
{
    switch (line) {
    case 1: return &Name1;
    case 2: return &Name2;
    case 3: return &Name3;
    default: return nullptr;
    }
}

const std::array<uint8_t, RouteLayout::NameFieldSize>* TRouteRecord::nameField(int line) const
{
    return const_cast<TRouteRecord*>(this)->nameField(line);
}

void TRouteRecord::SetName(int line, const QString& text)
{
    auto* field = nameField(line);
    if (!field)
        return;
    field->fill(0);
    const QByteArray bytes = Cp1251::fromUnicode(text);
    const auto n = std::min<qsizetype>(bytes.size(), RouteLayout::NameMaxBytes);
    std::memcpy(field->data(), bytes.constData(), size_t(n));
}

QString TRouteRecord::Name(int line) const
{
    const auto* field = nameField(line);
    if (!field)
        return {};
    const auto end = std::find(field->begin(), field->end(), uint8_t(0));
    return Cp1251::toUnicode(
        QByteArrayView(reinterpret_cast<const char*>(field->data()), qsizetype(end - field->begin())));
}

TTurnRecord TTurnRecord::Decode(const uint8_t* bytes)
{
    TTurnRecord t;
    t.BegLat = getI32(bytes + 0);
    t.EndLat = getI32(bytes + 4);
    t.BegLong = getI32(bytes + 8);
    t.EndLong = getI32(bytes + 12);
    t.Type = bytes[16];
    std::memcpy(t.Reserved.data(), bytes + 17, t.Reserved.size());
    return t;
}

void TTurnRecord::Encode(uint8_t* bytes) const
{
    putI32(bytes + 0, BegLat);
    putI32(bytes + 4, EndLat);
    putI32(bytes + 8, BegLong);
    putI32(bytes + 12, EndLong);
    bytes[16] = Type;
    std::memcpy(bytes + 17, Reserved.data(), Reserved.size());
}

uint8_t TTurnRecord::TypeByteFromText(const QString& text)
{
    // One UTF-16 unit is one CP1251 byte; anything longer (a surrogate pair included) is not.
    if (text.size() != 1)
        return uint8_t('?');
    return uint8_t(Cp1251::fromUnicode(text).at(0));
}

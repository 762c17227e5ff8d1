#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace panels {

// The angle sensor's data record: 24 bytes, little-endian, floats in IEEE single precision.
// The device keeps it; the panel reads it whole and writes it back whole, so the two bytes it
// does not interpret go back as they came.
class TVIDAData {
public:
    static constexpr size_t kSize = 24;
    static constexpr uint16_t kNoAngle = 0xFFFF;

    // Every byte 0 except Angle, which says "no data".
    TVIDAData();

    // Takes an answer of exactly 24 bytes; any other length is a failed read and changes nothing.
    bool Assign(std::span<const uint8_t> answer);
    const std::array<uint8_t, kSize>& Bytes() const { return FBytes; }

    uint16_t Angle() const { return U16(0); }
    uint16_t AngleMin() const { return U16(2); }
    uint16_t AngleMax() const { return U16(4); }
    float GX() const { return F32(6); }
    float GY() const { return F32(10); }
    float CalX() const { return F32(14); }
    float CalY() const { return F32(18); }

    void SetAngle(uint16_t v) { PutU16(0, v); }
    // The alarm zone from the two fields' integers; only their low 16 bits count.
    void SetZone(int64_t minimum, int64_t maximum);
    // The current readings become the calibration: bytes 6..13 copied to 14..21 as they are.
    void Calibrate();

private:
    uint16_t U16(size_t at) const { return uint16_t(FBytes[at] | FBytes[at + 1] << 8); }
    void PutU16(size_t at, uint16_t v);
    float F32(size_t at) const;

    std::array<uint8_t, kSize> FBytes{};
};

// The round gauge of the angle: a picture of side S = 2R + 20 with R = 150.
namespace Gauge {

inline constexpr int kR = 150;
inline constexpr int kSide = 2 * kR + 20;

enum TMarkerBrush { mbRed, mbWhite, mbGreen };

struct TMarker {
    int X = 0;  // centre of the marker circle of radius 10
    int Y = 0;
    TMarkerBrush Brush = mbGreen;
};

// 0° to the right, 90° at the top, counter-clockwise; red on multiples of 45°; no data (0xFFFF)
// is a green marker in the centre.
TMarker Marker(uint16_t angle);

}  // namespace Gauge
}  // namespace panels

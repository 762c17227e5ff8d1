#include "panels/kesta.h"

#include <algorithm>

#include "panels/panelint.h"

namespace panels {

PumpAction PumpActionOf(unsigned driveState)
{
    switch (driveState) {
    case 1: return PumpAction::Forward;
    case 2: return PumpAction::Inverse;
    case 0:
    case 3:
    case 4: return PumpAction::Stop;
    default: return PumpAction::Keep;
    }
}

KestaView KestaViewOf(const TParams& params)
{
    KestaView v;
    if (params.Count() != 9)
        return v;
    v.valid = true;
    const unsigned outputs = unsigned(ParamInt(params, 2, 0)) & 0xFF;
    const uint64_t inputs = uint64_t(ParamInt(params, 3, 0));
    for (unsigned k = 0; k < 7; ++k)
        v.outputLit[k] = outputs >> k & 1;
    for (unsigned k = 0; k < 9; ++k)
        v.inputLit[k] = inputs >> k & 1;
    for (unsigned i = 0; i < 3; ++i) {
        v.upperLimit[i] = v.inputLit[2 * i];
        v.lowerLimit[i] = v.inputLit[2 * i + 1];
    }
    const unsigned buttons = unsigned(ParamInt(params, 6, 0)) & 0xFF;
    v.fobClose = buttons & 1;
    v.fobOpen = buttons & 2;
    v.fobLamp = buttons != 0;
    const int64_t code = ParamHex(params, 5, 0);
    v.code = code > 0 ? uint32_t(code) : 0;
    if (v.code > 0)
        v.codeText = FobCodeText(v.code);
    const unsigned drives = unsigned(ParamHex(params, 7, 0)) & 0xFFFF;
    for (unsigned i = 0; i < 3; ++i)
        v.drive[i] = drives >> (4 * i) & 0xF;
    return v;
}

QString FobCodeText(uint32_t code)
{
    return QStringLiteral("%1").arg(code, 7, 16, QLatin1Char('0')).toUpper();
}

std::optional<uint32_t> ParseFobCode(const QString& text)
{
    if (text.size() > 7)
        return std::nullopt;
    const int64_t v = PanelInt(QLatin1Char('$') + text, -1);
    if (v < 1 || v > kMaxFobCode)
        return std::nullopt;
    return uint32_t(v);
}

std::vector<uint8_t> FobListPayload(const std::vector<uint32_t>& codes)
{
    std::vector<uint8_t> out{uint8_t(codes.size())};
    for (uint32_t c : codes)
        out.insert(out.end(), {uint8_t(c >> 24), uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    return out;
}

std::optional<std::vector<uint32_t>> FobListOf(std::span<const uint8_t> answer)
{
    if (answer.empty())
        return std::nullopt;
    const size_t n = answer[0];
    if (answer.size() < 1 + 4 * n)
        return std::nullopt;
    std::vector<uint32_t> codes;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = answer.data() + 1 + 4 * i;
        codes.push_back(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
    }
    return codes;
}

std::optional<unsigned> TimeoutOf(std::span<const uint8_t> answer)
{
    if (answer.size() != 2)
        return std::nullopt;
    return unsigned(answer[0]) << 8 | answer[1];
}

unsigned TimeoutToWrite(const QString& text)
{
    const int64_t v = PanelInt(text, kMinTimeout);
    return unsigned(std::clamp<int64_t>(v, kMinTimeout, 0xFFFF));
}

std::vector<uint8_t> TimeoutPayload(unsigned seconds)
{
    return {uint8_t(seconds >> 8), uint8_t(seconds)};
}

int NextPumpAngle(int angle, int step)
{
    if (step > 0) {
        angle += step;
        return angle >= 360 ? 0 : angle;
    }
    angle -= step < 0 ? -step : step;
    return angle < 0 ? 359 : angle;
}

void FobList::SetCurrent(int row)
{
    if (row >= 0 && row < Count())
        FCurrent = row;
}

bool FobList::Add(uint32_t code)
{
    if (!CanAdd())
        return false;
    FCodes.push_back(code);
    FCurrent = Count() - 1;
    return true;
}

bool FobList::EditCurrent(uint32_t code)
{
    if (FCurrent < 0)
        return false;
    FCodes[size_t(FCurrent)] = code;
    return true;
}

bool FobList::DeleteCurrent()
{
    if (FCurrent < 0)
        return false;
    FCodes.erase(FCodes.begin() + FCurrent);
    FCurrent = std::min(FCurrent, Count() - 1);
    return true;
}

void FobList::Replace(std::vector<uint32_t> codes)
{
    FCodes = std::move(codes);
    FCurrent = FCodes.empty() ? -1 : 0;
}

bool FobList::Locate(uint32_t code)
{
    const auto it = std::find(FCodes.begin(), FCodes.end(), code);
    if (it == FCodes.end())
        return false;
    FCurrent = int(it - FCodes.begin());
    return true;
}

}  // namespace panels

#include "panels/relaypanels.h"

#include "panels/panelint.h"

namespace panels {

UsbRelayView UsbRelayViewOf(const TParams& params)
{
    UsbRelayView v;
    const int count = params.Count();
    if (count != 5 && count != 8)
        return v;
    v.valid = true;
    const unsigned relays = unsigned(ParamInt(params, 0, 0)) & 0xFF;
    const unsigned inputs = unsigned(ParamInt(params, 1, 0)) & 0xFF;
    const uint64_t relayBits = uint64_t(ParamInt(params, 2, 0));
    const unsigned inputBits = unsigned(ParamInt(params, 3, 0)) & 0xFF;
    int64_t reset = -1;
    bool lockHigh = false;
    bool lockLow = false;
    if (count == 8) {
        reset = ParamInt(params, 4, -1);
        lockHigh = ParamInt(params, 5, 0) > 0;
        lockLow = ParamInt(params, 6, 0) > 0;
    }
    for (unsigned k = 1; k <= 8; ++k) {
        const bool locked = k <= 5 ? lockLow : lockHigh;
        v.relayVisible[k - 1] = relays >= k;
        v.relayEnabled[k - 1] = !locked;
        v.relayLit[k - 1] = (relayBits >> (k - 1) & 1) && !locked;
    }
    v.resetVisible = reset >= 0;
    v.resetLit = reset == 1;
    v.noInputs = inputs == 0;
    for (unsigned k = 1; k <= 4; ++k) {
        v.inputVisible[k - 1] = inputs >= k;
        v.inputLit[k - 1] = inputs != 0 && (inputBits >> (k - 1) & 1);
    }
    return v;
}

MiranView MiranViewOf(const TParams& params)
{
    MiranView v;
    if (params.Count() != 7)
        return v;
    v.valid = true;
    const uint64_t outputs = uint64_t(ParamInt(params, 3, 0));
    const uint64_t inputs = uint64_t(ParamInt(params, 4, 0));
    for (unsigned k = 0; k < 8; ++k) {
        v.outputLit[k] = outputs >> k & 1;
        v.inputLit[k] = inputs >> k & 1;
    }
    return v;
}

uint8_t SarvelAddress(int item)
{
    const int a = 0x10 + 2 * item;
    return uint8_t(a >= 0x78 ? a + 2 : a);
}

QString SarvelCaption(int item)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(SarvelAddress(item), 2, 16, QLatin1Char('0')).toUpper();
}

SarvelUnit SarvelUnitOf(bool succeeded, std::span<const uint8_t> answer)
{
    SarvelUnit u;
    if (!succeeded || answer.size() != 5)
        return u;
    u.ok = true;
    u.version = QStringLiteral("%1.%2").arg(answer[0] >> 4).arg(answer[0] & 15);
    u.outputs = uint32_t(answer[1]) << 24 | uint32_t(answer[2]) << 16 | uint32_t(answer[3]) << 8 | answer[4];
    return u;
}

std::vector<uint8_t> SarvelWritePayload(uint8_t address, uint32_t outputs)
{
    return {address, uint8_t(outputs >> 24), uint8_t(outputs >> 16), uint8_t(outputs >> 8), uint8_t(outputs)};
}

}  // namespace panels

#include "routes/travocommands.h"

#include "link/commands.h"

TPasswordCheck CheckPasswords(const QString& master, const QString& new1, const QString& new2)
{
    TPasswordCheck c;
    const QString texts[3] = {master, new1, new2};
    uint32_t values[3] = {};
    bool empty = false;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const qulonglong v = texts[i].trimmed().toULongLong(&ok);
        // Only digits reach here (the key filter), so a failed conversion is an empty field.
        if (!ok) {
            c.Faulty[size_t(i)] = true;
            empty = true;
            continue;
        }
        if (v == 0 || v > TravoCmd::MaxPassword)
            c.Faulty[size_t(i)] = true;
        values[i] = uint32_t(std::min<qulonglong>(v, 0xFFFFFFFF));
    }
    if (empty) {
        c.Result = TPasswordCheck::TResult::Empty;
        return c;
    }
    if (c.Faulty[0] || c.Faulty[1] || c.Faulty[2]) {
        c.Result = TPasswordCheck::TResult::Invalid;
        return c;
    }
    if (values[1] != values[2]) {
        c.Result = TPasswordCheck::TResult::Differ;
        return c;
    }
    c.Payload = {zcmd::travo::kSubPassword};
    for (uint32_t v : {values[0], values[1]})
        for (int shift = 24; shift >= 0; shift -= 8)
            c.Payload.push_back(uint8_t(v >> shift));
    return c;
}

uint8_t ActuatorMask(const std::array<bool, 7>& boxes)
{
    uint8_t mask = 0;
    for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i])
            mask |= uint8_t(1u << (i + 1));
    return mask;
}

std::vector<uint8_t> ActuatorPayload(uint8_t mask, bool state)
{
    return {zcmd::travo::kSubActuators, mask, uint8_t(state ? 1 : 0)};
}

std::vector<uint8_t> DrivePayload(const std::array<bool, 4>& boxes)
{
    uint8_t bits = 0;
    for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i])
            bits |= uint8_t(1u << i);
    return {zcmd::travo::kSubDrive, bits};
}

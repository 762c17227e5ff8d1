#pragma once
#include <cstdint>

#include <QString>

// The number rule of the device panels and the address fields that follow them: a decimal
// integer with an optional sign, or hexadecimal after "$" or "0x"; any other text (empty, blanks,
// junk, out of range) gives `def`. Decimal covers the signed 32-bit range, hexadecimal up to
// eight digits (unsigned 32-bit).
int64_t PanelInt(const QString& text, int64_t def);

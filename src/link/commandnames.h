#pragma once
#include <cstdint>

#include <QString>

// The name of a request's command for lists a person reads. A number some device families use
// for different things names each of them ("КЕСТА: чтение ключей / САРВЕЛ: запись"); an unknown
// number gives an empty text.
QString CommandName(uint8_t cmd);

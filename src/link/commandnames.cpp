#include "link/commandnames.h"

#include "link/commands.h"

namespace {

struct TNamedCommand {
    uint8_t Cmd;
    const char* Name;  // UTF-8
};

// Shared commands first: they are what a device of any family understands.
const TNamedCommand kNames[] = {
    {zcmd::kResetSystem, "сброс системы"},
    {zcmd::kRunProgram, "запуск программы"},
    {zcmd::kRunBootloader, "переход в загрузчик"},
    {zcmd::kReadFLASH, "чтение FLASH"},
    {zcmd::kWriteFLASH, "запись FLASH"},
    {zcmd::kPrepareFLASH, "подготовка FLASH"},
    {zcmd::kEraseFLASH, "стирание FLASH"},
    {zcmd::kFinishFLASH, "завершение записи FLASH"},
    {zcmd::kReset, "сброс"},
    {zcmd::kReadExtMem, "чтение внешней памяти"},
    {zcmd::kWriteExtMem, "запись внешней памяти"},
    {zcmd::kReadAT45, "чтение AT45"},
    {zcmd::kWriteAT45, "запись AT45"},
    {zcmd::kSetClock, "установка часов"},
    {zcmd::kIdentify, "идентификация"},
    {zcmd::kChangeAddr, "смена адреса"},
    {zcmd::relay::kSetRelays, "реле: состояние"},
    {zcmd::relay::kResetRelay, "реле: сброс"},
    {zcmd::sarvel::kWrite, "САРВЕЛ: запись выходов"},
    {zcmd::sarvel::kRead, "САРВЕЛ: чтение выходов"},
    {zcmd::kesta::kOutputs, "КЕСТА: выходы"},
    {zcmd::kesta::kUp, "КЕСТА: вверх"},
    {zcmd::kesta::kDown, "КЕСТА: вниз"},
    {zcmd::kesta::kStop, "КЕСТА: стоп"},
    {zcmd::kesta::kReadFobs, "КЕСТА: чтение ключей"},
    {zcmd::kesta::kWriteFobs, "КЕСТА: запись ключей"},
    {zcmd::kesta::kReadTimeout, "КЕСТА: чтение тайм-аута"},
    {zcmd::kesta::kWriteTimeout, "КЕСТА: запись тайм-аута"},
    {zcmd::galte::kSlave, "ГАЛТЕ: ведомый"},
    {zcmd::pleva::kWriteRelays, "ПЛЕВА: запись реле"},
    {zcmd::pleva::kReadState, "ПЛЕВА: чтение состояния"},
    {zcmd::vida::kRead, "ВИДА: чтение"},
    {zcmd::vida::kWrite, "ВИДА: запись"},
    {zcmd::dorna::kRead, "ДОРНА: чтение"},
    {zcmd::tarvik::kClear, "Тарвик: сброс"},
    {zcmd::tarvik::kRead, "Тарвик: чтение"},
    {zcmd::pelnik::kRead, "ПЕЛНИК: чтение"},
    {zcmd::pelnik::kWrite, "ПЕЛНИК: запись"},
    {zcmd::lcd::kScreenPage, "ЖКИ: страница экрана"},
};

}  // namespace

QString CommandName(uint8_t cmd)
{
    QString out;
    for (const TNamedCommand& c : kNames)
        if (c.Cmd == cmd) {
            if (!out.isEmpty())
                out += QStringLiteral(" / ");
            out += QString::fromUtf8(c.Name);
        }
    return out;
}

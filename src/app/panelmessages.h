#pragma once
#include <QString>

// Texts of the LCD image tab, the PLEVA, VIDA, DORNA, TARVIK and PELNIK tabs and their demo
// devices; the same namespace as every other text of the program.
namespace Msg {

// --- demo devices ---
inline const QString DemoDevicePLEVA = QStringLiteral("Демо: ПЛЕВА, 32 реле");
inline const QString DemoDeviceVIDA = QStringLiteral("Демо: ВИДА, датчик угла");
inline const QString DemoDeviceDORNA = QStringLiteral("Демо: ДОРНА");
inline const QString DemoDeviceTARVIK = QStringLiteral("Демо: Тарвик, приёмник кодов");
inline const QString DemoDevicePELNIK = QStringLiteral("Демо: ПЕЛНИК");
inline const QString DemoDeviceLCD = QStringLiteral("Демо: прибор с ЖКИ 128 x 64");

// --- LCD image panel ---
inline const QString LcdHeaderComment = QStringLiteral("// Заставка");
inline const QString LcdCannotOpenFile = QStringLiteral("Невозможно открыть файл!");
inline const QString LcdImageDoesNotFit = QStringLiteral("Изображение не помещается во внешнюю память по адресу %1!");
inline const QString LcdAskSave = QStringLiteral("Сохранить изображение?");
inline const QString LcdAskClear = QStringLiteral("Очистить изображение?");
inline const QString LcdOpenFilter = QStringLiteral("Файлы BMP (*.bmp);;Все файлы (*.*)");
inline const QString LcdSaveFilter = QStringLiteral("Файлы BMP (*.bmp);;Файлы H (*.h)");
inline const QString LcdSizeLabel = QStringLiteral("Размер:");
inline const QString LcdRazvertka = QStringLiteral("Развёртка");
inline const QString LcdByRows = QStringLiteral("по строкам");
inline const QString LcdByColumns = QStringLiteral("по столбцам");
inline const QString LcdAddr = QStringLiteral("Адрес:");
inline const QString LcdOpenFile = QStringLiteral("Загрузить из файла...");
inline const QString LcdSaveFile = QStringLiteral("Сохранить в файл...");
inline const QString LcdRead = QStringLiteral("Чтение");
inline const QString LcdWrite = QStringLiteral("Запись...");
inline const QString LcdReadScreenshot = QStringLiteral("Чтение скриншота");
inline const QString LcdClear = QStringLiteral("Очистить...");
// --- PLEVA, VIDA, DORNA, TARVIK, PELNIK panels ---
inline const QString PlevaRelays = QStringLiteral("Реле");
inline const QString PlevaStop = QStringLiteral("СТОП");
inline const QString PlevaAutoRefresh = QStringLiteral("Автообновление");
inline const QString PlevaRefresh = QStringLiteral("Обновить");
inline const QString PlevaSensors = QStringLiteral("Датчики");
inline const QString PlevaSettings = QStringLiteral("Настройки");
inline const QString PlevaPlateNum = QStringLiteral("Номер платы:");
inline const QString VidaData = QStringLiteral("Данные");
inline const QString VidaAngle = QStringLiteral("Угол:");
inline const QString VidaAlarmZone = QStringLiteral("Зона сигнализации");
inline const QString VidaAngleMin = QStringLiteral("Мин. угол:");
inline const QString VidaAngleMax = QStringLiteral("Макс. угол:");
inline const QString VidaSave = QStringLiteral("Сохранить");
inline const QString VidaCalibrate = QStringLiteral("Калибровка");
inline const QString VidaRead = QStringLiteral("Считать");
inline const QString VidaPosition = QStringLiteral("Положение");
inline const QString VidaStart = QStringLiteral("СТАРТ");
inline const QString VidaStop = QStringLiteral("СТОП");
inline const QString VidaAskSaveZone = QStringLiteral("Сохранить новые значения зоны сигнализации?");
inline const QString VidaAskCalibrate = QStringLiteral("Принять текущие значения GX и GY за калибровочные?");
inline const QString DornaVersion = QStringLiteral("Версия:");
inline const QString DornaUac = QStringLiteral("Напряжение (AC):");
inline const QString DornaUdc = QStringLiteral("Напряжение (DC):");
inline const QString DornaR = QStringLiteral("Сопротивление:");
inline const QString DornaAddr = QStringLiteral("Адрес");
inline const QString DornaRead = QStringLiteral("Считать");
inline const QString TarvikChannel = QStringLiteral("Канал №%1:");
inline const QString TarvikRead = QStringLiteral("Считать");
inline const QString TarvikClear = QStringLiteral("Очистить");
inline const QString PelnikSettings = QStringLiteral("Настройки");
inline const QString PelnikMode = QStringLiteral("Режим работы:");
inline const QString PelnikReceiver = QStringLiteral("Приёмник");
inline const QString PelnikTransmitter = QStringLiteral("Передатчик");
inline const QString PelnikTimeCoeff = QStringLiteral("Коэффициент времени:");
inline const QString PelnikRead = QStringLiteral("Считать");
inline const QString PelnikChange = QStringLiteral("Изменить");
inline const QString PelnikAskChange = QStringLiteral("Изменить параметры устройства?");
inline const QString PelnikBadPacket = QStringLiteral("Неверный формат пакета!");

}  // namespace Msg

#pragma once
#include <QString>
#include <QStringList>

// Every text the user sees, in one place. Keep the wording exact: users and logs rely on it.
// Each area appends its own block below.
namespace Msg {

// --- shell ---
inline const QString AppTitle = QStringLiteral("Zevanta");

// --- bus monitor ---
inline const QString MenuBusMonitor = QStringLiteral("Монитор шины...");
inline const QString MonitorCaption = QStringLiteral("Монитор шины");
inline const QString MonitorFileCaption = QStringLiteral("Монитор шины: %1");
inline const QString MonitorColTime = QStringLiteral("Время");
inline const QString MonitorColSincePrev = QStringLiteral("+мс");
inline const QString MonitorColDirection = QStringLiteral("Напр.");
inline const QString MonitorColAddr = QStringLiteral("Адрес");
inline const QString MonitorColCommand = QStringLiteral("Команда");
inline const QString MonitorColPayload = QStringLiteral("Данные");
inline const QString MonitorColOutcome = QStringLiteral("Итог");
inline const QString MonitorColRoundTrip = QStringLiteral("Ответ, мс");
inline const QString MonitorRequest = QStringLiteral("→");
inline const QString MonitorAnswer = QStringLiteral("←");
inline const QString MonitorAccepted = QStringLiteral("принят");
inline const QString MonitorRefused = QStringLiteral("отказ");
inline const QString MonitorNoAnswer = QStringLiteral("нет ответа");
inline const QString MonitorBadFrame = QStringLiteral("искажён (CRC)");
inline const QString MonitorHungUp = QStringLiteral("связь потеряна");
inline const QString MonitorAllOutcomes = QStringLiteral("все");
inline const QString MonitorNotAccepted = QStringLiteral("все, кроме принятых");
inline const QString MonitorAddrFilter = QStringLiteral("Адрес:");
inline const QString MonitorCmdFilter = QStringLiteral("Команда:");
inline const QString MonitorOutcomeFilter = QStringLiteral("Итог:");
inline const QString MonitorPause = QStringLiteral("Пауза");
inline const QString MonitorClear = QStringLiteral("Очистить");
inline const QString MonitorCopy = QStringLiteral("Копировать");
inline const QString MonitorSave = QStringLiteral("Сохранить...");
inline const QString MonitorOpen = QStringLiteral("Открыть...");
inline const QString MonitorTraceFilter = QStringLiteral("Трасса обмена (*.trace *.txt);;Все файлы (*)");
inline const QString MonitorCounts = QStringLiteral("Показано %1 из %2 кадров");
inline const QString MonitorDropped = QStringLiteral(", пропущено %1");
inline const QString MonitorBadField = QStringLiteral("Неверное значение!");
inline const QString MonitorSaveFailed = QStringLiteral("Трасса не сохранена: %1");
inline const QString MonitorOpenFailed = QStringLiteral("Трасса не прочитана: %1");

// --- Intel HEX file, event log, restart (%1 is filled with QString::arg) ---
inline const QString HexUnknownError = QStringLiteral("Неизвестная ошибка!");
inline const QString HexBadChar = QStringLiteral("Неверный символ в строке %1!");
inline const QString HexBadChecksum = QStringLiteral("Неверная контрольная сумма в строке %1!");
inline const QString HexUnexpectedEnd = QStringLiteral("Неожиданный конец файла!");
inline const QString FileSystemError = QStringLiteral("Ошибка файловой системы!");
inline const QString HexOutside =
    QStringLiteral("Данные файла (0x%1..0x%2) выходят за пределы области памяти 0x%3..0x%4!\r\nФайл не загружен.");
inline const QString HexNoData =
    QStringLiteral("В файле нет данных для области памяти 0x%1..0x%2!\r\nФайл не загружен.");
inline const QString HexAmbiguous =
    QStringLiteral("Данные в строке %1 попадают на адрес 0x%2, уже заданный раньше!\r\nФайл не загружен.");
inline const QString HexAfterEnd =
    QStringLiteral("Запись в строке %1 стоит после пустой записи в строке %2!\r\nФайл не загружен.");
inline const QString SysNoEntry = QStringLiteral("нет такого файла или папки");
inline const QString SysAccess = QStringLiteral("отказано в доступе");
inline const QString SysIsFolder = QStringLiteral("это папка, а не файл");
inline const QString SysNotFolder = QStringLiteral("часть пути не является папкой");
inline const QString SysNoSpace = QStringLiteral("нет места на диске");
inline const QString SysQuota = QStringLiteral("превышена дисковая квота");
inline const QString SysReadOnly = QStringLiteral("файловая система доступна только для чтения");
inline const QString SysBusy = QStringLiteral("устройство или ресурс заняты");
inline const QString SysTooManyFiles = QStringLiteral("слишком много открытых файлов");
inline const QString SysNameTooLong = QStringLiteral("слишком длинное имя файла");
inline const QString SysIo = QStringLiteral("ошибка ввода-вывода");
inline const QString SysNoDevice = QStringLiteral("нет такого устройства");
inline const QString SysTooBig = QStringLiteral("файл слишком большой");
inline const QString SysNotRegular = QStringLiteral("это не обычный файл (канал, сокет или устройство)");
inline const QString SysOther = QStringLiteral("системная ошибка %1 (%2)");
inline const QString FileReadFailed = QStringLiteral("Невозможно прочитать файл: %1!");
inline const QString FileWriteFailed = QStringLiteral("Невозможно записать файл: %1!");
inline const QString FileTooLong =
    QStringLiteral("Файл длиннее памяти (%1 байт, память %2 байт)!\r\nФайл не загружен.");

// --- route image (%1 is filled with QString::arg) ---
inline const QString TooManyRoutes = QStringLiteral("Количество маршрутов не должно превышать %1!");
inline const QString TooManyTurns = QStringLiteral("Количество поворотов не должно превышать %1!");

// --- database module (%1, %2, %3 are filled with QString::arg) ---
inline const QString SplashConnecting = QStringLiteral("Подключение к базе данных...");
inline const QString SplashOpenTable = QStringLiteral("Открытие таблицы: ");
inline const QString TableOpenFailed =
    QStringLiteral("Нарушение целостности базы данных!\r\nНевозможно открыть таблицу \"%1\"");
inline const QString SplashCheckRoutes = QStringLiteral("Проверка таблицы \"Маршрут\"...");
inline const QString SplashRepairRoutes = QStringLiteral("Восстановление таблицы \"Маршрут\" (%1%)...");
inline const QString LogRepairRoute = QStringLiteral("Восстановление таблицы \"Маршрут\" (ID=%1, Num=%2 => Num=%3)");
inline const QString SplashCheckTurns = QStringLiteral("Проверка таблицы \"Поворот\"...");
inline const QString SplashRepairTurns = QStringLiteral("Восстановление таблицы \"Поворот\" (%1%)...");
inline const QString LogRepairTurn = QStringLiteral("Восстановление таблицы \"Поворот\" (ID=%1, Num=%2 => Num=%3)");
inline const QString SplashCheckPorts = QStringLiteral("Проверка коммуникационных портов...");
inline const QString TurnLeftName = QStringLiteral("ЛЕВЫЙ поворот");
inline const QString TurnRightName = QStringLiteral("ПРАВЫЙ поворот");
inline const QString TurnBeginName = QStringLiteral("НАЧАЛО маршрута");
inline const QString TurnEndName = QStringLiteral("КОНЕЦ маршрута");
inline const QString TurnUnknownName = QStringLiteral("- - -");
inline const QString DbOpenFailed = QStringLiteral("Невозможно открыть базу данных \"%1\": %2.\r\n\r\nПодробности: %3");
inline const QString DbMissing = QStringLiteral("файл не найден");
inline const QString DbNotAFile = QStringLiteral("это не файл");
inline const QString DbNoAccess = QStringLiteral("нет доступа к файлу (чтение и запись)");
inline const QString DbLocked = QStringLiteral("база данных занята другой программой");
inline const QString DbDamaged = QStringLiteral("файл повреждён или не является базой данных");
inline const QString DbCannotOpen = QStringLiteral("файл не открывается");
inline const QString DbOther = QStringLiteral("ошибка ядра базы данных");
inline const QString DbNotOurs =
    QStringLiteral("файл пуст или не является базой данных программы: в нём нет таблиц %1");
// A statement that failed on an open database: the cause, then the engine's own text.
inline const QString DbStatementFailed = QStringLiteral("%1. Подробности: %2");
inline const QString PrevRunFailed =
    QStringLiteral("Предыдущий запуск программы был завершён с ошибкой\r\n\"%1\"!\r\nЗавершить работу программы?");

// --- transfer engine (the failure texts are followed by the address in hexadecimal) ---
inline const QString CaptionReadFLASH = QStringLiteral("Чтение FLASH");
inline const QString CaptionWriteFLASH = QStringLiteral("Запись FLASH");
inline const QString CaptionCompareFLASH = QStringLiteral("Сравнение FLASH");
inline const QString CaptionReadExtMem = QStringLiteral("Чтение Ext Mem");
inline const QString CaptionWriteExtMem = QStringLiteral("Запись Ext Mem");
inline const QString CaptionCompareExtMem = QStringLiteral("Сравнение Ext Mem");
inline const QString CaptionReadAT45 = QStringLiteral("Чтение AT45 Mem");
inline const QString CaptionWriteAT45 = QStringLiteral("Запись AT45 Mem");
inline const QString AskWriteFLASH = QStringLiteral("Записать данные из буфера во FLASH-память?");
inline const QString AskWriteExtMem = QStringLiteral("Записать данные из буфера в Ext Mem?");
inline const QString TransferCommandRefused = QStringLiteral("Команда не принята!");
inline const QString NoDifferences = QStringLiteral("Различия не найдены!");
inline const QString NoProgramRegion = QStringLiteral("Устройство не сообщило область памяти программы!");
inline const QString CommandFailed = QStringLiteral("Команда %1 %2!");
inline const QString PreWriteFailed = QStringLiteral("Команда перед записью (%1) %2!\r\nFLASH не записывалась.");
inline const QString PostWriteFailed = QStringLiteral("Команда после записи (%1) %2!\r\nЗапись FLASH не завершена.");
inline const QString ReasonRefused = QStringLiteral("не принята устройством");
inline const QString ReasonNoAnswer = QStringLiteral("осталась без ответа");
inline const QString ReasonGone = QStringLiteral("не выполнена: устройство отключилось");
inline const QString ReasonBadAnswer = QStringLiteral("получила неверный ответ");
inline const QString ReasonNotDone = QStringLiteral("не выполнена");
inline const QString ErrReadFLASH = QStringLiteral("Ошибка чтения из FLASH\r\nпо адресу 0x");
inline const QString ErrWriteFLASH = QStringLiteral("Ошибка записи во FLASH\r\nпо адресу 0x");
inline const QString ErrDataMismatch = QStringLiteral("Несовпадение данных по адресу 0x");
inline const QString ErrReadExtMem = QStringLiteral("Ошибка чтения из Ext Mem\r\nпо адресу 0x");
inline const QString ErrWriteExtMem = QStringLiteral("Ошибка записи в Ext Mem\r\nпо адресу 0x");
inline const QString ErrReadAT45 = QStringLiteral("Ошибка чтения из AT45 Mem\r\nпо адресу 0x");
inline const QString ErrWriteAT45 = QStringLiteral("Ошибка записи в AT45 Mem\r\nпо адресу 0x");
inline const QString ProgressTotalPackets = QStringLiteral("Всего пакетов:");
inline const QString ProgressBadPackets = QStringLiteral("Битых пакетов:");
inline const QString ProgressCancel = QStringLiteral("Отмена");

// --- command helper, presence display, device list ---
inline const QString CommandNotAccepted = QStringLiteral("Команда не принята!");
inline const QString SettingsNotSaved = QStringLiteral(
    "Настройки не сохранены: файл \"%1\" не удалось записать: %2.\r\n"
    "Файл сохранил прежние настройки.");
inline const QString SettingsCauseNoFolder = QStringLiteral("папка \"%1\" недоступна");
inline const QString SettingsCauseIsFolder = QStringLiteral("на месте файла находится папка");
inline const QString SettingsCauseReadOnly = QStringLiteral("файл защищён от записи");
inline const QString SettingsCauseFolderReadOnly = QStringLiteral("нет права записи в папку \"%1\"");
inline const QString SettingsCauseDiskFull = QStringLiteral("на диске нет свободного места");
inline const QString SettingsCauseOther = QStringLiteral("ошибка записи (%1)");
inline const QString SettingsCauseUnknown = QStringLiteral("причина неизвестна");
inline const QString PortUnavailable = QStringLiteral("Порт COM%1 недоступен!");
inline const QString PortAbsent = QStringLiteral("Порт %1 отсутствует (устройство не подключено или имя неверно)");
inline const QString PortPermission =
    QStringLiteral("Нет доступа к порту %1: пользователь должен входить в группу \"%2\", владеющую устройством");
inline const QString PortBusy = QStringLiteral("Порт %1 занят другой программой");
inline const QString PortNotSerial = QStringLiteral("%1 не является последовательным портом");
inline const QString PortOtherError = QStringLiteral("Порт %1 не открывается (системная ошибка %2)");
// What to do about a port that did not open.
inline const QString DoctorPermission = QStringLiteral(
    "Добавьте пользователя в группу \"%1\": sudo usermod -aG %1 $USER, затем выйдите из системы и войдите снова");
inline const QString DoctorBusy = QStringLiteral("Порт держит процесс %1 (PID %2)");
inline const QString DoctorBusyUnknown =
    QStringLiteral("Процесс, держащий порт, не виден (чужие процессы видит только root): sudo fuser -v %1");
inline const QString DoctorModemManager = QStringLiteral(
    "ModemManager занимает USB-адаптеры, принимая их за модемы: sudo systemctl stop ModemManager "
    "(насовсем: sudo systemctl disable ModemManager)");
inline const QString DoctorBrltty =
    QStringLiteral("brltty занимает USB-адаптеры, принимая их за брайлевский дисплей: sudo apt remove brltty");
inline const QString DoctorCloseIt = QStringLiteral("Закройте эту программу (или: kill %1) и повторите");
inline const QString DoctorPortsThere = QStringLiteral("Имеющиеся порты: %1");
inline const QString DoctorNoPorts = QStringLiteral("Последовательных портов в системе нет: подключите адаптер");
// Network ports: %1 is the address as the user wrote it (tcp://… or rfc2217://…).
inline const QString NetBadAddress =
    QStringLiteral("%1: неверный адрес порта (нужно tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ)");
inline const QString NetNoFreeAlias =
    QStringLiteral("Все имена COM%1..COM%2 уже заняты: освободите одно в настройках (COM-port/Alias)");
inline const QString PortsNetPort = QStringLiteral("Сетевой порт:");
inline const QString NetUnresolved = QStringLiteral("%1: имя узла не найдено");
inline const QString NetRefused = QStringLiteral("%1: сервер отказал в соединении (порт закрыт или сервер не запущен)");
inline const QString NetConnectTimeOut = QStringLiteral("%1: сервер не ответил за %2 мс");
inline const QString NetSettingRefused = QStringLiteral("%1: сервер не принял настройку линии: %2");
inline const QString NetNoComPortOption =
    QStringLiteral("%1: сервер не поддерживает управление линией (RFC 2217); для простого TCP укажите tcp://");
inline const QString PortLost = QStringLiteral("COM%1: порт закрыт другой стороной (устройство отключено)");
inline const QString NetClosed = QStringLiteral("%1: сервер закрыл соединение");
inline const QString NetOtherError = QStringLiteral("%1: ошибка сети (системная ошибка %2)");
inline const QString NetSettingRate = QStringLiteral("скорость");
inline const QString NetSettingDataBits = QStringLiteral("число бит данных");
inline const QString NetSettingParity = QStringLiteral("чётность");
inline const QString NetSettingStopBits = QStringLiteral("число стоп-бит");
inline const QString NetSettingFlow = QStringLiteral("управление потоком (RTS)");
inline const QString NetSettingPurge = QStringLiteral("очистка буферов");
inline const QString InvalidValue = QStringLiteral("Неверное значение!");
inline const QString AskDeleteRecord = QStringLiteral("Удалить запись?");
inline const QString DeviceAddrTaken = QStringLiteral("Устройство с адресом %1 уже есть в списке!");
inline const QString PresenceNoValue = QStringLiteral("- - -");
inline const QString ParamsTitleName = QStringLiteral("Параметр");
inline const QString ParamsTitleValue = QStringLiteral("Значение");
inline const QString DeviceColFlag = QStringLiteral(" ");
inline const QString DeviceColN = QStringLiteral("№");
inline const QString DeviceColName = QStringLiteral("Устройство");
inline const QString DeviceColAddr = QStringLiteral("Адрес");
inline const QString HintDeviceAdd = QStringLiteral("Добавить (Insert)");
inline const QString HintDeviceEdit = QStringLiteral("Изменить (F4)");
inline const QString HintDeviceDel = QStringLiteral("Удалить (Del)");
inline const QString CaptionDeviceSelect = QStringLiteral("Выбрать");
inline const QString HintDeviceSelect = QStringLiteral("Выбрать (Пробел)");
inline const QString HintMoveUp = QStringLiteral("Переместить вверх");
inline const QString HintMoveDown = QStringLiteral("Переместить вниз");
inline const QString GroupDateTime = QStringLiteral("Дата/время");
inline const QString SyncDateTime = QStringLiteral("Синхронизировать с ПК");
inline const QString GroupMode = QStringLiteral("Режим (Mode)");
inline const QString GroupTemp = QStringLiteral("Температура");
inline const QString GroupVoltage = QStringLiteral("Напряжение");
inline const QString AccessDeviceList = QStringLiteral("Список устройств");
inline const QString AccessDeviceParams = QStringLiteral("Параметры устройства");
inline const QString EditDeviceCaption = QStringLiteral("Редактирование");
inline const QString EditDeviceName = QStringLiteral("Название устройства:");
inline const QString EditDeviceAddr = QStringLiteral("Адрес:");
inline const QString EditDeviceOK = QStringLiteral("OK");
inline const QString EditDeviceCancel = QStringLiteral("Отмена");
inline const QString ScanDevices = QStringLiteral("Найти устройства...");
inline const QString ScanCaption = QStringLiteral("Поиск устройств");
inline const QString ScanAddrFrom = QStringLiteral("Адреса с");
inline const QString ScanAddrTo = QStringLiteral("по");
inline const QString ScanStart = QStringLiteral("Найти");
inline const QString ScanStop = QStringLiteral("Остановить");
inline const QString ScanAdd = QStringLiteral("Добавить");
inline const QString ScanClose = QStringLiteral("Закрыть");
inline const QStringList ScanColumns = {
    QStringLiteral("Адрес"),          QStringLiteral("Режим"),   QStringLiteral("Имя"),
    QStringLiteral("Версия"),         QStringLiteral("Сборка"),  QStringLiteral("Микроконтроллер"),
    QStringLiteral("Внешняя память"), QStringLiteral("В списке")};
inline const QString ScanExtNone = QStringLiteral("нет");
inline const QString ScanExtKiB = QStringLiteral("%1 КБ");
inline const QString ScanExtBytes = QStringLiteral("%1 байт");
inline const QString ScanRunning = QStringLiteral("Опрошено адресов: %1 из %2, найдено устройств: %3");
inline const QString ScanDone = QStringLiteral("Поиск окончен: опрошено адресов %1 из %2, найдено устройств: %3");
inline const QString ScanStopped = QStringLiteral("Поиск остановлен: опрошено адресов %1 из %2, найдено устройств: %3");
inline const QString ScanAdded = QStringLiteral("Добавлено в список: %1, обновлено: %2");
inline const QString ScanNoPort = QStringLiteral("Порт не открыт: выберите его в меню «Настройки» → «COM-порт...»");
inline const QString ScanNewName = QStringLiteral("Адрес %1");

// --- application shell: main window, splash, port/address/options/database/About dialogs ---
inline const QString SplashLoadingLog = QStringLiteral("Загрузка журнала событий...");
inline const QString LogStart = QStringLiteral("Старт");
inline const QString LogStop = QStringLiteral("Стоп");
inline const QString StatusVersion = QStringLiteral("Версия: %1");
inline const QString StatusNoPort = QStringLiteral("- - -");
// Connection state in status bar panel 0 while no device answers.
inline const QString StatusChoosePort = QStringLiteral("Порт не выбран: «Настройки» → «COM-порт...»");
inline const QString StatusPortUnavailable = QStringLiteral("COM%1 недоступен, ждём подключения адаптера");
inline const QString StatusPortHungUp = QStringLiteral("COM%1: связь прервана, ждём подключения адаптера");
inline const QString CatalogNotLoaded =
    QStringLiteral("Каталог контроллеров не загружен, устройства не опрашиваются:\r\n%1");
inline const QString CatalogNoControllers = QStringLiteral("%1: в каталоге нет ни одного контроллера");
inline const QString PortsAbsent = QStringLiteral("устройство не подключено");
inline const QString StatusDeviceSilent = QStringLiteral("Устройство %1 не отвечает");
inline const QString MenuDataBase = QStringLiteral("База данных");
inline const QString MenuDataBaseLocation = QStringLiteral("Расположение...");
inline const QString MenuSettings = QStringLiteral("Настройки");
inline const QString MenuChangeAddr = QStringLiteral("Сменить адрес...");
inline const QString MenuCOMPort = QStringLiteral("COM-порт...");
inline const QString MenuOptions = QStringLiteral("Параметры...");
inline const QString MenuAllControls = QStringLiteral("Все кнопки активны");
inline const QString MenuHelp = QStringLiteral("?");
inline const QString MenuAbout = QStringLiteral("О программе...");
inline const QString TabDevice = QStringLiteral("Устройства");
inline const QString TabFLASH = QStringLiteral("FLASH");
inline const QString TabExtMem = QStringLiteral("Ext Mem");
inline const QString TabCmd = QStringLiteral("Команды");
inline const QString TabDORNA = QStringLiteral("ДОРНА");
inline const QString TabPLEVA = QStringLiteral("ПЛЕВА");
inline const QString TabTARVIK = QStringLiteral("Тарвик");
inline const QString TabVIDA = QStringLiteral("ВИДА");
inline const QString TabGALTE = QStringLiteral("ГАЛТЕ");
inline const QString TabTRAVO = QStringLiteral("ТРАВО");
inline const QString TabUSBRelay = QStringLiteral("USB-реле");
inline const QString TabKESTA = QStringLiteral("КЕСТА");
inline const QString TabFentor = QStringLiteral("Fentor");
inline const QString TabSARVEL = QStringLiteral("САРВЕЛ");
inline const QString TabPELNIK = QStringLiteral("ПЕЛНИК");
inline const QString TabCtrlExtMem = QStringLiteral("Управление Ext Mem");
inline const QString TabImage = QStringLiteral("Изображение");
inline const QString BtnReset = QStringLiteral("Сброс");
inline const QString BtnRunProgram = QStringLiteral("Работа");
inline const QString BtnRunBootloader = QStringLiteral("Загрузчик");
inline const QString PortsCaption = QStringLiteral("COM-порт");
inline const QString PortsPort = QStringLiteral("Порт:");
inline const QString PortsNone = QStringLiteral("<нет>");
inline const QString PortsBaudRate = QStringLiteral("Скорость (бит/сек):");
inline const QString PortsRepCount = QStringLiteral("Кол-во перезапросов:");
inline const QString ButtonOK = QStringLiteral("OK");
inline const QString ButtonCancel = QStringLiteral("Отмена");
inline const QString ChangeAddrCaption = QStringLiteral("Изменение адреса");
inline const QString OptionsCaption = QStringLiteral("Параметры");
inline const QString OptionsGeneral = QStringLiteral("Общие");
inline const QString OptionsSheets = QStringLiteral("Вкладки");
inline const QString OptionsBlockSize = QStringLiteral("Размер блока Ext Mem:");
inline const QString OptionsResetSystem = QStringLiteral("Система сброса версии 5.1 и ниже");
inline const QString OptionsBLVersion = QStringLiteral("Версия загрузчика");
inline const QString OptionsAutoDetect = QStringLiteral("Определять автоматически");
inline const QString OptionsVersion50 = QStringLiteral("5.0 и ниже");
inline const QString OptionsVersion51 = QStringLiteral("5.1 и выше");
inline const QString OptionsSetAll = QStringLiteral("Отметить все");
inline const QString OptionsClearAll = QStringLiteral("Снять все");
inline const QString DataBaseCaption = QStringLiteral("База данных");
inline const QString DataBaseFileName = QStringLiteral("Имя файла базы данных:");
inline const QString DataBaseOpenTitle = QStringLiteral("Открыть");
inline const QString DataBaseFilter = QStringLiteral("Файлы базы данных (*.db);;All files (*)");
inline const QString AboutCaption = QStringLiteral("О программе");
inline const QString AboutMadeFor = QStringLiteral("Сделано для России");
inline const QString AboutMadeIn = QStringLiteral("Сделано в России");
inline const QString AboutSite = QStringLiteral("https://zevanta.example");
inline const QString AboutEMail = QStringLiteral("support@zevanta.example");
inline const QString DemoDeviceBoot50 = QStringLiteral("Демо: загрузчик 5.0");
inline const QString DemoDeviceBoot51 = QStringLiteral("Демо: загрузчик 5.1");
inline const QString DemoDeviceBoot60 = QStringLiteral("Демо: загрузчик 6.0");
inline const QString DemoDeviceApp5 = QStringLiteral("Демо: прибор 5-го поколения");
inline const QString DemoDeviceApp6 = QStringLiteral("Демо: прибор 6-го поколения");
inline const QString DemoDeviceUsbRelay5 = QStringLiteral("Демо: USB-реле, 4 реле");
inline const QString DemoDeviceUsbRelay8 = QStringLiteral("Демо: USB-реле, 8 реле и RESET");
inline const QString DemoDeviceMiran = QStringLiteral("Демо: Fentor (MIRAN)");
inline const QString DemoDeviceSarvel = QStringLiteral("Демо: САРВЕЛ, блоки выходов");
inline const QString DemoDeviceKesta = QStringLiteral("Демо: КЕСТА, три колонны");
inline const QString DemoDeviceGalte = QStringLiteral("Демо: ГАЛТЕ с ведомыми");

// --- FLASH, external-memory and console tabs, bottom panel ---
inline const QString MemRead = QStringLiteral("Чтение");
inline const QString MemWrite = QStringLiteral("Запись...");
inline const QString HintWriteFLASH = QStringLiteral("Запись FLASH (F5)");
inline const QString MemCompare = QStringLiteral("Сравнить с буфером");
inline const QString MemOpen = QStringLiteral("Открыть...");
inline const QString MemSave = QStringLiteral("Сохранить...");
inline const QString RunAfterSave = QStringLiteral("Запускать после записи");
inline const QString ReloadFile = QStringLiteral("Перезагружать файл");
inline const QString VerifyAfterSave = QStringLiteral("Сравнивать после записи");
inline const QString WriteFLASHToAll = QStringLiteral("Записать все...");
inline const QString GroupMCU = QStringLiteral("Микроконтроллер");
inline const QString ChecksumEmpty = QStringLiteral("Checksum:");
inline const QString HintReset = QStringLiteral("Сброс устройства");
inline const QString HintRunProgram = QStringLiteral("Переключение в раюочий режим (F9)");
inline const QString HintRunBootloader = QStringLiteral("Переключение в режим загрузчика (F11)");
inline const QString FlashFileNone = QStringLiteral("Файл не загружен");
inline const QString FlashFileLoaded = QStringLiteral("Файл: %1\n%2");
inline const QString FlashFromDevice = QStringLiteral("Прочитано из устройства\n%1");
inline const QString StatusFlashWritten = QStringLiteral("Запись FLASH завершена");
inline const QString StatusFlashWrittenFile = QStringLiteral("Запись FLASH завершена: %1");
inline const QString StatusFlashVerified = QStringLiteral("Запись FLASH завершена и проверена");
inline const QString StatusFlashVerifiedFile = QStringLiteral("Запись FLASH завершена и проверена: %1");
inline const QString StatusFlashRead = QStringLiteral("Чтение FLASH завершено");
inline const QString FlashBufferLoadedForOther = QStringLiteral(
    "Файл прошивки загружен для %1, а выбрано устройство %2.\r\n"
    "Загрузите файл заново или включите \"Перезагружать файл\".");
inline const QString FlashBufferReadForOther = QStringLiteral(
    "Буфер FLASH прочитан из %1, а выбрано устройство %2.\r\n"
    "Прочитайте FLASH этого устройства или загрузите файл.");
inline const QString StatusFlashCompared = QStringLiteral("Сравнение FLASH: данные совпадают");
inline const QString StatusLineAt = QStringLiteral("%1  %2");
inline const QString StatusExtMemRead = QStringLiteral("Чтение внешней памяти завершено");
inline const QString StatusExtMemWritten = QStringLiteral("Запись внешней памяти завершена");
inline const QString StatusExtMemCompared = QStringLiteral("Сравнение внешней памяти: данные совпадают");
inline const QString StatusLcdRead = QStringLiteral("Чтение изображения завершено");
inline const QString StatusLcdWritten = QStringLiteral("Запись изображения завершена");
inline const QString StatusFobsWritten = QStringLiteral("Список брелоков записан");
inline const QString StatusTimeoutWritten = QStringLiteral("Тайм-аут записан");
inline const QString StatusZoneWritten = QStringLiteral("Зона сигнализации записана");
inline const QString StatusModeWritten = QStringLiteral("Режим и коэффициент записаны");
inline const QString StatusCalibrationWritten = QStringLiteral("Калибровка записана");
inline const QString StatusChannelCleared = QStringLiteral("Канал №%1 очищен");
inline const QString StatusByteWritten = QStringLiteral("Байт %1 записан по адресу %2");
// A write whose failure shows no box says on the line what was not done: "Реле 3: Команда не принята!".
inline const QString StatusFailed = QStringLiteral("%1: %2");
inline const QString AskFirmwareNotLoaded = QStringLiteral("Файл прошивки не был загружен.\r\nПродолжить?");
inline const QString NoMainProgram = QStringLiteral("В центральном контроллере отсутствует основная программа!");
inline const QString AskWriteFLASHToAll = QStringLiteral("Записать FLASH всех устройств?");
inline const QString MemOpenFilter = QStringLiteral("Файлы HEX (*.hex);;Файлы BIN (*.bin);;Все файлы (*.*)");
inline const QString MemSaveFilter = QStringLiteral("Файлы HEX (*.hex);;Файлы BIN (*.bin);;Файлы WAV (*.wav)");
// The files last opened on the FLASH and external-memory tabs, one submenu per tab.
inline const QString MenuRecentFiles = QStringLiteral("Последние файлы");
inline const QString RecentFilesEmpty = QStringLiteral("(пусто)");
inline const QString RecentFileMissing = QStringLiteral("Файл %1 не найден.\r\nОн убран из списка последних файлов.");
inline const QString CtrlBeginAddr = QStringLiteral("Начальный адрес:");
inline const QString CtrlCountBytes = QStringLiteral("Количество:");
inline const QString CtrlReadData = QStringLiteral("Считать");
inline const QString CtrlAddrForWrite = QStringLiteral("Адрес:");
inline const QString CtrlWriteValue = QStringLiteral("Значение:");
inline const QString CtrlWriteData = QStringLiteral("Записать");
inline const QString CtrlTypeData = QStringLiteral("Система счисления");
inline const QString ConsoleCmd = QStringLiteral("Команда:");
inline const QString ConsoleData = QStringLiteral("Данные:");
inline const QString ConsoleSend = QStringLiteral("Отослать");
inline const QString ConsoleSendHint = QStringLiteral("F9");
inline const QString ConsoleClear = QStringLiteral("Очистить");
inline const QString ConsoleClearHint = QStringLiteral("F8");
inline const QString ConsoleAnswer = QStringLiteral("Ответ:");
inline const QString ConsoleCmdPlaceholder = QStringLiteral("hex, 1-2 цифры");
inline const QString ConsoleDataPlaceholder = QStringLiteral("байты в hex, например 06 47 или 0647");
inline const QString ConsoleCmdInvalid = QStringLiteral("Команда — одна или две шестнадцатеричные цифры (00..FF)");
inline const QString ConsoleDataInvalid =
    QStringLiteral("Данные — пары шестнадцатеричных цифр, пробелы между байтами допустимы");

// --- map view ---
inline const QString MapCaption = QStringLiteral("Карта");
inline const QString MapLoading = QStringLiteral("Загрузка маршрута...");
inline const QString MapScriptError = QStringLiteral("Ошибка исполнения скрипта!");
inline const QString MapGroupScale = QStringLiteral("Масштаб");
inline const QString MapZoomAll = QStringLiteral("Целиком");
inline const QString MapZoomIn = QStringLiteral("Увеличить");
inline const QString MapZoomOut = QStringLiteral("Уменьшить");
inline const QString MapShowLines = QStringLiteral("Показывать линии");
inline const QString MapShowPoints = QStringLiteral("Показывать точки");

}  // namespace Msg

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

// The route-guidance texts: the route tab, the unit exchange, the import, route sets and the
// unit's dialogs. Kept beside the program's other texts (same namespace), exactly as quoted.
namespace Msg {
inline const QString NotFormatted = QStringLiteral("Внутренняя память не отформатирована!");
inline const QString AskWriteRoutes = QStringLiteral("Сохранить маршруты во внутренней памяти блока?");
inline const QString RoutesWritten = QStringLiteral("Записано в блок: маршрутов %1, поворотов %2");
inline const QString RoutesRead = QStringLiteral("Прочитано из блока: маршрутов %1");
inline const QString AskSaveRouteSet =
    QStringLiteral("Сохранить маршруты в БД?\r\n\r\nВНИМАНИЕ! Все предыдущие маршруты будут удалены!");
inline const QString AskMergeRoutes = QStringLiteral("Объединить %1 %2?");
inline const QString RouteOne = QStringLiteral("маршрут");
inline const QString RouteFew = QStringLiteral("маршрута");
inline const QString RouteMany = QStringLiteral("маршрутов");
inline const QString TurnOne = QStringLiteral("поворот");
inline const QString TurnFew = QStringLiteral("поворота");
inline const QString TurnMany = QStringLiteral("поворотов");
// The second line of "Удалить запись?" for a card or route that is not empty.
inline const QString DeleteGoesWith = QStringLiteral("Вместе с ней будут удалены: %1.");
inline const QString CannotOpenFile = QStringLiteral("Невозможно открыть файл!");
inline const QString WrongMasterPassword = QStringLiteral("Неверный мастер-пароль!");
// The number conversion's own error, as for any field that holds no number.
inline const QString NotAnInteger = QStringLiteral("'%1' не является допустимым целым числом");
inline const QString PasswordsDiffer = QStringLiteral("Введённые новые пароли не совпадают!");
inline const QString PasswordRefused = QStringLiteral("Команда не принята!\r\nУстановка нового пароля не произведена.");
inline const QString RouteColN = QStringLiteral("№");
inline const QString RouteColName = QStringLiteral("Маршрут");
inline const QString RouteColCount = QStringLiteral("Кол-во точек");
inline const QString TurnColBegin = QStringLiteral("Начало поворота");
inline const QString TurnColEnd = QStringLiteral("Конец поворота");
inline const QString TurnColType = QStringLiteral("Тип поворота");
inline const QString HintAdd = QStringLiteral("Добавить (Insert)");
inline const QString HintEditLower = QStringLiteral("Изменить (f4)");
inline const QString HintEdit = QStringLiteral("Изменить (F4)");
inline const QString HintDel = QStringLiteral("Удалить (Del)");
// What a screen reader says for the "+", "…" and "−" of the route, card and turn rows.
inline const QString SpokenAddRoute = QStringLiteral("Добавить маршрут");
inline const QString SpokenEditRoute = QStringLiteral("Изменить маршрут");
inline const QString SpokenDelRoute = QStringLiteral("Удалить маршрут");
inline const QString SpokenAddCard = QStringLiteral("Добавить карту памяти");
inline const QString SpokenEditCard = QStringLiteral("Изменить карту памяти");
inline const QString SpokenDelCard = QStringLiteral("Удалить карту памяти");
inline const QString SpokenAddTurn = QStringLiteral("Добавить поворот");
inline const QString SpokenEditTurn = QStringLiteral("Изменить поворот");
inline const QString SpokenDelTurn = QStringLiteral("Удалить поворот");
inline const QString BtnUnion = QStringLiteral("Объединить");
inline const QString BtnSelectAll = QStringLiteral("Выделить все");
inline const QString BtnGoogleMap = QStringLiteral("Карта Google");
inline const QString BtnImport = QStringLiteral("Импорт...");
inline const QString BtnExport = QStringLiteral("Экспорт...");
inline const QString ExportCaption = QStringLiteral("Экспорт маршрутов");
inline const QString ExportFilter = QStringLiteral("Файлы GPX (*.gpx);;Файлы KML (*.kml)");
inline const QString ExportDone = QStringLiteral("Экспорт: маршрутов %1, точек %2 в %3");
inline const QString ExportPointLeftOut =
    QStringLiteral("Маршрут «%1», поворот %2 (%3): «%4» не является координатой, точка не выгружена");
inline const QString FileIsDatabase = QStringLiteral("это файл базы данных; выберите другой файл");
// The device list with each device's last identification, for handing over an installation.
inline const QString InventoryAction = QStringLiteral("Отчёт об устройствах...");
inline const QString InventoryFilter = QStringLiteral("Файлы CSV (*.csv);;Файлы JSON (*.json)");
inline const QString InventoryDone = QStringLiteral("Отчёт об устройствах: %1 в %2");
inline const QString BtnChangePassword = QStringLiteral("Сменить пароль...");
inline const QString BtnIU = QStringLiteral("Исполнит. устр-ва...");
inline const QString EditCaption = QStringLiteral("Редактирование");
inline const QString EditRouteName = QStringLiteral("Название маршрута:");
inline const QString EditCardName = QStringLiteral("Название карты памяти:");
inline const QString EditTurnBegin = QStringLiteral("Начало поворота");
inline const QString EditTurnEnd = QStringLiteral("Конец поворота");
inline const QString EditLatitude = QStringLiteral("Широта:");
inline const QString EditLongitude = QStringLiteral("Долгота:");
inline const QString EditTurnType = QStringLiteral("Тип:");
inline const QString ImportCaption = QStringLiteral("Импорт поворотов");
inline const QString ImportSheets = QStringLiteral("Листы книги Excel:");
inline const QString ImportFilter = QStringLiteral(
    "Файлы Excel (*.xls);;Файлы Excel 2007-2010 (*.xlsx);;Файлы OpenDocument (*.ods);;Файлы CSV (*.csv);;Все файлы "
    "(*.*)");
// Why a spreadsheet cannot be imported (follow "Невозможно открыть файл!" or stand alone).
inline const QString SheetZipDamaged = QStringLiteral("файл повреждён: архив ZIP не читается");
inline const QString SheetZipNoWorkbook = QStringLiteral("это архив ZIP, но не книга Excel или OpenDocument");
inline const QString SheetPartDamaged = QStringLiteral("в книге нет части %1 или она повреждена");
inline const QString SheetPartTooBig = QStringLiteral("часть %1 книги больше %2 МБ после распаковки");
inline const QString SheetXmlDamaged = QStringLiteral("часть %1 книги повреждена: %2");
inline const QString SheetNoSheets = QStringLiteral("в книге нет ни одного листа");
inline const QString SheetNotSpreadsheet = QStringLiteral("это не файл Excel, OpenDocument или CSV");
inline const QString SheetBinaryCsv = QStringLiteral("в файле CSV есть двоичные данные");
inline const QString SheetTooBig = QStringLiteral("файл больше %1 МБ");
inline const QString SheetNoTempFile = QStringLiteral("нет места для временного файла");
inline const QString SheetXlsDamaged = QStringLiteral("файл Excel (.xls) повреждён: %1");
// What the compound-document check of a .xls file found (follows SheetXlsDamaged).
inline const QString CfbHeader = QStringLiteral("неверный заголовок составного документа");
inline const QString CfbSectorSize = QStringLiteral("неверный размер сектора");
inline const QString CfbChain = QStringLiteral("цепочка секторов (%1) выходит за конец файла или зациклена");
inline const QString CfbDirectory = QStringLiteral("каталог документа повреждён");
inline const QString CfbStreamShort = QStringLiteral("поток «%1» длиннее своей цепочки секторов");
inline const QString CfbNoWorkbook = QStringLiteral("в документе нет книги (потока Workbook)");
inline const QString CfbRecords = QStringLiteral("записи книги выходят за её поток или повторяются");
inline const QString SheetXlsUnreadable = QStringLiteral("файл Excel (.xls) не читается");
inline const QString SheetXlsPassword = QStringLiteral("книга защищена паролем");
inline const QString SheetXlsSheetDamaged = QStringLiteral("лист %1 повреждён");
inline const QString SheetNoSuchSheet = QStringLiteral("в книге нет листа %1");
inline const QString SheetCancelled = QStringLiteral("импорт отменён");
inline const QString SheetTooSlow = QStringLiteral("чтение файла заняло больше %1 с; импорт остановлен");
inline const QString SheetCellCap = QStringLiteral(
    "Лист «%1» прочитан не полностью: программа читает с листа не больше %2 непустых ячеек, чтение "
    "остановилось на строке %3.");
inline const QString SheetRowCap = QStringLiteral("Лист «%1» прочитан не полностью: строки после %2-й не читаются.");
// The turn import's own refusals and notes.
inline const QString ImportBadCoord = QStringLiteral("Строка %1, столбец %2 листа «%3»: неверная координата «%4»");
inline const QString ImportHeaderSkipped =
    QStringLiteral("Строка 1 листа «%1» пропущена как заголовок: в ней нет ни одной координаты.");
inline const QString ImportNoTurns = QStringLiteral(
    "На листе «%1» нет поворотов: строка %2 пуста в столбцах A, C, D и E, а импорт читает строки "
    "подряд с первой до такой строки. Ничего не импортировано.");
inline const QString ImportSheetFailed = QStringLiteral("Лист «%1»: %2");
inline const QString RoutesCaption = QStringLiteral("Маршруты");
inline const QString TurnsCaption = QStringLiteral("Повороты");
inline const QString BtnView = QStringLiteral("Просмотр");
inline const QString BtnSaveToDB = QStringLiteral("Сохранить в БД...");
inline const QString BtnClose = QStringLiteral("Закрыть");
inline const QString PasswordCaption = QStringLiteral("Изменение пароля");
inline const QString MasterPassword = QStringLiteral("Мастер-пароль:");
inline const QString NewPassword = QStringLiteral("Новый пароль:");
inline const QString RepeatPassword = QStringLiteral("Повтор пароля:");
inline const QString IUCaption = QStringLiteral("Управление исполнительными устройствами");
inline const QString IUGroup = QStringLiteral("Исполнительные устройства");
inline const QString IUSpeedGroup = QStringLiteral("Сигналы частотного привода");
inline const QString IUSet = QStringLiteral("Установить");
inline const QString DemoDeviceTravo = QStringLiteral("Демо: ТРАВО");
inline const QString DemoDeviceTravoBlank = QStringLiteral("Демо: ТРАВО без разметки");

}  // namespace Msg

// Texts of the relay, SARVEL, KESTA and GALTE tabs (kept beside the panels, like the route texts).
namespace Msg {

inline const QString GroupInputs = QStringLiteral("Входы");
inline const QString GroupOutputs = QStringLiteral("Выходы");
inline const QString GroupRelays = QStringLiteral("Реле");
inline const QString GroupRelayReset = QStringLiteral("Реле RESET");
// What a screen reader says for a relay button whose caption is its bare number.
inline const QString RelayAccessibleName = QStringLiteral("Реле %1");
inline const QString BtnAllOff = QStringLiteral("Выключить все");
inline const QString BtnAllOn = QStringLiteral("Включить все");
inline const QString GroupAddr = QStringLiteral("Адрес");
inline const QString GroupVersion = QStringLiteral("Версия");
inline const QString BtnWrite = QStringLiteral("Записать");
inline const QString GroupControl = QStringLiteral("Управление");
inline const QString BtnKestaUp = QStringLiteral("ПОДНЯТЬ");
inline const QString BtnKestaDown = QStringLiteral("ОПУСТИТЬ");
inline const QString BtnKestaStop = QStringLiteral("СТОП");
inline const QString LabelTimeoutKESTA = QStringLiteral("Тайм-аут (сек):");
inline const QString HintReadTimeout = QStringLiteral("Считать тайм-аут");
inline const QString HintWriteTimeout = QStringLiteral("Записать тайм-аут");
inline const QString HintCopy = QStringLiteral("Скопировать");
inline const QString HintPaste = QStringLiteral("Вставить");
inline const QString FobHintAdd = QStringLiteral("Добавить");
inline const QString FobHintEdit = QStringLiteral("Изменить");
inline const QString FobHintDelete = QStringLiteral("Удалить");
inline const QString HintLoadFromController = QStringLiteral("Загрузить из контроллера");
inline const QString HintSaveToController = QStringLiteral("Записать в контроллер");
inline const QString FobCodeLabel = QStringLiteral("Код пульта:");
inline const QString FobColCode = QStringLiteral("Код пульта");
inline const QString FobListNotRead = QStringLiteral(
    "Список брелоков не прочитан: ответ контроллера короче, чем в нём заявлено.\r\n"
    "Показан прежний список.");
inline const QString AskSaveData = QStringLiteral("Сохранить данные?");
inline const QString SlaveColName = QStringLiteral("Название");
inline const QString SlaveNameLabel = QStringLiteral("Название Ведомого:");
inline const QString BtnToggleRelay = QStringLiteral("Переключить реле");
inline const QString BtnRefreshStatus = QStringLiteral("Обновить статусы");
inline const QString BtnResetSlave = QStringLiteral("Сбросить");
inline const QString BtnChangeAddr = QStringLiteral("Изменить адрес");
inline const QString ChangeAddrSlaveCaption = QStringLiteral("Изменение адреса");
inline const QString DemoSlavePump = QStringLiteral("Насос");
inline const QString DemoSlaveFan = QStringLiteral("Вентилятор");
inline const QString DemoSlaveSilent = QStringLiteral("Не отвечает");
inline const QString DemoSlaveLight = QStringLiteral("Освещение");
inline const QString StatusRelayOn = QStringLiteral("Реле %1 включено");
inline const QString StatusRelayOff = QStringLiteral("Реле %1 выключено");
inline const QString StatusAllRelaysOn = QStringLiteral("Все реле включены");
inline const QString StatusAllRelaysOff = QStringLiteral("Все реле выключены");
inline const QString StatusCommandAccepted = QStringLiteral("%1: команда принята");
inline const QString StatusPlevaRelaysWritten = QStringLiteral("Реле платы %1 записаны");
inline const QString StatusSarvelWritten = QStringLiteral("Выходы блока %1 записаны");
inline const QString StatusSlaveRelayOn = QStringLiteral("Ведомый %1: реле включено");
inline const QString StatusSlaveRelayOff = QStringLiteral("Ведомый %1: реле выключено");
inline const QString StatusSlaveReset = QStringLiteral("Ведомый %1 сброшен");
inline const QString StatusSlaveAddrChanged = QStringLiteral("Адрес ведомого %1 изменён на %2");

}  // namespace Msg

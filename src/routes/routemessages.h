#pragma once
#include <QString>

// The route-guidance texts: the route tab, the unit exchange, the import, route sets and the
// unit's dialogs. Kept beside the program's other texts (same namespace), exactly as quoted.
namespace Msg {
inline const QString NotFormatted = QStringLiteral("Внутренняя память не отформатирована!");
inline const QString AskWriteRoutes = QStringLiteral("Сохранить маршруты во внутренней памяти блока?");
inline const QString AskSaveRouteSet = QStringLiteral(
    "Сохранить маршруты в БД?\r\n\r\nВНИМАНИЕ! Все предыдущие маршруты будут удалены!");
inline const QString AskMergeRoutes = QStringLiteral("Объединить %1 %2?");
inline const QString RouteOne = QStringLiteral("маршрут");
inline const QString RouteFew = QStringLiteral("маршрута");
inline const QString RouteMany = QStringLiteral("маршрутов");
inline const QString CannotOpenFile = QStringLiteral("Невозможно открыть файл!");
inline const QString WrongMasterPassword = QStringLiteral("Неверный мастер-пароль!");
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
inline const QString BtnUnion = QStringLiteral("Объединить");
inline const QString BtnSelectAll = QStringLiteral("Выделить все");
inline const QString BtnGoogleMap = QStringLiteral("Карта Google");
inline const QString BtnImport = QStringLiteral("Импорт...");
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
    "Файлы Excel (*.xls);;Файлы Excel 2007-2010 (*.xlsx);;Файлы OpenDocument (*.ods);;Файлы CSV (*.csv);;Все файлы (*.*)");
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

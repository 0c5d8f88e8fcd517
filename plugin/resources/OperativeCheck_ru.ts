<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>DialogListObjects</name>
    <message>
        <source>List objects</source>
        <translation>Список объектов</translation>
    </message>
</context>
<context>
    <name>DialogSelectGraphObj</name>
    <message>
        <source>List graphic objects</source>
        <translation>Список графических объектов</translation>
    </message>
</context>
<context>
    <name>GraphObIconText</name>
    <message>
        <source>Event</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HotSituation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hijacking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kill</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PostMOB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PostDPS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PostPPS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PostOMON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>House</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SubUnit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PoliceStation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ScreetCamera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pharmacy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hospital</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GraphObject</name>
    <message>
        <source>Diameter, m</source>
        <translation>Диаметр, м</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Цвет</translation>
    </message>
    <message>
        <source>Brush</source>
        <translation>Заливка</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Комментарий</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>Значок</translation>
    </message>
    <message>
        <source>Abstract</source>
        <translation>Абстрактный</translation>
    </message>
    <message>
        <source>IconText</source>
        <translation>Значок</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Линия</translation>
    </message>
    <message>
        <source>Polygone</source>
        <translation>Многоугольник</translation>
    </message>
    <message>
        <source>Circle</source>
        <translation>Круг</translation>
    </message>
    <message>
        <source>Cone</source>
        <translation>Конус</translation>
    </message>
    <message>
        <source>[New %0 %1]</source>
        <translation>[Новый объект: %0 %1]</translation>
    </message>
    <message>
        <source>Param</source>
        <translation>Параметр</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Значение</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Ширина</translation>
    </message>
</context>
<context>
    <name>OperativeBase</name>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрытие</translation>
    </message>
    <message>
        <source>The route edits are not saved. Save them before closing? The window closes once the server has them.</source>
        <translation>Изменения маршрутов не сохранены. Сохранить их перед закрытием? Окно закроется, когда сервер их примет.</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Обновление</translation>
    </message>
    <message>
        <source>The route edits are not saved. Save them before reloading? Reloading without saving drops them.</source>
        <translation>Изменения маршрутов не сохранены. Сохранить их перед обновлением? Обновление без сохранения их отбросит.</translation>
    </message>
    <message>
        <source>Another operator changed the routes.</source>
        <translation>Другой оператор изменил маршруты.</translation>
    </message>
    <message>
        <source>Save, then reload</source>
        <translation>Сохранить и обновить</translation>
    </message>
    <message>
        <source>Reload, dropping my edits</source>
        <translation>Обновить без моих правок</translation>
    </message>
    <message>
        <source>The connection is back; your edits are not saved yet.</source>
        <translation>Связь восстановлена; ваши изменения ещё не сохранены.</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
</context>
<context>
    <name>OperativeCheck</name>
    <message>
        <source>Delete route &quot;%1&quot;?</source>
        <translation>Удалить маршрут &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>Type days and hh:mm:ss</source>
        <translation>Введите дни и чч:мм:сс</translation>
    </message>
    <message>
        <source>Hours up to 23, minutes up to 59</source>
        <translation>Часы до 23, минуты до 59</translation>
    </message>
    <message>
        <source>Own colours: due</source>
        <translation>Свои цвета: ожидается</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Пройден</translation>
    </message>
    <message>
        <source>Violated</source>
        <translation>Нарушен</translation>
    </message>
    <message>
        <source>New section %0</source>
        <translation>Новый участок %0</translation>
    </message>
    <message>
        <source>Check off</source>
        <translation>Контроль выключен</translation>
    </message>
    <message>
        <source>Plan Perehvat </source>
        <translation>План Перехват </translation>
    </message>
    <message>
        <source>Check on </source>
        <translation>Контроль с </translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>Message on time in</source>
        <translation>Сообщать о въезде</translation>
    </message>
    <message>
        <source>Message on time out</source>
        <translation>Сообщать о выезде</translation>
    </message>
    <message>
        <source>Check schedule on</source>
        <translation>Контроль расписания</translation>
    </message>
    <message>
        <source>CheckTimeIn</source>
        <translation>Время въезда</translation>
    </message>
    <message>
        <source>CheckTimeIn, ahead, sec</source>
        <translation>Въезд, раньше, с</translation>
    </message>
    <message>
        <source>CheckTimeIn, behind, sec</source>
        <translation>Въезд, позже, с</translation>
    </message>
    <message>
        <source>CheckTimeOut</source>
        <translation>Время выезда</translation>
    </message>
    <message>
        <source>CheckTimeOut, ahead, sec</source>
        <translation>Выезд, раньше, с</translation>
    </message>
    <message>
        <source>CheckTimeOut, behind, sec</source>
        <translation>Выезд, позже, с</translation>
    </message>
    <message>
        <source>Delay into</source>
        <translation>Время на участке</translation>
    </message>
    <message>
        <source>Param</source>
        <translation>Параметр</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Значение</translation>
    </message>
    <message>
        <source>Check time type</source>
        <translation>Тип времени контроля</translation>
    </message>
    <message>
        <source>Objects</source>
        <translation>Объекты</translation>
    </message>
    <message>
        <source>09 \d\ays 09:99:99</source>
        <translation>09 дней 09:99:99</translation>
    </message>
    <message>
        <source>%4 days %3:%2:%1</source>
        <translation>%4 дней %3:%2:%1</translation>
    </message>
    <message>
        <source>Show on map</source>
        <translation>Показать на карте</translation>
    </message>
    <message>
        <source>Set check off</source>
        <translation>Выключить контроль</translation>
    </message>
    <message>
        <source>Set check on</source>
        <translation>Включить контроль</translation>
    </message>
    <message>
        <source>Add route</source>
        <translation>Добавить маршрут</translation>
    </message>
    <message>
        <source>Add section</source>
        <translation>Добавить участок</translation>
    </message>
    <message>
        <source>Del route</source>
        <translation>Удалить маршрут</translation>
    </message>
    <message>
        <source>Del section</source>
        <translation>Удалить участок</translation>
    </message>
    <message>
        <source>Select objects</source>
        <translation>Выбрать объекты</translation>
    </message>
    <message>
        <source>Select graphic objects</source>
        <translation>Выбрать графические объекты</translation>
    </message>
    <message>
        <source>Graphic layers/rules</source>
        <translation>Графические слои/правила</translation>
    </message>
    <message>
        <source>Check Mode</source>
        <translation>Режим контроля</translation>
    </message>
    <message>
        <source>AtStart</source>
        <translation>От включения</translation>
    </message>
    <message>
        <source>EveryDay</source>
        <translation>Ежедневно</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Еженедельно</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Ежемесячно</translation>
    </message>
    <message>
        <source>Plan Perehvat</source>
        <translation>План Перехват</translation>
    </message>
    <message>
        <source>New group…</source>
        <translation>Новая группа…</translation>
    </message>
    <message>
        <source>New route…</source>
        <translation>Новый маршрут…</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>Переименовать…</translation>
    </message>
    <message>
        <source>New route</source>
        <translation>Новый маршрут</translation>
    </message>
    <message>
        <source>Name of the new route:</source>
        <translation>Название нового маршрута:</translation>
    </message>
    <message>
        <source>New group</source>
        <translation>Новая группа</translation>
    </message>
    <message>
        <source>Name of the new group:</source>
        <translation>Название новой группы:</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Переименовать</translation>
    </message>
    <message>
        <source>New name:</source>
        <translation>Новое название:</translation>
    </message>
    <message>
        <source>Section times count once, from the moment checking is switched on.</source>
        <translation>Время участков отсчитывается один раз, от момента включения контроля.</translation>
    </message>
    <message>
        <source>Section times are times of day, checked again every day from midnight.</source>
        <translation>Время участков — время суток; проверка повторяется каждый день с полуночи.</translation>
    </message>
    <message>
        <source>Section times count from Monday 00:00, checked again every week.</source>
        <translation>Время участков отсчитывается от понедельника 00:00; проверка повторяется каждую неделю.</translation>
    </message>
    <message>
        <source>Section times count from 00:00 on the 1st, checked again every month.</source>
        <translation>Время участков отсчитывается от 00:00 первого числа; проверка повторяется каждый месяц.</translation>
    </message>
    <message>
        <source>An interception plan: section times count once, from the moment checking is switched on, and the route is marked as a plan.</source>
        <translation>План «Перехват»: время участков отсчитывается один раз, от момента включения контроля, а маршрут помечается как план.</translation>
    </message>
    <message>
        <source>Switch checking</source>
        <translation>Переключение контроля</translation>
    </message>
    <message>
        <source>The route edits are not saved. They are saved before checking is switched; discarding reloads the routes.</source>
        <translation>Изменения маршрутов не сохранены. Они сохраняются до переключения контроля; при отказе маршруты загружаются заново.</translation>
    </message>
</context>
<context>
    <name>PanelNotice</name>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>PickerDialog</name>
    <message>
        <source>Filter by name</source>
        <translation>Фильтр по имени</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>New route</source>
        <translation>Новый маршрут</translation>
    </message>
    <message>
        <source>New group</source>
        <translation>Новая группа</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Переименовать</translation>
    </message>
    <message>
        <source>Change property</source>
        <translation>Изменить свойство</translation>
    </message>
    <message>
        <source>Select graph objects</source>
        <translation>Выбрать графические объекты</translation>
    </message>
    <message>
        <source>Add Route</source>
        <translation>Добавить маршрут</translation>
    </message>
    <message>
        <source>Del Route</source>
        <translation>Удалить маршрут</translation>
    </message>
    <message>
        <source>Add section</source>
        <translation>Добавить участок</translation>
    </message>
    <message>
        <source>Del section</source>
        <translation>Удалить участок</translation>
    </message>
    <message>
        <source>Select objects</source>
        <translation>Выбрать объекты</translation>
    </message>
</context>
<context>
    <name>RuleTreeModel</name>
    <message>
        <source>Read-only: set by the server&apos;s administrators</source>
        <translation>Только чтение: задано администраторами сервера</translation>
    </message>
    <message>
        <source>This row is read-only: the server&apos;s administrators set it, and only they can change it.</source>
        <translation>Эта строка только для чтения: её задали администраторы сервера, и изменить её могут только они.</translation>
    </message>
</context>
<context>
    <name>QWidget</name>
    <message>
        <source>Select all</source>
        <translation>Выбрать все</translation>
    </message>
    <message>
        <source>Editor panel On/Off</source>
        <translation>Панель редактора вкл/выкл</translation>
    </message>
    <message>
        <source>Get</source>
        <translation>Получить</translation>
    </message>
    <message>
        <source>Expand/Collapse</source>
        <translation>Развернуть/свернуть</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
</context>
</TS>

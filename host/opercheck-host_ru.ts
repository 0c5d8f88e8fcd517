<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>CheckEventsModel</name>
    <message>
        <source>out</source>
        <translation>выезд</translation>
    </message>
    <message>
        <source>in</source>
        <translation>въезд</translation>
    </message>
</context>
<context>
    <name>FailureText</name>
    <message>
        <source>the server&apos;s database is read-only</source>
        <translation>база данных сервера открыта только для чтения</translation>
    </message>
    <message>
        <source>the server&apos;s database is busy with another program</source>
        <translation>база данных сервера занята другой программой</translation>
    </message>
    <message>
        <source>the server could not write to its storage</source>
        <translation>сервер не смог записать данные на диск</translation>
    </message>
    <message>
        <source>the change exceeds one of the server&apos;s limits</source>
        <translation>изменение превышает одно из ограничений сервера</translation>
    </message>
    <message>
        <source>the server could not read the request</source>
        <translation>сервер не смог прочитать запрос</translation>
    </message>
    <message>
        <source>the server refused the request</source>
        <translation>сервер отклонил запрос</translation>
    </message>
    <message>
        <source>%1 (server: %2)</source>
        <translation>%1 (сервер: %2)</translation>
    </message>
</context>
<context>
    <name>HostWindow</name>
    <message>
        <source>City</source>
        <translation>Город</translation>
    </message>
    <message>
        <source>Region</source>
        <translation>Округ</translation>
    </message>
    <message>
        <source>Northbrook Dispatch</source>
        <translation>Нортбрук — диспетчерская</translation>
    </message>
    <message>
        <source>Map %1 · %2</source>
        <translation>Карта %1 · %2</translation>
    </message>
    <message>
        <source>Route check</source>
        <translation>Контроль маршрутов</translation>
    </message>
    <message>
        <source>Check events</source>
        <translation>События контроля</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Выход</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>&amp;Whole district</source>
        <translation>&amp;Весь район</translation>
    </message>
    <message>
        <source>Zoom &amp;in</source>
        <translation>При&amp;близить</translation>
    </message>
    <message>
        <source>Zoom &amp;out</source>
        <translation>&amp;Отдалить</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Нет связи</translation>
    </message>
    <message>
        <source>Connecting to %1…</source>
        <translation>Подключение к %1…</translation>
    </message>
    <message>
        <source>Connected to %1 (%2)</source>
        <translation>Подключено к %1 (%2)</translation>
    </message>
    <message>
        <source>Server %1 unreachable; retrying</source>
        <translation>Сервер %1 недоступен; новая попытка</translation>
    </message>
    <message>
        <source>Scale %1 · %2 across</source>
        <translation>Масштаб %L1 · %2 по ширине</translation>
    </message>
    <message>
        <source>The routes were not saved: %1</source>
        <translation>Маршруты не сохранены: %1</translation>
    </message>
    <message>
        <source>Checking was not switched: %1</source>
        <translation>Контроль не переключён: %1</translation>
    </message>
    <message>
        <source>The server could not carry out %1: %2</source>
        <translation>Сервер не выполнил %1: %2</translation>
    </message>
    <message>
        <source>Server request failed</source>
        <translation>Ошибка запроса к серверу</translation>
    </message>
    <message>
        <source>The edits stay in the panel; save them again later.</source>
        <translation>Изменения остаются в панели; сохраните их позже ещё раз.</translation>
    </message>
    <message>
        <source>Filter by route, section or unit</source>
        <translation>Отбор по маршруту, участку или экипажу</translation>
    </message>
    <message>
        <source>This unit has not reported a position yet.</source>
        <translation>Этот экипаж ещё не сообщал своё местоположение.</translation>
    </message>
</context>
<context>
    <name>LinkBanner</name>
    <message>
        <source>The server %1 cannot be reached%2. Trying again in %3 s; the routes show once it answers.</source>
        <translation>Сервер %1 недоступен%2. Новая попытка через %3 с; маршруты появятся, когда он ответит.</translation>
    </message>
    <message>
        <source>The server %1 cannot be reached%2. Trying again now…</source>
        <translation>Сервер %1 недоступен%2. Пробуем снова…</translation>
    </message>
</context>
<context>
    <name>LiveMessages</name>
    <message>
        <source>%1 min</source>
        <translation>%1 мин</translation>
    </message>
</context>
<context>
    <name>MapBasePainter</name>
    <message>
        <source>N</source>
        <translation>С</translation>
    </message>
    <message>
        <source>S</source>
        <translation>Ю</translation>
    </message>
    <message>
        <source>W</source>
        <translation>З</translation>
    </message>
    <message>
        <source>E</source>
        <translation>В</translation>
    </message>
    <message>
        <source>%1 km</source>
        <translation>%L1 км</translation>
    </message>
    <message>
        <source>%1 m</source>
        <translation>%L1 м</translation>
    </message>
</context>
<context>
    <name>ObjectsModel</name>
    <message>
        <source>Units</source>
        <translation>Экипажи</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Устройство</translation>
    </message>
    <message>
        <source>Last report</source>
        <translation>Последний отчёт</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>Давность</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 с</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 мин</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 ч</translation>
    </message>
    <message>
        <source>%1 d</source>
        <translation>%1 сут</translation>
    </message>
    <message>
        <source>%1 km/h</source>
        <translation>%1 км/ч</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>ServerConnection</name>
    <message>
        <source>the connection was lost before the server answered</source>
        <translation>связь прервалась до ответа сервера</translation>
    </message>
    <message>
        <source>the server is not connected</source>
        <translation>нет связи с сервером</translation>
    </message>
    <message>
        <source>the server did not answer within %1 s</source>
        <translation>сервер не ответил за %1 с</translation>
    </message>
</context>
<context>
    <name>UnitDialog</name>
    <message>
        <source>&amp;Remove the key</source>
        <translation>У&amp;далить ключ</translation>
    </message>
    <message>
        <source>none</source>
        <translation>нет</translation>
    </message>
    <message>
        <source>1 to %1 printable ASCII characters; empty: no device</source>
        <translation>От 1 до %1 печатных символов ASCII; пусто — без устройства</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Название:</translation>
    </message>
    <message>
        <source>&amp;Group:</source>
        <translation>&amp;Группа:</translation>
    </message>
    <message>
        <source>&amp;Device id:</source>
        <translation>Номер у&amp;стройства:</translation>
    </message>
    <message>
        <source>&amp;Key:</source>
        <translation>&amp;Ключ:</translation>
    </message>
    <message>
        <source>set; type to replace it</source>
        <translation>задан; введите новый, чтобы заменить</translation>
    </message>
    <message>
        <source>The name may not be empty.</source>
        <translation>Название не может быть пустым.</translation>
    </message>
    <message>
        <source>There is no group to choose.</source>
        <translation>Нет группы для выбора.</translation>
    </message>
    <message>
        <source>A device id is 1 to %1 printable ASCII characters.</source>
        <translation>Номер устройства — от 1 до %1 печатных символов ASCII.</translation>
    </message>
    <message>
        <source>A key is 1 to %1 printable ASCII characters.</source>
        <translation>Ключ — от 1 до %1 печатных символов ASCII.</translation>
    </message>
</context>
<context>
    <name>UnitsDock</name>
    <message>
        <source>Units</source>
        <translation>Экипажи</translation>
    </message>
    <message>
        <source>Add &amp;group…</source>
        <translation>Добавить &amp;группу…</translation>
    </message>
    <message>
        <source>Add &amp;unit…</source>
        <translation>Добавить &amp;экипаж…</translation>
    </message>
    <message>
        <source>&amp;Rename…</source>
        <translation>&amp;Переименовать…</translation>
    </message>
    <message>
        <source>&amp;Move to group…</source>
        <translation>П&amp;еренести в группу…</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Удалить</translation>
    </message>
    <message>
        <source>Set &amp;device…</source>
        <translation>&amp;Задать устройство…</translation>
    </message>
    <message>
        <source>(top level)</source>
        <translation>(верхний уровень)</translation>
    </message>
    <message>
        <source>Add unit</source>
        <translation>Новый экипаж</translation>
    </message>
    <message>
        <source>Add group</source>
        <translation>Новая группа</translation>
    </message>
    <message>
        <source>Rename %1</source>
        <translation>Переименовать «%1»</translation>
    </message>
    <message>
        <source>Move %1</source>
        <translation>Перенести «%1»</translation>
    </message>
    <message>
        <source>Delete the unit “%1”?</source>
        <translation>Удалить экипаж «%1»?</translation>
    </message>
    <message>
        <source>Delete the group “%1” with everything in it: %2 groups and %3 units?</source>
        <translation>Удалить группу «%1» со всем содержимым (групп: %2, экипажей: %3)?</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удаление</translation>
    </message>
    <message>
        <source>Device of %1</source>
        <translation>Устройство экипажа «%1»</translation>
    </message>
    <message>
        <source>Double-click a unit to centre the map on it; right-click for more.</source>
        <translation>Двойной щелчок по экипажу — показать его в центре карты; правый щелчок — другие действия.</translation>
    </message>
</context>
</TS>

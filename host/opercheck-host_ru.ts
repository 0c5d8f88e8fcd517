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
    <name>DrawDock</name>
    <message>
        <source>Drawing</source>
        <translation>Рисование</translation>
    </message>
    <message>
        <source>The layer new shapes go into</source>
        <translation>Слой, в который попадают новые фигуры</translation>
    </message>
    <message>
        <source>Layer:</source>
        <translation>Слой:</translation>
    </message>
    <message>
        <source>Name of the shape</source>
        <translation>Название фигуры</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Название:</translation>
    </message>
    <message>
        <source> m</source>
        <translation> м</translation>
    </message>
    <message>
        <source>How wide a corridor is</source>
        <translation>Ширина коридора</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Ширина:</translation>
    </message>
    <message>
        <source>Icon:</source>
        <translation>Значок:</translation>
    </message>
    <message>
        <source>Change width</source>
        <translation>Изменение ширины</translation>
    </message>
    <message>
        <source>Change icon</source>
        <translation>Смена значка</translation>
    </message>
    <message>
        <source>Polygon</source>
        <translation>Многоугольник</translation>
    </message>
    <message>
        <source>Click the corners; double-click or click the first corner to close it</source>
        <translation>Щёлкайте по углам; двойной щелчок или щелчок по первому углу замыкает контур</translation>
    </message>
    <message>
        <source>Corridor</source>
        <translation>Коридор</translation>
    </message>
    <message>
        <source>Click the points of the line; double-click the last one</source>
        <translation>Щёлкайте по точкам линии; по последней — двойным щелчком</translation>
    </message>
    <message>
        <source>Circle</source>
        <translation>Круг</translation>
    </message>
    <message>
        <source>Press at the centre and drag out to the rim</source>
        <translation>Нажмите в центре и тяните до края</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>Значок</translation>
    </message>
    <message>
        <source>Click where the icon stands</source>
        <translation>Щёлкните там, где стоит значок</translation>
    </message>
    <message>
        <source>Edit…</source>
        <translation>Изменить…</translation>
    </message>
    <message>
        <source>Click a shape of an editable layer on the map to edit it</source>
        <translation>Щёлкните на карте по фигуре изменяемого слоя, чтобы изменить её</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Отменить</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Повторить</translation>
    </message>
    <message>
        <source>New layer…</source>
        <translation>Новый слой…</translation>
    </message>
    <message>
        <source>Make a new top-level layer to draw into</source>
        <translation>Создать новый слой верхнего уровня для рисования</translation>
    </message>
    <message>
        <source>Delete point</source>
        <translation>Удалить точку</translation>
    </message>
    <message>
        <source>Delete the selected point</source>
        <translation>Удалить выбранную точку</translation>
    </message>
    <message>
        <source>Delete shape</source>
        <translation>Удалить фигуру</translation>
    </message>
    <message>
        <source>Delete the shape from its layer</source>
        <translation>Удалить фигуру из её слоя</translation>
    </message>
    <message>
        <source>Save shape</source>
        <translation>Сохранить фигуру</translation>
    </message>
    <message>
        <source>Store the shape in its layer</source>
        <translation>Сохранить фигуру в её слое</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Drop the shape being drawn</source>
        <translation>Отбросить рисуемую фигуру</translation>
    </message>
    <message>
        <source>Click a shape of an editable layer</source>
        <translation>Щёлкните по фигуре изменяемого слоя</translation>
    </message>
    <message>
        <source>Drag points, edges or the shape; right-click a point to delete it</source>
        <translation>Тяните точки, стороны или всю фигуру; правый щелчок по точке удаляет её</translation>
    </message>
    <message>
        <source>New layer</source>
        <translation>Новый слой</translation>
    </message>
    <message>
        <source>Name of the layer:</source>
        <translation>Название слоя:</translation>
    </message>
    <message>
        <source>Layer &quot;%1&quot; made</source>
        <translation>Слой «%1» создан</translation>
    </message>
    <message>
        <source>No layer made: %1</source>
        <translation>Слой не создан: %1</translation>
    </message>
    <message>
        <source>Delete &quot;%1&quot; from its layer?</source>
        <translation>Удалить фигуру «%1» из слоя?</translation>
    </message>
    <message>
        <source>The server&apos;s layers could not be read</source>
        <translation>Не удалось прочитать слои сервера</translation>
    </message>
    <message>
        <source>Not stored: %1</source>
        <translation>Не сохранено: %1</translation>
    </message>
    <message>
        <source>Deleted &quot;%1&quot;</source>
        <translation>Фигура «%1» удалена</translation>
    </message>
    <message>
        <source>Saved &quot;%1&quot;</source>
        <translation>Фигура «%1» сохранена</translation>
    </message>
    <message>
        <source>No layer may be drawn into: make one with &quot;New layer…&quot;</source>
        <translation>Нет слоя, в котором можно рисовать: создайте его кнопкой «Новый слой…»</translation>
    </message>
</context>
<context>
    <name>DrawTool</name>
    <message>
        <source>Rename</source>
        <translation>Переименование</translation>
    </message>
    <message>
        <source>Delete point</source>
        <translation>Удаление точки</translation>
    </message>
    <message>
        <source>Place icon</source>
        <translation>Установка значка</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>Добавление точки</translation>
    </message>
    <message>
        <source>Move point</source>
        <translation>Перемещение точки</translation>
    </message>
    <message>
        <source>Resize</source>
        <translation>Изменение размера</translation>
    </message>
    <message>
        <source>Insert point</source>
        <translation>Вставка точки</translation>
    </message>
    <message>
        <source>Move shape</source>
        <translation>Перемещение фигуры</translation>
    </message>
    <message>
        <source>Draw circle</source>
        <translation>Рисование круга</translation>
    </message>
</context>
<context>
    <name>ExportDialog</name>
    <message>
        <source>Layer:</source>
        <translation>Слой:</translation>
    </message>
    <message>
        <source>Route:</source>
        <translation>Маршрут:</translation>
    </message>
    <message>
        <source>Export shapes</source>
        <translation>Экспорт фигур</translation>
    </message>
    <message>
        <source>The file to write</source>
        <translation>Файл для записи</translation>
    </message>
    <message>
        <source>Its extension names the format</source>
        <translation>Формат задаётся расширением файла</translation>
    </message>
    <message>
        <source>Browse…</source>
        <translation>Обзор…</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Файл:</translation>
    </message>
</context>
<context>
    <name>ExportJob</name>
    <message>
        <source>The server&apos;s trees could not be read</source>
        <translation>Не удалось прочитать деревья сервера</translation>
    </message>
    <message>
        <source>There is no layer %1 any more</source>
        <translation>Слоя %1 больше нет</translation>
    </message>
    <message>
        <source>There is nothing to export: no shapes</source>
        <translation>Нечего экспортировать: нет фигур</translation>
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
    <name>ImportDialog</name>
    <message>
        <source>Import shapes</source>
        <translation>Импорт фигур</translation>
    </message>
    <message>
        <source>Browse…</source>
        <translation>Обзор…</translation>
    </message>
    <message>
        <source>A new layer</source>
        <translation>Новый слой</translation>
    </message>
    <message>
        <source>Name of the new layer</source>
        <translation>Название нового слоя</translation>
    </message>
    <message>
        <source> m</source>
        <translation> м</translation>
    </message>
    <message>
        <source>GPX tracks keep no point closer than this to the line of the others; 0 keeps every point</source>
        <translation>В треках GPX не остаётся точек ближе этого к линии остальных; 0 сохраняет все точки</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Файл:</translation>
    </message>
    <message>
        <source>Into:</source>
        <translation>В слой:</translation>
    </message>
    <message>
        <source>New layer:</source>
        <translation>Новый слой:</translation>
    </message>
    <message>
        <source>Simplify tracks:</source>
        <translation>Упрощать треки:</translation>
    </message>
</context>
<context>
    <name>ImportJob</name>
    <message>
        <source>Reading %1</source>
        <translation>Чтение %1</translation>
    </message>
    <message>
        <source>The layer &quot;%1&quot; could not be made: %2</source>
        <translation>Не удалось создать слой «%1»: %2</translation>
    </message>
    <message>
        <source>Import cancelled</source>
        <translation>Импорт отменён</translation>
    </message>
    <message>
        <source>A shape was refused: %1</source>
        <translation>Фигура отклонена: %1</translation>
    </message>
    <message>
        <source>Storing shapes</source>
        <translation>Сохранение фигур</translation>
    </message>
    <message>
        <source>Storing the route</source>
        <translation>Сохранение маршрута</translation>
    </message>
    <message>
        <source>The route&apos;s node was refused: %1</source>
        <translation>Узел маршрута отклонён: %1</translation>
    </message>
    <message>
        <source>No unit is named &quot;%1&quot;; the route goes without it</source>
        <translation>Нет объекта с именем «%1»; маршрут сохранён без него</translation>
    </message>
    <message>
        <source>The route was refused: %1</source>
        <translation>Маршрут отклонён: %1</translation>
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
    <name>ShapeLink</name>
    <message>
        <source>the server is not connected</source>
        <translation>нет связи с сервером</translation>
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
<context>
    <name>ZonesDesk</name>
    <message>
        <source>&amp;Import shapes…</source>
        <translation>&amp;Импорт фигур…</translation>
    </message>
    <message>
        <source>Import the shapes of a GIS file into a layer</source>
        <translation>Импортировать фигуры из файла ГИС в слой</translation>
    </message>
    <message>
        <source>Import shapes</source>
        <translation>Импорт фигур</translation>
    </message>
    <message>
        <source>Reading %1</source>
        <translation>Чтение %1</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Nothing imported: %1</source>
        <translation>Ничего не импортировано: %1</translation>
    </message>
    <message>
        <source>Nothing was imported.</source>
        <translation>Ничего не импортировано.</translation>
    </message>
    <message>
        <source>&amp;Export shapes…</source>
        <translation>&amp;Экспорт фигур…</translation>
    </message>
    <message>
        <source>Write a layer&apos;s or a route&apos;s shapes to a GIS file</source>
        <translation>Записать фигуры слоя или маршрута в файл ГИС</translation>
    </message>
    <message>
        <source>Nothing exported: %1</source>
        <translation>Ничего не экспортировано: %1</translation>
    </message>
    <message>
        <source>Export shapes</source>
        <translation>Экспорт фигур</translation>
    </message>
    <message>
        <source>Nothing was exported.</source>
        <translation>Ничего не экспортировано.</translation>
    </message>
    <message>
        <source>Shapes exported to %1: %2</source>
        <translation>Фигур экспортировано в %1: %2</translation>
    </message>
    <message>
        <source>Shapes imported into &quot;%1&quot;: %2</source>
        <translation>Фигур импортировано в «%1»: %2</translation>
    </message>
    <message>
        <source>More warnings: %1</source>
        <translation>Ещё предупреждений: %1</translation>
    </message>
    <message>
        <source>Shapes imported: %1, with warnings:</source>
        <translation>Фигур импортировано: %1, с предупреждениями:</translation>
    </message>
</context>
</TS>

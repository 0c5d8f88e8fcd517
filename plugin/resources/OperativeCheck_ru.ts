<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>OperativeCheck</name>
    <message>
        <source>Graphic layers/rules</source>
        <translation>Графические слои/правила</translation>
    </message>
    <message>
        <source>Check Mode</source>
        <translation>Режим контроля</translation>
    </message>
</context>
</TS>

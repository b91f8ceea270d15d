<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="eo">
<context>
    <name>rimglider::MenuView</name>
    <message>
        <source>Edge gestures</source>
        <translation>Randaj gestoj</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Collection1586A</name>
    <message>
        <source>通道未设置！</source>
        <translation>Channels are not set!</translation>
    </message>
    <message>
        <source>:类型错误！</source>
        <translation>: wrong type!</translation>
    </message>
    <message>
        <source>:量程错误！</source>
        <translation>: wrong range!</translation>
    </message>
    <message>
        <source>:接线线制错误！</source>
        <translation>: wrong wiring!</translation>
    </message>
    <message>
        <source>:单位错误！</source>
        <translation>: wrong unit!</translation>
    </message>
    <message>
        <source>被占用！</source>
        <translation> is occupied!</translation>
    </message>
    <message>
        <source>不能被设置为:</source>
        <translation> cannot be set to: </translation>
    </message>
    <message>
        <source>通道号需要递增！</source>
        <translation>Channel numbers must increase!</translation>
    </message>
    <message>
        <source>通道单位不许超过2个！</source>
        <translation>No more than 2 channel units are allowed!</translation>
    </message>
    <message>
        <source>不能同时设置两个温度单位！</source>
        <translation>Two temperature units cannot be set at the same time!</translation>
    </message>
    <message>
        <source>当前设备不支持设备设置。</source>
        <translation>This instrument does not support instrument settings.</translation>
    </message>
</context>
</TS>

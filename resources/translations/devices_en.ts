<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Collection</name>
    <message>
        <source>:系数不是数字！</source>
        <translation>: a coefficient is not a number!</translation>
    </message>
    <message>
        <source>:通道号错误！</source>
        <translation>: wrong channel number!</translation>
    </message>
    <message>
        <source>通道未设置！</source>
        <translation>No channels set!</translation>
    </message>
    <message>
        <source>:类型错误！</source>
        <translation>: wrong type!</translation>
    </message>
    <message>
        <source>:功能错误！</source>
        <translation>: wrong function!</translation>
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
        <source>通道号需要递增！</source>
        <translation>Channel numbers must increase!</translation>
    </message>
    <message>
        <source>单位不许超过2个！</source>
        <translation>No more than 2 units are allowed!</translation>
    </message>
</context>
<context>
    <name>CollectionEmpty</name>
    <message>
        <source>通道未设置！</source>
        <translation>No channels set!</translation>
    </message>
    <message>
        <source>:类型错误！</source>
        <translation>: wrong type!</translation>
    </message>
    <message>
        <source>:功能错误！</source>
        <translation>: wrong function!</translation>
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
        <source>单位不许超过2个！</source>
        <translation>No more than 2 units are allowed!</translation>
    </message>
</context>
</TS>

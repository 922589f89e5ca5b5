<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>空</source>
        <translation>Empty</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>油槽</source>
        <translation>Bath</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>油槽-R</source>
        <translation>Bath-R</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>干式炉</source>
        <translation>Dry-well</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>干式炉-R</source>
        <translation>Dry-well-R</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>无效</source>
        <translation>Invalid</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>自动</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>手动</source>
        <translation>Manual</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>网络</source>
        <translation>Network</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>蓝牙</source>
        <translation>Bluetooth</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>快速</source>
        <translation>Fast</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>中速</source>
        <translation>Medium</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>慢速</source>
        <translation>Slow</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>标准</source>
        <translation>Standard</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>热电偶</source>
        <translation>Thermocouple</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>热敏电阻</source>
        <translation>Thermistor</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>铂电阻</source>
        <translation>PRT</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>直流电压</source>
        <translation>DC voltage</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>交流电压</source>
        <translation>AC voltage</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>电阻</source>
        <translation>Resistance</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>直流电流</source>
        <translation>DC current</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>交流电流</source>
        <translation>AC current</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>内部补偿</source>
        <translation>Internal compensation</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>外部补偿</source>
        <translation>External compensation</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>固定冷端</source>
        <translation>Fixed cold junction</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>二线制</source>
        <translation>2-wire</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>三线制</source>
        <translation>3-wire</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>四线制</source>
        <translation>4-wire</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>湿度</source>
        <translation>Humidity</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>压力</source>
        <translation>Pressure</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>电压</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <location filename="../../store/Terms.cpp"/>
        <source>电流</source>
        <translation>Current</translation>
    </message>
</context>
</TS>

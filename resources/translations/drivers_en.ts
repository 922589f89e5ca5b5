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
    <message>
        <source>:三线制不能测量电阻！</source>
        <translation>: three wires cannot measure a resistance!</translation>
    </message>
    <message>
        <source>:固定冷端温度不是数字！</source>
        <translation>: the fixed cold-junction temperature is not a number!</translation>
    </message>
</context>
<context>
    <name>Collection159XA</name>
    <message>
        <source>当前设备不支持设备设置。</source>
        <translation>This instrument does not support instrument settings.</translation>
    </message>
</context>
<context>
    <name>CollectionFolen</name>
    <message>
        <source>:固定冷端温度不是数字！</source>
        <translation>: the fixed cold-junction temperature is not a number!</translation>
    </message>
</context>
<context>
    <name>CollectionGastu</name>
    <message>
        <source>设置成功,请断开连接重连。</source>
        <translation>Settings written, please disconnect and connect again.</translation>
    </message>
    <message>
        <source>设置失败。</source>
        <translation>Writing the settings failed.</translation>
    </message>
</context>
<context>
    <name>CollectionOrvex_1</name>
    <message>
        <source>通道未设置！</source>
        <translation>Channels are not set!</translation>
    </message>
    <message>
        <source>:通道号错误！</source>
        <translation>: wrong channel number!</translation>
    </message>
    <message>
        <source>通道号需要递增！</source>
        <translation>Channel numbers must increase!</translation>
    </message>
    <message>
        <source>四线制下通道编号超限！</source>
        <translation>Channel number out of range for 4-wire!</translation>
    </message>
    <message>
        <source>通道类型不许超过1个！</source>
        <translation>Only one channel type is allowed!</translation>
    </message>
    <message>
        <source>通道功能不许超过1个！</source>
        <translation>Only one channel function is allowed!</translation>
    </message>
    <message>
        <source>接线方式不许超过1个！</source>
        <translation>Only one wiring is allowed!</translation>
    </message>
    <message>
        <source>通道单位不许超过1个！</source>
        <translation>Only one channel unit is allowed!</translation>
    </message>
</context>
<context>
    <name>CollectionOrvex_HT</name>
    <message>
        <source>设置成功，请断开从新连接。</source>
        <translation>Settings written, please disconnect and connect again.</translation>
    </message>
    <message>
        <source>设置失败，请检查设备连接。</source>
        <translation>Writing the settings failed, please check the instrument connection.</translation>
    </message>
</context>
<context>
    <name>CollectionOrvex_VS</name>
    <message>
        <source>:功能错误！</source>
        <translation>: wrong function!</translation>
    </message>
</context>
<context>
    <name>CollectionPallu</name>
    <message>
        <source>:固定冷端温度不是数字！</source>
        <translation>: the fixed cold-junction temperature is not a number!</translation>
    </message>
    <message>
        <source>已被占用！</source>
        <translation> is already in use!</translation>
    </message>
    <message>
        <source>不能被设置为:</source>
        <translation> cannot be set to: </translation>
    </message>
</context>
<context>
    <name>CollectionZenk</name>
    <message>
        <source>通道未设置！</source>
        <translation>Channels are not set!</translation>
    </message>
    <message>
        <source>:通道号错误！</source>
        <translation>: wrong channel number!</translation>
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
        <source>:单位错误！</source>
        <translation>: wrong unit!</translation>
    </message>
</context>
<context>
    <name>OrvexCommandSet</name>
    <message>
        <source>设置成功,请断开连接重连。</source>
        <translation>Settings written, please disconnect and connect again.</translation>
    </message>
    <message>
        <source>设置失败。</source>
        <translation>Writing the settings failed.</translation>
    </message>
</context>
<context>
    <name>RegisterCollection</name>
    <message>
        <source>通道未设置！</source>
        <translation>Channels are not set!</translation>
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
        <source>:通道号错误！</source>
        <translation>: wrong channel number!</translation>
    </message>
    <message>
        <source>通道号需要递增！</source>
        <translation>Channel numbers must increase!</translation>
    </message>
    <message>
        <source>通道类型不许超过1个！</source>
        <translation>Only one channel type is allowed!</translation>
    </message>
    <message>
        <source>通道功能不许超过1个！</source>
        <translation>Only one channel function is allowed!</translation>
    </message>
    <message>
        <source>接线方式不许超过1个！</source>
        <translation>Only one wiring is allowed!</translation>
    </message>
    <message>
        <source>通道单位不许超过2个！</source>
        <translation>No more than 2 channel units are allowed!</translation>
    </message>
    <message>
        <source>设置失败，参数无效。</source>
        <translation>Writing the settings failed: invalid parameters.</translation>
    </message>
    <message>
        <source>设置失败，请检查设备连接。</source>
        <translation>Writing the settings failed, please check the instrument connection.</translation>
    </message>
    <message>
        <source>设置成功，重启后生效。</source>
        <translation>Settings written; they take effect after a restart.</translation>
    </message>
</context>
</TS>

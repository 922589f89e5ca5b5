<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ChartView</name>
    <message>
        <source>数据采集</source>
        <translation>Data Acquisition</translation>
    </message>
    <message>
        <source>采集时间</source>
        <translation>Acquisition Time</translation>
    </message>
    <message>
        <source>单位 (</source>
        <translation>Unit (</translation>
    </message>
</context>
<context>
    <name>ParametersChannel</name>
    <message>
        <source>通道配置</source>
        <translation>Channel Configuration</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>项目</source>
        <translation>Project</translation>
    </message>
    <message>
        <source>:未选择通道！</source>
        <translation>: no channel selected!</translation>
    </message>
    <message>
        <source>:通道单位最多为两类！</source>
        <translation>: at most two kinds of channel units!</translation>
    </message>
</context>
<context>
    <name>ParametersMode</name>
    <message>
        <source>采集参数</source>
        <translation>Acquisition Parameters</translation>
    </message>
    <message>
        <source>项目个数：</source>
        <translation>Projects:</translation>
    </message>
    <message>
        <source>采集方式：</source>
        <translation>Mode:</translation>
    </message>
    <message>
        <source>项目名称：</source>
        <translation>Project name:</translation>
    </message>
    <message>
        <source>采集器个数：</source>
        <translation>Instruments:</translation>
    </message>
    <message>
        <source>采集器1：</source>
        <translation>Instrument 1:</translation>
    </message>
    <message>
        <source>采集器2：</source>
        <translation>Instrument 2:</translation>
    </message>
    <message>
        <source>采集器3：</source>
        <translation>Instrument 3:</translation>
    </message>
    <message>
        <source>采集器4：</source>
        <translation>Instrument 4:</translation>
    </message>
    <message>
        <source>采集器5：</source>
        <translation>Instrument 5:</translation>
    </message>
    <message>
        <source>采集器6：</source>
        <translation>Instrument 6:</translation>
    </message>
    <message>
        <source>采集开始：</source>
        <translation>Start:</translation>
    </message>
    <message>
        <source>采集结束：</source>
        <translation>End:</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>在线</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>数据库连接失败！</source>
        <translation>Database connection failed!</translation>
    </message>
    <message>
        <source>采集设备%1的通道配置“%2”不存在！</source>
        <translation>The channel configuration &quot;%2&quot; of instrument %1 does not exist!</translation>
    </message>
    <message>
        <source>开始采集时间大于结束采集时间！</source>
        <translation>The start time is later than the end time!</translation>
    </message>
    <message>
        <source>未选择采集设备！</source>
        <translation>No instrument selected!</translation>
    </message>
    <message>
        <source>采集设备不能相同！</source>
        <translation>Instruments must differ!</translation>
    </message>
    <message>
        <source>项目信息未设置！</source>
        <translation>Project information not set!</translation>
    </message>
    <message>
        <source>项目名称相同！</source>
        <translation>Project names are the same!</translation>
    </message>
    <message>
        <source>项目名称已存在！</source>
        <translation>Project name already exists!</translation>
    </message>
    <message>
        <source>采集间隔将以第一台设备为准！</source>
        <translation>The scan interval of the first instrument will be used!</translation>
    </message>
</context>
<context>
    <name>ParametersStatistics</name>
    <message>
        <source>统计</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最大值通道</source>
        <translation>Max channel</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最小值通道</source>
        <translation>Min channel</translation>
    </message>
    <message>
        <source>平均值</source>
        <translation>Average</translation>
    </message>
    <message>
        <source>最大-最小</source>
        <translation>Max-Min</translation>
    </message>
    <message>
        <source>最大-平均</source>
        <translation>Max-Avg</translation>
    </message>
    <message>
        <source>平均-最小</source>
        <translation>Avg-Min</translation>
    </message>
    <message>
        <source>标准差</source>
        <translation>Std. dev.</translation>
    </message>
    <message>
        <source>采集时间</source>
        <translation>Acquisition Time</translation>
    </message>
</context>
</TS>

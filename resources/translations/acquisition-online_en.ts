<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ParametersChart</name>
    <message>
        <source>ParametersChart</source>
        <translation>Live data</translation>
    </message>
    <message>
        <source>实时数据</source>
        <translation>Live data</translation>
    </message>
    <message>
        <source>趋势图</source>
        <translation>Trend chart</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>刷新中</source>
        <translation>Following</translation>
    </message>
    <message>
        <source>采集时间</source>
        <translation>Acquisition time</translation>
    </message>
    <message>
        <source>下限报警</source>
        <translation>Lower limit alarm</translation>
    </message>
    <message>
        <source>低于下限:</source>
        <translation>Below lower limit:</translation>
    </message>
    <message>
        <source>上限报警</source>
        <translation>Upper limit alarm</translation>
    </message>
    <message>
        <source>高于上限:</source>
        <translation>Above upper limit:</translation>
    </message>
    <message>
        <source>采集器报警</source>
        <translation>Data logger alarm</translation>
    </message>
    <message>
        <source>全不选</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>X轴刷新</source>
        <translation>Follow X axis</translation>
    </message>
    <message>
        <source>Y轴刷新</source>
        <translation>Follow Y axis</translation>
    </message>
    <message>
        <source>停止刷新</source>
        <translation>Not following</translation>
    </message>
</context>
<context>
    <name>ParametersOnLine</name>
    <message>
        <source>数据采集</source>
        <translation>Data acquisition</translation>
    </message>
    <message>
        <source>消息：</source>
        <translation>Message:</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>参数设置中，请稍等...</source>
        <translation>Setting parameters, please wait...</translation>
    </message>
    <message>
        <source>项目</source>
        <translation>Project </translation>
    </message>
    <message>
        <source>结果</source>
        <translation> results</translation>
    </message>
    <message>
        <source>统计</source>
        <translation> statistics</translation>
    </message>
    <message>
        <source>采集设备信息设置中...</source>
        <translation>Setting up the instruments...</translation>
    </message>
    <message>
        <source>设备设置成功！</source>
        <translation>Instruments set up.</translation>
    </message>
    <message>
        <source>手动停止采集！</source>
        <translation>Acquisition stopped by the operator!</translation>
    </message>
    <message>
        <source>设备连接失败,请退出重试！</source>
        <translation>Instrument connection failed, please exit and try again!</translation>
    </message>
    <message>
        <source>设备%1的通道配置“%2”不完整，请先选择配置文件！</source>
        <translation>The channel configuration &quot;%2&quot; of instrument %1 is incomplete, please choose a configuration file first!</translation>
    </message>
    <message>
        <source>通道设置失败,请退出重试!</source>
        <translation>Channel set-up failed, please exit and try again!</translation>
    </message>
    <message>
        <source>开始等待中...</source>
        <translation>Waiting for the start...</translation>
    </message>
    <message>
        <source>数据保存失败！</source>
        <translation>Saving the data failed!</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source> 采集中...</source>
        <translation> acquiring...</translation>
    </message>
    <message>
        <source>采集结束。</source>
        <translation>Acquisition finished.</translation>
    </message>
    <message>
        <source>数据获取失败。</source>
        <translation>Reading the data failed.</translation>
    </message>
    <message>
        <source>设备重新连接。</source>
        <translation>Reconnecting the instruments.</translation>
    </message>
    <message>
        <source>设备连接成功。</source>
        <translation>Instruments reconnected.</translation>
    </message>
    <message>
        <source>进入手动重连模式！</source>
        <translation>Manual reconnect mode!</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>通讯异常，请设备关机重试！</source>
        <translation>Communication fault, please switch the instrument off and on and try again!</translation>
    </message>
    <message>
        <source>手动重连成功！</source>
        <translation>Manual reconnect succeeded!</translation>
    </message>
    <message>
        <source>通讯异常</source>
        <translation>Communication fault</translation>
    </message>
    <message>
        <source>提前终止采集。</source>
        <translation>Acquisition ended early.</translation>
    </message>
    <message>
        <source>是否停止数据采集？</source>
        <translation>Stop the data acquisition?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>是否终止项目？</source>
        <translation>End the project?</translation>
    </message>
    <message>
        <source>终止</source>
        <translation>End</translation>
    </message>
    <message>
        <source>正在采集中，请先结束！</source>
        <translation>Acquisition is running, please finish it first!</translation>
    </message>
    <message>
        <source>数据库十分钟内无法保存数据（%1），采集已停止，%2组数据未能保存！</source>
        <translation>The database could not save data for ten minutes (%1): the acquisition is stopped, %2 scans were not saved!</translation>
    </message>
    <message>
        <source>采集结束，%1组数据未能保存（%2）！</source>
        <translation>Acquisition finished, %1 scans were not saved (%2)!</translation>
    </message>
    <message>
        <source>数据保存失败：%1，数据暂存，每次采集时重试。</source>
        <translation>Saving the data failed: %1. The data are held and saved again at every scan.</translation>
    </message>
    <message>
        <source>存储异常</source>
        <translation>Storage fault</translation>
    </message>
    <message>
        <source>暂存数据已全部保存。</source>
        <translation>All held data are saved.</translation>
    </message>
    <message>
        <source>设备：%1，序列号：%2</source>
        <translation>Instrument: %1, serial number: %2</translation>
    </message>
    <message>
        <source>报警邮件发送失败：%1</source>
        <translation>The alarm mail could not be sent: %1</translation>
    </message>
    <message>
        <source>邮件异常</source>
        <translation>Mail fault</translation>
    </message>
</context>
</TS>

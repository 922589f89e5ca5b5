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
    <name>ParametersImport</name>
    <message>
        <source>数据导入</source>
        <translation>Data Import</translation>
    </message>
    <message>
        <source>设备1文件：</source>
        <translation>Instrument 1 file:</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>设备2文件：</source>
        <translation>Instrument 2 file:</translation>
    </message>
    <message>
        <source>设备3文件：</source>
        <translation>Instrument 3 file:</translation>
    </message>
    <message>
        <source>设备4文件：</source>
        <translation>Instrument 4 file:</translation>
    </message>
    <message>
        <source>设备5文件：</source>
        <translation>Instrument 5 file:</translation>
    </message>
    <message>
        <source>设备6文件：</source>
        <translation>Instrument 6 file:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
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
        <source>选择文件</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>未检测到通道！</source>
        <translation>No channels found!</translation>
    </message>
    <message>
        <source>数据导入中，请稍等...</source>
        <translation>Importing the data, please wait...</translation>
    </message>
    <message>
        <source>数据保存失败！</source>
        <translation>Saving the data failed!</translation>
    </message>
    <message>
        <source>数据保存成功！</source>
        <translation>Data saved!</translation>
    </message>
    <message>
        <source>采集数据保存失败！</source>
        <translation>Saving the acquired data failed!</translation>
    </message>
    <message>
        <source>采集数据不匹配，未能保存数据！</source>
        <translation>The recorded data do not match, nothing was saved!</translation>
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
<context>
    <name>SmtpClient</name>
    <message>
        <source>连接%1:%2失败：%3</source>
        <translation>Connecting to %1:%2 failed: %3</translation>
    </message>
    <message>
        <source>邮件服务器无回复</source>
        <translation>The mail server did not answer</translation>
    </message>
    <message>
        <source>邮件服务器断开连接：%1</source>
        <translation>The mail server closed the connection: %1</translation>
    </message>
    <message>
        <source>未连接邮件服务器</source>
        <translation>Not connected to the mail server</translation>
    </message>
    <message>
        <source>未登录邮件服务器</source>
        <translation>Not logged in to the mail server</translation>
    </message>
    <message>
        <source>没有收件人</source>
        <translation>No recipients</translation>
    </message>
    <message>
        <source>没有网络连接</source>
        <translation>No network connection</translation>
    </message>
    <message>
        <source>收件人地址为空</source>
        <translation>A recipient address is empty</translation>
    </message>
    <message>
        <source>邮件服务器要求加密连接，本机不支持加密</source>
        <translation>The mail server asks for an encrypted connection, which this computer does not support</translation>
    </message>
    <message>
        <source>加密连接失败：%1</source>
        <translation>The encrypted connection failed: %1</translation>
    </message>
</context>
<context>
    <name>ViewLog</name>
    <message>
        <source>起始日期：</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>结束日期：</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>操作类型：</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
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
        <source>操作时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>操作类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>详细信息</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>确认删除通知？</source>
        <translation>Delete the listed alarms?</translation>
    </message>
    <message>
        <source>删除数据失败！</source>
        <translation>Deleting the data failed!</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>保存成功！</source>
        <translation>Saved!</translation>
    </message>
    <message>
        <source>保存失败！</source>
        <translation>Saving failed!</translation>
    </message>
    <message>
        <source>警告信息</source>
        <translation>Alarm Log</translation>
    </message>
    <message>
        <source>操作说明</source>
        <translation>Details</translation>
    </message>
</context>
<context>
    <name>ViewLogSet</name>
    <message>
        <source>通知设置</source>
        <translation>Alarm Settings</translation>
    </message>
    <message>
        <source>邮箱1：</source>
        <translation>E-mail 1:</translation>
    </message>
    <message>
        <source>邮箱2：</source>
        <translation>E-mail 2:</translation>
    </message>
    <message>
        <source>邮箱3：</source>
        <translation>E-mail 3:</translation>
    </message>
    <message>
        <source>触发间隔：</source>
        <translation>Mail interval:</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>触发发送</source>
        <translation>Mail on alarm</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>输入的邮件地址不合法！</source>
        <translation>The e-mail address is not valid!</translation>
    </message>
    <message>
        <source>触发间隔不能小于10秒！</source>
        <translation>The mail interval must be at least 10 s!</translation>
    </message>
    <message>
        <source>当前无报警信息！</source>
        <translation>There are no alarms!</translation>
    </message>
    <message>
        <source>未设置邮箱地址！</source>
        <translation>No e-mail address is set!</translation>
    </message>
    <message>
        <source>采集器报警</source>
        <translation>Data logger alarm</translation>
    </message>
    <message>
        <source>邮件发送成功！</source>
        <translation>Mail sent!</translation>
    </message>
    <message>
        <source>当前无网络，邮件发送失败！</source>
        <translation>No network: sending the mail failed!</translation>
    </message>
</context>
</TS>

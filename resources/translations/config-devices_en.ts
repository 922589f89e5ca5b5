<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AcquisitionDevice</name>
    <message>
        <source>采集设备设置</source>
        <translation>Acquisition device settings</translation>
    </message>
    <message>
        <source>设备型号：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>通讯方式：</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>端口号：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>扫描间隔：</source>
        <translation>Scan interval:</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>采集速率：</source>
        <translation>Scan rate:</translation>
    </message>
    <message>
        <source>设备设置</source>
        <translation>Device settings</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Prompt</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>设备测试成功！</source>
        <translation>Device test succeeded!</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>连接状态</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>设备型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>扫描间隔</source>
        <translation>Scan interval</translation>
    </message>
    <message>
        <source>采集速率</source>
        <translation>Scan rate</translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>通讯类型</source>
        <translation>Link type</translation>
    </message>
    <message>
        <source>设备测试中，请稍候！</source>
        <translation>The device test is running, please wait!</translation>
    </message>
    <message>
        <source>不支持的设备型号：</source>
        <translation>Unsupported device model: </translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>Serial port:</translation>
    </message>
    <message>
        <source>IP地址：</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>设备名：</source>
        <translation>Device name:</translation>
    </message>
    <message>
        <source>无效：</source>
        <translation>Unused:</translation>
    </message>
    <message>
        <source>扫描间隔必须是大于0的数字！</source>
        <translation>The scan interval must be a number greater than 0!</translation>
    </message>
    <message>
        <source>端口号必须在1到65535之间！</source>
        <translation>The port must be between 1 and 65535!</translation>
    </message>
    <message>
        <source>请先输入序列号！</source>
        <translation>Please enter the serial number first!</translation>
    </message>
    <message>
        <source>请先选择配置文件！</source>
        <translation>Please select a configuration first!</translation>
    </message>
    <message>
        <source>当前选择的配置文件最小采集间隔为：</source>
        <translation>The shortest scan interval of the selected configuration is: </translation>
    </message>
    <message>
        <source>数据保存成功！</source>
        <translation>Data saved!</translation>
    </message>
    <message>
        <source>数据保存失败！</source>
        <translation>Saving the data failed!</translation>
    </message>
    <message>
        <source>请先选择需要删除的文件！</source>
        <translation>Please select the entry to delete first!</translation>
    </message>
    <message>
        <source>是否删除</source>
        <translation>Delete </translation>
    </message>
    <message>
        <source>删除数据失败！</source>
        <translation>Deleting the data failed!</translation>
    </message>
    <message>
        <source>参数设置中，请稍等...</source>
        <translation>Setting parameters, please wait...</translation>
    </message>
    <message>
        <source>连接信息错误！</source>
        <translation>Wrong connection settings!</translation>
    </message>
    <message>
        <source>设备连接失败！</source>
        <translation>Connecting the device failed!</translation>
    </message>
    <message>
        <source>获取序列号失败！</source>
        <translation>Reading the serial number failed!</translation>
    </message>
    <message>
        <source>同步设备时间失败！</source>
        <translation>Setting the device clock failed!</translation>
    </message>
    <message>
        <source>通道设置失败,请退出重试!</source>
        <translation>Setting the channels failed, please close and retry!</translation>
    </message>
    <message>
        <source>获取通道数据失败,请退出重试!</source>
        <translation>Reading the channel data failed, please close and retry!</translation>
    </message>
    <message>
        <source>采集间隔异常,请退出重试!</source>
        <translation>The scan interval was refused, please close and retry!</translation>
    </message>
    <message>
        <source>通道数不匹配！</source>
        <translation>The channel count does not match!</translation>
    </message>
    <message>
        <source>序列号%1已登记为%2型号的设备，不能以另一型号保存！</source>
        <translation>Serial number %1 is registered as a %2 instrument and cannot be saved as another model!</translation>
    </message>
</context>
<context>
    <name>AcquisitionSet</name>
    <message>
        <source>采集器设置</source>
        <translation>Acquisition device settings</translation>
    </message>
    <message>
        <source>设备连接</source>
        <translation>Device connection</translation>
    </message>
    <message>
        <source>设备型号：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>Serial port:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>波特率测试</source>
        <translation>Baud rate test</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>IP地址：</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>端口号：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>设备设置</source>
        <translation>Device settings</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>硬件版本：</source>
        <translation>Hardware version:</translation>
    </message>
    <message>
        <source>模块地址：</source>
        <translation>Module address:</translation>
    </message>
    <message>
        <source>串口波特率：</source>
        <translation>Serial baud rate:</translation>
    </message>
    <message>
        <source>子网掩码：</source>
        <translation>Subnet mask:</translation>
    </message>
    <message>
        <source>端口地址：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>滤波次数：</source>
        <translation>Filter count:</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Prompt</translation>
    </message>
    <message>
        <source>设备正在通讯，请稍候！</source>
        <translation>The device is busy, please wait!</translation>
    </message>
    <message>
        <source>请先关闭设备！</source>
        <translation>Please disconnect the device first!</translation>
    </message>
    <message>
        <source>不支持的设备型号：</source>
        <translation>Unsupported device model: </translation>
    </message>
    <message>
        <source>参数获取中，请稍等...</source>
        <translation>Reading parameters, please wait...</translation>
    </message>
    <message>
        <source>端口号必须在1到65535之间！</source>
        <translation>The port must be between 1 and 65535!</translation>
    </message>
    <message>
        <source>设备连接成功！</source>
        <translation>Device connected!</translation>
    </message>
    <message>
        <source>设备连接失败,请退出重试！</source>
        <translation>Connecting the device failed, please close and retry!</translation>
    </message>
    <message>
        <source>数据获取失败,请退出重试!</source>
        <translation>Reading the data failed, please close and retry!</translation>
    </message>
    <message>
        <source>请先连接设备！</source>
        <translation>Please connect the device first!</translation>
    </message>
    <message>
        <source>参数设置中，请稍等...</source>
        <translation>Setting parameters, please wait...</translation>
    </message>
    <message>
        <source>设置成功！</source>
        <translation>Settings written!</translation>
    </message>
    <message>
        <source>设置失败！</source>
        <translation>Writing the settings failed!</translation>
    </message>
    <message>
        <source>测试中，请稍等...</source>
        <translation>Testing, please wait...</translation>
    </message>
    <message>
        <source>测试失败！</source>
        <translation>Test failed!</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>测试成功。</source>
        <translation>Test succeeded.</translation>
    </message>
</context>
<context>
    <name>ParametersTemp</name>
    <message>
        <source>通道确认</source>
        <translation>Channel confirmation</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>QWaiting</name>
    <message>
        <source>参数设置中，请稍等...</source>
        <translation>Setting parameters, please wait...</translation>
    </message>
</context>
<context>
    <name>SystemSet</name>
    <message>
        <source>系统设置</source>
        <translation>System Settings</translation>
    </message>
    <message>
        <source>备份设置</source>
        <translation>Backup</translation>
    </message>
    <message>
        <source>自动备份</source>
        <translation>Automatic backup</translation>
    </message>
    <message>
        <source>备份周期：</source>
        <translation>Backup cycle:</translation>
    </message>
    <message>
        <source>天</source>
        <translation>days</translation>
    </message>
    <message>
        <source>备份路径：</source>
        <translation>Backup folder:</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>Back Up</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>系统参数</source>
        <translation>System</translation>
    </message>
    <message>
        <source>语言：</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>设备支持</source>
        <translation>Supported Devices</translation>
    </message>
    <message>
        <source>数据精度：</source>
        <translation>Data accuracy:</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
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
        <source>设置失败！</source>
        <translation>Setting failed!</translation>
    </message>
    <message>
        <source>设置成功！</source>
        <translation>Setting done!</translation>
    </message>
    <message>
        <source>备份周期不能为0！</source>
        <translation>The backup cycle cannot be 0!</translation>
    </message>
    <message>
        <source>备份路径不存在！</source>
        <translation>The backup folder does not exist!</translation>
    </message>
    <message>
        <source>请选择备份路径！</source>
        <translation>Please choose a backup folder!</translation>
    </message>
    <message>
        <source>备份失败：路径不存在！</source>
        <translation>Backup failed: the folder does not exist!</translation>
    </message>
    <message>
        <source>备份失败！</source>
        <translation>Backup failed!</translation>
    </message>
    <message>
        <source>备份成功！</source>
        <translation>Backup done!</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Choose File</translation>
    </message>
    <message>
        <source>恢复成功！</source>
        <translation>Restore done!</translation>
    </message>
    <message>
        <source>恢复失败！</source>
        <translation>Restore failed!</translation>
    </message>
</context>
<context>
    <name>SystemSetDeviceClass</name>
    <message>
        <source>设备支持</source>
        <translation>Supported Devices</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AboutUs</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>有线数据采集软件</source>
        <translation>Wired data acquisition software</translation>
    </message>
    <message>
        <source>VAZUV</source>
        <translation>VAZUV</translation>
    </message>
    <message>
        <source>版本：V1.0</source>
        <translation>Version: V1.0</translation>
    </message>
    <message>
        <source>本软件受著作权法保护，保留所有权利。</source>
        <translation>This software is protected by copyright law. All rights reserved.</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>版本：</source>
        <translation>Version: </translation>
    </message>
</context>
<context>
    <name>Halvoran</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>打开数据库失败！</source>
        <translation>Failed to open the database!</translation>
    </message>
    <message>
        <source>保留所有权利  版本号：</source>
        <translation>All rights reserved  Version: </translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>System Settings</translation>
    </message>
    <message>
        <source>通道参数</source>
        <translation>Channel Settings</translation>
    </message>
    <message>
        <source>采集设备</source>
        <translation>Instruments</translation>
    </message>
    <message>
        <source>查看警告信息</source>
        <translation>Alarm Log</translation>
    </message>
    <message>
        <source>验证报告</source>
        <translation>Verification Reports</translation>
    </message>
    <message>
        <source>通道校准</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>正在校准中！</source>
        <translation>A calibration is running!</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>确认退出程序?</source>
        <translation>Exit the program?</translation>
    </message>
    <message>
        <source>请先选择需要设置的通知!</source>
        <translation>Please open the alarm log first to set the notifications!</translation>
    </message>
    <message>
        <source>请先选择需要删除的通知!</source>
        <translation>Please open the alarm log first to delete alarms!</translation>
    </message>
    <message>
        <source>请先选择需要下载的通知!</source>
        <translation>Please open the alarm log first to download alarms!</translation>
    </message>
    <message>
        <source>数据库文件缺失，原数据库保存在%1，无法放回，请手动改名为%2！</source>
        <translation>The database file is missing! The previous database is kept as %1 and could not be put back: please rename it to %2 by hand!</translation>
    </message>
    <message>
        <source>帮助文档打开失败：</source>
        <translation>Opening the user guide failed: </translation>
    </message>
    <message>
        <source>自动备份失败，备份路径不存在：%1</source>
        <translation>Automatic backup failed, the backup folder does not exist: %1</translation>
    </message>
    <message>
        <source>自动备份失败，无法写入：%1</source>
        <translation>Automatic backup failed, cannot write: %1</translation>
    </message>
</context>
<context>
    <name>HalvoranClass</name>
    <message>
        <source>VAZUV</source>
        <translation>VAZUV</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>System Settings</translation>
    </message>
    <message>
        <source>设备管理</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>通道参数</source>
        <translation>Channel Settings</translation>
    </message>
    <message>
        <source>采集设备</source>
        <translation>Instruments</translation>
    </message>
    <message>
        <source>通道校准</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>数据采集</source>
        <translation>Acquisition</translation>
    </message>
    <message>
        <source>报告管理</source>
        <translation>Reports</translation>
    </message>
    <message>
        <source>采集报告</source>
        <translation>Acquisition Reports</translation>
    </message>
    <message>
        <source>通知管理</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>查看通知</source>
        <translation>View Alarms</translation>
    </message>
    <message>
        <source>下载通知</source>
        <translation>Download Alarms</translation>
    </message>
    <message>
        <source>删除通知</source>
        <translation>Delete Alarms</translation>
    </message>
    <message>
        <source>高级设置</source>
        <translation>Alarm Settings</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>帮助文档</source>
        <translation>User Guide</translation>
    </message>
    <message>
        <source>联系我们</source>
        <translation>Contact Us</translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>联系我们</source>
        <translation>Contact Us</translation>
    </message>
    <message>
        <source>公司名称：VAZUV 仪器服务部</source>
        <translation>Company: VAZUV instrument service</translation>
    </message>
    <message>
        <source>客服电话：000-0000-0000</source>
        <translation>Service telephone: 000-0000-0000</translation>
    </message>
    <message>
        <source>客服账号：vazuv-service</source>
        <translation>Service chat account: vazuv-service</translation>
    </message>
    <message>
        <source>公司地址：请向您的设备供应商索取</source>
        <translation>Address: ask the supplier of your instruments</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>Update</name>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>服务器连接失败！</source>
        <translation>Cannot connect to the server!</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>当前已是最新版本！</source>
        <translation>This is the latest version!</translation>
    </message>
    <message>
        <source>有新版：</source>
        <translation>New version: </translation>
    </message>
    <message>
        <source>，是否更新？
更新内容：
</source>
        <translation>. Update now?
What is new:
</translation>
    </message>
    <message>
        <source>下载地址为空！</source>
        <translation>The download address is empty!</translation>
    </message>
    <message>
        <source>下载地址无效！</source>
        <translation>The download address is not valid!</translation>
    </message>
    <message>
        <source>当前软件无写入权限！</source>
        <translation>The program may not write the download!</translation>
    </message>
    <message>
        <source>下载中...</source>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>下载失败！</source>
        <translation>The download failed!</translation>
    </message>
</context>
</TS>

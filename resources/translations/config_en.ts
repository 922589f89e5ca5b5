<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ChannelConfig</name>
    <message>
        <source>通道配置</source>
        <translation>Channel configuration</translation>
    </message>
    <message>
        <source>名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>通道个数：</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>采集设备型号：</source>
        <translation>Instrument model:</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>新建文件</source>
        <translation>New file</translation>
    </message>
    <message>
        <source>删除文件</source>
        <translation>Delete file</translation>
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
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>通道编号</source>
        <translation>Channel number</translation>
    </message>
    <message>
        <source>通道标签</source>
        <translation>Channel label</translation>
    </message>
    <message>
        <source>通道类型</source>
        <translation>Channel type</translation>
    </message>
    <message>
        <source>通道功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>接线线制</source>
        <translation>Wiring</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>下限警告启用</source>
        <translation>Lower alarm on</translation>
    </message>
    <message>
        <source>下限警告</source>
        <translation>Lower alarm</translation>
    </message>
    <message>
        <source>上限警告启用</source>
        <translation>Upper alarm on</translation>
    </message>
    <message>
        <source>上限警告</source>
        <translation>Upper alarm</translation>
    </message>
    <message>
        <source>请先选择需要导出的文件!</source>
        <translation>Please choose the configuration to export first!</translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>导出文件失败!</source>
        <translation>Exporting the file failed!</translation>
    </message>
    <message>
        <source>请先选择需要删除的文件!</source>
        <translation>Please choose the configuration to delete first!</translation>
    </message>
    <message>
        <source>是否删除</source>
        <translation>Delete </translation>
    </message>
    <message>
        <source>删除文件失败!</source>
        <translation>Deleting the configuration failed!</translation>
    </message>
</context>
<context>
    <name>ChannelConfigAdd</name>
    <message>
        <source>添加配置文件</source>
        <translation>Add configuration</translation>
    </message>
    <message>
        <source>通道配置</source>
        <translation>Channel configuration</translation>
    </message>
    <message>
        <source>名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>采集设备型号：</source>
        <translation>Instrument model:</translation>
    </message>
    <message>
        <source>通道个数：</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>批量设置</source>
        <translation>Batch setting</translation>
    </message>
    <message>
        <source>参数导入</source>
        <translation>Import coefficients</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>新建文件</source>
        <translation>New file</translation>
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
        <source>选中</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>通道编号</source>
        <translation>Channel number</translation>
    </message>
    <message>
        <source>通道标签</source>
        <translation>Channel label</translation>
    </message>
    <message>
        <source>通道类型</source>
        <translation>Channel type</translation>
    </message>
    <message>
        <source>通道功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>接线线制</source>
        <translation>Wiring</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>下限警告启用</source>
        <translation>Lower alarm on</translation>
    </message>
    <message>
        <source>下限警告</source>
        <translation>Lower alarm</translation>
    </message>
    <message>
        <source>上限警告启用</source>
        <translation>Upper alarm on</translation>
    </message>
    <message>
        <source>上限警告</source>
        <translation>Upper alarm</translation>
    </message>
    <message>
        <source>取消全选</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>请先选择通道！</source>
        <translation>Please select channels first!</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>第%1行：通道标签不许使用逗号！</source>
        <translation>Row %1: a channel label must not contain a comma!</translation>
    </message>
    <message>
        <source>第%1行：%2不是有效的数字！</source>
        <translation>Row %1: %2 is not a valid number!</translation>
    </message>
    <message>
        <source>冷端温度不是有效的数字！</source>
        <translation>The cold-junction temperature is not a valid number!</translation>
    </message>
    <message>
        <source>通道编号不能重复！</source>
        <translation>Channel numbers must not repeat!</translation>
    </message>
    <message>
        <source>通道编号需要递增！</source>
        <translation>Channel numbers must increase!</translation>
    </message>
    <message>
        <source>不支持的采集设备型号：%1</source>
        <translation>Unsupported instrument model: %1</translation>
    </message>
    <message>
        <source>添加数据失败！</source>
        <translation>Adding the data failed!</translation>
    </message>
    <message>
        <source>添加成功！</source>
        <translation>Added successfully!</translation>
    </message>
</context>
<context>
    <name>ChannelConfigBatch</name>
    <message>
        <source>批量设置</source>
        <translation>Batch setting</translation>
    </message>
    <message>
        <source>通道类型：</source>
        <translation>Channel type:</translation>
    </message>
    <message>
        <source>通道功能：</source>
        <translation>Function:</translation>
    </message>
    <message>
        <source>接线线制：</source>
        <translation>Wiring:</translation>
    </message>
    <message>
        <source>MX+B(M)：</source>
        <translation>MX+B(M):</translation>
    </message>
    <message>
        <source>MX+B(B)：</source>
        <translation>MX+B(B):</translation>
    </message>
    <message>
        <source>单位：</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>A/B0：</source>
        <translation>A/B0:</translation>
    </message>
    <message>
        <source>B/B1：</source>
        <translation>B/B1:</translation>
    </message>
    <message>
        <source>C/B2：</source>
        <translation>C/B2:</translation>
    </message>
    <message>
        <source>D/B3：</source>
        <translation>D/B3:</translation>
    </message>
    <message>
        <source>R0/C4：</source>
        <translation>R0/C4:</translation>
    </message>
    <message>
        <source>A4/C5：</source>
        <translation>A4/C5:</translation>
    </message>
    <message>
        <source>B4/C6：</source>
        <translation>B4/C6:</translation>
    </message>
    <message>
        <source>下限警告启用</source>
        <translation>Lower alarm on</translation>
    </message>
    <message>
        <source>下限警告：</source>
        <translation>Lower alarm:</translation>
    </message>
    <message>
        <source>上限警告启用</source>
        <translation>Upper alarm on</translation>
    </message>
    <message>
        <source>上限警告：</source>
        <translation>Upper alarm:</translation>
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
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>%1：请输入有效的数字！</source>
        <translation>%1: please enter a valid number!</translation>
    </message>
</context>
<context>
    <name>ChannelConfigNew</name>
    <message>
        <source>新建配置文件</source>
        <translation>New configuration</translation>
    </message>
    <message>
        <source>基础信息</source>
        <translation>Basic information</translation>
    </message>
    <message>
        <source>文件名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>采集设备型号：</source>
        <translation>Instrument model:</translation>
    </message>
    <message>
        <source>通道个数：</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>补偿设置</source>
        <translation>Compensation</translation>
    </message>
    <message>
        <source>补偿方式：</source>
        <translation>Compensation:</translation>
    </message>
    <message>
        <source>冷端温度：</source>
        <translation>Cold junction:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
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
        <source>请先输入文件名称!</source>
        <translation>Please enter a name first!</translation>
    </message>
    <message>
        <source>文件名称不许使用逗号!</source>
        <translation>The name must not contain a comma!</translation>
    </message>
    <message>
        <source>数据库连接失败!</source>
        <translation>The database connection failed!</translation>
    </message>
    <message>
        <source>通道名称已存在!</source>
        <translation>The name already exists!</translation>
    </message>
    <message>
        <source>通道数不能为0!</source>
        <translation>The channel count must not be 0!</translation>
    </message>
    <message>
        <source>不支持的采集设备型号：%1</source>
        <translation>Unsupported instrument model: %1</translation>
    </message>
    <message>
        <source>超过最大通道数!</source>
        <translation>More channels than the model has!</translation>
    </message>
</context>
<context>
    <name>ChannelConfigOpen</name>
    <message>
        <source>打开配置文件</source>
        <translation>Open configuration</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
</context>
</TS>

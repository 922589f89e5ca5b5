<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ReportModel</name>
    <message>
        <source>数据表</source>
        <translation>Data table</translation>
    </message>
    <message>
        <source>横向表</source>
        <translation> horizontal</translation>
    </message>
    <message>
        <source>竖向表</source>
        <translation> vertical</translation>
    </message>
    <message>
        <source>工作数据表</source>
        <translation>Working data</translation>
    </message>
    <message>
        <source>横向分析表</source>
        <translation> horizontal analysis</translation>
    </message>
    <message>
        <source>竖向分析表</source>
        <translation> vertical analysis</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max </translation>
    </message>
    <message>
        <source>通道</source>
        <translation> Channel</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min </translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Average </translation>
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
        <source>最大-最小</source>
        <translation>Max-Min</translation>
    </message>
    <message>
        <source>标准偏差</source>
        <translation>Std. dev.</translation>
    </message>
    <message>
        <source>最小平均</source>
        <translation>Min avg. </translation>
    </message>
    <message>
        <source>及通道</source>
        <translation> &amp; ch.</translation>
    </message>
    <message>
        <source>最大平均</source>
        <translation>Max avg. </translation>
    </message>
    <message>
        <source>最大的最大值及通道</source>
        <translation>Max of max &amp; channel</translation>
    </message>
    <message>
        <source>最小的最小值及通道</source>
        <translation>Min of min &amp; channel</translation>
    </message>
    <message>
        <source>全均值</source>
        <translation>Overall average</translation>
    </message>
    <message>
        <source>最大的最大值与全均值之差</source>
        <translation>Max of max - overall avg.</translation>
    </message>
    <message>
        <source>最大平均值与全均值之差</source>
        <translation>Max avg. - overall avg.</translation>
    </message>
    <message>
        <source>全均值与最小的最小值之差</source>
        <translation>Overall avg. - min of min</translation>
    </message>
    <message>
        <source>全均值与最小平均值之差</source>
        <translation>Overall avg. - min avg.</translation>
    </message>
    <message>
        <source>    开始</source>
        <translation>    start</translation>
    </message>
    <message>
        <source>    结束</source>
        <translation>    end</translation>
    </message>
    <message>
        <source>开始时间：</source>
        <translation>Start time: </translation>
    </message>
    <message>
        <source>结束时间：</source>
        <translation>End time: </translation>
    </message>
</context>
<context>
    <name>VerificationReport</name>
    <message>
        <source>验证报告</source>
        <translation>Verification Reports</translation>
    </message>
    <message>
        <source>报表生成</source>
        <translation>Generate Report</translation>
    </message>
    <message>
        <source>时间轴-标注线设置：</source>
        <translation>Time axis marker:</translation>
    </message>
    <message>
        <source>备注：</source>
        <translation>Remark:</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>项目列表</source>
        <translation>Projects</translation>
    </message>
    <message>
        <source>时间设置：</source>
        <translation>Time range:</translation>
    </message>
    <message>
        <source>设定</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>左轴设置：</source>
        <translation>Left axis:</translation>
    </message>
    <message>
        <source>右轴设置：</source>
        <translation>Right axis:</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
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
        <source>查看项目</source>
        <translation>View project</translation>
    </message>
    <message>
        <source>简单导出</source>
        <translation>Quick export</translation>
    </message>
    <message>
        <source>删除项目</source>
        <translation>Delete project</translation>
    </message>
    <message>
        <source>数据导出中，请稍等...</source>
        <translation>Exporting the data, please wait...</translation>
    </message>
    <message>
        <source>当前项目没有采集的数据!</source>
        <translation>This project has no acquired data!</translation>
    </message>
    <message>
        <source>项目名称:</source>
        <translation>Project name: </translation>
    </message>
    <message>
        <source>创建时间:</source>
        <translation>Created: </translation>
    </message>
    <message>
        <source>使用的采集设备</source>
        <translation>Instruments used</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Model: </translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial number: </translation>
    </message>
    <message>
        <source>通讯方式：</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>IP/COM：</source>
        <translation>IP/COM: </translation>
    </message>
    <message>
        <source>Port/BaudRate：</source>
        <translation>Port/Baud rate: </translation>
    </message>
    <message>
        <source>扫描间隔：</source>
        <translation>Scan interval: </translation>
    </message>
    <message>
        <source>扫描速率：</source>
        <translation>Scan rate: </translation>
    </message>
    <message>
        <source>通道文件名：</source>
        <translation>Channel configuration: </translation>
    </message>
    <message>
        <source>通道数量：</source>
        <translation>Channels: </translation>
    </message>
    <message>
        <source>相关参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>数据采集开始时间：</source>
        <translation>Acquisition start: </translation>
    </message>
    <message>
        <source>数据采集终止时间：</source>
        <translation>Acquisition end: </translation>
    </message>
    <message>
        <source>通道编号：</source>
        <translation>Channel numbers: </translation>
    </message>
    <message>
        <source>通道单位：</source>
        <translation>Channel units: </translation>
    </message>
    <message>
        <source>备注信息不能为空!</source>
        <translation>The remark must not be empty!</translation>
    </message>
    <message>
        <source>备注信息数超限!</source>
        <translation>Too many remarks!</translation>
    </message>
    <message>
        <source>添加标注线超量!</source>
        <translation>Too many marker lines!</translation>
    </message>
    <message>
        <source>请先选择需要删除的项目!</source>
        <translation>Please choose the project to delete first!</translation>
    </message>
    <message>
        <source>是否删除</source>
        <translation>Delete </translation>
    </message>
    <message>
        <source>删除数据失败!</source>
        <translation>Deleting the data failed!</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>报表生成成功!</source>
        <translation>Report generated!</translation>
    </message>
    <message>
        <source>数据异常，生成报表失败!</source>
        <translation>Faulty data, generating the report failed!</translation>
    </message>
</context>
<context>
    <name>VerificationReportExcel</name>
    <message>
        <source>采集报告</source>
        <translation>Acquisition Report</translation>
    </message>
    <message>
        <source>打印时间：</source>
        <translation>Printed: </translation>
    </message>
    <message>
        <source>设备列表:</source>
        <translation>Instruments:</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>设备型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>通道文件</source>
        <translation>Channel configuration</translation>
    </message>
    <message>
        <source>通道个数</source>
        <translation>Channels</translation>
    </message>
    <message>
        <source>首页</source>
        <translation>Cover</translation>
    </message>
    <message>
        <source>项目名称:</source>
        <translation>Project name: </translation>
    </message>
    <message>
        <source>项目时间:</source>
        <translation>Project time: </translation>
    </message>
    <message>
        <source>报告概述:</source>
        <translation>Contents:</translation>
    </message>
    <message>
        <source>趋势图:</source>
        <translation>Trend chart:</translation>
    </message>
</context>
<context>
    <name>VerificationReportExport</name>
    <message>
        <source>报表生成</source>
        <translation>Generate Report</translation>
    </message>
    <message>
        <source>导出数据</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>功能表页：</source>
        <translation>Tables:</translation>
    </message>
    <message>
        <source>数据表</source>
        <translation>Data table</translation>
    </message>
    <message>
        <source>横向分析表</source>
        <translation> horizontal</translation>
    </message>
    <message>
        <source>竖向分析表</source>
        <translation> vertical</translation>
    </message>
    <message>
        <source>导出格式:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>多段统计</source>
        <translation>Segments</translation>
    </message>
    <message>
        <source>统计段数：</source>
        <translation>Segments:</translation>
    </message>
    <message>
        <source>打印间隔：</source>
        <translation>Print interval:</translation>
    </message>
    <message>
        <source>时间段：</source>
        <translation>Period:</translation>
    </message>
    <message>
        <source>备注：</source>
        <translation>Remark:</translation>
    </message>
    <message>
        <source>保存路径：</source>
        <translation>Save to:</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>路径设置错误!</source>
        <translation>Wrong file path!</translation>
    </message>
    <message>
        <source>备注信息不能为空!</source>
        <translation>The remark must not be empty!</translation>
    </message>
    <message>
        <source>开始时间小于开始采集时间!</source>
        <translation>The start time is before the start of the acquisition!</translation>
    </message>
    <message>
        <source>结束时间大于结束采集时间!</source>
        <translation>The end time is after the end of the acquisition!</translation>
    </message>
    <message>
        <source>分段时间错误!</source>
        <translation>Wrong segment times!</translation>
    </message>
    <message>
        <source>采集间隔设置错误!</source>
        <translation>Wrong print interval!</translation>
    </message>
</context>
<context>
    <name>VerificationReportPDF</name>
    <message>
        <source>采集报告</source>
        <translation>Acquisition Report</translation>
    </message>
    <message>
        <source>打印时间：</source>
        <translation>Printed: </translation>
    </message>
    <message>
        <source>第</source>
        <translation>Page </translation>
    </message>
    <message>
        <source>页,共</source>
        <translation> of </translation>
    </message>
    <message>
        <source>页</source>
        <translation> </translation>
    </message>
    <message>
        <source>项目名称:</source>
        <translation>Project name: </translation>
    </message>
    <message>
        <source>项目时间:</source>
        <translation>Project time: </translation>
    </message>
    <message>
        <source>报告概述:</source>
        <translation>Contents:</translation>
    </message>
    <message>
        <source>设备列表:</source>
        <translation>Instruments:</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>设备型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>通道文件</source>
        <translation>Channel configuration</translation>
    </message>
    <message>
        <source>通道个数</source>
        <translation>Channels</translation>
    </message>
</context>
</TS>

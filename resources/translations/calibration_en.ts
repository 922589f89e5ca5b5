<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ChannelBatch</name>
    <message>
        <source>配置文件</source>
        <translation>Config</translation>
    </message>
    <message>
        <source>批次</source>
        <translation>Batch</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
</context>
<context>
    <name>ChannelBatchClass</name>
    <message>
        <source>批次确认</source>
        <translation>Batches</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
</context>
<context>
    <name>ChannelCalibration</name>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>重采</source>
        <translation>Resample</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>温度点</source>
        <translation>Set point </translation>
    </message>
    <message>
        <source>批次</source>
        <translation>Batch </translation>
    </message>
    <message>
        <source>标准：</source>
        <translation> reference: </translation>
    </message>
    <message>
        <source>设备正在通讯，请稍候！</source>
        <translation>The device is busy, please wait!</translation>
    </message>
    <message>
        <source>软件异常，请退出软件重试!</source>
        <translation>Program fault, please exit the program and try again!</translation>
    </message>
    <message>
        <source>设备连接中...</source>
        <translation>Connecting the devices...</translation>
    </message>
    <message>
        <source>采集设备不能相同!</source>
        <translation>Instruments must differ!</translation>
    </message>
    <message>
        <source>未选择采集设备!</source>
        <translation>No instrument selected!</translation>
    </message>
    <message>
        <source>不支持的设备型号：</source>
        <translation>Unsupported device model: </translation>
    </message>
    <message>
        <source>自动模式下标准探头不允许手动!</source>
        <translation>In automatic mode the reference probe cannot be manual!</translation>
    </message>
    <message>
        <source>通道配置信息改变，是否开始新的校准?</source>
        <translation>The channel configuration has changed. Start a new calibration?</translation>
    </message>
    <message>
        <source>温度点%1的设定值不是有效的数字!</source>
        <translation>The value of set point %1 is not a valid number!</translation>
    </message>
    <message>
        <source>设置的温度点少于保存的数据，是否开始新的校准?</source>
        <translation>Fewer set points than the saved data have. Start a new calibration?</translation>
    </message>
    <message>
        <source>通道信息异常，设置失败!</source>
        <translation>Faulty channel information, setting failed!</translation>
    </message>
    <message>
        <source>当前类型暂不支持校准!</source>
        <translation>This channel type cannot be calibrated yet!</translation>
    </message>
    <message>
        <source>同一通道配置的通道不能重复校准：</source>
        <translation>Channels of one channel configuration cannot be calibrated twice: </translation>
    </message>
    <message>
        <source>热电偶校准只需要2个温度点，温度点不匹配会造成校准失败!</source>
        <translation>A thermocouple calibration needs exactly 2 set points; other set points make the calibration fail!</translation>
    </message>
    <message>
        <source>热敏电阻校准需要4-9个温度点，温度点不匹配会造成校准失败!</source>
        <translation>A thermistor calibration needs 4 to 9 set points; other set points make the calibration fail!</translation>
    </message>
    <message>
        <source>铂电阻校准最少需要3个温度点(ITS90 1个零度,2个负温或2个正温)，温度点不匹配会造成校准失败!</source>
        <translation>A PRT calibration needs at least 3 set points (ITS90: one at zero, two below or two above zero); other set points make the calibration fail!</translation>
    </message>
    <message>
        <source>最大分批数不能小于0!</source>
        <translation>The channels per batch must be greater than 0!</translation>
    </message>
    <message>
        <source>采集器连接成功！</source>
        <translation>Instruments connected!</translation>
    </message>
    <message>
        <source>温场设备连接成功！</source>
        <translation>Temperature source connected!</translation>
    </message>
    <message>
        <source>标准器连接成功！</source>
        <translation>Reference thermometer connected!</translation>
    </message>
    <message>
        <source>通道参数设置成功！</source>
        <translation>Channel settings written!</translation>
    </message>
    <message>
        <source>采集设备</source>
        <translation>Instrument </translation>
    </message>
    <message>
        <source>断开连接。</source>
        <translation> disconnected.</translation>
    </message>
    <message>
        <source>温度标准断开连接。</source>
        <translation>Reference thermometer disconnected.</translation>
    </message>
    <message>
        <source>温场设备断开连接。</source>
        <translation>Temperature source disconnected.</translation>
    </message>
    <message>
        <source>: 温场稳定等待中...</source>
        <translation>: waiting for the source to settle...</translation>
    </message>
    <message>
        <source>温场已稳定。</source>
        <translation> The source is stable.</translation>
    </message>
    <message>
        <source>: 温场稳定延迟等待中...</source>
        <translation>: waiting out the settling delay...</translation>
    </message>
    <message>
        <source>请更换通道后点击确定按钮！</source>
        <translation>Change the channels, then click OK!</translation>
    </message>
    <message>
        <source>标准:</source>
        <translation> reference: </translation>
    </message>
    <message>
        <source>温场设备设置失败!</source>
        <translation>Setting the temperature source failed!</translation>
    </message>
    <message>
        <source>采集器阻值获取失败!</source>
        <translation>Reading the instrument resistances failed!</translation>
    </message>
    <message>
        <source>获取标准温度失败!</source>
        <translation>Reading the reference temperature failed!</translation>
    </message>
    <message>
        <source>校准结束退出!</source>
        <translation>Calibration finished!</translation>
    </message>
    <message>
        <source>设备连接失败!</source>
        <translation>Connecting the devices failed!</translation>
    </message>
    <message>
        <source>采集设备设置失败!</source>
        <translation>Setting up the instruments failed!</translation>
    </message>
    <message>
        <source>请更换液体!</source>
        <translation>Please change the bath fluid!</translation>
    </message>
    <message>
        <source>数据异常!</source>
        <translation>Faulty data!</translation>
    </message>
    <message>
        <source>当前为自动模式，此按钮不可用!</source>
        <translation>This button is not available in automatic mode!</translation>
    </message>
    <message>
        <source>标准</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>请输入标准温度：</source>
        <translation>Enter the reference temperature:</translation>
    </message>
    <message>
        <source>采集器数据获取失败!</source>
        <translation>Reading the instrument data failed!</translation>
    </message>
    <message>
        <source>请先开始校准!</source>
        <translation>Please start the calibration first!</translation>
    </message>
    <message>
        <source>当前没有校准数据!</source>
        <translation>There are no calibration data!</translation>
    </message>
</context>
<context>
    <name>ChannelCalibrationClass</name>
    <message>
        <source>通道校准</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>校准参数</source>
        <translation>Calibration settings</translation>
    </message>
    <message>
        <source>温度点：</source>
        <translation>Points:</translation>
    </message>
    <message>
        <source>1：</source>
        <translation>1:</translation>
    </message>
    <message>
        <source>换液</source>
        <translation>Swap fluid</translation>
    </message>
    <message>
        <source>2：</source>
        <translation>2:</translation>
    </message>
    <message>
        <source>3：</source>
        <translation>3:</translation>
    </message>
    <message>
        <source>4：</source>
        <translation>4:</translation>
    </message>
    <message>
        <source>5：</source>
        <translation>5:</translation>
    </message>
    <message>
        <source>6：</source>
        <translation>6:</translation>
    </message>
    <message>
        <source>7：</source>
        <translation>7:</translation>
    </message>
    <message>
        <source>8：</source>
        <translation>8:</translation>
    </message>
    <message>
        <source>9：</source>
        <translation>9:</translation>
    </message>
    <message>
        <source>稳定延迟：</source>
        <translation>Delay:</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>单批最大通道数：</source>
        <translation>Batch size:</translation>
    </message>
    <message>
        <source>校准设备</source>
        <translation>Calibration devices</translation>
    </message>
    <message>
        <source>标准型号：</source>
        <translation>Reference:</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>Link...</translation>
    </message>
    <message>
        <source>温场型号：</source>
        <translation>Source:</translation>
    </message>
    <message>
        <source>采集设备1：</source>
        <translation>Instrument 1:</translation>
    </message>
    <message>
        <source>采集设备2：</source>
        <translation>Instrument 2:</translation>
    </message>
    <message>
        <source>采集设备3：</source>
        <translation>Instrument 3:</translation>
    </message>
    <message>
        <source>校准数据</source>
        <translation>Calibration data</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>温度点1</source>
        <translation>Set point 1</translation>
    </message>
    <message>
        <source>温度点2</source>
        <translation>Set point 2</translation>
    </message>
    <message>
        <source>温度点3</source>
        <translation>Set point 3</translation>
    </message>
    <message>
        <source>温度点4</source>
        <translation>Set point 4</translation>
    </message>
    <message>
        <source>温度点5</source>
        <translation>Set point 5</translation>
    </message>
    <message>
        <source>温度点6</source>
        <translation>Set point 6</translation>
    </message>
    <message>
        <source>温度点7</source>
        <translation>Set point 7</translation>
    </message>
    <message>
        <source>温度点8</source>
        <translation>Set point 8</translation>
    </message>
    <message>
        <source>温度点9</source>
        <translation>Set point 9</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>Finish</translation>
    </message>
</context>
<context>
    <name>ChannelScan</name>
    <message>
        <source>IP地址：</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>端口号：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>设备名：</source>
        <translation>Device name:</translation>
    </message>
    <message>
        <source>空：</source>
        <translation>Unused:</translation>
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
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>当前模式无需测试！</source>
        <translation>This link needs no test!</translation>
    </message>
    <message>
        <source>设备连接失败！</source>
        <translation>Connecting the device failed!</translation>
    </message>
    <message>
        <source>测试成功！</source>
        <translation>Test succeeded!</translation>
    </message>
    <message>
        <source>获取序列号失败！</source>
        <translation>Reading the serial number failed!</translation>
    </message>
    <message>
        <source>设备正在通讯，请稍候！</source>
        <translation>The device is busy, please wait!</translation>
    </message>
</context>
<context>
    <name>ChannelScanClass</name>
    <message>
        <source>通讯</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>操作区</source>
        <translation>Link settings</translation>
    </message>
    <message>
        <source>通讯方式：</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
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
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ChannelSet</name>
    <message>
        <source>选中</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation>Config</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>取消全选</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>请先选择需要校准的通道！</source>
        <translation>Please select the channels to calibrate first!</translation>
    </message>
</context>
<context>
    <name>ChannelSetClass</name>
    <message>
        <source>通道设置</source>
        <translation>Channel Selection</translation>
    </message>
    <message>
        <source>通道类型：</source>
        <translation>Channel type:</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
</context>
</TS>

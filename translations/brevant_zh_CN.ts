<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>brevant::AboutDialog</name>
    <message>
        <source>About Brevant</source>
        <translation>关于 Brevant</translation>
    </message>
    <message>
        <source>Model：%1</source>
        <translation>型号：%1</translation>
    </message>
    <message>
        <source>Version：%1</source>
        <translation>版本：%1</translation>
    </message>
</context>
<context>
    <name>brevant::ChannelPane</name>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>电平</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>滤波器</translation>
    </message>
    <message>
        <source>Dynamics</source>
        <translation>动态处理</translation>
    </message>
</context>
<context>
    <name>brevant::CommLogView</name>
    <message>
        <source>No.</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>串口号</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>Content</source>
        <translation>内容</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>接收</translation>
    </message>
    <message>
        <source> ... (%1 more bytes not kept)</source>
        <translation> …（另有 %1 字节未保留）</translation>
    </message>
</context>
<context>
    <name>brevant::ConnectTarget</name>
    <message>
        <source>Network ports are not available</source>
        <translation>网络端口不可用</translation>
    </message>
</context>
<context>
    <name>brevant::ConnectToDialog</name>
    <message>
        <source>not a valid address</source>
        <translation>不是有效的地址</translation>
    </message>
    <message>
        <source>raw TCP</source>
        <translation>原始 TCP</translation>
    </message>
    <message>
        <source>Connect To</source>
        <translation>连接到</translation>
    </message>
    <message>
        <source>Choose the &amp;device to connect to:</source>
        <translation>选择要连接的设备(&amp;D)：</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>详细信息</translation>
    </message>
    <message>
        <source>&amp;Add…</source>
        <translation>添加(&amp;A)…</translation>
    </message>
    <message>
        <source>&amp;Edit…</source>
        <translation>编辑(&amp;E)…</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>删除(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>连接(&amp;C)</translation>
    </message>
    <message>
        <source>Network devices:</source>
        <translation>网络设备：</translation>
    </message>
    <message>
        <source>Serial ports</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>No serial ports found</source>
        <translation>未找到串口</translation>
    </message>
    <message>
        <source>Plug in a USB serial adapter and open this dialog again.</source>
        <translation>请插入 USB 串口适配器，然后重新打开此对话框。</translation>
    </message>
    <message>
        <source>Network devices</source>
        <translation>网络设备</translation>
    </message>
    <message>
        <source>No network devices saved</source>
        <translation>尚未保存网络设备</translation>
    </message>
    <message>
        <source>Add a serial device server or ser2net port with Add…</source>
        <translation>可用“添加…”加入串口服务器或 ser2net 端口</translation>
    </message>
    <message>
        <source>Virtual device</source>
        <translation>虚拟设备</translation>
    </message>
    <message>
        <source>Virtual device (simulator)</source>
        <translation>虚拟设备（模拟器）</translation>
    </message>
    <message>
        <source>The simulator, brevant-sim, was not found next to brevant or on the PATH.</source>
        <translation>在 brevant 所在目录和 PATH 中均未找到模拟器 brevant-sim。</translation>
    </message>
    <message>
        <source>A simulated device for work without hardware</source>
        <translation>模拟的设备，无需硬件即可使用</translation>
    </message>
</context>
<context>
    <name>brevant::ControlPanel</name>
    <message>
        <source>Input %1</source>
        <translation>输入 %1</translation>
    </message>
    <message>
        <source>Output %1</source>
        <translation>输出 %1</translation>
    </message>
</context>
<context>
    <name>brevant::DynamicsPanel</name>
    <message>
        <source>AutoMix</source>
        <translation>自动混音</translation>
    </message>
    <message>
        <source>Phantom</source>
        <translation>幻象电源</translation>
    </message>
    <message>
        <source>Filter, all inputs:</source>
        <translation>输入共用滤波器：</translation>
    </message>
    <message>
        <source>NR depth</source>
        <translation>降噪深度</translation>
    </message>
    <message>
        <source>Filter for all inputs</source>
        <translation>所有输入共用的滤波器</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Filter 1</source>
        <translation>滤波器 1</translation>
    </message>
    <message>
        <source>Filter 2</source>
        <translation>滤波器 2</translation>
    </message>
    <message>
        <source>Filter 3</source>
        <translation>滤波器 3</translation>
    </message>
    <message>
        <source>Filter 4</source>
        <translation>滤波器 4</translation>
    </message>
    <message>
        <source>Filter 5</source>
        <translation>滤波器 5</translation>
    </message>
</context>
<context>
    <name>brevant::GainStrip</name>
    <message>
        <source>signal level</source>
        <translation>信号电平</translation>
    </message>
    <message>
        <source>gain</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>level</source>
        <translation>电平</translation>
    </message>
</context>
<context>
    <name>brevant::InputFilterPanel</name>
    <message>
        <source>Highpass</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
</context>
<context>
    <name>brevant::InputLevelPanel</name>
    <message>
        <source>Priority</source>
        <translation>优先</translation>
    </message>
</context>
<context>
    <name>brevant::Language</name>
    <message>
        <source>&amp;System</source>
        <translation>跟随系统(&amp;S)</translation>
    </message>
    <message>
        <source>The language changes when Brevant is next started.</source>
        <translation>界面语言将在下次启动 Brevant 时更改。</translation>
    </message>
</context>
<context>
    <name>brevant::LevelGraph</name>
    <message>
        <source>Response</source>
        <translation>响应</translation>
    </message>
    <message>
        <source>Noise floor</source>
        <translation>本底噪声</translation>
    </message>
    <message>
        <source>Sound test result</source>
        <translation>声场测试结果</translation>
    </message>
    <message>
        <source>Level (dB)</source>
        <translation>电平 (dB)</translation>
    </message>
    <message>
        <source>Frequency (Hz)</source>
        <translation>频率 (Hz)</translation>
    </message>
    <message>
        <source>Could not save the graph to %1: the graph has no area to draw at scale %2.</source>
        <translation>无法将曲线图保存到 %1：在缩放比例 %2 下曲线图没有可绘制的区域。</translation>
    </message>
    <message>
        <source>Could not save the graph to %1: the picture could not be encoded.</source>
        <translation>无法将曲线图保存到 %1：图片无法编码。</translation>
    </message>
    <message>
        <source>Could not save the graph: %1</source>
        <translation>无法保存曲线图：%1</translation>
    </message>
    <message>
        <source>Could not save the measurement: %1</source>
        <translation>无法保存测量数据：%1</translation>
    </message>
</context>
<context>
    <name>brevant::LevelPanel</name>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
</context>
<context>
    <name>brevant::LevelPopupDialog</name>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Input%1</source>
        <translation>输入%1</translation>
    </message>
    <message>
        <source>Output%1</source>
        <translation>输出%1</translation>
    </message>
</context>
<context>
    <name>brevant::LostBanner</name>
    <message>
        <source>Device lost on %1 — looking for it again…</source>
        <translation>%1 上的设备已断开——正在重新查找…</translation>
    </message>
</context>
<context>
    <name>brevant::MainForm</name>
    <message>
        <source>VCSIn</source>
        <translation>VCS 输入</translation>
    </message>
    <message>
        <source>Input%1</source>
        <translation>输入%1</translation>
    </message>
    <message>
        <source>VCSOut</source>
        <translation>VCS 输出</translation>
    </message>
    <message>
        <source>Output%1</source>
        <translation>输出%1</translation>
    </message>
    <message>
        <source>Percent</source>
        <translation>百分比</translation>
    </message>
    <message>
        <source>Not connected — Device &gt; Connect (Ctrl+K)</source>
        <translation>未连接——设备 &gt; 连接 (Ctrl+K)</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>编组</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
</context>
<context>
    <name>brevant::MainWindow</name>
    <message>
        <source>Choose the device with Device &gt; Connect To…</source>
        <translation>请用“设备 &gt; 连接到…”选择设备</translation>
    </message>
    <message>
        <source>lg Files (*.lg);;*.* (*)</source>
        <translation>lg 文件 (*.lg);;*.* (*)</translation>
    </message>
    <message>
        <source>lg Files (*.b);;*.* (*)</source>
        <translation>lg 文件 (*.b);;*.* (*)</translation>
    </message>
    <message>
        <source>&amp;Device</source>
        <translation>设备(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>连接(&amp;C)</translation>
    </message>
    <message>
        <source>Connect &amp;To…</source>
        <translation>连接到(&amp;T)…</translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation>断开(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Open From File</source>
        <translation>从文件打开(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Save to File</source>
        <translation>保存到文件(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Undo Open From File</source>
        <translation>撤销从文件打开(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Recent Files</source>
        <translation>最近的文件(&amp;R)</translation>
    </message>
    <message>
        <source>Sa&amp;veDevice</source>
        <translation>保存到设备(&amp;V)</translation>
    </message>
    <message>
        <source>Up&amp;grade</source>
        <translation>固件升级(&amp;G)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>工具(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Channel</source>
        <translation>通道(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Matrix</source>
        <translation>矩阵(&amp;M)</translation>
    </message>
    <message>
        <source>Sound &amp;Test</source>
        <translation>声场测试(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Zoom</source>
        <translation>缩放(&amp;Z)</translation>
    </message>
    <message>
        <source>L&amp;anguage</source>
        <translation>语言(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About Brevant</source>
        <translation>关于 Brevant(&amp;A)</translation>
    </message>
    <message>
        <source>Commands</source>
        <translation>命令</translation>
    </message>
    <message>
        <source>Communication list</source>
        <translation>通信列表</translation>
    </message>
    <message>
        <source>Communication &amp;list</source>
        <translation>通信列表(&amp;L)</translation>
    </message>
    <message>
        <source>Protocol trace</source>
        <translation>协议跟踪</translation>
    </message>
    <message>
        <source>Protocol &amp;trace</source>
        <translation>协议跟踪(&amp;T)</translation>
    </message>
    <message>
        <source>Connecting…</source>
        <translation>正在连接…</translation>
    </message>
    <message>
        <source>Disconnecting…</source>
        <translation>正在断开…</translation>
    </message>
    <message>
        <source>Open From File</source>
        <translation>从文件打开</translation>
    </message>
    <message>
        <source>%1; nothing was sent</source>
        <translation>%1；未发送任何设置</translation>
    </message>
    <message>
        <source>Undo Open From File restores the earlier setting</source>
        <translation>“撤销从文件打开”可恢复之前的设置</translation>
    </message>
    <message>
        <source>Sending the preset…</source>
        <translation>正在发送预设…</translation>
    </message>
    <message>
        <source>Sending back the earlier setting…</source>
        <translation>正在发回之前的设置…</translation>
    </message>
    <message>
        <source>Save to File</source>
        <translation>保存到文件</translation>
    </message>
    <message>
        <source>Saving in the device…</source>
        <translation>正在保存到设备…</translation>
    </message>
    <message>
        <source>Looking for the device…</source>
        <translation>正在查找设备…</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>固件升级</translation>
    </message>
    <message>
        <source>Upgrading the firmware…</source>
        <translation>正在升级固件…</translation>
    </message>
    <message>
        <source>Device lost on %1 — reconnecting…</source>
        <translation>%1 上的设备已断开——正在重新连接…</translation>
    </message>
    <message>
        <source>Connected: %1 on %2, firmware %3</source>
        <translation>已连接：%1，位于 %2，固件 %3</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>未连接</translation>
    </message>
</context>
<context>
    <name>brevant::MatrixDialog</name>
    <message>
        <source>Input %1 to Output %2</source>
        <translation>输入 %1 到输出 %2</translation>
    </message>
    <message>
        <source>Matrix</source>
        <translation>矩阵</translation>
    </message>
    <message>
        <source>Output1</source>
        <translation>输出1</translation>
    </message>
    <message>
        <source>Outpu2</source>
        <translation>输出2</translation>
    </message>
    <message>
        <source>Output3</source>
        <translation>输出3</translation>
    </message>
    <message>
        <source>Output4</source>
        <translation>输出4</translation>
    </message>
    <message>
        <source>Input%1</source>
        <translation>输入%1</translation>
    </message>
    <message>
        <source>%1 to %2 dB; Return sends it</source>
        <translation>%1 至 %2 dB；按回车键发送</translation>
    </message>
    <message>
        <source> gain</source>
        <translation> 增益</translation>
    </message>
    <message>
        <source>Channel%1</source>
        <translation>通道%1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no gain from %2 to %3 dB: not sent</source>
        <translation>“%1”不是 %2 至 %3 dB 之间的增益：未发送</translation>
    </message>
    <message>
        <source>Crosspoint matrix</source>
        <translation>交叉点矩阵</translation>
    </message>
    <message>
        <source>A lit switch routes the input of its row to the output of its column; the knob beside it sets that route&apos;s gain, -30 to 0 dB.</source>
        <translation>点亮的开关把所在行的输入送到所在列的输出；旁边的旋钮设置该路由的增益，-30 至 0 dB。</translation>
    </message>
</context>
<context>
    <name>brevant::NetworkDeviceDialog</name>
    <message>
        <source>Add Network Device</source>
        <translation>添加网络设备</translation>
    </message>
    <message>
        <source>Edit Network Device</source>
        <translation>编辑网络设备</translation>
    </message>
    <message>
        <source>e.g. Rack 2</source>
        <translation>例如：机柜 2</translation>
    </message>
    <message>
        <source>tcp://HOST:PORT — a raw TCP port
rfc2217://HOST:PORT — a server speaking RFC 2217, which sets its line to 19200 8N1</source>
        <translation>tcp://主机:端口——原始 TCP 端口
rfc2217://主机:端口——支持 RFC 2217 的服务器，由它把线路设为 19200 8N1</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>名称(&amp;N)：</translation>
    </message>
    <message>
        <source>&amp;Address:</source>
        <translation>地址(&amp;A)：</translation>
    </message>
    <message>
        <source>A network device&apos;s address begins with tcp:// or rfc2217://; serial ports are listed by themselves.</source>
        <translation>网络设备的地址以 tcp:// 或 rfc2217:// 开头；串口会单独列出。</translation>
    </message>
</context>
<context>
    <name>brevant::OutputFilterPanel</name>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
</context>
<context>
    <name>brevant::OutputLevelPanel</name>
    <message>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <source>DelayTime</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>Lowpass</source>
        <translation>低通</translation>
    </message>
    <message>
        <source>Highpass</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>Set %1</source>
        <translation>设置%1</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>请输入整数。</translation>
    </message>
</context>
<context>
    <name>brevant::PresetPreview</name>
    <message>
        <source>Not connected: what %1 would change is not known. Every setting it holds will be sent.</source>
        <translation>未连接：无法得知 %1 会改变哪些设置。其中的每一项设置都将被发送。</translation>
    </message>
    <message>
        <source>%1 holds what the device holds.</source>
        <translation>%1 与设备中的设置相同。</translation>
    </message>
    <message>
        <source>%1 setting of %2 differs from the device:</source>
        <translation>%2 中有 %1 项设置与设备不同：</translation>
    </message>
    <message>
        <source>%1 settings of %2 differ from the device:</source>
        <translation>%2 中有 %1 项设置与设备不同：</translation>
    </message>
    <message>
        <source>Open From File</source>
        <translation>从文件打开</translation>
    </message>
    <message>
        <source>&amp;Load</source>
        <translation>载入(&amp;L)</translation>
    </message>
</context>
<context>
    <name>brevant::SoundTestDialog</name>
    <message>
        <source>Sound Test</source>
        <translation>声场测试</translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation>测量</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Point </source>
        <translation>测试点</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Signal</source>
        <translation>信号</translation>
    </message>
    <message>
        <source>Measured</source>
        <translation>已测量</translation>
    </message>
    <message>
        <source>TestOn</source>
        <translation>进入测试</translation>
    </message>
    <message>
        <source>TestOff</source>
        <translation>退出测试</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Calibrated</source>
        <translation>已校准</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>滤波器</translation>
    </message>
    <message>
        <source>Saved to %1.</source>
        <translation>已保存到 %1。</translation>
    </message>
    <message>
        <source>Input%1</source>
        <translation>输入%1</translation>
    </message>
    <message>
        <source>VCSIN</source>
        <translation>VCS 输入</translation>
    </message>
    <message>
        <source>%1s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>Filter %1</source>
        <translation>滤波器 %1</translation>
    </message>
    <message>
        <source>Reading the test settings...</source>
        <translation>正在读取测试设置…</translation>
    </message>
    <message>
        <source>On</source>
        <translation>开</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>No device connected.</source>
        <translation>未连接设备。</translation>
    </message>
    <message>
        <source>The device is not in test mode.</source>
        <translation>设备不在测试模式。</translation>
    </message>
    <message>
        <source>Test mode: choose the channel, the points and the time.</source>
        <translation>测试模式：请选择通道、测试点数和时间。</translation>
    </message>
    <message>
        <source>Result of %1: levels %2 to %3.</source>
        <translation>%1 的结果：电平 %2 至 %3。</translation>
    </message>
    <message>
        <source>Ready: Start measures point 1 of %1.</source>
        <translation>就绪：按“开始”测量第 1 个测试点（共 %1 个）。</translation>
    </message>
    <message>
        <source>Point %1 of %2 measured: Continue measures the next.</source>
        <translation>已测量第 %1 个测试点（共 %2 个）：按“继续”测量下一个。</translation>
    </message>
    <message>
        <source>All %1 points measured: Result fetches the curves.</source>
        <translation>全部 %1 个测试点已测量：按“结果”读取曲线。</translation>
    </message>
    <message>
        <source>Entering test mode...</source>
        <translation>正在进入测试模式…</translation>
    </message>
    <message>
        <source>The device did not enter test mode.</source>
        <translation>设备未进入测试模式。</translation>
    </message>
    <message>
        <source>channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>points</source>
        <translation>测试点数</translation>
    </message>
    <message>
        <source>time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Setting the %1...</source>
        <translation>正在设置%1…</translation>
    </message>
    <message>
        <source>The device did not take the %1.</source>
        <translation>设备未接受%1。</translation>
    </message>
    <message>
        <source>on</source>
        <translation>开</translation>
    </message>
    <message>
        <source>off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>Switching the test signal %1...</source>
        <translation>正在将测试信号切换为%1…</translation>
    </message>
    <message>
        <source>The device did not switch the test signal %1.</source>
        <translation>设备未将测试信号切换为%1。</translation>
    </message>
    <message>
        <source>Test signal %1.</source>
        <translation>测试信号已%1。</translation>
    </message>
    <message>
        <source>Measuring point 1...</source>
        <translation>正在测量第 1 个测试点…</translation>
    </message>
    <message>
        <source>The device did not measure the first point.</source>
        <translation>设备未测量第一个测试点。</translation>
    </message>
    <message>
        <source>Measuring point %1...</source>
        <translation>正在测量第 %1 个测试点…</translation>
    </message>
    <message>
        <source>The device did not measure point %1.</source>
        <translation>设备未测量第 %1 个测试点。</translation>
    </message>
    <message>
        <source>Reading the result...</source>
        <translation>正在读取结果…</translation>
    </message>
    <message>
        <source>Sound test of %1</source>
        <translation>%1 的声场测试</translation>
    </message>
    <message>
        <source>Saving the setting in the device...</source>
        <translation>正在把设置保存到设备…</translation>
    </message>
    <message>
        <source>Leaving test mode...</source>
        <translation>正在退出测试模式…</translation>
    </message>
    <message>
        <source>The device did not leave test mode.</source>
        <translation>设备未退出测试模式。</translation>
    </message>
</context>
<context>
    <name>brevant::SoundTestMonitor</name>
    <message>
        <source>Monitor</source>
        <translation>监听</translation>
    </message>
    <message>
        <source>Phantom power</source>
        <translation>幻象电源</translation>
    </message>
    <message>
        <source>channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>LineOut</source>
        <translation>线路输出</translation>
    </message>
    <message>
        <source>In</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Out</source>
        <translation>输出</translation>
    </message>
</context>
<context>
    <name>brevant::SoundTestResultBox</name>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Save Picture...</source>
        <translation>保存图片…</translation>
    </message>
    <message>
        <source>Save Data...</source>
        <translation>保存数据…</translation>
    </message>
    <message>
        <source>Save the graph as a picture</source>
        <translation>将曲线图保存为图片</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG 图片 (*.png)</translation>
    </message>
    <message>
        <source>Save the curves as data</source>
        <translation>将曲线保存为数据</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
</context>
<context>
    <name>brevant::TaskRunner</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Stopping…</source>
        <translation>正在停止…</translation>
    </message>
</context>
<context>
    <name>brevant::TraceView</name>
    <message>
        <source>Hide meter polling</source>
        <translation>隐藏电平表轮询</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>保存…</translation>
    </message>
    <message>
        <source>Save protocol trace</source>
        <translation>保存协议跟踪</translation>
    </message>
    <message>
        <source>Text files (*.txt);;All files (*)</source>
        <translation>文本文件 (*.txt);;所有文件 (*)</translation>
    </message>
</context>
<context>
    <name>brevant::VirtualDevice</name>
    <message>
        <source>The virtual device needs the simulator, brevant-sim, which was not found</source>
        <translation>虚拟设备需要模拟器 brevant-sim，但未找到它</translation>
    </message>
    <message>
        <source>It is looked for next to brevant and on the PATH.</source>
        <translation>查找位置为 brevant 所在目录和 PATH。</translation>
    </message>
    <message>
        <source>The virtual device could not be started</source>
        <translation>无法启动虚拟设备</translation>
    </message>
    <message>
        <source>No private folder could be made for its port.</source>
        <translation>无法为其端口创建私有文件夹。</translation>
    </message>
    <message>
        <source>The simulator ended: %1</source>
        <translation>模拟器已退出：%1</translation>
    </message>
    <message>
        <source>The simulator did not publish its port in time.</source>
        <translation>模拟器未能及时提供其端口。</translation>
    </message>
    <message>
        <source>it printed nothing</source>
        <translation>它没有输出任何内容</translation>
    </message>
</context>
<context>
    <name>brevant::ZoomedForm</name>
    <message>
        <source>&amp;Normal (100 %)</source>
        <translation>正常 (100 %)(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Large (125 %)</source>
        <translation>较大 (125 %)(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Extra large (150 %)</source>
        <translation>特大 (150 %)(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Double (200 %)</source>
        <translation>双倍 (200 %)(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Fit to window</source>
        <translation>适应窗口(&amp;F)</translation>
    </message>
</context>
</TS>

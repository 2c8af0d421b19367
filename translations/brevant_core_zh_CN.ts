<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>brevant::Address</name>
    <message>
        <source>&quot;%1&quot;: an IPv6 address is written [ADDRESS]:PORT</source>
        <translation>“%1”：IPv6 地址应写作 [地址]:端口</translation>
    </message>
    <message>
        <source>&quot;%1&quot; names no TCP port (HOST:PORT)</source>
        <translation>“%1”未指定 TCP 端口（主机:端口）</translation>
    </message>
    <message>
        <source>&quot;%1&quot; names no host</source>
        <translation>“%1”未指定主机</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the host name is not valid</source>
        <translation>“%1”：主机名无效</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the TCP port must be a number from 1 to 65535</source>
        <translation>“%1”：TCP 端口必须是 1 到 65535 之间的数字</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the scheme must be tcp:// or rfc2217://</source>
        <translation>“%1”：地址必须以 tcp:// 或 rfc2217:// 开头</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a port: give N, COMn, tcp://HOST:PORT or rfc2217://HOST:PORT</source>
        <translation>“%1”不是端口：请输入 N、COMn、tcp://主机:端口 或 rfc2217://主机:端口</translation>
    </message>
</context>
<context>
    <name>brevant::Connection</name>
    <message>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>; no answer on %1</source>
        <translation>；%1 无应答</translation>
    </message>
    <message>
        <source>no serial port is present (COM1..COM39)</source>
        <translation>没有找到串口（COM1..COM39）</translation>
    </message>
    <message>
        <source>Tried %1: %2</source>
        <translation>已尝试 %1：%2</translation>
    </message>
    <message>
        <source>%1 cannot be opened</source>
        <translation>%1 无法打开</translation>
    </message>
    <message>
        <source> (to use serial ports, join the dialout group: sudo usermod -aG dialout $USER, then log in again)</source>
        <translation>（要使用串口，请加入 dialout 组：sudo usermod -aG dialout $USER，然后重新登录）</translation>
    </message>
    <message>
        <source>%1 answered with no model reply (the model was asked %2 times)</source>
        <translation>%1 有应答，但没有返回型号（已查询型号 %2 次）</translation>
    </message>
    <message>
        <source>%1 did not answer (the model was asked %2 times)</source>
        <translation>%1 无应答（已查询型号 %2 次）</translation>
    </message>
</context>
<context>
    <name>brevant::File</name>
    <message>
        <source>a character device</source>
        <translation>字符设备</translation>
    </message>
    <message>
        <source>a block device</source>
        <translation>块设备</translation>
    </message>
    <message>
        <source>a FIFO</source>
        <translation>FIFO 管道</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>套接字</translation>
    </message>
    <message>
        <source>a directory</source>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>something else</source>
        <translation>其他类型的对象</translation>
    </message>
    <message>
        <source>%1 is %2, not a file</source>
        <translation>%1 是%2，不是文件</translation>
    </message>
    <message>
        <source>%1 is a loop of symbolic links</source>
        <translation>%1 是循环的符号链接</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 不存在</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>%1 is %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 字节</translation>
    </message>
    <message>
        <source>larger than %1 can be (%2)</source>
        <translation>超过了%1的大小上限（%2）</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>无法读取 %1：%2</translation>
    </message>
    <message>
        <source>cannot create %1: %2</source>
        <translation>无法创建 %1：%2</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>cannot replace %1: %2</source>
        <translation>无法替换 %1：%2</translation>
    </message>
    <message>
        <source>a firmware image</source>
        <translation>固件文件</translation>
    </message>
    <message>
        <source>a preset</source>
        <translation>预设文件</translation>
    </message>
</context>
<context>
    <name>brevant::LinkError</name>
    <message>
        <source>ok</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>no serial port is open</source>
        <translation>没有打开的串口</translation>
    </message>
    <message>
        <source>the device did not answer</source>
        <translation>设备没有应答</translation>
    </message>
    <message>
        <source>the device answered something else</source>
        <translation>设备的应答与命令不符</translation>
    </message>
    <message>
        <source>the device&apos;s answer was cut short</source>
        <translation>设备的应答不完整</translation>
    </message>
    <message>
        <source>the device named a channel outside 1..4</source>
        <translation>设备给出的通道不在 1..4 之内</translation>
    </message>
    <message>
        <source>the result block was too short</source>
        <translation>结果数据块太短</translation>
    </message>
    <message>
        <source>the device did not confirm the value</source>
        <translation>设备未确认该值</translation>
    </message>
    <message>
        <source>the serial port is gone</source>
        <translation>串口已断开</translation>
    </message>
    <message>
        <source>the command could not be written to the port</source>
        <translation>命令无法写入串口</translation>
    </message>
    <message>
        <source>the device answered for another channel</source>
        <translation>设备应答的是另一个通道</translation>
    </message>
    <message>
        <source>the device&apos;s answer was not in its exact form</source>
        <translation>设备的应答格式不正确</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>未知错误</translation>
    </message>
</context>
<context>
    <name>brevant::Model</name>
    <message>
        <source>family %1 (K225)</source>
        <translation>系列 %1（K225）</translation>
    </message>
    <message>
        <source>family %1 (K217, K218)</source>
        <translation>系列 %1（K217、K218）</translation>
    </message>
    <message>
        <source>family %1 (no model this program knows)</source>
        <translation>系列 %1（本程序不支持的型号）</translation>
    </message>
    <message>
        <source>unknown model</source>
        <translation>未知型号</translation>
    </message>
    <message>
        <source>unknown model %1</source>
        <translation>未知型号 %1</translation>
    </message>
    <message>
        <source>%1: connected read-only, nothing was sent</source>
        <translation>%1：以只读方式连接，未发送任何设置</translation>
    </message>
    <message>
        <source>the preset is for %1, the device on %2 is of %3</source>
        <translation>该预设适用于%1，而 %2 上的设备属于%3</translation>
    </message>
    <message>
        <source>the preset is for %1, the device on %2 is a %3 (family %4)</source>
        <translation>该预设适用于%1，而 %2 上的设备是 %3（系列 %4）</translation>
    </message>
</context>
<context>
    <name>brevant::Port</name>
    <message>
        <source>the server closed the connection</source>
        <translation>服务器关闭了连接</translation>
    </message>
    <message>
        <source>the server reset the connection</source>
        <translation>服务器重置了连接</translation>
    </message>
    <message>
        <source>no address to connect to</source>
        <translation>没有可连接的地址</translation>
    </message>
    <message>
        <source>no answer within 3 s</source>
        <translation>3 s 内无应答</translation>
    </message>
    <message>
        <source>%1: no network address</source>
        <translation>%1：没有网络地址</translation>
    </message>
    <message>
        <source>%1 is already open</source>
        <translation>%1 已被打开</translation>
    </message>
    <message>
        <source>%1: cannot connect: %2</source>
        <translation>%1：无法连接：%2</translation>
    </message>
    <message>
        <source>cannot configure %1</source>
        <translation>无法配置 %1</translation>
    </message>
    <message>
        <source>%1: the server does not speak RFC 2217 (it refused COM-PORT-OPTION); use tcp://</source>
        <translation>%1：服务器不支持 RFC 2217（拒绝了 COM-PORT-OPTION）；请改用 tcp://</translation>
    </message>
    <message>
        <source>the line speed 19200 bit/s</source>
        <translation>波特率 19200 bit/s</translation>
    </message>
    <message>
        <source>8 data bits</source>
        <translation>8 位数据位</translation>
    </message>
    <message>
        <source>no parity</source>
        <translation>无校验</translation>
    </message>
    <message>
        <source>1 stop bit</source>
        <translation>1 位停止位</translation>
    </message>
    <message>
        <source>%1: the server did not acknowledge %2 within 1 s</source>
        <translation>%1：服务器在 1 s 内未确认%2</translation>
    </message>
    <message>
        <source>%1: the server did not acknowledge %2 within 1 s (is it an RFC 2217 server? ser2net needs telnet(rfc2217) in its accepter)</source>
        <translation>%1：服务器在 1 s 内未确认%2（它是 RFC 2217 服务器吗？ser2net 需要在 accepter 中设置 telnet(rfc2217)）</translation>
    </message>
    <message>
        <source>%1: the server refused %2 (it answered %3)</source>
        <translation>%1：服务器拒绝了%2（应答为 %3）</translation>
    </message>
    <message>
        <source>ports in %1</source>
        <translation>%1 中的端口</translation>
    </message>
    <message>
        <source>system serial ports</source>
        <translation>系统串口</translation>
    </message>
    <message>
        <source>%1 (%2) is in use by another program</source>
        <translation>%1（%2）正被其他程序占用</translation>
    </message>
    <message>
        <source>%1 does not exist (%2)</source>
        <translation>%1 不存在（%2）</translation>
    </message>
    <message>
        <source>%1: not a serial device</source>
        <translation>%1：不是串口设备</translation>
    </message>
    <message>
        <source>%1: cannot lock: %2</source>
        <translation>%1：无法锁定：%2</translation>
    </message>
</context>
<context>
    <name>brevant::Preset</name>
    <message>
        <source>line %1: %2</source>
        <translation>第 %1 行：%2</translation>
    </message>
    <message>
        <source>expected &quot;%1&quot;, found the end of the file</source>
        <translation>此处应为“%1”，却已到文件末尾</translation>
    </message>
    <message>
        <source>expected text, found the byte %1</source>
        <translation>此处应为文本，却遇到字节 %1</translation>
    </message>
    <message>
        <source>expected &quot;%1&quot;, found %2</source>
        <translation>此处应为“%1”，实际为 %2</translation>
    </message>
    <message>
        <source>expected an integer after &quot;%1&quot;, found %2</source>
        <translation>“%1”之后应为一个整数，实际为 %2</translation>
    </message>
    <message>
        <source>expected integers after &quot;%1&quot;, found %2</source>
        <translation>“%1”之后应为整数，实际为 %2</translation>
    </message>
    <message>
        <source>expected at most %1 values, found %2</source>
        <translation>最多应有 %1 个值，实际有 %2 个</translation>
    </message>
    <message>
        <source>%1: %2 → %3</source>
        <translation>%1：%2 → %3</translation>
    </message>
    <message>
        <source> (%1 in the file, brought into range)</source>
        <translation>（文件中为 %1，已调整到范围内）</translation>
    </message>
    <message>
        <source>1 value was outside its range and was brought into it</source>
        <translation>有 1 个值超出范围，已调整到范围内</translation>
    </message>
    <message>
        <source>%1 values were outside their range and were brought into it</source>
        <translation>有 %1 个值超出范围，已调整到范围内</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>Restored the %1 settings the device held before %2</source>
        <translation>已恢复打开 %2 之前设备上的 %1 项设置</translation>
    </message>
    <message>
        <source>the preset was only partly loaded: %1 of %2 settings</source>
        <translation>预设只载入了一部分：共 %2 项设置，已载入 %1 项</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation>（%1）</translation>
    </message>
    <message>
        <source>%1; nothing was sent</source>
        <translation>%1；未发送任何设置</translation>
    </message>
    <message>
        <source>the preset was sent whole (%1 settings), but the device did not answer afterwards</source>
        <translation>预设已全部发送（%1 项设置），但之后设备没有应答</translation>
    </message>
</context>
<context>
    <name>brevant::Setting</name>
    <message>
        <source>level meter</source>
        <translation>电平表</translation>
    </message>
    <message>
        <source>ERLE meter</source>
        <translation>ERLE 表</translation>
    </message>
    <message>
        <source>ERL meter</source>
        <translation>ERL 表</translation>
    </message>
    <message>
        <source>delay</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>low-pass</source>
        <translation>低通</translation>
    </message>
    <message>
        <source>high-pass</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>AEC</source>
        <translation>回声消除</translation>
    </message>
    <message>
        <source>gain</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>AGC</source>
        <translation>自动增益</translation>
    </message>
    <message>
        <source>AFC</source>
        <translation>反馈抑制</translation>
    </message>
    <message>
        <source>NR depth</source>
        <translation>降噪深度</translation>
    </message>
    <message>
        <source>NR</source>
        <translation>降噪</translation>
    </message>
    <message>
        <source>highpass</source>
        <translation>高通滤波</translation>
    </message>
    <message>
        <source>phantom power</source>
        <translation>幻象电源</translation>
    </message>
    <message>
        <source>mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>AutoMix</source>
        <translation>自动混音</translation>
    </message>
    <message>
        <source>Priority</source>
        <translation>优先级</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>滤波器</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Crosspoint</source>
        <translation>交叉点</translation>
    </message>
    <message>
        <source>off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>input %1</source>
        <translation>输入 %1</translation>
    </message>
    <message>
        <source>on</source>
        <translation>开</translation>
    </message>
    <message>
        <source>%1, 0 = off</source>
        <translation>%1，0 = 关</translation>
    </message>
    <message>
        <source>%1 off</source>
        <translation>%1关闭</translation>
    </message>
    <message>
        <source>%1 sent</source>
        <translation>发送 %1</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>%1 is below %2: %3</source>
        <translation>%1 低于 %2：%3</translation>
    </message>
    <message>
        <source>%1 is above %2: %3</source>
        <translation>%1 高于 %2：%3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <source>1 setting could not be read: %1</source>
        <translation>有 1 项设置无法读取：%1</translation>
    </message>
    <message>
        <source>%1 settings could not be read: %2</source>
        <translation>有 %1 项设置无法读取：%2</translation>
    </message>
    <message>
        <source>%1: the device did not confirm %2</source>
        <translation>%1：设备未确认 %2</translation>
    </message>
</context>
<context>
    <name>brevant::Upgrade</name>
    <message>
        <source>image too short: %1 bytes, at least %2 needed (three header words and one data word)</source>
        <translation>固件太短：%1 字节，至少需要 %2 字节（三个文件头字和一个数据字）</translation>
    </message>
    <message>
        <source>image too large: more than %1 bytes, the most the device&apos;s program memory holds</source>
        <translation>固件太大：超过 %1 字节，即设备程序存储器的容量上限</translation>
    </message>
    <message>
        <source>1 trailing byte is not a whole word and is not sent</source>
        <translation>末尾 1 个字节不足一个字，不会发送</translation>
    </message>
    <message>
        <source>%1 trailing bytes are not a whole word and are not sent</source>
        <translation>末尾 %1 个字节不足一个字，不会发送</translation>
    </message>
    <message>
        <source>the serial port is gone; the device did not %1</source>
        <translation>串口已断开；设备未能%1</translation>
    </message>
    <message>
        <source>the device did not %1: no answer</source>
        <translation>设备未能%1：无应答</translation>
    </message>
    <message>
        <source>the device did not %1: wrong answer &quot;%2&quot; (expected &quot;%3&quot;)</source>
        <translation>设备未能%1：应答错误“%2”（应为“%3”）</translation>
    </message>
    <message>
        <source>no serial port is selected</source>
        <translation>未选择串口</translation>
    </message>
    <message>
        <source>acknowledge the upgrade start</source>
        <translation>确认开始升级</translation>
    </message>
    <message>
        <source>acknowledge header %1</source>
        <translation>确认文件头 %1</translation>
    </message>
    <message>
        <source>acknowledge the last data word (word %1)</source>
        <translation>确认最后一个数据字（第 %1 个字）</translation>
    </message>
    <message>
        <source>acknowledge close 1</source>
        <translation>确认结束步骤 1</translation>
    </message>
    <message>
        <source>acknowledge close 2</source>
        <translation>确认结束步骤 2</translation>
    </message>
    <message>
        <source>report the image programmed (finish report 1)</source>
        <translation>报告固件已写入（完成报告 1）</translation>
    </message>
    <message>
        <source>accept the image (finish report 2)</source>
        <translation>接受固件（完成报告 2）</translation>
    </message>
    <message>
        <source>the search for the lost device did not end</source>
        <translation>对丢失设备的搜索未能结束</translation>
    </message>
</context>
<context>
    <name>brevant::msg</name>
    <message>
        <source>Updating</source>
        <translation>正在升级</translation>
    </message>
    <message>
        <source>Already connect</source>
        <translation>已连接</translation>
    </message>
    <message>
        <source>Cannot find device</source>
        <translation>找不到设备</translation>
    </message>
    <message>
        <source>Connect fail!</source>
        <translation>连接失败！</translation>
    </message>
    <message>
        <source>Save successfully</source>
        <translation>保存成功</translation>
    </message>
    <message>
        <source>Open successfully</source>
        <translation>打开成功</translation>
    </message>
    <message>
        <source>Save device successfully</source>
        <translation>设备保存成功</translation>
    </message>
    <message>
        <source>Save device fail</source>
        <translation>设备保存失败</translation>
    </message>
    <message>
        <source>Already connect,please disconnect</source>
        <translation>已连接，请先断开连接</translation>
    </message>
    <message>
        <source>update successfully</source>
        <translation>升级成功</translation>
    </message>
    <message>
        <source>update fail</source>
        <translation>升级失败</translation>
    </message>
    <message>
        <source>Cannot connect</source>
        <translation>无法连接</translation>
    </message>
    <message>
        <source>Set matrix error</source>
        <translation>设置矩阵出错</translation>
    </message>
    <message>
        <source>Please set point and time</source>
        <translation>请设置点数和时间</translation>
    </message>
    <message>
        <source>Get dsr error</source>
        <translation>读取 DSR 结果出错</translation>
    </message>
    <message>
        <source>Get esr error</source>
        <translation>读取 ESR 结果出错</translation>
    </message>
    <message>
        <source>The device has stored the sound test settings.</source>
        <translation>设备已保存声音测试设置。</translation>
    </message>
    <message>
        <source>Save Error: the device did not store the sound test settings.</source>
        <translation>保存错误：设备未保存声音测试设置。</translation>
    </message>
    <message>
        <source>Set gain error</source>
        <translation>设置增益出错</translation>
    </message>
    <message>
        <source>Set phantom power error</source>
        <translation>设置幻象电源出错</translation>
    </message>
</context>
</TS>

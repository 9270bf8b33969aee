<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>DescriptionParser</name>
    <message>
        <source>不认识的元素 &lt;%1&gt;</source>
        <translation>unknown element &lt;%1&gt;</translation>
    </message>
    <message>
        <source>文件中没有 &lt;Machine&gt; 元素</source>
        <translation>the file has no &lt;Machine&gt; element</translation>
    </message>
    <message>
        <source>根元素是 &lt;%1&gt;，应为 &lt;Machine&gt;</source>
        <translation>the root element is &lt;%1&gt; instead of &lt;Machine&gt;</translation>
    </message>
    <message>
        <source>参数组缺少名称 (name)</source>
        <translation>a parameter group has no name (name)</translation>
    </message>
    <message>
        <source>参数组名称 &quot;%1&quot; 重复</source>
        <translation>the parameter group name &quot;%1&quot; is used twice</translation>
    </message>
    <message>
        <source>描述中只能有一个 &lt;Runtime&gt;</source>
        <translation>a description may have only one &lt;Runtime&gt;</translation>
    </message>
    <message>
        <source>根元素之后还有元素 &lt;%1&gt;</source>
        <translation>element &lt;%1&gt; after the root element</translation>
    </message>
    <message>
        <source>参数 %1 的地址 %2 (0x%3) 已被 %4 占用</source>
        <translation>the address %2 (0x%3) of parameter %1 is already taken by %4</translation>
    </message>
    <message>
        <source>参数 %1 的%2 %3 超出 %4 位%5数的范围</source>
        <translation>the %2 %3 of parameter %1 is outside the range of a %4-bit %5 number</translation>
    </message>
    <message>
        <source>有符号</source>
        <translation>signed</translation>
    </message>
    <message>
        <source>无符号</source>
        <translation>unsigned</translation>
    </message>
    <message>
        <source>默认值</source>
        <translation>default</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>minimum</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>maximum</translation>
    </message>
    <message>
        <source>参数 %1 的%2 &quot;%3&quot; 不是数</source>
        <translation>the %2 &quot;%3&quot; of parameter %1 is not a number</translation>
    </message>
    <message>
        <source>参数 %1 的最小值 %2 大于最大值 %3</source>
        <translation>the minimum %2 of parameter %1 is greater than its maximum %3</translation>
    </message>
    <message>
        <source>参数 %1 的默认值 %2 超出范围 [%3, %4]</source>
        <translation>the default %2 of parameter %1 is outside the range [%3, %4]</translation>
    </message>
    <message>
        <source>参数缺少代码 (code)</source>
        <translation>a parameter has no code (code)</translation>
    </message>
    <message>
        <source>代码 %1 重复 (第 %2 行已使用)</source>
        <translation>the code %1 is used twice (already on line %2)</translation>
    </message>
    <message>
        <source>参数 %1 缺少地址 (address)</source>
        <translation>parameter %1 has no address (address)</translation>
    </message>
    <message>
        <source>参数 %1 的地址 &quot;%2&quot; 不是 0 到 65535 之间的数</source>
        <translation>the address &quot;%2&quot; of parameter %1 is not a number from 0 to 65535</translation>
    </message>
    <message>
        <source>参数 %1 的长度 &quot;%2&quot; 不是 1 或 2</source>
        <translation>the length &quot;%2&quot; of parameter %1 is not 1 or 2</translation>
    </message>
    <message>
        <source>两字参数 %1 的高位寄存器超出地址范围</source>
        <translation>the high word of the two-word parameter %1 lies beyond the last address</translation>
    </message>
    <message>
        <source>参数 %1 的缩放 &quot;%2&quot; 不是整数</source>
        <translation>the scale &quot;%2&quot; of parameter %1 is not an integer</translation>
    </message>
    <message>
        <source>参数 %1 的缩放 %2 的绝对值大于 %3</source>
        <translation>the scale %2 of parameter %1 is larger than %3 in magnitude</translation>
    </message>
    <message>
        <source>参数 %1 的编辑方式 &quot;%2&quot; 未知</source>
        <translation>the editor &quot;%2&quot; of parameter %1 is unknown</translation>
    </message>
    <message>
        <source>%1参数 %2 的缩放为 0</source>
        <translation>the scale of %1 parameter %2 is 0</translation>
    </message>
    <message>
        <source>选择参数 %1 的缩放 %2 不是 1 或 -1</source>
        <translation>the scale %2 of choice parameter %1 is not 1 or -1</translation>
    </message>
    <message>
        <source>参数 %1 的访问方式 &quot;%2&quot; 未知 (应为 rw、ro 或 stop)</source>
        <translation>the access &quot;%2&quot; of parameter %1 is unknown (rw, ro or stop)</translation>
    </message>
    <message>
        <source>参数 %1 的启动标志 &quot;%2&quot; 不是 0 或 1</source>
        <translation>the start flag &quot;%2&quot; of parameter %1 is not 0 or 1</translation>
    </message>
    <message>
        <source>参数 %1 的选择值 &quot;%2&quot; 不是整数</source>
        <translation>the choice value &quot;%2&quot; of parameter %1 is not an integer</translation>
    </message>
    <message>
        <source>参数 %1 的选择值 %2 缺少文字 (text)</source>
        <translation>the choice value %2 of parameter %1 has no text (text)</translation>
    </message>
    <message>
        <source>参数 %1 的选择文字 &quot;%2&quot; 含有 &apos;;&apos;</source>
        <translation>the choice text &quot;%2&quot; of parameter %1 contains &apos;;&apos;</translation>
    </message>
    <message>
        <source>参数 %1 的选择值 %2 重复</source>
        <translation>the choice value %2 of parameter %1 is given twice</translation>
    </message>
    <message>
        <source>选择值</source>
        <translation>choice value</translation>
    </message>
    <message>
        <source>选择参数 %1 没有选择值 (Choice)</source>
        <translation>choice parameter %1 has no choices (Choice)</translation>
    </message>
    <message>
        <source>选择参数 %1 的默认值 %2 不是它的选择值之一</source>
        <translation>the default %2 of choice parameter %1 is not one of its choices</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 %1 &quot;%2&quot; 不是 %3 到 %4 之间的整数</source>
        <translation>%1 &quot;%2&quot; of &lt;Protocol&gt; is not a whole number from %3 to %4</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 %1 &quot;%2&quot; 不是 0x06 或 0x10</source>
        <translation>%1 &quot;%2&quot; of &lt;Protocol&gt; is not 0x06 or 0x10</translation>
    </message>
    <message>
        <source>描述中只能有一个 &lt;Protocol&gt;</source>
        <translation>a description may have only one &lt;Protocol&gt;</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 必须写在所有参数组之前</source>
        <translation>&lt;Protocol&gt; must come before every group</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 不认识属性 %1</source>
        <translation>&lt;Protocol&gt; has an unknown attribute %1</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 word-order &quot;%1&quot; 不是 low-first 或 high-first</source>
        <translation>word-order &quot;%1&quot; of &lt;Protocol&gt; is not low-first or high-first</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 address-base &quot;%1&quot; 不是 0、1 或 40001</source>
        <translation>address-base &quot;%1&quot; of &lt;Protocol&gt; is not 0, 1 or 40001</translation>
    </message>
    <message>
        <source>参数 %1 的类型 &quot;%2&quot; 不是 int 或 float</source>
        <translation>type &quot;%2&quot; of parameter %1 is not int or float</translation>
    </message>
    <message>
        <source>浮点参数 %1 的长度是 %2，应为 2</source>
        <translation>float parameter %1 has length %2; it must be 2</translation>
    </message>
    <message>
        <source>两字参数 %1 不能用最多 %2 个寄存器的读取读出</source>
        <translation>two-word parameter %1 cannot be read with reads of at most %2 registers</translation>
    </message>
    <message>
        <source>浮点参数 %1 不能有缩放或选择值</source>
        <translation>float parameter %1 cannot have a scale or choices</translation>
    </message>
    <message>
        <source>参数 %1 的监视标志 &quot;%2&quot; 不是 0 或 1</source>
        <translation>monitor flag &quot;%2&quot; of parameter %1 is not 0 or 1</translation>
    </message>
    <message>
        <source>参数 %1 的用途 &quot;%2&quot; 未知 (应为 state 或 fault)</source>
        <translation>unknown role &quot;%2&quot; of parameter %1 (should be state or fault)</translation>
    </message>
    <message>
        <source>参数 %1 的位号 &quot;%2&quot; 不是 0 到 %3 之间的整数</source>
        <translation>bit number &quot;%2&quot; of parameter %1 is not a whole number from 0 to %3</translation>
    </message>
    <message>
        <source>参数 %1 的位 %2 重复</source>
        <translation>bit %2 of parameter %1 is given twice</translation>
    </message>
    <message>
        <source>参数 %1 的位 %2 的含义 &quot;%3&quot; 未知 (应为 run 或 fault)</source>
        <translation>unknown meaning &quot;%3&quot; of bit %2 of parameter %1 (should be run or fault)</translation>
    </message>
    <message>
        <source>参数 %1 的位 %2 缺少名称 (name)</source>
        <translation>bit %2 of parameter %1 has no name (name)</translation>
    </message>
    <message>
        <source>参数 %1 的位 %2 的名称含有 &apos;;&apos;</source>
        <translation>the name of bit %2 of parameter %1 contains &apos;;&apos;</translation>
    </message>
    <message>
        <source>参数 %1 的故障代码 &quot;%2&quot; 不是正整数</source>
        <translation>fault code &quot;%2&quot; of parameter %1 is not a positive whole number</translation>
    </message>
    <message>
        <source>参数 %1 的故障代码 %2 重复</source>
        <translation>fault code %2 of parameter %1 is given twice</translation>
    </message>
    <message>
        <source>参数 %1 的故障代码 %2 缺少名称 (name)</source>
        <translation>fault code %2 of parameter %1 has no name (name)</translation>
    </message>
    <message>
        <source>参数 %1 的故障代码 %2 的名称含有 &apos;;&apos;</source>
        <translation>the name of fault code %2 of parameter %1 contains &apos;;&apos;</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 %1 要与 serial 一起给出</source>
        <translation>%1 of &lt;Protocol&gt; goes only with serial</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 serial-form &quot;%1&quot; 不是 text 或 number</source>
        <translation>serial-form &quot;%1&quot; of &lt;Protocol&gt; is not text or number</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 serial 要有 serial-length（寄存器个数）</source>
        <translation>serial of &lt;Protocol&gt; needs serial-length (the number of registers)</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 serial &quot;%1&quot; 不是 1 到 65535 之间的寄存器地址</source>
        <translation>serial &quot;%1&quot; of &lt;Protocol&gt; is not a register address from 1 to 65535</translation>
    </message>
    <message>
        <source>&lt;Protocol&gt; 的 serial-length %1 大于一次读取的寄存器数 max-read %2</source>
        <translation>serial-length %1 of &lt;Protocol&gt; is more than one read takes (max-read %2)</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Drive serial number</translation>
    </message>
</context>
<context>
    <name>FancyTabWidget</name>
    <message>
        <source>离线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>在线</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
</context>
<context>
    <name>LinkSettings</name>
    <message>
        <source>%1 “%2”：%3</source>
        <translation>%1 “%2”: %3</translation>
    </message>
    <message>
        <source>波特率应为 50..4000000 的整数</source>
        <translation>the baud rate must be a whole number in 50..4000000</translation>
    </message>
    <message>
        <source>数据位应为 5..8</source>
        <translation>the data bits must be 5..8</translation>
    </message>
    <message>
        <source>校验应为 n、o 或 e（无、奇、偶）</source>
        <translation>the parity must be n, o or e (none, odd, even)</translation>
    </message>
    <message>
        <source>停止位应为 1 或 2</source>
        <translation>the stop bits must be 1 or 2</translation>
    </message>
    <message>
        <source>端口号应为 1..255 的整数</source>
        <translation>the port number must be a whole number in 1..255</translation>
    </message>
    <message>
        <source>站号应为 1..247 的整数</source>
        <translation>the station must be a whole number in 1..247</translation>
    </message>
    <message>
        <source>端口名中有控制字符（换行等）</source>
        <translation>the port name holds control characters (a line break or the like)</translation>
    </message>
    <message>
        <source>（无机型描述）</source>
        <translation>(no description)</translation>
    </message>
    <message>
        <source>未读</source>
        <translation>not read</translation>
    </message>
    <message>
        <source>端口 %1，站号 %2，%3，版本 %4</source>
        <translation>port %1, station %2, %3, version %4</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>无法加载机型描述。</source>
        <translation>The machine description cannot be loaded.</translation>
    </message>
    <message>
        <source>通信</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>连接设备</source>
        <translation>Connect device</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>Communication settings</translation>
    </message>
    <message>
        <source>打开串口失败！</source>
        <translation>Failed to open the serial port!</translation>
    </message>
    <message>
        <source>正在连接…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>设备无应答：端口 %1，波特率 %2，站号 %3。请检查接线和通信设置。</source>
        <translation>The device does not answer: port %1, baud rate %2, station %3. Please check the wiring and the communication settings.</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>界面语言将在程序下次启动时生效。</source>
        <translation>The interface language takes effect at the next start of the program.</translation>
    </message>
    <message>
        <source>搜索设备</source>
        <translation>Search devices</translation>
    </message>
    <message>
        <source>通信诊断</source>
        <translation>Link diagnostics</translation>
    </message>
    <message>
        <source>搜索设备前需要断开当前连接。是否断开并开始搜索？</source>
        <translation>Searching needs the current connection closed. Disconnect and start the search?</translation>
    </message>
    <message>
        <source>端口 %1：%2</source>
        <translation>Port %1: %2</translation>
    </message>
    <message>
        <source>端口被占用或无法打开</source>
        <translation>the port is in use or cannot be opened</translation>
    </message>
    <message>
        <source>已连接：%1</source>
        <translation>Connected: %1</translation>
    </message>
    <message>
        <source>设备自 %1 起无应答：%2</source>
        <translation>No answer from the drive since %1: %2</translation>
    </message>
    <message>
        <source>设备恢复应答：%1</source>
        <translation>The drive answers again: %1</translation>
    </message>
    <message>
        <source>%1 与设备的连接已断开</source>
        <translation>%1 The link to the drive was lost</translation>
    </message>
    <message>
        <source>历史记录位置</source>
        <translation>History location</translation>
    </message>
</context>
<context>
    <name>ParamAudit</name>
    <message>
        <source>单项修改</source>
        <translation>Single edit</translation>
    </message>
    <message>
        <source>下载参数</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>比较后下载</source>
        <translation>Download from compare</translation>
    </message>
    <message>
        <source>历史记录下载</source>
        <translation>Download from history</translation>
    </message>
    <message>
        <source>命令行修改</source>
        <translation>Command-line set</translation>
    </message>
    <message>
        <source>命令行下载</source>
        <translation>Command-line download</translation>
    </message>
    <message>
        <source>已写入</source>
        <translation>written</translation>
    </message>
    <message>
        <source>读回不同</source>
        <translation>read back different</translation>
    </message>
    <message>
        <source>被拒绝（代码 %1）</source>
        <translation>refused (code %1)</translation>
    </message>
    <message>
        <source>未读回</source>
        <translation>not read back</translation>
    </message>
</context>
<context>
    <name>ParamEdit</name>
    <message>
        <source>“%1”超出参数的数据宽度</source>
        <translation>&quot;%1&quot; does not fit the parameter&apos;s width</translation>
    </message>
    <message>
        <source>“%1”不是有效的数值</source>
        <translation>&quot;%1&quot; is not a valid value</translation>
    </message>
    <message>
        <source>“%1”超出范围 %2～%3</source>
        <translation>&quot;%1&quot; is outside the range %2 to %3</translation>
    </message>
</context>
<context>
    <name>ParamFileDocument</name>
    <message>
        <source>第 %1 行有 GBK 编码无法表示的字符，文件没有保存</source>
        <translation>Line %1 holds a character that GBK cannot represent; the file was not saved</translation>
    </message>
</context>
<context>
    <name>ParamReport</name>
    <message>
        <source>调试报告</source>
        <translation>Commissioning report</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>工作站</source>
        <translation>Workstation</translation>
    </message>
    <message>
        <source>程序版本</source>
        <translation>Program version</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>站号</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>设备版本</source>
        <translation>Device version</translation>
    </message>
    <message>
        <source>机型描述</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Drive serial number</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>记录不完整：</source>
        <translation>Incomplete record:</translation>
    </message>
    <message>
        <source>与默认值不同的参数</source>
        <translation>Parameters that differ from the defaults</translation>
    </message>
    <message>
        <source>没有</source>
        <translation>None</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>默认值</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>修改记录</source>
        <translation>Write records</translation>
    </message>
    <message>
        <source>%1 之后至本记录</source>
        <translation>After %1 up to this record</translation>
    </message>
    <message>
        <source>本记录之前的全部</source>
        <translation>Everything before this record</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>之前</source>
        <translation>Before</translation>
    </message>
    <message>
        <source>要求</source>
        <translation>Asked</translation>
    </message>
    <message>
        <source>读回</source>
        <translation>Read back</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>签字</source>
        <translation>Signatures</translation>
    </message>
    <message>
        <source>调试人员</source>
        <translation>Commissioned by</translation>
    </message>
    <message>
        <source>验收人员</source>
        <translation>Accepted by</translation>
    </message>
    <message>
        <source>签字：</source>
        <translation>Signature:</translation>
    </message>
    <message>
        <source>日期：</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>附录：全部参数</source>
        <translation>Appendix: all parameters</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>原始值</source>
        <translation>Raw value</translation>
    </message>
    <message>
        <source>无法写入 %1</source>
        <translation>%1 cannot be written</translation>
    </message>
</context>
<context>
    <name>ParamSetFile</name>
    <message>
        <source>文件中没有参数行</source>
        <translation>the file has no parameter rows</translation>
    </message>
    <message>
        <source>标题行应有 %1 列，实有 %2 列</source>
        <translation>the title row should have %1 columns but has %2</translation>
    </message>
    <message>
        <source>没有这个参数</source>
        <translation>no such parameter</translation>
    </message>
    <message>
        <source>没有原始值</source>
        <translation>no raw value</translation>
    </message>
    <message>
        <source>原始值“%1”不是整数</source>
        <translation>the raw value &quot;%1&quot; is not an integer</translation>
    </message>
    <message>
        <source>原始值 %1 超出参数的数据宽度</source>
        <translation>the raw value %1 does not fit the parameter&apos;s width</translation>
    </message>
    <message>
        <source>原始值 %1：%2</source>
        <translation>raw value %1: %2</translation>
    </message>
    <message>
        <source>第 %1 行 %2：%3</source>
        <translation>row %1 %2: %3</translation>
    </message>
    <message>
        <source>没有代码</source>
        <translation>no code</translation>
    </message>
    <message>
        <source>原始值 %1 超出 32 位</source>
        <translation>the raw value %1 does not fit 32 bits</translation>
    </message>
    <message>
        <source>第 %1 列的标题应为“%2”，实为“%3”</source>
        <translation>the title of column %1 should be &quot;%2&quot;, it is &quot;%3&quot;</translation>
    </message>
    <message>
        <source>值“%1”与原始值 %2（即 %3）不符</source>
        <translation>value &quot;%1&quot; disagrees with raw value %2 (that is %3)</translation>
    </message>
    <message>
        <source>文件有 %1 字节，参数文件最多 %2 字节</source>
        <translation>the file has %1 bytes; a parameter file has at most %2</translation>
    </message>
    <message>
        <source>文件超过 %1 字节</source>
        <translation>the file is larger than %1 bytes</translation>
    </message>
    <message>
        <source>文件有 %1 行，这个机型的参数文件最多 %2 行</source>
        <translation>the file has %1 lines; a parameter file of this model has at most %2</translation>
    </message>
    <message>
        <source>与第 %1 行是同一个参数，都没有用</source>
        <translation>the same parameter as line %1; neither is used</translation>
    </message>
    <message>
        <source>文件标明是 UTF-8，但第 %1 行有不是 UTF-8 编码的字节</source>
        <translation>the file is marked UTF-8, but line %1 holds bytes that are not UTF-8</translation>
    </message>
</context>
<context>
    <name>ParamSnapshot</name>
    <message>
        <source>上传</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>比较</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>下载前备份</source>
        <translation>Backup before download</translation>
    </message>
    <message>
        <source>%1（不完整）</source>
        <translation>%1 (incomplete)</translation>
    </message>
</context>
<context>
    <name>ParamVerify</name>
    <message>
        <source>%1 %2：写入 %3，设备为 %4</source>
        <translation>%1 %2: wrote %3, the device holds %4</translation>
    </message>
    <message>
        <source>%1 %2：写入 %3，读回失败</source>
        <translation>%1 %2: wrote %3, reading it back failed</translation>
    </message>
    <message>
        <source>%1 %2：写入 %3 被拒绝，%4</source>
        <translation>%1 %2: writing %3 was refused, %4</translation>
    </message>
    <message>
        <source>设备现为 %1</source>
        <translation>the drive now holds %1</translation>
    </message>
    <message>
        <source>读回失败，请检查设备中的值</source>
        <translation>reading it back failed; check the value in the drive</translation>
    </message>
    <message>
        <source>%1 %2：写入 %3 中断（%4），可能只写入了一半，%5</source>
        <translation>%1 %2: writing %3 was cut off (%4) and may be half written; %5</translation>
    </message>
</context>
<context>
    <name>ParvexHistory</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>历史记录不可用，本次运行不再提示。</source>
        <translation>The history is not available; this is not shown again in this run.</translation>
    </message>
</context>
<context>
    <name>QAuditDialog</name>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到</source>
        <translation>To</translation>
    </message>
    <message>
        <source>修改记录</source>
        <translation>Write records</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>工作站</source>
        <translation>Workstation</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>站号</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>之前</source>
        <translation>Before</translation>
    </message>
    <message>
        <source>要求</source>
        <translation>Asked</translation>
    </message>
    <message>
        <source>读回</source>
        <translation>Read back</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>导出 CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>无法读取修改记录：%1</source>
        <translation>Cannot read the write records: %1</translation>
    </message>
    <message>
        <source>导出修改记录</source>
        <translation>Export write records</translation>
    </message>
    <message>
        <source>数据文件(*.csv)</source>
        <translation>Data files (*.csv)</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>文件 %1 保存失败：%2</source>
        <translation>The file %1 could not be saved: %2</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Drive serial number</translation>
    </message>
</context>
<context>
    <name>QBaseDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
</context>
<context>
    <name>QCommunicate</name>
    <message>
        <source>没有设置端口</source>
        <translation>no port is set</translation>
    </message>
</context>
<context>
    <name>QCommunicateDialog</name>
    <message>
        <source>串口通信</source>
        <translation>Serial communication</translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>Port number:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>校验位：</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>停止位：</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>数据长：</source>
        <translation>Data bits:</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
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
        <source>站号：</source>
        <translation>Station:</translation>
    </message>
    <message>
        <source>存储的站号“%1”无效（应为 1 至 247 的整数），已改用 1。</source>
        <translation>The stored station &quot;%1&quot; is not valid (an integer from 1 to 247); station 1 is used.</translation>
    </message>
    <message>
        <source>本地回显</source>
        <translation>Local echo</translation>
    </message>
    <message>
        <source>适配器把发出的每个字节送回（许多两线制 RS-485 适配器如此）：勾选后程序先收下并去掉请求的回显，再读应答。</source>
        <translation>The adapter sends back every byte it transmits (many two-wire RS-485 adapters do): when ticked, the program takes and removes the echo of each request before it reads the answer.</translation>
    </message>
</context>
<context>
    <name>QCompareDialog</name>
    <message>
        <source>下载所选</source>
        <translation>Download selected</translation>
    </message>
    <message>
        <source>另存为…</source>
        <translation>Save as…</translation>
    </message>
    <message>
        <source>比较结果</source>
        <translation>Comparison</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>只在%1中</source>
        <translation>only in %1</translation>
    </message>
    <message>
        <source>机型描述中没有这个参数</source>
        <translation>not in the machine description</translation>
    </message>
    <message>
        <source>只读参数</source>
        <translation>read-only parameter</translation>
    </message>
    <message>
        <source>%1与%2完全相同。</source>
        <translation>No difference between %1 and %2.</translation>
    </message>
    <message>
        <source>共 %1 个参数不同，其中只在%2中 %3 个，只在%4中 %5 个。</source>
        <translation>%1 parameters differ; %3 of them only in %2, %5 only in %4.</translation>
    </message>
    <message>
        <source>%1中有 %2 行无法读取：%3</source>
        <translation>%2 rows of %1 cannot be read: %3</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>数据文件(*.csv)</source>
        <translation>Data files (*.csv)</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>比较结果 %1 保存失败：%2</source>
        <translation>The comparison %1 could not be saved: %2</translation>
    </message>
    <message>
        <source>目标设备：%1</source>
        <translation>Target drive: %1</translation>
    </message>
    <message>
        <source>下载预览</source>
        <translation>Download preview</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>%1 个参数与设备不同，勾选的将写入；%2 个与设备相同，不写入。</source>
        <translation>%1 parameters differ from the drive; the ticked ones will be written. %2 equal to the drive are not written.</translation>
    </message>
    <message>
        <source>%1中有 %2 行不能写入：</source>
        <translation>%2 rows of %1 cannot be written:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QDiagnosticsDialog</name>
    <message>
        <source>%1 毫秒</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>通信诊断</source>
        <translation>Link diagnostics</translation>
    </message>
    <message>
        <source>本次连接</source>
        <translation>This connection</translation>
    </message>
    <message>
        <source>累计</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>请求 %1  应答 %2  超时 %3  错误 %4  异常 %5  响应 %6</source>
        <translation>Requests %1  answers %2  time-outs %3  errors %4  exceptions %5  response %6</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Answers</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Time-outs</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>Retries</translation>
    </message>
    <message>
        <source>CRC 错误</source>
        <translation>CRC errors</translation>
    </message>
    <message>
        <source>其他错误应答</source>
        <translation>Other bad answers</translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation>Exception answers</translation>
    </message>
    <message>
        <source>  异常 %1 %2</source>
        <translation>  exception %1 %2</translation>
    </message>
    <message>
        <source>发送字节</source>
        <translation>Bytes sent</translation>
    </message>
    <message>
        <source>接收字节</source>
        <translation>Bytes received</translation>
    </message>
    <message>
        <source>平均响应时间</source>
        <translation>Mean response time</translation>
    </message>
    <message>
        <source>95% 响应时间</source>
        <translation>95% response time</translation>
    </message>
    <message>
        <source>最长响应时间</source>
        <translation>Longest response time</translation>
    </message>
    <message>
        <source>迟到应答重发</source>
        <translation>Resent after a late answer</translation>
    </message>
</context>
<context>
    <name>QDriveState</name>
    <message>
        <source>运行</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>故障：代码 %1</source>
        <translation>Fault: code %1</translation>
    </message>
    <message>
        <source>故障：%1</source>
        <translation>Fault: %1</translation>
    </message>
</context>
<context>
    <name>QGroupMissionProgressDialog</name>
    <message>
        <source>0.0%</source>
        <translation>0.0%</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>失败！</source>
        <translation> failed!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>成功</source>
        <translation> succeeded</translation>
    </message>
</context>
<context>
    <name>QGroupWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
</context>
<context>
    <name>QHistoryDatabaseDialog</name>
    <message>
        <source>历史记录位置</source>
        <translation>History location</translation>
    </message>
    <message>
        <source>留空：历史记录保存在本机设置文件旁的 history.sqlite。
填写服务器：postgresql://用户@主机:端口/数据库，同一工厂的工作站共用一个记录；
密码写在 ~/.pgpass 中。服务器不可用时，记录先存在本机，恢复后按顺序发送。</source>
        <translation>Empty: the history is kept in history.sqlite beside this computer&apos;s settings file.
A server: postgresql://user@host:port/database, one archive shared by the plant&apos;s workstations;
the password goes into ~/.pgpass. While the server cannot be reached, records are kept on this computer and sent in order when it is back.</translation>
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
        <source>应为 postgresql://用户@主机:端口/数据库，或留空</source>
        <translation>Expected postgresql://user@host:port/database, or empty</translation>
    </message>
    <message>
        <source>地址中不能有密码，请写在 ~/.pgpass 中</source>
        <translation>a password does not belong in the location; put it in ~/.pgpass</translation>
    </message>
</context>
<context>
    <name>QHistoryDialog</name>
    <message>
        <source>查看</source>
        <translation>View</translation>
    </message>
    <message>
        <source>比较两项</source>
        <translation>Compare two</translation>
    </message>
    <message>
        <source>与设备比较</source>
        <translation>Compare with the device</translation>
    </message>
    <message>
        <source>另存为参数文件…</source>
        <translation>Save as parameter file…</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>站号</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>设备版本</source>
        <translation>Device version</translation>
    </message>
    <message>
        <source>机型</source>
        <translation>Machine type</translation>
    </message>
    <message>
        <source>参数个数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>无法读取历史记录：%1</source>
        <translation>Cannot read the history: %1</translation>
    </message>
    <message>
        <source>历史记录 %1 %2</source>
        <translation>History %1 %2</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>原始值</source>
        <translation>Raw value</translation>
    </message>
    <message>
        <source>记录 %1</source>
        <translation>Record %1</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>数据文件(*.csv)</source>
        <translation>Data files (*.csv)</translation>
    </message>
    <message>
        <source>参数文件 %1 保存失败：%2</source>
        <translation>The parameter file %1 could not be saved: %2</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>导出报告…</source>
        <translation>Export report…</translation>
    </message>
    <message>
        <source>修改记录…</source>
        <translation>Write records…</translation>
    </message>
    <message>
        <source>导出报告</source>
        <translation>Export report</translation>
    </message>
    <message>
        <source>PDF 文件(*.pdf);;HTML 文件(*.html)</source>
        <translation>PDF files (*.pdf);;HTML files (*.html)</translation>
    </message>
    <message>
        <source>报告 %1 保存失败：%2</source>
        <translation>The report %1 could not be saved: %2</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Drive serial number</translation>
    </message>
</context>
<context>
    <name>QLinkErrorText</name>
    <message>
        <source>非法功能码</source>
        <translation>Illegal function</translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation>Illegal data address</translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation>Illegal data value</translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation>Server device failure</translation>
    </message>
    <message>
        <source>已确认，处理中</source>
        <translation>Acknowledged, processing</translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation>Server device busy</translation>
    </message>
    <message>
        <source>否定确认</source>
        <translation>Negative acknowledge</translation>
    </message>
    <message>
        <source>存储奇偶校验错误</source>
        <translation>Memory parity error</translation>
    </message>
    <message>
        <source>网关路径不可用</source>
        <translation>Gateway path unavailable</translation>
    </message>
    <message>
        <source>网关目标设备无响应</source>
        <translation>Gateway target device failed to respond</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>应答错误</source>
        <translation>Bad answer</translation>
    </message>
    <message>
        <source>通信中断</source>
        <translation>Link lost</translation>
    </message>
    <message>
        <source>异常码 %1</source>
        <translation>Exception code %1</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>收到本机发送的请求（回显）：适配器回送发出的字节，请在通信设置中勾选“本地回显”</source>
        <translation>Received our own request back (echo): the adapter returns the bytes it sends; tick &quot;Local echo&quot; in the communication settings</translation>
    </message>
    <message>
        <source>设备拒绝（异常码 %1）</source>
        <translation>refused by the device (exception code %1)</translation>
    </message>
    <message>
        <source>设备拒绝（异常码 %1：%2）</source>
        <translation>refused by the device (exception code %1: %2)</translation>
    </message>
</context>
<context>
    <name>QLocalCodec</name>
    <message>
        <source>第 %1 行有 NUL 字节</source>
        <translation>line %1 holds a NUL byte</translation>
    </message>
    <message>
        <source>第 %1 行有不是 %2 编码的字节 %3</source>
        <translation>line %1 holds bytes that are not %2: %3</translation>
    </message>
    <message>
        <source>第 %1 行有不是 %2 编码的字节</source>
        <translation>line %1 holds bytes that are not %2</translation>
    </message>
</context>
<context>
    <name>QLogDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>时间：</source>
        <translation>Time: </translation>
    </message>
    <message>
        <source>信息内容:</source>
        <translation>Message: </translation>
    </message>
    <message>
        <source>文本文件(*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>保存日志文件失败：%1
%2</source>
        <translation>The log file could not be saved: %1
%2</translation>
    </message>
</context>
<context>
    <name>QLogTreeWidget</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>错误代码 %1：%2</source>
        <translation>Error code %1: %2</translation>
    </message>
    <message>
        <source>参数：%1</source>
        <translation>Parameter: %1</translation>
    </message>
</context>
<context>
    <name>QMachineConfig</name>
    <message>
        <source>%1: 机型 &quot;%2&quot; 或版本 &quot;%3&quot; 不能用作文件名</source>
        <translation>%1: the machine type &quot;%2&quot; or version &quot;%3&quot; cannot be used as a file name</translation>
    </message>
    <message>
        <source>%1: 无法打开机型描述文件 (%2)</source>
        <translation>%1: cannot open the machine description (%2)</translation>
    </message>
    <message>
        <source>有 NUL 字节</source>
        <translation>holds a NUL byte</translation>
    </message>
    <message>
        <source>有不是 UTF-8 编码的字节 \x%1</source>
        <translation>holds a byte that is not UTF-8: \x%1</translation>
    </message>
</context>
<context>
    <name>QMachineValue</name>
    <message>
        <source>%1 超出范围 %2～%3</source>
        <translation>%1 is outside the range %2 to %3</translation>
    </message>
    <message>
        <source>%1 不是有限的数</source>
        <translation>%1 is not a finite number</translation>
    </message>
</context>
<context>
    <name>QMissionFailures</name>
    <message>
        <source>%1 %2（地址 %3）</source>
        <translation>%1 %2 (address %3)</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>writing</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>reading</translation>
    </message>
    <message>
        <source>%1 %2 失败：%3</source>
        <translation>%1 %2 failed: %3</translation>
    </message>
    <message>
        <source>，共 %1 个请求失败</source>
        <translation>, %1 requests failed in all</translation>
    </message>
</context>
<context>
    <name>QMonitorPlugin</name>
    <message>
        <source>运行监视</source>
        <translation>Monitor</translation>
    </message>
</context>
<context>
    <name>QMonitorRecorder</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>毫秒</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
</context>
<context>
    <name>QMonitorWidget</name>
    <message>
        <source>选择监视量</source>
        <translation>Choose values</translation>
    </message>
    <message>
        <source>开始记录</source>
        <translation>Start recording</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>尽快</source>
        <translation>As fast as possible</translation>
    </message>
    <message>
        <source>%1 毫秒</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>各自坐标</source>
        <translation>Own scales</translation>
    </message>
    <message>
        <source>归一化</source>
        <translation>Normalised</translation>
    </message>
    <message>
        <source>采样周期</source>
        <translation>Sample period</translation>
    </message>
    <message>
        <source>纵轴</source>
        <translation>Vertical axis</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>还没有设备的参数表，无法选择监视量！</source>
        <translation>The device&apos;s parameters are not known yet; no values can be chosen!</translation>
    </message>
    <message>
        <source>运行参数</source>
        <translation>Runtime values</translation>
    </message>
    <message>
        <source>读取失败</source>
        <translation>Read failed</translation>
    </message>
    <message>
        <source>没有监视量，无法记录！</source>
        <translation>No values are monitored; nothing to record!</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>Record to file</translation>
    </message>
    <message>
        <source>数据文件(*.csv)</source>
        <translation>Data files (*.csv)</translation>
    </message>
    <message>
        <source>无法创建记录文件 %1：%2</source>
        <translation>Cannot create the record file %1: %2</translation>
    </message>
    <message>
        <source>记录文件 %1 写入失败，记录已停止：%2</source>
        <translation>Writing the record file %1 failed, recording stopped: %2</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>记录已停止：写入失败</source>
        <translation>Recording stopped: the file could not be written</translation>
    </message>
    <message numerus="yes">
        <source>● 记录中：%1  %2  %n 行</source>
        <translation>
            <numerusform>● Recording: %1  %2  %n row</numerusform>
            <numerusform>● Recording: %1  %2  %n rows</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>已记录 %n 行到 %1</source>
        <translation>
            <numerusform>Recorded %n row to %1</numerusform>
            <numerusform>Recorded %n rows to %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>QParamDialog</name>
    <message>
        <source>选择参数</source>
        <translation>Choose parameters</translation>
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
        <source>什么都没有选！</source>
        <translation>Nothing is selected!</translation>
    </message>
</context>
<context>
    <name>QParamHistory</name>
    <message>
        <source>历史记录 %1 %2：%3</source>
        <translation>History %1 %2: %3</translation>
    </message>
    <message>
        <source>无法打开</source>
        <translation>cannot be opened</translation>
    </message>
    <message>
        <source>没有 SQLite 驱动 (Debian: libqt6sql6-sqlite)</source>
        <translation>no SQLite driver (Debian: libqt6sql6-sqlite)</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>是新版本程序写的</source>
        <translation>was written by a newer program</translation>
    </message>
    <message>
        <source>格式版本 %1，本程序只认识到 %2；只读打开，不升级</source>
        <translation>format version %1, this program knows up to %2; opened read-only, not upgraded</translation>
    </message>
    <message>
        <source>无法使用</source>
        <translation>cannot be used</translation>
    </message>
    <message>
        <source>文件中有不认识的表</source>
        <translation>the file has unknown tables</translation>
    </message>
    <message>
        <source>无法升级</source>
        <translation>cannot be upgraded</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>cannot be written</translation>
    </message>
    <message>
        <source>只读</source>
        <translation>read-only</translation>
    </message>
    <message>
        <source>没有编号为 %1 的记录</source>
        <translation>there is no record %1</translation>
    </message>
    <message>
        <source>已损坏</source>
        <translation>is damaged</translation>
    </message>
    <message>
        <source>记录 %1 应有 %2 个参数，只找到 %3 个</source>
        <translation>snapshot %1 should hold %2 parameters; only %3 were found</translation>
    </message>
    <message>
        <source>无法连接</source>
        <translation>cannot be reached</translation>
    </message>
    <message>
        <source>没有 PostgreSQL 驱动 (Debian: libqt6sql6-psql)</source>
        <translation>no PostgreSQL driver (Debian: libqt6sql6-psql)</translation>
    </message>
    <message>
        <source>地址应为 postgresql://用户@主机:端口/数据库</source>
        <translation>the location should be postgresql://user@host:port/database</translation>
    </message>
    <message>
        <source>地址中不能有密码，请写在 ~/.pgpass 中</source>
        <translation>a password does not belong in the location; put it in ~/.pgpass</translation>
    </message>
</context>
<context>
    <name>QParamItemDelegate</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>设备未连接，%1 的修改没有写入！</source>
        <translation>The device is not connected; the change of %1 was not written!</translation>
    </message>
    <message>
        <source>%1 的数值“%2”无效，没有写入！</source>
        <translation>The value &quot;%2&quot; of %1 is not valid; it was not written!</translation>
    </message>
    <message>
        <source>%1 的数值 %2 超出范围 %3～%4%5，没有写入！</source>
        <translation>%2 for %1 lies outside %3 to %4%5; nothing was written!</translation>
    </message>
</context>
<context>
    <name>QParamPickTreeView</name>
    <message>
        <source>选择</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Deselect</translation>
    </message>
    <message>
        <source>本组选择</source>
        <translation>Select group</translation>
    </message>
    <message>
        <source>本组取消</source>
        <translation>Deselect group</translation>
    </message>
    <message>
        <source>全部选择</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>全部取消</source>
        <translation>Deselect all</translation>
    </message>
    <message>
        <source>全部反选</source>
        <translation>Invert all</translation>
    </message>
    <message>
        <source>本组反选</source>
        <translation>Invert group</translation>
    </message>
</context>
<context>
    <name>QParamTreeWidget</name>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>默认值</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>刷新数据</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>（没有说明）</source>
        <translation>(no description)</translation>
    </message>
    <message>
        <source>设备拒绝写入 %1：%2</source>
        <translation>The drive refused the write of %1: %2</translation>
    </message>
    <message>
        <source>。该参数只能在停机时修改，请先停止驱动器。</source>
        <translation>. This parameter can only be changed while the drive is stopped: stop the drive first.</translation>
    </message>
    <message>
        <source>%1 写入后回读失败：%2</source>
        <translation>%1 was written, but reading it back failed: %2</translation>
    </message>
    <message>
        <source>%1 已写入 %2</source>
        <translation>%1 written: %2</translation>
    </message>
    <message>
        <source>%1 写入 %2，设备保存的是 %3</source>
        <translation>%1: wrote %2, the drive keeps %3</translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation>%1 %2: %3</translation>
    </message>
    <message>
        <source>（未读取）</source>
        <translation>(not read)</translation>
    </message>
    <message>
        <source>暂存修改，未写入：设备 %1，修改为 %2</source>
        <translation>Kept change, not written: drive %1, changed to %2</translation>
    </message>
    <message>
        <source>未保存的修改：文件中 %1，修改为 %2</source>
        <translation>Not saved: the file holds %1, changed to %2</translation>
    </message>
    <message>
        <source>没有这个参数</source>
        <translation>no such parameter</translation>
    </message>
</context>
<context>
    <name>QParvexPlugin</name>
    <message>
        <source>功能参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>QParvexTreeWidget</name>
    <message>
        <source>刷新全部</source>
        <translation>Refresh all</translation>
    </message>
</context>
<context>
    <name>QParvexWidget</name>
    <message>
        <source>数据文件(*.csv)</source>
        <translation>Data files (*.csv)</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>……共 %1 行</source>
        <translation>… %1 rows in all</translation>
    </message>
    <message>
        <source>上传参数</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>下载参数</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>还没有读到设备的参数表，无法上传！</source>
        <translation>The device&apos;s parameters have not been read yet; nothing to upload!</translation>
    </message>
    <message>
        <source>上传参数失败！</source>
        <translation>Upload failed!</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>参数文件 %1 保存失败：%2</source>
        <translation>The parameter file %1 could not be saved: %2</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>无法打开参数文件 %1：%2</source>
        <translation>Cannot open the parameter file %1: %2</translation>
    </message>
    <message>
        <source>文件错误，无法加载！</source>
        <translation>The file is faulty and cannot be loaded!</translation>
    </message>
    <message>
        <source>没有可以下载的参数！</source>
        <translation>There are no parameters to download!</translation>
    </message>
    <message>
        <source>下载功能参数</source>
        <translation>Download parameters</translation>
    </message>
    <message>
        <source>只看与默认值不同</source>
        <translation>Only values different from the default</translation>
    </message>
    <message>
        <source>比较</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>与参数文件比较…</source>
        <translation>Compare with a parameter file…</translation>
    </message>
    <message>
        <source>与默认值比较</source>
        <translation>Compare with the defaults</translation>
    </message>
    <message>
        <source>与历史记录比较…</source>
        <translation>Compare with the history…</translation>
    </message>
    <message>
        <source>查找参数：代码或名称</source>
        <translation>Find a parameter: code or name</translation>
    </message>
    <message>
        <source>没有找到</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>上一个操作还没有结束，请稍候。</source>
        <translation>The last operation has not finished yet; please wait.</translation>
    </message>
    <message>
        <source>失败！</source>
        <translation> failed!</translation>
    </message>
    <message>
        <source>读取设备当前参数失败，没有写入任何参数。</source>
        <translation>Reading the device&apos;s parameters failed; nothing was written.</translation>
    </message>
    <message>
        <source>连接已断开：写入 %1 个参数，核对一致 %2 个。</source>
        <translation>Link lost: %1 parameters written, %2 of them verified.</translation>
    </message>
    <message>
        <source>写入 %1 个参数，核对一致 %2 个，与要求不同 %3 个，被拒绝 %4 个。</source>
        <translation>%1 parameters written: %2 verified, %3 different from what was asked, %4 refused.</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>成功</source>
        <translation> succeeded</translation>
    </message>
    <message>
        <source>%1完成，但有参数与要求不同！</source>
        <translation>%1 finished, but some parameters differ from what was asked!</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>the file</translation>
    </message>
    <message>
        <source>默认值</source>
        <translation>the defaults</translation>
    </message>
    <message>
        <source>无法读取历史记录：%1</source>
        <translation>Cannot read the history: %1</translation>
    </message>
    <message>
        <source>记录 %1</source>
        <translation>Record %1</translation>
    </message>
    <message>
        <source>设备未连接，无法比较！</source>
        <translation>The device is not connected; nothing to compare!</translation>
    </message>
    <message>
        <source>读取设备参数失败，无法比较！</source>
        <translation>Reading the device&apos;s parameters failed; nothing to compare!</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>the device</translation>
    </message>
    <message>
        <source>下载所选参数失败！</source>
        <translation>Downloading the selected parameters failed!</translation>
    </message>
    <message>
        <source>下载所选参数成功：写入并核对 %1 个参数。</source>
        <translation>The selected parameters were downloaded: %1 written and verified.</translation>
    </message>
    <message>
        <source>下载所选参数完成，但有参数与要求不同！</source>
        <translation>Download of the selected parameters finished, but some differ from what was asked!</translation>
    </message>
    <message>
        <source>文件中有误 %1 个（未写入）。</source>
        <translation> %1 faulty in the file (not written).</translation>
    </message>
    <message>
        <source>有的参数只能在停机时修改：请先停止驱动器，再下载一次。</source>
        <translation> Some parameters can only be changed while the drive is stopped: stop the drive and download again.</translation>
    </message>
    <message>
        <source>下载前备份没有存入历史记录。</source>
        <translation>The backup before the download was not stored in the history.</translation>
    </message>
    <message>
        <source>%1
没有备份，这次下载无法从历史记录撤销。仍然下载吗？</source>
        <translation>%1
Without the backup this download cannot be undone from the history. Download anyway?</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>随上传、下载和修改记录保存的备注（可空）</source>
        <translation>Note kept with uploads, downloads and writes (optional)</translation>
    </message>
    <message>
        <source>备注：</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>立即同步</source>
        <translation>Sync now</translation>
    </message>
    <message>
        <source>%1 条记录等待发送到服务器</source>
        <translation>%1 records wait for the server</translation>
    </message>
    <message>
        <source>历史记录已在服务器上</source>
        <translation>History is on the server</translation>
    </message>
    <message>
        <source>打开机型描述…</source>
        <translation>Open machine description…</translation>
    </message>
    <message>
        <source>没有连接设备：机型描述按设备的软件版本记住，请先连接。</source>
        <translation>No drive is connected: a machine description is remembered for the drive&apos;s software version, so connect first.</translation>
    </message>
    <message>
        <source>打开机型描述</source>
        <translation>Open machine description</translation>
    </message>
    <message>
        <source>机型描述 (*.xml)</source>
        <translation>Machine descriptions (*.xml)</translation>
    </message>
    <message>
        <source>打开参数文件…</source>
        <translation>Open parameter file…</translation>
    </message>
    <message>
        <source>另存为…</source>
        <translation>Save as…</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>修改方式</source>
        <translation>How edits are written</translation>
    </message>
    <message>
        <source>立即写入</source>
        <translation>Write at once</translation>
    </message>
    <message>
        <source>暂存修改</source>
        <translation>Keep changes</translation>
    </message>
    <message>
        <source>写入更改</source>
        <translation>Write changes</translation>
    </message>
    <message>
        <source>放弃</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>%1 个修改暂存，尚未写入设备</source>
        <translation>%1 changes kept, not yet written to the drive</translation>
    </message>
    <message>
        <source>设备未连接，暂存的修改没有写入！</source>
        <translation>The drive is not connected; the kept changes were not written!</translation>
    </message>
    <message>
        <source>已放弃 %1 个暂存的修改</source>
        <translation>Discarded %1 kept changes</translation>
    </message>
    <message>
        <source>写入更改完成，但有参数与要求不同！</source>
        <translation>Writing the changes finished, but some parameters differ from what was asked!</translation>
    </message>
    <message>
        <source>设备未连接：已写入的修改要写回原值才能撤销。</source>
        <translation>The drive is not connected: a written change is undone by writing the old value back.</translation>
    </message>
    <message>
        <source>设备未连接：无法重做已写入的修改。</source>
        <translation>The drive is not connected: a written change cannot be redone.</translation>
    </message>
    <message>
        <source>%1 回到文件中没有的状态</source>
        <translation>%1 back to not being in the file</translation>
    </message>
    <message>
        <source>重做：%1</source>
        <translation>Redo: %1</translation>
    </message>
    <message>
        <source>撤销：%1</source>
        <translation>Undo: %1</translation>
    </message>
    <message>
        <source>设备已连接：请先断开连接，再离线编辑参数文件。</source>
        <translation>A drive is connected: disconnect first to edit a parameter file offline.</translation>
    </message>
    <message>
        <source>打开参数文件</source>
        <translation>Open parameter file</translation>
    </message>
    <message>
        <source>选择参数文件的机型描述</source>
        <translation>Choose the machine description for the parameter file</translation>
    </message>
    <message>
        <source>离线编辑 %1（机型描述 %2）：文件中 %3 个参数，文件没有的参数 %4 个</source>
        <translation>Editing %1 offline (description %2): %3 parameters in the file, %4 parameters not in the file</translation>
    </message>
    <message>
        <source>文件中有 %1 行不能用于机型描述 %2，保存时原样保留，下载时不会写入。</source>
        <translation>%1 rows of the file cannot be used with the description %2; saving keeps them as they are, a download will not write them.</translation>
    </message>
    <message>
        <source>已保存 %1</source>
        <translation>Saved %1</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>参数文件</source>
        <translation>Parameter file</translation>
    </message>
    <message>
        <source>参数文件 %1 的修改还没有保存（%2 个参数）。</source>
        <translation>The changes to the parameter file %1 are not saved (%2 parameters).</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>Don&apos;t save</translation>
    </message>
    <message>
        <source>有 %1 个暂存的修改还没有写入设备。</source>
        <translation>%1 kept changes have not been written to the drive.</translation>
    </message>
    <message>
        <source>放弃修改</source>
        <translation>Discard changes</translation>
    </message>
    <message>
        <source>（离线）</source>
        <translation> (offline)</translation>
    </message>
    <message>
        <source>机型参数表已更换：%1 个暂存的修改没有写入</source>
        <translation>The parameter table was replaced: %1 kept changes were not written</translation>
    </message>
    <message>
        <source>设备中的参数与文件相同，没有写入任何参数。</source>
        <translation>The drive holds the file&apos;s values already; nothing was written.</translation>
    </message>
    <message>
        <source>文件中的 %1 个参数都与设备相同。</source>
        <translation>All %1 parameters of the file are equal to the drive.</translation>
    </message>
    <message>
        <source>下载预览：%1</source>
        <translation>Download preview: %1</translation>
    </message>
    <message>
        <source>与设备相同 %1 个（未写入）。</source>
        <translation> %1 equal to the drive (not written).</translation>
    </message>
    <message>
        <source>未勾选 %1 个（未写入）。</source>
        <translation> %1 unticked (not written).</translation>
    </message>
    <message>
        <source>设备未连接，无法下载！</source>
        <translation>No drive connected: cannot download!</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QSearchDialog</name>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>搜索设备</source>
        <translation>Search devices</translation>
    </message>
    <message>
        <source>其他端口名，如 /dev/ttyUSB0</source>
        <translation>Other port name, e.g. /dev/ttyUSB0</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>至</source>
        <translation>to</translation>
    </message>
    <message>
        <source> 毫秒</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>自动（线路时间 + 50 毫秒）</source>
        <translation>Automatic (line time + 50 ms)</translation>
    </message>
    <message>
        <source>搜索范围</source>
        <translation>Search range</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>格式：</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>站号：</source>
        <translation>Station:</translation>
    </message>
    <message>
        <source>每次等待：</source>
        <translation>Wait per try:</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>站号</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>寄存器0</source>
        <translation>Register 0</translation>
    </message>
    <message>
        <source>响应时间</source>
        <translation>Response time</translation>
    </message>
    <message>
        <source>开始搜索</source>
        <translation>Start search</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>连接所选设备</source>
        <translation>Connect to the selected device</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>找到的设备（双击连接）：</source>
        <translation>Devices found (double-click to connect):</translation>
    </message>
    <message>
        <source>请至少选择一个端口。</source>
        <translation>Please choose at least one port.</translation>
    </message>
    <message>
        <source>请至少选择一个波特率。</source>
        <translation>Please choose at least one baud rate.</translation>
    </message>
    <message>
        <source>请至少选择一种格式。</source>
        <translation>Please choose at least one format.</translation>
    </message>
    <message>
        <source>起始站号不能大于结束站号。</source>
        <translation>The first station cannot be greater than the last.</translation>
    </message>
    <message>
        <source>无法开始搜索：%1</source>
        <translation>Cannot start the search: %1</translation>
    </message>
    <message>
        <source>异常 %1（%2）</source>
        <translation>Exception %1 (%2)</translation>
    </message>
    <message>
        <source>%1 毫秒</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>剩余约 %1 秒</source>
        <translation>About %1 s left</translation>
    </message>
    <message>
        <source>端口 %1（%2 %3）无法搜索：%4</source>
        <translation>Port %1 (%2 %3) cannot be searched: %4</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>搜索完成，找到 %1 台设备</source>
        <translation>Search finished, %1 device(s) found</translation>
    </message>
</context>
<context>
    <name>QSoftCore</name>
    <message>
        <source>刷新全部功能码</source>
        <translation>Refresh all parameters</translation>
    </message>
    <message>
        <source>地址[十进制:%1  十六进制:0x%2 ] 长度[%3] 错误代码[%4]</source>
        <translation>Address [decimal: %1  hex: 0x%2 ] length [%3] error code [%4]</translation>
    </message>
    <message>
        <source>写入错误 </source>
        <translation>Write error </translation>
    </message>
    <message>
        <source>读取错误 </source>
        <translation>Read error </translation>
    </message>
    <message>
        <source>没有连接设备：机型描述按设备的软件版本记住，请先连接。</source>
        <translation>No drive is connected: a machine description is remembered for the drive&apos;s software version, so connect first.</translation>
    </message>
    <message>
        <source>设备已连接：请先断开连接。</source>
        <translation>A drive is connected: disconnect first.</translation>
    </message>
</context>
<context>
    <name>VantorelTool</name>
    <message>
        <source>用法: vantorel check FILE.xml</source>
        <translation>usage: vantorel check FILE.xml</translation>
    </message>
    <message>
        <source>%1: %2 个问题</source>
        <translation>%1: %2 problems</translation>
    </message>
    <message>
        <source>%1: 没有问题</source>
        <translation>%1: no problems</translation>
    </message>
    <message>
        <source>compare 要一个比较对象：文件、--defaults 或 --snapshot ID</source>
        <translation>compare needs one thing to compare with: a file, --defaults or --snapshot ID</translation>
    </message>
    <message>
        <source>默认值</source>
        <translation>defaults</translation>
    </message>
    <message>
        <source>历史记录无法打开：%1</source>
        <translation>the history cannot be opened: %1</translation>
    </message>
    <message>
        <source>历史记录中没有 %1</source>
        <translation>the history has no %1</translation>
    </message>
    <message>
        <source>记录 %1</source>
        <translation>snapshot %1</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>file</translation>
    </message>
    <message>
        <source>%1有 %2 处有误</source>
        <translation>%1 has %2 faults</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>%1 个参数与%2一致</source>
        <translation>%1 parameters as in the %2</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>%1 个参数与%2不同</source>
        <translation>%1 parameters differ from the %2</translation>
    </message>
    <message>
        <source>用法: vantorel describe TABLE.csv -o FILE.xml</source>
        <translation>usage: vantorel describe TABLE.csv -o FILE.xml</translation>
    </message>
    <message>
        <source>%1: 无法读取 (%2)</source>
        <translation>%1: cannot be read (%2)</translation>
    </message>
    <message>
        <source>%1: 文件太大，不是参数表</source>
        <translation>%1: the file is too large to be a parameter table</translation>
    </message>
    <message>
        <source>%1: 描述已写出，但有 %2 个问题</source>
        <translation>%1: the description was written, with %2 problems</translation>
    </message>
    <message>
        <source>已写出 %1</source>
        <translation>%1 written</translation>
    </message>
    <message>
        <source>参数文件 %1 有 %2 行有误，没有写入任何参数</source>
        <translation>the parameter file %1 has %2 faulty rows; nothing was written</translation>
    </message>
    <message>
        <source>参数文件 %1 中没有可以下载的参数</source>
        <translation>the parameter file %1 has no parameters to download</translation>
    </message>
    <message>
        <source>无法读取参数文件 %1：%2</source>
        <translation>cannot read the parameter file %1: %2</translation>
    </message>
    <message>
        <source>参数文件 %1 已改变，没有写入</source>
        <translation>the parameter file %1 has changed; nothing was written</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>Backup</translation>
    </message>
    <message>
        <source>读取设备当前参数失败，没有写入任何参数：%1</source>
        <translation>reading the drive&apos;s parameters failed, nothing was written: %1</translation>
    </message>
    <message>
        <source>文件中的 %1 个参数与站号 %2 一致，无需写入</source>
        <translation>the %1 parameters of the file are as in station %2; nothing to write</translation>
    </message>
    <message>
        <source>%1 个参数与设备不同（%2 个相同），没有写入</source>
        <translation>%1 parameters differ from the drive (%2 the same); nothing was written</translation>
    </message>
    <message>
        <source>文件中的 %1 个参数与站号 %2 一致，没有写入</source>
        <translation>the %1 parameters of the file are as in station %2; nothing was written</translation>
    </message>
    <message>
        <source>下载前备份无法存入历史记录（%1），没有写入任何参数；不要备份时用 --no-backup</source>
        <translation>the backup before the download cannot be stored in the history (%1); nothing was written; use --no-backup to go without one</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>下载参数失败：%1</source>
        <translation>the download failed: %1</translation>
    </message>
    <message>
        <source>（%1 个与设备相同，跳过）</source>
        <translation> (%1 as in the drive, skipped)</translation>
    </message>
    <message>
        <source>已下载 %1 个参数到站号 %2（没有核对）</source>
        <translation>%1 parameters downloaded to station %2 (not verified)</translation>
    </message>
    <message>
        <source>核对发现 %1 处不同：%2</source>
        <translation>verification found %1 differences: %2</translation>
    </message>
    <message>
        <source>已下载 %1 个参数到站号 %2，读回核对一致</source>
        <translation>%1 parameters downloaded to station %2, read back as written</translation>
    </message>
    <message>
        <source>原始值</source>
        <translation>Raw</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>--since 的日期不对：%1</source>
        <translation>the date of --since is not valid: %1</translation>
    </message>
    <message>
        <source>历史记录无法读取：%1</source>
        <translation>the history cannot be read: %1</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>工作站</source>
        <translation>Workstation</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>站号</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>之前</source>
        <translation>Before</translation>
    </message>
    <message>
        <source>要求</source>
        <translation>Asked</translation>
    </message>
    <message>
        <source>读回</source>
        <translation>Reading back</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>history 的参数不对；vantorel history --help 说明用法</source>
        <translation>wrong arguments for history; vantorel history --help explains</translation>
    </message>
    <message>
        <source>编号</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>机器描述无法加载：%1</source>
        <translation>the machine description cannot be loaded: %1</translation>
    </message>
    <message>
        <source>参数文件 %1 保存失败：%2</source>
        <translation>the parameter file %1 could not be saved: %2</translation>
    </message>
    <message>
        <source>记录 %1 的 %2 个参数已写入 %3</source>
        <translation>%2 parameters of snapshot %1 written to %3</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>记录 %1：%2 %3，站号 %4</source>
        <translation>snapshot %1: %2 %3, station %4</translation>
    </message>
    <message>
        <source>项目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>机器描述</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>机型</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>参数组</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>运行值</source>
        <translation>Runtime values</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>cannot write %1: %2</translation>
    </message>
    <message>
        <source>ports 不带参数</source>
        <translation>ports takes no arguments</translation>
    </message>
    <message>
        <source>系统没有列出串口</source>
        <translation>the system lists no serial ports</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>厂家</source>
        <translation>Maker</translation>
    </message>
    <message>
        <source>scan 不带参数；vantorel scan --help 说明用法</source>
        <translation>scan takes no arguments; vantorel scan --help explains</translation>
    </message>
    <message>
        <source>系统没有列出串口；用 --ports 给出要搜索的端口</source>
        <translation>the system lists no serial ports; give the ports to search with --ports</translation>
    </message>
    <message>
        <source>搜索的端口：%1</source>
        <translation>Ports searched: %1</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Searching</translation>
    </message>
    <message>
        <source>异常码 %1</source>
        <translation>exception %1</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Framing</translation>
    </message>
    <message>
        <source>应答(ms)</source>
        <translation>Answer (ms)</translation>
    </message>
    <message>
        <source>端口 %1 无法打开：%2</source>
        <translation>port %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>没有找到设备</source>
        <translation>no drive found</translation>
    </message>
    <message>
        <source>“%1”应写成 代码=数值</source>
        <translation>&quot;%1&quot; should be CODE=VALUE</translation>
    </message>
    <message>
        <source>未知的参数代码 %1</source>
        <translation>unknown parameter code %1</translation>
    </message>
    <message>
        <source>%1 给出了两次</source>
        <translation>%1 is given twice</translation>
    </message>
    <message>
        <source>%1 是只读参数，不能写入</source>
        <translation>%1 is read-only and cannot be written</translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation>%1 %2: %3</translation>
    </message>
    <message>
        <source>%1，没有写入任何参数</source>
        <translation>%1; nothing was written</translation>
    </message>
    <message>
        <source>%1 处有误，没有写入任何参数</source>
        <translation>%1 faults; nothing was written</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Writing</translation>
    </message>
    <message>
        <source>读回的值与写入的不同：%1</source>
        <translation>read back differently from what was written: %1</translation>
    </message>
    <message>
        <source>没有给出文件名</source>
        <translation>no file name given</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>上传参数失败：%1</source>
        <translation>the upload failed: %1</translation>
    </message>
    <message>
        <source>已上传 %1 个参数到 %2</source>
        <translation>%1 parameters uploaded to %2</translation>
    </message>
    <message>
        <source>%1；vantorel --help 说明用法</source>
        <translation>%1; vantorel --help explains</translation>
    </message>
    <message>
        <source>没有给出命令；vantorel --help 说明用法</source>
        <translation>no command given; vantorel --help explains</translation>
    </message>
    <message>
        <source>无法打开端口 %1</source>
        <translation>cannot open port %1</translation>
    </message>
    <message>
        <source>端口 %1 已断开</source>
        <translation>port %1 was lost</translation>
    </message>
    <message>
        <source>站号 %1 在 %2 上应答有误</source>
        <translation>station %1 on %2 gave a malformed answer</translation>
    </message>
    <message>
        <source>站号 %1 在 %2 上应答有误（收到 %3）</source>
        <translation>station %1 on %2 gave a malformed answer (received %3)</translation>
    </message>
    <message>
        <source>站号 %1 在 %2 上只收到本机发送的请求（回显）：适配器回送发出的字节，请加 --echo 或打开本地回显</source>
        <translation>station %1 on %2: only our own request came back (echo): the adapter returns the bytes sent; add --echo or turn on local echo</translation>
    </message>
    <message>
        <source>站号 %1 在 %2 上没有应答</source>
        <translation>station %1 does not answer on %2</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>%1（地址 %2）</source>
        <translation>%1 (address %2)</translation>
    </message>
    <message>
        <source>%1 %2 失败：%3</source>
        <translation>%1 %2 failed: %3</translation>
    </message>
    <message>
        <source>，共 %1 个请求失败</source>
        <translation>, %1 requests failed in all</translation>
    </message>
    <message>
        <source>选项 -o 缺少文件名</source>
        <translation>option -o needs a file name</translation>
    </message>
    <message>
        <source>选项 --%1 不带参数</source>
        <translation>option --%1 takes no value</translation>
    </message>
    <message>
        <source>未知选项 --%1</source>
        <translation>unknown option --%1</translation>
    </message>
    <message>
        <source>选项 --%1 缺少参数</source>
        <translation>option --%1 needs a value</translation>
    </message>
    <message>
        <source>选项 --%1 的参数“%2”无效</source>
        <translation>the value &quot;%2&quot; of option --%1 is not valid</translation>
    </message>
    <message>
        <source>未知命令 %1</source>
        <translation>unknown command %1</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>；另有 %1 处</source>
        <translation>; %1 more</translation>
    </message>
    <message>
        <source>参数文件 %1 无法加载：%2</source>
        <translation>the parameter file %1 cannot be used: %2</translation>
    </message>
    <message>
        <source>%1 个历史记录没有存入：%2</source>
        <translation>%1 history records were not stored: %2</translation>
    </message>
    <message>
        <source>设置文件无法使用（%1），不能确定写到哪台设备；用 --port 和 --station 指定</source>
        <translation>the settings file cannot be used (%1), so it is not known which drive to write to; name it with --port and --station</translation>
    </message>
    <message>
        <source>设置文件无法使用（%1），按默认设置读取</source>
        <translation>the settings file cannot be used (%1); reading with the default settings</translation>
    </message>
    <message>
        <source>设置 %1</source>
        <translation>setting %1</translation>
    </message>
    <message>
        <source>设置 %1，不能确定写到哪台设备；用 %2 指定</source>
        <translation>setting %1, so it is not known which drive to write to; name it with %2</translation>
    </message>
    <message>
        <source>设置 %1，按默认值读取</source>
        <translation>setting %1; reading with the default value</translation>
    </message>
    <message>
        <source>没有设置端口（Communicate.PortName 为空，也没有 Communicate.SerialNumber），不能确定写到哪台设备；用 --port 指定</source>
        <translation>no port is set (Communicate.PortName is empty and there is no Communicate.SerialNumber), so it is not known which drive to write to; name it with --port</translation>
    </message>
    <message>
        <source>%1 不能用于多个站号</source>
        <translation>%1 cannot serve several stations</translation>
    </message>
    <message>
        <source>== 站号 %1</source>
        <translation>== station %1</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>%1 个站号中 %2 个失败：%3</source>
        <translation>%2 of %1 stations failed: %3</translation>
    </message>
    <message>
        <source>退出码</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>%1 的参数不对；vantorel %1 --help 说明用法</source>
        <translation>wrong arguments for %1; vantorel %1 --help explains</translation>
    </message>
    <message>
        <source>report 的参数不对；vantorel report --help 说明用法</source>
        <translation>wrong arguments for report; vantorel report --help tells the usage</translation>
    </message>
    <message>
        <source>历史记录中没有 %1：%2</source>
        <translation>The history has no %1: %2</translation>
    </message>
    <message>
        <source>报告 %1 保存失败：%2</source>
        <translation>The report %1 could not be saved: %2</translation>
    </message>
    <message>
        <source>记录 %1 的报告已写入 %2</source>
        <translation>The report of record %1 was written to %2</translation>
    </message>
    <message>
        <source>将向 %1 写入 %2 个参数</source>
        <translation>Writing %2 parameters to %1</translation>
    </message>
    <message>
        <source>机器描述的所有问题</source>
        <translation>every problem of a machine description</translation>
    </message>
    <message>
        <source>用法: vantorel check DRIVE.xml [--json]
检查机器描述，列出每个问题及其所在行：重复的代码或地址、重叠的寄存器、
超出限值的默认值、不包含默认值的选项、比例和宽度容纳不下的限值，以及
程序会拒绝的其他一切（自相矛盾的协议配置）。程序接受该描述时退出码为 0，
否则为 5。
示例: vantorel check machines/ACME/100.xml
</source>
        <translation>Usage: vantorel check DRIVE.xml [--json]
Checks a machine description and prints every problem with its line: duplicate
codes or addresses, overlapping registers, defaults outside the limits, choices
that do not cover the default, limits the scale and width cannot hold, and
whatever else the program would refuse (a protocol profile that contradicts
itself). Exit 0 when the program takes the description, 5 otherwise.
Example: vantorel check machines/ACME/100.xml
</translation>
    </message>
    <message>
        <source>将设备与文件、默认值或快照比较</source>
        <translation>compare the drive with a file, the defaults or a snapshot</translation>
    </message>
    <message>
        <source>用法: vantorel compare FILE | --defaults | --snapshot ID [--record] [连接选项] [--json]
读取设备的参数，列出与参数文件、描述中的默认值或快照不同的参数。
--record 同时把读到的值存入历史记录（比较快照）。
有不同时退出码为 4。JSON 中 &quot;against&quot; 为 &quot;file&quot;、&quot;defaults&quot; 或
&quot;snapshot&quot;（带 &quot;snapshot_id&quot;）。
示例: vantorel compare --defaults
</source>
        <translation>Usage: vantorel compare FILE | --defaults | --snapshot ID [--record] [link options] [--json]
Reads the drive&apos;s parameters and lists those that differ from a
parameter file, from the description&apos;s defaults or from a snapshot.
--record also stores the values read in the history (a compare snapshot).
Exit code 4 when something differs. In JSON, &quot;against&quot; is &quot;file&quot;,
&quot;defaults&quot; or &quot;snapshot&quot; (with &quot;snapshot_id&quot;).
Example: vantorel compare --defaults
</translation>
    </message>
    <message>
        <source>由参数表生成机器描述</source>
        <translation>machine description from a parameter table</translation>
    </message>
    <message>
        <source>用法: vantorel describe TABLE.csv -o DRIVE.xml [--json]
把参数表（CSV，GBK 或 UTF-8，每个参数一行）转成机器描述。标题行给出
各列的名字，顺序不限：code、name、name-en、address（十进制或 0x 十六进制）、
width（1、2、int16、uint16、int32、uint32、float）、scale 或 decimals、default、
min、max、unit、unit-en、choices（&quot;0=V/F控制;1=矢量控制&quot;）、choices-en、access
（rw、ro、stop）、help、group、start；中文标题（代码、名称、地址、默认值……）
也可以。只有 code 和 address 是必需的。没有 group 列时，参数按代码中 &apos;-&apos;
之前的部分分组；组 &quot;Runtime&quot; 是运行值页。描述按 `vantorel check` 的方式
检查，只有加载程序接受时才写出。驱动器的 Modbus 习惯不同时，加一个
&lt;Protocol&gt; 元素（见 README）。
示例: vantorel describe manual-table.csv -o machines/ACME/100.xml
</source>
        <translation>Usage: vantorel describe TABLE.csv -o DRIVE.xml [--json]
Turns a parameter table (CSV, GBK or UTF-8, one row per parameter) into a machine
description. The header row names the columns, in any order: code, name, name-en,
address (decimal or 0x hex), width (1, 2, int16, uint16, int32, uint32, float),
scale or decimals, default, min, max, unit, unit-en, choices (&quot;0=V/F控制;1=矢量控制&quot;),
choices-en, access (rw, ro, stop), help, group, start; Chinese headings (代码, 名称,
地址, 默认值, ...) are taken too. Only code and address are needed. Without a group
column, parameters are grouped by the code before its &apos;-&apos;; the group &quot;Runtime&quot; is
the runtime page. The description is checked as `vantorel check` does and written
only when the loader takes it. Add a &lt;Protocol&gt; element for a drive whose Modbus
habits differ (see the README).
Example: vantorel describe manual-table.csv -o machines/ACME/100.xml
</translation>
    </message>
    <message>
        <source>把参数文件写入设备</source>
        <translation>write a parameter file into the drive</translation>
    </message>
    <message>
        <source>用法: vantorel download FILE [--changed-only] [--dry-run] [--no-backup] [--no-verify]
       [连接选项] [--json]
把参数文件写入设备。文件按工作台的方式检查（标题、已知代码、在宽度、
最小值和最大值之内的整数原始值）；只要有一行不通过，就什么也不写。
文件中的只读参数跳过。写入前，设备的参数作为快照保存（--no-backup：
不保存）；写入后读回写入的值并核对（--no-verify：不核对）。
--changed-only 先读取设备，只写入值与文件不同的参数；汇总说明有多少个
相同。--dry-run 读取设备并列出不同之处，什么也不写，有不同时退出码为 4。
使用 --stations 时，同一个 FILE 写入每个站号，除非其中有 {station}，
它会被换成站号。
示例: vantorel download line3.csv --stations 1-4
</source>
        <translation>Usage: vantorel download FILE [--changed-only] [--dry-run] [--no-backup] [--no-verify]
       [link options] [--json]
Writes a parameter file into the drive. The file is checked as the
workbench checks it (header, known codes, integer raw values within
width, minimum and maximum); when a row fails, nothing is written.
Read-only parameters in the file are skipped. Before writing, the
drive&apos;s set is kept as a snapshot (--no-backup: not); afterwards the
written values are read back and compared (--no-verify: not).
--changed-only reads the drive first and writes only the parameters
whose value differs from the file&apos;s; the summary says how many were
equal. --dry-run reads the drive and lists the differences, writes
nothing and exits 4 when there is one.
With --stations the same FILE goes into every station, unless it
holds {station}, which is replaced by the station.
Example: vantorel download line3.csv --stations 1-4
</translation>
    </message>
    <message>
        <source>读取数值（显示单位；--raw：原始值）</source>
        <translation>read values (display units; --raw: raw values)</translation>
    </message>
    <message>
        <source>用法: vantorel get CODE... [--raw] [连接选项] [--json]
读取参数或运行值，输出代码、名称、数值和单位；--raw 改为输出寄存器的
原始值。
示例: vantorel get F0-07 U0-00
</source>
        <translation>Usage: vantorel get CODE... [--raw] [link options] [--json]
Reads parameters or runtime values and prints code, name, value and
unit; --raw prints the raw register values instead.
Example: vantorel get F0-07 U0-00
</translation>
    </message>
    <message>
        <source>参数集的快照</source>
        <translation>the snapshots of parameter sets</translation>
    </message>
    <message>
        <source>用法: vantorel history [list | show ID | export ID FILE] [--json]
       vantorel history audit [--station N] [--code C] [--since DATE] [--json]
参数集的快照（上传、下载前的备份）：列出快照、显示一个快照，或把一个
快照导出为参数文件。audit 列出对设备的写入，最新的在前（DATE：
2026-03-01 或 2026-03-01T08:00）。
示例: vantorel history export 12 before-repair.csv
</source>
        <translation>Usage: vantorel history [list | show ID | export ID FILE] [--json]
       vantorel history audit [--station N] [--code C] [--since DATE] [--json]
The snapshots of parameter sets (uploads, backups before downloads):
list them, show one, or export one as a parameter file. audit lists
the writes to drives, newest first (DATE: 2026-03-01 or 2026-03-01T08:00).
Example: vantorel history export 12 before-repair.csv
</translation>
    </message>
    <message>
        <source>设备的软件版本和所用的描述</source>
        <translation>the drive&apos;s version and the description used</translation>
    </message>
    <message>
        <source>用法: vantorel info [连接选项] [--json]
连接设备，输出设备的软件版本、端口和站号，以及所用的描述及其参数组
和参数的个数。
示例: vantorel info --port /dev/ttyUSB0 --station 3
</source>
        <translation>Usage: vantorel info [link options] [--json]
Connects, prints the drive&apos;s software version, the port and station,
and the description used with its number of groups and parameters.
Example: vantorel info --port /dev/ttyUSB0 --station 3
</translation>
    </message>
    <message>
        <source>以行或 CSV 输出运行值</source>
        <translation>runtime values as lines or CSV</translation>
    </message>
    <message>
        <source>用法: vantorel monitor CODE... [--period MS] [--count N] [--csv FILE] [连接选项] [--json]
每 MS 毫秒（默认 1000）读取一次数值，共 N 次（默认：直到被中断），每次
读取输出一行；--csv 同时按监控页记录的格式写入 FILE（GBK；代码、名称和
单位各一行，然后是时刻、从开始起的毫秒数和每个代码一列）。使用 --json
时，每次读取是单独一行的一个 JSON 对象，随读随出（{&quot;station&quot;, &quot;time&quot;,
&quot;elapsed_ms&quot;, &quot;values&quot;: {CODE: number}}），最后一行是汇总
（{&quot;command&quot;: &quot;monitor&quot;, &quot;ok&quot;, &quot;exit&quot;, &quot;samples&quot;, ...}）。
示例: vantorel monitor U0-00 U0-02 --period 200 --count 50 --csv run.csv
</source>
        <translation>Usage: vantorel monitor CODE... [--period MS] [--count N] [--csv FILE] [link options] [--json]
Reads the values every MS milliseconds (default 1000), N times (default:
until interrupted), and prints one line per reading; --csv also writes
them to FILE in the monitoring page&apos;s recording layout (GBK; rows of codes,
names and units, then the time of day, the milliseconds since the start
and one column per code). With --json every reading is one JSON object
on a line of its own, printed as it comes ({&quot;station&quot;, &quot;time&quot;,
&quot;elapsed_ms&quot;, &quot;values&quot;: {CODE: number}}), and the last line is the
summary ({&quot;command&quot;: &quot;monitor&quot;, &quot;ok&quot;, &quot;exit&quot;, &quot;samples&quot;, ...}).
Example: vantorel monitor U0-00 U0-02 --period 200 --count 50 --csv run.csv
</translation>
    </message>
    <message>
        <source>系统列出的串口</source>
        <translation>serial ports the system lists</translation>
    </message>
    <message>
        <source>用法: vantorel ports [--json]
列出系统知道的串口（名称、说明、厂家）。伪终端和 TCP 地址不列出；
用 --port 给出它们。
示例: vantorel ports
</source>
        <translation>Usage: vantorel ports [--json]
Lists the serial ports the system knows (name, description, maker).
Pseudo-terminals and TCP addresses are not listed; give them with --port.
Example: vantorel ports
</translation>
    </message>
    <message>
        <source>快照的调试报告</source>
        <translation>the commissioning report of a snapshot</translation>
    </message>
    <message>
        <source>用法: vantorel report ID FILE.pdf|FILE.html [--since DATE] [--json]
快照 ID（见 vantorel history list）的调试报告：设备，由谁在哪里做的，与
默认值不同的参数，自上一次上传或下载（或自 DATE）以来对设备的写入，
签字栏，以及作为附录的全部参数。
.pdf 文件写成 PDF，其他写成 HTML。
示例: vantorel report 12 line3-drive17.pdf
</source>
        <translation>Usage: vantorel report ID FILE.pdf|FILE.html [--since DATE] [--json]
The commissioning report of snapshot ID (see vantorel history list): the
drive, who made it where, the parameters that differ from the defaults,
the writes to the drive since its previous upload or download (or since
DATE), lines for signatures and every parameter as an appendix.
A .pdf file is written as PDF, anything else as HTML.
Example: vantorel report 12 line3-drive17.pdf
</translation>
    </message>
    <message>
        <source>搜索设备（端口、波特率、校验、站号）</source>
        <translation>search for drives (ports, bauds, parities, stations)</translation>
    </message>
    <message>
        <source>用法: vantorel scan [--ports LIST] [--bauds LIST] [--parities LIST] [--stop 1|2]
                     [--stations FIRST-LAST] [--wait MS] [--json]
按工作台搜索设备的方式搜索：在每个端口上（默认：先是设置的端口或
--port，然后是系统列出的每个端口；说明搜索了哪些端口），以每种波特率
（默认 19200,9600,38400,57600,115200）和格式（默认 8N1、8E1、8O1、8N2；
--parities n,e 加 --stop：这些），从 FIRST 到 LAST（默认 1-247）的每个
站号各问一次寄存器 0；WAIT 是一次探测等待的时间（默认：其线路时间
+ 50 ms）。使用 --machine 时，探测保持该描述的 pause-ms，其 timeout-ms
代替 WAIT。
没有设备应答时退出码为 2。
示例: vantorel scan --ports /dev/ttyUSB0 --bauds 9600,19200 --stations 1-5
</source>
        <translation>Usage: vantorel scan [--ports LIST] [--bauds LIST] [--parities LIST] [--stop 1|2]
                     [--stations FIRST-LAST] [--wait MS] [--json]
Searches for drives as the workbench&apos;s device search does: on every
port (default: the configured port or --port first, then every port
the system lists; the ports tried are named), at every baud
rate (default 19200,9600,38400,57600,115200) and framing (default
8N1, 8E1, 8O1, 8N2; --parities n,e with --stop: those), every station
from FIRST to LAST (default 1-247) is asked once for register 0;
WAIT is how long a probe waits (default: its line time + 50 ms).
With --machine, the probes keep that description&apos;s pause-ms and its
timeout-ms stands for WAIT.
Exit code 2 when no drive answered.
Example: vantorel scan --ports /dev/ttyUSB0 --bauds 9600,19200 --stations 1-5
</translation>
    </message>
    <message>
        <source>写入数值并读回</source>
        <translation>write values and read them back</translation>
    </message>
    <message>
        <source>用法: vantorel set CODE=VALUE... [连接选项] [--json]
写入数值并读回。VALUE 用显示单位（45.50 Hz 写 45.5），选项参数写它的
文字或数字。每个值先按工作台编辑器检查修改的方式检查（数字或选项、
寄存器宽度、最小值和最大值）；只要有一个不通过，就什么也不写。读回的
值与写入的不同时，退出码为 4。
示例: vantorel set F0-07=45.5 F0-01=端子
</source>
        <translation>Usage: vantorel set CODE=VALUE... [link options] [--json]
Writes values and reads them back. VALUE is in display units
(45.5 for 45.50 Hz) or, for a choice, its text or its number. Every
value is checked first as the workbench&apos;s editor checks an edit
(number or choice, the register&apos;s width, minimum and maximum);
when one fails, nothing is written. A read-back that differs from
what was written ends with exit code 4.
Example: vantorel set F0-07=45.5 F0-01=端子
</translation>
    </message>
    <message>
        <source>把全部参数读入参数文件（CSV，GBK）</source>
        <translation>read every parameter into a parameter file (CSV, GBK)</translation>
    </message>
    <message>
        <source>用法: vantorel upload FILE [连接选项] [--json]
读取全部参数，写出与工作台上传相同的参数文件（GBK 编码的 CSV：代码、
名称、值、单位、原始值）。文件只在完整时才替换。使用 --stations 时，
每个站号有自己的文件：FILE 中的 {station} 换成站号，否则在扩展名前
加 &quot;-N&quot;（backup-3.csv）。
示例: vantorel upload backup.csv
</source>
        <translation>Usage: vantorel upload FILE [link options] [--json]
Reads every parameter and writes the parameter file the workbench&apos;s
upload writes (CSV in GBK: 代码, 名称, 值, 单位, 原始值). The file is
replaced only when complete. With --stations each station gets its
own file: {station} in FILE is replaced by the station, otherwise
&quot;-N&quot; is put before the extension (backup-3.csv).
Example: vantorel upload backup.csv
</translation>
    </message>
    <message>
        <source>vantorel：不用屏幕调试变频器。

用法: vantorel COMMAND [ARGUMENTS] [OPTIONS]

命令：
</source>
        <translation>vantorel: commission a drive without a screen.

Usage: vantorel COMMAND [ARGUMENTS] [OPTIONS]

Commands:
</translation>
    </message>
    <message>
        <source>
连接选项（不给出时：config.xml 中的设置，与工作台所用的相同）：
  --port NAME          设备（/dev/ttyUSB0、COM3）、tcp://host[:port] 或 rtutcp://host:port
  --baud RATE          波特率
  --parity n|e|o       校验位
  --stop 1|2           停止位
  --station N          站号 1..247（默认：设置中的站号，1）
  --stations LIST      依次访问多个站号，例如 1-10,12（get、set、upload、
                       download、compare）；最后按站号汇总
  --timeout MS         应答超时（默认 500）
  --retries N          第一次之后的重试次数（默认 2）
  --echo               适配器回送发出的每个字节（两线 RS-485）：等待并去掉
                       每个请求的回送（默认：Communicate.LocalEcho）
  --config FILE        用该设置文件代替程序的 config.xml（在程序旁，安装的
                       程序在 ~/.config/vantorel/）
  --machine FILE       用该机器描述代替 machines/default.xml
  --history URL|FILE   用该历史数据库代替设置中的 History.Database
                       （postgresql://user@host:port/dbname，或 SQLite 文件）
  --note TEXT          本次运行的快照和写入记录所附的备注

输出选项：
  --json               在标准输出上写一个 JSON 文档（数值写成数字）
  --verbose            同时输出通信链路自己的警告
  --help               本说明；COMMAND --help：该命令的说明

退出码：
  0  完成
  1  用法错误：选项不对、代码未知、数值未通过检查
  2  没有连接或没有应答（端口无法打开、站号不应答）
  3  设备拒绝（Modbus 异常）
  4  核对发现不同
  5  文件无法读取或写入，或无法使用
使用 --stations 时，退出码是第一个出错站号的退出码。

示例：
  vantorel info --port /dev/ttyUSB0
  vantorel get F0-07 F0-01 --json
  vantorel set F0-07=45.5 F0-01=端子
  vantorel upload backup.csv --stations 1-10,12
  vantorel download line3.csv --port tcp://192.168.1.20
</source>
        <translation>
Link options (left out: the settings of config.xml, as the workbench uses them):
  --port NAME          device (/dev/ttyUSB0, COM3), tcp://host[:port] or rtutcp://host:port
  --baud RATE          baud rate
  --parity n|e|o       parity
  --stop 1|2           stop bits
  --station N          station address 1..247 (default: the settings&apos; station, 1)
  --stations LIST      several stations in turn, e.g. 1-10,12 (get, set, upload,
                       download, compare); ends with a summary per station
  --timeout MS         answer time-out (default 500)
  --retries N          retries after the first try (default 2)
  --echo               the adapter returns every byte sent (two-wire RS-485): expect and
                       remove the echo of each request (default: Communicate.LocalEcho)
  --config FILE        settings file instead of the program&apos;s config.xml (beside it, or
                       ~/.config/vantorel/ for an installed copy)
  --machine FILE       machine description instead of machines/default.xml
  --history URL|FILE   history database instead of the settings&apos; History.Database
                       (postgresql://user@host:port/dbname, or an SQLite file)
  --note TEXT          a note kept with the snapshots and write records of this run

Output options:
  --json               one JSON document on standard output (numbers as numbers)
  --verbose            also print the link&apos;s own warnings
  --help               this text; COMMAND --help: the command&apos;s text

Exit codes:
  0  done
  1  usage: bad options, unknown codes, values that fail the checks
  2  no link or no answer (port cannot be opened, station does not answer)
  3  the drive refused something (a Modbus exception)
  4  verification found differences
  5  a file could not be read or written, or cannot be used
With --stations the exit code is that of the first station that failed.

Examples:
  vantorel info --port /dev/ttyUSB0
  vantorel get F0-07 F0-01 --json
  vantorel set F0-07=45.5 F0-01=端子
  vantorel upload backup.csv --stations 1-10,12
  vantorel download line3.csv --port tcp://192.168.1.20
</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Drive serial number</translation>
    </message>
    <message>
        <source>站号 %1 的设备序列号没有读到：%2</source>
        <translation>The serial number of station %1 was not read: %2</translation>
    </message>
</context>
</TS>

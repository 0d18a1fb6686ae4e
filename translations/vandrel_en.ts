<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>PanelTables</name>
    <message>
        <source>全亮</source>
        <translation>Steady</translation>
    </message>
    <message>
        <source>呼吸</source>
        <translation>Breathing</translation>
    </message>
    <message>
        <source>波浪</source>
        <translation>Wave</translation>
    </message>
    <message>
        <source>随按渐灭</source>
        <translation>Fade</translation>
    </message>
    <message>
        <source>蛇形跑马</source>
        <translation>Snake</translation>
    </message>
    <message>
        <source>涟漪</source>
        <translation>Ripple</translation>
    </message>
    <message>
        <source>霓虹</source>
        <translation>Neon</translation>
    </message>
    <message>
        <source>雨滴</source>
        <translation>Raindrops</translation>
    </message>
    <message>
        <source>环形跑马</source>
        <translation>Ring</translation>
    </message>
    <message>
        <source>对冲</source>
        <translation>Collide</translation>
    </message>
    <message>
        <source>雷达</source>
        <translation>Radar</translation>
    </message>
</context>
<context>
    <name>SessionMenu</name>
    <message>
        <source>保持灯光</source>
        <translation>Keep the lights</translation>
    </message>
    <message>
        <source>调暗</source>
        <translation>Dim</translation>
    </message>
    <message>
        <source>关灯</source>
        <translation>Lights off</translation>
    </message>
    <message>
        <source>从不</source>
        <translation>Never</translation>
    </message>
    <message numerus="yes">
        <source>%n 分钟后</source>
        <translation>
            <numerusform>After %n minute</numerusform>
            <numerusform>After %n minutes</numerusform>
        </translation>
    </message>
    <message>
        <source>锁定时</source>
        <translation>When locked</translation>
    </message>
    <message>
        <source>空闲时</source>
        <translation>When idle</translation>
    </message>
    <message>
        <source>睡眠前</source>
        <translation>Before sleep</translation>
    </message>
    <message>
        <source>会话锁定、空闲或睡眠时(&amp;S)</source>
        <translation>When the &amp;session is locked / idle / asleep</translation>
    </message>
    <message>
        <source>此桌面不提供：%1</source>
        <translation>Not offered by this desktop: %1</translation>
    </message>
</context>
<context>
    <name>vandrel::AppCommands</name>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>文件为只读</source>
        <translation>the file is read-only</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>超出磁盘配额</source>
        <translation>disk quota exceeded</translation>
    </message>
    <message>
        <source>没有访问权限</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>文件系统为只读</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>是一个文件夹</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>读写错误</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>无法保存 %1（%2），文件保持原样！</source>
        <translation>Could not save %1 (%2). The file is unchanged!</translation>
    </message>
    <message>
        <source>无法读取 %1（%2）。本次运行不会改写这个文件，程序使用出厂设置继续运行。</source>
        <translation>Could not read %1 (%2). This run will not overwrite the file; the program continues with the factory settings.</translation>
    </message>
    <message>
        <source>无法创建 %1（%2），设置不会保存到电脑上！</source>
        <translation>Could not create %1 (%2). Settings will not be saved on this computer!</translation>
    </message>
    <message>
        <source>是一个没有读取方的管道</source>
        <translation>a FIFO that nobody reads</translation>
    </message>
    <message>
        <source>不是文件夹</source>
        <translation>not a folder</translation>
    </message>
    <message>
        <source>无法把原有的设置存入配置历史 %1（%2）。</source>
        <translation>Could not keep the settings being replaced in the configuration history %1 (%2).</translation>
    </message>
</context>
<context>
    <name>vandrel::CAboutDlg</name>
    <message>
        <source>关于 Vandrel</source>
        <translation>About Vandrel</translation>
    </message>
    <message>
        <source>游戏键盘配置程序：按键、宏、灯光与性能设置</source>
        <translation>Gaming keyboard configuration: keys, macros, lighting and performance</translation>
    </message>
    <message>
        <source>Vandrel %1.%2 版</source>
        <translation>Vandrel version %1.%2</translation>
    </message>
</context>
<context>
    <name>vandrel::CConfigureDlg</name>
    <message>
        <source>自动切换规则…</source>
        <translation>Switching rules…</translation>
    </message>
</context>
<context>
    <name>vandrel::CHistoryDlg</name>
    <message>
        <source>配置历史</source>
        <translation>Configuration History</translation>
    </message>
</context>
<context>
    <name>vandrel::CInsertTextDlg</name>
    <message>
        <source>“%1”</source>
        <translation>“%1”</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>插入文本</source>
        <translation>Insert Text</translation>
    </message>
    <message>
        <source>当前布局（%1）</source>
        <translation>Current layout (%1)</translation>
    </message>
    <message>
        <source>插入</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>文本：</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>键盘布局：</source>
        <translation>Keyboard layout:</translation>
    </message>
    <message>
        <source>无法载入所选的键盘布局。</source>
        <translation>The chosen keyboard layout cannot be loaded.</translation>
    </message>
    <message>
        <source>输入要插入的文字：宏会按所选布局中输入这些文字的按键（含 Shift、AltGr 和死键）播放。</source>
        <translation>Type the text to insert: the macro plays the keys that type it in the chosen layout (with Shift, AltGr and dead keys).</translation>
    </message>
    <message>
        <source>所选布局无法输入：%1</source>
        <translation>The chosen layout cannot type: %1</translation>
    </message>
    <message>
        <source>文字太长：需要 %1 字节，宏中只剩 %2 字节，只够输入前 %3 个字符。</source>
        <translation>The text is too long: it needs %1 bytes, the macro has %2 bytes left, enough for the first %3 characters.</translation>
    </message>
    <message>
        <source>将插入 %1 个按键动作，占 %2 字节（宏中还剩 %3 字节）。</source>
        <translation>Inserts %1 key actions, %2 bytes (the macro has %3 bytes left).</translation>
    </message>
    <message>
        <source>所选布局无法输入，将跳过：%1</source>
        <translation>The chosen layout cannot type these; they are left out: %1</translation>
    </message>
</context>
<context>
    <name>vandrel::CKeyMap</name>
    <message>
        <source>请选择子项</source>
        <translation>Please choose an item below it.</translation>
    </message>
    <message>
        <source>请为所选的一行选择路径。</source>
        <translation>Choose a path for the marked row.</translation>
    </message>
    <message>
        <source>键盘只能存放前 32 个宏，请从中选择一个。</source>
        <translation>The keyboard holds only the first 32 macros: choose one of them.</translation>
    </message>
    <message>
        <source>空格</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>%1（死键）</source>
        <translation>%1 (dead key)</translation>
    </message>
    <message>
        <source>在当前布局中输入：%1</source>
        <translation>Types in the current layout: %1</translation>
    </message>
</context>
<context>
    <name>vandrel::CMacroRecordDlg</name>
    <message>
        <source>宏管理</source>
        <translation>Macro Manager</translation>
    </message>
    <message>
        <source>宏有更改还没有确定。关闭前要保留这些更改吗？</source>
        <translation>The macros have changes that were not confirmed with OK. Keep them before closing?</translation>
    </message>
    <message>
        <source>宏指令已满（190 字节），无法再添加按键动作。</source>
        <translation>The macro is full (190 bytes): no more key actions can be added.</translation>
    </message>
    <message>
        <source>请选择一个宏指令文件录制
</source>
        <translation>Please select a macro to record.
</translation>
    </message>
    <message>
        <source>确认删除吗？</source>
        <translation>Delete this macro?</translation>
    </message>
    <message>
        <source>请选择一个宏指令文件删除
</source>
        <translation>Please select a macro to delete.
</translation>
    </message>
    <message>
        <source>“%1”：%2</source>
        <translation>“%1”: %2</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>以下宏结束时仍有按键处于按下状态，键盘播放后这些按键会一直保持按下：
%1

是否在宏的末尾添加这些按键的释放？</source>
        <translation>These macros end with keys still pressed; after the keyboard plays them, the keys stay down:
%1

Add the releases of these keys at the end of the macros?</translation>
    </message>
    <message>
        <source>
（宏 %1 已满，无法添加释放，请先删除一些按键动作。）</source>
        <translation>
(Macro %1 is full: the releases cannot be added. Delete some key actions first.)</translation>
    </message>
    <message>
        <source>请编辑当前延时
</source>
        <translation>Please edit the current delay.
</translation>
    </message>
    <message>
        <source>在之前开始录入</source>
        <translation>Record before</translation>
    </message>
    <message>
        <source>在之后开始录入</source>
        <translation>Record after</translation>
    </message>
    <message>
        <source>插入鼠标按键</source>
        <translation>Insert mouse button</translation>
    </message>
    <message>
        <source>左键</source>
        <translation>Left button</translation>
    </message>
    <message>
        <source>右键</source>
        <translation>Right button</translation>
    </message>
    <message>
        <source>中键</source>
        <translation>Middle button</translation>
    </message>
    <message>
        <source>压下</source>
        <translation>Press</translation>
    </message>
    <message>
        <source>释放</source>
        <translation>Release</translation>
    </message>
    <message>
        <source>单击</source>
        <translation>Click</translation>
    </message>
    <message>
        <source>插入延迟</source>
        <translation>Insert delay</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>宏名称不能为空。</source>
        <translation>A macro name cannot be empty.</translation>
    </message>
    <message>
        <source>宏名称最多 254 个字符。</source>
        <translation>A macro name has at most 254 characters.</translation>
    </message>
    <message>
        <source>插入文本…</source>
        <translation>Insert text…</translation>
    </message>
    <message>
        <source>请先选择一个宏。</source>
        <translation>Please select a macro first.</translation>
    </message>
</context>
<context>
    <name>vandrel::CRulesDlg</name>
    <message>
        <source>自动切换规则</source>
        <translation>Switching rules</translation>
    </message>
    <message>
        <source>按前台窗口切换配置</source>
        <translation>Switch profiles with the focused window</translation>
    </message>
    <message>
        <source>切换时显示桌面通知</source>
        <translation>Show a desktop notification on each switch</translation>
    </message>
    <message>
        <source>窗口类</source>
        <translation>Window class</translation>
    </message>
    <message>
        <source>标题（正则表达式）</source>
        <translation>Title (regular expression)</translation>
    </message>
    <message>
        <source>程序</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>例如 steam_app_730（xprop WM_CLASS）</source>
        <translation>e.g. steam_app_730 (xprop WM_CLASS)</translation>
    </message>
    <message>
        <source>可选</source>
        <translation>optional</translation>
    </message>
    <message>
        <source>可选：完整路径或文件名</source>
        <translation>optional: full path or file name</translation>
    </message>
    <message>
        <source>添加规则</source>
        <translation>Add rule</translation>
    </message>
    <message>
        <source>标题</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>无（恢复切换前的配置）</source>
        <translation>None (back to the configuration before)</translation>
    </message>
    <message>
        <source>其他窗口</source>
        <translation>Other windows</translation>
    </message>
    <message>
        <source>无法写入设置文件 %1，规则未保存。</source>
        <translation>The settings file %1 could not be written; the rules were not saved.</translation>
    </message>
    <message>
        <source>此规则已在别处删除。</source>
        <translation>This rule was already removed elsewhere.</translation>
    </message>
    <message>
        <source>规则已在别处更改，列表已更新，请重新选择。</source>
        <translation>The rules were changed elsewhere; the list has been updated. Please select again.</translation>
    </message>
    <message>
        <source>⚠ %1（不存在）</source>
        <translation>⚠ %1 (missing)</translation>
    </message>
    <message>
        <source>规则列表</source>
        <translation>Rules</translation>
    </message>
</context>
<context>
    <name>vandrel::CTarvinApp</name>
    <message>
        <source>配置历史(&amp;H)…</source>
        <translation>Configuration &amp;history…</translation>
    </message>
    <message>
        <source>保存后校验(&amp;V)</source>
        <translation>&amp;Verify after saving</translation>
    </message>
    <message>
        <source>Vandrel 无法启动：没有只属于当前用户的文件夹来存放它的锁和套接字，无法保证只有一个程序在写键盘和设置文件。
请设置 XDG_RUNTIME_DIR，或让主文件夹可写。

%1</source>
        <translation>Vandrel cannot start: there is no folder of this user&apos;s own for its lock and socket, so nothing can make sure that only one program writes to the keyboard and the settings files.
Set XDG_RUNTIME_DIR, or make the home folder writable.

%1</translation>
    </message>
    <message>
        <source>模拟键盘保存的设置已损坏，现以出厂设置启动。损坏的文件无法移走，下次保存时将被覆盖。</source>
        <translation>The simulated keyboard&apos;s saved settings were damaged; it starts with its factory settings. The damaged file could not be moved aside and will be overwritten at the next save.</translation>
    </message>
    <message>
        <source>模拟键盘保存的设置已损坏，现以出厂设置启动。损坏的文件已保留为 %1。</source>
        <translation>The simulated keyboard&apos;s saved settings were damaged; it starts with its factory settings. The damaged file was kept as %1.</translation>
    </message>
    <message>
        <source>按键盘布局标注按键(&amp;L)</source>
        <translation>Key &amp;labels in keyboard layout</translation>
    </message>
    <message>
        <source>自动切换规则(&amp;R)…</source>
        <translation>Switching &amp;rules…</translation>
    </message>
</context>
<context>
    <name>vandrel::CTarvinDlg</name>
    <message>
        <source>按键设置</source>
        <translation>Key Assignment</translation>
    </message>
    <message>
        <source>配置历史</source>
        <translation>Configuration history</translation>
    </message>
    <message>
        <source>无法读取这份配置，它可能已被删除。</source>
        <translation>This configuration cannot be read; it may have been deleted.</translation>
    </message>
    <message>
        <source>撤销(&amp;U)	Ctrl+Z</source>
        <translation>&amp;Undo	Ctrl+Z</translation>
    </message>
    <message>
        <source>重做(&amp;R)	Ctrl+Shift+Z</source>
        <translation>&amp;Redo	Ctrl+Shift+Z</translation>
    </message>
    <message>
        <source>配置历史(&amp;H)…</source>
        <translation>Configuration &amp;history…</translation>
    </message>
    <message>
        <source>保存后校验(&amp;V)</source>
        <translation>&amp;Verify after saving</translation>
    </message>
    <message>
        <source>键盘上 %1 的设置与这台电脑记录的不同。窗口现在显示键盘上的设置。</source>
        <translation>What the keyboard does on %1 differs from what this computer had recorded. The window now shows what the keyboard does.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>按键盘布局标注按键(&amp;L)</source>
        <translation>Key &amp;labels in keyboard layout</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>灯光随会话调暗或关闭，会话回来时恢复</source>
        <translation>The lights are down while the session is away; they come back with it</translation>
    </message>
    <message>
        <source>键盘写入次数已达上限：会话离开时灯光保持不变</source>
        <translation>The keyboard&apos;s write limit is spent: the lights stay as they are while the session is away</translation>
    </message>
    <message>
        <source>导入图片</source>
        <translation>Import picture</translation>
    </message>
    <message>
        <source>导出图片</source>
        <translation>Export picture</translation>
    </message>
</context>
<context>
    <name>vandrel::ConfigHistory</name>
    <message>
        <source>按键记录或宏名称</source>
        <translation>key records or macro names</translation>
    </message>
    <message>
        <source>与当前设置相同</source>
        <translation>same as the current settings</translation>
    </message>
    <message>
        <source>已损坏（%1），不能恢复</source>
        <translation>damaged (%1), cannot be restored</translation>
    </message>
    <message>
        <source>无法读取，不能恢复</source>
        <translation>unreadable, cannot be restored</translation>
    </message>
</context>
<context>
    <name>vandrel::ConfigurationService</name>
    <message>
        <source>键盘没有响应，</source>
        <translation>The keyboard did not answer: </translation>
    </message>
    <message>
        <source>键盘已断开连接，</source>
        <translation>The keyboard was disconnected: </translation>
    </message>
    <message>
        <source>系统没有检测到游戏键盘，</source>
        <translation>No gaming keyboard was detected: </translation>
    </message>
    <message>
        <source>与键盘通信失败，</source>
        <translation>Talking to the keyboard failed: </translation>
    </message>
    <message>
        <source>未保存：宏</source>
        <translation>Unsaved: macros</translation>
    </message>
    <message>
        <source>正在读取键盘设置…</source>
        <translation>Reading keyboard settings…</translation>
    </message>
    <message>
        <source>正在保存设置…</source>
        <translation>Saving settings…</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>设置未保存！</source>
        <translation>the settings were not saved.</translation>
    </message>
    <message>
        <source>正在恢复出厂设置…</source>
        <translation>Restoring factory settings…</translation>
    </message>
    <message>
        <source>出厂设置</source>
        <translation>Factory Settings</translation>
    </message>
    <message>
        <source>未能恢复出厂设置！</source>
        <translation>the factory settings were not restored.</translation>
    </message>
    <message>
        <source>读取文件</source>
        <translation>Reading a file</translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Saving a file</translation>
    </message>
    <message>
        <source>按键设置</source>
        <translation>Key Assignment</translation>
    </message>
    <message>
        <source>路径太长，按键未改变。</source>
        <translation>The path is too long; the key was not changed.</translation>
    </message>
</context>
<context>
    <name>vandrel::DiyPaintModel</name>
    <message>
        <source>填充</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>填充区域</source>
        <translation>Fill zone</translation>
    </message>
    <message>
        <source>横向渐变</source>
        <translation>Gradient →</translation>
    </message>
    <message>
        <source>纵向渐变</source>
        <translation>Gradient ↓</translation>
    </message>
    <message>
        <source>导入图片…</source>
        <translation>Import picture…</translation>
    </message>
    <message>
        <source>导出图片…</source>
        <translation>Export picture…</translation>
    </message>
    <message>
        <source>复制到…</source>
        <translation>Copy to…</translation>
    </message>
    <message>
        <source>交换…</source>
        <translation>Swap with…</translation>
    </message>
    <message>
        <source>清空灯效</source>
        <translation>Clear map</translation>
    </message>
    <message>
        <source>字母</source>
        <translation>letters</translation>
    </message>
    <message>
        <source>数字</source>
        <translation>digits</translation>
    </message>
    <message>
        <source>功能键</source>
        <translation>F-row</translation>
    </message>
    <message>
        <source>方向键</source>
        <translation>arrows</translation>
    </message>
    <message>
        <source>编辑键</source>
        <translation>navigation</translation>
    </message>
    <message>
        <source>小键盘</source>
        <translation>keypad</translation>
    </message>
    <message>
        <source>修饰键</source>
        <translation>modifiers</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>all</translation>
    </message>
    <message>
        <source>画笔，%1</source>
        <translation>Brush, %1</translation>
    </message>
    <message>
        <source>选择画笔颜色</source>
        <translation>Chooses the brush colour</translation>
    </message>
    <message>
        <source>调色板 %1，%2</source>
        <translation>Palette %1, %2</translation>
    </message>
    <message>
        <source>用作画笔颜色</source>
        <translation>Takes this colour as the brush</translation>
    </message>
    <message>
        <source>最近使用 %1，%2</source>
        <translation>Recent %1, %2</translation>
    </message>
    <message>
        <source>用画笔颜色填充所选按键，未选择时填充全部按键</source>
        <translation>Fills the selected keys with the brush colour, or every key when none is selected</translation>
    </message>
    <message>
        <source>区域：%1</source>
        <translation>Zone: %1</translation>
    </message>
    <message>
        <source>按下选择下一个区域</source>
        <translation>Press to choose the next zone</translation>
    </message>
    <message>
        <source>用画笔颜色填充所选区域</source>
        <translation>Fills the zone with the brush colour</translation>
    </message>
    <message>
        <source>从画笔颜色到第二颜色，用于所选按键或全部按键</source>
        <translation>From the brush colour to the second colour, across the selected keys or every key</translation>
    </message>
    <message>
        <source>第二颜色，%1</source>
        <translation>Second colour, %1</translation>
    </message>
    <message>
        <source>然后选择另一个灯效</source>
        <translation>Then choose the other map</translation>
    </message>
    <message>
        <source>DIY 灯效 %1</source>
        <translation>DIY map %1</translation>
    </message>
    <message>
        <source>复制到这个灯效</source>
        <translation>Copy onto this map</translation>
    </message>
    <message>
        <source>与这个灯效交换</source>
        <translation>Swap with this map</translation>
    </message>
</context>
<context>
    <name>vandrel::HistoryDialogElements</name>
    <message>
        <source>%1，%2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>vandrel::HistoryDialogRenderer</name>
    <message>
        <source>配置历史</source>
        <translation>Configuration History</translation>
    </message>
    <message>
        <source>还没有保存过：第一次保存后，这里会列出保存前的设置。</source>
        <translation>Nothing saved yet: after the first save, the settings before it are listed here.</translation>
    </message>
    <message>
        <source>恢复后单击“保存”写入键盘；Ctrl+Z 可撤销。</source>
        <translation>After restoring, click “Save” to write to the keyboard; Ctrl+Z undoes.</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>保存、恢复出厂设置或载入配置前的设置都保留在这里（最近 20 份）。</source>
        <translation>The settings before each save, reset or profile load (the last 20).</translation>
    </message>
</context>
<context>
    <name>vandrel::KeyDescription</name>
    <message>
        <source>小键盘 %1</source>
        <translation>Keypad %1</translation>
    </message>
    <message>
        <source>已禁用</source>
        <translation>disabled</translation>
    </message>
    <message>
        <source>发送 %1</source>
        <translation>sends %1</translation>
    </message>
    <message>
        <source>宏 %1</source>
        <translation>macro %1</translation>
    </message>
    <message>
        <source>播放 %1</source>
        <translation>plays %1</translation>
    </message>
    <message>
        <source>启动 %1</source>
        <translation>starts %1</translation>
    </message>
    <message>
        <source>打开 %1</source>
        <translation>opens %1</translation>
    </message>
    <message>
        <source>打开文件夹 %1</source>
        <translation>opens folder %1</translation>
    </message>
    <message>
        <source>已更改</source>
        <translation>changed</translation>
    </message>
    <message>
        <source>黑色</source>
        <translation>black</translation>
    </message>
    <message>
        <source>白色</source>
        <translation>white</translation>
    </message>
    <message>
        <source>灰色</source>
        <translation>grey</translation>
    </message>
    <message>
        <source>红色</source>
        <translation>red</translation>
    </message>
    <message>
        <source>橙色</source>
        <translation>orange</translation>
    </message>
    <message>
        <source>黄色</source>
        <translation>yellow</translation>
    </message>
    <message>
        <source>绿色</source>
        <translation>green</translation>
    </message>
    <message>
        <source>青色</source>
        <translation>cyan</translation>
    </message>
    <message>
        <source>蓝色</source>
        <translation>blue</translation>
    </message>
    <message>
        <source>紫色</source>
        <translation>purple</translation>
    </message>
    <message>
        <source>粉色</source>
        <translation>pink</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>无颜色</source>
        <translation>no colour</translation>
    </message>
    <message>
        <source>%1，%2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>vandrel::KeyMapDialogModel</name>
    <message>
        <source>单键/组合键</source>
        <translation>Key/Combo</translation>
    </message>
    <message>
        <source>宏</source>
        <translation>Macro</translation>
    </message>
    <message>
        <source>基本功能</source>
        <translation>Basic</translation>
    </message>
    <message>
        <source>高级功能</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>禁用按键</source>
        <translation>Disable key</translation>
    </message>
    <message>
        <source>初始值</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>播放声音</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>启动程序</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>打开目录</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>多媒体</source>
        <translation>Multimedia</translation>
    </message>
    <message>
        <source>多媒体播放器</source>
        <translation>Media Player</translation>
    </message>
    <message>
        <source>上一曲</source>
        <translation>Previous Track</translation>
    </message>
    <message>
        <source>下一曲</source>
        <translation>Next Track</translation>
    </message>
    <message>
        <source>停止-播放</source>
        <translation>Stop/Play</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>音量+</source>
        <translation>Volume +</translation>
    </message>
    <message>
        <source>音量-</source>
        <translation>Volume -</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>快捷键</source>
        <translation>Shortcuts</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>剪切</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>粘贴</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>最大化</source>
        <translation>Maximise</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>我的电脑</source>
        <translation>My Computer</translation>
    </message>
    <message>
        <source>任务管理器</source>
        <translation>Task Manager</translation>
    </message>
    <message>
        <source>浏览器-主页</source>
        <translation>Browser Home</translation>
    </message>
    <message>
        <source>关闭窗口</source>
        <translation>Close Window</translation>
    </message>
</context>
<context>
    <name>vandrel::KeyMapElements</name>
    <message>
        <source>请按下按键，松开后完成</source>
        <translation>Press the keys; releasing them finishes</translation>
    </message>
    <message>
        <source>按下按键即可录入；按空格键后可录入 Tab、Enter、Esc 和空格</source>
        <translation>Press a key to set it; press Space first to set Tab, Enter, Esc or Space</translation>
    </message>
    <message>
        <source>%1：浏览…</source>
        <translation>%1: Browse…</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>vandrel::KeyMapRenderer</name>
    <message>
        <source>当前按键：</source>
        <translation>Key: </translation>
    </message>
    <message>
        <source>单键</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>组合键</source>
        <translation>Combo</translation>
    </message>
</context>
<context>
    <name>vandrel::LaunchChoosers</name>
    <message>
        <source>请选择文件夹
</source>
        <translation>Please choose a folder.
</translation>
    </message>
    <message>
        <source>请选择可执行程序
</source>
        <translation>Please select a program.
</translation>
    </message>
</context>
<context>
    <name>vandrel::ListRowAccessible</name>
    <message>
        <source>%1 按下</source>
        <translation>%1 down</translation>
    </message>
    <message>
        <source>%1 松开</source>
        <translation>%1 up</translation>
    </message>
</context>
<context>
    <name>vandrel::MacroRecordDlgElements</name>
    <message>
        <source>菜单键打开插入和删除命令，F2 编辑延时</source>
        <translation>The menu key opens the insert and delete commands; F2 edits a delay</translation>
    </message>
    <message>
        <source>按 Esc 停止录制</source>
        <translation>Press Esc to stop recording</translation>
    </message>
</context>
<context>
    <name>vandrel::MacroRecordDlgRenderer</name>
    <message>
        <source>宏管理器</source>
        <translation>Macro Manager</translation>
    </message>
    <message>
        <source>选择宏</source>
        <translation>Macros</translation>
    </message>
    <message>
        <source>按键系列</source>
        <translation>Key events</translation>
    </message>
    <message>
        <source>录制选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>记录按键动作</source>
        <translation>Delays</translation>
    </message>
    <message>
        <source>间的延迟</source>
        <translation>between keys</translation>
    </message>
    <message>
        <source>循环次数</source>
        <translation>Loop count</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
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
        <source>停止录制</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>开始录制</source>
        <translation>Record</translation>
    </message>
</context>
<context>
    <name>vandrel::MainWindowElements</name>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>上</source>
        <translation>up</translation>
    </message>
    <message>
        <source>下</source>
        <translation>down</translation>
    </message>
    <message>
        <source>右</source>
        <translation>right</translation>
    </message>
    <message>
        <source>左</source>
        <translation>left</translation>
    </message>
    <message>
        <source>按键用于设置按键功能</source>
        <translation>Keys open their settings</translation>
    </message>
    <message>
        <source>按键用于设置按键颜色</source>
        <translation>Keys are painted with colours</translation>
    </message>
    <message>
        <source>多彩</source>
        <translation>Multicolour</translation>
    </message>
    <message>
        <source>颜色 %1，%2</source>
        <translation>Colour %1, %2</translation>
    </message>
    <message>
        <source>再按一次可更改颜色</source>
        <translation>Press again to change the colour</translation>
    </message>
    <message>
        <source>方向键选择按键，Enter 设置按键功能</source>
        <translation>Arrow keys choose a key; Enter sets what it does</translation>
    </message>
    <message>
        <source>保存和加载配置文件</source>
        <translation>Save and load profiles</translation>
    </message>
    <message>
        <source>没有未保存的更改</source>
        <translation>No unsaved changes</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Restore the factory settings</translation>
    </message>
    <message>
        <source>放弃未保存的更改</source>
        <translation>Discard the unsaved changes</translation>
    </message>
    <message>
        <source>将更改写入键盘</source>
        <translation>Write the changes to the keyboard</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>方向键选择按键；此键不能设置</source>
        <translation>Arrow keys choose a key; this key cannot be set</translation>
    </message>
    <message>
        <source>方向键选择按键，空格用画笔上色，Enter 选择颜色，Delete 清除，Shift+方向键选择多个按键</source>
        <translation>Arrow keys choose a key; Space paints it with the brush, Enter chooses its colour, Delete clears it, Shift+arrows select several keys</translation>
    </message>
</context>
<context>
    <name>vandrel::MainWindowRenderer</name>
    <message>
        <source>配置</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>效果</source>
        <translation>Effect</translation>
    </message>
    <message>
        <source>频率</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>慢</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>快</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>亮度</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>暗</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>亮</source>
        <translation>High</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>灯光</source>
        <translation>Lighting</translation>
    </message>
    <message>
        <source>宏管理器</source>
        <translation>Macro Manager</translation>
    </message>
    <message>
        <source>游戏模式</source>
        <translation>Game Mode</translation>
    </message>
    <message>
        <source>Win Lock模式</source>
        <translation>Win Lock</translation>
    </message>
    <message>
        <source>开启</source>
        <translation>On</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>按键响应时间</source>
        <translation>Key Response Time</translation>
    </message>
    <message>
        <source>USB报告率</source>
        <translation>USB Report Rate</translation>
    </message>
    <message>
        <source>驱动更新</source>
        <translation>Firmware Update</translation>
    </message>
    <message>
        <source>系统没有检测到游戏键盘！请连接键盘。</source>
        <translation>No gaming keyboard detected. Please connect the keyboard.</translation>
    </message>
    <message>
        <source>运行 vandrelctl doctor 查看原因。</source>
        <translation>Run vandrelctl doctor to see why.</translation>
    </message>
</context>
<context>
    <name>vandrel::PendingChanges</name>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>灯光</source>
        <translation>lighting</translation>
    </message>
    <message>
        <source>调色板</source>
        <translation>palette</translation>
    </message>
    <message>
        <source>游戏模式</source>
        <translation>game mode</translation>
    </message>
    <message>
        <source>Win 锁定</source>
        <translation>Win lock</translation>
    </message>
    <message>
        <source>按键响应时间</source>
        <translation>key response time</translation>
    </message>
    <message>
        <source>USB报告率</source>
        <translation>USB report rate</translation>
    </message>
    <message>
        <source>按键</source>
        <translation>keys</translation>
    </message>
    <message numerus="yes">
        <source>按键 %n 个</source>
        <translation>
            <numerusform>%n key</numerusform>
            <numerusform>%n keys</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>宏 %n 个</source>
        <translation>
            <numerusform>%n macro</numerusform>
            <numerusform>%n macros</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>自定义灯光 %n 个</source>
        <translation>
            <numerusform>%n custom map</numerusform>
            <numerusform>%n custom maps</numerusform>
        </translation>
    </message>
    <message>
        <source>未保存：%1</source>
        <translation>Unsaved: %1</translation>
    </message>
    <message>
        <source>键盘中的设置与写入的不一致：%1。设置未保存，请再次单击“保存”。</source>
        <translation>The keyboard holds other settings than were written: %1. The settings are not saved; click “Save” again.</translation>
    </message>
    <message>
        <source>校验写入的设置时键盘已断开连接，设置未保存！</source>
        <translation>The keyboard was disconnected while the written settings were checked. The settings are not saved!</translation>
    </message>
    <message>
        <source>校验写入的设置时键盘没有响应，设置未保存！</source>
        <translation>The keyboard did not answer while the written settings were checked. The settings are not saved!</translation>
    </message>
</context>
<context>
    <name>vandrel::ProfileDialogElements</name>
    <message>
        <source>菜单键打开保存、加载和复制命令，F2 重命名</source>
        <translation>The menu key opens Save, Load and Copy; F2 renames</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>vandrel::ProfileDialogModel</name>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>加载</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>最多可以存储6个配置
</source>
        <translation>At most 6 profiles can be stored.
</translation>
    </message>
    <message>
        <source>无法创建配置文件！</source>
        <translation>The profile file could not be created!</translation>
    </message>
    <message>
        <source>请选择一个配置文件拷贝</source>
        <translation>Please choose a profile to copy.</translation>
    </message>
    <message>
        <source>无法读取所选配置文件，未复制。</source>
        <translation>The chosen profile could not be read; nothing was copied.</translation>
    </message>
    <message>
        <source>请选择一个配置文件保存</source>
        <translation>Please choose a profile to save to.</translation>
    </message>
    <message>
        <source>请选择一个配置文件打开</source>
        <translation>Please choose a profile to load.</translation>
    </message>
    <message>
        <source>所选文件不是配置文件，未加载。</source>
        <translation>The chosen file is not a profile; nothing was loaded.</translation>
    </message>
    <message>
        <source>无法读取所选文件，未加载。</source>
        <translation>The chosen file could not be read; nothing was loaded.</translation>
    </message>
    <message>
        <source>配置已加载，但无法写入所选配置文件！</source>
        <translation>The profile was loaded, but the chosen profile file could not be written!</translation>
    </message>
    <message>
        <source>请至少保留一个配置文件</source>
        <translation>Please keep at least one profile.</translation>
    </message>
    <message>
        <source>请选择一个配置文件删除</source>
        <translation>Please choose a profile to delete.</translation>
    </message>
    <message>
        <source>删除当前配置文件吗</source>
        <translation>Delete the chosen profile?</translation>
    </message>
    <message>
        <source>无法删除配置文件！</source>
        <translation>The profile could not be deleted!</translation>
    </message>
    <message>
        <source>配置名称不能作为文件名，未重命名。</source>
        <translation>That name cannot be a file name; the profile was not renamed.</translation>
    </message>
    <message>
        <source>配置管理</source>
        <translation>Profiles</translation>
    </message>
    <message>
        <source>效果</source>
        <translation>Effect</translation>
    </message>
    <message>
        <source>频率</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>亮度</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>游戏模式</source>
        <translation>Game Mode</translation>
    </message>
    <message>
        <source>Win Lock模式</source>
        <translation>Win Lock</translation>
    </message>
    <message>
        <source>USB报告率</source>
        <translation>USB Report Rate</translation>
    </message>
    <message>
        <source>按键响应时间</source>
        <translation>Key Response Time</translation>
    </message>
    <message>
        <source>所选配置会禁用所有按键，键盘将无法输入。仍要加载吗？</source>
        <translation>The chosen profile disables every key, so the keyboard would type nothing. Load it anyway?</translation>
    </message>
    <message>
        <source>所选配置是空白的（旧版本新建的配置），未加载。</source>
        <translation>The chosen profile is blank (made by New in an earlier version); nothing was loaded.</translation>
    </message>
    <message>
        <source>所选配置的“%1”值无效（%2），未加载。</source>
        <translation>The chosen profile&apos;s “%1” value is invalid (%2); nothing was loaded.</translation>
    </message>
    <message>
        <source>以下文件不是配置文件（大小不符），未列出：%1</source>
        <translation>These files are not profiles (wrong size) and are not listed:%1</translation>
    </message>
    <message>
        <source>配置“%1”链接到程序自己的数据文件，不能写入。配置未保存。</source>
        <translation>The profile “%1” is a link to one of the program&apos;s own data files and cannot be written. Nothing was saved.</translation>
    </message>
    <message>
        <source>配置文件“%1”保存失败：%2</source>
        <translation>The profile “%1” could not be saved: %2</translation>
    </message>
    <message>
        <source>配置已保存。</source>
        <translation>The profile was saved.</translation>
    </message>
    <message>
        <source>“%1”是程序自己的数据文件，不能作为导出文件，未导出。</source>
        <translation>“%1” is one of the program&apos;s own data files and cannot be an export file; nothing was exported.</translation>
    </message>
    <message>
        <source>导出到“%1”失败：%2</source>
        <translation>The export to “%1” failed: %2</translation>
    </message>
    <message>
        <source>已导出到“%1”。</source>
        <translation>The export to “%1” was written.</translation>
    </message>
    <message>
        <source>配置“%1”链接到程序自己的数据文件，不能写入。未加载。</source>
        <translation>The profile “%1” is a link to one of the program&apos;s own data files and cannot be written. Nothing was loaded.</translation>
    </message>
</context>
<context>
    <name>vandrel::ProfileDialogRenderer</name>
    <message>
        <source>配置</source>
        <translation>Profiles</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>右键单击配置</source>
        <translation>Right-click a profile</translation>
    </message>
    <message>
        <source>可复制、保存、加载</source>
        <translation>to copy, save, load</translation>
    </message>
</context>
<context>
    <name>vandrel::ProfileStore</name>
    <message>
        <source>复制 </source>
        <translation>Copy of </translation>
    </message>
</context>
<context>
    <name>vandrel::RulesDialogModel</name>
    <message>
        <source>请填写窗口类。</source>
        <translation>Enter a window class.</translation>
    </message>
    <message>
        <source>请选择一个配置。</source>
        <translation>Choose a profile.</translation>
    </message>
    <message>
        <source>标题不是有效的正则表达式。</source>
        <translation>The title is not a valid regular expression.</translation>
    </message>
    <message>
        <source>此桌面（%1）上无法按前台窗口切换配置：%2</source>
        <translation>Profiles cannot follow the focused window on this desktop (%1): %2</translation>
    </message>
    <message>
        <source>无显示</source>
        <translation>no display</translation>
    </message>
    <message>
        <source>桌面：%1，按前台窗口切换配置。</source>
        <translation>Desktop: %1; profiles follow the focused window.</translation>
    </message>
    <message>
        <source>自动切换已关闭。</source>
        <translation>Switching is turned off.</translation>
    </message>
    <message>
        <source>键盘当前使用配置“%1”。</source>
        <translation>The keyboard has the profile “%1”.</translation>
    </message>
    <message>
        <source>键盘当前使用切换前的配置。</source>
        <translation>The keyboard has the configuration from before any switch.</translation>
    </message>
    <message>
        <source>暂不切换：主窗口中有未保存的更改，请先保存或取消。</source>
        <translation>Not switching: the main window has unsaved changes; save or cancel them first.</translation>
    </message>
    <message>
        <source>等待松开所有按键后切换。</source>
        <translation>Waiting for all keys to be released before switching.</translation>
    </message>
    <message>
        <source>切换过于频繁：为保护键盘存储，稍后再切换。</source>
        <translation>Switching too often: to spare the keyboard&apos;s memory, the switch comes later.</translation>
    </message>
    <message>
        <source>暂不切换：键盘未连接或尚未读取。</source>
        <translation>Not switching: the keyboard is not connected or not read yet.</translation>
    </message>
    <message>
        <source>暂不切换：程序正忙或有对话框打开。</source>
        <translation>Not switching: the program is busy or a dialog is open.</translation>
    </message>
    <message>
        <source>切换失败：%1</source>
        <translation>Switch failed: %1</translation>
    </message>
    <message numerus="yes">
        <source>自动切换共写入键盘 %n 次。</source>
        <translation>
            <numerusform>Switching has written to the keyboard %n time.</numerusform>
            <numerusform>Switching has written to the keyboard %n times.</numerusform>
        </translation>
    </message>
    <message>
        <source>配置：%1</source>
        <translation>Profile: %1</translation>
    </message>
    <message>
        <source>未自动切换：有未保存的更改</source>
        <translation>Not switching: unsaved changes</translation>
    </message>
    <message>
        <source>键盘已恢复切换前的配置</source>
        <translation>The keyboard is back to the configuration from before the switch</translation>
    </message>
    <message>
        <source>键盘已切换到配置“%1”</source>
        <translation>The keyboard switched to the profile “%1”</translation>
    </message>
    <message>
        <source>配置“%1”不存在：匹配的窗口按未匹配处理。</source>
        <translation>Profile “%1” does not exist: windows this rule matches are treated as unmatched.</translation>
    </message>
    <message>
        <source>标题不是可用的正则表达式：此规则不匹配任何窗口。</source>
        <translation>The title is not a usable regular expression: this rule matches no window.</translation>
    </message>
    <message>
        <source>删除规则 %1（%2）吗？</source>
        <translation>Remove rule %1 (%2)?</translation>
    </message>
    <message>
        <source>规则的配置“%1”不存在或无法读取，当前窗口按未匹配处理：%2</source>
        <translation>The rule&apos;s profile “%1” is missing or unreadable; the focused window is treated as unmatched: %2</translation>
    </message>
    <message>
        <source>规则的配置“%1”不存在</source>
        <translation>The rule&apos;s profile “%1” is missing</translation>
    </message>
    <message>
        <source>规则的配置“%1”不存在或无法读取：该窗口按未匹配处理</source>
        <translation>The rule&apos;s profile “%1” is missing or unreadable: the window is treated as unmatched</translation>
    </message>
    <message>
        <source>前台窗口：类“%1”，实例“%2”，标题“%3”</source>
        <translation>Focused window: class “%1”, instance “%2”, title “%3”</translation>
    </message>
</context>
<context>
    <name>vandrel::ShortcutInhibitor</name>
    <message>
        <source>此桌面上无法截获桌面快捷键（如 Super、Alt+Tab）。</source>
        <translation>Desktop shortcuts (such as Super or Alt+Tab) cannot be captured here.</translation>
    </message>
</context>
<context>
    <name>vandrel::SkinSet</name>
    <message>
        <source>录制、编辑宏并分配给按键</source>
        <translation>Record, edit and assign macros</translation>
    </message>
    <message>
        <source>数值越小，按键响应越快</source>
        <translation>Lower values respond faster</translation>
    </message>
    <message>
        <source>VANDREL  游戏键盘驱动程序</source>
        <translation>VANDREL  Keyboard Configuration</translation>
    </message>
    <message>
        <source>按键与灯光</source>
        <translation>Keys and Lighting</translation>
    </message>
    <message>
        <source>单击键盘上的按键可重新分配功能；选择 DIY 灯效并切换到 DIY 后，可为每个按键着色。</source>
        <translation>Click a key to reassign it; pick a DIY effect and switch to DIY to colour each key.</translation>
    </message>
    <message>
        <source>已重新分配功能或已禁用的按键</source>
        <translation>Reassigned or disabled keys</translation>
    </message>
    <message>
        <source>DIY 着色时鼠标所在的按键</source>
        <translation>Key under the mouse while colouring</translation>
    </message>
    <message>
        <source>媒体键（右上角四个圆键）的功能固定，不可重新分配。</source>
        <translation>The media keys (the four round keys at the top right) cannot be reassigned.</translation>
    </message>
    <message>
        <source>更改在单击“保存”后写入键盘；“取消”恢复键盘中的设置。</source>
        <translation>Changes reach the keyboard on Save; Cancel undoes them.</translation>
    </message>
    <message>
        <source>游戏键盘驱动程序</source>
        <translation>Gaming Keyboard Configuration</translation>
    </message>
    <message>
        <source>正在连接键盘…</source>
        <translation>Connecting…</translation>
    </message>
</context>
<context>
    <name>vandrel::StandardDialogs</name>
    <message>
        <source>出厂设置</source>
        <translation>Factory Settings</translation>
    </message>
    <message>
        <source>确认恢复至出厂设置吗？</source>
        <translation>Restore the factory settings?</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>有更改还没有保存到键盘。退出前要保存吗？</source>
        <translation>Some changes have not been saved to the keyboard. Save them before exiting?</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>放弃更改</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>导入图片</source>
        <translation>Import picture</translation>
    </message>
    <message>
        <source>图片 (*.png *.jpg *.jpeg)</source>
        <translation>Pictures (*.png *.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>导出图片</source>
        <translation>Export picture</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
</context>
<context>
    <name>vandrel::TrayController</name>
    <message>
        <source>随系统启动</source>
        <translation>Start with the desktop</translation>
    </message>
    <message>
        <source>关于 Vandrel(&amp;A)...</source>
        <translation>&amp;About Vandrel…</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>系统没有检测到游戏键盘！</source>
        <translation>No gaming keyboard was detected!</translation>
    </message>
</context>
<context>
    <name>vandrel::UpdateOffer</name>
    <message>
        <source>固件更新</source>
        <translation>Firmware Update</translation>
    </message>
    <message>
        <source>检测到键盘版本与Driver的版本不匹配，是否进行更新？</source>
        <translation>The keyboard&apos;s firmware does not match this driver. Update it now?</translation>
    </message>
</context>
</TS>

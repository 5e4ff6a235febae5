<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>q7::Text</name>
    <message>
        <source>the broker is written mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not %1</source>
        <translation>ブローカーは mqtt://HOST[:PORT] または mqtts://HOST[:PORT] の形式で指定してください (%1 は不可)</translation>
    </message>
    <message>
        <source>no line to serve: give at least one</source>
        <translation>扱う回線がありません。少なくとも 1 つ指定してください</translation>
    </message>
    <message>
        <source>the line name %1 may hold only lower-case letters, digits, - and _</source>
        <translation>回線名 %1 に使用できるのは英小文字、数字、-、_ だけです</translation>
    </message>
    <message>
        <source>the line name %1 is given twice</source>
        <translation>回線名 %1 が重複しています</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>回線 %1: %2</translation>
    </message>
    <message>
        <source>no port given</source>
        <translation>ポートが指定されていません</translation>
    </message>
    <message>
        <source>the bridge&apos;s id %1 may hold only lower-case letters, digits, - and _</source>
        <translation>ブリッジの ID %1 に使用できるのは英小文字、数字、-、_ だけです</translation>
    </message>
    <message>
        <source>--line is written NAME=PORT[,speed=9600][,projectors=001+002], not %1</source>
        <translation>--line は NAME=PORT[,speed=9600][,projectors=001+002] の形式で指定してください (%1 は不可)</translation>
    </message>
    <message>
        <source>line %1: unknown setting %2; there are %3</source>
        <translation>回線 %1: 不明な設定 %2 です。使用できる設定は %3 です</translation>
    </message>
    <message>
        <source>%1 needs a value (q7-bridge --help)</source>
        <translation>%1 には値が必要です (q7-bridge --help を参照)</translation>
    </message>
    <message>
        <source>unknown option %1 (--config FILE alone, or %2)</source>
        <translation>不明なオプション %1 です (--config FILE 単独、または %2)</translation>
    </message>
    <message>
        <source>%1:%2: %3</source>
        <translation>%1:%2: %3</translation>
    </message>
    <message>
        <source>%1 must be a text in quotes</source>
        <translation>%1 は引用符で囲んだ文字列で指定してください</translation>
    </message>
    <message>
        <source>poll must be a number of seconds from 1 to 86400</source>
        <translation>poll は 1～86400 の秒数で指定してください</translation>
    </message>
    <message>
        <source>unknown key %1 in a line; there are %2</source>
        <translation>回線の設定に不明なキー %1 があります。使用できるキーは %2 です</translation>
    </message>
    <message>
        <source>unknown key %1; there are %2 and [[line]] tables</source>
        <translation>不明なキー %1 です。使用できるキーは %2、[[line]] テーブルです</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>The serial device %1 went away: %2.</source>
        <translation>シリアルデバイス %1 が切断されました: %2。</translation>
    </message>
    <message>
        <source>The line %1 is away; the bridge opens it again by itself.</source>
        <translation>回線 %1 は切断中です。ブリッジが自動的に再接続します。</translation>
    </message>
    <message>
        <source>%1 commands wait already on the line %2; this one is refused.</source>
        <translation>回線 %2 ではすでに %1 件のコマンドが待機中のため、このコマンドは受け付けられません。</translation>
    </message>
    <message>
        <source>no button is named %1; the nearest names are %2 (q7ctl list shows them all)</source>
        <translation>%1 という名前のボタンはありません。近い名前: %2 (q7ctl list ですべて表示できます)</translation>
    </message>
    <message>
        <source>the seconds of a hold must be a number above 0 and at most %1, not %2</source>
        <translation>長押しの秒数は 0 より大きく %1 以下の数値で指定してください (%2 は不可)</translation>
    </message>
    <message>
        <source>no command given (q7ctl --help lists them)</source>
        <translation>コマンドが指定されていません (q7ctl --help で一覧を表示できます)</translation>
    </message>
    <message>
        <source>send takes one text, in quotes where it has blanks</source>
        <translation>send にはテキストを 1 つ指定してください。空白を含む場合は引用符で囲んでください</translation>
    </message>
    <message>
        <source>hold takes a held button&apos;s name and the seconds</source>
        <translation>hold には長押しボタンの名前と秒数を指定してください</translation>
    </message>
    <message>
        <source>%1 is not a held button; only these are: vol, zoom, focus, d.zoom, keystone + and -, lens shift up and down, cursor up, down, left and right, select</source>
        <translation>%1 は長押しボタンではありません。長押しボタンは vol、zoom、focus、d.zoom、keystone の + と -、lens shift up と down、cursor up、down、left、right、select だけです</translation>
    </message>
    <message>
        <source>Cannot write to %1.</source>
        <translation>%1 に書き込めません。</translation>
    </message>
    <message>
        <source>option %1 needs a device name</source>
        <translation>オプション %1 にはデバイス名が必要です</translation>
    </message>
    <message>
        <source>unknown option: %1</source>
        <translation>不明なオプションです: %1</translation>
    </message>
    <message>
        <source>option %1 needs a value</source>
        <translation>オプション %1 には値が必要です</translation>
    </message>
    <message>
        <source>option %1: %2</source>
        <translation>オプション %1: %2</translation>
    </message>
    <message>
        <source>Usage: %1 [--com1 DEVICE] [--com2 DEVICE] [--log FILE [--log-size BYTES]] [--list-ports]
Control panel for Q7 and Q7L projectors on an RS-232C line.

Options:
  --com1 DEVICE  the device behind port 1
  --com2 DEVICE  the device behind port 2
  --log FILE     append every frame, every reply and what becomes of the port to FILE
  --log-size BYTES  keep FILE below BYTES (K and M for 1024 and 1048576; default 10M), the
                 older lines in FILE.1
  --list-ports   list the serial ports present and the devices behind port 1 and 2, and exit
  --help         print this text and exit
  --version      print the version and exit

DEVICE may be a USB adapter such as /dev/ttyUSB0 or a pseudo-terminal, or a serial device server
on the network: rfc2217://HOST:PORT (Telnet, the line set by the panel) or socket://HOST:PORT
(raw TCP, the line set on the server).
Without --com1 and --com2, port 1 and port 2 are the first two serial ports present: built-in
ports (/dev/ttyS*) first, then USB adapters (/dev/ttyUSB*, /dev/ttyACM*) in the order of their
/dev/serial/by-id names. Where fewer are present, /dev/ttyS0 and /dev/ttyS1.
</source>
        <translation>使い方: %1 [--com1 DEVICE] [--com2 DEVICE] [--log FILE [--log-size BYTES]] [--list-ports]
RS-232C 回線上の Q7 / Q7L プロジェクター用コントロールパネル。

オプション:
  --com1 DEVICE  ポート 1 に割り当てるデバイス
  --com2 DEVICE  ポート 2 に割り当てるデバイス
  --log FILE     送信フレーム、応答、ポートの状態変化をすべて FILE に追記する
  --log-size BYTES  FILE を BYTES 未満に保つ (K は 1024、M は 1048576。既定 10M)。
                 古い行は FILE.1 に移す
  --list-ports   接続されているシリアルポートと、ポート 1・2 に割り当てるデバイスを表示して終了する
  --help         このヘルプを表示して終了する
  --version      バージョンを表示して終了する

DEVICE には /dev/ttyUSB0 のような USB アダプターや擬似端末、またはネットワーク上の
シリアルデバイスサーバーを指定できる: rfc2217://HOST:PORT (Telnet。回線設定はパネルが行う)
または socket://HOST:PORT (生の TCP。回線設定はサーバー側で行う)。
--com1、--com2 を省略すると、ポート 1 とポート 2 には接続されているシリアルポートの先頭 2 つを使う:
内蔵ポート (/dev/ttyS*) が先、次に USB アダプター (/dev/ttyUSB*、/dev/ttyACM*) を
/dev/serial/by-id の名前順に。2 つに満たない場合は /dev/ttyS0 と /dev/ttyS1。
</translation>
    </message>
    <message>
        <source>expected speed,parity,data bits,stop bits as in &quot;19200,N,8,1&quot;</source>
        <translation>通信速度,パリティ,データビット,ストップビット の順に &quot;19200,N,8,1&quot; のように指定してください</translation>
    </message>
    <message>
        <source>the speed must be a number of bits per second</source>
        <translation>通信速度は bit/s 単位の数値で指定してください</translation>
    </message>
    <message>
        <source>the parity must be one letter: N, E, O, M or S</source>
        <translation>パリティは N、E、O、M、S のいずれか 1 文字で指定してください</translation>
    </message>
    <message>
        <source>the data bits must be 5, 6, 7 or 8</source>
        <translation>データビットは 5、6、7、8 のいずれかで指定してください</translation>
    </message>
    <message>
        <source>the stop bits must be 1, 1.5 or 2</source>
        <translation>ストップビットは 1、1.5、2 のいずれかで指定してください</translation>
    </message>
    <message>
        <source>a network port is written socket://HOST:PORT or rfc2217://HOST:PORT</source>
        <translation>ネットワークポートは socket://HOST:PORT または rfc2217://HOST:PORT の形式で指定してください</translation>
    </message>
    <message>
        <source>unknown scheme %1; use socket://HOST:PORT or rfc2217://HOST:PORT</source>
        <translation>不明なスキーム %1 です。socket://HOST:PORT または rfc2217://HOST:PORT の形式で指定してください</translation>
    </message>
    <message>
        <source>the IPv6 address lacks its closing &quot;]&quot;</source>
        <translation>IPv6 アドレスの閉じ括弧 &quot;]&quot; がありません</translation>
    </message>
    <message>
        <source>no host between the brackets</source>
        <translation>括弧の中にホストがありません</translation>
    </message>
    <message>
        <source>%1 is no IPv6 address</source>
        <translation>%1 は IPv6 アドレスではありません</translation>
    </message>
    <message>
        <source>an IPv6 address is written in brackets, such as [::1]:4001</source>
        <translation>IPv6 アドレスは [::1]:4001 のように括弧で囲んで指定してください</translation>
    </message>
    <message>
        <source>no host; write socket://HOST:PORT or rfc2217://HOST:PORT</source>
        <translation>ホストがありません。socket://HOST:PORT または rfc2217://HOST:PORT の形式で指定してください</translation>
    </message>
    <message>
        <source>%1 is no host name or address</source>
        <translation>%1 はホスト名でもアドレスでもありません</translation>
    </message>
    <message>
        <source>no port; write socket://HOST:PORT or rfc2217://HOST:PORT</source>
        <translation>ポート番号がありません。socket://HOST:PORT または rfc2217://HOST:PORT の形式で指定してください</translation>
    </message>
    <message>
        <source>unexpected %1 after the host</source>
        <translation>ホストの後に余分な %1 があります</translation>
    </message>
    <message>
        <source>the port must be a decimal number, not %1</source>
        <translation>ポート番号は 10 進数で指定してください (%1 は不可)</translation>
    </message>
    <message>
        <source>unexpected %1 after the port number</source>
        <translation>ポート番号の後に余分な %1 があります</translation>
    </message>
    <message>
        <source>the port must be from 1 to 65535</source>
        <translation>ポート番号は 1～65535 で指定してください</translation>
    </message>
    <message>
        <source>manufacturer %1</source>
        <translation>製造元 %1</translation>
    </message>
    <message>
        <source>serial number %1</source>
        <translation>シリアル番号 %1</translation>
    </message>
    <message>
        <source>USB id %1:%2</source>
        <translation>USB ID %1:%2</translation>
    </message>
    <message>
        <source>USB vendor %1</source>
        <translation>USB ベンダー %1</translation>
    </message>
    <message>
        <source>USB product %1</source>
        <translation>USB 製品 %1</translation>
    </message>
    <message>
        <source>No serial port was found on this computer.</source>
        <translation>このコンピューターにはシリアルポートが見つかりません。</translation>
    </message>
    <message>
        <source>Serial ports on this computer:</source>
        <translation>このコンピューターのシリアルポート:</translation>
    </message>
    <message>
        <source>Port %1: %2 (--com%1)</source>
        <translation>ポート %1: %2 (--com%1)</translation>
    </message>
    <message>
        <source>Port %1: %2 (the default, as no other port was found)</source>
        <translation>ポート %1: %2 (他のポートが見つからないため既定値)</translation>
    </message>
    <message>
        <source>Port %1: %2</source>
        <translation>ポート %1: %2</translation>
    </message>
    <message>
        <source>No serial port was found on this computer</source>
        <translation>このコンピューターにはシリアルポートが見つかりません</translation>
    </message>
    <message>
        <source>Serial ports on this computer: %1</source>
        <translation>このコンピューターのシリアルポート: %1</translation>
    </message>
    <message>
        <source>%1 bit/s</source>
        <translation>%1 bit/s</translation>
    </message>
    <message>
        <source>the server renegotiates its options without end</source>
        <translation>サーバーが Telnet オプションの再ネゴシエーションを際限なく繰り返しています</translation>
    </message>
    <message>
        <source>the server does not offer serial port control (RFC 2217)</source>
        <translation>サーバーがシリアルポート制御 (RFC 2217) に対応していません</translation>
    </message>
    <message>
        <source>the server does not offer binary transmission (RFC 856)</source>
        <translation>サーバーがバイナリ転送 (RFC 856) に対応していません</translation>
    </message>
    <message>
        <source>the server set the speed to %1 instead of %2</source>
        <translation>サーバーが通信速度を %2 ではなく %1 に設定しました</translation>
    </message>
    <message>
        <source>the server set the data bits to %1 instead of %2</source>
        <translation>サーバーがデータビットを %2 ではなく %1 に設定しました</translation>
    </message>
    <message>
        <source>the server set the parity to %1 instead of %2</source>
        <translation>サーバーがパリティを %2 ではなく %1 に設定しました</translation>
    </message>
    <message>
        <source>the server set the stop bits to %1 instead of %2</source>
        <translation>サーバーがストップビットを %2 ではなく %1 に設定しました</translation>
    </message>
    <message>
        <source>Cannot write the log %1: %2.</source>
        <translation>ログ %1 に書き込めません: %2。</translation>
    </message>
    <message>
        <source>the size of the log must be a whole number of bytes above 0, or of kibibytes with K or mebibytes with M, not %1</source>
        <translation>ログのサイズは 0 より大きいバイト数の整数、または K (キビバイト)、M (メビバイト) 付きで指定してください (%1 は不可)</translation>
    </message>
    <message>
        <source>%1 The panel connects by itself as soon as the port is there, or choose a port under &quot;COM&quot;.</source>
        <translation>%1ポートが使用可能になり次第、パネルが自動的に接続します。または「COM」でポートを選んでください。</translation>
    </message>
    <message>
        <source>The serial device %1 went away: %2. The port is closed; the panel opens it again by itself as soon as the device is back, or choose a port under &quot;COM&quot;.</source>
        <translation>シリアルデバイス %1 が切断されました: %2。ポートを閉じました。デバイスが再び使用可能になり次第、パネルが自動的に再接続します。または「COM」でポートを選んでください。</translation>
    </message>
    <message>
        <source>there is no display to show the panel on: start it from a desktop session</source>
        <translation>パネルを表示するディスプレイがありません。デスクトップのセッションから起動してください</translation>
    </message>
    <message>
        <source>%1 is no button&apos;s name</source>
        <translation>%1 はボタンの名前ではありません</translation>
    </message>
    <message>
        <source>a command is a name, {&quot;send&quot;: TEXT} or {&quot;hold&quot;: NAME, &quot;seconds&quot;: S}</source>
        <translation>コマンドは名前、{&quot;send&quot;: TEXT}、{&quot;hold&quot;: NAME, &quot;seconds&quot;: S} のいずれかで指定してください</translation>
    </message>
    <message>
        <source>a command object has &quot;send&quot; alone, or &quot;hold&quot; with &quot;seconds&quot;; not %1</source>
        <translation>コマンドのオブジェクトには &quot;send&quot; のみ、または &quot;hold&quot; と &quot;seconds&quot; を指定してください (%1 は不可)</translation>
    </message>
    <message>
        <source>the device does not exist (is the adapter plugged in, is the name right?). %1</source>
        <translation>デバイスが存在しません (アダプターは接続されていますか。名前は正しいですか)。%1</translation>
    </message>
    <message>
        <source>the device&apos;s name is too long for its lock file; use a shorter link to the device</source>
        <translation>デバイス名が長すぎてロックファイルを作成できません。デバイスへの短いリンクを指定してください</translation>
    </message>
    <message>
        <source>The line settings %1 cannot be used: %2.</source>
        <translation>回線設定 %1 は使用できません: %2。</translation>
    </message>
    <message>
        <source>1.5 stop bits cannot be set on this system</source>
        <translation>このシステムでは 1.5 ストップビットを設定できません</translation>
    </message>
    <message>
        <source>the device does not support them</source>
        <translation>デバイスが対応していません</translation>
    </message>
    <message>
        <source>Cannot apply the line settings %1 to %2: %3.</source>
        <translation>回線設定 %1 を %2 に適用できません: %3。</translation>
    </message>
    <message>
        <source>Cannot open %1: %2.</source>
        <translation>%1 を開けません: %2。</translation>
    </message>
    <message>
        <source>it makes a new pseudo-terminal at each open; name the pseudo-terminal itself (/dev/pts/N)</source>
        <translation>開くたびに新しい擬似端末が作られます。擬似端末そのもの (/dev/pts/N) を指定してください</translation>
    </message>
    <message>
        <source>Cannot open %1: the program is ending.</source>
        <translation>%1 を開けません: プログラムを終了中です。</translation>
    </message>
    <message>
        <source>it is no serial port, or it does not take the line settings %1</source>
        <translation>シリアルポートではないか、回線設定 %1 に対応していません</translation>
    </message>
    <message>
        <source>permission denied; the user must be in the dialout group (sudo adduser $USER dialout, then log in again)</source>
        <translation>アクセスが拒否されました。ユーザーを dialout グループに追加してください (sudo adduser $USER dialout のあと再ログイン)</translation>
    </message>
    <message>
        <source>the device is in use by another program</source>
        <translation>デバイスは他のプログラムが使用中です</translation>
    </message>
    <message>
        <source>the device is in use by another program, or access is denied</source>
        <translation>デバイスは他のプログラムが使用中か、アクセスが拒否されました</translation>
    </message>
    <message>
        <source>the device is not available (was it unplugged?)</source>
        <translation>デバイスを使用できません (ケーブルやアダプターが外れていないか確認してください)</translation>
    </message>
    <message>
        <source>the port is already open</source>
        <translation>ポートはすでに開いています</translation>
    </message>
    <message>
        <source>the server did not answer within %1 seconds</source>
        <translation>サーバーが %1 秒以内に応答しませんでした</translation>
    </message>
    <message>
        <source>Cannot set the line of %1: %2.</source>
        <translation>%1 の回線を設定できません: %2。</translation>
    </message>
    <message>
        <source>the host name %1 is not known</source>
        <translation>ホスト名 %1 が見つかりません</translation>
    </message>
    <message>
        <source>the server refused the connection (is the port number right, is the server running?)</source>
        <translation>サーバーが接続を拒否しました (ポート番号は正しいですか。サーバーは起動していますか)</translation>
    </message>
    <message>
        <source>the server closed the connection</source>
        <translation>サーバーが接続を切断しました</translation>
    </message>
    <message>
        <source>the server stopped answering (the network or the server is gone)</source>
        <translation>サーバーが応答しなくなりました (ネットワークまたはサーバーが停止しています)</translation>
    </message>
    <message>
        <source>the server does not take what is sent to it</source>
        <translation>サーバーが送信データを受け付けません</translation>
    </message>
    <message>
        <source>Print one compact JSON line.</source>
        <translation>JSON を 1 行で出力する。</translation>
    </message>
    <message>
        <source>Wait this long for each reply instead of the button&apos;s window.</source>
        <translation>ボタンごとの応答待ち時間の代わりに、この時間だけ各応答を待つ。</translation>
    </message>
    <message>
        <source>Print each frame and reply with the time on standard error.</source>
        <translation>送信フレームと応答を時刻付きで標準エラー出力に表示する。</translation>
    </message>
    <message>
        <source>Append each frame, reply and outcome to FILE.</source>
        <translation>送信フレーム、応答、結果を FILE に追記する。</translation>
    </message>
    <message>
        <source>Keep the log below BYTES (K, M; default 10M), the older lines in FILE.1.</source>
        <translation>ログを BYTES 未満に保つ (K、M も可。既定 10M)。古い行は FILE.1 に移す。</translation>
    </message>
    <message>
        <source>Print this text, or a command&apos;s, and exit.</source>
        <translation>このヘルプ、またはコマンドのヘルプを表示して終了する。</translation>
    </message>
    <message>
        <source>Print the version and exit.</source>
        <translation>バージョンを表示して終了する。</translation>
    </message>
    <message>
        <source>Sends one command to Q7 and Q7L projectors on an RS-232C line and prints the answer.</source>
        <translation>RS-232C 回線上の Q7 / Q7L プロジェクターにコマンドを 1 つ送信し、応答を表示する。</translation>
    </message>
    <message>
        <source>list, NAME, send TEXT, status [KEY...] or hold NAME SECONDS.</source>
        <translation>list、NAME、send TEXT、status [KEY...]、hold NAME SECONDS のいずれか。</translation>
    </message>
    <message>
        <source>the timeout must be a number of milliseconds from 1 to 600000, not %1</source>
        <translation>タイムアウトは 1～600000 のミリ秒数で指定してください (%1 は不可)</translation>
    </message>
    <message>
        <source>the port must be a number from 1 to 65535</source>
        <translation>ポート番号は 1～65535 の数値で指定してください</translation>
    </message>
    <message>
        <source>the keep-alive must be from 5 to 65535 seconds</source>
        <translation>キープアライブは 5～65535 秒で指定してください</translation>
    </message>
    <message>
        <source>the MQTT client could not be made: %1</source>
        <translation>MQTT クライアントを作成できませんでした: %1</translation>
    </message>
    <message>
        <source>the user name is not valid UTF-8</source>
        <translation>ユーザー名が正しい UTF-8 ではありません</translation>
    </message>
    <message>
        <source>%1 is no topic to publish the will to</source>
        <translation>%1 は Last Will メッセージのトピックとして使用できません</translation>
    </message>
    <message>
        <source>the certificate authorities in %1 cannot be used: %2</source>
        <translation>%1 の認証局証明書を使用できません: %2</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>ファイルが存在しません</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>アクセスが拒否されました</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>ファイルではなくフォルダーです</translation>
    </message>
    <message>
        <source>Cannot read the configuration file %1: %2.</source>
        <translation>設定ファイル %1 を読み込めません: %2。</translation>
    </message>
    <message>
        <source>this is not valid TOML: %1</source>
        <translation>TOML の書式に誤りがあります: %1</translation>
    </message>
    <message>
        <source>no reply to %1 within %2 ms</source>
        <translation>%1 への応答が %2 ms 以内にありませんでした</translation>
    </message>
    <message>
        <source>the reply to %1 did not end within %2 ms</source>
        <translation>%1 への応答が %2 ms 以内に完了しませんでした</translation>
    </message>
    <message>
        <source>hold takes the seconds after the name: q7ctl hold %1 SECONDS</source>
        <translation>hold では名前の後に秒数を指定してください: q7ctl hold %1 SECONDS</translation>
    </message>
    <message>
        <source>no port named; using %1, the panel&apos;s port 1</source>
        <translation>ポートが指定されていないため、パネルのポート 1 (%1) を使用します</translation>
    </message>
    <message>
        <source>no port named and no serial port found; trying %1, the panel&apos;s port 1</source>
        <translation>ポートが指定されておらず、シリアルポートも見つからないため、パネルのポート 1 (%1) を試します</translation>
    </message>
    <message>
        <source>The program was ended before the line was open.</source>
        <translation>回線を開く前にプログラムが終了されました。</translation>
    </message>
    <message>
        <source>The device or server: /dev/ttyUSB0, socket://HOST:PORT, rfc2217://HOST:PORT (default: $Q7_PORT, else the panel&apos;s port 1, said on standard error).</source>
        <translation>デバイスまたはサーバー: /dev/ttyUSB0、socket://HOST:PORT、rfc2217://HOST:PORT (既定: $Q7_PORT、なければパネルのポート 1。使用するポートを標準エラー出力に表示する)。</translation>
    </message>
    <message>
        <source>cannot start the bridge, %1: %2</source>
        <translation>ブリッジ %1 を起動できません: %2</translation>
    </message>
    <message>
        <source>Ended by signal %1.</source>
        <translation>シグナル %1 で終了しました。</translation>
    </message>
    <message>
        <source>a payload of %1 bytes is too large; it was dropped</source>
        <translation>%1 バイトのペイロードは大きすぎるため破棄しました</translation>
    </message>
    <message>
        <source>no projector %1 is served on the line %2</source>
        <translation>回線 %2 ではプロジェクター %1 を扱っていません</translation>
    </message>
    <message>
        <source>Usage: q7ctl [OPTION]... COMMAND [ARGUMENT]...
</source>
        <translation>使い方: q7ctl [オプション]... COMMAND [ARGUMENT]...
</translation>
    </message>
    <message>
        <source>Usage: q7ctl [OPTION]... send TEXT
Sends TEXT as typed in the panel&apos;s CMD box, framed with the projector&apos;s address and a CR,
and waits 2 s for the reply.
</source>
        <translation>使い方: q7ctl [オプション]... send TEXT
TEXT をパネルの CMD 欄に入力したとおりに、プロジェクターのアドレスと CR を付けて送信し、
応答を 2 秒待つ。
</translation>
    </message>
    <message>
        <source>Usage: q7ctl [OPTION]... hold NAME SECONDS
Holds a held button for SECONDS (above 0, up to 3600): its frame is repeated at its period
while the line keeps up, then released, and the replies to its frames are awaited.
SIGINT or SIGTERM end it at once.
</source>
        <translation>使い方: q7ctl [オプション]... hold NAME SECONDS
長押しボタンを SECONDS 秒 (0 より大きく 3600 以下) 長押しする。回線の送信が間に合う範囲で
所定の周期で繰り返し送信し、指定時間が経過したらボタンを離して、送信したフレームへの応答を待つ。
SIGINT または SIGTERM で直ちに終了する。
</translation>
    </message>
    <message>
        <source>no button is named %1 (q7ctl list shows them all)</source>
        <translation>%1 という名前のボタンはありません (q7ctl list ですべて表示できます)</translation>
    </message>
    <message>
        <source>the text to send holds a control character (CR, LF, ...); one command is one frame</source>
        <translation>送信するテキストに制御文字 (CR、LF など) が含まれています。1 つのコマンドは 1 つの送信フレームとして送ってください</translation>
    </message>
    <message>
        <source>a line may not be named &quot;bridge&quot;: q7/bridge/ holds the bridges&apos; own topics</source>
        <translation>回線に &quot;bridge&quot; という名前は付けられません。q7/bridge/ はブリッジ自身のトピックに使われています</translation>
    </message>
    <message>
        <source>The bridge stopped before the command was answered.</source>
        <translation>コマンドの応答を受け取る前にブリッジが停止しました。</translation>
    </message>
    <message>
        <source>nothing to serve: give --broker URL and --line NAME=PORT, or --config FILE (q7-bridge --help)</source>
        <translation>対象がありません。--broker URL と --line NAME=PORT、または --config FILE を指定してください (q7-bridge --help)</translation>
    </message>
    <message>
        <source>--config FILE stands alone: the other settings are written in the file</source>
        <translation>--config FILE は単独で指定してください。ほかの設定は設定ファイルに書いてください</translation>
    </message>
    <message>
        <source>connected to the broker %1</source>
        <translation>ブローカー %1 に接続しました</translation>
    </message>
    <message>
        <source>the broker %1 went away; connecting again</source>
        <translation>ブローカー %1 との接続が切断されました。再接続します</translation>
    </message>
    <message>
        <source>the broker %1 cannot be reached: %2</source>
        <translation>ブローカー %1 に接続できません: %2</translation>
    </message>
    <message>
        <source>serving %1 on the broker %2 as %3</source>
        <translation>%1 をブローカー %2 に ID %3 で公開します</translation>
    </message>
    <message>
        <source>a command on %1 was not run: %2</source>
        <translation>%1 のコマンドは実行されませんでした: %2</translation>
    </message>
    <message>
        <source>the line %1 is away: %2</source>
        <translation>回線 %1 を使用できません: %2</translation>
    </message>
    <message>
        <source>the line %1 is open</source>
        <translation>回線 %1 を開きました</translation>
    </message>
    <message>
        <source>a command of %1 bytes is too long; a command has at most %2</source>
        <translation>%1 バイトのコマンドは長すぎます。コマンドは最大 %2 バイトです</translation>
    </message>
    <message>
        <source>status is asked of one projector at a time</source>
        <translation>status は一度に 1 台のプロジェクターにだけ問い合わせます</translation>
    </message>
    <message>
        <source>WARNING: the bridge %2 serves the line %1 as well; this bridge keeps it, as its id is the smaller</source>
        <translation>警告: ブリッジ %2 も回線 %1 を扱っています。このブリッジの ID のほうが小さいため、このブリッジが回線を扱います</translation>
    </message>
    <message>
        <source>WARNING: the bridge %2 serves the line %1 as well; this bridge leaves the line to it, as its id is the smaller</source>
        <translation>警告: ブリッジ %2 も回線 %1 を扱っています。そちらの ID のほうが小さいため、回線をそちらに任せます</translation>
    </message>
    <message>
        <source>the line %1 is this bridge&apos;s alone again</source>
        <translation>回線 %1 は再びこのブリッジだけが扱います</translation>
    </message>
    <message>
        <source>the system&apos;s authorities</source>
        <translation>システムの認証局</translation>
    </message>
    <message>
        <source>the authorities in %1</source>
        <translation>%1 の認証局</translation>
    </message>
    <message>
        <source>the certificate of the broker %1 is made out to another host name</source>
        <translation>ブローカー %1 の証明書は別のホスト名に対して発行されています</translation>
    </message>
    <message>
        <source>the certificate of the broker %1 cannot be verified with %2: signed by another authority, or out of date</source>
        <translation>ブローカー %1 の証明書を %2 で検証できません。別の認証局の署名か、有効期限外です</translation>
    </message>
    <message>
        <source>%1 cannot be used for the broker %2: %3</source>
        <translation>%1 はブローカー %2 に使用できません: %3</translation>
    </message>
    <message>
        <source>the TLS connection to the broker %1 failed: %2</source>
        <translation>ブローカー %1 との TLS 接続に失敗しました: %2</translation>
    </message>
    <message>
        <source>the certificate authorities file %1 cannot be read: %2</source>
        <translation>認証局ファイル %1 を読み込めません: %2</translation>
    </message>
    <message>
        <source>the device is open already in this program</source>
        <translation>デバイスはこのプログラムですでに開いています</translation>
    </message>
    <message>
        <source>the device is in use by another program (process %1)</source>
        <translation>デバイスは他のプログラム (プロセス %1) が使用中です</translation>
    </message>
    <message>
        <source>the lock file %1 blocks it, and its owner, process %2, has ended: remove the file as root (sudo rm %1), or restart the bridge (systemctl restart q7-bridge), which removes such files when it starts</source>
        <translation>ロックファイル %1 が残っていますが、それを作成したプロセス %2 はすでに終了しています。root 権限でファイルを削除するか (sudo rm %1)、ブリッジを再起動してください (systemctl restart q7-bridge)。ブリッジは起動時にこのようなファイルを削除します</translation>
    </message>
    <message>
        <source>in a text in &quot;&quot;&quot; quotes, what follows a backslash must start with an ASCII character</source>
        <translation>&quot;&quot;&quot; で囲んだテキストでは、バックスラッシュの後は ASCII 文字で始めてください</translation>
    </message>
    <message>
        <source>a character beyond ASCII outside a value in quotes or a comment</source>
        <translation>引用符で囲んだ値またはコメントの外に ASCII 以外の文字があります</translation>
    </message>
    <message>
        <source>%1 or %2</source>
        <translation>%1 または %2</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 と %2</translation>
    </message>
    <message>
        <source>the speed must be %1, not %2</source>
        <translation>通信速度は %1 で指定してください (%2 は不可)</translation>
    </message>
    <message>
        <source>the projectors are %1, or some of %2, each once</source>
        <translation>プロジェクターは %1、または %2 から重複なく指定してください</translation>
    </message>
    <message>
        <source>speed must be a number, %1, without quotes</source>
        <translation>speed は引用符なしの数値 %1 で指定してください</translation>
    </message>
    <message>
        <source>The line&apos;s speed: %1 (default %2).</source>
        <translation>回線の通信速度: %1 (既定 %2)。</translation>
    </message>
    <message>
        <source>Which projector: %1 (default %2).</source>
        <translation>対象のプロジェクター: %1 (既定 %2)。</translation>
    </message>
    <message>
        <source>the projector must be %1, not %2</source>
        <translation>プロジェクターは %1 のいずれかで指定してください (%2 は不可)</translation>
    </message>
    <message>
        <source>Usage: q7ctl list [status|projectors|speeds]
Prints every name, the text it sends, and its reply window or repeat period;
or the status keys and their queries, the projectors and their addresses, or the speeds
and their line settings.
</source>
        <translation>使い方: q7ctl list [status|projectors|speeds]
すべての名前と、送信するテキスト、応答待ち時間または繰り返し周期を表示する。
またはステータスキーとその照会コマンド、プロジェクターとそのアドレス、通信速度と
その回線設定を表示する。
</translation>
    </message>
    <message>
        <source>no status is named %1; the keys are %2</source>
        <translation>%1 という名前のステータスはありません。使用できるキーは %2 です</translation>
    </message>
    <message>
        <source>Commands:
  list [TABLE]          every name, with the text it sends and its reply window; or a table: status,
                        projectors, speeds
  NAME                  a button of the window by name: power on, freeze off, image3, input 2 s-video
  send TEXT             TEXT as typed in the panel&apos;s CMD box
  status [KEY...]       the decoded status queries: all, or those named:
%1  hold NAME SECONDS     a held button held for SECONDS (up to 3600), then released
  bridge ...            the projectors on an MQTT broker (q7ctl bridge --help)

  help [COMMAND]        this text, or a command&apos;s

Exit status: 0 answered (ACK or a reply), 4 refused (NAK), 3 no or half an answer, 1 the port could not
be opened or went away, 2 a usage error, 128 + N ended by signal N.
</source>
        <translation>コマンド:
  list [TABLE]          すべての名前と、送信するテキスト、応答待ち時間。または表: status、
                        projectors、speeds
  NAME                  ウィンドウのボタンを名前で指定: power on、freeze off、image3、input 2 s-video
  send TEXT             パネルの CMD 欄に入力したとおりの TEXT
  status [KEY...]       ステータス照会: すべて、または指定したもの:
%1  hold NAME SECONDS     長押しボタンを SECONDS 秒 (最大 3600) 長押ししてから離す
  bridge ...            プロジェクターを MQTT ブローカーに接続 (q7ctl bridge --help)

  help [COMMAND]        このヘルプ、またはコマンドのヘルプ

終了ステータス: 0 応答あり (ACK または応答データ)、4 拒否 (NAK)、3 応答なし・不完全な応答、
1 ポートを開けない・切断、2 使い方の誤り、128 + N シグナル N で終了。
</translation>
    </message>
    <message>
        <source>Usage: q7ctl [OPTION]... status [KEY...]
Asks the decoded status queries, all or those named, and prints each key with its value
in words and units (with --json: outcome, reply, hex, the panel&apos;s STATUS text and the value, typed).
</source>
        <translation>使い方: q7ctl [オプション]... status [KEY...]
ステータス照会をすべて、または指定したものだけ行い、キーごとに値を英語の語と単位で
出力する (--json では outcome、reply、hex、パネルの STATUS 表示と型付きの value)。
</translation>
    </message>
    <message>
        <source>the port does not exist (is the adapter plugged in? Device Manager lists the ports under Ports (COM &amp; LPT)). %1</source>
        <translation>ポートが存在しません (アダプターは接続されていますか。デバイス マネージャーの「ポート (COM と LPT)」にポートの一覧があります)。%1</translation>
    </message>
    <message>
        <source>the port is not available (was the adapter unplugged? Device Manager shows the ports Windows sees)</source>
        <translation>ポートを使用できません (アダプターが外れていないか確認してください。Windows が認識しているポートはデバイス マネージャーで確認できます)</translation>
    </message>
    <message>
        <source>the port is open already in this program</source>
        <translation>ポートはこのプログラムですでに開いています</translation>
    </message>
    <message>
        <source>another program has %1 open (close it there, or choose another port)</source>
        <translation>%1 は他のプログラムが使用中です (そのプログラムで閉じるか、別のポートを選んでください)</translation>
    </message>
    <message>
        <source>the bridge runs on Linux only</source>
        <translation>ブリッジは Linux でのみ動作します</translation>
    </message>
    <message>
        <source>Cannot listen on %1: %2.</source>
        <translation>%1 で待ち受けできません: %2。</translation>
    </message>
    <message>
        <source>Cannot listen for UDP on %1: %2.</source>
        <translation>%1 で UDP を待ち受けできません: %2。</translation>
    </message>
    <message>
        <source>an address is written ADDRESS[:PORT] with a numeric address ([ADDRESS] for IPv6), not %1</source>
        <translation>アドレスは数値のアドレスで ADDRESS[:PORT] の形式で指定してください (IPv6 は [ADDRESS]。%1 は不可)</translation>
    </message>
    <message>
        <source>an address is written ADDRESS:PORT with a numeric address ([ADDRESS] for IPv6), not %1</source>
        <translation>アドレスは数値のアドレスで ADDRESS:PORT の形式で指定してください (IPv6 は [ADDRESS]。%1 は不可)</translation>
    </message>
    <message>
        <source>%1 holds at most %2 bytes, without control characters</source>
        <translation>%1 は制御文字を含まない %2 バイト以内で指定してください</translation>
    </message>
    <message>
        <source>the projector %1 of the line %2 has one PJLink address only</source>
        <translation>回線 %2 のプロジェクター %1 に指定できる PJLink のアドレスは 1 つだけです</translation>
    </message>
    <message>
        <source>%1 is written LINE/PROJECTOR=ADDRESS[:PORT], not %2</source>
        <translation>%1 は LINE/PROJECTOR=ADDRESS[:PORT] の形式で指定してください (%2 は不可)</translation>
    </message>
    <message>
        <source>%1 is written LINE=ADDRESS:PORT, not %2</source>
        <translation>%1 は LINE=ADDRESS:PORT の形式で指定してください (%2 は不可)</translation>
    </message>
    <message>
        <source>%1: there is no line %2 (give it with --line)</source>
        <translation>%1: 回線 %2 がありません (--line で指定してください)</translation>
    </message>
    <message>
        <source>the PJLink password is at most %1 ASCII characters without blanks</source>
        <translation>PJLink のパスワードは空白を含まない %1 文字以内の ASCII 文字で指定してください</translation>
    </message>
    <message>
        <source>pjlink_udp_port must be a port from 1 to 65535, or 0 for no UDP</source>
        <translation>pjlink_udp_port は 1～65535 のポート番号、または UDP を使わない場合は 0 で指定してください</translation>
    </message>
    <message>
        <source>pjlink_notify takes numeric addresses, not %1</source>
        <translation>pjlink_notify は数値のアドレスで指定してください (%1 は不可)</translation>
    </message>
    <message>
        <source>the line %1 has one passthrough only</source>
        <translation>回線 %1 に指定できるパススルーは 1 つだけです</translation>
    </message>
    <message>
        <source>pjlink_inputs maps the input modes &quot;1&quot; to &quot;3&quot; to PJLink&apos;s inputs 11 to 59 (41 is input mode 4), not %1 = %2</source>
        <translation>pjlink_inputs は入力モード "1"～"3" を PJLink の入力 11～59 に対応付けて指定してください (41 は入力モード 4。%1 = %2 は不可)</translation>
    </message>
    <message>
        <source>pjlink_inputs gives one PJLink input to two input modes</source>
        <translation>pjlink_inputs で 2 つの入力モードに同じ PJLink の入力が指定されています</translation>
    </message>
    <message>
        <source>%1 must be a table of texts in braces, such as { &quot;001&quot; = &quot;10.0.5.21&quot; }</source>
        <translation>%1 は { "001" = "10.0.5.21" } のように、波かっこで囲んだ文字列のテーブルで指定してください</translation>
    </message>
    <message>
        <source>nothing to serve: give a broker, or a line&apos;s PJLink or passthrough front</source>
        <translation>扱うものがありません。ブローカー、または回線の PJLink かパススルーを指定してください</translation>
    </message>
    <message>
        <source>the line %1 serves no projector %2 for PJLink</source>
        <translation>回線 %1 には PJLink で扱うプロジェクター %2 がありません</translation>
    </message>
    <message>
        <source>the line %1 serves no projector %2 to name</source>
        <translation>回線 %1 には名前を付けるプロジェクター %2 がありません</translation>
    </message>
    <message>
        <source>%1 and %2 would both listen on %3</source>
        <translation>%1 と %2 が同じ %3 で待ち受けることになります</translation>
    </message>
    <message>
        <source>serving %1 without a broker, as %2</source>
        <translation>ブローカーなしで %1 を扱っています (ID %2)</translation>
    </message>
    <message>
        <source>%1 listens on %2</source>
        <translation>%1 が %2 で待ち受けています</translation>
    </message>
    <message>
        <source>Usage: q7-bridge [--broker mqtt://HOST[:PORT]] --line NAME=PORT[,speed=9600][,projectors=001+002]
                 [--line ...] [--poll SECONDS] [--id ID] [--ca-file FILE] [--discovery-prefix PREFIX]
                 [--pjlink LINE/PROJECTOR=ADDRESS[:PORT]]... [--passthrough LINE=ADDRESS:PORT]...
                 [--pjlink-udp-port PORT] [--pjlink-notify HOST]...
       q7-bridge --config FILE
       q7-bridge --help | --version
Puts the projectors of every line on an MQTT broker, with Home Assistant&apos;s discovery, and answers PJLink
and raw frames for them.
Defaults: speed 19200, projectors single, a poll every 30 s, the host name as the id, the prefix
homeassistant. mqtts:// connects with TLS. The user name and password come from the configuration file
or from Q7_MQTT_USERNAME and Q7_MQTT_PASSWORD. Without --broker, the PJLink and passthrough fronts run
alone.

--pjlink: a PJLink server (classes 1 and 2) for the projector on ADDRESS, port 4352 by default; the
password comes from the configuration file or from Q7_PJLINK_PASSWORD (none: no authentication). UDP
answers PJLink&apos;s search on --pjlink-udp-port (4352; 0 for none) and tells each --pjlink-notify HOST of
changes. --passthrough: the projectors&apos; own frames, each ending with CR, on the line&apos;s queue; each
client gets the replies to its frames.

Topics, for each LINE and PROJECTOR (single, 001 to 004; all for commands only):
  q7/LINE/PROJECTOR/availability  online or offline, retained
  q7/LINE/PROJECTOR/state         after every poll, retained: what q7ctl status --json prints
  q7/LINE/PROJECTOR/command       a name, {&quot;send&quot;: TEXT}, {&quot;hold&quot;: NAME, &quot;seconds&quot;: S} (at most 60),
                                  or status (a poll at once); at most 4 KB
  q7/LINE/PROJECTOR/result        the outcome as q7ctl --json prints it, failures too:
                                  {&quot;outcome&quot;: &quot;failed&quot; or &quot;usage&quot;, &quot;error&quot;: TEXT}; also to an MQTT 5
                                  response topic under q7/, with the correlation data
  q7/LINE/PROJECTOR/activity      what a PJLink or passthrough client caused, with its origin
  q7/bridge/ID/availability       online while the bridge runs, offline when it has ended
  q7/bridge/ID/lines              the lines served, retained
  q7/bridge/ID/status             the lines left to another bridge that serves them too, retained
</source>
        <translation>使い方: q7-bridge [--broker mqtt://HOST[:PORT]] --line NAME=PORT[,speed=9600][,projectors=001+002]
                 [--line ...] [--poll SECONDS] [--id ID] [--ca-file FILE] [--discovery-prefix PREFIX]
                 [--pjlink LINE/PROJECTOR=ADDRESS[:PORT]]... [--passthrough LINE=ADDRESS:PORT]...
                 [--pjlink-udp-port PORT] [--pjlink-notify HOST]...
       q7-bridge --config FILE
       q7-bridge --help | --version
すべての回線のプロジェクターを MQTT ブローカーに接続し、Home Assistant の自動検出に登録する。
また、それらのプロジェクターに代わって PJLink と生のフレームに応答する。
既定値: 通信速度 19200、プロジェクター single、30 秒ごとのポーリング、ID はホスト名、接頭辞は
homeassistant。mqtts:// では TLS で接続する。ユーザー名とパスワードは設定ファイル、
または Q7_MQTT_USERNAME と Q7_MQTT_PASSWORD から取得する。--broker がなければ、PJLink と
パススルーだけを扱う。

--pjlink: ADDRESS のプロジェクター用の PJLink サーバー (クラス 1 と 2)。ポート番号の既定値は 4352。
パスワードは設定ファイル、または Q7_PJLINK_PASSWORD から取得する (なければ認証なし)。UDP では
--pjlink-udp-port (4352。0 で使わない) で PJLink の検索に応答し、変化を各 --pjlink-notify HOST に
通知する。--passthrough: プロジェクター自身のフレーム (それぞれ CR で終わる) を回線の待ち行列で
送信する。各クライアントには自分のフレームへの応答が返る。

トピック (LINE と PROJECTOR ごと。PROJECTOR は single、001～004。all はコマンド専用):
  q7/LINE/PROJECTOR/availability  online または offline (保持メッセージ)
  q7/LINE/PROJECTOR/state         ポーリングのたびに、q7ctl status --json の出力 (保持メッセージ)
  q7/LINE/PROJECTOR/command       名前、{"send": TEXT}、{"hold": NAME, "seconds": S} (最大 60)、
                                  または status (すぐにポーリングする)。最大 4 KB
  q7/LINE/PROJECTOR/result        q7ctl --json と同じ結果。失敗も同様:
                                  {"outcome": "failed" または "usage", "error": TEXT}。MQTT 5 の
                                  応答トピックが q7/ の下にあれば、相関データを付けてそこにも送る
  q7/LINE/PROJECTOR/activity      PJLink またはパススルーのクライアントが起こしたこと (送信元付き)
  q7/bridge/ID/availability       ブリッジの動作中は online、終了後は offline
  q7/bridge/ID/lines              扱う回線 (保持メッセージ)
  q7/bridge/ID/status             同じ回線を扱う別のブリッジに任せた回線 (保持メッセージ)
</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>main_window</name>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Jobs at once:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download queue cannot be used: {}
Single downloads work as before.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saved: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to queue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Quillfen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Height</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frame Rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WMV 8 Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WMV 9 Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video converter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use Audio Compressor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use WMV9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use Video Compressor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web Browser:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page URL:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output File:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save queued videos in:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name template:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume unfinished downloads at start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connections per download:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rate limit per download:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> KiB/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>none</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;WWW</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;E-Mail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add to queue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Down&amp;loads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This address is already in the download queue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillfen</name>
    <message>
        <source>No video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Timeline empty,cannot process</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to save file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped; nothing was saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloading html</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloading video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transfering: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} bytes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} bytes of {} bytes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&apos;{}&apos; is not a valid {}: it must be a whole number from 1 to 32767</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>frame width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>frame height</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} was served as a video ({}), but what arrived is not a video or sound the converter can read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original File (*.{0})|*.{0}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection lost; continuing from byte {2} (retry {0} of {1})</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The proxy setting {} holds &apos;{}&apos;, which is not a proxy address of the form [http|socks4|socks4a|socks5]://HOST:PORT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Neither XDG_CACHE_HOME nor HOME is set: there is no folder for the work files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the work folder &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The work folder &apos;{}&apos; is a symbolic link; work files are written only into a real folder of the user&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot check the work folder &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The work folder &apos;{}&apos; is not a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The work folder &apos;{}&apos; belongs to another user; work files are written only into a folder of the user&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The work folder &apos;{}&apos; can be written by other users; work files are written only into a folder closed to them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The work file &apos;{}&apos; is a symbolic link or not a plain file; it is not written through</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot use the work file &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another Quillfen is already downloading {}; this run leaves it alone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped by {}; nothing was saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot fetch &apos;{}&apos;: only http:// and https:// addresses are supported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the output folder &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write into the output folder &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot fetch {}: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot fetch the video {} that the page names: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the proxy {}:{}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} refused the connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} did not answer the connect within {} seconds (--timeout)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} sent nothing for {} seconds (--timeout)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Name a file of trusted certificates with SSL_CERT_FILE, or skip the check with --insecure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; {} bytes of the video are kept, and the same command with --continue goes on from there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write &apos;{}&apos;: the disk is full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&apos;{}&apos; exists, and --no-overwrite keeps it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layout file &quot;%1&quot; cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layout file &quot;%1&quot; is not a layout: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layout file &quot;%1&quot;: unknown control &quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layout file &quot;%1&quot;: control &quot;%2&quot; has no property &quot;%3&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layout file &quot;%1&quot;: control &quot;%2&quot;, property &quot;%3&quot; holds a value of the wrong kind</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>queued</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reading the page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>downloading {} %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>downloading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>converting {} %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>paused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>failed: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>saved: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the queue is in use by another Quillfen window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the queue&apos;s folder &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open the queue file &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; is damaged ({}); it was kept as &apos;{}&apos; and the next start begins an empty queue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; was written by a newer Quillfen (version {} of its layout; this one knows up to {})</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; could not be updated: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Neither XDG_STATE_HOME nor HOME is set: there is no folder for the queue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; holds an item in the unknown state &apos;{}&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A queue item cannot go from {} to {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue has no item {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The number of jobs at once must be from 1 to {}, not {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The number of connections per download must be from 1 to {}, not {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output template &apos;{}&apos; names no file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The address gives no playlist: its text does not start with #EXTM3U.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The playlist is a live stream (it has no end); only whole videos can be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video is protected (encryption method {}); it cannot be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The stream names an address that is not http or https: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The stream has more than {} segments.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The playlist or manifest is larger than {} bytes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The playlist has an invalid {} value: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The playlist has a {} without an address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The stream offers no video we can save.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The playlist leads back to itself: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The playlist leads to playlists more than {} deep.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The manifest is not well-formed XML: {} (byte {}).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The address gives no manifest: the document is no MPD.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The manifest is a live stream (type dynamic); only whole videos can be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video is protected (ContentProtection); it cannot be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The manifest has an invalid duration: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The manifest does not say how long the video is.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The manifest has an invalid segment template: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The manifest has an invalid {} value: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quality: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>segment {} of {}, {} bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The segment {} could not be fetched: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The key {} could not be fetched: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The key {} is not 16 bytes long.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The segment {} could not be decrypted: the key or its padding is wrong.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AES-128 decryption needs the crypto library libcrypto.so.3, which could not be loaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file {} changed on the server while it was being fetched.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file {} could not be fetched at byte {}: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record of the partial download {} does not fit it; starting over.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the answer ended after {} of {} bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the server answered another byte range than the one asked for</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the server holds another version of the file than the one begun</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot check the queue&apos;s folder &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue&apos;s folder &apos;{}&apos; is a symbolic link; the queue is kept only in a real folder of the user&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue&apos;s folder &apos;{}&apos; is not a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue&apos;s folder &apos;{}&apos; belongs to another user; the queue is kept only in a folder of the user&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue&apos;s folder &apos;{}&apos; can be written by other users; the queue is kept only in a folder closed to them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; is a symbolic link; the queue is kept only in a plain file of the user&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; is not a plain file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; belongs to another user; the queue is kept only in a file of the user&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue file &apos;{}&apos; can be written by other users; the queue is kept only in a file closed to them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output template &apos;{}&apos; leads out of the save folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The save folder &apos;{}&apos; is not an absolute path of a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>paused {} %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove &apos;{}&apos; from the list? The saved file stays.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove &apos;{}&apos; from the queue? What was downloaded of it so far is deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The rate limit must be from 0 to {} bytes a second, not {}</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillfen-cli</name>
    <message>
        <source>Unknown {} &apos;{}&apos;; known are: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Windows Media 9 profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown format &apos;{}&apos;; known are: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} takes a whole number from {} to {}, not &apos;{}&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The option {} needs a value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read the address list &apos;{}&apos;: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>video compressor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>audio compressor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WMV 8 profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown option {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No WATCH-URL given</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With several addresses -o must be a name template, such as &apos;%(title)s.%(ext)s&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try &apos;quillfen-cli --help&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>warning: --insecure: servers&apos; certificates are not checked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{}: already in the download archive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  skipped {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  saved   {} -&gt; {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  failed  {}: {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} of {} saved{}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, {} skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} takes bytes a second such as 500K or 2M, not &apos;{}&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>field</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} of {}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{}/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving as &apos;{}&apos;: the format&apos;s files end in .{}</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage: quillfen-cli [options] URL...
Saves the video of each watch page, video address or page that declares a
video in the chosen format. An address without http:// or https:// is taken
as http://.

  -o, --output FILE          the output file, &apos;%(title)s.%(ext)s&apos; in the
                             current folder by default; a folder (ending in
                             /) holds that name; with several addresses a
                             template (%(title)s the page&apos;s title or the
                             file&apos;s name, %(ext)s the format&apos;s extension,
                             %(id)s the site&apos;s video id, %(format)s the
                             output format, %(webpage_url_domain)s the
                             address&apos;s host, %(width)s, %(height)s and
                             %(resolution)s the picture&apos;s size,
                             %(upload_date)s the page&apos;s upload day as
                             YYYYMMDD, NA when unknown; %(title).60s the
                             first 60 characters, %% a %); a fixed name
                             gets the format&apos;s extension; missing folders
                             are made; an existing file is replaced
      --restrict-filenames   only ASCII letters, digits, -, _ and . in the
                             values of a template&apos;s fields
      --no-overwrite         keep an existing output file: the address is
                             refused (exit 2) instead
  -a, --batch-file FILE      also the addresses in FILE, one a line (blank
                             lines and lines starting with # are skipped);
                             - reads them from standard input
      --jobs N               fetch up to N addresses at once (1 to 16,
                             default 1); the summary keeps their order
      --format NAME          the output format; by default Original with
                             --remux-or-convert, which keeps the streams as
                             they are; names in any letter case:
{formats}
  -x, --extract-audio        the sound alone as MP3 (--format MP3)
      --remux-or-convert     Original: re-encode to MP4 when the streams do
                             not fit a container as they are
      --width N              frame width (default the source&apos;s; 320 for
                             the older formats)
      --height N             frame height (default the source&apos;s; 240 for
                             the older formats)
      --rate N               frame rate, 1 to 120 (default the source&apos;s; 25
                             for AVI)
      --video-compressor NAME   AVI video compressor (default MJPEG Compressor)
      --audio-compressor NAME   AVI audio compressor (default PCM)
      --no-video-compressor  AVI with uncompressed video
      --no-audio-compressor  AVI with uncompressed audio
      --wmv8-profile NAME    a built-in Windows Media 8 profile
      --wmv9-profile NAME    a Windows Media 9 profile file, by its caption or
                             file name (default the first)
      --proxy HOST:PORT      an HTTP proxy
      --socks4 HOST:PORT, --socks4a HOST:PORT, --socks5 HOST:PORT
                             a SOCKS proxy
      --site-host HOST:PORT  send the video requests to a local copy of the sites
      --retries N            try a dropped, cut, refused or stalled transfer of
                             a video, a part or a segment again up to N times
                             (default 3; 0 never tries again)
      --timeout SECONDS      give up a connect, TLS handshake or read that
                             waits longer (default 30, 0 waits for ever); it
                             counts as a dropped connection for --retries
      --continue             continue the partial video an earlier run left
      --download-archive FILE   skip the videos recorded in FILE, and record
                             each one saved there
  -N, --connections N        fetch a stream&apos;s segments, or a large file&apos;s
                             parts, over N connections at once (1 to 16,
                             default 4)
  -r, --limit-rate RATE      at most RATE bytes a second for each video, all
                             its connections together; K, M and G multiply
                             by 1024 (500K, 2M)
      --max-height N         a stream&apos;s tallest quality at most N pixels high
                             (default: the highest bandwidth)
  -f, --quality ID           the stream&apos;s quality of that id (as -F lists
                             them), or best or worst (highest or lowest
                             bandwidth, within --max-height)
  -F, --list-formats         list the qualities each address offers and exit
  -j, --dump-json            print what was found of each address (title,
                             qualities, the one chosen, the output name) as
                             one JSON object a line, and save nothing
      --print FIELD          print that field of each address (title, id,
                             format_id, resolution, filename, ...) and save
                             nothing
  -s, --simulate             find everything, fetch no video, save nothing
      --insecure             do not check the servers&apos; certificates
  -q, --quiet                nothing on standard error but the errors
      --no-progress          no byte counts or progress bars
      --newline              a line for each progress update, also on a
                             terminal
  -h, --help                 this text
      --version              the program&apos;s version

Options may follow the addresses; a value may be joined with = (--format=mp4)
or to a letter (-N4); letters may be bundled (-xo FILE); -- ends the options.
Without a proxy option the variables http_proxy, https_proxy, all_proxy and
no_proxy apply, as for curl. Certificates are checked against the system&apos;s
trust store (SSL_CERT_FILE names another).
Exit codes: 0 saved, 2 bad arguments, 3 no video on the page, 4 conversion
failed, 5 network or HTTP error, 1 any other error, 130 and 143 stopped by
Ctrl-C and SIGTERM. With several addresses the rest go on after a failure, a
summary lists each, and the exit code is that of the first failure.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{} running, {} of {} done</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>

// The settings the main window gives its HTTP client.
#pragma once

class TIdHTTP;

// HTTP/1.0, redirects followed, cookies kept, a browser's user-agent, 1024-byte
// receive chunks, no read time-out and no proxy.
void ApplyMainWindowSettings(TIdHTTP& http);

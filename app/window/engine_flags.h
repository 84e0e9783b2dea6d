// The browser engine's command-line flags, set before the engine starts: no
// background traffic of its own, the proxy the program uses, and, when run
// as root, no sandbox (the engine refuses to start as root with one).
#pragma once

#include <string>

class TProxyPolicy;

// existing: flags already in QTWEBENGINE_CHROMIUM_FLAGS, kept at the end.
std::string BrowserEngineFlags(const TProxyPolicy* proxies, bool runAsRoot, const std::string& existing);

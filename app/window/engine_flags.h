// The browser engine's command-line flags, set before the engine starts: no
// background traffic of its own, the proxy the program uses, and, when run
// as root, no sandbox (the engine refuses to start as root with one). Also
// how the browser view is drawn on a machine without a GPU.
#pragma once

#include <string>

class TProxyPolicy;

// existing: flags already in QTWEBENGINE_CHROMIUM_FLAGS, kept at the end.
std::string BrowserEngineFlags(const TProxyPolicy* proxies, bool runAsRoot, const std::string& existing);

// Whether OpenGL is drawn by the processor: LIBGL_ALWAYS_SOFTWARE set to
// anything but "0" (alwaysSoftware: its value, null when unset), or no GPU
// render node at all (Xvfb, most virtual machines).
bool OpenGLInSoftware(const char* alwaysSoftware, bool hasRenderNode);
// Whether renderFolder holds a GPU render node (renderD128, ...).
bool HasRenderNode(const std::string& renderFolder = "/dev/dri");

// Before QApplication: where OpenGL is drawn in software, the browser view is
// composed by Qt Quick's software renderer (unless QT_QUICK_BACKEND already
// names one) and the engine draws without its GPU process. Composed through
// software OpenGL, every repaint of the window redrew it whole, and a job in
// the maximised window crawled. Returns userFlags (the engine flags the user
// set) with the flags this adds before them, so that the user's still win.
std::string ChooseBrowserDrawing(const std::string& userFlags);

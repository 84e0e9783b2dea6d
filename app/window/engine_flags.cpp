#include "app/window/engine_flags.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <fmt/core.h>

#include "app/proxy_settings.h"
#include "app/sites.h"

std::string BrowserEngineFlags(const TProxyPolicy* proxies, bool runAsRoot, const std::string& existing) {
  std::string flags =
      "--disable-background-networking --disable-component-update --disable-domain-reliability "
      "--disable-sync --disable-breakpad --no-pings --no-first-run --metrics-recording-only "
      "--disable-features=OptimizationHints,MediaRouter,Translate,NetworkTimeServiceQuerying "
      "--dns-prefetch-disable";
  if (proxies) {
    const TProxyAddress proxy = proxies->Choose(sites::SampleWatchAddress);
    const char* scheme = proxy.Kind == TProxyKind::Http      ? "http"
                         : proxy.Kind == TProxyKind::Socks4  ? "socks4"
                         : proxy.Kind == TProxyKind::Socks4A ? "socks4"
                         : proxy.Kind == TProxyKind::Socks5  ? "socks5"
                                                             : nullptr;
    if (scheme) flags += fmt::format(" --proxy-server={}://{}:{}", scheme, proxy.Host, proxy.Port);
  }
  if (runAsRoot) flags += " --no-sandbox";
  if (!existing.empty()) flags += " " + existing;
  return flags;
}

bool OpenGLInSoftware(const char* alwaysSoftware, bool hasRenderNode) {
  if (alwaysSoftware && *alwaysSoftware && std::string_view(alwaysSoftware) != "0") return true;
  return !hasRenderNode;
}

bool HasRenderNode(const std::string& renderFolder) {
  std::error_code unreadable;
  for (const auto& entry : std::filesystem::directory_iterator(renderFolder, unreadable))
    if (entry.path().filename().string().starts_with("renderD")) return true;
  return false;
}

std::string ChooseBrowserDrawing(const std::string& userFlags) {
  if (!OpenGLInSoftware(std::getenv("LIBGL_ALWAYS_SOFTWARE"), HasRenderNode())) return userFlags;
  setenv("QT_QUICK_BACKEND", "software", 0);
  const std::string flags = "--disable-gpu --disable-gpu-compositing";
  return userFlags.empty() ? flags : flags + " " + userFlags;
}

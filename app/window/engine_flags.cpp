#include "app/window/engine_flags.h"

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

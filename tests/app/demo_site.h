// The local demo site on nginx, made by the same script and locations that
// scripts/demo uses, for jobs that reach the two sites through it as an
// HTTP proxy.
#pragma once

#include <string>

#include "tests/servers/nginx_server.h"

namespace app_test {

NginxSite DemoSiteConfig();

// Fills the server's document root with the demo pages and a video of the
// given length and size.
void MakeDemoSite(const NginxServer& server, int seconds = 2, const std::string& size = "320x240");
// The same into a folder that no server serves.
void MakeDemoSite(const std::string& root, int seconds, const std::string& size);

std::string SourcePath(const std::string& relative);
std::string ReadWholeFile(const std::string& path);

inline const std::string FirstSiteWatch = "http://www.clipcove.example/watch?v=Kq3fZ8wLp2A";
inline const std::string SecondSiteWatch = "http://video.reelharbor.example/videoplay?docid=4242";

}  // namespace app_test

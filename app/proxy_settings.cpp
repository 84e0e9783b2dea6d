#include "app/proxy_settings.h"

#include <algorithm>

#include <fmt/core.h>

#include "app/messages.h"
#include "net/http/text_helpers.h"
#include "net/http/uri.h"
#include "platform/exception.h"
#include "platform/int_parse.h"

namespace {

const char* firstSet(const TProxyPolicy::TGetEnv& getEnv, std::initializer_list<const char*> names,
                     const char*& chosen) {
  for (const char* name : names) {
    if (const char* value = getEnv(name); value && *value) {
      chosen = name;
      return value;
    }
  }
  return nullptr;
}

std::optional<TProxyAddress> variable(const TProxyPolicy::TGetEnv& getEnv, std::initializer_list<const char*> names) {
  const char* name = nullptr;
  const char* value = firstSet(getEnv, names, name);
  if (!value) return std::nullopt;
  return ParseProxyAddress(name, value);
}

// "%40" and the like in a proxy's user name and password, as curl reads
// them, so that "@" and ":" can stand in either; a "%" not followed by two
// hexadecimal digits stays as it is.
std::string percentDecoded(const std::string& text) {
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && digit(text[i + 1]) >= 0 && digit(text[i + 2]) >= 0) {
      decoded += char(digit(text[i + 1]) * 16 + digit(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace

TProxyAddress ParseProxyAddress(const std::string& setting, const std::string& text) {
  const auto malformed = [&] { return Exception(fmt::format(app_messages::BadProxyVariable, setting, text)); };
  TProxyAddress proxy;
  std::string rest = Trim(text);
  proxy.Kind = TProxyKind::Http;
  if (const size_t scheme = rest.find("://"); scheme != std::string::npos) {
    const std::string name = LowerCase(rest.substr(0, scheme));
    if (name == "socks4") proxy.Kind = TProxyKind::Socks4;
    else if (name == "socks4a") proxy.Kind = TProxyKind::Socks4A;
    else if (name == "socks5") proxy.Kind = TProxyKind::Socks5;
    else if (name != "http") throw malformed();
    rest.erase(0, scheme + 3);
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (const size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string user = rest.substr(0, at);
    proxy.Username = percentDecoded(user.substr(0, user.find(':')));
    if (user.find(':') != std::string::npos) proxy.Password = percentDecoded(user.substr(user.find(':') + 1));
    rest.erase(0, at + 1);
  }
  proxy.Port = 1080;
  if (const size_t colon = rest.rfind(':'); colon != std::string::npos) {
    const int32_t port = StrToIntDef(rest.substr(colon + 1), -1);
    if (port < 1 || port > 65535 || rest.substr(colon + 1).find_first_not_of("0123456789") != std::string::npos)
      throw malformed();
    proxy.Port = port;
    rest.erase(colon);
  }
  if (rest.empty() || rest.find_first_of("/?# ") != std::string::npos) throw malformed();
  proxy.Host = rest;
  return proxy;
}

TProxyPolicy::TProxyPolicy() = default;
TProxyPolicy::~TProxyPolicy() = default;

std::unique_ptr<TProxyPolicy> TProxyPolicy::FromEnvironment(const TGetEnv& getEnv) {
  auto policy = std::make_unique<TProxyPolicy>();
  // Like curl, only the lower-case http_proxy: HTTP_PROXY may come from a
  // request header in CGI environments.
  policy->HttpProxy = variable(getEnv, {"http_proxy"});
  policy->HttpsProxy = variable(getEnv, {"https_proxy", "HTTPS_PROXY"});
  policy->AllProxy = variable(getEnv, {"all_proxy", "ALL_PROXY"});
  const char* name = nullptr;
  if (const char* list = firstSet(getEnv, {"no_proxy", "NO_PROXY"}, name)) {
    std::string entries = list;
    size_t start = 0;
    while (start <= entries.size()) {
      const size_t comma = std::min(entries.find(',', start), entries.size());
      std::string entry = LowerCase(Trim(entries.substr(start, comma - start)));
      if (!entry.empty() && entry.front() == '.') entry.erase(0, 1);
      if (!entry.empty()) policy->NoProxy.push_back(entry);
      start = comma + 1;
    }
  }
  return policy;
}

bool TProxyPolicy::bypassed(const std::string& host) const {
  return std::any_of(NoProxy.begin(), NoProxy.end(), [&](const std::string& entry) {
    return entry == "*" || host == entry ||
           (host.size() > entry.size() && host.ends_with(entry) && host[host.size() - entry.size() - 1] == '.');
  });
}

TProxyAddress TProxyPolicy::choose(const std::string& host, bool secure) const {
  if (bypassed(host)) return {};
  if (Forced) return *Forced;
  if (const auto& byScheme = secure ? HttpsProxy : HttpProxy) return *byScheme;
  return AllProxy.value_or(TProxyAddress{});
}

TProxyAddress TProxyPolicy::Choose(const std::string& url) const { return ChooseProxy(TIdURI(url)); }

TProxyAddress TProxyPolicy::ChooseProxy(const TIdURI& target) const {
  return choose(LowerCase(target.Host), SameText(target.Protocol, "https"));
}

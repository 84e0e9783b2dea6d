#include "net/http/cookies.h"

#include <algorithm>
#include <cmath>

#include "net/http/hosts.h"
#include "net/http/internet_date.h"
#include "net/http/public_suffix.h"
#include "net/http/tokens.h"
#include "platform/datetime.h"
#include "platform/int_parse.h"

namespace {

constexpr double SecondsPerDay = 86400.0;

// Holds one side of the cookie store's lock for a scope.
class DomainListsAccess {
public:
  DomainListsAccess(TIdCookies& cookies, TIdCookieAccess access)
      : Lists(cookies.LockDomainLists(access)), Cookies(cookies), Access(access) {}
  ~DomainListsAccess() { Cookies.UnlockDomainLists(Access); }
  DomainListsAccess(const DomainListsAccess&) = delete;
  DomainListsAccess& operator=(const DomainListsAccess&) = delete;

  TIdCookieDomains& Lists;

private:
  TIdCookies& Cookies;
  TIdCookieAccess Access;
};

// The value of the first "NAME=value" attribute of the name, in any letter
// case; empty when there is none.
std::string attributeValue(const TIdCookieAttributes& attributes, const std::string& name) {
  for (const std::string& entry : attributes) {
    const size_t equals = entry.find('=');
    if (equals != std::string::npos && SameText(std::string_view(entry).substr(0, equals), name)) {
      return entry.substr(equals + 1);
    }
  }
  return "";
}

bool hasFlag(const TIdCookieAttributes& attributes, const std::string& flag) {
  return std::find(attributes.begin(), attributes.end(), flag) != attributes.end();
}

void appendElement(std::string& form, const std::string& element) {
  if (!form.empty()) form += "; ";
  form += element;
}

void appendAttribute(std::string& form, const std::string& name, const std::string& value) {
  if (!value.empty()) appendElement(form, name + "=" + value);
}

// Now plus the seconds, kept within the calendar so that a hostile max-age
// cannot make the date unwritable.
TDateTime momentAfter(int64_t seconds) {
  static const TDateTime lastCalendarDay = EncodeDate(9999, 12, 31);
  const TDateTime now = Now();
  return std::min(now + static_cast<double>(seconds) / SecondsPerDay, lastCalendarDay);
}

// The host is the cookie's domain or a host within it; an address only ever
// matches itself. A leading "." of the domain does not count.
bool domainMatches(const std::string& host, std::string domain) {
  if (domain.starts_with('.')) domain.erase(0, 1);
  if (SameText(host, domain)) return true;
  if (domain.empty() || IsDottedQuad(host) || IsDottedQuad(domain) || host.size() <= domain.size()) return false;
  return SameText(std::string_view(host).substr(host.size() - domain.size() - 1), "." + domain);
}

// A date that cannot be read counts as absent, as every date of the client
// does: the cookie lasts as long as the manager instead of vanishing at once.
bool expiryPassed(const std::string& expires, TDateTime now) {
  if (expires.empty()) return false;
  std::string date = expires;
  if (ParseInternetDate(date) == 0) return false;
  return InternetDateToLocal(expires) < now;
}

// A control byte would travel on into the Cookie line of later requests,
// where a CR or LF could end the line early.
bool holdsControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
  });
}

// The folder of the request that set a cookie without a path.
std::string defaultPath(const TIdURI& source) { return source.Path.empty() ? "/" : source.Path; }

}  // namespace

// --- cookies ---------------------------------------------------------------

void TIdNetscapeCookie::ParseCookie(const std::string& text) {
  if (text == SourceText) return;
  SourceText = text;

  std::vector<std::string> entries;
  if (text.find(';') == std::string::npos) {
    entries.push_back(text);
  } else {
    std::string rest = text;
    while (rest.find(';') != std::string::npos) entries.push_back(Trim(TakeToken(rest, ";")));
    rest = Trim(rest);
    if (!rest.empty()) entries.push_back(rest);
  }

  const std::string& first = entries.front();
  const size_t equals = first.find('=');
  CookieName = equals == std::string::npos ? "" : first.substr(0, equals);
  CookieValue = equals == std::string::npos ? "" : first.substr(equals + 1);

  TIdCookieAttributes attributes;
  for (size_t i = 1; i < entries.size(); ++i) {
    const std::string& entry = entries[i];
    const size_t at = entry.find('=');
    attributes.push_back(at == std::string::npos ? UpperCase(entry)
                                                 : UpperCase(entry.substr(0, at)) + entry.substr(at));
  }
  LoadAttributes(attributes);
}

void TIdNetscapeCookie::LoadAttributes(const TIdCookieAttributes& attributes) {
  std::string path = attributeValue(attributes, "PATH");
  if (path.starts_with('"')) path.erase(0, 1);
  if (path.ends_with('"')) path.pop_back();
  CookiePath = path;
  SetExpiresText(attributeValue(attributes, "EXPIRES"));
  CookieDomain = attributeValue(attributes, "DOMAIN");
  SecureOnly = hasFlag(attributes, "SECURE");
}

void TIdNetscapeCookie::SetExpiresText(const std::string& text) { CookieExpires = text; }

std::string TIdNetscapeCookie::ServerForm() const {
  std::string form = CookieValue.empty() ? "" : ClientForm();
  appendAttribute(form, "path", CookiePath);
  if (Flavour == cfNetscape) appendAttribute(form, "expires", CookieExpires);
  appendAttribute(form, "domain", CookieDomain);
  if (SecureOnly) appendElement(form, "secure");
  return form;
}

bool TIdNetscapeCookie::DomainAccepted(const std::string& host) const {
  // A public suffix (com, co.uk, github.io) is nobody's domain: a cookie for
  // it would reach every site under it. Only a host that is such a name
  // itself (localhost) keeps a cookie, for itself alone.
  const std::string_view domain = std::string_view(CookieDomain).substr(CookieDomain.starts_with('.') ? 1 : 0);
  if (!SameText(domain, host) && IsPublicSuffix(domain)) return false;
  if (IsDottedQuad(host)) return CookieDomain == host;
  if (LooksLikeHostName(host)) {
    return LooksLikeHostName(CookieDomain) ? CookieDomain == host : CookieDomain == DomainPart(host);
  }
  return SameText(CookieDomain, DomainPart(host));
}

void TIdNetscapeCookie::Assign(const TIdNetscapeCookie& source) {
  if (dynamic_cast<const TIdCookieRFC2109*>(&source) == nullptr) return;
  ParseCookie(source.ServerForm());
  Flavour = source.Flavour;
}

void TIdCookieRFC2109::LoadAttributes(const TIdCookieAttributes& attributes) {
  TIdNetscapeCookie::LoadAttributes(attributes);
  MaxAge = StrToInt64Def(attributeValue(attributes, "MAX-AGE"), -1);
  CookieVersion = attributeValue(attributes, "VERSION");
  CookieComment = attributeValue(attributes, "COMMENT");
  if (CookieExpires.empty()) {
    Flavour = cfNetscape;
    if (MaxAge >= 0) SetExpiresText(FormatInternetDate(momentAfter(MaxAge)));
  }
}

void TIdCookieRFC2109::SetExpiresText(const std::string& text) {
  if (!text.empty()) {
    // A date that cannot be read leaves MaxAge as it was.
    try {
      const double seconds = (InternetDateToLocal(text) - Now()) * SecondsPerDay;
      if (std::isfinite(seconds)) MaxAge = static_cast<int64_t>(seconds);
    } catch (const Exception&) {
    }
  }
  TIdNetscapeCookie::SetExpiresText(text);
}

std::string TIdCookieRFC2109::ServerForm() const {
  std::string form = TIdNetscapeCookie::ServerForm();
  if (MaxAge >= 0 && CookieExpires.empty()) appendAttribute(form, "max-age", std::to_string(MaxAge));
  appendAttribute(form, "comment", CookieComment);
  appendAttribute(form, "version", CookieVersion);
  return form;
}

void TIdCookieRFC2965::SetPortNumber(int32_t index, int32_t port) {
  if (index < 0 || index > static_cast<int32_t>(PortNumbers.size())) {
    throw EIdException(http_messages::IndexOutOfRange);
  }
  if (index == static_cast<int32_t>(PortNumbers.size())) {
    PortNumbers.push_back(port);
  } else {
    PortNumbers[static_cast<size_t>(index)] = port;
  }
}

void TIdCookieRFC2965::LoadAttributes(const TIdCookieAttributes& attributes) {
  TIdCookieRFC2109::LoadAttributes(attributes);
  CommentURL = attributeValue(attributes, "CommentURL");
  DiscardFlag = hasFlag(attributes, "DISCARD");

  const std::string ports = attributeValue(attributes, "PORT");
  if (ports.empty()) {
    PortNumbers = {80};
    return;
  }
  if (!ports.starts_with('"') || !ports.ends_with('"')) return;
  const std::string list = ports.size() < 2 ? "" : ports.substr(1, ports.size() - 2);
  int32_t stored = 0;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find_first_of(", ", start), list.size());
    if (end > start) SetPortNumber(stored++, StrToInt(std::string_view(list).substr(start, end - start)));
    start = end + 1;
  }
  if (stored == 0) PortNumbers = {80};
}

// --- collection ------------------------------------------------------------

void TIdCookies::addItem(std::unique_ptr<TIdCookieRFC2109> cookie) {
  DomainListsAccess access(*this, laWrite);
  ItemList.push_back(std::move(cookie));
}

std::unique_ptr<TIdCookieRFC2109> TIdCookies::takeItem(TIdCookieRFC2109* cookie) {
  const auto found =
      std::find_if(ItemList.begin(), ItemList.end(), [cookie](const auto& item) { return item.get() == cookie; });
  if (found == ItemList.end()) return nullptr;
  std::unique_ptr<TIdCookieRFC2109> taken = std::move(*found);
  ItemList.erase(found);
  return taken;
}

int32_t TIdCookies::Count() {
  DomainListsAccess access(*this, laRead);
  return static_cast<int32_t>(ItemList.size());
}

TIdCookieRFC2109* TIdCookies::Items(int32_t index) {
  DomainListsAccess access(*this, laRead);
  return ItemList.at(static_cast<size_t>(index)).get();
}

void TIdCookies::StoreCookie(TIdCookieRFC2109* cookie) {
  DomainListsAccess access(*this, laWrite);
  int32_t domain = DomainLists.IndexOf(cookie->CookieDomain);
  if (domain < 0) {
    DomainLists.Add(cookie->CookieDomain, std::make_unique<TIdCookieNames>());
    domain = DomainLists.Count() - 1;
  }
  TIdCookieNames& names = *DomainLists[domain].Object;
  const int32_t name = names.IndexOf(cookie->CookieName);
  if (name < 0) {
    names.Add(cookie->CookieName, cookie);
    return;
  }
  // The stored cookie keeps its place; the new one only lends its text.
  const std::unique_ptr<TIdCookieRFC2109> merged = takeItem(cookie);
  names[name].Object->Assign(*merged);
}

void TIdCookies::FreeCookie(TIdCookieRFC2109* cookie) {
  DomainListsAccess access(*this, laWrite);
  // Found by the object rather than its name: a merge may have renamed it.
  for (int32_t domain = 0; domain < DomainLists.Count(); ++domain) {
    TIdCookieNames& names = *DomainLists[domain].Object;
    for (int32_t name = 0; name < names.Count(); ++name) {
      if (names[name].Object == cookie) {
        names.Delete(name);
        takeItem(cookie);
        return;
      }
    }
  }
  takeItem(cookie);
}

void TIdCookies::DiscardCookie(TIdCookieRFC2109* cookie) {
  DomainListsAccess access(*this, laWrite);
  takeItem(cookie);
}

TIdCookieDomains& TIdCookies::LockDomainLists(TIdCookieAccess access) {
  if (access == laRead) {
    CookieLock.BeginRead();
  } else {
    CookieLock.BeginWrite();
  }
  return DomainLists;
}

void TIdCookies::UnlockDomainLists(TIdCookieAccess access) {
  if (access == laRead) {
    CookieLock.EndRead();
  } else {
    CookieLock.EndWrite();
  }
}

// --- manager ---------------------------------------------------------------

TIdCookieManager::TIdCookieManager(TOnManagerEvent onCreate)
    : OnCreate(std::move(onCreate)), Collection(std::make_unique<TIdCookies>()) {
  DoOnCreate();
}

TIdCookieManager::~TIdCookieManager() {
  // A destructor cannot report a clock that fails to give the time zone;
  // every cookie goes with the collection below in any case.
  try {
    RemoveExpired();
  } catch (const Exception&) {
  }
  DoOnDestroy();
}

void TIdCookieManager::DoOnCreate() {
  if (OnCreate) OnCreate(this, Collection.get());
}

void TIdCookieManager::DoOnDestroy() {
  if (OnDestroy) OnDestroy(this, Collection.get());
}

bool TIdCookieManager::DoOnNewCookie(TIdCookieRFC2109* cookie) {
  bool accept = true;
  if (OnNewCookie) OnNewCookie(this, cookie, accept);
  return accept;
}

void TIdCookieManager::AcceptSetCookie(const std::string& text, const TIdURI& source) {
  acceptCookie(Collection->Add<TIdCookieRFC2109>(), text, source);
}

void TIdCookieManager::AcceptSetCookie2(const std::string& text, const TIdURI& source) {
  acceptCookie(Collection->Add<TIdCookieRFC2965>(), text, source);
}

void TIdCookieManager::acceptCookie(TIdCookieRFC2109* cookie, const std::string& text, const TIdURI& source) {
  bool keep = false;
  const bool control = holdsControlByte(text);
  try {
    cookie->ParseCookie(text);
    if (cookie->CookieDomain.empty()) cookie->CookieDomain = source.Host;
    if (cookie->CookiePath.empty()) cookie->CookiePath = defaultPath(source);
    keep = !control && cookie->DomainAccepted(source.Host) && DoOnNewCookie(cookie);
  } catch (...) {
    // A cookie that fails to read is not left behind in the collection.
    Collection->DiscardCookie(cookie);
    throw;
  }
  if (keep) {
    Collection->StoreCookie(cookie);
  } else {
    Collection->DiscardCookie(cookie);
  }
}

void TIdCookieManager::RemoveExpired() {
  DomainListsAccess access(*Collection, laWrite);
  const TDateTime now = Now();
  for (int32_t domain = 0; domain < access.Lists.Count(); ++domain) {
    TIdCookieNames& names = *access.Lists[domain].Object;
    for (int32_t name = names.Count() - 1; name >= 0; --name) {
      TIdCookieRFC2109* cookie = names[name].Object;
      if (expiryPassed(cookie->CookieExpires, now)) Collection->FreeCookie(cookie);
    }
  }
}

std::string TIdCookieManager::CookieHeaderFor(const TIdURI& uri, bool tlsConnection) {
  RemoveExpired();
  DomainListsAccess access(*Collection, laRead);

  std::vector<std::pair<std::string, const TIdCookieRFC2109*>> chosen;  // upper-cased path, cookie
  for (int32_t domain = 0; domain < access.Lists.Count(); ++domain) {
    if (!domainMatches(uri.Host, access.Lists[domain].Text)) continue;
    const TIdCookieNames& names = *access.Lists[domain].Object;
    for (int32_t name = names.Count() - 1; name >= 0; --name) {
      const TIdCookieRFC2109* cookie = names[name].Object;
      if (cookie->CookiePath.empty() || !uri.Path.starts_with(cookie->CookiePath)) continue;
      if (cookie->SecureOnly && !tlsConnection) continue;
      if (cookie->CookieValue.empty()) continue;
      // Also a cookie filed from a source address that held control bytes.
      if (holdsControlByte(cookie->CookieName) || holdsControlByte(cookie->CookieValue)) continue;
      chosen.emplace_back(UpperCase(cookie->CookiePath), cookie);
    }
  }
  // The longer (greater) path first; equal paths keep the order found.
  std::stable_sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

  std::string header;
  for (const auto& [path, cookie] : chosen) {
    if (!header.empty()) header += "; ";
    header += cookie->ClientForm();
  }
  return header;
}

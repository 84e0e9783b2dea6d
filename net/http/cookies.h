#pragma once
// The cookies servers set and the Cookie header of later requests. Both
// Set-Cookie and Set-Cookie2 values become cookie objects of a collection
// that files them by domain and name; they live in memory only, for the life
// of the manager.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "net/http/cookie_lock.h"
#include "net/http/messages.h"
#include "net/http/text_helpers.h"
#include "net/http/uri.h"
#include "net/transport/component.h"
#include "net/transport/exceptions.h"
#include "net/transport/free_notification.h"

enum TIdCookieFlavour { cfNetscape, cfRFC2109, cfRFC2965 };

class TIdCookies;

// The attributes of a cookie text after its name and value: "NAME=value"
// with the name upper-cased, or a flag upper-cased whole.
using TIdCookieAttributes = std::vector<std::string>;

class TIdNetscapeCookie {
public:
  explicit TIdNetscapeCookie(TIdCookies* collection = nullptr) : Collection(collection) {}
  virtual ~TIdNetscapeCookie() = default;
  TIdNetscapeCookie(const TIdNetscapeCookie&) = delete;
  TIdNetscapeCookie& operator=(const TIdNetscapeCookie&) = delete;

  // Reads a Set-Cookie text; the text last read again changes nothing.
  void ParseCookie(const std::string& text);
  // The cookie as a Set-Cookie text.
  virtual std::string ServerForm() const;
  virtual void SetExpiresText(const std::string& text);
  // name "=" value, as a Cookie header carries it.
  std::string ClientForm() const { return CookieName + "=" + CookieValue; }
  // Whether a cookie of CookieDomain may be set by the host.
  virtual bool DomainAccepted(const std::string& host) const;
  // Takes over an RFC cookie by reading its server form; other sources are
  // ignored.
  void Assign(const TIdNetscapeCookie& source);

  // The collection the cookie lives in; none for a cookie of its own.
  TIdCookies* const Collection;

  std::string SourceText;
  std::string CookieDomain;
  std::string CookieExpires;
  std::string CookieName;
  std::string CookiePath;
  bool SecureOnly = false;
  std::string CookieValue;
  TIdCookieFlavour Flavour = cfNetscape;

protected:
  virtual void LoadAttributes(const TIdCookieAttributes& attributes);
};

class TIdCookieRFC2109 : public TIdNetscapeCookie {
public:
  explicit TIdCookieRFC2109(TIdCookies* collection = nullptr) : TIdNetscapeCookie(collection) { Flavour = cfRFC2109; }

  std::string ServerForm() const override;
  // Also sets MaxAge to the seconds from now to the date.
  void SetExpiresText(const std::string& text) override;

  int64_t MaxAge = -1;
  std::string CookieVersion;
  std::string CookieComment;

protected:
  void LoadAttributes(const TIdCookieAttributes& attributes) override;
};

class TIdCookieRFC2965 : public TIdCookieRFC2109 {
public:
  explicit TIdCookieRFC2965(TIdCookies* collection = nullptr) : TIdCookieRFC2109(collection) { Flavour = cfRFC2965; }

  // Stores a port at an index up to one past the end (which grows the list);
  // any other index raises EIdException "Index out of range.".
  void SetPortNumber(int32_t index, int32_t port);

  std::string CommentURL;
  bool DiscardFlag = false;
  std::vector<int32_t> PortNumbers;

protected:
  // A quoted Port list that holds a word fails with the integer conversion
  // error.
  void LoadAttributes(const TIdCookieAttributes& attributes) override;
};

// Texts with an object each, looked up without regard to letter case.
template <class TObject>
class TIdCookieList {
public:
  struct TEntry {
    std::string Text;
    TObject Object;
  };

  int32_t IndexOf(const std::string& text) const;
  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
  TEntry& operator[](int32_t index) { return Entries[static_cast<size_t>(index)]; }
  const TEntry& operator[](int32_t index) const { return Entries[static_cast<size_t>(index)]; }
  void Add(std::string text, TObject object) { Entries.push_back({std::move(text), std::move(object)}); }
  void Delete(int32_t index) { Entries.erase(Entries.begin() + index); }

private:
  std::vector<TEntry> Entries;
};

template <class TObject>
int32_t TIdCookieList<TObject>::IndexOf(const std::string& text) const {
  for (size_t i = 0; i < Entries.size(); ++i) {
    if (SameText(Entries[i].Text, text)) return static_cast<int32_t>(i);
  }
  return -1;
}

// A domain's cookies by name, and the domains in the order first stored.
using TIdCookieNames = TIdCookieList<TIdCookieRFC2109*>;
using TIdCookieDomains = TIdCookieList<std::unique_ptr<TIdCookieNames>>;

enum TIdCookieAccess { laRead, laWrite };

// Owns every cookie, stored or just being accepted, and files the stored
// ones in DomainLists under CookieLock.
class TIdCookies {
public:
  TIdCookies() = default;
  TIdCookies(const TIdCookies&) = delete;
  TIdCookies& operator=(const TIdCookies&) = delete;

  // A new, unstored cookie of the kind at the end of the collection.
  template <class TCookie>
  TCookie* Add();
  int32_t Count();
  TIdCookieRFC2109* Items(int32_t index);

  // Files the cookie under its domain and name, or copies it into the cookie
  // already filed there and frees it.
  void StoreCookie(TIdCookieRFC2109* cookie);
  // Unfiles a stored cookie and frees it.
  void FreeCookie(TIdCookieRFC2109* cookie);
  // Frees a cookie that was never stored, leaving the filed ones alone.
  void DiscardCookie(TIdCookieRFC2109* cookie);

  TIdCookieDomains& LockDomainLists(TIdCookieAccess access);
  void UnlockDomainLists(TIdCookieAccess access);

private:
  void addItem(std::unique_ptr<TIdCookieRFC2109> cookie);
  std::unique_ptr<TIdCookieRFC2109> takeItem(TIdCookieRFC2109* cookie);

  std::vector<std::unique_ptr<TIdCookieRFC2109>> ItemList;
  TIdCookieDomains DomainLists;
  TIdCookieLock CookieLock;
};

template <class TCookie>
TCookie* TIdCookies::Add() {
  auto cookie = std::make_unique<TCookie>(this);
  TCookie* added = cookie.get();
  addItem(std::move(cookie));
  return added;
}

class TIdCookieManager;
using TOnManagerEvent = std::function<void(TIdCookieManager* ASender, TIdCookies* ACookieCollection)>;
using TOnNewCookieEvent = std::function<void(TIdCookieManager* ASender, TIdCookieRFC2109* ACookie, bool& VAccept)>;

class TIdCookieManager : public TIdBaseComponent, public TIdFreeNotifier {
public:
  // OnCreate fires once the collection exists, so its handler comes with
  // the constructor.
  explicit TIdCookieManager(TOnManagerEvent onCreate = nullptr);
  // Drops expired cookies, fires OnDestroy, then frees every cookie.
  ~TIdCookieManager() override;

  // A Set-Cookie (or Set-Cookie2) value of a response to the request for
  // source: a cookie without a domain belongs to source's host, one without
  // a path to source's folder.
  void AcceptSetCookie(const std::string& text, const TIdURI& source);
  void AcceptSetCookie2(const std::string& text, const TIdURI& source);

  // The Cookie header value for a request to uri; empty when no cookie
  // applies. A cookie goes to its own domain and the hosts within it, and a
  // secure one only when tlsConnection says the connection really runs TLS.
  std::string CookieHeaderFor(const TIdURI& uri, bool tlsConnection);
  // Frees every cookie whose expiry date has passed.
  void RemoveExpired();

  TIdCookies& CookieCollection() { return *Collection; }

  TOnManagerEvent OnCreate;
  TOnManagerEvent OnDestroy;
  TOnNewCookieEvent OnNewCookie;

protected:
  virtual void DoOnCreate();
  virtual void DoOnDestroy();
  // Whether the cookie is to be kept.
  virtual bool DoOnNewCookie(TIdCookieRFC2109* cookie);

private:
  void acceptCookie(TIdCookieRFC2109* cookie, const std::string& text, const TIdURI& source);

  std::unique_ptr<TIdCookies> Collection;
};

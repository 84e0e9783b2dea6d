// The addresses the program knows by heart: the two video sites, the sample
// watch page, the program's own pages and its support address. Every other
// file takes them from here.
#pragma once

namespace sites {

// The first video site: its domain (the clipboard scan looks for it, and its
// video addresses go to it) and its home page.
inline constexpr const char* FirstSiteDomain = "clipcove.example";
inline constexpr const char* FirstSiteHome = "http://www.clipcove.example/";

// The second video site: the full host name of its pages, the host its videos
// are fetched from, and its home page.
inline constexpr const char* SecondSiteHost = "video.reelharbor.example";
inline constexpr const char* SecondSiteDownloadHost = "dl.reelharbor.example";
inline constexpr const char* SecondSiteHome = "http://video.reelharbor.example/";

// The URL field's default and what replaces the start page's address in it.
inline constexpr const char* SampleWatchAddress = "http://www.clipcove.example/watch?v=Kq3fZ8wLp2A";

// Pages that ship with the program, by file name in its data folder.
inline constexpr const char* StartPageFile = "start.html";
inline constexpr const char* AboutPageFile = "about.html";

inline constexpr const char* SupportAddress = "support@quillfen.example";
inline constexpr const char* MailQuery =
    "?subject=Quillfen%20support&body=Hi!%0dMy%20name%20is%20%0d%20Windows%20version%20:%20%0d";
inline constexpr const char* VendorAddressCaption = "quillfen.example";

}  // namespace sites

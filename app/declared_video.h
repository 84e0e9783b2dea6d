// The video a page declares the standard ways, for pages of neither site:
// sharing properties (og:video, twitter:player:stream), the player tags
// (<video src>, <source src> inside <video>) and <link rel="video_src">.
// The page's upload date is read from its meta tags and JSON-LD.
// A forgiving scan of the markup: any attribute order, quotes or none, any
// case, broken tags; script and style text is skipped, never run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TPageDeclarations {
  // Absolute http or https addresses, the most trustworthy first: the
  // sharing properties, then the player tags (sources of a type the
  // converter reads before others), then the link. No address twice.
  std::vector<std::string> Videos;
  // The text of the first <title>, references decoded, blanks collapsed.
  std::string Title;
  // YYYYMMDD, from og:video:release_date, a JSON-LD or microdata uploadDate,
  // or article:published_time, in that order; empty when none is a date.
  std::string UploadDate;
};

// Relative and protocol-relative addresses resolve against pageAddress, the
// address the page finally came from.
TPageDeclarations ScanPageDeclarations(std::string_view page, const std::string& pageAddress);

// &amp; &lt; &gt; &quot; &apos;, the Latin-1 names (&nbsp; to &yuml;) and
// numeric references, into UTF-8; anything else stays as written.
std::string DecodeCharacterReferences(std::string_view text);

// ref against base, as a browser resolves a link; characters that may not
// stand in a request line are percent-encoded and the fragment is dropped.
// Empty when ref is empty.
std::string ResolveAddress(const std::string& base, std::string_view ref);

#include "app/cli/cli_options.h"

#include <getopt.h>

#include <cctype>
#include <charconv>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include <fmt/core.h>

#include "app/cli/cli_text.h"
#include "app/messages.h"
#include "app/option_lists.h"
#include "app/output_name.h"
#include "app/video_findings_text.h"
#include "net/http/text_helpers.h"
#include "platform/exception.h"
#include "platform/int_parse.h"
#include "platform/text.h"
#include "quillfen_version.h"

namespace {
const char* const UsageText = QT_TRANSLATE_NOOP("quillfen-cli", R"(Usage: quillfen-cli [options] URL...
Saves the video of each watch page, video address or page that declares a
video in the chosen format. An address without http:// or https:// is taken
as http://.

  -o, --output FILE          the output file, '%(title)s.%(ext)s' in the
                             current folder by default; a folder (ending in
                             /) holds that name; with several addresses a
                             template (%(title)s the page's title or the
                             file's name, %(ext)s the format's extension,
                             %(id)s the site's video id, %(format)s the
                             output format, %(webpage_url_domain)s the
                             address's host, %(width)s, %(height)s and
                             %(resolution)s the picture's size,
                             %(upload_date)s the page's upload day as
                             YYYYMMDD, NA when unknown; %(title).60s the
                             first 60 characters, %% a %); a fixed name
                             gets the format's extension; missing folders
                             are made; an existing file is replaced
      --restrict-filenames   only ASCII letters, digits, -, _ and . in the
                             values of a template's fields
      --no-overwrite         keep an existing output file: the address is
                             refused (exit 2) instead
  -a, --batch-file FILE      also the addresses in FILE, one a line (blank
                             lines and lines starting with # are skipped);
                             - reads them from standard input
      --jobs N               fetch up to N addresses at once (1 to 16,
                             default 1); the summary keeps their order
      --format NAME          the output format; by default Original with
                             --remux-or-convert, which keeps the streams as
                             they are; names in any letter case:
{formats}
  -x, --extract-audio        the sound alone as MP3 (--format MP3)
      --remux-or-convert     Original: re-encode to MP4 when the streams do
                             not fit a container as they are
      --width N              frame width (default the source's; 320 for
                             the older formats)
      --height N             frame height (default the source's; 240 for
                             the older formats)
      --rate N               frame rate, 1 to 120 (default the source's; 25
                             for AVI)
      --video-compressor NAME   AVI video compressor (default MJPEG Compressor)
      --audio-compressor NAME   AVI audio compressor (default PCM)
      --no-video-compressor  AVI with uncompressed video
      --no-audio-compressor  AVI with uncompressed audio
      --wmv8-profile NAME    a built-in Windows Media 8 profile
      --wmv9-profile NAME    a Windows Media 9 profile file, by its caption or
                             file name (default the first)
      --proxy HOST:PORT      an HTTP proxy
      --socks4 HOST:PORT, --socks4a HOST:PORT, --socks5 HOST:PORT
                             a SOCKS proxy
      --site-host HOST:PORT  send the video requests to a local copy of the sites
      --retries N            try a dropped, cut, refused or stalled transfer of
                             a video, a part or a segment again up to N times
                             (default 3; 0 never tries again)
      --timeout SECONDS      give up a connect, TLS handshake or read that
                             waits longer (default 30, 0 waits for ever); it
                             counts as a dropped connection for --retries
      --continue             continue the partial video an earlier run left
      --download-archive FILE   skip the videos recorded in FILE, and record
                             each one saved there
  -N, --connections N        fetch a stream's segments, or a large file's
                             parts, over N connections at once (1 to 16,
                             default 4)
  -r, --limit-rate RATE      at most RATE bytes a second for each video, all
                             its connections together; K, M and G multiply
                             by 1024 (500K, 2M)
      --max-height N         a stream's tallest quality at most N pixels high
                             (default: the highest bandwidth)
  -f, --quality ID           the stream's quality of that id (as -F lists
                             them), or best or worst (highest or lowest
                             bandwidth, within --max-height)
  -F, --list-formats         list the qualities each address offers and exit
  -j, --dump-json            print what was found of each address (title,
                             qualities, the one chosen, the output name) as
                             one JSON object a line, and save nothing
      --print FIELD          print that field of each address (title, id,
                             format_id, resolution, filename, ...) and save
                             nothing
  -s, --simulate             find everything, fetch no video, save nothing
      --insecure             do not check the servers' certificates
  -q, --quiet                nothing on standard error but the errors
      --no-progress          no byte counts or progress bars
      --newline              a line for each progress update, also on a
                             terminal
  -h, --help                 this text
      --version              the program's version

Options may follow the addresses; a value may be joined with = (--format=mp4)
or to a letter (-N4); letters may be bundled (-xo FILE); -- ends the options.
Without a proxy option the variables http_proxy, https_proxy, all_proxy and
no_proxy apply, as for curl. Certificates are checked against the system's
trust store (SSL_CERT_FILE names another).
Exit codes: 0 saved, 2 bad arguments, 3 no video on the page, 4 conversion
failed, 5 network or HTTP error, 1 any other error, 130 and 143 stopped by
Ctrl-C and SIGTERM. With several addresses the rest go on after a failure, a
summary lists each, and the exit code is that of the first failure.
)");

// The format names as the usage text lists them, wrapped under the option.
std::string formatList() {
  constexpr size_t Indent = 29, Width = 79;
  std::string text, line;
  for (const TOutputFormat& format : OutputFormats) {
    std::string name = OutputTypeName(format.Type);
    if (name.find(' ') != std::string::npos) name = "\"" + name + "\"";
    if (!line.empty() && Indent + line.size() + 2 + name.size() > Width) {
      text += std::string(Indent, ' ') + line + ",\n";
      line.clear();
    }
    line += (line.empty() ? "" : ", ") + name;
  }
  return text + std::string(Indent, ' ') + line;
}
}  // namespace

std::string CliUsage() {
  std::string usage = CliText(UsageText);
  // A translation that leaves out the list goes without it.
  if (const size_t list = usage.find("{formats}"); list != std::string::npos) usage.replace(list, 9, formatList());
  return usage;
}

namespace {

// Names are taken in any letter case; an unknown one gets the known ones on
// one line.
int indexIn(const std::vector<std::string>& items, const std::string& name, const char* what) {
  for (size_t i = 0; i < items.size(); ++i)
    if (SameText(items[i], name)) return int(i);
  std::string known;
  for (const std::string& item : items) known += (known.empty() ? "" : ", ") + item;
  throw EBadArguments(
      CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "Unknown {} '{}'; known are: {}"), CliText(what), name, known));
}

int wmv9Index(const std::string& name) {
  for (size_t i = 0; i < WMV9Profiles.size(); ++i) {
    const std::string file = WMV9Profiles[i].FileName;
    if (name == WMV9Profiles[i].Caption || name == file || name == file.substr(0, file.size() - 4)) return int(i);
  }
  std::vector<std::string> captions;
  for (const TWMV9Profile& profile : WMV9Profiles) captions.emplace_back(profile.Caption);
  return indexIn(captions, name, QT_TRANSLATE_NOOP("quillfen-cli", "Windows Media 9 profile"));
}

// The option's scheme is the default: an address that names one keeps it.
TProxyAddress proxyOption(const std::string& option, const std::string& value, const char* scheme) {
  try {
    return ParseProxyAddress(option, value.find("://") == std::string::npos ? scheme + value : value);
  } catch (const Exception& error) {
    throw EBadArguments(error.Message);
  }
}

TOutputType outputFormat(const std::string& name) {
  if (const std::optional<TOutputType> format = OutputFormatNamed(name)) return *format;
  throw EBadArguments(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "Unknown format '{}'; known are: {}"), name,
                                OutputFormatNames(", ")));
}

// The names --list gives, one a line, for shell completion; the option is
// left out of the usage text.
std::string listing(const std::string& what, const TOptionLists& lists) {
  const std::vector<std::string> kinds = {"formats", "video-compressors", "audio-compressors", "wmv8-profiles",
                                          "wmv9-profiles"};
  std::vector<std::string> formats;
  for (const TOutputFormat& format : OutputFormats) formats.push_back(OutputTypeName(format.Type));
  const std::vector<std::string>* names[] = {&formats, &lists.VideoCompressors.Items, &lists.AudioCompressors.Items,
                                             &lists.WMV8Profiles.Items, &lists.WMV9Profiles.Items};
  std::string text;
  for (const std::string& name : *names[indexIn(kinds, what, QT_TRANSLATE_NOOP("quillfen-cli", "list"))])
    text += name + "\n";
  return text;
}

// A whole number in [least, most] for option, else an error naming both.
int wholeNumber(const std::string& option, const std::string& text, int least, int most) {
  try {
    const int32_t value = StrToInt(text);
    if (value >= least && value <= most) return value;
  } catch (const EConvertError&) {
  }
  throw EBadArguments(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} takes a whole number from {} to {}, not '{}'"),
                                option, least, most, text));
}

// A rate such as 500K or 2M: K, M and G are multiples of 1024; a fraction
// is taken (1.5M).
int64_t byteRate(const std::string& option, const std::string& text) {
  constexpr std::string_view Units = "KMG";
  std::string number = text;
  int64_t unit = 1;
  if (!number.empty()) {
    if (const size_t at = Units.find(char(std::toupper(static_cast<unsigned char>(number.back()))));
        at != std::string_view::npos) {
      unit = int64_t(1) << (10 * (at + 1));
      number.pop_back();
    }
  }
  double bytes = 0;
  const char* const end = number.data() + number.size();
  const bool digits = !number.empty() && number.find_first_not_of("0123456789.") == std::string::npos;
  if (digits && std::from_chars(number.data(), end, bytes, std::chars_format::fixed).ptr == end) {
    bytes *= double(unit);
    if (bytes >= 1 && bytes < 1e15) return int64_t(bytes);
  }
  throw EBadArguments(CliFormat(
      QT_TRANSLATE_NOOP("quillfen-cli", "{} takes bytes a second such as 500K or 2M, not '{}'"), option, text));
}

// An address without a scheme is taken as http, as curl takes it; any other
// scheme than http and https is refused before anything is fetched.
std::string usableAddress(const std::string& address) {
  size_t schemeEnd = 0;
  while (schemeEnd < address.size() &&
         (std::isalpha(static_cast<unsigned char>(address[schemeEnd])) ||
          (schemeEnd > 0 && (std::isdigit(static_cast<unsigned char>(address[schemeEnd])) ||
                             std::string_view("+.-").find(address[schemeEnd]) != std::string_view::npos))))
    ++schemeEnd;
  if (schemeEnd == 0 || address.compare(schemeEnd, 3, "://") != 0)
    return "http://" + address.substr(address.starts_with("//") ? 2 : 0);
  const std::string scheme = LowerCase(address.substr(0, schemeEnd));
  if (scheme == "http" || scheme == "https") return address;
  throw EBadArguments(MessageFormat(app_messages::UnusableAddress, address));
}

}  // namespace

std::vector<std::string> ParseAddressList(const std::string& text) {
  std::vector<std::string> addresses;
  for (const std::string& line : SplitLines(text)) {
    std::string address = Trim(line);
    if (!address.empty() && address[0] != '#') addresses.push_back(std::move(address));
  }
  return addresses;
}

namespace {

// Options with a long name only are told apart by codes past any character.
enum LongOnly : int {
  FormatOption = 256,
  RemuxOrConvertOption,
  WidthOption,
  HeightOption,
  RateOption,
  VideoCompressorOption,
  AudioCompressorOption,
  NoVideoCompressorOption,
  NoAudioCompressorOption,
  Wmv8ProfileOption,
  Wmv9ProfileOption,
  ProxyOption,
  Socks4Option,
  Socks4aOption,
  Socks5Option,
  SiteHostOption,
  RetriesOption,
  TimeoutOption,
  ContinueOption,
  DownloadArchiveOption,
  MaxHeightOption,
  InsecureOption,
  NoOverwriteOption,
  VersionOption,
  ListOption,
  NoProgressOption,
  RestrictFilenamesOption,
  NewlineOption,
  PrintOption,
  JobsOption,
};

const ::option LongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, VersionOption},
    {"list", required_argument, nullptr, ListOption},
    {"output", required_argument, nullptr, 'o'},
    {"no-overwrite", no_argument, nullptr, NoOverwriteOption},
    {"batch-file", required_argument, nullptr, 'a'},
    {"jobs", required_argument, nullptr, JobsOption},
    {"format", required_argument, nullptr, FormatOption},
    {"extract-audio", no_argument, nullptr, 'x'},
    {"remux-or-convert", no_argument, nullptr, RemuxOrConvertOption},
    {"width", required_argument, nullptr, WidthOption},
    {"height", required_argument, nullptr, HeightOption},
    {"rate", required_argument, nullptr, RateOption},
    {"video-compressor", required_argument, nullptr, VideoCompressorOption},
    {"audio-compressor", required_argument, nullptr, AudioCompressorOption},
    {"no-video-compressor", no_argument, nullptr, NoVideoCompressorOption},
    {"no-audio-compressor", no_argument, nullptr, NoAudioCompressorOption},
    {"wmv8-profile", required_argument, nullptr, Wmv8ProfileOption},
    {"wmv9-profile", required_argument, nullptr, Wmv9ProfileOption},
    {"proxy", required_argument, nullptr, ProxyOption},
    {"socks4", required_argument, nullptr, Socks4Option},
    {"socks4a", required_argument, nullptr, Socks4aOption},
    {"socks5", required_argument, nullptr, Socks5Option},
    {"site-host", required_argument, nullptr, SiteHostOption},
    {"retries", required_argument, nullptr, RetriesOption},
    {"timeout", required_argument, nullptr, TimeoutOption},
    {"continue", no_argument, nullptr, ContinueOption},
    {"download-archive", required_argument, nullptr, DownloadArchiveOption},
    {"connections", required_argument, nullptr, 'N'},
    {"max-height", required_argument, nullptr, MaxHeightOption},
    {"insecure", no_argument, nullptr, InsecureOption},
    {"quiet", no_argument, nullptr, 'q'},
    {"no-progress", no_argument, nullptr, NoProgressOption},
    {"newline", no_argument, nullptr, NewlineOption},
    {"limit-rate", required_argument, nullptr, 'r'},
    {"quality", required_argument, nullptr, 'f'},
    {"list-formats", no_argument, nullptr, 'F'},
    {"dump-json", no_argument, nullptr, 'j'},
    {"print", required_argument, nullptr, PrintOption},
    {"simulate", no_argument, nullptr, 's'},
    {"restrict-filenames", no_argument, nullptr, RestrictFilenamesOption},
    {nullptr, 0, nullptr, 0},
};
// The leading ':' has a missing value reported apart from an unknown option.
constexpr const char* ShortOptions = ":ho:a:xN:qr:f:Fjs";

// The option as the user wrote it, for the messages: the long name that was
// used, else the letter.
std::string optionName(int code, int longIndex) {
  if (longIndex >= 0) return std::string("--") + LongOptions[longIndex].name;
  return std::string("-") + char(code);
}

// An option getopt refused, as written: a long one (without a value given
// with "="), else the letter. The word before getopt's place is the long
// option's, while a letter may sit inside a word not yet passed.
std::string refusedOption(const char* word, int letter) {
  const std::string_view text(word);
  const std::string longName(text.substr(0, text.find('=')));
  if (letter <= 0 || letter >= FormatOption) return longName;
  for (const ::option& option : LongOptions)
    if (option.name && option.val == letter && longName.starts_with("--") &&
        std::string_view(option.name).starts_with(longName.substr(2)))
      return longName;
  return std::string("-") + char(letter);
}

// getopt keeps its place in globals: one parse at a time.
std::mutex parsing;

}  // namespace

TCliOptions ParseCliOptions(const std::vector<std::string>& arguments, const TOptionLists& lists,
                            const std::function<std::string(const std::string& path)>& readFile) {
  TCliOptions options;
  TOutputChoices& choices = options.Choices;
  choices.UseVideoCompressor = choices.UseAudioCompressor = true;
  choices.VideoCompressorIndex = lists.VideoCompressors.Selected;
  choices.AudioCompressorIndex = lists.AudioCompressors.Selected;
  if (lists.WMV8Profiles.Selected >= 0) choices.WMV8ProfileName = lists.WMV8Profiles.Items[0];
  // The streams as they are, in a container that fits them; the picture's
  // size and rate are the source's unless given.
  choices.Format = otOriginal;
  choices.RemuxOrConvert = true;
  choices.Width.clear();
  choices.Height.clear();
  choices.FrameRate.clear();
  bool formatGiven = false, remuxGiven = false;

  // getopt reorders the words it is given, so it gets copies.
  std::vector<std::string> words = {"quillfen-cli"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int argc = int(words.size());

  std::vector<std::string> listed;
  const std::lock_guard lock(parsing);
  optind = 0;  // GNU getopt starts afresh
  opterr = 0;
  for (;;) {
    int longIndex = -1;
    const int code = getopt_long(argc, argv.data(), ShortOptions, LongOptions, &longIndex);
    if (code == -1) break;
    if (code == '?')
      throw EBadArguments(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "Unknown option {}"),
                                    refusedOption(argv[size_t(optind - 1)], optopt)));
    if (code == ':')
      throw EBadArguments(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "The option {} needs a value"),
                                    refusedOption(argv[size_t(optind - 1)], optopt)));
    const std::string option = optionName(code, longIndex);
    const std::string value = optarg ? optarg : "";
    switch (code) {
      case 'h': options.Reply = CliUsage(); break;
      case VersionOption: options.Reply = std::string("quillfen-cli ") + QuillfenVersion + "\n"; break;
      case ListOption: options.Reply = listing(value, lists); break;
      case 'o': options.OutputFile = value; break;
      case FormatOption:
        choices.Format = outputFormat(value);
        formatGiven = true;
        break;
      case 'x':
        choices.Format = otMP3;
        formatGiven = true;
        break;
      case RemuxOrConvertOption: remuxGiven = true; break;
      case 'a': {
        std::string text;
        try {
          text = readFile(value);
        } catch (const std::exception& error) {
          throw EBadArguments(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "Cannot read the address list '{}': {}"),
                                        value, error.what()));
        }
        for (std::string& address : ParseAddressList(text)) listed.push_back(std::move(address));
        break;
      }
      case RetriesOption: options.Retries = wholeNumber(option, value, 0, 100); break;
      case TimeoutOption: options.TimeoutSeconds = wholeNumber(option, value, 0, 86400); break;
      case ContinueOption: options.ContinuePartial = true; break;
      case DownloadArchiveOption: options.DownloadArchive = value; break;
      case 'N': options.Streams.Connections = wholeNumber(option, value, 1, 16); break;
      case JobsOption: options.Jobs = wholeNumber(option, value, 1, 16); break;
      case 'f': options.Streams.Quality = value; break;
      case 'F': options.ListFormats = true; break;
      case 'j': options.DumpJson = true; break;
      case 's': options.Simulate = true; break;
      case PrintOption:
        options.PrintField =
            PrintableFields()[size_t(indexIn(PrintableFields(), value, QT_TRANSLATE_NOOP("quillfen-cli", "field")))];
        break;
      case 'r': options.LimitRate = byteRate(option, value); break;
      case MaxHeightOption: options.Streams.MaxHeight = wholeNumber(option, value, 1, 32767); break;
      case InsecureOption: options.Insecure = true; break;
      case NoOverwriteOption: options.NoOverwrite = true; break;
      case WidthOption: choices.Width = value; break;
      case HeightOption: choices.Height = value; break;
      case RateOption: choices.FrameRate = std::to_string(wholeNumber(option, value, 1, 120)); break;
      case VideoCompressorOption:
        choices.VideoCompressorIndex =
            indexIn(lists.VideoCompressors.Items, value, QT_TRANSLATE_NOOP("quillfen-cli", "video compressor"));
        break;
      case AudioCompressorOption:
        choices.AudioCompressorIndex =
            indexIn(lists.AudioCompressors.Items, value, QT_TRANSLATE_NOOP("quillfen-cli", "audio compressor"));
        break;
      case NoVideoCompressorOption: choices.UseVideoCompressor = false; break;
      case NoAudioCompressorOption: choices.UseAudioCompressor = false; break;
      case Wmv8ProfileOption:
        choices.WMV8ProfileName =
            lists.WMV8Profiles
                .Items[indexIn(lists.WMV8Profiles.Items, value, QT_TRANSLATE_NOOP("quillfen-cli", "WMV 8 profile"))];
        choices.UseWMV9 = false;
        break;
      case Wmv9ProfileOption:
        choices.WMV9Index = wmv9Index(value);
        choices.UseWMV9 = true;
        break;
      case ProxyOption: options.Proxy = proxyOption(option, value, "http://"); break;
      case Socks4Option: options.Proxy = proxyOption(option, value, "socks4://"); break;
      case Socks4aOption: options.Proxy = proxyOption(option, value, "socks4a://"); break;
      case Socks5Option: options.Proxy = proxyOption(option, value, "socks5://"); break;
      case SiteHostOption: options.SiteHost = value; break;
      case 'q': options.Quiet = true; break;
      case NoProgressOption: options.NoProgress = true; break;
      case NewlineOption: options.Newline = true; break;
      case RestrictFilenamesOption: options.RestrictFilenames = true; break;
    }
  }
  for (int i = optind; i < argc; ++i) options.Addresses.emplace_back(argv[size_t(i)]);
  // A format named on its own converts as that format asks.
  if (formatGiven) choices.RemuxOrConvert = remuxGiven;
  if (options.Reply) return options;
  options.Addresses.insert(options.Addresses.end(), listed.begin(), listed.end());
  if (options.Addresses.empty()) throw EBadArguments(CliText(QT_TRANSLATE_NOOP("quillfen-cli", "No WATCH-URL given")));
  for (std::string& address : options.Addresses) address = usableAddress(address);
  options.OutputFile = OutputNameOf(options.OutputFile);
  // Fail before any download rather than after the first.
  if (IsNameTemplate(options.OutputFile)) {
    try {
      ExpandNameTemplate(options.OutputFile, TNameFields{});
    } catch (const EBadNameTemplate& error) {
      throw EBadArguments(error.what());
    }
  } else if (options.Addresses.size() > 1) {
    throw EBadArguments(CliText(QT_TRANSLATE_NOOP(
        "quillfen-cli", "With several addresses -o must be a name template, such as '%(title)s.%(ext)s'")));
  }
  return options;
}

#include "app/cli/cli_options.h"

#include <cctype>
#include <stdexcept>
#include <string_view>

#include <fmt/core.h>

#include "app/cli/cli_text.h"
#include "app/messages.h"
#include "app/option_lists.h"
#include "app/output_name.h"
#include "net/http/text_helpers.h"
#include "platform/exception.h"
#include "platform/int_parse.h"
#include "quillfen_version.h"

namespace {
const char* const UsageText = QT_TRANSLATE_NOOP("quillfen-cli", R"(Usage: quillfen-cli [options] URL...
Saves the video of each watch page, video address or page that declares a
video in the chosen format. An address without http:// or https:// is taken
as http://.

  -o, --output FILE          the output file (required); with several
                             addresses a template such as '%(title)s.%(ext)s'
                             (%(title)s the page's title or the file's name,
                             %(ext)s the format's extension, %% a %); missing
                             folders are made; an existing file is replaced
      --no-overwrite         keep an existing output file: the address is
                             refused (exit 2) instead
  -a, --batch-file FILE      also the addresses in FILE, one a line (blank
                             lines and lines starting with # are skipped)
      --format NAME          the output format, AVI by default; Original keeps
                             the streams as they are; names in any letter case:
{formats}
  -x, --extract-audio        the sound alone as MP3 (--format MP3)
      --remux-or-convert     Original: re-encode to MP4 when the streams do
                             not fit a container as they are
      --width N              frame width (default 320)
      --height N             frame height (default 240)
      --rate N               frame rate for AVI, 1 to 120 (default 25)
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
      --max-height N         a stream's tallest quality at most N pixels high
                             (default: the highest bandwidth)
      --insecure             do not check the servers' certificates
  -h, --help                 this text
      --version              the program's version

Without a proxy option the variables http_proxy, https_proxy, all_proxy and
no_proxy apply, as for curl. Certificates are checked against the system's
trust store (SSL_CERT_FILE names another).
Exit codes: 0 saved, 2 bad arguments, 3 no video on the page, 4 conversion
failed, 5 network or HTTP error, 1 any other error. With several addresses
the rest go on after a failure, a summary lists each, and the exit code is
that of the first failure.
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

TCliOptions ParseCliOptions(const std::vector<std::string>& arguments, const TOptionLists& lists,
                            const std::function<std::string(const std::string& path)>& readFile) {
  TCliOptions options;
  TOutputChoices& choices = options.Choices;
  choices.UseVideoCompressor = choices.UseAudioCompressor = true;
  choices.VideoCompressorIndex = lists.VideoCompressors.Selected;
  choices.AudioCompressorIndex = lists.AudioCompressors.Selected;
  if (lists.WMV8Profiles.Selected >= 0) choices.WMV8ProfileName = lists.WMV8Profiles.Items[0];

  std::vector<std::string> listed;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size())
        throw EBadArguments(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "The option {} needs a value"), argument));
      return arguments[++i];
    };
    if (argument == "-h" || argument == "--help") options.Reply = CliUsage();
    else if (argument == "--version") options.Reply = std::string("quillfen-cli ") + QuillfenVersion + "\n";
    else if (argument == "--list") options.Reply = listing(value(), lists);
    else if (argument == "-o" || argument == "--output") options.OutputFile = value();
    else if (argument == "--format") choices.Format = outputFormat(value());
    else if (argument == "-x" || argument == "--extract-audio") choices.Format = otMP3;
    else if (argument == "--remux-or-convert") choices.RemuxOrConvert = true;
    else if (argument == "-a" || argument == "--batch-file") {
      const std::string path = value();
      std::string text;
      try {
        text = readFile(path);
      } catch (const std::exception& error) {
        throw EBadArguments(
            CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "Cannot read the address list '{}': {}"), path, error.what()));
      }
      for (std::string& address : ParseAddressList(text)) listed.push_back(std::move(address));
    } else if (argument == "--retries") options.Retries = wholeNumber(argument, value(), 0, 100);
    else if (argument == "--timeout") options.TimeoutSeconds = wholeNumber(argument, value(), 0, 86400);
    else if (argument == "--continue") options.ContinuePartial = true;
    else if (argument == "--download-archive") options.DownloadArchive = value();
    else if (argument == "-N" || argument == "--connections")
      options.Streams.Connections = wholeNumber(argument, value(), 1, 16);
    else if (argument == "--max-height") options.Streams.MaxHeight = wholeNumber(argument, value(), 1, 32767);
    else if (argument == "--insecure") options.Insecure = true;
    else if (argument == "--no-overwrite") options.NoOverwrite = true;
    else if (argument == "--width") choices.Width = value();
    else if (argument == "--height") choices.Height = value();
    else if (argument == "--rate") choices.FrameRate = std::to_string(wholeNumber(argument, value(), 1, 120));
    else if (argument == "--video-compressor")
      choices.VideoCompressorIndex =
          indexIn(lists.VideoCompressors.Items, value(), QT_TRANSLATE_NOOP("quillfen-cli", "video compressor"));
    else if (argument == "--audio-compressor")
      choices.AudioCompressorIndex =
          indexIn(lists.AudioCompressors.Items, value(), QT_TRANSLATE_NOOP("quillfen-cli", "audio compressor"));
    else if (argument == "--no-video-compressor") choices.UseVideoCompressor = false;
    else if (argument == "--no-audio-compressor") choices.UseAudioCompressor = false;
    else if (argument == "--wmv8-profile") {
      choices.WMV8ProfileName =
          lists.WMV8Profiles
              .Items[indexIn(lists.WMV8Profiles.Items, value(), QT_TRANSLATE_NOOP("quillfen-cli", "WMV 8 profile"))];
      choices.UseWMV9 = false;
    } else if (argument == "--wmv9-profile") {
      choices.WMV9Index = wmv9Index(value());
      choices.UseWMV9 = true;
    } else if (argument == "--proxy") options.Proxy = proxyOption(argument, value(), "http://");
    else if (argument == "--socks4") options.Proxy = proxyOption(argument, value(), "socks4://");
    else if (argument == "--socks4a") options.Proxy = proxyOption(argument, value(), "socks4a://");
    else if (argument == "--socks5") options.Proxy = proxyOption(argument, value(), "socks5://");
    else if (argument == "--site-host") options.SiteHost = value();
    else if (argument.starts_with("-") && argument.size() > 1)
      throw EBadArguments(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "Unknown option {}"), argument));
    else options.Addresses.push_back(argument);
  }
  if (options.Reply) return options;
  options.Addresses.insert(options.Addresses.end(), listed.begin(), listed.end());
  if (options.Addresses.empty()) throw EBadArguments(CliText(QT_TRANSLATE_NOOP("quillfen-cli", "No WATCH-URL given")));
  for (std::string& address : options.Addresses) address = usableAddress(address);
  if (options.OutputFile.empty())
    throw EBadArguments(CliText(QT_TRANSLATE_NOOP("quillfen-cli", "No output file given (-o FILE)")));
  // Fail before any download rather than after the first.
  if (IsNameTemplate(options.OutputFile)) {
    try {
      ExpandNameTemplate(options.OutputFile, "", "");
    } catch (const EBadNameTemplate& error) {
      throw EBadArguments(error.what());
    }
  } else if (options.Addresses.size() > 1) {
    throw EBadArguments(CliText(QT_TRANSLATE_NOOP(
        "quillfen-cli", "With several addresses -o must be a name template, such as '%(title)s.%(ext)s'")));
  }
  return options;
}

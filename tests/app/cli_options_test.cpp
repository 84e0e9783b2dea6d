// The command line as people coming from other downloaders type it: the GNU
// option syntax and the defaults, parsed in the test's own process.
#include <gtest/gtest.h>

#include "app/cli/cli_options.h"
#include "app/output_name.h"
#include "tests/servers/temp_folder.h"

namespace {

const TOptionLists Lists = {
    .WMV8Profiles = {{"Video for LAN"}, 0},
    .VideoCompressors = {{"MJPEG Compressor"}, 0},
    .AudioCompressors = {{"PCM"}, 0},
    .WMV9Profiles = {{}, -1},
};

// What a parse gives that these cases tell apart.
struct Parsed {
  std::vector<std::string> Addresses;
  std::string OutputFile;
  std::optional<TOutputType> Format;
  bool RemuxOrConvert = false;
  std::string Width, Height, FrameRate;
  int Connections = 0;
  bool operator==(const Parsed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Parsed& parsed) {
  out << "{";
  for (const std::string& address : parsed.Addresses) out << address << " ";
  return out << "-o " << parsed.OutputFile << " format " << int(parsed.Format.value_or(TOutputType(-1)))
             << (parsed.RemuxOrConvert ? " remux" : "") << " " << parsed.Width << "x" << parsed.Height << "@"
             << parsed.FrameRate << " N" << parsed.Connections << "}";
}

Parsed parse(const std::vector<std::string>& arguments, const std::string& listText = "") {
  const TCliOptions options = ParseCliOptions(arguments, Lists, [&](const std::string&) { return listText; });
  return {options.Addresses,     options.OutputFile,     options.Choices.Format,    options.Choices.RemuxOrConvert,
          options.Choices.Width, options.Choices.Height, options.Choices.FrameRate, options.Streams.Connections};
}

const std::string A = "http://a.example/v";
const std::string B = "http://b.example/w";

struct SyntaxCase {
  const char* name;
  std::vector<std::string> arguments;
  Parsed expected;
};

// Each case was refused as an unknown option or taken wrongly before; the
// defaults are Original with re-encoding when needed, named from the title,
// with the source's own picture size and rate.
const SyntaxCase kSyntaxCases[] = {
    {"value after =", {"--format=MP4", "--output=x.mp4", A}, {{A}, "x.mp4", otMP4, false, "", "", "", 4}},
    {"value joined to a letter", {"-N4", "-ox", A}, {{A}, "x", otOriginal, true, "", "", "", 4}},
    {"bundled letters", {"-xo", "x", A}, {{A}, "x", otMP3, false, "", "", "", 4}},
    {"options after addresses",
     {A, "-N", "2", B, "--format", "WebM"},
     {{A, B}, DefaultNameTemplate, otWebM, false, "", "", "", 2}},
    {"-- ends the options", {"-o", "x", "--", "-N4"}, {{"http://-N4"}, "x", otOriginal, true, "", "", "", 4}},
    {"no -o", {A}, {{A}, DefaultNameTemplate, otOriginal, true, "", "", "", 4}},
    {"folder with a slash",
     {"-o", "out/", A},
     {{A}, std::string("out/") + DefaultNameTemplate, otOriginal, true, "", "", "", 4}},
    {"folder with a percent",
     {"-o", "100%/", A},
     {{A}, std::string("100%%/") + DefaultNameTemplate, otOriginal, true, "", "", "", 4}},
    {"Original asked for alone",
     {"--format", "original", A},
     {{A}, DefaultNameTemplate, otOriginal, false, "", "", "", 4}},
    {"size given",
     {"--width", "640", "--height=360", "--rate", "30", "--format", "AVI", A},
     {{A}, DefaultNameTemplate, otAVI, false, "640", "360", "30", 4}},
};

TEST(CliOptions, GnuSyntaxAndDefaults) {
  for (const SyntaxCase& c : kSyntaxCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse(c.arguments), c.expected);
  }
}

// A folder that exists is a folder without its slash too.
TEST(CliOptions, ExistingFolderTakesTheTitle) {
  TempFolder work;
  EXPECT_EQ(parse({"-o", work.Path(), A}).OutputFile, work.Path() + "/" + DefaultNameTemplate);
}

// "-a -" is standard input, read through the same reader as a file.
TEST(CliOptions, ListFromStandardInput) {
  std::string asked;
  const TCliOptions options = ParseCliOptions({"-a", "-", A}, Lists, [&](const std::string& path) {
    asked = path;
    return B + "\n# none\n";
  });
  EXPECT_EQ(asked, "-");
  EXPECT_EQ(options.Addresses, (std::vector<std::string>{A, B}));
}

// K, M and G are multiples of 1024, in either case, with a fraction or not.
TEST(CliOptions, LimitRateUnits) {
  const struct {
    std::vector<std::string> arguments;
    int64_t rate;
  } cases[] = {
      {{A}, 0},
      {{"--limit-rate", "1500", A}, 1500},
      {{"--limit-rate=500K", A}, 500 * 1024},
      {{"-r2m", A}, 2 * 1024 * 1024},
      {{"-r", "1.5M", A}, 3 * 512 * 1024},
      {{"--limit-rate", "1G", A}, int64_t(1) << 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0]);
    EXPECT_EQ(ParseCliOptions(c.arguments, Lists, {}).LimitRate, c.rate);
  }
}

struct RefusalCase {
  std::vector<std::string> arguments;
  const char* message;
};

// getopt's own messages are never seen: ours name the option as written.
const RefusalCase kRefusals[] = {
    {{"--frob", A}, "Unknown option --frob"},
    {{"--frob=1", A}, "Unknown option --frob"},
    {{"--insecure", "-xz", A}, "Unknown option -z"},
    {{"-zx", A}, "Unknown option -z"},
    {{A, "-o"}, "The option -o needs a value"},
    {{A, "--output"}, "The option --output needs a value"},
    {{A, "--format"}, "The option --format needs a value"},
    {{"-N0", A}, "-N takes a whole number from 1 to 16, not '0'"},
    {{"--connections=17", A}, "--connections takes a whole number from 1 to 16, not '17'"},
    {{"--jobs", "0", A, B}, "--jobs takes a whole number from 1 to 16, not '0'"},
    {{"--jobs=17", A, B}, "--jobs takes a whole number from 1 to 16, not '17'"},
    {{"--limit-rate", "fast", A}, "--limit-rate takes bytes a second such as 500K or 2M, not 'fast'"},
    {{"-r", "K", A}, "-r takes bytes a second such as 500K or 2M, not 'K'"},
    {{"-r", "0", A}, "-r takes bytes a second such as 500K or 2M, not '0'"},
    {{"-r", "5T", A}, "-r takes bytes a second such as 500K or 2M, not '5T'"},
    {{"-r", "1.2.3K", A}, "-r takes bytes a second such as 500K or 2M, not '1.2.3K'"},
    {{"-r", "-5K", A}, "-r takes bytes a second such as 500K or 2M, not '-5K'"},
};

TEST(CliOptions, RefusalsNameTheOption) {
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(c.message);
    try {
      parse(c.arguments);
      ADD_FAILURE() << "accepted";
    } catch (const EBadArguments& error) {
      EXPECT_EQ(error.Message, c.message);
    }
  }
}

}  // namespace

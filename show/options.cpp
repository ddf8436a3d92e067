// options.cpp: the command-line options of vuxa.
//
// Each option is a row of the table below: its name, whether it takes a value
// and how it applies that value to host::Options. Values are given as the next
// argument or after '=' ("--fps 25", "--fps=25"). Numbers are whole decimal
// numbers within the option's range, except --start's seconds, which may have
// decimals ("24.5"). A later repetition of an option wins. What needs the
// machine (a display that exists, ffmpeg, a writable video path) is checked
// later, by host::CheckOptions.
#include "show/options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace {

// Applies a value to the options; returns an error text, empty when all is well.
using Apply = std::string (*)(host::Options& options, std::string_view value);

struct OptionRule {
  std::string_view name;
  bool takesValue;
  Apply apply;
};

std::optional<int> WholeNumber(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
  if (value < low || value > high) return {};
  return value;
}

std::string BadNumber(std::string_view option, std::string_view value, int low, int high) {
  return "invalid value '" + std::string(value) + "' for " + std::string(option) +
         " (expected a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
         ")";
}

// Seconds into the show: plain decimals (digits with at most one point, no
// exponent), at least 0 and below the show's 52. Checked by hand and read with
// strtod, as not every standard library reads floating point with from_chars.
std::optional<double> StartSeconds(std::string_view text) {
  std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  int digits = 0, points = 0;
  for (std::size_t k = i; k < text.size(); ++k) {
    if (text[k] == '.') ++points;
    else if (std::isdigit(static_cast<unsigned char>(text[k]))) ++digits;
    else return {};
  }
  if (digits == 0 || points > 1) return {};
  const double value = std::strtod(std::string(text).c_str(), nullptr);
  if (!(value >= 0.0 && value < 52.0)) return {};
  return value;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() > suffix.size() &&
         std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

std::string BadValue(std::string_view option, std::string_view value, std::string_view expected) {
  return "invalid value '" + std::string(value) + "' for " + std::string(option) + " (expected " +
         std::string(expected) + ")";
}

constexpr std::array<OptionRule, 13> Rules = {{
    {"--window", false,
     [](host::Options& o, std::string_view) {
       o.window = true;
       return std::string();
     }},
    {"--fullscreen", false,
     [](host::Options& o, std::string_view) {
       o.window = false;
       return std::string();
     }},
    {"--display", true,
     [](host::Options& o, std::string_view v) {
       const auto n = WholeNumber(v, 0, 63);
       if (!n) return BadNumber("--display", v, 0, 63);
       o.display = *n;
       return std::string();
     }},
    {"--filter", true,
     [](host::Options& o, std::string_view v) {
       if (v != "nearest" && v != "linear") return BadValue("--filter", v, "nearest or linear");
       o.linearFilter = v == "linear";
       return std::string();
     }},
    {"--no-vsync", false,
     [](host::Options& o, std::string_view) {
       o.vsync = false;
       return std::string();
     }},
    {"--start", true,
     [](host::Options& o, std::string_view v) {
       const auto seconds = StartSeconds(v);
       if (!seconds)
         return BadValue("--start", v, "seconds from 0 to below 52, such as 24 or 24.5");
       o.startSeconds = *seconds;
       return std::string();
     }},
    {"--video", true,
     [](host::Options& o, std::string_view v) {
       if (!EndsWithIgnoringCase(v, ".mp4") && !EndsWithIgnoringCase(v, ".mkv"))
         return BadValue("--video", v, "a file name ending in .mp4 or .mkv");
       o.videoFile = std::string(v);
       return std::string();
     }},
    {"--scale", true,
     [](host::Options& o, std::string_view v) {
       const auto n = WholeNumber(v, 1, 16);
       if (!n) return BadNumber("--scale", v, 1, 16);
       o.scale = *n;
       return std::string();
     }},
    {"--capture", true,
     [](host::Options& o, std::string_view v) {
       if (v.empty()) return std::string("--capture needs a directory name");
       o.captureDir = std::string(v);
       return std::string();
     }},
    {"--overwrite", false,
     [](host::Options& o, std::string_view) {
       o.overwrite = true;
       return std::string();
     }},
    {"--fps", true,
     [](host::Options& o, std::string_view v) {
       const auto n = WholeNumber(v, 1, 1000);
       if (!n) return BadNumber("--fps", v, 1, 1000);
       o.fps = *n;
       return std::string();
     }},
    {"--data", true,
     [](host::Options& o, std::string_view v) {
       if (v.empty()) return std::string("--data needs a directory name");
       o.dataDir = std::string(v);
       return std::string();
     }},
    {"--mute", false,
     [](host::Options& o, std::string_view) {
       o.mute = true;
       return std::string();
     }},
}};

const OptionRule* FindRule(std::string_view name) {
  for (const OptionRule& rule : Rules)
    if (rule.name == name) return &rule;
  return nullptr;
}

ParsedOptions Failure(std::string error) {
  ParsedOptions result;
  result.action = ParsedOptions::Action::Error;
  result.error = std::move(error);
  return result;
}

}  // namespace

ParsedOptions ParseOptions(int argc, const char* const* argv) {
  ParsedOptions result;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") return ParsedOptions{ParsedOptions::Action::Help, {}, {}};
    if (arg == "--version") return ParsedOptions{ParsedOptions::Action::Version, {}, {}};
    if (arg == "--benchmark") {
      result.benchmark = true;
      result.options.offscreen = true;
      continue;
    }

    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const OptionRule* rule = FindRule(name);
    if (!rule) return Failure("unknown option '" + std::string(arg) + "'");

    std::string_view value;
    if (equals != std::string_view::npos) {
      if (!rule->takesValue)
        return Failure("option " + std::string(name) + " takes no value ('" + std::string(arg) +
                       "')");
      value = arg.substr(equals + 1);
    } else if (rule->takesValue) {
      if (i + 1 >= argc) return Failure("option " + std::string(name) + " needs a value");
      value = argv[++i];
    }
    if (std::string error = rule->apply(result.options, value); !error.empty())
      return Failure(std::move(error));
  }
  return result;
}

const char* UsageText() {
  return "usage: vuxa [options]\n"
         "Plays the show: 52 seconds of pictures and music. Keys: Escape ends it early,\n"
         "Alt+Enter switches between full screen and a window, F12 saves the frame on\n"
         "screen as vuxa-shot-<show time>s.png (320x240) and vuxa-shot-<time>s-WxH.png\n"
         "(as large as shown) in the working directory.\n"
         "\n"
         "  --fullscreen     full screen on the desktop (the default)\n"
         "  --window         play in a window instead of full screen\n"
         "  --scale N        window size as N times 320x240 (1 to 16; default: largest that fits)\n"
         "  --display N      the monitor to play on (0 is the first; default 0)\n"
         "  --filter F       how the picture is scaled: nearest (sharp pixels; the default)\n"
         "                   or linear\n"
         "  --no-vsync       show frames without waiting for the display's refresh\n"
         "  --start S        begin S seconds into the show (0 to below 52), the music at the\n"
         "                   same point; the random generator's state is the show's own\n"
         "                   only when starting at 0\n"
         "  --capture DIR    no window and no sound: write every frame as DIR/frame_NNNNN.png\n"
         "                   and the music as DIR/music.wav (DIR is created if missing;\n"
         "                   one that holds a capture is refused)\n"
         "  --overwrite      with --capture: remove the old frames and music.wav first\n"
         "  --video FILE     no window and no sound: frames and music through ffmpeg (on the\n"
         "                   PATH) into one .mp4 or .mkv file: H.264 scaled up 4x with\n"
         "                   scale=1280:960:flags=neighbor, AAC sound; progress on stderr\n"
         "  --fps N          frames per second of --capture and --video (1 to 1000; default 60)\n"
         "  --mute           no audio device\n"
         "  --data DIR       read the show's files from DIR (default: the working directory\n"
         "                   when it holds any of them, else the data installed with vuxa)\n"
         "  --benchmark      play the whole show offscreen at --fps with no output, then\n"
         "                   print the CPU time and peak memory used\n"
         "  --help           show this text\n"
         "  --version        show the version and those of SDL, libopenmpt and FreeType\n"
         "\n"
         "Examples:\n"
         "  vuxa --fullscreen --display 1      full screen on the second monitor\n"
         "  vuxa --window --scale 3            in a 960x720 window\n"
         "  vuxa --filter linear --no-vsync    smoothed scaling, no waiting for the refresh\n"
         "  vuxa --start 24                    from the 3D scene (12: tunnel, 36: closing)\n"
         "  vuxa --capture frames --fps 25     1,301 PNG frames and music.wav in frames/\n"
         "  vuxa --video vuxa.mp4              a 60 fps video of the show with its music\n"
         "  vuxa --mute                        without sound\n"
         "  vuxa --benchmark --fps 60          how fast this machine draws the show\n"
         "  vuxa --version                     prints the versions\n";
}

const char* VersionText() { return "vuxa " VUXA_VERSION; }

std::string VersionReport() {
  return std::string(VersionText()) + "\n" + platform::LibraryVersions();
}

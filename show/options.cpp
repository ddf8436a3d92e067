// options.cpp: the command-line options of vuxa.
//
// Each option is a row of the table below: its name, whether it takes a value
// and how it applies that value to host::Options. Values are given as the next
// argument or after '=' ("--fps 25", "--fps=25"). Numbers are whole decimal
// numbers within the option's range. A later repetition of an option wins.
#include "show/options.h"

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

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

constexpr std::array<OptionRule, 5> Rules = {{
    {"--window", false,
     [](host::Options& o, std::string_view) {
       o.window = true;
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
    {"--fps", true,
     [](host::Options& o, std::string_view v) {
       const auto n = WholeNumber(v, 1, 1000);
       if (!n) return BadNumber("--fps", v, 1, 1000);
       o.fps = *n;
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
         "Plays the show: 52 seconds of pictures and music. Escape ends it early.\n"
         "\n"
         "  --window         play in a window instead of full screen\n"
         "  --scale N        window size as N times 320x240 (1 to 16; default: largest that fits)\n"
         "  --capture DIR    no window and no sound: write every frame as DIR/frame_NNNNN.png\n"
         "                   and the music as DIR/music.wav (DIR is created if missing)\n"
         "  --fps N          frames per second of the capture clock (1 to 1000; default 60)\n"
         "  --mute           no audio device\n"
         "  --help           show this text\n"
         "  --version        show the version\n";
}

const char* VersionText() { return "vuxa " VUXA_VERSION; }

// font_lookup.cpp: the font files for a face name, through fontconfig.
//
// The face name is looked up with fontconfig at the asked weight. Wine's free
// Windows core fonts (Debian's fonts-wine, outside fontconfig's usual folders)
// are added to the search when installed, so "Tahoma" finds a face with
// Tahoma's metrics. When the best match is another family (the usual case for
// Windows face names on Linux), DejaVu Sans at that weight is used, and DejaVu
// Sans Bold from its usual path as a last resort.
#include <fontconfig/fontconfig.h>

#include <optional>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/win32/font.h"

namespace platform {
namespace {

constexpr const char* kFallbackFamily = "DejaVu Sans";
constexpr const char* kLastResortFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

bool HasFamily(FcPattern* pattern, const char* family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) return true;
  return false;
}

constexpr const char* kWineFontDir = "/usr/share/wine/fonts";

bool InitFontconfig() {
  static const bool ready = [] {
    if (!FcInit()) return false;
    FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(kWineFontDir));
    return true;
  }();
  return ready;
}

// fontconfig's best file for family at an OpenType weight, if it is that family.
std::optional<FontFile> MatchFamily(const char* family, int weight) {
  if (!InitFontconfig()) return std::nullopt;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  std::optional<FontFile> found;
  FcChar8* file = nullptr;
  if (match && HasFamily(match, family) &&
      FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    int index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    found = FontFile{reinterpret_cast<const char*>(file), index};
  }
  if (match) FcPatternDestroy(match);
  return found;
}

}  // namespace

std::vector<FontFile> FontCandidates(const char* faceName, int weight) {
  std::vector<FontFile> files;
  if (faceName && *faceName)
    if (auto asked = MatchFamily(faceName, weight)) files.push_back(*asked);
  if (auto fallback = MatchFamily(kFallbackFamily, weight)) files.push_back(*fallback);
  files.push_back({kLastResortFile, 0});
  return files;
}

const char* LastResortFontFile() { return kLastResortFile; }

}  // namespace platform

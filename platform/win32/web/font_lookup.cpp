// font_lookup.cpp: the font files for a face name in a browser, where there
// is no fontconfig: the files packed with the page under /fonts (the build
// packs the file the desktop build's lookup finds). Files whose family is the
// asked face come first, at the asked weight before others; then the rest.
#include <dirent.h>

#include <algorithm>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/win32/font.h"

namespace platform {
namespace {

constexpr const char* kFontDir = "/fonts";

// Lower ranks come first: 0 the asked family at the asked weight, 1 the
// family at another weight, 2 any other face.
int Rank(const std::string& path, const char* faceName, int weight) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return 2;
  int rank = 2;
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), 0, &face) == 0) {
    if (faceName && face->family_name && strcasecmp(face->family_name, faceName) == 0) {
      const bool bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
      rank = bold == (weight >= 600) ? 0 : 1;
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return rank;
}

}  // namespace

std::vector<FontFile> FontCandidates(const char* faceName, int weight) {
  std::vector<std::string> paths;
  if (DIR* dir = opendir(kFontDir)) {
    while (const dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') paths.push_back(std::string(kFontDir) + "/" + entry->d_name);
    closedir(dir);
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::pair<int, std::string>> ranked;
  for (const std::string& path : paths) ranked.emplace_back(Rank(path, faceName, weight), path);
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<FontFile> files;
  for (const auto& [rank, path] : ranked) files.push_back({path, 0});
  return files;
}

const char* LastResortFontFile() { return "/fonts"; }

}  // namespace platform

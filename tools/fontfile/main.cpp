// fontfile FACE WEIGHT: prints the path of the font file the program draws
// FACE at WEIGHT with (the first candidate that FreeType loads), so that the
// web build packs the very file the desktop build uses. Exit 1 when none loads.
#include <cstdio>
#include <cstdlib>

#include "platform/win32/font.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fontfile FACE WEIGHT\n");
    return 2;
  }
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return 1;
  for (const platform::FontFile& file : platform::FontCandidates(argv[1], std::atoi(argv[2]))) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) == 0) {
      FT_Done_Face(face);
      std::printf("%s\n", file.path.c_str());
      return 0;
    }
  }
  return 1;
}

// assetgen OUTDIR: generates the show's data files into OUTDIR.
// assetgen --fuzz-seeds DIR: writes the small fuzz inputs into DIR/<target>/.
#include "tools/assetgen/assetgen.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace assetgen {

bool WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) {
    error = "cannot create " + path.parent_path().string() + ": " + ec.message();
    return false;
  }
  // Write beside the target and rename, so a failed run never leaves a half file.
  std::filesystem::path tmp = path;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      error = "cannot write " + tmp.string();
      return false;
    }
  }
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    error = "cannot rename " + tmp.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace assetgen

int main(int argc, char** argv) {
  std::string error;
  if (argc == 3 && std::string(argv[1]) == "--fuzz-seeds") {
    if (assetgen::WriteFuzzSeeds(argv[2], error)) return 0;
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: assetgen OUTDIR | assetgen --fuzz-seeds DIR\n");
    return 2;
  }
  const std::filesystem::path outdir = argv[1];
  if (!assetgen::WriteMusic(outdir, error) || !assetgen::WritePictures(outdir, error) ||
      !assetgen::WriteScene(outdir, error) || !assetgen::WriteIcon(outdir, error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

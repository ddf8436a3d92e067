// Writes the six pictures of images/ as 24-bit PCX files.
#include "tools/assetgen/pcx.h"
#include "tools/assetgen/pictures.h"

namespace assetgen {

namespace {

bool WritePcx(const std::filesystem::path& path, const Image& img, std::string& error) {
  const Bytes pcx = EncodePcx(img.w, img.h, ToRgb8(img));
  if (pcx.empty()) {
    error = "cannot encode " + path.string();
    return false;
  }
  return WriteFileBytes(path, pcx, error);
}

}  // namespace

bool WritePictures(const std::filesystem::path& outdir, std::string& error) {
  const std::filesystem::path dir = outdir / "images";
  for (int i = 1; i <= 4; ++i) {
    if (!WritePcx(dir / ("cred" + std::to_string(i) + ".pcx"), MakeCreditCard(i), error)) return false;
  }
  if (!WritePcx(dir / "texture.pcx", MakeTunnelTexture(), error)) return false;
  Image logo;
  if (!MakeLogoPicture(logo, error)) return false;
  return WritePcx(dir / "vuxa.pcx", logo, error);
}

}  // namespace assetgen

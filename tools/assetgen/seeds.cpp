// Small inputs for the fuzz targets (assetgen --fuzz-seeds DIR writes
// DIR/<target>/): one well-formed file of each kind the show reads, made by
// the same writers as the show's data but a few hundred bytes to a few KB
// long, and the same file cut short, so the regression test and the fuzzers
// start from both the whole and the broken path of every reader.
#include <cmath>

#include "tools/assetgen/bmp.h"
#include "tools/assetgen/draw.h"
#include "tools/assetgen/pcx.h"
#include "tools/assetgen/xm_writer.h"

namespace assetgen {

namespace {

// A 24-bit picture of horizontal bands: long runs, so a 128x128 file stays small.
Bytes BandedPcx(int width, int height) {
  Bytes rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int band = (y / 8) % 4;
      rgb.push_back(static_cast<std::uint8_t>(band * 80));
      rgb.push_back(static_cast<std::uint8_t>(255 - band * 60));
      rgb.push_back(static_cast<std::uint8_t>(x < width / 2 ? 40 : 200));  // 200: runs only
    }
  return EncodePcx(width, height, rgb);
}

Bytes SmallBmp24() {
  Image img(8, 6);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) img.At(x, y) = {x / 8.0f, y / 6.0f, 0.5f};
  return EncodeBmp24(img);
}

Bytes SmallBmp8() {
  std::vector<Rgb> palette;
  for (int i = 0; i < 16; ++i) palette.push_back({i / 15.0f, 0.2f, 1.0f - i / 15.0f});
  std::vector<std::uint8_t> indices;
  for (int i = 0; i < 16 * 16; ++i) indices.push_back(static_cast<std::uint8_t>((i % 16 + i / 16) % 16));
  return EncodeBmp8(16, 16, indices, palette);
}

// Two channels, one instrument (a short looped square wave with an
// envelope), one pattern of sixteen rows played twice.
bool TinyModule(Bytes& out, std::string& error) {
  xm::Module m;
  m.name = "seed";
  m.channels = 2;
  xm::Instrument lead;
  lead.name = "square";
  lead.sample.name = "square";
  for (int i = 0; i < 64; ++i) lead.sample.data.push_back(static_cast<std::int16_t>(i < 32 ? 9000 : -9000));
  lead.sample.loop = xm::Loop::kForward;
  lead.sample.loop_length = 64;
  lead.volume.points = {{0, 64}, {8, 40}, {32, 0}};
  lead.fadeout = 512;
  m.instruments.push_back(lead);
  xm::Pattern p;
  p.rows = 16;
  p.cells.resize(static_cast<size_t>(p.rows) * m.channels);
  for (int row = 0; row < p.rows; row += 2) {
    p.cells[static_cast<size_t>(row) * 2] = {xm::Note(4, row % 12), 1, xm::SetVolume(48), 0, 0};
    if (row % 4 == 0) p.cells[static_cast<size_t>(row) * 2 + 1] = {xm::Note(2, 0), 1, 0, xm::kFxVibrato, 0x44};
  }
  p.cells[static_cast<size_t>(15) * 2] = {xm::kKeyOff, 0, 0, 0, 0};
  m.patterns.push_back(p);
  m.order = {0, 0};
  return xm::Serialize(m, out, error);
}

// Command lines, one word per NUL-separated part.
Bytes Words(const std::string& line) {
  Bytes out(line.begin(), line.end());
  for (std::uint8_t& c : out)
    if (c == ' ') c = 0;
  return out;
}

Bytes FirstHalf(const Bytes& whole) { return Bytes(whole.begin(), whole.begin() + whole.size() / 2); }

}  // namespace

bool WriteFuzzSeeds(const std::filesystem::path& outdir, std::string& error) {
  Bytes module;
  if (!TinyModule(module, error)) return false;
  const struct {
    const char* path;
    Bytes bytes;
  } seeds[] = {
      {"pcx/banded-128.pcx", BandedPcx(128, 128)},
      {"pcx/banded-16.pcx", BandedPcx(16, 16)},
      {"pcx/cut-short.pcx", FirstHalf(BandedPcx(16, 16))},
      {"bmp/small-24.bmp", SmallBmp24()},
      {"bmp/small-8.bmp", SmallBmp8()},
      {"bmp/cut-short.bmp", FirstHalf(SmallBmp8())},
      {"scene/small.3ds", SmallSceneFile()},
      {"scene/cut-short.3ds", FirstHalf(SmallSceneFile())},
      {"module/tiny.xm", module},
      {"module/cut-short.xm", FirstHalf(module)},
      {"options/window", Words("--window --scale 3")},
      {"options/capture", Words("--capture out --fps 25 --start 24")},
      {"options/bad-number", Words("--fps=0x10 --scale -1")},
      {"options/video", Words("--video out.mp4 --mute --filter linear")},
  };
  for (const auto& seed : seeds) {
    if (seed.bytes.empty()) {
      error = std::string("cannot encode ") + seed.path;
      return false;
    }
    if (!WriteFileBytes(outdir / seed.path, seed.bytes, error)) return false;
  }
  return true;
}

}  // namespace assetgen

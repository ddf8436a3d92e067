// The generated pictures, read without a warning by the show's reader at the
// sizes it asks for and as ImageMagick reads them; every generated file the
// same on every run. How they look in the show is tests/e2e's.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/pcx.h"
#include "support/display_fixture.h"
#include "support/scratch_files.h"

namespace {

using namespace scratch;

TEST(PicturesPcx, TheShowsReaderTakesEachAtItsSizeQuietlyAndImageMagickReadsTheSame) {
  const struct {
    const char* name;
    int w, h;
  } pictures[] = {{"cred1.pcx", 128, 128}, {"cred2.pcx", 128, 128}, {"cred3.pcx", 128, 128},
                  {"cred4.pcx", 128, 128}, {"texture.pcx", 256, 256}, {"vuxa.pcx", 320, 200}};
  const bool magick = HaveTools({"convert"});
  ResetOffscreen(VUXA_DATA_DIR);
  for (const auto& c : pictures) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(c.w) * c.h, 0xDEADBEEF);
    testing::internal::CaptureStderr();
    LoadPcx(("images\\" + std::string(c.name)).c_str(), pixels.data(), c.w, c.h);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // size, kind and data as asked
    if (!magick) continue;
    const fs::path path = fs::path(VUXA_DATA_DIR) / "images" / c.name;
    const std::string raw = Output("convert '" + path.string() + "' -depth 8 rgb:- 2>/dev/null");
    ASSERT_EQ(raw.size(), 3 * pixels.size());
    int differing = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      const auto* rgb = reinterpret_cast<const std::uint8_t*>(raw.data()) + 3 * i;
      differing += pixels[i] != (std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2]);
    }
    EXPECT_EQ(differing, 0);
  }
  platform::ResetPlatform();
}

// A second run of the generator writes the same files as the build's, and no others.
TEST(Generator, WritesTheSameBytesEveryRun) {
  const ScratchDir out("assetgen_repeat");
  const std::string cmd = std::string("'") + VUXA_BINARY_DIR + "/assetgen' '" + out.path().string() + "' >/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const char* files[] = {"images/cred1.pcx",   "images/cred2.pcx", "images/cred3.pcx", "images/cred4.pcx",
                         "images/texture.pcx", "images/vuxa.pcx",  "scenes/ball.3ds",  "Textures/PLANET.BMP",
                         "Textures/RINGS.BMP", "music/vuxa.xm",     "icons/vuxa.png"};
  for (const char* f : files) {
    SCOPED_TRACE(f);
    const Bytes first = ReadBytes(fs::path(VUXA_DATA_DIR) / f);
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == ReadBytes(out.path() / f));
  }
  int written = 0;
  for (const auto& e : fs::recursive_directory_iterator(out.path())) written += e.is_regular_file();
  EXPECT_EQ(written, static_cast<int>(std::size(files)));
}

}  // namespace

// Tests of LoadAssets with the show's data files: the six pictures decode
// without warnings into their arrays and the tables are built.
#include <algorithm>
#include <string>

#include "platform/host/host.h"
#include "effects/assets.h"
#include "effects_fixture.h"
#include "scene/scene.h"

namespace {

class LoadedAssets : public EffectsTest {
 protected:
  DWORD DisplayFlags() const override { return DISPLAY_SURFACES | DISPLAY_3D; }
};

TEST_F(LoadedAssets, PicturesAndTablesFromTheShowsData) {
  host::SetDataDir(VUXA_DATA_DIR);
  testing::internal::CaptureStderr();
  LoadAssets();
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed.find(".pcx"), std::string::npos) << printed;

  auto looksLikeAPicture = [](const std::uint32_t* begin, const std::uint32_t* end) {
    const long size = end - begin;
    return std::none_of(begin, end, [](std::uint32_t p) { return p >> 24 != 0; }) &&
           std::count_if(begin, end, [](std::uint32_t p) { return p != 0; }) > size / 4 &&
           std::count(begin, end, *begin) < size / 2;
  };
  for (const auto& picture : CreditPictures)
    EXPECT_TRUE(looksLikeAPicture(std::begin(picture), std::end(picture)));
  EXPECT_TRUE(looksLikeAPicture(std::begin(TunnelTexture), std::end(TunnelTexture)));
  EXPECT_TRUE(looksLikeAPicture(std::begin(ClosingPicture), std::end(ClosingPicture)));
  EXPECT_FALSE(std::equal(std::begin(CreditPictures[0]), std::end(CreditPictures[0]), CreditPictures[1]));

  EXPECT_EQ(ShadeTable[200 * 256 + 50], 150);
  EXPECT_EQ(TunnelMap[100 * FRAME_WIDTH + 160], 0x0080);
  EXPECT_EQ(TunnelShade[100 * FRAME_WIDTH + 160], 255);
  EXPECT_GE(TheScene.meshCount, 3u);
}

}  // namespace

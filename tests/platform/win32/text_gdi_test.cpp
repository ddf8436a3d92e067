// The small GDI calls: selection by object kind, deletion, device
// capabilities, memory contexts.
#include <gtest/gtest.h>

#include "platform/win32/gdi.h"
#include "platform/ddraw/surface.h"

namespace {

HFONT MakeFont() { return CreateFontA(-21, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 2, 0x52, "Tahoma"); }

TEST(GdiSelect, KeepsOneObjectPerKindAndReturnsThePreviousOfThatKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HFONT first = MakeFont(), second = MakeFont();
  HGDIOBJ__ bitmap(HGDIOBJ__::Kind::Bitmap);

  EXPECT_EQ(SelectObject(dc, first), nullptr);
  EXPECT_EQ(SelectObject(dc, &bitmap), nullptr);  // a bitmap does not displace the font
  EXPECT_EQ(SelectObject(dc, second), first);
  EXPECT_EQ(dc->font, second);
  EXPECT_EQ(dc->bitmap, &bitmap);
  EXPECT_EQ(SelectObject(dc, &bitmap), &bitmap);

  EXPECT_EQ(SelectObject(nullptr, first), nullptr);
  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  EXPECT_EQ(dc->font, second);

  EXPECT_EQ(DeleteDC(dc), TRUE);
  EXPECT_EQ(DeleteObject(first), TRUE);
  EXPECT_EQ(DeleteObject(second), TRUE);
  EXPECT_EQ(DeleteObject(nullptr), FALSE);
}

TEST(GdiCaps, SixteenPointsAreTwentyOnePixels) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(dc, 88), 0);  // LOGPIXELSX is not asked for
  EXPECT_EQ(-MulDiv(16, GetDeviceCaps(dc, LOGPIXELSY), 72), -21);
  DeleteDC(dc);
}

TEST(GdiMemoryContext, DeletesOnlyMemoryContextsItMadeAndOnlyOnce) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(a);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->surface, nullptr);
  EXPECT_EQ(DeleteDC(a), TRUE);
  EXPECT_EQ(DeleteDC(a), FALSE);
  EXPECT_EQ(DeleteDC(nullptr), FALSE);

  DDSURFACEDESC desc{};
  auto* surface = new platform::Surface(nullptr, desc, 8, 8, platform::RgbFormat(32));
  HDC surfaceDc = nullptr;
  ASSERT_EQ(surface->GetDC(&surfaceDc), DD_OK);
  EXPECT_EQ(DeleteDC(surfaceDc), FALSE);  // belongs to its surface
  EXPECT_EQ(surface->ReleaseDC(surfaceDc), DD_OK);
  surface->Release();
  EXPECT_EQ(DeleteDC(b), TRUE);
}

}  // namespace

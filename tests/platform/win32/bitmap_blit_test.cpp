// BitBlt from a bitmap into surfaces of every texture format: conversion by
// masks, indices into palette surfaces, clipping and refused arguments.
#include <gtest/gtest.h>

#include <array>

#include "platform/ddraw/driver.h"
#include "bitmap_fixture.h"

using namespace bitmaptest;

namespace {

using BitmapBlit = BitmapTest;

TEST_F(BitmapBlit, RgbSurfacesReceiveColoursByTheirMasks) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = 1;
  layout.pixel = [](int x, int) {
    const std::uint32_t c[3] = {0xFF0000, 0x804020, 0xFFFFFF};
    return c[x];
  };
  WriteFile("c.bmp", MakeBmp(layout));
  HBITMAP bitmap = Load("c.bmp");
  ASSERT_NE(bitmap, nullptr);
  struct Case {
    DDPIXELFORMAT format;
    std::array<std::uint32_t, 3> expected;
  };
  const Case cases[] = {
      {platform::MakePixelFormat(DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F), {0xF800, 0x8204, 0xFFFF}},
      {platform::MakePixelFormat(DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F), {0x7C00, 0x4104, 0x7FFF}},
      {platform::MakePixelFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x001F, 0x8000), {0xFC00, 0xC104, 0xFFFF}},
      {platform::MakePixelFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x0F00, 0x00F0, 0x000F, 0xF000), {0xFF00, 0xF842, 0xFFFF}},
      {platform::MakePixelFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF), {0xFF0000, 0x804020, 0xFFFFFF}},
      {platform::MakePixelFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u),
       {0xFFFF0000u, 0xFF804020u, 0xFFFFFFFFu}},
      {platform::MakePixelFormat(DDPF_RGB, 8, 0xE0, 0x1C, 0x03), {0xE0, 0x88, 0xFF}},
  };
  for (const Case& c : cases) {
    IDirectDrawSurface* surface = MakeSurface(3, 1, c.format);
    ASSERT_TRUE(Blit(bitmap, surface));
    std::vector<std::uint8_t> bytes = Bytes(surface);
    const int size = static_cast<int>(c.format.dwRGBBitCount / 8);
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(Read(bytes, x * size, size), c.expected[x])
          << c.format.dwRGBBitCount << "-bit masks " << std::hex << c.format.dwRBitMask << " pixel " << x;
    surface->Release();
  }
  DeleteObject(bitmap);
}

TEST_F(BitmapBlit, PaletteSurfacesGetIndicesOrTheNearestColour) {
  const DDPIXELFORMAT indexed = platform::MakePixelFormat(DDPF_PALETTEINDEXED8, 8, 0, 0, 0);
  BmpLayout eight;
  eight.width = 5;
  eight.height = 2;
  eight.bits = 8;
  eight.colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  eight.colorsUsed = 2;
  eight.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 40 + y); };  // beyond the table too
  WriteFile("i8.bmp", MakeBmp(eight));
  {
    HBITMAP bitmap = Load("i8.bmp");
    ASSERT_NE(bitmap, nullptr);
    IDirectDrawSurface* surface = MakeSurface(5, 2, indexed, 0xEE);
    ASSERT_TRUE(Blit(bitmap, surface));
    std::vector<std::uint8_t> bytes = Bytes(surface);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(bytes[y * 5 + x], eight.pixel(x, y)) << x << "," << y;
    surface->Release();
    DeleteObject(bitmap);
  }

  // A 24-bit bitmap into a palette surface: the nearest entry of its palette.
  BmpLayout rgb;
  rgb.width = 3;
  rgb.height = 1;
  rgb.pixel = [](int x, int) {
    const std::uint32_t c[3] = {0xF01010, 0x0A0A0A, 0x10E020};
    return c[x];
  };
  WriteFile("rgb.bmp", MakeBmp(rgb));
  HBITMAP bitmap = Load("rgb.bmp");
  std::array<PALETTEENTRY, 256> entries{};
  entries.fill(PALETTEENTRY{128, 128, 128, 0});
  entries[7] = {255, 0, 0, 0};
  entries[9] = {0, 255, 0, 0};
  entries[200] = {0, 0, 0, 0};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(ddraw->CreatePalette(DDPCAPS_8BIT, entries.data(), &palette, nullptr), DD_OK);
  IDirectDrawSurface* surface = MakeSurface(3, 1, indexed);
  ASSERT_EQ(surface->SetPalette(palette), DD_OK);
  ASSERT_TRUE(Blit(bitmap, surface));
  std::vector<std::uint8_t> bytes = Bytes(surface);
  EXPECT_EQ(bytes[0], 7);
  EXPECT_EQ(bytes[1], 200);
  EXPECT_EQ(bytes[2], 9);
  surface->Release();
  palette->Release();
  DeleteObject(bitmap);
}

TEST_F(BitmapBlit, CopiesAreClippedToBitmapAndSurface) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 4;
  layout.pixel = [](int x, int y) { return static_cast<std::uint32_t>(0x010000 * (x + 1) + 0x000100 * (y + 1) + 1); };
  WriteFile("g.bmp", MakeBmp(layout));
  HBITMAP bitmap = Load("g.bmp");
  const DDPIXELFORMAT rgb = platform::MakePixelFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF);
  IDirectDrawSurface* surface = MakeSurface(6, 5, rgb, 0xEE);
  // Destination starts left of and above the surface; source starts inside the bitmap;
  // the requested size runs past both.
  ASSERT_TRUE(Blit(bitmap, surface, -1, -2, 100, 100, 1, 0));
  std::vector<std::uint8_t> bytes = Bytes(surface);
  auto at = [&](int x, int y) { return Read(bytes, (y * 6 + x) * 4); };
  // Surface (0, 0) takes bitmap (2, 2); surface columns 2.. and rows 2.. are beyond the bitmap.
  EXPECT_EQ(at(0, 0), layout.pixel(2, 2));
  EXPECT_EQ(at(1, 1), layout.pixel(3, 3));
  EXPECT_EQ(at(2, 0), 0xEEEEEEEEu);
  EXPECT_EQ(at(0, 2), 0xEEEEEEEEu);
  EXPECT_TRUE(Blit(bitmap, surface, 10, 10));  // nothing overlaps: nothing to do
  EXPECT_EQ(Bytes(surface), bytes);
  // A source starting left of and above the bitmap moves the copy instead.
  IDirectDrawSurface* shifted = MakeSurface(6, 5, rgb, 0xEE);
  ASSERT_TRUE(Blit(bitmap, shifted, 0, 0, 4, 4, -2, -1));
  const std::vector<std::uint8_t> moved = Bytes(shifted);
  EXPECT_EQ(Read(moved, 0), 0xEEEEEEEEu);
  EXPECT_EQ(Read(moved, (1 * 6 + 2) * 4), layout.pixel(0, 0));
  shifted->Release();

  EXPECT_FALSE(Blit(bitmap, surface, 0, 0, -2, 4));  // negative width
  EXPECT_FALSE(Blit(bitmap, surface, 0, 0, 4, 4, 0, 0, 0x00EE0086 /* SRCPAINT */));
  HDC target = nullptr;
  ASSERT_EQ(surface->GetDC(&target), DD_OK);
  HDC empty = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(BitBlt(target, 0, 0, 4, 4, empty, 0, 0, SRCCOPY));  // no bitmap selected
  EXPECT_FALSE(BitBlt(empty, 0, 0, 4, 4, empty, 0, 0, SRCCOPY));   // not a surface's context
  EXPECT_FALSE(BitBlt(target, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  surface->ReleaseDC(target);
  DeleteDC(empty);
  EXPECT_EQ(Bytes(surface), bytes);
  surface->Release();
  DeleteObject(bitmap);
}

}  // namespace

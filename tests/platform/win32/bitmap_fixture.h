// bitmap_fixture.h: writes BMP files into a scratch data directory, makes
// surfaces to blit into, and reads back what landed there.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/display_fixture.h"
#include "platform/host/host.h"
#include "platform/win32/win32.h"

namespace bitmaptest {

struct BmpLayout {
  int width = 4;
  int height = 4;  // negative: rows stored top-down
  int bits = 24;
  std::vector<RGBQUAD> colors;       // the colour table written
  std::uint32_t colorsUsed = 0;      // biClrUsed
  std::uint32_t compression = 0;     // biCompression
  std::uint32_t infoSize = 40;       // biSize
  std::vector<std::uint32_t> masks;  // bit-field masks written after the header
  std::vector<std::uint8_t> data;    // pixel data written instead of the rows (run-length codes)
  // Pixel (x, y), y counted from the top: an index, or 0xRRGGBB at 24 bits.
  std::function<std::uint32_t(int, int)> pixel = [](int, int) { return 0u; };
};

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void Set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) out.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::vector<std::uint8_t> MakeBmp(const BmpLayout& s) {
  const int rows = s.height < 0 ? -s.height : s.height;
  const int width = s.width > 0 ? s.width : 1;
  const int stride = (width * s.bits + 31) / 32 * 4;
  const std::uint32_t offset = 14 + s.infoSize + 4 * static_cast<std::uint32_t>(s.colors.size() + s.masks.size());
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + static_cast<std::uint32_t>(stride * rows));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, s.infoSize);
  Put32(out, static_cast<std::uint32_t>(s.width));
  Put32(out, static_cast<std::uint32_t>(s.height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(s.bits));
  Put32(out, s.compression);
  Put32(out, static_cast<std::uint32_t>(stride * rows));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, s.colorsUsed);
  Put32(out, 0);
  out.resize(14 + s.infoSize, 0);
  for (std::uint32_t m : s.masks) Put32(out, m);
  for (const RGBQUAD& c : s.colors) {
    out.push_back(c.rgbBlue);
    out.push_back(c.rgbGreen);
    out.push_back(c.rgbRed);
    out.push_back(0);
  }
  if (!s.data.empty()) {
    out.insert(out.end(), s.data.begin(), s.data.end());
    return out;
  }
  for (int r = 0; r < rows; ++r) {
    const int y = s.height > 0 ? rows - 1 - r : r;  // file row r holds image row y
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < width; ++x) {
      std::uint32_t v = s.pixel(x, y);
      switch (s.bits) {
        case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<std::uint8_t>(v); break;
        case 16:
          row[2 * x] = static_cast<std::uint8_t>(v);
          row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
        case 32:
          for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<std::uint8_t>(v >> (8 * i));
          break;
        case 24:
          row[3 * x] = static_cast<std::uint8_t>(v);
          row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
          break;
        default: break;
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}


class BitmapTest : public OffscreenPlatform {
 protected:
  void SetUp() override {
    OffscreenPlatform::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("vuxa_bitmap_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    host::SetDataDir(dir_.string());
    ASSERT_EQ(DirectDrawCreate(nullptr, &ddraw, nullptr), DD_OK);
    ASSERT_EQ(ddraw->SetCooperativeLevel(nullptr, kNormalCooperation), DD_OK);
  }
  void TearDown() override {
    OffscreenPlatform::TearDown();
    std::filesystem::remove_all(dir_);
  }

  void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::path p = dir_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
  }
  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  static HBITMAP Load(const char* name) {
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
  }

  // A texture surface, filled with `fill` bytes; the caller releases it.
  IDirectDrawSurface* MakeSurface(int width, int height, const DDPIXELFORMAT& format, std::uint8_t fill = 0) {
    DDSURFACEDESC d{};
    d.dwSize = 108;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = static_cast<DWORD>(width);
    d.dwHeight = static_cast<DWORD>(height);
    d.ddpfPixelFormat = format;
    d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface* s = nullptr;
    EXPECT_EQ(ddraw->CreateSurface(&d, &s, nullptr), DD_OK);
    if (s == nullptr) return nullptr;
    DDSURFACEDESC l{};
    l.dwSize = 108;
    EXPECT_EQ(s->Lock(nullptr, &l, DDLOCK_WAIT, nullptr), DD_OK);
    std::memset(l.lpSurface, fill, static_cast<std::size_t>(l.lPitch) * l.dwHeight);
    s->Unlock(l.lpSurface);
    return s;
  }

  // BitBlt of the whole bitmap (or the given rectangle) into the surface, as the texture loader does.
  static constexpr int kWhole = -1000000;  // the bitmap's own width or height
  static BOOL Blit(HBITMAP bitmap, IDirectDrawSurface* surface, int x = 0, int y = 0, int w = kWhole,
                   int h = kWhole, int sx = 0, int sy = 0, DWORD rop = SRCCOPY) {
    BITMAP bm{};
    GetObjectA(bitmap, sizeof(bm), &bm);
    HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, bitmap);
    HDC target = nullptr;
    EXPECT_EQ(surface->GetDC(&target), DD_OK);
    BOOL ok = BitBlt(target, x, y, w == kWhole ? bm.bmWidth : w, h == kWhole ? bm.bmHeight : h, memory, sx, sy, rop);
    surface->ReleaseDC(target);
    DeleteDC(memory);
    return ok;
  }

  // The surface's bytes, row after row.
  static std::vector<std::uint8_t> Bytes(IDirectDrawSurface* s) {
    DDSURFACEDESC l{};
    l.dwSize = 108;
    EXPECT_EQ(s->Lock(nullptr, &l, DDLOCK_WAIT, nullptr), DD_OK);
    auto* p = static_cast<const std::uint8_t*>(l.lpSurface);
    std::vector<std::uint8_t> bytes(p, p + static_cast<std::size_t>(l.lPitch) * l.dwHeight);
    s->Unlock(l.lpSurface);
    return bytes;
  }

  static constexpr DWORD kNormalCooperation = 0x00000008;  // DDSCL_NORMAL
  std::filesystem::path dir_;
};

}  // namespace bitmaptest

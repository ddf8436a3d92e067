// png_writer.cpp: writes 8-bit RGB pictures as PNG files with libpng, for the
// frames of a capture and for screenshots.
//
// A fast compression level and the Sub filter: a capture writes thousands of
// frames, and these pictures compress well enough that way. The picture is
// written under a temporary name and renamed into place when complete, so no
// truncated PNG ever stands under its final name.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/host/pending_file.h"
#include "platform/host/pictures.h"

namespace host {
namespace {

[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Everything the error path needs is made before setjmp, and nothing is
// changed after it but libpng's own state.
bool WriteRows(std::FILE* file, const std::vector<png_bytep>& rows, int width, int height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteRgbPng(const std::string& path, const std::uint8_t* rgb, int width, int height) {
  if (rgb == nullptr || width <= 0 || height <= 0) return false;
  PendingFile file;
  if (!file.Create(path)) return false;
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    rows[y] = const_cast<png_bytep>(rgb + static_cast<std::size_t>(y) * width * 3);
  errno = 0;
  if (!WriteRows(file.File(), rows, width, height)) {
    const int saved = errno != 0 ? errno : EIO;
    file.Discard();
    errno = saved;
    return false;
  }
  return file.Commit();
}

}  // namespace host

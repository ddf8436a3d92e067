// sound_test_xm.h: a tiny valid XM module, written by the generator's XM
// writer, so the sound tests need no data files: two channels, one 16-row
// pattern, one instrument with a looped square-wave sample, a note on row 0
// and another on row 8. Suites that use it compile tools/assetgen/xm_writer.cpp.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/xm_writer.h"

namespace sound_test {

inline std::vector<std::uint8_t> TinyXm() {
  namespace xm = assetgen::xm;
  std::vector<xm::Cell> cells(16 * 2);                       // 16 rows of two channels
  cells[0] = {.note = xm::Note(4, 0), .instrument = 1};      // C-4 on row 0
  cells[8 * 2] = {.note = xm::Note(4, 7), .instrument = 1};  // G-4 on row 8
  std::vector<std::int16_t> wave;
  for (int i = 0; i < 64; ++i) wave.push_back(i % 32 < 16 ? 15360 : -15360);
  const xm::Sample square{
      .name = "square", .data = wave, .loop_length = 64, .loop = xm::Loop::kForward, .volume = 48};
  const xm::Module module{.name = "test tune", .channels = 2, .order = {0},
                          .patterns = {{.rows = 16, .cells = cells}},
                          .instruments = {{.name = "square", .sample = square, .volume = {}}}};
  std::vector<std::uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(xm::Serialize(module, bytes, error)) << error;
  return bytes;
}

}  // namespace sound_test

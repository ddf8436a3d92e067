// sound_test_xm.h: a tiny valid XM module made in the test, so the sound tests
// need no data files: two channels, one 16-row pattern, one instrument with a
// looped 8-bit square-wave sample, a note on row 0 and another on row 8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sound_test {

class XmBytes {
 public:
  void U8(unsigned v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void U16(unsigned v) { U8(v & 0xFF), U8(v >> 8); }
  void U32(std::uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
  void Text(const std::string& s, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) U8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
  }
  void Zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
  std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> TinyXm() {
  XmBytes x;
  x.Text("Extended Module: ", 17);
  x.Text("test tune", 20);
  x.U8(0x1A);
  x.Text("vuxa tests", 20);
  x.U16(0x0104);
  x.U32(276);  // header size, from this field on
  // Song length, restart position, channels, patterns, instruments, linear
  // frequencies, speed, tempo.
  for (unsigned field : {1, 0, 2, 1, 1, 1, 6, 125}) x.U16(field);
  x.Zeros(256);  // order table: pattern 0

  // Pattern 0: 16 rows, packed; C-4 on row 0 and G-4 on row 8 in channel 0.
  XmBytes rows;
  for (int row = 0; row < 16; ++row) {
    if (row == 0 || row == 8) {
      rows.U8(0x83), rows.U8(row == 0 ? 49 : 56), rows.U8(1);
    } else {
      rows.U8(0x80);
    }
    rows.U8(0x80);
  }
  x.U32(9), x.U8(0), x.U16(16), x.U16(static_cast<unsigned>(rows.bytes.size()));
  x.bytes.insert(x.bytes.end(), rows.bytes.begin(), rows.bytes.end());

  // Instrument 1 with one sample header of 40 bytes.
  x.U32(263);
  x.Text("square", 22);
  x.U8(0), x.U16(1), x.U32(40);
  x.Zeros(96 + 48 + 48);  // keymap, envelopes
  x.Zeros(2 + 3 + 3 + 2 + 4);
  x.U16(0);   // fadeout
  x.Zeros(22);
  constexpr unsigned kLength = 64;
  x.U32(kLength), x.U32(0), x.U32(kLength);  // length, loop start, loop length
  x.U8(48), x.U8(0), x.U8(1), x.U8(128), x.U8(0), x.U8(0);  // volume, finetune, forward loop, pan
  x.Text("square", 22);
  // Delta-coded 8-bit: +60 for half the period, -60 for the other half.
  int previous = 0;
  for (unsigned i = 0; i < kLength; ++i) {
    int value = (i % 32) < 16 ? 60 : -60;
    x.U8(static_cast<unsigned>((value - previous) & 0xFF));
    previous = value;
  }
  return x.bytes;
}

}  // namespace sound_test

// A small FastTracker 2 extended module (XM 1.04) model and its writer.
//
// The model holds what our tune needs: one sample per instrument (16-bit),
// a volume envelope, packed patterns and an order list. Serialize() lays it
// out the way FastTracker 2 stores it, with delta-coded sample data.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/assetgen/assetgen.h"

namespace assetgen::xm {

constexpr std::uint8_t kKeyOff = 97;  // the note value that releases a note

// Note number as XM counts it: C-0 is 1, so octave 4 starts at 49.
constexpr std::uint8_t Note(int octave, int semitone) {
  return static_cast<std::uint8_t>(octave * 12 + semitone + 1);
}

// Effect numbers used by the tune.
enum Effect : std::uint8_t {
  kFxPortaUp = 0x1,
  kFxVibrato = 0x4,
  kFxPanning = 0x8,
  kFxVolSlide = 0xA,
  kFxExtended = 0xE,  // E-commands: ECx note cut, EDx note delay
};

// Volume column values.
constexpr std::uint8_t SetVolume(int v) { return static_cast<std::uint8_t>(0x10 + v); }  // 0..64
constexpr std::uint8_t FineVolDown(int v) { return static_cast<std::uint8_t>(0x80 + v); }
constexpr std::uint8_t FineVolUp(int v) { return static_cast<std::uint8_t>(0x90 + v); }
constexpr std::uint8_t SetPan(int p) { return static_cast<std::uint8_t>(0xC0 + p); }  // 0..15

struct Cell {
  std::uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
  bool Empty() const { return !note && !instrument && !volume && !effect && !param; }
};

struct Pattern {
  int rows = 64;
  std::vector<Cell> cells;  // rows * channels, row-major
};

struct Envelope {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> points;  // (tick, 0..64)
  int sustain = -1;                                             // point index or -1
};

enum class Loop : std::uint8_t { kNone = 0, kForward = 1 };

struct Sample {
  std::string name;
  std::vector<std::int16_t> data;
  std::uint32_t loop_start = 0, loop_length = 0;  // in sample frames
  Loop loop = Loop::kNone;
  std::uint8_t volume = 64;    // 0..64
  std::int8_t finetune = 0;    // 1/128 semitone
  std::uint8_t panning = 128;  // 0..255
  std::int8_t relative_note = 0;
};

struct Instrument {
  std::string name;
  Sample sample;
  Envelope volume;
  std::uint16_t fadeout = 0;
};

struct Module {
  std::string name;
  std::string tracker = "vuxa assetgen";
  int channels = 8;
  int speed = 6, bpm = 125;
  std::uint16_t restart = 0;
  std::vector<std::uint8_t> order;
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;
};

// The module as an XM file; false with a message when it does not fit the format.
bool Serialize(const Module& module, Bytes& out, std::string& error);

}  // namespace assetgen::xm

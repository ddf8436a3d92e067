// End-to-end test of a whole captured show at 25 frames per second: the
// number of frames, the length of the music, the title frames, the black
// pause at the end, every frame's pixels against the recorded digests, and
// that a second capture gives the same bytes.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "show_process.h"

namespace {

namespace fs = std::filesystem;
using show_e2e::ReadWhole;
using show_e2e::RunVuxa;
using show_e2e::ScratchDir;

constexpr int Frames = 1301;  // the start-up frame and 52 s at 25 frames a second
constexpr std::uint32_t SamplesPerFrame = 48000 / 25;

struct Rgb {
  std::uint8_t r, g, b;
};

// A 320x240 capture frame as RGB pixels; empty when it cannot be read.
std::vector<Rgb> ReadFrame(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<Rgb> pixels(static_cast<std::size_t>(image.width) * image.height);
  const bool ok = image.width == 320 && image.height == 240 &&
                  png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
  png_image_free(&image);
  if (!ok) return {};
  return pixels;
}

std::string FrameName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05d.png", index);
  return name;
}

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// The data chunk's size in bytes after checking the format: PCM, 2 channels,
// 48 kHz, 16 bits.
std::uint32_t WavDataBytes(const std::string& wav) {
  if (wav.size() < 12 || wav.compare(0, 4, "RIFF") != 0 || wav.compare(8, 4, "WAVE") != 0) return 0;
  std::uint32_t dataBytes = 0;
  for (std::size_t at = 12; at + 8 <= wav.size();) {
    const std::string id = wav.substr(at, 4);
    const std::uint32_t size = Le32(wav, at + 4);
    if (id == "fmt ") {
      EXPECT_EQ(Le32(wav, at + 8) & 0xFFFF, 1u);  // PCM
      EXPECT_EQ(Le32(wav, at + 8) >> 16, 2u);     // channels
      EXPECT_EQ(Le32(wav, at + 12), 48000u);      // sample rate
      EXPECT_EQ(Le32(wav, at + 20) >> 16, 16u);   // bits per sample
    } else if (id == "data") {
      dataBytes = size;
    }
    at += 8 + size + (size & 1);
  }
  return dataBytes;
}

int LitPixels(const std::vector<Rgb>& frame) {
  int lit = 0;
  for (const Rgb& p : frame) lit += p.r | p.g | p.b ? 1 : 0;
  return lit;
}

void ExpectFramesAndMusic(const fs::path& out) {
  for (int k = 0; k < Frames; ++k) ASSERT_TRUE(fs::exists(out / FrameName(k))) << k;
  EXPECT_FALSE(fs::exists(out / FrameName(Frames)));
  EXPECT_EQ(WavDataBytes(ReadWhole(out / "music.wav")), Frames * SamplesPerFrame * 4);
}

// Frame k >= 1 shows the clock at (k - 1) / 25 s: frames 1 to 300 are the title.
void ExpectTitleFrames(const fs::path& out) {
  std::vector<Rgb> previous;
  for (int k : {1, 2, 150, 300}) {
    const auto frame = ReadFrame(out / FrameName(k));
    ASSERT_EQ(frame.size(), 320u * 240u) << k;
    int bright = 0, greyMax = 0, unordered = 0, borderLit = 0;
    for (std::size_t i = 0; i < frame.size(); ++i) {
      const Rgb p = frame[i];
      const std::size_t row = i / 320;
      if (row < 20 || row >= 220) {
        borderLit += p.r | p.g | p.b ? 1 : 0;
        continue;
      }
      if (p.r == p.g && p.g == p.b) greyMax = std::max<int>(greyMax, p.r);
      if (p.r > 0x4C || p.g > 0x4C || p.b > 0x4C) ++bright;
      if (!(p.r >= p.g && p.g >= p.b)) ++unordered;
    }
    EXPECT_EQ(borderLit, 0) << "frame " << k;
    EXPECT_EQ(greyMax, 0x4C) << "frame " << k;  // the noise reaches its top level and no more
    EXPECT_EQ(unordered, 0) << "frame " << k;   // everything else is the texts' orange
    EXPECT_GT(bright, 200) << "frame " << k;    // the texts are there
    if (!previous.empty()) {
      int same = 0;
      for (std::size_t i = 0; i < frame.size(); ++i)
        same += std::memcmp(&frame[i], &previous[i], sizeof(Rgb)) == 0;
      EXPECT_LT(same, 320 * 120) << "frame " << k << " repeats the noise of the one before";
    }
    previous = frame;
  }
}

// The start-up frame and the last four seconds are black; the closing
// picture is still up in the frame before the pause.
void ExpectBlackWhereNoSceneDraws(const fs::path& out) {
  for (int k : {0, 1201, 1250, 1300}) {
    const auto frame = ReadFrame(out / FrameName(k));
    ASSERT_EQ(frame.size(), 320u * 240u) << k;
    EXPECT_EQ(LitPixels(frame), 0) << "frame " << k;
  }
  EXPECT_GT(LitPixels(ReadFrame(out / FrameName(1200))), 320 * 100);
}

// FNV-1a over a frame's RGB bytes, row by row from the top.
std::uint64_t Digest(const std::vector<Rgb>& frame) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const Rgb& p : frame)
    for (std::uint8_t byte : {p.r, p.g, p.b}) h = (h ^ byte) * 0x100000001b3ull;
  return h;
}

// Every frame's pixels are the ones recorded in tests/fixtures/frames_25fps.txt
// (one "index digest" line per frame). VUXA_RECORD_FRAMES=1 rewrites the file
// after a change that is meant to alter the pictures.
void ExpectRecordedPixels(const fs::path& out) {
  const fs::path record = fs::path(VUXA_SOURCE_DIR) / "tests/fixtures/frames_25fps.txt";
  std::vector<std::uint64_t> digests;
  for (int k = 0; k < Frames; ++k) digests.push_back(Digest(ReadFrame(out / FrameName(k))));
  if (std::getenv("VUXA_RECORD_FRAMES")) {
    std::ofstream file(record);
    for (int k = 0; k < Frames; ++k) file << k << ' ' << std::hex << digests[k] << std::dec << '\n';
    return;
  }
  std::ifstream file(record);
  ASSERT_TRUE(file) << record;
  int k = 0, changed = 0;
  std::uint64_t expected = 0;
  while (file >> k >> std::hex >> expected >> std::dec) {
    ASSERT_LT(k, Frames);
    if (digests[k] != expected && ++changed <= 10) ADD_FAILURE() << "frame " << k << " differs from the record";
  }
  EXPECT_EQ(k, Frames - 1) << "the record is incomplete";
  EXPECT_EQ(changed, 0) << "frames differing from the record";
}

// One test, so that the two long captures run once.
TEST(ShowCapture, AWholeShowAt25FramesASecondIsCompleteAndRepeatable) {
  const fs::path dir = ScratchDir("capture");
  const auto first = RunVuxa(dir, "--capture first --fps 25");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "Average framerate: 25 fps\n");
  ExpectFramesAndMusic(dir / "first");
  ExpectTitleFrames(dir / "first");
  ExpectBlackWhereNoSceneDraws(dir / "first");
  ExpectRecordedPixels(dir / "first");

  const auto second = RunVuxa(dir, "--capture second --fps 25");
  ASSERT_EQ(second.exitCode, 0) << second.err;
  int differing = 0;
  for (int k = 0; k < Frames; ++k) {
    const std::string name = FrameName(k);
    differing += ReadWhole(dir / "first" / name) != ReadWhole(dir / "second" / name);
  }
  EXPECT_EQ(differing, 0);
  EXPECT_TRUE(ReadWhole(dir / "first" / "music.wav") == ReadWhole(dir / "second" / "music.wav"));
  fs::remove_all(dir);
}

}  // namespace

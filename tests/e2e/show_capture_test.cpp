// The whole show captured at 25 frames a second: every frame's pixels against
// the recorded digests, the music's format and length, the same bytes from a
// second run; runs from --start showing the very frames of the whole run.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/run_vuxa.h"

namespace {

using namespace scratch;

constexpr int Frames = 1301;  // the start-up frame and 52 s at 25 frames a second

// FNV-1a over a frame's RGB bytes, row by row from the top; 0 for no 320x240 frame.
std::uint64_t Digest(const fs::path& file) {
  const Picture frame = ReadPng(file);
  if (!frame.ok || frame.width != 320 || frame.height != 240) return 0;
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::uint8_t byte : frame.rgb) h = (h ^ byte) * 0x100000001b3ull;
  return h;
}

// The digests in tests/fixtures/frames_25fps.txt ("index digest" lines).
// VUXA_RECORD_FRAMES=1 rewrites the file from `digests` first, after a change
// that is meant to alter the pictures.
std::vector<std::uint64_t> Recorded(const std::vector<std::uint64_t>& digests = {}) {
  const fs::path record = fs::path(VUXA_SOURCE_DIR) / "tests/fixtures/frames_25fps.txt";
  if (std::getenv("VUXA_RECORD_FRAMES") && !digests.empty()) {
    std::ofstream file(record);
    for (int k = 0; k < Frames; ++k) file << k << ' ' << std::hex << digests[k] << std::dec << '\n';
  }
  std::vector<std::uint64_t> recorded;
  std::ifstream file(record);
  int k = 0;
  for (std::uint64_t digest = 0; file >> k >> std::hex >> digest >> std::dec && k == int(recorded.size());)
    recorded.push_back(digest);
  return recorded;
}

// One test, so that the long captures run once; the runs from --start in
// another, beside it.
TEST(ShowCapture, EveryFrameAsRecordedTheMusicAsLongAndTheSameTwice) {
  const ScratchDir dir("capture");
  const ProgramRun first = RunVuxa(dir.path(), "--capture first --fps 25");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "Average framerate: 25 fps\n");
  EXPECT_TRUE(first.warnings.empty()) << first.err;
  EXPECT_EQ(Listing(dir.path() / "first", "frame_").size(), std::size_t(Frames));
  ExpectMusic(dir.path() / "first/music.wav", Frames, 25);
  std::vector<std::uint64_t> digests;
  for (int k = 0; k < Frames; ++k) digests.push_back(Digest(dir.path() / "first" / FrameName(k)));
  const std::vector<std::uint64_t> recorded = Recorded(digests);
  ASSERT_EQ(recorded.size(), std::size_t(Frames)) << "the record is incomplete";
  int changed = 0;
  for (int k = 0; k < Frames; ++k)
    if (digests[k] != recorded[k] && ++changed <= 10) ADD_FAILURE() << "frame " << k << " differs from the record";
  EXPECT_EQ(changed, 0) << "frames differing from the record";

  ASSERT_EQ(RunVuxa(dir.path(), "--capture second --fps 25").exitCode, 0);
  int differing = 0;
  for (int k = 0; k < Frames; ++k)
    differing += ReadText(dir.path() / "first" / FrameName(k)) !=
                 ReadText(dir.path() / "second" / FrameName(k));
  EXPECT_EQ(differing, 0);
  EXPECT_TRUE(ReadText(dir.path() / "first/music.wav") == ReadText(dir.path() / "second/music.wav"));

  // From 12 s the credit's glowing text takes values from a generator whose
  // state differs when the titles were skipped: only those pixels differ, and
  // frames without it are the same.
  ASSERT_EQ(RunVuxa(dir.path(), "--capture at12 --fps 25 --start 12").exitCode, 0);
  const Picture tunnel = ReadPng(dir.path() / "at12" / FrameName(1));
  const Picture whole = ReadPng(dir.path() / "first" / FrameName(301));
  int differ = 0;
  for (std::size_t i = 0; i < tunnel.rgb.size(); ++i) differ += tunnel.rgb[i] != whole.rgb.at(i);
  EXPECT_GT(differ, 0);
  EXPECT_LT(differ, 320 * 240 * 3 / 20);
  EXPECT_EQ(Digest(dir.path() / "at12" / FrameName(75)), recorded[375]);
}

// From 24 s: 700 frames after the black one, music as long, and the frames
// of the whole run but for the closing caption, whose glow takes values from
// a generator in another state when earlier scenes were skipped.
TEST(ShowCapture, FromTwentyFourSecondsTheFramesOfTheWholeRun) {
  const ScratchDir dir("capture_at24");
  const std::vector<std::uint64_t> recorded = Recorded();
  ASSERT_EQ(recorded.size(), std::size_t(Frames));
  const ProgramRun at24 = RunVuxa(dir.path(), "--capture at24 --fps 25 --start 24");
  ASSERT_EQ(at24.exitCode, 0) << at24.err;
  EXPECT_EQ(Listing(dir.path() / "at24", "frame_").size(), 701u);
  ExpectMusic(dir.path() / "at24/music.wav", 701, 25);
  EXPECT_EQ(ReadPng(dir.path() / "at24" / FrameName(0)).Lit(), 0);
  for (int k : {1, 2, 50, 150, 299, 300, 601, 700})  // the 3D scene and the pause
    EXPECT_EQ(Digest(dir.path() / "at24" / FrameName(k)), recorded[k + 600]) << k;
}

}  // namespace

// Replays the kept inputs (tests/fixtures/fuzz/<target>/) through the fuzz
// targets' steps (fuzz/inputs.h): `assetgen --fuzz-seeds`' seeds, whole and
// cut short, and every input fuzzing found to crash, hang or trip a
// sanitizer. A relapse fails here under the sanitizers, a crash without them.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/platform.h"
#include "fuzz/inputs.h"
#include "support/scratch_files.h"

namespace {

// Every kept input of `target` through `run`, in name order; dot files are not inputs.
void Replay(const std::string& target, const std::function<void(fuzz::Bytes)>& run) {
  const scratch::fs::path dir = scratch::fs::path(VUXA_SOURCE_DIR) / "tests/fixtures/fuzz" / target;
  int replayed = 0;
  for (const std::string& name : scratch::Listing(dir)) {
    if (name[0] == '.' || !scratch::fs::is_regular_file(dir / name)) continue;
    SCOPED_TRACE(name);
    run(scratch::ReadBytes(dir / name));
    ++replayed;
  }
  EXPECT_GT(replayed, 0) << "no kept inputs for " << target;
  platform::ResetPlatform();
}

TEST(FuzzRegressions, Pictures) { Replay("pcx", fuzz::RunPcx); }
TEST(FuzzRegressions, Scenes) { Replay("scene", fuzz::RunScene); }
TEST(FuzzRegressions, Bitmaps) { Replay("bmp", fuzz::RunBmp); }
TEST(FuzzRegressions, Modules) { Replay("module", fuzz::RunModule); }
TEST(FuzzRegressions, CommandLines) { Replay("options", fuzz::RunOptions); }

}  // namespace

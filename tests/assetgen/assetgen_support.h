// Helpers of the generator's tests: the generated data, and the shared file
// and shell helpers the files are checked with.
#pragma once

#include <filesystem>

#include "support/scratch_files.h"

namespace assetgen_test {

using namespace scratch;

inline fs::path DataDir() { return fs::path(VUXA_DATA_DIR); }

}  // namespace assetgen_test

// watch_support.h: the shell helper the host's video tests share with the
// end-to-end tests.
#pragma once

#include "support/run_vuxa.h"

namespace watch_e2e {
using test_support::Output;
}  // namespace watch_e2e

// quillfen-cli's progress display on a pipe and on terminals of several widths.
#include <gtest/gtest.h>

#include "tests/app/cli_runner.h"

namespace {
using namespace app_test;
}  // namespace

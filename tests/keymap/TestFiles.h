#pragma once
// Kept so that tests written against the old location still build; the helpers
// live in tests/support/TempFolder.h.
#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

// The frames at which the test script's events happen (see test_scrolltext.cpp).
#pragma once

#include <cstdint>

constexpr int64_t scriptShowLogoFrame = 10;
constexpr int64_t scriptStartSwarmFrame = 100;
constexpr int64_t scriptEndFrame = 111;

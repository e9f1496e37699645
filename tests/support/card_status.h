#pragma once

#include <gtest/gtest.h>

// Fails the calling test with mkcard's message when a card operation is refused.
#define KOVA_CARD_OK(expression)                                           \
  do {                                                                     \
    const ::kova::mkcard::Status status_ = (expression);                   \
    ASSERT_TRUE(status_.ok()) << #expression << ": " << status_.message(); \
  } while (false)

#include <gtest/gtest.h>

#include "persistence/lg_builtin.h"

// Every test of this folder reads the English texts.
namespace {

class LanguageEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(kova::UseBuiltInLanguage()); }
};

[[maybe_unused]] const auto* const kLanguage =
    ::testing::AddGlobalTestEnvironment(new LanguageEnvironment);

}  // namespace

#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/key_store_file.h"
#include "support/test_paths.h"

namespace kova::test {

// Points XDG_CONFIG_HOME at a fresh folder for the test, so that the user's key store is a file
// of the test's own; the environment is restored afterwards.
class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
    ::setenv("XDG_CONFIG_HOME", dir_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (oldConfig_) {
      ::setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }

  std::filesystem::path StoreFile() const { return dir_.Path() / "velmora" / "kova7.conf"; }

  std::string StoreText() const {
    std::ifstream in(StoreFile(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void WriteStore(const std::string& text) const {
    std::filesystem::create_directories(StoreFile().parent_path());
    std::ofstream(StoreFile(), std::ios::binary) << text;
  }

  TempDir dir_;

 private:
  std::optional<std::string> oldConfig_;
};

}  // namespace kova::test

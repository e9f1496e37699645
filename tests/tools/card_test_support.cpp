#include "card_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <fstream>

#include "recipe.h"

namespace kova::mkcard::test {

namespace {

const char* kSearchPath = "PATH=\"$PATH:/usr/sbin:/sbin\" ";

}  // namespace

std::string Quote(const std::filesystem::path& path) {
  std::string out = "'";
  for (char c : path.string())
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

ToolRun RunCommand(const std::string& command_line) {
  ToolRun run;
  const std::string full = std::string(kSearchPath) + command_line + " 2>&1";
  FILE* pipe = ::popen(full.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer;
  size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    run.output.append(buffer.data(), got);
  const int status = ::pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool HaveTool(const std::string& tool) {
  return RunCommand("command -v " + tool + " >/dev/null").exit_code == 0;
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  return error ? std::vector<uint8_t>() : ReadFileBytes(path, 0, size);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path, uint64_t offset,
                                   uint64_t count) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> out(count);
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count));
  out.resize(static_cast<size_t>(in.gcount()));
  return out;
}

std::vector<uint8_t> ExtentBytes(const std::filesystem::path& image, const ManifestRecord& record) {
  std::vector<uint8_t> out;
  for (const Extent& e : record.extents) {
    const std::vector<uint8_t> part = ReadFileBytes(image, e.offset, e.size);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

uint32_t Crc32(const std::vector<uint8_t>& bytes) {
  return static_cast<uint32_t>(
      crc32(crc32(0, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
}

uint64_t LE(const std::vector<uint8_t>& bytes, size_t at, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | bytes.at(at + i);
  return value;
}

void ExpectRecipesRefused(const std::vector<std::pair<std::string, std::string>>& cases) {
  for (const auto& [recipe, expected] : cases) {
    CardBuilder card;
    const Status failed = RunRecipe(recipe, {}, &card);
    EXPECT_FALSE(failed.ok()) << recipe;
    EXPECT_NE(failed.message().find(expected), std::string::npos)
        << recipe << "\nmessage: " << failed.message();
  }
}

void RecipeCardTest::Build(const std::string& recipe) {
  const Status built = RunRecipe(recipe, {}, &card_);
  ASSERT_TRUE(built.ok()) << built.message();
  const Status saved = card_.Save(image_);
  ASSERT_TRUE(saved.ok()) << saved.message();
  manifest_ = card_.MakeManifest();
}

void FormatOrFail(CardBuilder& card, const VolumeOptions& options) {
  const Status formatted = card.Format(options);
  ASSERT_TRUE(formatted.ok()) << formatted.message();
}

VolumeOptions SmallFat16() {
  VolumeOptions o;
  o.type = FatType::kFat16;
  o.card_bytes = 16 << 20;
  o.sectors_per_cluster = 4;
  o.label = "KOVA TEST";
  return o;
}

VolumeOptions SmallFat32() {
  VolumeOptions o;
  o.type = FatType::kFat32;
  o.card_bytes = 34 << 20;
  o.sectors_per_cluster = 1;
  o.label = "KOVA TEST";
  return o;
}

VolumeOptions SmallFat12() {
  VolumeOptions o;
  o.type = FatType::kFat12;
  o.card_bytes = 1 << 20;
  o.sectors_per_cluster = 4;
  o.media = 0xF0;
  return o;
}

std::filesystem::path CutOut(const std::filesystem::path& image, uint64_t offset, uint64_t count,
                             const std::filesystem::path& out) {
  const std::vector<uint8_t> bytes = ReadFileBytes(image, offset, count);
  std::ofstream(out, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return out;
}

ToolRun CheckFatVolume(const std::filesystem::path& image, const ManifestVolume& volume,
                       const std::filesystem::path& scratch) {
  const std::filesystem::path part = scratch / ("volume" + std::to_string(volume.number) + ".img");
  CutOut(image, volume.volume_offset, volume.volume_bytes, part);
  return RunCommand("fsck.fat -n " + Quote(part));
}

uint32_t FatEntryOnImage(const std::filesystem::path& image, const ManifestVolume& volume,
                         uint32_t cluster) {
  switch (volume.type) {
    case FatType::kFat12: {
      const auto b = ReadFileBytes(image, volume.fat_offset + cluster * 3 / 2, 2);
      const uint32_t pair = b[0] | (b[1] << 8);
      return cluster % 2 == 0 ? pair & 0xFFF : pair >> 4;
    }
    case FatType::kFat16: {
      const auto b = ReadFileBytes(image, volume.fat_offset + cluster * 2, 2);
      return b[0] | (b[1] << 8);
    }
    case FatType::kFat32: {
      const auto b = ReadFileBytes(image, volume.fat_offset + uint64_t{cluster} * 4, 4);
      return b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t{b[3]} << 24);
    }
  }
  return 0;
}

}  // namespace kova::mkcard::test

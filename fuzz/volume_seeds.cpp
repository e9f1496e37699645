#include "volume_seeds.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "card_builder.h"
#include "card_manifest.h"
#include "recipe.h"
#include "sparse_medium.h"

namespace kova::fuzz {

namespace {

namespace fs = std::filesystem;

constexpr int64_t kTableUnits = 40;  // an MBR, or a GPT header with 128 entries, and room

constexpr const char* kTableCards[][2] = {
    {"mbr_at_4m",
     "card size=64M table=mbr\npartition primary start=4M\n"
     "volume fat32 cluster=512 label=PHOTOS\n"},
    {"mbr_logical",
     "card size=64M table=mbr\npartition primary start=63 size=16M\nvolume fat16 cluster=1K\n"
     "partition extended start=17M\npartition logical start=18M size=8M\nvolume fat16 cluster=1K\n"
     "partition logical start=27M size=8M\nvolume fat16 cluster=1K\n"
     "partition primary start=16400 size=16M past-end=yes\n"},
    {"gpt",
     "card size=64M table=gpt\npartition start=1M size=40M name=\"Camera photos\"\n"
     "volume fat32 cluster=512\npartition start=42M size=8M type=linux\n"},
    {"gpt_backup",
     "card size=64M table=gpt\npartition start=1M size=40M\nvolume fat32 cluster=512\n"
     "damage gpt-header how=crc\n"},
    {"no_table", "volume fat16 size=16M label=CARD\n"},
};

// Partition tables as sfdisk writes them, when it is installed.
constexpr const char* kSfdiskScripts[][2] = {
    {"sfdisk_logical",
     "label: dos\nstart=2048, size=20480, type=c\nstart=22528, type=5\n"
     "start=24576, size=8192, type=6\nstart=34816, size=8192, type=b\n"},
    {"sfdisk_gpt",
     "label: gpt\nstart=2048, size=40960, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7, "
     "name=\"Camera\"\nstart=43008, size=8192\n"},
};

void Write(const fs::path& file, const std::vector<uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The sectors a table reader looks at: the first and last ones, and every sector signed 0x55AA
// (boot records of the extended partition's chain, boot sectors).
void WriteTableSeed(const fs::path& out, const std::string& name,
                    const std::vector<uint8_t>& image) {
  std::vector<int64_t> offsets;
  const int64_t units = static_cast<int64_t>(image.size()) / kSparseUnit;
  for (int64_t unit = 0; unit < units; ++unit) {
    const size_t at = static_cast<size_t>(unit * kSparseUnit);
    const bool signed55AA = image[at + 510] == 0x55 && image[at + 511] == 0xAA;
    if (unit < kTableUnits || unit >= units - kTableUnits || signed55AA)
      offsets.push_back(unit * kSparseUnit);
  }
  Write(out / "partition_table" / name, EncodeSparseMedium(image, offsets, 0, kTableUnits));
  Write(out / "partition_table" / (name + "_512"),
        EncodeSparseMedium(image, offsets, 1, kTableUnits));
}

bool Build(const char* recipe, const fs::path& image, mkcard::Manifest* manifest) {
  mkcard::CardBuilder card;
  mkcard::Status built = mkcard::RunRecipe(recipe, {}, &card);
  if (built.ok()) built = card.Save(image);
  if (!built.ok()) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", built.message().c_str());
    return false;
  }
  if (manifest) *manifest = card.MakeManifest();
  return true;
}

bool WriteTableSeeds(const fs::path& out) {
  const fs::path scratch = out / "scratch.img";
  for (const auto& [name, recipe] : kTableCards) {
    if (!Build(recipe, scratch, nullptr)) return false;
    WriteTableSeed(out, name, ReadFile(scratch));
  }
  for (const auto& [name, script] : kSfdiskScripts) {
    fs::remove(scratch);
    std::ofstream(scratch).close();
    fs::resize_file(scratch, 64 << 20);
    const std::string command = "printf '" + std::string(script) + "' | sfdisk -q '" +
                                scratch.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) WriteTableSeed(out, name, ReadFile(scratch));
  }
  fs::remove(scratch);
  return true;
}

// Folders of long names: live and deleted, in one and in many entries, beyond ASCII, with short
// names in code page 850.
constexpr char kLongNameCard[] = R"(volume fat16 size=32M cluster=4K code-page=850
folder DCIM
folder "DCIM/Camera Roll"
file "DCIM/Camera Roll/Holiday photo at the beach.jpg" text=a
file "DCIM/Camera Roll/IMG_20240612_153012.jpg" text=b
file "DCIM/Camera Roll/Größe café.jpg" text=c
file "DCIM/Camera Roll/A name long enough to need many long-name entries, written by a phone that likes to describe every picture in detail.jpg" text=d
file "DCIM/Camera Roll/ÅRØSUND.JPG" text=e
file "DCIM/Camera Roll/Отпуск.jpg" text=f
delete "DCIM/Camera Roll/IMG_20240612_153012.jpg"
delete "DCIM/Camera Roll/Größe café.jpg"
delete "DCIM/Camera Roll/ÅRØSUND.JPG"
file "Notes for the trip.txt" text=g
)";

// A folder's entries up to its end entry, led by the byte that picks the code page.
std::vector<uint8_t> FolderSeed(const std::vector<uint8_t>& image, uint64_t from, uint64_t to) {
  const uint8_t codePage850 = 1;  // the second known code page
  std::vector<uint8_t> seed{codePage850};
  for (uint64_t at = from; at + 32 <= to && image[at] != 0; at += 32)
    seed.insert(seed.end(), image.begin() + static_cast<ptrdiff_t>(at),
                image.begin() + static_cast<ptrdiff_t>(at + 32));
  return seed;
}

bool WriteLongNameSeeds(const fs::path& out) {
  const fs::path scratch = out / "scratch.img";
  mkcard::Manifest manifest;
  if (!Build(kLongNameCard, scratch, &manifest)) return false;
  const std::vector<uint8_t> image = ReadFile(scratch);
  fs::remove(scratch);
  Write(out / "long_name" / "root",
        FolderSeed(image, manifest.volume.root_dir_offset, manifest.volume.data_offset));
  int count = 0;
  for (const mkcard::ManifestRecord& record : manifest.records) {
    if (!record.folder) continue;
    // Each folder fits in its first cluster.
    const mkcard::Extent& extent = record.extents.front();
    Write(out / "long_name" / ("folder" + std::to_string(++count)),
          FolderSeed(image, extent.offset, extent.offset + extent.size));
  }
  return true;
}

}  // namespace

bool WriteVolumeSeeds(const fs::path& out) {
  return WriteTableSeeds(out) && WriteLongNameSeeds(out);
}

}  // namespace kova::fuzz

// Writes the seed corpus of every fuzz target into OUT/<target>/: small mkcard cards, the real
// camera samples (when the samples folder is there), the built-in language, settings, disk
// information trailers and server answers.
//   fuzz_seeds OUT [SAMPLES_DIR]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/kova_ini.h"
#include "card_builder.h"
#include "content.h"
#include "exfat_volume_writer.h"
#include "media_seeds.h"
#include "persistence/lg.h"
#include "persistence/lg_builtin.h"
#include "persistence/lg_coding.h"
#include "persistence/lg_filer.h"
#include "persistence/lg_keys.h"
#include "persistence/rstream.h"
#include "recipe.h"
#include "recovery/formats/scan_format_registry.h"
#include "storage/disk_info.h"
#include "volume_seeds.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

// Cards small enough for the fuzzers' input limit: the FAT16 card is cut after its first data
// clusters, the FAT32 one has too few clusters for the type (as some cameras write them).
constexpr const char* kCardRecipes[][2] = {
    {"fat16_cut.img",
     "volume fat16 size=2200K cluster=512 root-entries=64 label=\"FUZZ16\"\n"
     "folder DCIM\nfolder DCIM/100KOVA\n"
     "file DCIM/100KOVA/KOVA0001.JPG photo=48x32 thumbnail=no seed=1\n"
     "file DCIM/100KOVA/NOTE.TXT text=\"a short note\" long-name=\"A longer note.txt\"\n"
     "file DCIM/100KOVA/KOVA0002.JPG photo=40x30 thumbnail=no seed=2\n"
     "folder DCIM/101KOVA\nfile DCIM/101KOVA/KOVA0101.JPG photo=32x24 thumbnail=no seed=3\n"
     "delete DCIM/100KOVA/KOVA0002.JPG\ndelete DCIM/101KOVA\n"
     "truncate size=160K\n"},
    {"fat32_small.img",
     "volume fat32 size=384K cluster=512 strict=no label=\"FUZZ32\"\n"
     "folder DCIM\nfolder DCIM/100KOVA\n"
     "file DCIM/100KOVA/KOVA0001.JPG photo=48x32 thumbnail=no seed=4\n"
     "file DCIM/100KOVA/MVI_0002.AVI avi=32x24 frames=2 fps=10 seed=5\n"
     "file DCIM/100KOVA/KOVA0003.JPG photo=40x30 thumbnail=no seed=6\n"
     "delete DCIM/100KOVA/KOVA0003.JPG\n"
     "loop-folder DCIM\n"},
    {"fat16_mbr_cut.img",
     "volume fat16 size=2200K cluster=512 partition=8 root-entries=32\n"
     "file KOVA0001.JPG photo=32x24 thumbnail=no seed=7\n"
     "raw cluster=40 shift=100 photo=32x24 thumbnail=no seed=8\n"
     "truncate size=128K\n"},
};

void Write(const fs::path& file, const void* data, size_t size) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}
void Write(const fs::path& file, const std::vector<uint8_t>& bytes) {
  Write(file, bytes.data(), bytes.size());
}
void Write(const fs::path& file, const std::string& text) {
  Write(file, text.data(), text.size());
}

std::vector<uint8_t> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteCards(const fs::path& out, const fs::path& samples) {
  fs::create_directories(out / "fat_disk");
  fs::create_directories(out / "deep_scan");
  for (const auto& [name, recipe] : kCardRecipes) {
    mkcard::CardBuilder card;
    mkcard::Status built = mkcard::RunRecipe(recipe, {fs::current_path(), samples}, &card);
    if (built.ok()) built = card.Save(out / "fat_disk" / name);
    if (!built.ok()) {
      std::fprintf(stderr, "fuzz_seeds: card %s: %s\n", name, built.message().c_str());
      return false;
    }
    fs::copy_file(out / "fat_disk" / name, out / "deep_scan" / name,
                  fs::copy_options::overwrite_existing);
  }
  return true;
}

// exFAT cards in 512-byte clusters, small enough for the input limit: folders, contiguous and
// chained files, a deleted file of each kind, a deleted folder with its contents, a broken set
// checksum, and one card whose main boot region is damaged.
bool WriteExfatCards(const fs::path& out) {
  fs::create_directories(out / "exfat_disk");
  for (bool damaged : {false, true}) {
    mkcard::CardBuilder card;
    mkcard::ExfatVolumeWriter* volume = nullptr;
    mkcard::ExfatOptions options;
    options.card_bytes = 384 << 10;
    options.cluster_bytes = 512;
    options.label = "FUZZ EXFAT";
    mkcard::ExfatPlacement chained;
    chained.clusters = {60, 58, 64};
    mkcard::Status built = mkcard::FormatExfat(&card, options, &volume);
    // Steps after a refused one are not taken: the first refusal is kept.
    auto then = [&built](const std::function<mkcard::Status()>& step) {
      if (built.ok()) built = step();
    };
    then([&] { return volume->MakeExfatFolder("DCIM"); });
    then([&] { return volume->MakeExfatFolder("DCIM/OLD"); });
    then([&] { return volume->WriteExfatFile("DCIM/note.txt", mkcard::MakeText("a note")); });
    then([&] {
      return volume->WriteExfatFile("DCIM/gone.dat", mkcard::MakeData(1200, 1), chained);
    });
    then([&] { return volume->WriteExfatFile("DCIM/OLD/inner.dat", mkcard::MakeData(900, 2)); });
    then([&] { return volume->WriteExfatFile("Größe.dat", mkcard::MakeData(700, 3)); });
    then([&] { return volume->Delete("DCIM/gone.dat"); });
    then([&] { return volume->Delete("DCIM/OLD"); });
    then([&] { return volume->BreakSetChecksum("Größe.dat"); });
    if (built.ok() && damaged)
      volume->DamageMainBootRegion(mkcard::ExfatBootDamage::kZeroedBootSector);
    const char* name = damaged ? "exfat_backup_boot.img" : "exfat.img";
    if (built.ok()) built = card.Save(out / "exfat_disk" / name);
    if (!built.ok()) {
      std::fprintf(stderr, "fuzz_seeds: card %s: %s\n", name, built.message().c_str());
      return false;
    }
  }
  return true;
}

// One seed per file: the kind byte, then the file.
void WriteFormatSeed(const fs::path& out, const std::string& name, uint8_t kind,
                     const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> seed{kind};
  seed.insert(seed.end(), bytes.begin(), bytes.end());
  Write(out / "scan_format" / name, seed);
}

void WriteGeneratedFormatSeeds(const fs::path& out) {
  mkcard::Content content;
  mkcard::PhotoOptions photo;
  photo.width = 64;
  photo.height = 48;
  if (mkcard::MakePhoto(photo, &content).ok())
    WriteFormatSeed(out, "photo.jpg", skJPG, content.bytes);
  mkcard::VideoOptions video;
  video.width = 32;
  video.height = 24;
  video.frames = 2;
  if (mkcard::MakeAviVideo(video, &content).ok())
    WriteFormatSeed(out, "video.avi", skAVI, content.bytes);
  mkcard::MovieOptions movie;
  movie.width = 32;
  movie.height = 24;
  movie.frames = 2;
  if (mkcard::MakeQuickTimeMovie(movie, &content).ok())
    WriteFormatSeed(out, "movie.mov", skMOV, content.bytes);
  movie.major_brand = "isom";
  movie.compatible_brands = {"isom", "mp41"};
  movie.moov_first = true;
  if (mkcard::MakeQuickTimeMovie(movie, &content).ok())
    WriteFormatSeed(out, "movie.mp4", skMP4, content.bytes);
  mkcard::TiffOptions tiff;
  tiff.width = 40;
  tiff.height = 30;
  tiff.big_endian = true;
  if (mkcard::MakeTiffPicture(tiff, &content).ok())
    WriteFormatSeed(out, "picture.tif", skTIF, content.bytes);
}

// Real camera files up to the limit, under the kind their extension names; the FAT images among
// the samples, cut after their first clusters, as cards.
void WriteSampleSeeds(const fs::path& out, const fs::path& samples, int64_t limit) {
  if (!fs::is_directory(samples)) {
    std::fprintf(stderr, "fuzz_seeds: no samples folder at %s: real camera files left out\n",
                 samples.c_str());
    return;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(samples)) {
    const fs::path& path = entry.path();
    std::string ext = path.extension().string();
    if (ext == ".img") {
      std::vector<uint8_t> bytes = ReadFile(path);
      bytes.resize(std::min<size_t>(bytes.size(), 192 * 1024));
      Write(out / "fat_disk" / path.filename(), bytes);
      continue;
    }
    const TXDRScanFormatClass* format = ext.empty() ? nullptr : ClassOfExt(ext);
    if (!format || static_cast<int64_t>(entry.file_size()) > limit) continue;
    WriteFormatSeed(out, path.filename().string(), format->Kind, ReadFile(path));
  }
}

void WriteLanguageSeeds(const fs::path& out, const fs::path& builtInLanguage) {
  std::vector<uint8_t> language = ReadFile(builtInLanguage);
  Write(out / "language" / "english.xlg", language);
  Write(out / "stream_container" / "english.xlg", language);

  TXMemoryStream stream(language);
  TXLgProject project;
  project.AppID = kKovaAppID;
  project.AppVer = kKovaAppVer;
  if (LoadLgProject(project, stream))
    Write(out / "words_text" / "english.txt", project.Words().Bytes());
  Write(out / "words_text" / "few.txt",
        FormatWordsLine(lg::kNothingFound, "Nothing found") + "\r\n" +
            FormatWordsLine(lg::kRestoreFilesFailed, "%s of %s: %s") + "\r\n0=\r\nXYZ=12\r\n");

  TXMemoryStream container;
  TXQStream writer;
  if (writer.Open(rfCreate | rfRead | rfWrite, container)) {
    TXMemoryStream groupData(std::vector<uint8_t>(300, 'g'));
    writer.AddGroup("plain");
    writer.AddGroup("with data", &groupData);
    if (writer.BeginRecord("plain", 3, 3)) {
      writer.WriteEntry(1, std::string("stored as it is"));
      writer.WriteEntry(-1, std::string(500, 'z'));
      writer.EndRecord();
    }
    writer.Close();
    Write(out / "stream_container" / "small.xq", container.Bytes());
  }
}

void WriteSettingsSeeds(const fs::path& out) {
  TXKovaIni settings;
  for (auto [format, name] : {std::pair{TXIniStreamFormat::ifComponentText, "settings.txt"},
                              std::pair{TXIniStreamFormat::ifObjectXml, "settings.xml"}}) {
    TXMemoryStream stream;
    if (settings.SaveToStream(stream, format)) Write(out / "settings" / name, stream.Bytes());
  }
}

void WriteDiskInfoSeeds(const fs::path& out) {
  TXDiskInfoRecord record;
  record.VolumeSerial = 0x24051810;
  record.VolumeMaxLength = 255;
  record.VolumeName = "KOVA <DEMO> & \"card\"";
  record.FileSystem = "FAT32";
  record.SectorSize = 512;
  record.ClusterSize = 4096;
  record.TotalClusters = 123456;
  record.FreeClusters = 1000;
  Write(out / "disk_info" / "card.xml", record.ToXml());
  Write(out / "disk_info" / "empty.xml", TXDiskInfoRecord().ToXml());
}

void WriteEnvelopeSeeds(const fs::path& out) {
  const char* answers[][2] = {
      {"data.txt",
       "<cgi_status><code>1</code><format>0</format></cgi_status><cgi_data>news "
       "&amp; more</cgi_data>"},
      {"coded.txt",
       "<cgi_status><code>1</code><format>1</format></cgi_status>"
       "<cgi_data>AAECAwQFBgc=</cgi_data>"},
      {"nothing.txt", "<cgi_status><code>2</code><format>0</format></cgi_status>"},
      {"refused.txt", "<cgi_status><code>3</code></cgi_status><cgi_data></cgi_data>"},
  };
  for (const auto& [name, text] : answers)
    Write(out / "net_envelope" / name, std::string(text));
}

}  // namespace
}  // namespace kova

int main(int argc, char** argv) {
  using namespace kova;
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: fuzz_seeds OUT BUILT_IN_LANGUAGE.xlg [SAMPLES_DIR]\n");
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path samples = argc == 4 ? fs::path(argv[3]) : fs::path();
  if (!WriteCards(out, samples) || !WriteExfatCards(out) || !fuzz::WriteVolumeSeeds(out)) return 1;
  WriteGeneratedFormatSeeds(out);
  WriteSampleSeeds(out, samples, 256 * 1024);
  fuzz::WriteMediaSeeds(out, samples, 1 << 20);
  WriteLanguageSeeds(out, argv[2]);
  WriteSettingsSeeds(out);
  WriteDiskInfoSeeds(out);
  WriteEnvelopeSeeds(out);
  return 0;
}

// The deep scan's speed on a 1 GiB FAT32 card of camera photos (bench/camera_card.h; a fifth of
// them deleted), page cache hot: kova-cli scan with one thread and with every core, kova-cli
// recover with every core, reading the card once (cat), the floor of one thread (reading plus one
// one-eighth decode of every photo with djpeg), and PhotoRec on the same card when it is installed.
// How the time falls with the thread count is shown for 1, 2, 4 and 8 threads; run as root, the
// card is also scanned through a read-only loop device. Peak memory of kova-cli from the kernel's
// accounting, processor time (user and system) from the child's resource usage. Usage: bench_scan
// DATA_FOLDER KOVA_CLI
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "camera_card.h"
#include "card_manifest.h"

namespace {

namespace fs = std::filesystem;
using namespace kova::mkcard;

constexpr int kRounds = 2;  // the best round counts: a shared machine only slows rounds down

struct Measure {
  double Seconds = 0;
  double CpuSeconds = 0;
  long PeakKiB = 0;
  int Status = 0;
};

void Check(const Status& status, const char* what) {
  if (status.ok()) return;
  std::fprintf(stderr, "%s: %s\n", what, status.message().c_str());
  std::exit(1);
}

// Runs the program with its output thrown away; wall time and exit status. Its peak memory is
// read by /usr/bin/time: a spawned child is charged with its parent's memory until it execs.
Measure Run(std::vector<std::string> words, const std::string& output = "/dev/null",
            const std::string& peakFile = "") {
  if (!peakFile.empty()) words.insert(words.begin(), {"/usr/bin/time", "-f", "%M", "-o", peakFile});
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  Measure measure;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    measure.Status = -1;
    return measure;
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  measure.CpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  measure.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!peakFile.empty()) std::ifstream(peakFile) >> measure.PeakKiB;
  measure.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  posix_spawn_file_actions_destroy(&actions);
  return measure;
}

bool Installed(const std::string& program) {
  return Run({"sh", "-c", "command -v " + program}).Status == 0;
}

// Every photo of the card as a file of its own, for djpeg.
std::vector<std::string> ExtractPhotos(const fs::path& image, const Manifest& manifest,
                                       const fs::path& folder) {
  fs::create_directories(folder);
  std::vector<std::string> files;
  std::ifstream in(image, std::ios::binary);
  for (const ManifestRecord& record : manifest.records) {
    if (record.content != "jpg" || !record.intact) continue;
    fs::path file = folder / (std::to_string(files.size()) + ".jpg");
    files.push_back(file.string());
    if (fs::exists(file) && fs::file_size(file) == record.size) continue;
    std::ofstream out(file, std::ios::binary);
    for (const Extent& e : record.extents) {
      std::string bytes(e.size, '\0');
      in.seekg(static_cast<std::streamoff>(e.offset));
      in.read(bytes.data(), static_cast<std::streamsize>(e.size));
      out.write(bytes.data(), static_cast<std::streamsize>(e.size));
    }
  }
  return files;
}

Measure DecodeAll(const std::vector<std::string>& files) {
  Measure total;
  for (const std::string& file : files) {
    Measure one = Run({"djpeg", "-scale", "1/8", "-outfile", "/dev/null", file});
    total.Seconds += one.Seconds;
    total.Status = std::max(total.Status, one.Status);
  }
  return total;
}

template <class F>
Measure Best(F measure) {
  Measure best = measure();
  for (int round = 1; round < kRounds; ++round) {
    Measure next = measure();
    if (next.Seconds < best.Seconds) best = next;
  }
  return best;
}

// The card attached to a read-only loop device, or "" when that cannot be done (not root).
std::string AttachLoop(const fs::path& image, const fs::path& data) {
  const fs::path device = data / "scan-loop.txt";
  if (geteuid() != 0 || !Installed("losetup")) return "";
  if (Run({"losetup", "--find", "--show", "--read-only", image.string()}, device.string()).Status !=
      0)
    return "";
  std::string path;
  std::ifstream(device) >> path;
  return path;
}

Measure Scan(const std::string& cli, const std::string& source, int threads,
             const fs::path& listing, const std::string& peak, const std::string& types = "") {
  std::vector<std::string> words = {cli, "scan", source, "--json"};
  if (threads > 0) words.insert(words.end(), {"--threads", std::to_string(threads)});
  if (!types.empty()) words.insert(words.end(), {"--types", types});
  return Best([&] { return Run(words, listing.string(), peak); });
}

int Listed(const fs::path& listing) {
  int listed = 0;
  std::ifstream lines(listing);
  for (std::string line; std::getline(lines, line);)
    listed += line.starts_with("{\"name\"");
  return listed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_scan DATA_FOLDER KOVA_CLI\n");
    return 2;
  }
  const fs::path data = argv[1];
  const std::string cli = argv[2];
  const fs::path image = data / "camera-card.img";
  const fs::path manifestFile = data / "camera-card.manifest.jsonl";
  if (!fs::exists(image) || !fs::exists(manifestFile)) {
    // In a child, so that the card held in memory while it is built is not this process's.
    pid_t builder = fork();
    if (builder == 0) {
      kova::bench::BuildCameraCard(image, manifestFile, uint64_t{1} << 30);
      std::_Exit(0);
    }
    int status = 0;
    waitpid(builder, &status, 0);
    if (status != 0) return 1;
  }
  Manifest manifest;
  Check(ReadManifestFile(manifestFile, &manifest), "manifest");
  const std::vector<std::string> photos = ExtractPhotos(image, manifest, data / "scan-photos");
  if (!Installed("djpeg")) {
    std::fprintf(stderr, "djpeg is needed (Debian package libjpeg-turbo-progs)\n");
    return 1;
  }
  const int cores = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));

  Run({"cat", image.string()});  // page cache hot for every measurement
  const Measure read = Best([&] { return Run({"cat", image.string()}); });
  const Measure decode = Best([&] { return DecodeAll(photos); });
  const fs::path listing = data / "scan-listing.jsonl";
  const std::string peak = (data / "scan-peak.txt").string();
  const Measure alone = Scan(cli, image.string(), 1, listing, peak);
  const Measure all = Scan(cli, image.string(), 0, listing, peak);
  if (alone.Status != 0 || all.Status != 0) {
    std::fprintf(stderr, "kova-cli scan failed with status %d\n",
                 std::max(alone.Status, all.Status));
    return 1;
  }
  const int listed = Listed(listing);
  const fs::path out = data / "recover-out";
  const Measure recover = Best([&] {
    fs::remove_all(out);
    return Run({cli, "recover", image.string(), "--out", out.string(), "--json"}, "/dev/null",
               peak);
  });
  fs::remove_all(out);

  const double floor = read.Seconds + decode.Seconds;
  std::printf("card:              %.2f GiB, %zu photos (%d files listed by kova-cli), %d cores\n",
              fs::file_size(image) / double(1 << 30), photos.size(), listed, cores);
  std::printf("read (cat):        %7.3f s\n", read.Seconds);
  std::printf("djpeg 1/8:         %7.3f s over %zu photos\n", decode.Seconds, photos.size());
  std::printf("one thread floor:  %7.3f s (read + djpeg)\n", floor);
  std::printf("scan, 1 thread:    %7.3f s, peak memory %.1f MiB, %.2f x floor\n", alone.Seconds,
              alone.PeakKiB / 1024.0, alone.Seconds / floor);
  std::printf("scan, all cores:   %7.3f s, peak memory %.1f MiB (target < 200)\n", all.Seconds,
              all.PeakKiB / 1024.0);
  std::printf("recover, all:      %7.3f s, %.3f s processor, peak memory %.1f MiB (target < 200)\n",
              recover.Seconds, recover.CpuSeconds, recover.PeakKiB / 1024.0);
  std::printf("threads:           time / one thread's time\n");
  for (int threads : {2, 4, 8}) {
    const Measure many = threads == cores ? all : Scan(cli, image.string(), threads, listing, "");
    std::printf("  %d threads:       %7.3f s, %.2f%s\n", threads, many.Seconds,
                many.Seconds / alone.Seconds, threads > cores ? " (more threads than cores)" : "");
  }
  // A scan for types the card does not hold still walks the card; it must not cost more.
  for (const char* types : {"mov", "avi"}) {
    const Measure filtered = Scan(cli, image.string(), 0, "/dev/null", "", types);
    std::printf("scan --types %s:  %7.3f s, %.2f of the full scan (target <= 1)\n", types,
                filtered.Seconds, filtered.Seconds / all.Seconds);
  }
  if (const std::string loop = AttachLoop(image, data); !loop.empty()) {
    Run({"cat", loop});
    const Measure device = Scan(cli, loop, 0, listing, "");
    const Measure deviceRead = Best([&] { return Run({"cat", loop}); });
    Run({"losetup", "--detach", loop});
    std::printf("loop device:       %7.3f s scan with all cores, %7.3f s cat (%s)\n",
                device.Seconds, deviceRead.Seconds, loop.c_str());
  } else {
    std::printf("loop device:       not measured (needs root and losetup)\n");
  }
  if (Installed("photorec")) {
    const fs::path photorecOut = data / "photorec-out";
    // One round: it takes long.
    fs::remove_all(photorecOut);
    fs::create_directories(photorecOut);
    // From the output folder, where it leaves its log.
    const Measure photorec =
        Run({"sh", "-c", "cd \"$0\" && exec photorec /log /d recup /cmd \"$1\" \"$2\"",
             photorecOut.string(), fs::absolute(image).string(),
             "partition_none,fileopt,everything,disable,jpg,enable,wholespace,search"});
    int recovered = 0;
    for (const auto& entry : fs::recursive_directory_iterator(photorecOut))
      recovered += entry.is_regular_file() && entry.path().extension() == ".jpg";
    std::printf("photorec:          %7.3f s, %.3f s processor, %d photos recovered\n",
                photorec.Seconds, photorec.CpuSeconds, recovered);
    std::printf(
        "recover / photorec: %.2f wall (target <= 0.25), %.2f processor (target <= 0.25); "
        "scan / photorec: %.2f\n",
        recover.Seconds / photorec.Seconds, recover.CpuSeconds / photorec.CpuSeconds,
        all.Seconds / photorec.Seconds);
    fs::remove_all(photorecOut);
  } else {
    std::printf("photorec:          not installed (Debian package testdisk)\n");
  }
  std::printf("scan: %.2f of one thread's time with %d cores (target <= 0.6)\n",
              all.Seconds / alone.Seconds, cores);
  return 0;
}

// The speed of the output side, page cache hot, beside plain copies of the same bytes on the same
// file system in the same run:
//   restore  the restore thread writing every file found on a 1 GiB card into a folder, beside cp
//            of one file as large as all the files restored (target: at least 70 % of its speed);
//   image    the disk image thread copying the card, read through the device layer as a drive,
//            into an image file, beside dd bs=1M of the card (target: at least 80 % of its speed).
// The card holds 900 MiB of camera videos. The median of five rounds counts, each side after a
// sync, so that one side's writing back does not slow the other.
// Usage: bench_restore|bench_image DATA_FOLDER restore|image
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_engine.h"
#include "card_builder.h"
#include "content.h"
#include "output/output_work_commands.h"
#include "run/work_command.h"

namespace {

namespace fs = std::filesystem;
using namespace kova;
using bench::Check;

constexpr int kRounds = 5;
constexpr uint64_t kCardBytes = uint64_t{1} << 30;
constexpr uint64_t kVideoBytes = 900ull << 20;

// Runs the program with its output thrown away.
bool Run(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The card: DCIM/100KOVA with videos of 40 to 70 MiB, as a camera leaves them.
void BuildCard(const fs::path& image) {
  std::printf("building the card ...\n");
  std::fflush(stdout);
  mkcard::CardBuilder card;
  mkcard::VolumeOptions options;
  options.type = mkcard::FatType::kFat32;
  options.card_bytes = kCardBytes;
  options.sectors_per_cluster = 8;
  options.label = "KOVA BENCH";
  Check(card.Format(options).ok(), "format");
  Check(card.MakeFolder("DCIM").ok() && card.MakeFolder("DCIM/100KOVA").ok(), "folders");
  uint64_t written = 0;
  for (int i = 0; written < kVideoBytes; ++i) {
    const uint64_t size = (40ull + (i * 7) % 31) << 20;
    char name[64];
    std::snprintf(name, sizeof name, "DCIM/100KOVA/MVI_%04d.MOV", i + 1);
    Check(card.WriteFile(name, mkcard::MakeData(size, 100 + i)).ok(), name);
    written += size;
  }
  Check(card.Save(image).ok(), "save");
}

// Runs one work command on a recovery engine of its own and answers its outcome and seconds.
class Engine {
 public:
  double Run(TXRef<TXCommand> command) {
    const auto start = std::chrono::steady_clock::now();
    engine_.Start(std::move(command));
    engine_.RunFor(std::chrono::hours(1));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Check(engine_.Code() == kErrNone, "the run (code " + std::to_string(engine_.Code()) + ")");
    return seconds;
  }
  TXDRWorkerGear& Gear() { return engine_.Gear(); }

 private:
  bench::TXBenchEngine engine_;
};

double Timed(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The rounds, each timing the two sides one after the other, each side after everything written
// before is on the disk; the side that goes first changes from round to round. Writing back to a
// shared disk makes single rounds vary a lot, so the median of the rounds counts, not the best.
// Every round writes new files: the outputs are removed only at the end, as a file system mounted
// with online discard makes the writer after a large removal wait.
struct TXRounds {
  std::vector<double> ours;
  std::vector<double> plain;
};

TXRounds Rounds(const std::function<double(int)>& ours, const std::function<double(int)>& plain) {
  TXRounds rounds;
  for (int round = 0; round < kRounds; ++round) {
    const bool oursFirst = round % 2 == 1;
    ::sync();
    const double first = oursFirst ? ours(round) : plain(round);
    ::sync();
    const double second = oursFirst ? plain(round) : ours(round);
    rounds.ours.push_back(oursFirst ? first : second);
    rounds.plain.push_back(oursFirst ? second : first);
    std::printf("round %d:  %6.3f s beside %6.3f s (%s first)\n", round + 1, rounds.ours.back(),
                rounds.plain.back(), oursFirst ? "ours" : "theirs");
  }
  return rounds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double MiBPerSecond(uint64_t bytes, double seconds) {
  return static_cast<double>(bytes) / (1 << 20) / seconds;
}

int Report(const char* name, const char* plainName, uint64_t bytes, const TXRounds& rounds,
           int target) {
  const double ours = MiBPerSecond(bytes, Median(rounds.ours));
  const double plain = MiBPerSecond(bytes, Median(rounds.plain));
  std::printf("%-9s %8.1f MiB, median %6.3f s, %7.0f MiB/s\n", name,
              static_cast<double>(bytes) / (1 << 20), Median(rounds.ours), ours);
  std::printf("%-9s %8.1f MiB, median %6.3f s, %7.0f MiB/s\n", plainName,
              static_cast<double>(bytes) / (1 << 20), Median(rounds.plain), plain);
  std::printf("%s: %.0f %% of %s's speed (target >= %d %%)\n", name, 100.0 * ours / plain,
              plainName, target);
  return 0;
}

int BenchRestore(const fs::path& data, const fs::path& card) {
  Engine engine;
  engine.Run(MakeRef<TXDRScanImageFileWorkCommand>(&engine.Gear(), card.string()));
  const uint64_t bytes = static_cast<uint64_t>(engine.Gear().Data().Files->CheckedSize());
  std::printf("files:    %d found on the card\n", engine.Gear().Data().Files->Count());
  const fs::path same = data / "restore-equal.bin";
  Check(Run({"dd", "if=" + card.string(), "of=" + same.string(), "bs=1M",
             "count=" + std::to_string(bytes >> 20), "status=none"}) &&
            Run({"truncate", "-s", std::to_string(bytes), same.string()}),
        "the file of equal size");
  const fs::path out = data / "restore-out";
  const TXRounds rounds = Rounds(
      [&](int round) {
        const fs::path folder = out / std::to_string(round);
        return engine.Run(
            MakeRef<TXDRDiskImageRestoreFilesWorkCommand>(&engine.Gear(), folder.string() + "/"));
      },
      [&](int round) {
        const fs::path copy = out / ("cp-" + std::to_string(round) + ".bin");
        fs::create_directories(out);
        return Timed([&] { Check(Run({"cp", same.string(), copy.string()}), "cp"); });
      });
  fs::remove_all(out);
  return Report("restore", "cp", bytes, rounds, 70);
}

int BenchImage(const fs::path& data, const fs::path& card) {
  Engine engine;
  const fs::path out = data / "image-out";
  fs::create_directories(out);
  const TXRounds rounds = Rounds(
      [&](int round) {
        const fs::path image = out / ("kova-" + std::to_string(round) + ".bin");
        return engine.Run(MakeRef<TXDRCopyCardToImageWorkCommand>(&engine.Gear(), card.string(), 0,
                                                                  image.string()));
      },
      [&](int round) {
        const fs::path copy = out / ("dd-" + std::to_string(round) + ".bin");
        return Timed([&] {
          Check(Run({"dd", "if=" + card.string(), "of=" + copy.string(), "bs=1M", "status=none"}),
                "dd");
        });
      });
  fs::remove_all(out);
  return Report("image", "dd bs=1M", kCardBytes, rounds, 80);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s DATA_FOLDER restore|image\n", argv[0]);
    return 2;
  }
  const fs::path data = argv[1];
  const std::string mode = argv[2];
  const fs::path card = data / "output-card.img";
  if (!fs::exists(card)) {
    // In a child, so that the card held in memory while it is built is not this process's.
    pid_t builder = fork();
    if (builder == 0) {
      BuildCard(card);
      std::_Exit(0);
    }
    int status = 0;
    waitpid(builder, &status, 0);
    if (status != 0) return 1;
  }
  Check(Run({"cat", card.string()}), "reading the card");  // page cache hot
  return mode == "image" ? BenchImage(data, card) : BenchRestore(data, card);
}

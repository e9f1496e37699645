// How soon a cancelled run ends, on the wall clock, from the cancel to the thread's end as the
// engine's thread learns it:
//   scan     a deep scan of a 96 MiB card image with 24 large photos and a video, page cache
//            hot, cancelled at random moments (target: the longest of the rounds within 1 s);
//   restore  a restore from the same card read as a drive whose every read takes 500 ms,
//            cancelled while a read is under way (target: the read under way and the one that
//            finishes the file in progress, 1.5 s).
// Usage: bench_cancel|bench_slow_cancel DATA_FOLDER scan|restore
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "bench_engine.h"
#include "card_builder.h"
#include "content.h"
#include "output/output_work_commands.h"
#include "run/work_command.h"
#include "support/faulty_device.h"

namespace {

namespace fs = std::filesystem;
using namespace kova;
using bench::Check;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 8;
constexpr const char* kSlowDrive = "/dev/kova-bench-slow";

// Large photos and a video on a FAT16 card, as a camera leaves them.
void BuildCard(const fs::path& image) {
  std::printf("building the card ...\n");
  mkcard::CardBuilder card;
  mkcard::VolumeOptions options;
  options.type = mkcard::FatType::kFat16;
  options.card_bytes = 96 << 20;
  options.sectors_per_cluster = 4;
  Check(card.Format(options).ok(), "format");
  for (int i = 1; i <= 24; ++i) {
    mkcard::PhotoOptions photo;
    photo.width = 1600;
    photo.height = 1200;
    photo.seed = static_cast<uint32_t>(i);
    mkcard::Content content;
    Check(mkcard::MakePhoto(photo, &content).ok(), "photo");
    Check(card.WriteFile("IMG_" + std::to_string(1000 + i) + ".JPG", content).ok(), "photo");
  }
  mkcard::VideoOptions video;
  video.frames = 60;
  mkcard::Content content;
  Check(mkcard::MakeAviVideo(video, &content).ok() && card.WriteFile("MVI_2000.AVI", content).ok(),
        "video");
  Check(card.Save(image).ok(), "save");
}

// Cancels the engine's run and answers the milliseconds until its end reached this thread.
double CancelAndWait(bench::TXBenchEngine& engine) {
  const Clock::time_point cancelled = Clock::now();
  engine.Gear().CancelRun();
  Check(engine.RunFor(std::chrono::minutes(5)), "the end");
  Check(engine.Code() == kErrCancelled, "the cancel (code " + std::to_string(engine.Code()) + ")");
  return std::chrono::duration<double, std::milli>(Clock::now() - cancelled).count();
}

int Report(const char* name, double longest, double sum, int rounds, double target) {
  std::printf("%d cancels: longest %.0f ms, mean %.0f ms\n", rounds, longest, sum / rounds);
  std::printf("%s: %.0f ms (target %.0f ms)\n", name, longest, target);
  return 0;
}

int BenchScan(const fs::path& card) {
  std::mt19937 random(912);
  std::uniform_int_distribution<int> moment(20, 600);
  double longest = 0;
  double sum = 0;
  int rounds = 0;
  while (rounds < kRounds) {
    bench::TXBenchEngine engine;
    engine.Start(MakeRef<TXDRScanImageFileWorkCommand>(&engine.Gear(), card.string()));
    if (engine.RunFor(std::chrono::milliseconds(moment(random)))) continue;  // over too soon
    const double ms = CancelAndWait(engine);
    std::printf("round %d: %.1f ms\n", ++rounds, ms);
    longest = std::max(longest, ms);
    sum += ms;
  }
  return Report("cancel", longest, sum, rounds, 1000);
}

int BenchRestore(const fs::path& data, const fs::path& card) {
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kSlowDrive, card.string(), plan));
  std::mt19937 random(4242);
  std::uniform_int_distribution<int> moment(100, 400);
  double longest = 0;
  double sum = 0;
  for (int round = 1; round <= kRounds; ++round) {
    bench::TXBenchEngine engine;
    plan->ReadDelay = {};
    engine.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&engine.Gear(), kSlowDrive));
    Check(engine.RunFor(std::chrono::minutes(5)), "the scan");
    plan->ReadDelay = std::chrono::milliseconds(500);
    const fs::path folder = data / "slow-cancel-out" / std::to_string(round);
    engine.Start(
        MakeRef<TXDRDiskRestoreFilesWorkCommand>(&engine.Gear(), kSlowDrive, 0, folder.string()));
    Check(!engine.RunFor(std::chrono::milliseconds(500 + moment(random))), "a running restore");
    const double ms = CancelAndWait(engine);
    std::printf("round %d: %.1f ms\n", round, ms);
    longest = std::max(longest, ms);
    sum += ms;
  }
  fs::remove_all(data / "slow-cancel-out");
  return Report("slow_cancel", longest, sum, kRounds, 1500);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s DATA_FOLDER scan|restore\n", argv[0]);
    return 2;
  }
  const fs::path data = argv[1];
  const std::string mode = argv[2];
  const fs::path card = data / "cancel-card.img";
  if (!fs::exists(card)) BuildCard(card);
  return mode == "restore" ? BenchRestore(data, card) : BenchScan(card);
}

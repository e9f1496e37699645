// Builds the cards of the reader benchmark (bench/reader/run.sh) into the data folder, unless they
// are there: camera photos on a 1 GiB card (read at 90 MB/s) and on a 256 MiB card (at 20 MB/s),
// so that every run takes seconds, not minutes.
// Usage: bench_reader DATA_FOLDER
#include <cstdint>
#include <filesystem>

#include "camera_card.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_reader DATA_FOLDER\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path data = argv[1];
  for (const auto& [name, bytes] :
       {std::pair{"reader-1g", uint64_t{1} << 30}, std::pair{"reader-256m", uint64_t{256} << 20}}) {
    const fs::path image = data / (std::string(name) + ".img");
    const fs::path manifest = data / (std::string(name) + ".manifest.jsonl");
    if (fs::exists(image) && fs::exists(manifest)) continue;
    const int photos = kova::bench::BuildCameraCard(image, manifest, bytes);
    std::printf("%s: %d photos\n", image.c_str(), photos);
  }
  return 0;
}

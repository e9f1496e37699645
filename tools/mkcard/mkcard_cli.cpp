#include "mkcard_cli.h"

#include <cstdlib>
#include <filesystem>

#include "card_builder.h"
#include "recipe.h"

namespace kova::mkcard {

namespace {

constexpr const char* kUsage =
    "usage: mkcard RECIPE IMAGE [--manifest PATH] [--samples DIR]\n"
    "Builds the card image IMAGE from RECIPE and writes the manifest of what it holds\n"
    "(default: IMAGE with the extension .manifest.jsonl). copy=samples:NAME in the recipe reads\n"
    "from DIR (default: $KOVA_SAMPLES_DIR).\n";

struct Arguments {
  std::filesystem::path recipe, image, manifest, samples;
};

bool ParseArguments(const std::vector<std::string>& args, Arguments* parsed) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if ((arg == "--manifest" || arg == "--samples") && i + 1 < args.size()) {
      (arg == "--manifest" ? parsed->manifest : parsed->samples) = args[++i];
    } else if (arg.rfind("--", 0) == 0) {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return false;
  parsed->recipe = positional[0];
  parsed->image = positional[1];
  if (parsed->manifest.empty())
    parsed->manifest = std::filesystem::path(parsed->image).replace_extension(".manifest.jsonl");
  if (parsed->samples.empty()) {
    const char* env = std::getenv("KOVA_SAMPLES_DIR");
    if (env != nullptr) parsed->samples = env;
  }
  return true;
}

}  // namespace

int RunMkcard(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Arguments parsed;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  if (!ParseArguments(args, &parsed)) {
    err << kUsage;
    return 2;
  }
  CardBuilder card;
  Status done = RunRecipeFile(parsed.recipe, parsed.samples, &card);
  if (done) done = card.Save(parsed.image, parsed.manifest);
  if (!done) {
    err << "mkcard: " << done.message() << "\n";
    return 1;
  }
  const Manifest manifest = card.MakeManifest();
  std::string volumes;
  for (const ManifestVolume& v : manifest.volumes)
    volumes += (volumes.empty() ? "" : " ") + v.file_system;
  out << "mkcard: " << parsed.image.string() << ": " << manifest.card.image_bytes
      << " bytes, table " << manifest.card.table << ", volumes "
      << (volumes.empty() ? "none" : volumes) << ", " << manifest.records.size() << " entries\n";
  return 0;
}

}  // namespace kova::mkcard

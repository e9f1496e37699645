#include <sstream>

#include "recipe_runner.h"
#include "seeded_random.h"

// The content options of `file` and `raw` lines.
namespace kova::mkcard {

namespace {

constexpr std::string_view kSamplesPrefix = "samples:";
constexpr std::string_view kContentKeys[] = {"photo", "avi",  "mov",  "mp4",
                                             "tiff",  "copy", "text", "data"};

}  // namespace

Status RecipeRunner::MakeContent(RecipeLine& line, const std::string& name, DosTime time,
                                 Content* content) {
  std::string kind;
  for (std::string_view key : kContentKeys) {
    if (!line.Has(std::string(key))) continue;
    if (!kind.empty())
      return Status::Failure("give one content option, not both " + kind + "= and " +
                             std::string(key) + "=");
    kind = key;
  }
  if (kind.empty())
    return Status::Failure(
        "no content: give photo=, avi=, mov=, mp4=, tiff=, copy=, text= or data=");
  uint64_t seed = HashText(name);
  if (Status ok = line.Number("seed", &seed); !ok) return ok;
  if (kind == "photo") return Photo(line, seed, time, content);
  if (kind == "avi" || kind == "mov" || kind == "mp4") return Video(line, kind, seed, content);
  if (kind == "tiff") return Tiff(line, seed, content);
  if (kind == "copy") return Copy(*line.Text("copy"), content);
  if (kind == "text") return *content = MakeText(*line.Text("text")), Status();
  return Data(line, seed, content);
}

Status RecipeRunner::Photo(RecipeLine& line, uint64_t seed, DosTime time, Content* content) {
  PhotoOptions o;
  o.seed = seed;
  o.taken = time;
  uint64_t quality = o.quality;
  if (Status ok = All({line.Size2D("photo", &o.width, &o.height), line.Number("quality", &quality),
                       line.Flag("thumbnail", &o.exif_thumbnail)});
      !ok) {
    return ok;
  }
  o.quality = static_cast<int>(std::min<uint64_t>(quality, 1000));
  return MakePhoto(o, content);
}

Status RecipeRunner::Video(RecipeLine& line, const std::string& kind, uint64_t seed,
                           Content* content) {
  MovieOptions o;
  o.seed = seed;
  if (kind == "mp4") {
    o.major_brand = "isom";
    o.compatible_brands = {"isom", "mp41"};
  }
  uint64_t frames = o.frames, fps = o.fps, quality = o.quality, skip = 0;
  if (Status ok = All({line.Size2D(kind, &o.width, &o.height), line.Number("frames", &frames),
                       line.Number("fps", &fps), line.Number("quality", &quality)});
      !ok) {
    return ok;
  }
  o.frames = static_cast<int>(std::min<uint64_t>(frames, 100000));
  o.fps = static_cast<int>(std::min<uint64_t>(fps, 1000));
  o.quality = static_cast<int>(std::min<uint64_t>(quality, 1000));
  if (kind == "avi") return MakeAviVideo(o, content);
  if (Status ok = All({line.Flag("mdat64", &o.mdat_64bit), line.Flag("moov-first", &o.moov_first),
                       line.Number("skip", &skip), Brands(line, &o)});
      !ok) {
    return ok;
  }
  o.leading_skip = static_cast<uint32_t>(std::min<uint64_t>(skip, 1 << 20));
  return MakeQuickTimeMovie(o, content);
}

// brands=MAJOR,COMPATIBLE,...; short names are padded with blanks ("qt" is "qt  ").
Status RecipeRunner::Brands(RecipeLine& line, MovieOptions* o) {
  const std::optional<std::string> text = line.Text("brands");
  if (!text) return {};
  std::vector<std::string> brands;
  std::stringstream list(*text);
  for (std::string brand; std::getline(list, brand, ',');) {
    if (brand.empty() || brand.size() > 4)
      return Status::Failure("brands=" + *text + ": each brand has 1 to 4 characters");
    brands.push_back(brand.append(4 - brand.size(), ' '));
  }
  if (brands.empty()) return Status::Failure("brands= needs at least a major brand");
  o->major_brand = brands.front();
  o->compatible_brands.assign(brands.begin() + 1, brands.end());
  return {};
}

Status RecipeRunner::Tiff(RecipeLine& line, uint64_t seed, Content* content) {
  TiffOptions o;
  o.seed = seed;
  const std::string order = line.Text("byte-order").value_or("little");
  if (order != "little" && order != "big")
    return Status::Failure("byte-order= must be little or big");
  o.big_endian = order == "big";
  if (Status ok = line.Size2D("tiff", &o.width, &o.height); !ok) return ok;
  return MakeTiffPicture(o, content);
}

Status RecipeRunner::Copy(const std::string& source, Content* content) const {
  std::filesystem::path path;
  if (source.rfind(kSamplesPrefix, 0) == 0) {
    if (context_.samples_dir.empty()) {
      return Status::Failure("copy=" + source +
                             ": no samples folder (set KOVA_SAMPLES_DIR or --samples)");
    }
    path = context_.samples_dir / source.substr(kSamplesPrefix.size());
  } else {
    path = std::filesystem::path(source).is_absolute() ? std::filesystem::path(source)
                                                       : context_.base_dir / source;
  }
  return CopyExistingFile(path, content);
}

Status RecipeRunner::Data(RecipeLine& line, uint64_t seed, Content* content) {
  uint64_t size = 0;
  if (Status ok = line.Number("data", &size); !ok) return ok;
  if (size > UINT32_MAX) return Status::Failure("data= is larger than a FAT file can be");
  int fill = -1;
  if (line.Has("fill")) {
    uint8_t value = 0;
    if (Status ok = line.Byte("fill", &value); !ok) return ok;
    fill = value;
  }
  *content = MakeData(size, seed, fill);
  return {};
}

}  // namespace kova::mkcard

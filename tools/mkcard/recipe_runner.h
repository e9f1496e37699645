#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "card_builder.h"
#include "recipe.h"
#include "recipe_line.h"
#include "status.h"

namespace kova::mkcard {

// Runs the commands of one recipe against one card, line by line.
class RecipeRunner {
 public:
  RecipeRunner(const RecipeContext& context, CardBuilder* card) : context_(context), card_(card) {}

  Status Run(RecipeLine& line);

 private:
  static Status Words(const RecipeLine& line, size_t count, const char* usage);
  static Status All(std::initializer_list<Status> results);

  // The card, its partitions and volumes (recipe_card.cpp).
  Status Card(RecipeLine& line);
  Status Partition(RecipeLine& line);
  Status Volume(RecipeLine& line);
  Status VolumeNumbers(RecipeLine& line, VolumeOptions* options) const;
  Status ExfatVolume(RecipeLine& line);  // recipe_exfat.cpp
  Status UseVolume(RecipeLine& line);
  Status Damage(RecipeLine& line);
  // "1A2B-3C4D" as volume serials and disk identifiers are usually written, or a number.
  static Status Serial(RecipeLine& line, const std::string& key, uint64_t* serial);

  // Entries and clusters (recipe_commands.cpp).
  Status SetTime(RecipeLine& line);
  Status Entry(RecipeLine& line, EntryOptions* entry);
  Status Where(RecipeLine& line, Placement* placement);
  Status ClusterValue(const std::string& text, uint32_t* cluster);
  Status Folder(RecipeLine& line);
  Status File(RecipeLine& line);
  Status Delete(RecipeLine& line);
  Status Raw(RecipeLine& line);
  Status ClusterList(RecipeLine& line, std::vector<uint32_t>* clusters);
  Status Wipe(RecipeLine& line);
  Status Bad(RecipeLine& line);
  Status LoopFolder(RecipeLine& line);
  Status LinkFolder(RecipeLine& line);
  Status Truncate(RecipeLine& line);

  // Contents of files and raw writes (recipe_content.cpp).
  Status MakeContent(RecipeLine& line, const std::string& name, DosTime time, Content* content);
  static Status Photo(RecipeLine& line, uint64_t seed, DosTime time, Content* content);
  static Status Video(RecipeLine& line, const std::string& kind, uint64_t seed, Content* content);
  static Status Brands(RecipeLine& line, MovieOptions* o);
  static Status Tiff(RecipeLine& line, uint64_t seed, Content* content);
  Status Copy(const std::string& source, Content* content) const;
  static Status Data(RecipeLine& line, uint64_t seed, Content* content);

  const RecipeContext& context_;
  CardBuilder* card_;
  bool card_line_ = false;  // the recipe began with a `card` line
};

}  // namespace kova::mkcard

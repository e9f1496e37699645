#pragma once

#include <filesystem>
#include <string_view>

#include "card_builder.h"
#include "status.h"

namespace kova::mkcard {

struct RecipeContext {
  std::filesystem::path base_dir;     // where relative copy= paths start
  std::filesystem::path samples_dir;  // what copy=samples:NAME refers to
};

// Runs every line of a recipe (format in tools/mkcard/README.md) on `card`. A failure names the
// line and stops there.
Status RunRecipe(std::string_view text, const RecipeContext& context, CardBuilder* card);
Status RunRecipeFile(const std::filesystem::path& recipe, const std::filesystem::path& samples_dir,
                     CardBuilder* card);

}  // namespace kova::mkcard

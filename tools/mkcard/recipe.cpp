#include "recipe.h"

#include <fstream>
#include <sstream>

#include "recipe_runner.h"

namespace kova::mkcard {

Status RunRecipe(std::string_view text, const RecipeContext& context, CardBuilder* card) {
  RecipeRunner runner(context, card);
  std::istringstream lines{std::string(text)};
  std::string text_line;
  for (int number = 1; std::getline(lines, text_line); ++number) {
    RecipeLine line;
    Status done = RecipeLine::Parse(text_line, &line);
    if (done && !line.Command().empty()) done = runner.Run(line);
    if (!done) return Status::Failure("line " + std::to_string(number) + ": " + done.message());
  }
  if (!card->HasCard())
    return Status::Failure("the recipe has no 'volume' line and no 'card' line");
  return {};
}

Status RunRecipeFile(const std::filesystem::path& recipe, const std::filesystem::path& samples_dir,
                     CardBuilder* card) {
  std::ifstream in(recipe, std::ios::binary);
  if (!in) return Status::Failure("cannot open recipe " + recipe.string());
  std::ostringstream text;
  text << in.rdbuf();
  const RecipeContext context{recipe.parent_path(), samples_dir};
  Status done = RunRecipe(text.str(), context, card);
  if (!done) return Status::Failure(recipe.filename().string() + " " + done.message());
  return {};
}

}  // namespace kova::mkcard

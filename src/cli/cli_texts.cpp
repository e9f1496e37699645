#include "cli/cli_texts.h"

#include "framework/text_utils.h"
#include "persistence/lg.h"
#include "persistence/lg_builtin.h"

namespace kova::cli {

void UseCliLanguage() {
  UseBuiltInLanguage();
}

std::string Say(uint32_t id, std::initializer_list<std::string_view> args) {
  std::string text = args.size() == 0 ? Lg().Word(id) : Lg().Format(id, args);
  return ReplaceAll(std::move(text), "\r\n", "\n");
}

}  // namespace kova::cli

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "card_builder.h"
#include "card_manifest.h"
#include "cli/cli_runner.h"
#include "json_value.h"
#include "recipe.h"
#include "support/test_files.h"

// kova-cli reads FAT short names in the OEM code page given with --codepage.
namespace kova {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunCli;

// Deleted short names (no long names) with characters that only code page 850 has: Ø and Ã are
// the bytes 0x9D and 0xC7, which read as ¥ and ╟ in code page 437.
constexpr char kCard[] = R"(volume fat16 size=32M code-page=850
folder DCIM
file DCIM/SÃOPAULO.JPG photo=320x240 seed=1
file DCIM/ÅRØSUND.JPG photo=320x240 seed=2
delete DCIM/SÃOPAULO.JPG
delete DCIM/ÅRØSUND.JPG
)";

// The name of a deleted short entry: its first letter is lost.
std::string WithoutFirstLetter(const std::string& name, const std::string& mark) {
  size_t next = 1;
  while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80)
    ++next;
  return mark + name.substr(next);
}

class CliCodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkcard::CardBuilder card;
    const mkcard::Status built = mkcard::RunRecipe(kCard, {}, &card);
    ASSERT_TRUE(built.ok()) << built.message();
    ASSERT_TRUE(card.Save(image_).ok());
    manifest_ = card.MakeManifest();
  }
  // The names scan finds, given these extra arguments.
  std::set<std::string> FoundNames(std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"scan", image_.string(), "--json"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    CliResult scan = RunCli(arguments);
    EXPECT_EQ(scan.Status, 0) << scan.Err;
    std::set<std::string> names;
    for (const std::string& line : scan.OutLines()) {
      mkcard::JsonValue file;
      std::string error;
      EXPECT_TRUE(mkcard::ParseJson(line, &file, &error)) << line;
      if (const mkcard::JsonValue* name = file.Member("name")) names.insert(name->text);
    }
    return names;
  }
  // The deleted photos' names as written, with `mark` for the lost first letter.
  std::set<std::string> Written(const std::string& mark) const {
    std::set<std::string> names;
    for (const mkcard::ManifestRecord& record : manifest_.records) {
      if (record.content == "jpg") names.insert(WithoutFirstLetter(record.short_name, mark));
    }
    return names;
  }

  test::TempDir dir_;
  fs::path image_ = dir_ / "card.img";
  mkcard::Manifest manifest_;
};

TEST_F(CliCodePageTest, ShortNamesReadInTheCodePageTheyWereWrittenIn) {
  const std::set<std::string> written = Written("!");
  ASSERT_EQ(written, (std::set<std::string>{"!ÃOPAULO.JPG", "!RØSUND.JPG"}));
  EXPECT_EQ(FoundNames({"--codepage", "850"}), written);
  EXPECT_EQ(FoundNames({}), (std::set<std::string>{"!╟OPAULO.JPG", "!R¥SUND.JPG"}))
      << "437 is the default";

  const fs::path out = dir_ / "out";
  CliResult recover = RunCli({"recover", image_.string(), "--out", out.string(), "--codepage=850"});
  ASSERT_EQ(recover.Status, 0) << recover.Err;
  std::set<std::string> saved;
  for (const auto& entry : fs::directory_iterator(out))
    saved.insert(entry.path().filename().string());
  EXPECT_EQ(saved, Written("_"));
}

TEST_F(CliCodePageTest, ACodePageThatIsNotKnownIsAUsageError) {
  for (const char* page : {"1252", "65001", "cp850", ""}) {
    CliResult scan = RunCli({"scan", image_.string(), "--codepage", page});
    EXPECT_EQ(scan.Status, 1) << page;
    EXPECT_EQ(scan.Err,
              std::string("Not a code page for --codepage: ") + page +
                  ". Write 437 (US), 850 (Western Europe), 852 (Central Europe), 858 (850 with "
                  "the euro sign) or 866 (Cyrillic).\n");
    EXPECT_TRUE(scan.Out.empty());
  }
}

}  // namespace
}  // namespace kova

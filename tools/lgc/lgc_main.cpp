// kova-lgc: compiles the readable sources of a language (resources/lang/en) into the language
// data that the program embeds.
//
//   kova-lgc --source FOLDER --cpp FILE.cpp [--container FILE.xlg]
//
// Exit status 0 on success, 1 when the sources hold errors, 2 for a wrong command line.

#include <fstream>
#include <iostream>
#include <string>

#include "framework/error_data.h"
#include "lg_compiler.h"
#include "persistence/xml_filer_objects.h"

namespace {

struct Options {
  std::string Source;
  std::string Cpp;
  std::string Container;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string name = argv[i];
    if (name == "--source") {
      options.Source = argv[i + 1];
    } else if (name == "--cpp") {
      options.Cpp = argv[i + 1];
    } else if (name == "--container") {
      options.Container = argv[i + 1];
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options.Source.empty() && !options.Cpp.empty();
}

bool WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (out) return true;
  std::cerr << "kova-lgc: cannot write " << name << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << "usage: kova-lgc --source FOLDER --cpp FILE.cpp [--container FILE.xlg]\n";
    return 2;
  }
  kova::lgc::TXSourceReport report;
  kova::lgc::TXLanguageSource source;
  bool read = kova::lgc::ReadLanguageSource(options.Source, source, report);
  for (const std::string& warning : report.Warnings)
    std::cerr << "kova-lgc: warning: " << warning << "\n";
  for (const std::string& error : report.Errors)
    std::cerr << "kova-lgc: error: " << error << "\n";
  if (!read) return 1;

  std::vector<uint8_t> container;
  if (!kova::lgc::BuildContainer(source, container)) {
    std::cerr << "kova-lgc: error: " << kova::ThreadError().ToString() << "\n";
    return 1;
  }
  kova::TXStreamBox box;
  kova::lgc::FillStreamBox(box, container, source.TimeStamp);
  std::string cpp = kova::lgc::EmbeddingSource(kova::ObjectToXml(box));
  if (!options.Container.empty() &&
      !WriteFile(options.Container, std::string(container.begin(), container.end()))) {
    return 1;
  }
  return WriteFile(options.Cpp, cpp) ? 0 : 1;
}

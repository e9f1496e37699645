#include <cstdio>

#include "catalogue_listing.h"

// kova-catalogue: prints the file-type catalogue (catalogue_listing.h) on standard output.
int main(int argc, char** /*argv*/) {
  if (argc > 1) {
    std::fputs("usage: kova-catalogue (prints the file-type catalogue, one type a line)\n", stderr);
    return 2;
  }
  const std::string listing = kova::catalogue::CatalogueListing();
  return std::fwrite(listing.data(), 1, listing.size(), stdout) == listing.size() ? 0 : 1;
}

// Makes the converter tests' source videos once for a whole test run.
//
//   converter_test_media FOLDER

#include <cstdio>
#include <exception>
#include <filesystem>

#include "media_recipes.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  try {
    std::filesystem::remove_all(argv[1]);
    std::filesystem::create_directories(argv[1]);
    converter_test::makeAllMedia(argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}

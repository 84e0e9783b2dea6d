// Loading a file asks for its length, its video and its audio: the file is
// read once, and again only when it changes or another video stream is asked.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "converter/conversion_error.h"
#include "converter/media_catalogue.h"
#include "test_media.h"

namespace converter_test {
namespace {

TEST(ConverterMediaCatalogue, EachUnchangedFileIsReadOnce) {
  int reads = 0;
  converter::MediaCatalogue catalogue([&](const std::string& path, int stream) {
    ++reads;
    return converter::probeMedia(path, stream);
  });
  const std::string copy = pathInWorkFolder("catalogued.flv");
  std::filesystem::copy_file(flashVideo(), copy, std::filesystem::copy_options::overwrite_existing);

  const double duration = catalogue.info(copy, 0).duration;
  EXPECT_GT(duration, 4.9);
  catalogue.info(copy, 0);
  catalogue.info(copy, 0);
  EXPECT_EQ(reads, 1);

  EXPECT_FALSE(catalogue.info(copy, 1).hasVideo);  // the file has one video stream
  EXPECT_EQ(reads, 2);

  // The next download into the same name is another video.
  std::filesystem::copy_file(truncatedFlashVideo(), copy, std::filesystem::copy_options::overwrite_existing);
  EXPECT_LT(catalogue.info(copy, 0).duration, duration * 0.6);
  EXPECT_EQ(reads, 3);

  std::filesystem::remove(copy);
  EXPECT_THROW(catalogue.info(copy, 0), converter::ConversionError);
  EXPECT_EQ(reads, 4);
}

}  // namespace
}  // namespace converter_test

// Every font in the raster and graphics tests comes from tests/raster/fonts.conf, so that face
// names resolve to the same families whatever fonts the machine has installed. fontconfig reads the
// variable once, when the first font is made, which is after this set-up.
#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

class TestFontSet : public ::testing::Environment
{
public:
  void SetUp() override { setenv("FONTCONFIG_FILE", KESTRION_TEST_FONTS_CONF, 1); }
};

const ::testing::Environment* const kTestFontSet =
    ::testing::AddGlobalTestEnvironment(new TestFontSet);

} // namespace

// sdl_implementation_test.cpp: the SDL 1.2 that the binaries load at run time is the one this
// build was configured for, so a build meant for one implementation never runs on the other.
#include "SDL.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(SdlImplementation, IsTheOneTheBuildWasConfiguredFor)
{
    const SDL_version *linked = SDL_Linked_Version();
    ASSERT_NE(linked, nullptr);
    const std::string version = std::to_string(linked->major) + "." +
                                std::to_string(linked->minor) + "." + std::to_string(linked->patch);
    const std::string expected = DEMO_SDL_IMPLEMENTATION;
    if (expected == "classic") {
        EXPECT_EQ(version, "1.2.15") << "classic SDL expected";
    } else {
        ASSERT_EQ(expected, "sdl12-compat");
        EXPECT_EQ(linked->major, 1) << version;
        EXPECT_EQ(linked->minor, 2) << version;
        EXPECT_GE(linked->patch, 50) << "sdl12-compat expected, running on " << version;
    }
}

} // namespace

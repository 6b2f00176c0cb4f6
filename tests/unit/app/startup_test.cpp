#include <gtest/gtest.h>

#include <csignal>

#include "app/startup.h"
#include "platform/folders.h"
#include "support/temp_dir.h"
#include "unit/platform/peer_process.h"

using namespace kx58;

TEST(Startup, SecondInstanceExitsAtOnceAndBringsTheFirstToTheFront) {
    kx58test::IsolatedSession session;
    PeerProcess first({}, "instance_peer");
    const auto firstLine = first.ReadLine();
    ASSERT_TRUE(firstLine && firstLine->rfind("first ", 0) == 0) << firstLine.value_or("(nothing)");
    const std::string number = firstLine->substr(6);

    PeerProcess second({}, "instance_peer");
    EXPECT_EQ(second.ReadLine(), "second " + number);
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), "message " + number + " 0 1");

    // Once the first is gone (even killed), the next start is a first instance again.
    first.Kill(SIGKILL);
    first.Wait();
    PeerProcess third({}, "instance_peer");
    EXPECT_EQ(third.ReadLine(), "first " + number);
}

TEST(Startup, MissingFontsAreSkippedAndPresentOnesLoadInOrder) {
    kx58test::TempDir program;
    auto fonts = LoadPrivateFonts(program.Path() + "/");
    ASSERT_EQ(fonts.size(), 4u);
    for (const auto& font : fonts) EXPECT_FALSE(font->Loaded());

    CreateFolders(program / "Font");
    const auto dejavu = kx58test::ReadWholeFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    kx58test::WriteWholeFile(program / "Font/NotoSansThai-Regular.ttf", dejavu);
    fonts = LoadPrivateFonts(program.Path() + "/");
    EXPECT_FALSE(fonts[0]->Loaded());
    EXPECT_TRUE(fonts[2]->Loaded());
    UnloadPrivateFonts(fonts);
    EXPECT_TRUE(fonts.empty());
}

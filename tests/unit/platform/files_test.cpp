#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/private_font.h"
#include "platform/registry.h"
#include "platform/shell_execute.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "unit/platform/peer_process.h"

using namespace kx58;

namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (dirent* item = dir ? readdir(dir) : nullptr)
        if (item->d_name[0] != '.') names.emplace_back(item->d_name);
    if (dir) closedir(dir);
    return names;
}

bool Uniform(const std::string& text) {
    return text.find_first_not_of(text.empty() ? '\0' : text[0]) == std::string::npos;
}

}  // namespace

TEST(AtomicFile, WriterKilledMidWriteLeavesAWholeVersion) {
    kx58test::TempDir dir;
    const std::string path = dir / "profile.Json";
    ASSERT_TRUE(WriteFileAtomically(path, std::string(4 << 20, 'A')));
    PeerProcess writer({"rewrite-forever", path});
    ASSERT_EQ(writer.ReadLine(), "wrote");  // at least one full replacement happened
    writer.Kill(SIGKILL);
    writer.Wait();
    const std::string content = kx58test::ReadWholeFile(path);
    EXPECT_EQ(content.size(), 4u << 20);
    EXPECT_TRUE(Uniform(content));
}

TEST(AtomicFile, FailedWriteKeepsOldContentAndLeavesNoTemporaryFile) {
    kx58test::TempDir dir;
    const std::string path = dir / "ProfileList.ini";
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    chmod(path.c_str(), 0640);
    PeerProcess writer({"write-over-limit", path});
    EXPECT_EQ(writer.ReadLine(), "failed");
    writer.Wait();
    EXPECT_EQ(kx58test::ReadWholeFile(path), "old");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"ProfileList.ini"});

    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadWholeFile(path), "new");
    struct stat info {};
    stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
    EXPECT_FALSE(WriteFileAtomically(dir / "missing-folder/x", "y"));
    EXPECT_FALSE(ReadWholeFile(dir / "missing").has_value());
}

TEST(Registry, MissingKeysFailToOpenValuesRoundTripNamesIgnoreCase) {
    kx58test::IsolatedSession session;
    EXPECT_FALSE(RegistryKey::Open("SOFTWARE\\KX58RGBVs Device").has_value());
    auto created = RegistryKey::Create("SOFTWARE\\KX58RGBVs Device");
    ASSERT_TRUE(created.has_value());
    EXPECT_TRUE(created->SetDword("LANGUAGE", 2052));
    EXPECT_TRUE(created->SetString("DisplayVersion", "1.0.4"));

    auto opened = RegistryKey::Open("software\\kx58rgbvs device\\");
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->QueryDword("language"), 2052u);
    EXPECT_EQ(opened->QueryString("DisplayVersion"), "1.0.4");
    EXPECT_FALSE(opened->QueryDword("DisplayVersion").has_value());  // wrong type
    EXPECT_FALSE(opened->QueryString("missing").has_value());
    EXPECT_TRUE(opened->SetDword("Language", 1033));  // same value, other spelling
    EXPECT_EQ(created->QueryDword("LANGUAGE"), 1033u);
    EXPECT_TRUE(opened->DeleteValue("language"));
    EXPECT_FALSE(created->QueryDword("LANGUAGE").has_value());

    // A broken file reads as an empty registry and is replaced whole on the next write.
    kx58test::WriteWholeFile(session.ConfigHome() + "/KX58RGBVs Device/registry.json", "{ broken");
    EXPECT_FALSE(RegistryKey::Open("SOFTWARE\\KX58RGBVs Device").has_value());
    EXPECT_FALSE(opened->SetDword("LANGUAGE", 1));  // its key is gone: not silently recreated
    ASSERT_TRUE(RegistryKey::Create("SOFTWARE\\KX58RGBVs Device").has_value());
    EXPECT_TRUE(RegistryKey::Open("SOFTWARE\\KX58RGBVs Device")->SetDword("LANGUAGE", 1));
}

// FIFO, endless device, folder, oversized file: each is refused at once (a FIFO would block
// the open, /dev/zero would be read until memory runs out).
TEST(ReadLimits, OnlyRegularFilesWithinTheLimitAreRead) {
    kx58test::TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero");
    std::filesystem::create_directory(dir / "folder");
    kx58test::WriteWholeFile(dir / "full", std::string(kMaxSettingsFileBytes, 'x'));
    kx58test::WriteWholeFile(dir / "over", std::string(kMaxSettingsFileBytes + 1, 'x'));
    const struct {
        const char* name;
        FileReadStatus status;
    } cases[] = {{"fifo", FileReadStatus::NotRegular},   {"zero", FileReadStatus::NotRegular},
                 {"folder", FileReadStatus::NotRegular}, {"over", FileReadStatus::TooLarge},
                 {"missing", FileReadStatus::Missing},   {"full", FileReadStatus::Ok}};
    for (const auto& c : cases) {
        const FileRead read = ReadRegularFile(dir / c.name, kMaxSettingsFileBytes);
        EXPECT_EQ(read.status, c.status) << c.name;
        EXPECT_EQ(read.text.size(), c.status == FileReadStatus::Ok ? kMaxSettingsFileBytes : 0u) << c.name;
    }
}

// A damaged settings file keeps what it can: the keys before the damage stay and are written
// back, the damaged bytes stay beside it; a file that cannot be read at all is never replaced.
TEST(Registry, DamagedFilesKeepTheirKeysAndACopyUnreadableOnesAreLeftAlone) {
    kx58test::IsolatedSession session;
    const std::string file = session.ConfigHome() + "/KX58RGBVs Device/registry.json";
    std::filesystem::create_directories(session.ConfigHome() + "/KX58RGBVs Device");
    const std::string cut = R"({"Software\\Other Program": {"Theme": "dark", "Nested": [1, {"a": ","}]},
        "SOFTWARE\\KX58RGBVs Device": {"LANGUAGE": 2052}, "SOFTWARE\\Third": {"Size": 12)";
    for (const std::string& damaged : {cut, cut + "}, trailing garbage"}) {
        kx58test::WriteWholeFile(file, damaged);
        auto key = RegistryKey::Open("SOFTWARE\\KX58RGBVs Device");
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(key->QueryDword("LANGUAGE"), 2052u);
        EXPECT_TRUE(key->SetDword("LANGUAGE", 1033));
        EXPECT_EQ(kx58test::ReadWholeFile(file + ".broken"), damaged);
        EXPECT_EQ(RegistryKey::Open("Software\\Other Program")->QueryString("Theme"), "dark");
        EXPECT_EQ(key->QueryDword("LANGUAGE"), 1033u);
    }

    // Unreadable in place of the file: a FIFO, a folder, an oversized file.
    std::filesystem::remove(file);
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    EXPECT_FALSE(RegistryKey::Open("SOFTWARE\\KX58RGBVs Device").has_value());
    EXPECT_FALSE(RegistryKey::Create("SOFTWARE\\KX58RGBVs Device").has_value());
    EXPECT_TRUE(std::filesystem::is_fifo(file));
    std::filesystem::remove(file);
    const std::string huge = "{\"K\": {\"V\": \"" + std::string(kMaxSettingsFileBytes, 'x') + "\"}}";
    kx58test::WriteWholeFile(file, huge);
    EXPECT_FALSE(RegistryKey::Create("SOFTWARE\\KX58RGBVs Device").has_value());
    EXPECT_EQ(kx58test::ReadWholeFile(file).size(), huge.size());
}

// Temporary files of killed writers are removed; a running writer's own file is not touched
// because the removal waits for the registry's lock.
TEST(Registry, TemporaryFilesOfInterruptedWritesAreRemoved) {
    kx58test::IsolatedSession session;
    ASSERT_TRUE(RegistryKey::Create("SOFTWARE\\KX58RGBVs Device").has_value());
    const std::string folder = session.ConfigHome() + "/KX58RGBVs Device/";
    for (const char* name : {"registry.json.tmp-a1B2c3", "registry.json.tmp-Q9w8E7"})
        kx58test::WriteWholeFile(folder + name, "{\"SOFT");
    kx58test::WriteWholeFile(folder + "other.tmp-keep", "mine");
    EXPECT_EQ(RemoveInterruptedRegistryWrites(), 2);
    auto names = FilesIn(folder);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"other.tmp-keep", "registry.json", "registry.json.lock"}));
}

TEST(Folders, UserFoldersFollowXdgAndAreCreatedOnDemand) {
    kx58test::IsolatedSession session;
    EXPECT_EQ(Folders::UserData(), session.DataHome() + "/KX58RGBVs Device/");
    struct stat info {};
    EXPECT_EQ(stat(Folders::UserData().c_str(), &info), 0);
    EXPECT_EQ(Folders::Runtime(), session.RuntimeDir() + "/kx58/");
    stat(Folders::Runtime().c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(Folders::Defaults(), Folders::Program() + "DefaultData/");
    EXPECT_EQ(NormalizePath("XML\\DeviceXml\\keyboarddevice.xml"), "XML/DeviceXml/keyboarddevice.xml");
}

TEST(ShellExecute, StartsProgramsWithParametersInTheirFolderAndRefusesMissingOnes) {
    kx58test::TempDir dir;
    const std::string script = dir / "upgrade";
    kx58test::WriteWholeFile(script, "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > \"$(pwd)/args.txt\"\n");
    chmod(script.c_str(), 0755);
    ASSERT_TRUE(ShellExecute("open", script, "On the upgrade \"two words\"", dir.Path(), SW_SHOW));
    const std::string expected = "[On]\n[the]\n[upgrade]\n[two words]\n";
    EXPECT_TRUE(kx58test::WaitUntil([&] { return kx58test::ReadWholeFile(dir / "args.txt") == expected; }));

    EXPECT_FALSE(ShellExecute("open", dir / "AudioRecord", "", "", SW_HIDE));
    EXPECT_FALSE(ShellExecute("print", script, "", "", SW_HIDE));
    EXPECT_EQ(SplitCommandLine("  a \"b c\" \"\" d\\\"e "), (std::vector<std::string>{"a", "b c", "", "d\"e"}));
}

TEST(PrivateFont, RealFontsAreAddedForThisProcessOthersSkippedAndUnloadRemovesOnlyItsOwn) {
    kx58test::TempDir dir;
    const std::string font = dir / "Ravlen-Regular.ttf";
    const std::string other = dir / "Simplified_Chinese.ttf";
    const auto source = ReadWholeFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ASSERT_TRUE(source.has_value()) << "fonts-dejavu-core is a test dependency";
    kx58test::WriteWholeFile(font, *source);
    kx58test::WriteWholeFile(other, *source);
    kx58test::WriteWholeFile(dir / "broken.otf", "not a font at all");

    const auto applicationFonts = [] {
        std::vector<std::string> files;
        FcFontSet* set = FcConfigGetFonts(FcConfigGetCurrent(), FcSetApplication);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
                files.emplace_back(reinterpret_cast<const char*>(file));
        }
        return files;
    };
    const auto generation = PrivateFont::Generation();
    PrivateFont missing, broken, first, second;
    EXPECT_FALSE(missing.Load(dir / "NotoSansThai-Regular.ttf"));
    EXPECT_FALSE(broken.Load(dir / "broken.otf"));
    EXPECT_EQ(PrivateFont::Generation(), generation);
    ASSERT_TRUE(first.Load(font));
    ASSERT_TRUE(second.Load(other));
    EXPECT_GT(PrivateFont::Generation(), generation);
    EXPECT_EQ(applicationFonts(), (std::vector<std::string>{font, other}));
    first.Unload();
    EXPECT_EQ(applicationFonts(), std::vector<std::string>{other});
    second.Unload();
    EXPECT_TRUE(applicationFonts().empty());
}

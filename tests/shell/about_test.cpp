// The about box's figures, the desktop shortcut and the reading of the help
// documents.
#include "data/error.h"
#include "shell/about_info.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;
using demovia::test::readBytes;
using demovia::test::TempDir;

namespace {

TEST(About, DiskSpaceUnits)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 bytes"},
        {500, "500 bytes"},
        {512, "512 bytes"},
        {1023, "1023 bytes"},
        {1024, "1.00 Kbytes"},
        {5ull * 1024 * 1024, "5120.00 Kbytes"},
        {1073741823, "1048576.00 Kbytes"},
        {1073741824, "1.00 Gbytes"},
        {3ull * 1073741824 + 536870912, "3.50 Gbytes"},
    };
    for (auto [bytes, text] : cases)
        EXPECT_EQ(formatDiskSpace(bytes), text) << bytes;
}

TEST(About, MemoryFigures)
{
    EXPECT_EQ(formatKilobytes(16384000, "."), "16.384.000 KB");
    EXPECT_EQ(formatKilobytes(999, "."), "999 KB");
    EXPECT_EQ(formatKilobytes(1000, ","), "1,000 KB");

    auto m = parseMeminfo("MemTotal:        8000000 kB\nMemFree:  100 kB\nMemAvailable:    2000000 kB\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->totalKb, 8000000u);
    EXPECT_EQ(m->availableKb, 2000000u);
    EXPECT_EQ(m->availablePercent(), 25);
    EXPECT_FALSE(parseMeminfo("MemTotal: 10 kB\n"));
}

TEST(About, DesktopShortcutIsReplacedNotDoubled)
{
    TempDir dir;
    const fs::path desk = dir / "Desktop";
    fs::create_directories(desk);
    const fs::path app = dir / "meu app$";
    createDesktopShortcut(desk, app / "demovia", "/opt/velho/");
    const fs::path f = createDesktopShortcut(desk, app / "demovia", app.string() + "/");
    EXPECT_EQ(f, desk / "Demovia.desktop");
    EXPECT_EQ(std::distance(fs::directory_iterator(desk), fs::directory_iterator()), 1);
    const std::string text = readBytes(f);
    EXPECT_NE(text.find("Exec=\"" + dir.path().string() + "/meu app\\\\$/demovia\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=" + app.string() + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Icon=" + app.string() + "/demovia.svg\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("/opt/velho"), std::string::npos);
    EXPECT_NE(fs::status(f).permissions() & fs::perms::owner_exec, fs::perms::none);

    EXPECT_THROW(createDesktopShortcut(dir / "nao-existe", app / "demovia", app), Error);
}

TEST(About, RichTextDocumentsAsText)
{
    const std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\*\\generator x;}"
                            "\\f0\\fs20 Proje\\'e7\\'e3o da popula\\'e7\\'e3o\\par\n"
                            "{\\b Chave} \\{35\\}\\tab fim\\par}";
    EXPECT_EQ(rtfToText(rtf), "Projeção da população\nChave {35}\tfim\n");
}

} // namespace

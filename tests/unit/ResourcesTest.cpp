// The resources linked into the program, read back through the platform's own loaders.
#include "support/TestSupport.h"
#include "support/TrayMenuItems.h"

#include "res/resource.h"

#include "VexaVersion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

HMODULE Module()
{
    return ::GetModuleHandleA(nullptr);
}

std::string ResourceBytes(const char* type, const char* name)
{
    HRSRC found = ::FindResourceA(Module(), name, type);
    if (found == nullptr)
        return std::string();
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(Module(), found)));
    return std::string(data, ::SizeofResource(Module(), found));
}

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The directory of an icon group: "16x16@8" for each image, in resource order (256 pixels are
// written as 0).
std::vector<std::string> IconImages(int id)
{
    const std::string bytes = ResourceBytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */,
                                            MAKEINTRESOURCEA(id));
    std::vector<std::string> images;
    if (bytes.size() < sizeof(IconGroupHeader))
        return images;
    IconGroupHeader header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    for (WORD i = 0; i < header.count; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, bytes.data() + sizeof(header) + i * sizeof(entry), sizeof(entry));
        images.push_back(std::to_string(entry.width) + "x" + std::to_string(entry.height) + "@" +
                         std::to_string(entry.bitCount));
    }
    return images;
}

// The width the image itself declares (its bitmap header or its PNG header) of the image that
// the platform picks from an icon group for the size; 0 when it picks none.
int PickedImageWidth(int group, int size)
{
    std::string directory = ResourceBytes(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(group));
    if (directory.empty())
        return 0;
    const int id = ::LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(&directory[0]), TRUE,
                                                 size, size, LR_DEFAULTCOLOR);
    const std::string image = ResourceBytes(MAKEINTRESOURCEA(3) /* RT_ICON */, MAKEINTRESOURCEA(id));
    if (image.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 && image.size() >= 24) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(image[at]); };
        return (byte(16) << 24) | (byte(17) << 16) | (byte(18) << 8) | byte(19); // big-endian
    }
    BITMAPINFOHEADER header = {};
    if (image.size() < sizeof(header))
        return 0;
    std::memcpy(&header, image.data(), sizeof(header));
    return header.biWidth;
}

// One image of 32 bits for each size.
std::vector<std::string> ExpectedImages(const std::vector<int>& sizes)
{
    std::vector<std::string> images;
    for (int size : sizes) {
        const std::string side = std::to_string(size < 256 ? size : 0);
        images.push_back(side + "x" + side + "@32");
    }
    return images;
}

TEST(Resources, EveryIconHoldsAnImageDrawnForEachSizeTheShellAsksFor)
{
    const std::vector<int> traySizes = {16, 20, 24, 32, 40, 48, 64};
    std::vector<int> appSizes = traySizes;
    appSizes.push_back(256);
    const std::pair<int, const std::vector<int>*> icons[] = {
        {IDI_APP, &appSizes}, {IDI_TRAY, &traySizes}, {IDI_TRAY_LIGHT, &traySizes}};
    for (const auto& [id, sizes] : icons) {
        SCOPED_TRACE(id);
        EXPECT_EQ(ExpectedImages(*sizes), IconImages(id));
        for (int size : *sizes) {
            SCOPED_TRACE(size);
            // The platform picks an image of exactly this size, and can read it (also a PNG).
            EXPECT_EQ(size, PickedImageWidth(id, size));
            const SIZE loaded = ResourcePicture(static_cast<UINT>(id), size).size;
            EXPECT_EQ(size, loaded.cx);
            EXPECT_EQ(size, loaded.cy);
        }
    }
}

TEST(Resources, TrayMenuHasOnePopupWithTheCommandsInOrder)
{
    HMENU menu = ::LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(1, ::GetMenuItemCount(menu));
    EXPECT_EQ("Vexa", MenuItemText(menu, 0));
    // The drive items go above the first separator when the program runs.
    EXPECT_EQ(CommandItems(), ItemsOf(::GetSubMenu(menu, 0)));
    ::DestroyMenu(menu);
}

TEST(Resources, AboutStringVersionAndManifest)
{
    char about[64] = "";
    EXPECT_EQ(14, ::LoadStringA(Module(), IDS_ABOUTBOX, about, sizeof(about)));
    EXPECT_STREQ("&About Vexa...", about);

    std::string version = ResourceBytes(MAKEINTRESOURCEA(16) /* RT_VERSION */, MAKEINTRESOURCEA(1));
    ASSERT_FALSE(version.empty());
    std::vector<char> copy(version.begin(), version.end());
    copy.resize(copy.size() * 2); // VerQueryValue may convert in place
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    // The build's version (the project's, 1.0.0.1 unless a package of another is made).
    const DWORD versionMS = MAKELONG(VEXA_VERSION_MINOR, VEXA_VERSION_MAJOR);
    const DWORD versionLS = MAKELONG(VEXA_VERSION_BUILD, VEXA_VERSION_PATCH);
    EXPECT_EQ(versionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(versionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(versionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(versionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    const std::pair<const char*, const char*> strings[] = {
        {"FileDescription", "Vexa - CD-ROM locking utility"},
        {"FileVersion", VEXA_VERSION_TEXT},
        {"InternalName", "Vexa"},
        {"OriginalFilename", "Vexa.exe"},
        {"ProductName", "Vexa"},
        {"ProductVersion", VEXA_VERSION_TEXT},
        {"LegalCopyright", "Copyright (C) 2026 Brindle Corporation"},
    };
    for (const auto& [name, expected] : strings) {
        SCOPED_TRACE(name);
        char* value = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(::VerQueryValueA(copy.data(), path.c_str(), reinterpret_cast<void**>(&value), &length));
        EXPECT_STREQ(expected, value);
    }

    const std::string manifest = ResourceBytes(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Brindle.Vexa\""));
    EXPECT_NE(std::string::npos, manifest.find("<description>Brindle.Vexa</description>"));
    EXPECT_NE(std::string::npos,
              manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("publicKeyToken=\"6595b64144ccf1df\""));
}

} // namespace

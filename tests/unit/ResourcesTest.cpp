// The resources linked into the program, read back through the platform's own loaders.
#include "support/DialogTemplate.h"
#include "support/StringTable.h"
#include "support/TestSupport.h"
#include "support/TrayMenuItems.h"

#include "app/UiLanguage.h"
#include "framework/ResourceLanguage.h"
#include "res/resource.h"

#include "VexaVersion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
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

std::vector<IconGroupEntry> IconEntries(int group)
{
    const std::string bytes = ResourceBytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */,
                                            MAKEINTRESOURCEA(group));
    std::vector<IconGroupEntry> entries;
    if (bytes.size() < sizeof(IconGroupHeader))
        return entries;
    IconGroupHeader header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    for (WORD i = 0; i < header.count; ++i) {
        entries.emplace_back();
        std::memcpy(&entries.back(), bytes.data() + sizeof(header) + i * sizeof(IconGroupEntry),
                    sizeof(IconGroupEntry));
    }
    return entries;
}

std::string ImageName(int width, int height, int bits)
{
    return std::to_string(width) + "x" + std::to_string(height) + "@" + std::to_string(bits);
}

// The directory of an icon group: "16x16@8" for each image, in resource order (256 pixels are
// written as 0).
std::vector<std::string> IconImages(int group)
{
    std::vector<std::string> images;
    for (const IconGroupEntry& entry : IconEntries(group))
        images.push_back(ImageName(entry.width, entry.height, entry.bitCount));
    return images;
}

std::string IconImage(int id)
{
    return ResourceBytes(MAKEINTRESOURCEA(3) /* RT_ICON */, MAKEINTRESOURCEA(id));
}

// What an image declares itself to be, in its bitmap header or its PNG header: "16x16@32".
std::string DeclaredImage(const std::string& image)
{
    if (image.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 && image.size() >= 26) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(image[at]); };
        const auto big = [&](std::size_t at) {
            return (byte(at) << 24) | (byte(at + 1) << 16) | (byte(at + 2) << 8) | byte(at + 3);
        };
        // Colour type 6 is RGBA: four samples a pixel.
        return ImageName(big(16), big(20), byte(24) * (byte(25) == 6 ? 4 : 1));
    }
    BITMAPINFOHEADER header = {};
    if (image.size() < sizeof(header))
        return std::string();
    std::memcpy(&header, image.data(), sizeof(header));
    return ImageName(header.biWidth, header.biHeight / 2, header.biBitCount);
}

// The image that the platform picks from an icon group for the size on this display.
std::string PickedImage(int group, int size)
{
    std::string directory = ResourceBytes(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(group));
    if (directory.empty())
        return std::string();
    return DeclaredImage(IconImage(::LookupIconIdFromDirectoryEx(
        reinterpret_cast<BYTE*>(&directory[0]), TRUE, size, size, LR_DEFAULTCOLOR)));
}

// One image of 32 bits for each size, followed by one of 8 bits at the sizes that have one.
std::vector<std::string> ExpectedImages(const std::vector<int>& sizes,
                                        const std::vector<int>& indexedSizes)
{
    std::vector<std::string> images;
    for (int size : sizes) {
        const int side = size < 256 ? size : 0;
        images.push_back(ImageName(side, side, 32));
        if (std::find(indexedSizes.begin(), indexedSizes.end(), size) != indexedSizes.end())
            images.push_back(ImageName(side, side, 8));
    }
    return images;
}

// Checks an 8-bit image: a colour table, one byte a pixel, and the AND mask after them; the
// top left corner (outside the disc) transparent, with colour 0, black, so that the mask leaves
// the screen there as it was. Loaded, it is a picture of its size.
void ExpectIndexedImage(const std::string& image, int size)
{
    BITMAPINFOHEADER header = {};
    ASSERT_GE(image.size(), sizeof(header));
    std::memcpy(&header, image.data(), sizeof(header));
    ASSERT_TRUE(header.biClrUsed >= 2 && header.biClrUsed <= 256) << header.biClrUsed;
    const std::size_t colours = sizeof(header) + 4 * header.biClrUsed;
    const std::size_t row = static_cast<std::size_t>((size + 3) / 4 * 4);
    const std::size_t maskRow = static_cast<std::size_t>((size + 31) / 32 * 4);
    const std::size_t mask = colours + row * size;
    ASSERT_EQ(mask + maskRow * size, image.size());
    // Rows go from the bottom up: the top row is the last of each bitmap.
    EXPECT_TRUE(image[mask + maskRow * (size - 1)] & 0x80);
    EXPECT_EQ(0, image[mask - row]);
    EXPECT_EQ(std::string(4, '\0'), image.substr(sizeof(header), 4)); // colour 0 is black
    HICON icon = ::CreateIconFromResourceEx(
        reinterpret_cast<BYTE*>(const_cast<char*>(image.data())), static_cast<DWORD>(image.size()),
        TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
    EXPECT_EQ(size, PictureOf(icon).size.cx);
    if (icon != nullptr)
        ::DestroyIcon(icon);
}

TEST(Resources, EveryIconHoldsAnImageDrawnForEachSizeTheShellAsksFor)
{
    const std::vector<int> traySizes = {16, 20, 24, 32, 40, 48, 64};
    std::vector<int> appSizes = traySizes;
    appSizes.push_back(256);
    // The 8-bit images, drawn in the system palette for sessions of 256 colours.
    const std::vector<int> trayIndexed = {16};
    const std::vector<int> appIndexed = {16, 24, 32, 48};
    struct Icon {
        int id;
        const std::vector<int>& sizes;
        const std::vector<int>& indexed;
    };
    const Icon icons[] = {{IDI_APP, appSizes, appIndexed},
                          {IDI_TRAY, traySizes, trayIndexed},
                          {IDI_TRAY_LIGHT, traySizes, trayIndexed}};
    for (const Icon& icon : icons) {
        SCOPED_TRACE(icon.id);
        EXPECT_EQ(ExpectedImages(icon.sizes, icon.indexed), IconImages(icon.id));
        for (int size : icon.sizes) {
            SCOPED_TRACE(size);
            // On this display of more than 256 colours the platform picks the 32-bit image of
            // exactly this size (never its 8-bit neighbour), and can read it (also a PNG).
            EXPECT_EQ(ImageName(size, size, 32), PickedImage(icon.id, size));
            const SIZE loaded = ResourcePicture(static_cast<UINT>(icon.id), size).size;
            EXPECT_EQ(size, loaded.cx);
            EXPECT_EQ(size, loaded.cy);
        }
        for (const IconGroupEntry& entry : IconEntries(icon.id)) {
            if (entry.bitCount != 8)
                continue;
            SCOPED_TRACE(ImageName(entry.width, entry.height, 8));
            const std::string image = IconImage(entry.id);
            EXPECT_EQ(ImageName(entry.width, entry.height, 8), DeclaredImage(image));
            ExpectIndexedImage(image, entry.width);
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

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::set<LANGID>*>(languages)->insert(language);
    return TRUE;
}


// The languages a resource is written in.
std::set<LANGID> LanguagesOf(const wchar_t* type, UINT id)
{
    std::set<LANGID> languages;
    ::EnumResourceLanguagesW(Module(), type, MAKEINTRESOURCEW(id), AddLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}


// The placeholders of a format in order: "%s%d".
std::string Placeholders(const std::string& format)
{
    std::string found;
    for (std::size_t at = format.find('%'); at != std::string::npos && at + 1 < format.size();
         at = format.find('%', at + 2))
        found += format.substr(at, 2);
    return found;
}

// The tray menu's commands in a language, as stored.
MenuItems MenuOf(LANGID language)
{
    HRSRC found = ::FindResourceExW(Module(), MAKEINTRESOURCEW(4) /* RT_MENU */,
                                    MAKEINTRESOURCEW(IDR_TRAYMENU), language);
    HMENU menu = found != nullptr ? ::LoadMenuIndirectW(::LockResource(::LoadResource(Module(), found)))
                                  : nullptr;
    if (menu == nullptr)
        return MenuItems();
    MenuItems items = {{MenuItemText(menu, 0), 0, false}};
    for (const MenuItem& item : ItemsOf(::GetSubMenu(menu, 0)))
        items.push_back(item);
    ::DestroyMenu(menu);
    return items;
}

// A translated text is there, and is not the English one, unless it is a name the same in
// every language, a separator, or a text some language writes as English does.
void ExpectTranslated(const std::string& english, const std::string& text)
{
    static const std::set<std::string> kNames = {
        "Vexa", "OK", "Vexa Settings", "https://www.brindle.example/vexa/",
        "Copyright (C) 2026 Brindle Corporation", "-", "Vexa version 1.0"};
    EXPECT_FALSE(text.empty()) << english;
    if (kNames.count(english) == 0) {
        EXPECT_NE(english, text) << "left in English";
    }
}

// Every language has the whole user interface of the English one: each string with the same
// placeholders, the same menu commands and the same dialog controls, each text translated.
// The window's title stays, because other programs find Vexa by it.
TEST(Resources, EveryLanguageHasTheWholeUserInterfaceTranslated)
{
    const std::set<LANGID> spoken(std::begin(kUiLanguages), std::end(kUiLanguages));
    EXPECT_EQ(spoken, LanguagesOf(MAKEINTRESOURCEW(5), IDD_SETTINGS));
    EXPECT_EQ(spoken, LanguagesOf(MAKEINTRESOURCEW(4), IDR_TRAYMENU));
    EXPECT_EQ(kEnglish, kUiLanguages[0]);

    const std::map<UINT, std::string> english = StringsOf(Module(), kEnglish);
    const MenuItems englishMenu = MenuOf(kEnglish);
    const DialogTemplate englishDialog = LoadDialogTemplate(IDD_SETTINGS);
    ASSERT_FALSE(englishDialog.items.empty());
    for (const LANGID language : kUiLanguages) {
        if (language == kEnglish)
            continue;
        SCOPED_TRACE(language);
        const std::map<UINT, std::string> strings = StringsOf(Module(), language);
        for (const auto& [id, text] : english) {
            SCOPED_TRACE(id);
            const auto translated = strings.find(id);
            ASSERT_NE(strings.end(), translated) << "missing: " << text;
            ExpectTranslated(text, translated->second);
            EXPECT_EQ(Placeholders(text), Placeholders(translated->second)) << translated->second;
        }
        EXPECT_EQ(english.size(), strings.size()) << "a string English does not have";

        const MenuItems menu = MenuOf(language);
        ASSERT_EQ(englishMenu.size(), menu.size());
        for (std::size_t i = 0; i < menu.size(); ++i) {
            EXPECT_EQ(englishMenu[i].id, menu[i].id);
            EXPECT_EQ(englishMenu[i].text == "-", menu[i].text == "-");
            ExpectTranslated(englishMenu[i].text, menu[i].text);
        }

        const DialogTemplate dialog = LoadDialogTemplate(IDD_SETTINGS, language);
        EXPECT_EQ(englishDialog.caption, dialog.caption);
        EXPECT_EQ(englishDialog.style, dialog.style);
        // A right-to-left language's window is mirrored by its template, and only such a one.
        EXPECT_EQ(englishDialog.exStyle, dialog.exStyle & ~WS_EX_LAYOUTRTL);
        EXPECT_EQ(AfxIsRightToLeftLanguage(language), (dialog.exStyle & WS_EX_LAYOUTRTL) != 0);
        ASSERT_EQ(englishDialog.items.size(), dialog.items.size());
        for (std::size_t i = 0; i < dialog.items.size(); ++i) {
            const DialogTemplateItem& expected = englishDialog.items[i];
            SCOPED_TRACE(expected.text);
            EXPECT_EQ(expected.id, dialog.items[i].id);
            EXPECT_EQ(expected.className, dialog.items[i].className);
            EXPECT_EQ(expected.style, dialog.items[i].style);
            if (!expected.text.empty())
                ExpectTranslated(expected.text, dialog.items[i].text);
        }
    }
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

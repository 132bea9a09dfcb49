// The resources of the built Corvane.exe, read back as the system finds them: both dialog
// templates control by control, the icon's two images, the About string, the version block and
// the seven WAVE sounds with their format.

#include "platform/ProgramPath.h"
#include "platform/SoundResources.h"
#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;

// A class or title given by ordinal, as "#<n>". Appended, not put behind a literal: GCC 12 at
// -O3 warns falsely (-Wrestrict) about the copy that inserts in front of a temporary string.
std::string OrdinalText(WORD ordinal) {
    std::string text = "#";
    text += std::to_string(ordinal);
    return text;
}

// Corvane.exe, beside this test program, loaded for its resources only.
class CorvaneResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char path[MAX_PATH] = {};
        ASSERT_GT(GetProgramFileName(path, sizeof path), 0);
        StripLastPathComponent(path);
        char program[MAX_PATH];
        FormatBounded(program, sizeof program, "%s\\Corvane.exe", path);
        module = LoadLibraryExA(program, nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr) << program;
    }
    static void TearDownTestSuite() {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }

    static std::vector<unsigned char> Resource(const char* type, int id,
                                               WORD language = MAKELANGID(LANG_ENGLISH,
                                                                          SUBLANG_ENGLISH_US)) {
        HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
        if (found == nullptr) {
            return {};
        }
        const auto* bytes =
            static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
        return std::vector<unsigned char>(bytes, bytes + SizeofResource(module, found));
    }

    static inline HMODULE module = nullptr;
};

// A reader over the words of a dialog template.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<unsigned char>& bytes) : bytes(bytes) {}

    WORD Word() {
        WORD value = 0;
        if (at + 2 <= bytes.size()) {
            std::memcpy(&value, bytes.data() + at, 2);
        }
        at += 2;
        return value;
    }
    DWORD Dword() {
        const WORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    std::string Text() {
        std::string text;
        for (WORD c = Word(); c != 0 && at <= bytes.size(); c = Word()) {
            text += static_cast<char>(c);
        }
        return text;
    }
    // A class or title: an ordinal (returned as "#<n>") or a text.
    std::string TextOrOrdinal() {
        WORD first = Word();
        if (first == 0xFFFF) {
            return OrdinalText(Word());
        }
        at -= 2;
        return Text();
    }
    void AlignToDword() { at = (at + 3) & ~static_cast<std::size_t>(3); }
    void Skip(std::size_t count) { at += count; }
    bool Overran() const { return at > bytes.size(); }

private:
    const std::vector<unsigned char>& bytes;
    std::size_t at = 0;
};

// The system's own control classes may be named or given by ordinal; both mean the same.
std::string PredefinedClass(const std::string& windowClass) {
    if (lstrcmpiA(windowClass.c_str(), "Button") == 0) {
        return "#128";
    }
    if (lstrcmpiA(windowClass.c_str(), "Static") == 0) {
        return "#130";
    }
    return windowClass;
}

struct Control {
    int id;
    std::string windowClass;
    std::string text;
    RECT rect; // left, top, width, height in dialog units
    DWORD style;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    std::string caption;
    int pointSize = 0;
    std::string font;
    std::vector<Control> controls;
};

// Reads DIALOG (DLGTEMPLATE) and DIALOGEX (DLGTEMPLATEEX) templates.
DialogTemplate ReadTemplate(const std::vector<unsigned char>& bytes) {
    DialogTemplate dialog;
    TemplateReader in(bytes);
    const bool extended = in.Dword() == 0xFFFF0001; // version 1, signature 0xFFFF
    if (extended) {
        in.Dword(); // help id
        dialog.exStyle = in.Dword();
        dialog.style = in.Dword();
    } else {
        in.Skip(static_cast<std::size_t>(-4));
        dialog.style = in.Dword();
        dialog.exStyle = in.Dword();
    }
    const int count = in.Word();
    dialog.rect = {in.Short(), in.Short(), in.Short(), in.Short()};
    in.TextOrOrdinal(); // menu
    in.TextOrOrdinal(); // class
    dialog.caption = in.Text();
    if ((dialog.style & DS_SETFONT) != 0) {
        dialog.pointSize = in.Word();
        if (extended) {
            in.Word(); // weight
            in.Word(); // italic, character set
        }
        dialog.font = in.Text();
    }
    for (int i = 0; i < count && !in.Overran(); ++i) {
        in.AlignToDword();
        Control control{};
        if (extended) {
            in.Dword(); // help id
            in.Dword(); // extended style
            control.style = in.Dword();
        } else {
            control.style = in.Dword();
            in.Dword(); // extended style
        }
        control.rect = {in.Short(), in.Short(), in.Short(), in.Short()};
        control.id = extended ? static_cast<int>(in.Dword()) : in.Short();
        control.windowClass = PredefinedClass(in.TextOrOrdinal());
        control.text = in.TextOrOrdinal();
        in.Skip(in.Word());
        dialog.controls.push_back(control);
    }
    EXPECT_FALSE(in.Overran());
    return dialog;
}

void ExpectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

struct ExpectedControl {
    int id;
    WORD windowClass;
    DWORD kind; // BS_*/SS_* type bits
    const char* text;
    RECT rect;
    bool visible;
    bool enabled;
};

TEST_F(CorvaneResources, MainDialogHoldsItsControlsInTemplateOrder) {
    const DialogTemplate dialog = ReadTemplate(Resource(MAKEINTRESOURCEA(5) /*RT_DIALOG*/, 102));
    ExpectRect(dialog.rect, {0, 0, 326, 92});
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    const DWORD styles[] = {WS_POPUP, WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, DS_MODALFRAME};
    for (const DWORD style : styles) {
        EXPECT_EQ(dialog.style & style, style) << std::hex << style;
    }
    EXPECT_EQ(dialog.exStyle & WS_EX_APPWINDOW, DWORD{WS_EX_APPWINDOW});

    const ExpectedControl expected[] = {
        {IDOK, kButtonClass, BS_DEFPUSHBUTTON, "OK", {214, 62, 50, 14}, false, false},
        {IDCANCEL, kButtonClass, BS_PUSHBUTTON, "Cancel", {266, 62, 50, 14}, false, false},
        {-1,
         kButtonClass,
         BS_GROUPBOX,
         "Aircraft Position Request Update",
         {0, 0, 324, 38},
         true,
         true},
        {1002, kButtonClass, BS_PUSHBUTTON, "Start", {160, 62, 50, 14}, false, true},
        {1003, kStaticClass, SS_LEFT, "Static", {2, 24, 318, 12}, true, true},
        {1004, kStaticClass, SS_LEFT, "Static", {2, 10, 318, 8}, true, true},
        {1005, kButtonClass, BS_PUSHBUTTON, "Record", {0, 62, 50, 14}, true, false},
        {1006, kStaticClass, SS_LEFT, "Static", {52, 64, 102, 10}, true, true},
        {1008, kStaticClass, SS_LEFT, "Static", {2, 40, 320, 50}, true, true},
    };
    ASSERT_EQ(dialog.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Control& control = dialog.controls[i];
        SCOPED_TRACE("control " + std::to_string(expected[i].id));
        EXPECT_EQ(static_cast<short>(control.id), expected[i].id);
        EXPECT_EQ(control.windowClass, OrdinalText(expected[i].windowClass));
        EXPECT_EQ(control.style & 0x0F, expected[i].kind);
        EXPECT_EQ(control.text, expected[i].text);
        ExpectRect(control.rect, expected[i].rect);
        EXPECT_EQ((control.style & WS_VISIBLE) != 0, expected[i].visible);
        EXPECT_EQ((control.style & WS_DISABLED) == 0, expected[i].enabled);
    }
}

TEST_F(CorvaneResources, AboutBoxShowsIconVersionNoticeAndOk) {
    const DialogTemplate dialog = ReadTemplate(Resource(MAKEINTRESOURCEA(5), 100));
    ExpectRect(dialog.rect, {0, 0, 235, 55});
    EXPECT_EQ(dialog.caption, "About Corvane");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    EXPECT_EQ(dialog.style & (DS_MODALFRAME | WS_SYSMENU), DWORD{DS_MODALFRAME | WS_SYSMENU});
    ASSERT_EQ(dialog.controls.size(), 4u);

    EXPECT_EQ(dialog.controls[0].windowClass, OrdinalText(kStaticClass));
    EXPECT_EQ(dialog.controls[0].style & SS_TYPEMASK, DWORD{SS_ICON});
    EXPECT_EQ(dialog.controls[0].text, "#128");
    ExpectRect(dialog.controls[0].rect, {11, 17, 20, 20});
    EXPECT_EQ(dialog.controls[1].text, "Corvane Version 1.0");
    ExpectRect(dialog.controls[1].rect, {40, 10, 119, 8});
    EXPECT_FALSE(dialog.controls[2].text.empty());
    ExpectRect(dialog.controls[2].rect, {40, 25, 119, 8});
    EXPECT_EQ(dialog.controls[3].id, IDOK);
    EXPECT_EQ(dialog.controls[3].text, "OK");
    EXPECT_EQ(dialog.controls[3].style & 0x0F, DWORD{BS_DEFPUSHBUTTON});
    ExpectRect(dialog.controls[3].rect, {178, 7, 50, 14});
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(CorvaneResources, IconHasA32And16PixelImageOf16Colours) {
    const std::vector<unsigned char> group = Resource(MAKEINTRESOURCEA(14) /*RT_GROUP_ICON*/, 128);
    ASSERT_GE(group.size(), 6u);
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, 2);
    ASSERT_EQ(count, 2);
    ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        IconGroupEntry entry{};
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        sizes.push_back(entry.width);
        EXPECT_EQ(entry.height, entry.width);
        EXPECT_EQ(entry.colourCount, 16);
        const std::vector<unsigned char> image =
            Resource(MAKEINTRESOURCEA(3) /*RT_ICON*/, entry.id);
        ASSERT_EQ(image.size(), entry.bytes);
        BITMAPINFOHEADER header{};
        ASSERT_GE(image.size(), sizeof header);
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biWidth, entry.width);
        EXPECT_EQ(header.biHeight, 2 * entry.width); // colour rows and mask rows
        EXPECT_EQ(header.biBitCount, 4);
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(128)), nullptr);
}

TEST_F(CorvaneResources, AboutStringIsTheSystemMenuItem) {
    char text[64] = {};
    EXPECT_EQ(LoadStringA(module, 101, text, sizeof text), 17);
    EXPECT_STREQ(text, "&About Corvane...");
}

std::string VersionString(std::vector<unsigned char>& block, const char* name) {
    char query[128];
    FormatBounded(query, sizeof query, "\\StringFileInfo\\040904B0\\%s", name);
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length)) {
        return "<none>";
    }
    return std::string(value);
}

TEST_F(CorvaneResources, VersionBlockNamesTheProductInUsEnglishUnicode) {
    std::vector<unsigned char> block = Resource(MAKEINTRESOURCEA(16) /*RT_VERSION*/, 1);
    ASSERT_FALSE(block.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(VersionString(block, "FileVersion"), "1, 0, 0, 1");
    EXPECT_EQ(VersionString(block, "ProductVersion"), "1, 0, 0, 1");
    EXPECT_EQ(VersionString(block, "InternalName"), "Corvane");
    EXPECT_EQ(VersionString(block, "ProductName"), "Corvane Application");
}

std::uint32_t Read32(const unsigned char* p) {
    std::uint32_t value = 0;
    std::memcpy(&value, p, 4);
    return value;
}

std::uint16_t Read16(const unsigned char* p) {
    std::uint16_t value = 0;
    std::memcpy(&value, p, 2);
    return value;
}

// The same converted recordings as the other builds compile in, byte for byte, each a float
// stereo WAVE with "fact" and "PEAK" ahead of "data".
TEST_F(CorvaneResources, EachAlertIsAUsEnglishWaveResourceInFloatStereo) {
    for (const SoundResource& compiled : ProgramSoundResources()) {
        SCOPED_TRACE("WAVE " + std::to_string(compiled.resourceId));
        const std::vector<unsigned char> wave = Resource("WAVE", compiled.resourceId);
        ASSERT_EQ(wave.size(), compiled.size);
        EXPECT_EQ(std::memcmp(wave.data(), compiled.bytes, compiled.size), 0);
        ASSERT_GT(wave.size(), 44u);
        EXPECT_EQ(std::memcmp(wave.data(), "RIFF", 4), 0);
        EXPECT_EQ(std::memcmp(wave.data() + 8, "WAVE", 4), 0);

        std::vector<std::string> order;
        for (std::size_t at = 12; at + 8 <= wave.size();) {
            const std::string tag(reinterpret_cast<const char*>(wave.data() + at), 4);
            const std::uint32_t size = Read32(wave.data() + at + 4);
            order.push_back(tag);
            if (tag == "fmt ") {
                const unsigned char* format = wave.data() + at + 8;
                EXPECT_EQ(Read16(format), 3);          // IEEE float
                EXPECT_EQ(Read16(format + 2), 2);      // channels
                EXPECT_EQ(Read32(format + 4), 44100u); // samples per second
                EXPECT_EQ(Read32(format + 8), 352800u);
                EXPECT_EQ(Read16(format + 12), 8);  // block align
                EXPECT_EQ(Read16(format + 14), 32); // bits per sample
            }
            at += 8 + size + (size & 1);
        }
        EXPECT_EQ(order, (std::vector<std::string>{"fmt ", "fact", "PEAK", "data"}));
    }
    EXPECT_EQ(ProgramSoundResources().size(), 7u);
}

} // namespace

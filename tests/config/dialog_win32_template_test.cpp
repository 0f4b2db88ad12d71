// The compiled dialog templates 2003 and 235 (src/shell/emberhold.rc, linked into this
// program) against the table the controller and the GTK view are built from: every
// control in the same order with the same id, class, kind of style, position, size and
// caption, and the dialogs' own size, font, style and title.
#include <windows.h>
// after <windows.h>, whose types it uses
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/dialog_controller.h"
#include "config/dialog_template.h"
#include "config/text_table.h"
#include "tests/config/dialog_resource_reader.h"
#include "tests/config/win32_resources.h"

namespace eh::config {
namespace {

namespace id = dialog_id;
using testing::DialogItem;
using testing::DialogResource;
using testing::NameOrOrdinal;

// The predefined window classes: a template names them by ordinal or by name.
struct PredefinedClass {
    int ordinal;
    const wchar_t* name;
};
constexpr PredefinedClass kButtonClass{0x80, L"Button"};
constexpr PredefinedClass kStaticClass{0x82, L"Static"};
constexpr PredefinedClass kComboBoxClass{0x85, L"ComboBox"};

bool sameClassName(const std::wstring& a, const wchar_t* b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

// The class and the style bits each kind of control of the table needs. Check boxes and
// radio buttons must not be the automatic kinds: only the dialog procedure sets marks.
void expectKind(const DialogItem& item, ControlKind kind, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE), DWORD(WS_CHILD | WS_VISIBLE));
    auto expectClass = [&](PredefinedClass cls) {
        const NameOrOrdinal& c = item.windowClass;
        EXPECT_TRUE(c.ordinal == cls.ordinal ||
                    (c.ordinal == -1 && sameClassName(c.name, cls.name)))
            << "class ordinal " << c.ordinal << ", expected " << cls.ordinal;
    };
    DWORD buttonType = item.style & BS_TYPEMASK;
    DWORD staticType = item.style & SS_TYPEMASK;
    switch (kind) {
        case ControlKind::GroupBox:
            expectClass(kButtonClass);
            EXPECT_EQ(buttonType, DWORD(BS_GROUPBOX));
            break;
        case ControlKind::CheckBox:
            expectClass(kButtonClass);
            EXPECT_EQ(buttonType, DWORD(BS_CHECKBOX));
            EXPECT_TRUE(item.style & WS_TABSTOP);
            break;
        case ControlKind::RadioButton:
            expectClass(kButtonClass);
            EXPECT_EQ(buttonType, DWORD(BS_RADIOBUTTON));
            break;
        case ControlKind::Button:
            expectClass(kButtonClass);
            EXPECT_EQ(buttonType, DWORD(BS_PUSHBUTTON));
            EXPECT_TRUE(item.style & WS_TABSTOP);
            break;
        case ControlKind::DefaultButton:
            expectClass(kButtonClass);
            EXPECT_EQ(buttonType, DWORD(BS_DEFPUSHBUTTON));
            EXPECT_TRUE(item.style & WS_TABSTOP);
            break;
        case ControlKind::Label:
            expectClass(kStaticClass);
            EXPECT_EQ(staticType, DWORD(SS_LEFT));
            break;
        case ControlKind::Picture:
            expectClass(kStaticClass);
            EXPECT_EQ(staticType, DWORD(SS_BITMAP));
            break;
        case ControlKind::Frame:
            expectClass(kStaticClass);
            EXPECT_TRUE(staticType == SS_ETCHEDFRAME || staticType == SS_BLACKFRAME ||
                        staticType == SS_GRAYFRAME || staticType == SS_WHITEFRAME)
                << staticType;
            break;
        case ControlKind::DropDownList:
            expectClass(kComboBoxClass);
            EXPECT_EQ(item.style & 3, DWORD(CBS_DROPDOWNLIST));
            EXPECT_TRUE(item.style & WS_VSCROLL);
            EXPECT_TRUE(item.style & WS_TABSTOP);
            break;
        case ControlKind::Trackbar:
            EXPECT_EQ(item.windowClass.ordinal, -1);
            EXPECT_TRUE(sameClassName(item.windowClass.name, TRACKBAR_CLASSW));
            EXPECT_FALSE(item.style & TBS_VERT);
            EXPECT_TRUE(item.style & WS_TABSTOP);
            break;
    }
}

class DialogResources : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing::LoadTextTable(&texts)) << "resource 482 is not linked in";
    }

    DialogResource load(int dialogId) {
        testing::ResourceBytes bytes = testing::FindResourceBytes(RT_DIALOG, dialogId);
        EXPECT_TRUE(bytes.data != nullptr) << "dialog " << dialogId << " is not linked in";
        if (bytes.data == nullptr) return {};
        std::optional<DialogResource> d =
            testing::DialogResourceReader(bytes.data, bytes.size).Read();
        EXPECT_TRUE(d.has_value()) << "dialog " << dialogId << " does not parse";
        return d.value_or(DialogResource{});
    }

    std::wstring wide(const std::string& ansi) const { return testing::Widen1252(ansi); }

    // The dialog as a whole: size, font, frame and title.
    void expectDialog(const DialogResource& d, const DialogTemplate& t, DWORD extraStyle,
                      const std::string& title) {
        EXPECT_EQ(d.cx, t.width);
        EXPECT_EQ(d.cy, t.height);
        DWORD needed = DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU |
                       extraStyle;
        EXPECT_EQ(d.style & needed, needed);
        EXPECT_FALSE(d.style & WS_THICKFRAME);  // fixed size: the layout is absolute
        EXPECT_EQ(d.pointSize, t.fontPoints);
        EXPECT_EQ(d.typeface, wide(t.fontFace));
        EXPECT_EQ(d.title, wide(title));
        EXPECT_EQ(d.menu.ordinal, -1);
        EXPECT_TRUE(d.menu.name.empty());
    }

    // Control by control, in the table's order (which is also the tab and paint order).
    void expectControls(const DialogResource& d, const DialogTemplate& t,
                        const std::vector<std::string>& captions) {
        ASSERT_EQ(d.items.size(), t.controls.size());
        for (std::size_t i = 0; i < t.controls.size(); ++i) {
            const ControlTemplate& c = t.controls[i];
            const DialogItem& item = d.items[i];
            std::string where = "dialog " + std::to_string(t.id) + ", control " +
                                std::to_string(i) + " (table id " + std::to_string(c.id) + ")";
            SCOPED_TRACE(where);
            // The table's negative ids stand for controls without one.
            EXPECT_EQ(item.id, c.id > 0 ? c.id : -1);
            EXPECT_EQ(item.x, c.x);
            EXPECT_EQ(item.y, c.y);
            EXPECT_EQ(item.cx, c.w);
            EXPECT_EQ(item.cy, c.h);
            expectKind(item, c.kind, where);
            if (c.kind == ControlKind::Picture) {
                EXPECT_EQ(item.title.ordinal, t.bitmapId);
            } else {
                EXPECT_EQ(item.title.ordinal, -1);
                EXPECT_EQ(item.title.name, wide(captions[i]));
            }
        }
    }

    TextTable texts;
};

TEST_F(DialogResources, ConfigurationTemplateMatchesTheTable) {
    const DialogTemplate& t = ConfigDialogTemplate();
    DialogResource d = load(t.id);
    ASSERT_FALSE(d.items.empty());
    expectDialog(d, t, 0, texts.Lookup("screensaver_configuration"));
    EXPECT_FALSE(d.style & DS_SYSMODAL);

    // The captions the dialog shows on opening with the shipped defaults: the text table's,
    // the gamma label with its value and the About button with its ellipsis.
    std::vector<std::string> captions;
    for (const ControlTemplate& c : t.controls) {
        std::string caption = c.captionKey != nullptr ? texts.Lookup(c.captionKey) : "";
        if (c.id == id::kGammaLabel) caption += " 100%";
        if (c.id == id::kAbout) caption += "...";
        captions.push_back(caption);
    }
    expectControls(d, t, captions);

    // Spot checks that the captions went through Windows-1252 and not another code page.
    bool sawVolume = false;
    for (const DialogItem& item : d.items) {
        if (item.id == id::kVolumeLabel) {
            EXPECT_EQ(item.title.name, L"Lautst\u00e4rke:");
            sawVolume = true;
        }
        if (item.id == id::kAbout) {
            EXPECT_EQ(item.title.name, L"\u00dcber...");
        }
        EXPECT_NE(item.id, id::kExtraCheck) << "the extra check box has no room here";
    }
    EXPECT_TRUE(sawVolume);
}

TEST_F(DialogResources, AboutTemplateMatchesTheTable) {
    const DialogTemplate& t = AboutDialogTemplate();
    DialogResource d = load(t.id);
    ASSERT_FALSE(d.items.empty());
    AboutTexts about = BuildAboutTexts(texts);
    expectDialog(d, t, DS_SYSMODAL, about.title);
    EXPECT_EQ(d.title, L"\u00dcber");

    std::vector<std::string> captions;
    for (const ControlTemplate& c : t.controls) {
        int line = c.id - id::kAboutFirstLine;
        if (line >= 0 && line < 7)
            captions.push_back(about.lines[static_cast<std::size_t>(line)]);
        else
            captions.push_back(c.captionKey != nullptr ? texts.Lookup(c.captionKey) : "");
    }
    expectControls(d, t, captions);
}

// The pictures the templates name are there and have the sizes the layout was made for.
TEST_F(DialogResources, PicturesAreLinkedInWithTheirSizes) {
    for (const DialogTemplate* t : {&ConfigDialogTemplate(), &AboutDialogTemplate()}) {
        SCOPED_TRACE(t->id);
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                         MAKEINTRESOURCEA(t->bitmapId),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr);
        BITMAP info{};
        ASSERT_NE(GetObjectA(bitmap, sizeof info, &info), 0);
        EXPECT_EQ(info.bmWidth, t->bitmapWidth);
        EXPECT_EQ(info.bmHeight, t->bitmapHeight);
        DeleteObject(bitmap);
    }
}

// The reader itself refuses a template cut short anywhere, rather than reading past it.
TEST_F(DialogResources, ReaderRefusesTruncatedTemplates) {
    testing::ResourceBytes bytes = testing::FindResourceBytes(RT_DIALOG, AboutDialogTemplate().id);
    ASSERT_NE(bytes.data, nullptr);
    ASSERT_TRUE(testing::DialogResourceReader(bytes.data, bytes.size).Read().has_value());
    for (std::size_t size = 0; size + 3 < bytes.size; ++size) {
        EXPECT_FALSE(testing::DialogResourceReader(bytes.data, size).Read().has_value())
            << "cut at " << size << " of " << bytes.size;
    }
}

// The version block names the product, its maker and the file it ships as.
TEST(VersionResource, NamesProductCompanyAndFile) {
    testing::ResourceBytes bytes = testing::FindResourceBytes(RT_VERSION, 1);
    ASSERT_NE(bytes.data, nullptr);
    // VerQueryValue may write beside the block it is given: hand it a copy with room.
    std::vector<std::uint8_t> copy(bytes.size * 2);
    std::memcpy(copy.data(), bytes.data, bytes.size);
    auto value = [&](const wchar_t* name) -> std::wstring {
        std::wstring path = std::wstring(L"\\StringFileInfo\\040704E4\\") + name;
        void* found = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(copy.data(), path.c_str(), &found, &length) || found == nullptr)
            return {};
        return std::wstring(static_cast<const wchar_t*>(found));
    };
    EXPECT_EQ(value(L"CompanyName"), L"Kestrelle");
    EXPECT_EQ(value(L"ProductName"), L"Emberhold 3D Screensaver");
    EXPECT_EQ(value(L"OriginalFilename"), L"emberhold.scr");
    EXPECT_EQ(value(L"ProductVersion"), L"0.1.0");
    EXPECT_FALSE(value(L"FileDescription").empty());

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00000001u);  // 0.1
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);  // .0.0
}

}  // namespace
}  // namespace eh::config

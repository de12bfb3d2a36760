// Every window laid out for its DPI: the stored sizes at 96 DPI, scaled at 144 and 192, with
// fonts, glyphs and every control inside its window.
#include "tests/support.h"

#include "forms/AboutIds.h"
#include "forms/addTaskFormIds.h"
#include "forms/editTaskFormIds.h"
#include "forms/mainIds.h"

#include <commctrl.h>

namespace {

class DpiTest : public AppFixture {
protected:
    // Moves the form to a monitor of the given DPI, as the system announces it.
    static void moveToDpi(TForm* form, UINT dpi, int clientWidth, int clientHeight) {
        RECT frame{0, 0, MulDiv(clientWidth, static_cast<int>(dpi), 96), MulDiv(clientHeight, static_cast<int>(dpi), 96)};
        AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_STYLE)), FALSE,
                                 static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE)), dpi);
        OffsetRect(&frame, 100 - frame.left, 100 - frame.top);
        SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
    }
    static RECT clientRectOf(HWND control, HWND form) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static int fontHeight(HWND control) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font.lfHeight;
    }
};

TEST_F(DpiTest, FormsScaleFromTheirStoredLayout) {
    showList();
    struct Form {
        const char* name;
        TForm* form;
        int width, height;
        int button;  // a 75 x 25 push button, or 0
        int edit;    // an edit box with a stored width, or 0
        int editWidth;
    };
    const Form forms[] = {
        {"list", list(), 562, 302, 0, 0, 0},
        {"add", Form3, 372, 102, IDC_ADDTASKFORM_BUTTON1, IDC_ADDTASKFORM_EDIT1, 257},
        {"edit", Form4, 365, 103, IDC_EDITTASKFORM_BUTTON2, IDC_EDITTASKFORM_EDIT1, 259},
        {"about", Form5, 347, 100, IDC_ABOUT_BUTTON1, 0, 0},
    };
    for (UINT dpi : {96u, 144u, 192u}) {
        for (const Form& f : forms) {
            SCOPED_TRACE(testing::Message() << f.name << " at " << dpi);
            moveToDpi(f.form, dpi, f.width, f.height);
            auto scale = [&](int v) { return MulDiv(v, static_cast<int>(dpi), 96); };
            RECT client;
            GetClientRect(f.form->Handle(), &client);
            EXPECT_EQ(client.right, scale(f.width));
            EXPECT_EQ(client.bottom, scale(f.height));
            for (HWND child = GetWindow(f.form->Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                RECT r = clientRectOf(child, f.form->Handle());
                EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                    << "control " << GetDlgCtrlID(child) << " sticks out";
            }
            if (f.button) {
                RECT r = clientRectOf(f.form->Control(f.button), f.form->Handle());
                EXPECT_EQ(r.right - r.left, scale(75));
                EXPECT_EQ(r.bottom - r.top, scale(25));
                EXPECT_EQ(fontHeight(f.form->Control(f.button)), -scale(11));
            }
            if (f.edit) {
                RECT r = clientRectOf(f.form->Control(f.edit), f.form->Handle());
                EXPECT_EQ(r.right - r.left, scale(f.editWidth));
            }
        }
        int glyph = 0, unused = 0;
        ImageList_GetIconSize(list()->ImageListNormal.Handle(), &glyph, &unused);
        EXPECT_EQ(glyph, dpi >= 192 ? 48 : dpi >= 144 ? 36 : 24);
        RECT bar = clientRectOf(list()->Control(IDC_MAIN_TOOLBAR1), list()->Handle());
        RECT box = clientRectOf(list()->CheckListBox1.Handle(), list()->Handle());
        EXPECT_EQ(box.top, bar.bottom);
    }
}

TEST_F(DpiTest, ManifestAsksForVisualStylesAsInvokerAndPerMonitorAwareness) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))), SizeofResource(nullptr, found));
    for (const char* needed : {"Microsoft.Windows.Common-Controls", "6595b64144ccf1df", "version=\"6.0.0.0\"", "level=\"asInvoker\"",
                               "uiAccess=\"false\"", "PerMonitorV2", "true/pm"}) {
        EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
    }
}

}  // namespace

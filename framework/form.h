// A form: a modeless dialog created hidden from its template in the resources, laid out in
// pixels from a table (panels, right-aligned columns, controls that widen with the window),
// shown with Show and hidden by Close. Handlers run inside the application's guard.
#pragma once

#include "framework/component.h"
#include "framework/unique.h"

#include <windows.h>

#include <span>
#include <utility>
#include <vector>

class TApplication;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

enum class TAlign { alNone, alTop, alRight, alClient };

// One control's place as stored at 96 dots per inch. Parents come before their children.
struct TLayoutItem {
    int id;
    int parent;  // 0: the form itself; otherwise the id of a panel
    int left, top, width, height;
    TAlign align = TAlign::alNone;
    bool anchorRight = false;  // keeps its right margin: widens and narrows with its parent
    bool autoSize = false;     // a label as wide as its text
};

struct TFormLayout {
    int templateId;
    int clientWidth, clientHeight;
    std::span<const TLayoutItem> controls;
    int iconId = 0;
};

class TForm : public TComponent {
public:
    TForm(TComponent* owner, const TFormLayout& layout);
    ~TForm() override;

    HWND Handle() const noexcept { return hwnd_; }
    // A control of the form by its id, wherever it sits (inside a panel too).
    HWND Control(int id) const noexcept;

    // Makes the form visible and brings it to the front; returns at once.
    void Show();
    // Runs the close handler; hides the form, or ends the application for the main form.
    void Close();
    // Activates the form; focus goes back to the control that last had it.
    void SetFocus();
    bool Visible() const noexcept { return hwnd_ && IsWindowVisible(hwnd_); }

    // Pixels at the form's current DPI for a size stored at 96 DPI.
    int Scale(int value) const noexcept { return MulDiv(value, static_cast<int>(dpi_), 96); }
    UINT Dpi() const noexcept { return dpi_; }

    // Registers the window classes that templates name (the panel).
    static void RegisterClasses(HINSTANCE instance);

protected:
    virtual void DoCommand(int /*id*/, int /*code*/) {}
    virtual LRESULT DoNotify(NMHDR& /*header*/) { return 0; }
    virtual void DoClose(TCloseAction& /*action*/) {}
    virtual void DoResize() {}
    // The form moved to a monitor of another DPI (or the DPI changed): sizes, fonts and
    // pictures are already redone for the form's own controls; derived forms redo theirs.
    virtual void DoDpiChanged() {}
    // Messages not handled above; return true when handled, with the result in `result`.
    virtual bool DoMessage(UINT /*msg*/, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) noexcept;
    INT_PTR HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
    void Attach(HWND dialog);
    void ApplyLayout();
    // The font and the icons at the current DPI.
    void ApplyDpi();
    void PlaceAtDefaultPosition();

    TFormLayout layout_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    UniqueFont font_;
    std::vector<std::pair<int, HWND>> controls_;
    bool placed_ = false;
    bool activatedOnce_ = false;
};

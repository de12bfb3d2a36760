// The notification-area icon with its popup menu. The icon's notifications arrive at a hidden
// top-level window of its own, which also hears the shell announce a new taskbar.
#pragma once

#include "framework/component.h"
#include "framework/unique.h"

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

class TPopupMenu : public TComponent {
public:
    using TComponent::TComponent;

    // A caption of "-" makes a separator line.
    void Add(std::wstring caption, std::function<void()> onClick = {});
    size_t Count() const noexcept { return items_.size(); }

    // The menu as the system shows it; item i has the command id i + 1.
    UniqueMenu Build() const;
    // Runs the item's handler as a choice of it from the menu does.
    void Click(size_t index) const;
    // Shows the menu with its top-left corner at the point and runs the chosen item.
    void Popup(int x, int y, HWND owner) const;

private:
    struct Item {
        std::wstring caption;
        std::function<void()> onClick;
    };
    std::vector<Item> items_;
};

class TTrayIcon : public TComponent {
public:
    // The message the shell sends the icon's window for mouse actions on the icon.
    static constexpr UINT kCallbackMessage = WM_APP + 1;

    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    // The application icon from the resources, at the small-icon size of the current DPI.
    void SetIcon(int iconId);
    // Adds the icon to the notification area or removes it. Adding fails with
    // "Cannot create shell notification icon" when the notification area refuses it.
    void SetVisible(bool visible);
    bool Visible() const noexcept { return visible_; }
    HWND Handle() const noexcept { return hwnd_; }

    TPopupMenu* PopupMenu = nullptr;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;

    // Every call into the shell goes through here, so that tests can watch and refuse them.
    static BOOL(WINAPI* ShellNotifyIcon)(DWORD message, PNOTIFYICONDATAW data);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) noexcept;
    void HandleNotification(UINT action, POINT anchor);
    void ShowMenu(POINT at, bool fromKeyboard);
    void LoadIcon();
    void Modify();
    NOTIFYICONDATAW IconData() const;
    bool Add();
    void Readd();

    HWND hwnd_ = nullptr;
    int iconId_ = 0;
    UniqueIcon icon_;
    bool visible_ = false;
    bool leftPressed_ = false;
    bool rightReleased_ = false;
};

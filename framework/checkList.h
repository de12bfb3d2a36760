// The check list: one line of text and a tick per item, shown by a virtual list view. The items
// live here; the control only draws them. The tick event fires for the user's own toggles only
// (a press on an item's tick box, or Space on the selected item), after the new state is in place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TCheckListBox {
public:
    TCheckListBox() = default;
    TCheckListBox(const TCheckListBox&) = delete;
    TCheckListBox& operator=(const TCheckListBox&) = delete;
    ~TCheckListBox();

    // Takes over a list view created by a form's template.
    void Attach(HWND listView);
    HWND Handle() const noexcept { return hwnd_; }

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const std::wstring& Text(int index) const;
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);  // from code: no tick event

    // Every item carries an identity of its own, so that a task can be found again after
    // other items moved it; an inserted item is a new one.
    std::uint64_t ItemId(int index) const;
    int IndexOfItem(std::uint64_t id) const noexcept;

    void Add(std::wstring text);  // a new last item, unticked
    void Insert(int index, std::wstring text);
    void Delete(int index);
    void Clear();

    // The selected item, -1 when none. Deleting it leaves none; items moving keep it on theirs.
    int ItemIndex() const noexcept;
    void SetItemIndex(int index);

    // Defers redrawing and the control's item count while many items are added.
    void BeginUpdate() noexcept { ++updating_; }
    void EndUpdate();

    std::function<void()> OnClickCheck;

    // The list view's notifications, passed on by the form that holds it; true when handled.
    bool Notify(NMHDR& header, LRESULT& result);

private:
    struct Item {
        std::wstring text;
        bool checked = false;
        std::uint64_t id = 0;
    };

    static LRESULT CALLBACK SubclassProc(HWND list, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR self) noexcept;
    bool HandleInput(UINT msg, WPARAM wparam, LPARAM lparam);
    void ToggleByUser(int index);
    void CheckIndex(int index, int count) const;
    void Sync();
    void FitColumn();

    HWND hwnd_ = nullptr;
    std::vector<Item> items_;
    int updating_ = 0;
    std::uint64_t lastId_ = 0;
};

// The tray host: the hidden main form that owns the notification-area icon and its menu,
// creates the list window on first use, and ends the program when it is closed.
#pragma once

#include "framework/form.h"
#include "framework/trayIcon.h"

class TForm1;

class TForm2 : public TForm {
public:
    explicit TForm2(TComponent* owner);

    TTrayIcon* TrayIcon1;
    TPopupMenu* PopupMenu1;  // "Show" (Showmainwindow1), a separator (N1), "Exit" (Hide1)

    void Button1Click(TObject* Sender);
    void TrayIcon1DblClick(TObject* Sender);
    void Hide1Click(TObject* Sender);  // the menu's "Exit"
    void Showmainwindow1Click(TObject* Sender);
    void TrayIcon1Click(TObject* Sender);

    // Creates the list window and loads the task file into it on the first call; shows and
    // focuses it on every call.
    void ShowListWindow();

    // The list window, owned by this form; null until it is first asked for.
    TForm1* ListForm = nullptr;

protected:
    void DoCommand(int id, int code) override;
};

extern TForm2* Form2;

// Ids of the list window's template and controls; windres reads this file too.
#pragma once

#define IDD_MAIN 100
#define IDC_MAIN_TOOLBAR1 101
#define IDC_MAIN_PANEL1 102
#define IDC_MAIN_CHECKLISTBOX1 103
#define IDC_MAIN_TOOLBUTTON1 111
#define IDC_MAIN_TOOLBUTTON2 112
#define IDC_MAIN_TOOLBUTTON3 113
#define IDC_MAIN_TOOLBUTTON6 116
#define IDC_MAIN_TOOLBUTTON8 118

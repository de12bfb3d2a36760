// Ids of the Add task dialog's template and controls; windres reads this file too.
#pragma once

#define IDD_ADDTASKFORM 300
#define IDC_ADDTASKFORM_LABEL1 301
#define IDC_ADDTASKFORM_EDIT1 302
#define IDC_ADDTASKFORM_PANEL1 303
#define IDC_ADDTASKFORM_BUTTON1 304
#define IDC_ADDTASKFORM_BUTTON2 305

; The per-user installer: no administrator rights, everything under the user's own folders and
; registry. Built by scripts/package.sh:
;   makensis -DVERSION=1.0 -DEXE=... -DREADME=... -DLICENSE=... -DICON=... -DOUTFILE=... quillet.nsi
; Command line of the result: /S silent; /STARTUP also starts Quillet with Windows (the
; checkbox's choice, for silent installs); /D=folder another folder. Exit code 2: Quillet was
; running (silent mode) or the user cancelled because it was.

Unicode true
; Quillet is a 64-bit program; a 64-bit installer also runs under a 64-bit-only Wine.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!ifndef VERSION | EXE | README | LICENSE | ICON | OUTFILE
  !error "give VERSION, EXE, README, LICENSE, ICON and OUTFILE with -D"
!endif

!define PRODUCT "Quillet"
!define PUBLISHER "The Quillet developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The program's single-instance guard: it exists while Quillet runs in this logon.
!define INSTANCE_MUTEX "Quillet1.0"
!define SYNCHRONIZE 0x00100000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 the Quillet developers (MIT licence)"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillet.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Quillet now (its icon appears in the notification area)"

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Files in use cannot be replaced or removed, and the program would lose nothing by exiting
; (every change is saved at once): ask the user to exit it first. Silent runs cannot ask: they
; end with exit code 2 and change nothing.
!macro WAIT_UNTIL_NOT_RUNNING UN
Function ${UN}WaitUntilNotRunning
  retry:
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r0'
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Quillet is running.$\r$\n$\r$\nRight-click its icon in the notification area, choose Exit, then choose Retry." \
      /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_NOT_RUNNING ""
!insertmacro WAIT_UNTIL_NOT_RUNNING "un."

Section "Quillet" SecProgram
  SectionIn RO
  Call WaitUntilNotRunning
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=Quillet.exe" "${EXE}"
  File "/oname=README.md" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Quillet.lnk" "$INSTDIR\Quillet.exe" "" "$INSTDIR\Quillet.exe" 0 SW_SHOWNORMAL "" "To-do list in the notification area"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\Quillet.exe$\",0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Off unless chosen: the program itself keeps no settings, so this shortcut is the only switch.
Section /o "Start with Windows" SecStartup
  SetShellVarContext current
  CreateShortcut "$SMSTARTUP\Quillet.lnk" "$INSTDIR\Quillet.exe"
SectionEnd

Function .onInit
  Call WaitUntilNotRunning
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/STARTUP" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecStartup}
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.WaitUntilNotRunning
FunctionEnd

; The task file (%APPDATA%\Quillpad) is the user's, and stays.
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Quillet.lnk"
  Delete "$SMSTARTUP\Quillet.lnk"
  Delete "$INSTDIR\Quillet.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

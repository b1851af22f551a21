; The Windows installer, tonalix-<version>-windows-x64-setup.exe, built by
; makensis from cmake/packageWindows.cmake (the installer target), which
; defines VERSION, PROGRAM, RENDERER, HELP_PAGE, ICON, LICENCE (COPYING),
; THIRD_PARTY (THIRD-PARTY.txt) and OUTFILE.
;
; It shows the licence, then asks for the folder.  It installs for the
; current user alone, without administrator rights, into
; %LOCALAPPDATA%\Programs\Tonalix: the two programs and the help page side by
; side, since the window opens index.html from the folder it starts in, and
; the licence and the libraries' notices beside them.  A
; Start-menu shortcut starts the program in that folder, and an entry under
; HKCU\...\Uninstall lists it among the installed programs.  /S installs
; silently.  The uninstaller (also silent with /S) removes every file, the
; folder, the shortcut and the entry, and leaves the settings key
; HKCU\Software\Quillmark\Humtone\Setting alone.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tonalix"
!define PUBLISHER "The Tonalix developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tonalix"
!define SHORTCUT "$SMPROGRAMS\Tonalix.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tonalix"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tonalix.exe"
; The GPL asks for no acceptance to use the program: the page informs and
; goes on with Next, not "I Agree".
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "$(LicenceNote)"
!insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString LicenceNote ${LANG_JAPANESE} "Tonalix は GNU 一般公衆利用許諾書 (GPL) バージョン 3 以降のもとで配布されるフリー ソフトウェアです。使うために同意する必要はありません。"
LangString LicenceNote ${LANG_ENGLISH} "Tonalix is free software under the GNU General Public License, version 3 or later. You need not accept it to use the program."

; The shortcut and the menu are the current user's.
Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Tonalix"
  SetOutPath "$INSTDIR"
  File "/oname=tonalix.exe" "${PROGRAM}"
  File "/oname=tonalix-render.exe" "${RENDERER}"
  File "/oname=index.html" "${HELP_PAGE}"
  File "/oname=COPYING" "${LICENCE}"
  File "/oname=THIRD-PARTY.txt" "${THIRD_PARTY}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts the program in $INSTDIR, the output folder.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\tonalix.exe" "" "$INSTDIR\tonalix.exe" 0

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tonalix.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\tonalix.exe"
  Delete "$INSTDIR\tonalix-render.exe"
  Delete "$INSTDIR\index.html"
  Delete "$INSTDIR\COPYING"
  Delete "$INSTDIR\THIRD-PARTY.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; The Windows installer of Kestro, made by script/windows:
;   makensis -DVERSION=2.21 -DSTAGE=<folder with kestro.exe> -DOUTFILE=<setup.exe> kestro.nsi
; Installs under Program Files with a Start menu entry and an uninstaller.
; Installed there, Kestro keeps its settings in %LOCALAPPDATA%\Kestro,
; since a program's folder under Program Files is not the user's to write.

; A 64-bit installer for the 64-bit program (it also runs under Wine without 32-bit support).
Target amd64-unicode
!include "MUI2.nsh"

Name "Kestro ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kestro"
InstallDirRegKey HKLM "Software\Kestro" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestro"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Kestro"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "Software\Kestro" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestro ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Varnesk"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestro.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Kestro.lnk" "$INSTDIR\kestro.exe"
SectionEnd

; The user's settings in %LOCALAPPDATA%\Kestro stay: they belong to the user.
Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\Kestro.lnk"
  RMDir /r "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Kestro"
SectionEnd

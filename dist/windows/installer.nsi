; The Windows installer: the zip's folder installed for the current user alone (no administrator rights),
; with a Start-menu entry and an uninstaller that removes exactly what was installed. Built by
; make_installer.sh, which defines VERSION, STAGE (the unpacked zip), OUTFILE and the two file lists.
; A 64-bit installer for a 64-bit game: it runs wherever the game does (and under a 64-bit-only Wine).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"

Name "Lanternfall"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Lanternfall"
InstallDirRegKey HKCU "Software\Lanternfall" "InstallDir"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lanternfall"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "Lanternfall"
VIAddVersionKey /LANG=1041 "FileDescription" "Lanternfall installer"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "2026 The Lanternfall developers"

!define MUI_ICON "${STAGE}\..\lanternfall.ico"
!define MUI_UNICON "${STAGE}\..\lanternfall.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\lanternfall.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

Section "Lanternfall"
  SetShellVarContext current
  !include "${INSTALL_LIST}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Lanternfall"
  CreateShortcut "$SMPROGRAMS\Lanternfall\Lanternfall.lnk" "$INSTDIR\lanternfall.exe"
  WriteRegStr HKCU "Software\Lanternfall" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Lanternfall"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lanternfall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only the files the installer put there, and the folders only when that leaves them empty: a folder the
; player chose may hold other things.
Section "Uninstall"
  SetShellVarContext current
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Lanternfall\Lanternfall.lnk"
  RMDir "$SMPROGRAMS\Lanternfall"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Lanternfall"
SectionEnd

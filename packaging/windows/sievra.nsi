; The Windows installer: per user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Sievra, with a Start-menu shortcut and an uninstaller
; registered with Windows. /S installs and uninstalls silently.
; makensis -DVERSION=1.0.0 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> sievra.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sievra"

Name "Sievra ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Sievra"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Sievra"
VIAddVersionKey /LANG=1033 "FileDescription" "Sievra ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The Sievra developers, MIT licence"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
LicenseData "${STAGE}\LICENSE.txt"

Section "Sievra"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\Sievra.exe"
  File "${STAGE}\sievra-cli.exe"
  File "${STAGE}\help.rtf"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\README.txt"
  File "${STAGE}\THIRD-PARTY-NOTICES.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Sievra.lnk" "$INSTDIR\Sievra.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Sievra"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Sievra developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Sievra.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Sievra.lnk"
  Delete "$INSTDIR\Sievra.exe"
  Delete "$INSTDIR\sievra-cli.exe"
  Delete "$INSTDIR\help.rtf"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  ; This uninstaller runs from a copy of itself; the original may not have
  ; exited yet, so its deletion is retried for up to 10 s.
  StrCpy $0 0
  retry_uninstaller:
  ClearErrors
  Delete "$INSTDIR\Uninstall.exe"
  IfErrors 0 uninstaller_deleted
  IntOp $0 $0 + 1
  IntCmp $0 100 uninstaller_deleted
  Sleep 100
  Goto retry_uninstaller
  uninstaller_deleted:
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The remembered input folder (%APPDATA%\Sievra\Sievra.ini) is the user's and stays.
SectionEnd

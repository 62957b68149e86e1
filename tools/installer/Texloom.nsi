; The Texloom installer (NSIS 3). tools/package makes it with
;   makensis -DVERSION=1.0 -DSTAGE=<staged release folder> -DOUTFILE=<setup.exe> Texloom.nsi
; after writing <STAGE>.files.nsh: the File and Delete lines of every staged file.
; Installs into Program Files for all users, registers the plug-in's type library with
; regsvr32 (the DLL's own registration), adds Start-menu entries and an uninstaller
; that takes away every file, shortcut and registry key it made. /S installs silently.
Unicode true
; A 64-bit installer: it runs where the plug-in runs and sees the 64-bit system folder
; and registry.
Target amd64-unicode
!include "LogicLib.nsh"

!define PRODUCT "Texloom"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "LegalCopyright" "The Texloom developers"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
LicenseData "${STAGE}/LICENSE.txt"

!include "${STAGE}.files.nsh"

!macro Regsvr32 OPTIONS
  ExecWait '"$SYSDIR\regsvr32.exe" /s ${OPTIONS} "$INSTDIR\Texloom.dll"' $0
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT}"
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  !insertmacro Regsvr32 ""
  ${If} $0 != 0
    DetailPrint "regsvr32 could not register Texloom.dll (exit code $0)"
    MessageBox MB_ICONEXCLAMATION "The plug-in's type library could not be registered (regsvr32 exit code $0)." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\loomhost.lnk" "$INSTDIR\loomhost.exe" '"$INSTDIR\samples\cube.obj"'
  CreateShortcut "${MENU_FOLDER}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Texloom developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  !insertmacro Regsvr32 "/u"
  !insertmacro UninstallFiles
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${MENU_FOLDER}\loomhost.lnk"
  Delete "${MENU_FOLDER}\Uninstall ${PRODUCT}.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

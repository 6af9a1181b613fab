; The Windows installer: the 64-bit program on 64-bit Windows, the 32-bit
; one elsewhere, for the current user or for every user of the machine, with
; a Start-menu entry and an uninstaller in the system's list of programs.
; tools/make-release passes VERSION, WIN32DIR, WIN64DIR, DOCDIR and OUTFILE.
Unicode true
SetCompressor /SOLID lzma

!define APP "Tindral"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP}"
!define SETUP_KEY "Software\${APP}\Setup"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${SETUP_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"
; The same bytes for the same inputs.
SetDateSave off
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} installer"
VIAddVersionKey "LegalCopyright" "MIT licence"

!define MUI_ICON "${DOCDIR}/resources/tindral.ico"
!define MUI_UNICON "${DOCDIR}/resources/tindral.ico"
!insertmacro MUI_PAGE_LICENSE "${DOCDIR}/LICENSE"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tindral.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The registry's 64-bit view on 64-bit Windows, where the 64-bit program's
; entry in the list of programs belongs.
!macro Views
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

Function .onInit
  !insertmacro Views
  !insertmacro MULTIUSER_INIT
  ; Every user's 64-bit programs live in the 64-bit program folder.
  ${If} ${RunningX64}
  ${AndIf} $MultiUser.InstallMode == "AllUsers"
    ReadRegStr $0 HKLM "${SETUP_KEY}" "InstallLocation"
    ${If} $0 == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\${APP}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro Views
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Tindral"
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "${WIN64DIR}/Tindral.exe"
    File "${WIN64DIR}/tindral-render.exe"
  ${Else}
    File "${WIN32DIR}/Tindral.exe"
    File "${WIN32DIR}/tindral-render.exe"
  ${EndIf}
  File "/oname=README.md" "${DOCDIR}/README.md"
  File "/oname=LICENSE.txt" "${DOCDIR}/LICENSE"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\Tindral.exe"

  WriteRegStr SHCTX "${SETUP_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "the ${APP} authors"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tindral.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The program offers itself for .BMP and .PNG in the user's own classes when
; it starts; those entries go with it, and a default it took goes too.
!macro ForgetExtension EXT
  DeleteRegValue HKCU "Software\Classes\${EXT}\OpenWithProgids" "Tindral.Document"
  ReadRegStr $0 HKCU "Software\Classes\${EXT}" ""
  ${If} $0 == "Tindral.Document"
    DeleteRegValue HKCU "Software\Classes\${EXT}" ""
  ${EndIf}
!macroend

Section "Uninstall"
  Delete "$INSTDIR\Tindral.exe"
  Delete "$INSTDIR\tindral-render.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The user's recent files stay, as the settings of a program the user may install again.
  DeleteRegKey SHCTX "${SETUP_KEY}"
  DeleteRegKey /ifempty SHCTX "Software\${APP}"
  DeleteRegKey HKCU "Software\Classes\Tindral.Document"
  !insertmacro ForgetExtension ".BMP"
  !insertmacro ForgetExtension ".PNG"
SectionEnd

; The Windows installer: pixtrail-<version>-setup.exe, built by scripts/package-windows.sh.
;   makensis -DSTAGE=DIR -DFILES=FILES.nsh -DVERSION=1.0.0 -DOUTFILE=SETUP.exe installer.nsi
; STAGE is the folder the portable zip is made of (the programs, README.txt,
; language-de.ini, licences\); FILES names its files and folders, as the package script
; writes it, so that the uninstaller removes exactly what the installer put there.
;
; For all users into Program Files or for the current user into
; %LOCALAPPDATA%\Programs (the two places the program knows as installed, where it keeps
; its settings in %APPDATA%\Pixtrail), chosen on a page or on the command line:
;   setup.exe /S                 silently; for all users when run by an administrator
;   setup.exe /S /CurrentUser    silently, for the current user only
;   setup.exe /S /AllUsers       silently, for all users (fails without the rights)
;   setup.exe /S /D=C:\Pixtrail  another folder (last on the line, no quotes)
; Exit status 0 when installed, 2 when it stopped (for example, Pixtrail was running).

!ifndef STAGE | FILES | VERSION | OUTFILE
  !error "makensis -DSTAGE=... -DFILES=... -DVERSION=... -DOUTFILE=... installer.nsi"
!endif

Unicode true
; The programs are 64-bit: so is the installer, whose registry and $PROGRAMFILES then are
; the 64-bit ones Windows lists and the program looks for.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "Pixtrail"
!define PUBLISHER "The Pixtrail developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pixtrail"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
; Where the user put a file of the installer's in use, Ignore would leave a folder of two
; versions: only Retry and Cancel.
AllowSkipFiles off

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; A new version goes where the last one of the same scope went, and the scope of the last
; one is the default.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${__FILEDIR__}\pixtrail.ico"
!define MUI_UNICON "${__FILEDIR__}\pixtrail.ico"
!define MUI_ABORTWARNING
; No "run Pixtrail now" box: an installer for all users runs elevated, and so would the
; program it started, keeping its settings for the wrong account.
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "OriginalFilename" "pixtrail-${VERSION}-setup.exe"

!include "${FILES}" ; PIXTRAIL_STAGED_FILES and PIXTRAIL_STAGED_FOLDERS

; The file a running program holds, set by the check below; empty when none is.
Var InUse
; The bytes the installer put into the folder, for Windows' list of programs.
Var Bytes

; A running program cannot be replaced: its file does not open for writing. Checking every
; file before the first is written means a cancelled run changes nothing.
!macro PIXTRAIL_CHECK_FREE NAME
  ${If} $InUse == ""
  ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    FileOpen $0 "$INSTDIR\${NAME}" a
    ${If} ${Errors}
      StrCpy $InUse "$INSTDIR\${NAME}"
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend

!macro PIXTRAIL_FOLDER_FREE UN
  Function ${UN}FolderFree
    check:
    StrCpy $InUse ""
    !insertmacro PIXTRAIL_STAGED_FILES PIXTRAIL_CHECK_FREE
    !insertmacro PIXTRAIL_CHECK_FREE "uninstall.exe"
    ${If} $InUse == ""
      Return
    ${EndIf}
    StrCpy $0 "$InUse is in use.$\r$\n$\r$\nClose Pixtrail (the window, and pixtrail-cli in "
    StrCpy $1 "any console window), then choose Retry. Cancel stops without changing anything."
    ; Silently the answer is Cancel: the run ends with a non-zero exit status.
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$0$1" /SD IDCANCEL IDRETRY check
    DetailPrint "$InUse is in use: nothing was changed."
    SetErrorLevel 2
    Abort
  FunctionEnd
!macroend
!insertmacro PIXTRAIL_FOLDER_FREE ""
!insertmacro PIXTRAIL_FOLDER_FREE "un."

!macro PIXTRAIL_INSTALL_FOLDER NAME
  CreateDirectory "$INSTDIR\${NAME}"
!macroend

!macro PIXTRAIL_INSTALL_FILE NAME
  File "/oname=$INSTDIR\${NAME}" "${STAGE}\${NAME}"
  Push "$INSTDIR\${NAME}"
  Call CountBytes
!macroend

Function CountBytes ; path
  Exch $0
  Push $1
  Push $2
  FileOpen $1 $0 r
  FileSeek $1 0 END $2
  FileClose $1
  IntOp $Bytes $Bytes + $2
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function .onInit
  ; /D= sets $INSTDIR before this; the scope's default must not overrule it.
  StrCpy $R0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $R0 != ""
    StrCpy $INSTDIR $R0
  ${EndIf}
FunctionEnd

Section "Pixtrail"
  Call FolderFree
  SetOutPath "$INSTDIR"
  StrCpy $Bytes 0
  !insertmacro PIXTRAIL_STAGED_FOLDERS PIXTRAIL_INSTALL_FOLDER
  !insertmacro PIXTRAIL_STAGED_FILES PIXTRAIL_INSTALL_FILE
  WriteUninstaller "$INSTDIR\uninstall.exe"
  Push "$INSTDIR\uninstall.exe"
  Call CountBytes

  ; $SMPROGRAMS is the Start menu of the scope chosen; the working folder is $INSTDIR.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\pixtrail.exe" "" \
    "$INSTDIR\pixtrail.exe" 0 SW_SHOWNORMAL "" "Spoiler pictures of geocaches"

  ; SHCTX is HKLM for all users and HKCU for the current user. The scope goes into the
  ; uninstaller's command, so it removes the entry and the shortcut of its own scope.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pixtrail.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "http://www.pixtrail.app/pixtrail"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  IntOp $0 $Bytes + 1023
  IntOp $0 $0 / 1024
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; Started without a scope (from the folder itself): the scope whose entry names this
  ; folder, else the current user's.
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/AllUsers" $R1
  ${If} ${Errors}
    ClearErrors
    ${un.GetOptions} $R0 "/CurrentUser" $R1
    ${If} ${Errors}
      ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $R1 == $INSTDIR
        Call un.MultiUser.InstallMode.AllUsers
      ${Else}
        Call un.MultiUser.InstallMode.CurrentUser
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro PIXTRAIL_REMOVE_FILE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

!macro PIXTRAIL_REMOVE_FOLDER NAME
  RMDir "$INSTDIR\${NAME}" ; only when empty
!macroend

; Only the installer's own files go: the settings in %APPDATA%\Pixtrail and the registry,
; the spoiler folder, waypoint files, and whatever the user put into the program's folder
; (such as the settings of a copy once run from there) stay.
Section "Uninstall"
  Call un.FolderFree
  !insertmacro PIXTRAIL_STAGED_FILES PIXTRAIL_REMOVE_FILE
  !insertmacro PIXTRAIL_STAGED_FOLDERS PIXTRAIL_REMOVE_FOLDER
  Delete "$INSTDIR\uninstall.exe"
  ; The entry and the shortcut go with the copy they name: a later installation of the
  ; same scope into another folder has taken them over.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
  RMDir "$INSTDIR" ; only when empty
SectionEnd

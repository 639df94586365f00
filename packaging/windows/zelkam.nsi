; The Windows installer: the portable folder installed for the current user
; (no administrator rights), a Start-menu entry, and an uninstaller listed
; among the installed programs. scripts/build-windows makes it with
;
;   makensis -DVERSION=x.y -DFILE_VERSION=x.y.0.0 -DSOURCE=FOLDER -DLISTS=DIR -DICON=FILE -DOUTFILE=FILE zelkam.nsi
;
; where FILE_VERSION is the version in the four parts Windows' version
; resource takes, FOLDER is the portable folder and DIR holds program-files.nsh and
; program-uninstall.nsh (every file of FOLDER but the samples, made by
; packaging/windows/installer-lists.sh), so the uninstaller removes exactly
; what the installer put there.
;
; /S installs or uninstalls silently. Installing over an earlier version runs
; its uninstaller first, silently, keeping the user's settings. The
; uninstaller keeps the user's settings (HKCU\Software\Zelkam) unless asked:
; a question when run by hand, /REMOVESETTINGS when silent.

; The program is 64-bit only, and so is its installer: it runs wherever the
; program does, under a 64-bit Wine too.
Target amd64-unicode
!include "MUI2.nsh"
!include "FileFunc.nsh"

!ifndef VERSION | FILE_VERSION | SOURCE | LISTS | ICON | OUTFILE
  !error "give -DVERSION, -DFILE_VERSION, -DSOURCE, -DLISTS, -DICON and -DOUTFILE"
!endif

!define PRODUCT "Zelkam"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelkam"
!define SETTINGS_KEY "Software\Zelkam"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; A per-user install: the user's own programs folder, the user's registry.
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\zelkam.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PRODUCT}"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "-Replace an earlier version"
  ; An earlier install (wherever it went) is uninstalled first, silently and
  ; in place, so no file of it is left beside the new one. Its uninstaller
  ; keeps the user's settings when silent.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" done
  IfFileExists "$0\uninstall.exe" 0 done
  ExecWait '"$0\uninstall.exe" /S _?=$0'
  Delete "$0\uninstall.exe"
  RMDir "$0"
  done:
SectionEnd

Section "${PRODUCT} (required)" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !include "${LISTS}\program-files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zelkam.exe" "" "$INSTDIR\zelkam.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zelkam.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Sample logs" SectionSamples
  SetOutPath "$INSTDIR\samples\logs"
  File "${SOURCE}\samples\logs\*.log"
SectionEnd

; The size shown among the installed programs: what was installed, in KiB.
Section "-Size"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionProgram} "The viewer, zelkam-cli and the libraries they use."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionSamples} "A few days of logs of a sample server, to try the viewer on."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  !include "${LISTS}\program-uninstall.nsh"
  Delete "$INSTDIR\samples\logs\*.log"
  RMDir "$INSTDIR\samples\logs"
  RMDir "$INSTDIR\samples"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: whatever the user put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; The user's own settings (the log folder, the windows' places) stay
  ; unless asked for.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  IfErrors 0 remove
  IfSilent keep
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also remove your ${PRODUCT} settings (the log folder and window places it remembers)?" /SD IDNO IDYES remove
  Goto keep
  remove:
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  keep:
SectionEnd

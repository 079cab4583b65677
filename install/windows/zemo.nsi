; The Windows installer of ZEMO: a 64-bit Unicode NSIS installer built on
; Linux by scripts/windows-installer, which passes
;   VERSION      the programs' version, four numbers (1.0.0.0)
;   VERSION_KEY  its settings key (1.0)
;   TREE         the directory laid out as the installation (zemo.exe,
;                wzemo.exe with its Qt files, etc\, data\, help\, log\, docs\)
;   FILES, UNFILES  the generated lists of the tree's files: what the
;                installer writes and what its uninstaller removes again
;   OUTFILE      the installer to write
;   DESKTOP      defined when the tree holds wzemo.exe (the Start-menu link
;                and the association are made only then)
;
; It installs for every user of the machine (administrator rights), writes
; HKLM\SOFTWARE\ZEMO\Model ZEMO\<VERSION_KEY> RootDir, a Start-menu link to
; wzemo, the .atm association and an entry in "Programs and Features". An
; earlier installation is removed by its own uninstaller first, so that an
; upgrade leaves one entry and no file of the old release. The uninstaller
; removes exactly the files and keys the installer made: a user's own files
; (logs in log\) and the per-user settings the programs made stay.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include x64.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "ZEMO"
!define ZEMO_KEY "SOFTWARE\ZEMO\Model ZEMO\${VERSION_KEY}"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEMO"
!define PROJECT_CLASS "ZEMO.Projekt"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\ZEMO"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1029 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1029 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1029 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1029 "FileDescription" "Instalace programu ZEMO"
VIAddVersionKey /LANG=1029 "LegalCopyright" "ZEMO"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Czech"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "Program ZEMO vyžaduje 64bitová Windows."
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "ZEMO"
    ; An earlier installation (an older or the same release) is removed by
    ; its own uninstaller, run in place so that it has finished when it
    ; returns.
    ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        ExecWait '"$0\uninstall.exe" /S _?=$0'
        Delete "$0\uninstall.exe"
        RMDir "$0"
    ${EndIf}

    !include "${FILES}"

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${ZEMO_KEY}" "RootDir" "$INSTDIR"

!ifdef DESKTOP
    ; Start menu and the project files' association.
    CreateDirectory "$SMPROGRAMS\ZEMO"
    CreateShortcut "$SMPROGRAMS\ZEMO\ZEMO.lnk" "$INSTDIR\wzemo.exe"
    WriteRegStr HKLM "Software\Classes\.atm" "" "${PROJECT_CLASS}"
    WriteRegStr HKLM "Software\Classes\${PROJECT_CLASS}" "" "Projekt modelu ZEMO"
    WriteRegStr HKLM "Software\Classes\${PROJECT_CLASS}\DefaultIcon" "" "$INSTDIR\wzemo.exe,0"
    WriteRegStr HKLM "Software\Classes\${PROJECT_CLASS}\shell\open\command" "" '"$INSTDIR\wzemo.exe" "%1"'
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\wzemo.exe"
!endif

    ; "Programs and Features".
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
    IntFmt $1 "0x%08X" $1
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $1
SectionEnd

Section "Uninstall"
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    ; Stays when a user's own files are left in it (the logs in log\).
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\ZEMO\ZEMO.lnk"
    RMDir "$SMPROGRAMS\ZEMO"
    ; The association only while it is still this program's.
    ReadRegStr $0 HKLM "Software\Classes\.atm" ""
    ${If} $0 == "${PROJECT_CLASS}"
        DeleteRegKey HKLM "Software\Classes\.atm"
    ${EndIf}
    DeleteRegKey HKLM "Software\Classes\${PROJECT_CLASS}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    DeleteRegValue HKLM "${ZEMO_KEY}" "RootDir"
    DeleteRegKey /ifempty HKLM "${ZEMO_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\ZEMO\Model ZEMO"
    DeleteRegKey /ifempty HKLM "SOFTWARE\ZEMO"
    DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd

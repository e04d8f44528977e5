; The Windows installer: per user, no administrator rights, into a folder of Keyglance's own
; that the user can write, so that the start-up download can replace the data file there.
; Built by scripts/build-windows.sh:
;   makensis -DVERSION=1.0.0 -DSOURCE=<unpacked zip folder> -DICON=<ico> -DOUTFILE=<exe> keyglance.nsi
; Keyglance is a 64-bit program; a 64-bit installer also runs where no 32-bit Windows layer does.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define NAME "Keyglance"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyglance"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${NAME}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\Keyglance"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey "CompanyName" "Keyglance developers"
VIAddVersionKey "LegalCopyright" "Copyright (c) the Keyglance developers, MIT licence"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running Keyglance holds its files open; an update or a removal ends it first.
!macro EndKeyglance
    nsExec::Exec 'taskkill /IM keyglance.exe /F'
    Pop $0
    Sleep 500
!macroend

Section "Install"
    SetShellVarContext current
    !insertmacro EndKeyglance
    SetOutPath "$INSTDIR"
    ; A data file the user edited or the download replaced stays; the shipped one is the first.
    SetOverwrite off
    File "${SOURCE}/data.json"
    SetOverwrite on
    File /r /x data.json "${SOURCE}/*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\Keyglance.lnk" "$INSTDIR\keyglance.exe" "" "$INSTDIR\keyglance.exe" 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Keyglance developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\keyglance.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

    ; Started in its folder, it reads the data file there and registers its own autostart.
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\keyglance.exe"'
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    !insertmacro EndKeyglance
    ; Keyglance writes its Run value machine-wide where it may, else the user's own.
    DeleteRegValue HKCU "${RUN_KEY}" "keyglance"
    DeleteRegValue HKLM "${RUN_KEY}" "keyglance"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    Delete "$SMPROGRAMS\Keyglance.lnk"
    ; The folder is always Keyglance's own (the installer offers no other), data file and all.
    RMDir /r "$INSTDIR"
SectionEnd

# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer of Tessaroll (NSIS 3), made by scripts/windows-installer.sh from the same
# files as the portable zip. It
#   - installs for the current user without administrator rights, into
#     %LOCALAPPDATA%\Programs\Tessaroll, or for every user into Program Files when it runs
#     elevated; /CurrentUser and /AllUsers choose, /D=FOLDER names another folder, /S is silent;
#   - adds a Start menu entry and an entry in the list of installed programs (name, version,
#     publisher, icon, size), for that user or for every user alike;
#   - replaces an installed older or equal version in place (its own uninstaller removes its
#     files first), and refuses to replace a newer one;
#   - removes exactly the files it installed, with uninstall.exe (/S is silent).
# The programs keep the user's own files in %APPDATA%\tessaroll, which neither installing nor
# removing touches.
#
# Defines (makensis -D): VERSION (x.y.z), STAGE (the folder of the files to install, in their
# installed layout), FILES (the list of them, made by the script), ICON, OUTFILE.

# A 64-bit installer for the 64-bit programs: it needs no 32-bit subsystem (WoW64) and sees the
# 64-bit Program Files and registry as they are.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
SetDateSave on

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include x64.nsh

!define PRODUCT "Tessaroll"
!define PUBLISHER "The Tessaroll developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaroll"
!define PROGRAM "bin\tessaroll.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}. Licence: GPL-3.0-or-later."

!include "${FILES}"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
LicenseData "${STAGE}/LICENSE.txt"

Var AllUsers      ; 1: for every user (HKLM, Program Files), 0: for the current user
Var OldUninstaller
Var OldFolder

!macro Refuse text code
    MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
    SetErrorLevel ${code}
    Quit
!macroend

Function .onInit
    ${IfNot} ${RunningX64}
        !insertmacro Refuse "Tessaroll needs a 64-bit Windows." 2
    ${EndIf}
    SetRegView 64
    ${GetParameters} $R0
    ; Elevated (an administrator's token): for every user; otherwise for this user alone.
    UserInfo::GetAccountType
    Pop $R1
    StrCpy $AllUsers 0
    ${If} $R1 == "Admin"
        StrCpy $AllUsers 1
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/CurrentUser" $R2
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/AllUsers" $R2
    ${IfNot} ${Errors}
        ${If} $R1 != "Admin"
            !insertmacro Refuse "Installing Tessaroll for every user needs administrator rights. Run the installer as administrator, or without /AllUsers to install it for yourself." 740
        ${EndIf}
        StrCpy $AllUsers 1
    ${EndIf}

    ${If} $AllUsers == 1
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}

    ; An installed copy for the same users: its version, and its folder, which an upgrade keeps.
    ReadRegStr $OldFolder SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $R3 SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
    ${If} $OldFolder != ""
    ${AndIf} $R3 != ""
        ${VersionCompare} "$R3" "${VERSION}" $R4
        ${If} $R4 == 1
            !insertmacro Refuse "Tessaroll $R3 is installed, which is newer than ${VERSION}. Remove it first if you want ${VERSION} instead." 3
        ${EndIf}
        ${If} ${FileExists} "$OldFolder\uninstall.exe"
            StrCpy $OldUninstaller "$OldFolder\uninstall.exe"
        ${EndIf}
    ${EndIf}

    ; /D=FOLDER on the command line sets $INSTDIR before this function runs.
    ${If} $INSTDIR == ""
        ${If} $OldFolder != ""
            StrCpy $INSTDIR $OldFolder
        ${ElseIf} $AllUsers == 1
            StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
        ${Else}
            StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "Tessaroll"
    ; The older copy's own uninstaller removes its files and entries, in its folder (_?= makes it
    ; run there and wait); the user's files are not among them.
    ${If} $OldUninstaller != ""
        ExecWait '"$OldUninstaller" /S _?=$OldFolder' $0
        ${If} $0 != 0
            !insertmacro Refuse "The installed Tessaroll could not be removed first (its uninstaller ended with $0). Close Tessaroll if it is running and try again." 4
        ${EndIf}
        Delete "$OldUninstaller"
        RMDir "$OldFolder"
    ${EndIf}

    !insertmacro INSTALL_FILES
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
        SW_SHOWNORMAL "" "Password lists of a date from your personal password"

    ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
    IntFmt $R0 "0x%08X" $R0
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "https://www.tessaroll.example/"
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R0
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetRegView 64
    ; Installed for every user when the machine's entry names this folder.
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 == $INSTDIR
        UserInfo::GetAccountType
        Pop $R1
        ${If} $R1 != "Admin"
            MessageBox MB_OK|MB_ICONSTOP "Tessaroll is installed for every user: removing it needs administrator rights. Run the uninstaller as administrator." /SD IDOK
            SetErrorLevel 740
            Quit
        ${EndIf}
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !insertmacro REMOVE_FILES
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: a folder that holds anything else stays.
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

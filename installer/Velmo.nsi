; The Velmo installer: 64-bit, Unicode, per machine, silent with /S.
;   makensis -DVERSION=1.0.0.1 -DPROGRAM_DIR=<program folder> -DOUTFILE=<setup.exe> Velmo.nsi
; Installs into %ProgramData%\Velmo (see docs/operator.md for why), adds a
; Start-menu entry, a start-at-logon entry for every account and an entry in
; Add/Remove Programs. The uninstaller keeps the sign-in records unless asked
; (/REMOVERECORDS, or the "Sign-in records" box).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true

!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

; no maker is named, so there is no copyright holder to name either
!pragma warning disable 9100

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; well-known SIDs, so the grants work in every language of Windows
!define SID_SYSTEM "*S-1-5-18"
!define SID_ADMINS "*S-1-5-32-544"
!define SID_USERS "*S-1-5-32-545"

Name "Velmo"
OutFile "${OUTFILE}"
; an earlier install's folder, else %ProgramData%\Velmo (set in .onInit)
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Velmo"
VIAddVersionKey "FileDescription" "Velmo Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

; Ends a running kiosk politely (its windows are asked to close, as Alt+F4
; would), then for good: its files cannot be replaced while it runs.
!macro CloseKiosk
  nsExec::Exec '"$SYSDIR\taskkill.exe" /IM Velmo.exe'
  Pop $0
  StrCpy $1 0
  ${DoWhile} $1 < 50
    FindWindow $0 "#32770" "HideDlg"
    ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM Velmo.exe'
  Pop $0
!macroend

!macro RequireAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP "Velmo is installed for every account on this computer: run this as an administrator." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
  !insertmacro RequireAdmin
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$APPDATA\Velmo"
  ${EndIf}
FunctionEnd

Section "Velmo" SecProgram
  SectionIn RO
  !insertmacro CloseKiosk
  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}/Velmo.exe"
  SetOutPath "$INSTDIR\Picture"
  File "${PROGRAM_DIR}/Picture/*.*"
  SetOutPath "$INSTDIR"
  ; an upgrade keeps the operator's settings
  SetOverwrite off
  File "${PROGRAM_DIR}/Config.ini"
  SetOverwrite on
  CreateDirectory "$INSTDIR\SignIn"
  CreateDirectory "$INSTDIR\Logs"
  CreateDirectory "$INSTDIR\Crash"
  ; the photo file exists from the start, so the grant below can cover it
  ${IfNot} ${FileExists} "$INSTDIR\photo.bmp"
    FileOpen $0 "$INSTDIR\photo.bmp" w
    FileClose $0
  ${EndIf}

  ; Standard accounts may write the records, the log, the dumps and the
  ; photo, and nothing else: a DLL or program they could drop beside
  ; Velmo.exe would run in an administrator's session at logon.
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /inheritance:r /grant:r ${SID_SYSTEM}:(OI)(CI)F ${SID_ADMINS}:(OI)(CI)F ${SID_USERS}:(OI)(CI)RX'
  Pop $0
  DetailPrint "Program folder readable by every account: $0"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\SignIn" /grant ${SID_USERS}:(OI)(CI)M'
  Pop $0
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\Logs" /grant ${SID_USERS}:(OI)(CI)M'
  Pop $0
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\Crash" /grant ${SID_USERS}:(OI)(CI)M'
  Pop $0
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\photo.bmp" /grant ${SID_USERS}:M'
  Pop $0
  DetailPrint "Records, log, dumps and photo writable by every account: $0"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Velmo.lnk" "$INSTDIR\Velmo.exe" "" "$INSTDIR\Velmo.exe" 0
  ; every account that logs on gets the kiosk; a second start ends by itself
  WriteRegStr HKLM "${RUN_KEY}" "Velmo" '"$INSTDIR\Velmo.exe"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velmo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Velmo.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.Velmo (the program, its log and crash dumps)"
  SectionIn RO
  !insertmacro CloseKiosk
  DeleteRegValue HKLM "${RUN_KEY}" "Velmo"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\Velmo.lnk"
  Delete "$INSTDIR\Velmo.exe"
  Delete "$INSTDIR\Config.ini"
  Delete "$INSTDIR\photo.bmp"
  RMDir /r "$INSTDIR\Picture"
  RMDir /r "$INSTDIR\Logs"
  RMDir /r "$INSTDIR\Crash"
  Delete "$INSTDIR\Uninstall.exe"
SectionEnd

Section /o "un.Sign-in records (SignIn folder)" SecRecords
  RMDir /r "$INSTDIR\SignIn"
SectionEnd

Section "-un.Folder"
  ; stays while it holds the records
  RMDir "$INSTDIR"
SectionEnd

; after the sections: it selects one of them
Function un.onInit
  SetRegView 64
  SetShellVarContext all
  !insertmacro RequireAdmin
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVERECORDS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecRecords}
  ${EndIf}
FunctionEnd

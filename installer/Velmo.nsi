; The Velmo installer: 64-bit, Unicode, per machine, silent with /S.
;   makensis -DVERSION=1.0.0.1 -DPROGRAM_DIR=<program folder> -DOUTFILE=<setup.exe> Velmo.nsi
; Installs into %ProgramData%\Velmo (see docs/operator.md for why), adds a
; Start-menu entry, an entry in Add/Remove Programs and, for the kiosk account
; named at install (/KIOSKUSER=name, or the field on the folder page), a task
; that starts the kiosk when that account logs on. The uninstaller keeps the
; sign-in records unless asked (/REMOVERECORDS, or the "Sign-in records" box).
; With /DESK, or "Front desk" on the components page, it installs the front
; desk's program instead: VelmoDesk.exe and its Start-menu entry, no kiosk, no
; kiosk account and no task.
; Exit codes: 0 installed; 3 the install folder was refused; 4 the kiosk
; account is unknown; 5 installed, but a permission step failed (Setup.log
; in the install folder lists every step); 740 not run as an administrator.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

; no maker is named, so there is no copyright holder to name either
!pragma warning disable 9100

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmo"
; where Velmo.exe finds the kiosk account of its folder
!define INSTALL_KEY "Software\Velmo"
; earlier versions started the kiosk from here for every account
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define TASK_NAME "Velmo"
; well-known SIDs, so the grants work in every language of Windows
!define SID_SYSTEM "S-1-5-18"
!define SID_ADMINS "S-1-5-32-544"
!define SID_USERS "S-1-5-32-545"
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
!define SID_TYPE_USER 1

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

Var KioskUser   ; the kiosk account as named; empty: none, any account may run the kiosk
Var KioskSid
Var KioskField  ; the account's field on the folder page
Var InstallerSid
Var SetupLog    ; Setup.log, every permission step with its exit code
Var FailedSteps
Var NewConfig
Var DeskInstall ; 1: the front desk's program, not the kiosk

DirText "Velmo and its records go into this folder. The kiosk account is the standard account the kiosk runs as: it starts the kiosk when it logs on, and only it may run it. Leave it empty to let any account run the kiosk." "Install folder"
ComponentText "Install the kiosk, or the front desk's program (today's sign-ins from every kiosk's records on the file share)."
Page components
Page directory "" DirPageShow DirPageLeave
Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

; Ends a running kiosk cleanly with Velmo.exe /stop (the given copy of the
; new program: an older one may know no /stop), then for good, since its files
; cannot be replaced while it runs.
!macro CloseKiosk VELMO
  nsExec::ExecToLog '"${VELMO}" /stop'
  Pop $0
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM Velmo.exe'
  Pop $0
  ; the ended process lets go of its program file a moment later
  StrCpy $1 0
  ${DoWhile} $1 < 50
    ClearErrors
    FileOpen $0 "$INSTDIR\Velmo.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      ${ExitDo}
    ${EndIf}
    ${IfNot} ${FileExists} "$INSTDIR\Velmo.exe"
      ${ExitDo}
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
!macroend

; Ends a running front desk politely (its window is asked to close), then for good.
!macro CloseDesk
  nsExec::Exec '"$SYSDIR\taskkill.exe" /IM VelmoDesk.exe'
  Pop $0
  Sleep 500
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM VelmoDesk.exe'
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

; The SID of account name $0 in $1, or "" when it names no user account.
!macro AccountSid
  StrCpy $1 ""
  System::Alloc 68
  Pop $2
  System::Call 'advapi32::LookupAccountNameW(p 0, w r0, p r2, *i 68, w .r3, *i ${NSIS_MAX_STRLEN}, *i .r4) i .r5'
  ${If} $5 <> 0
  ${AndIf} $4 = ${SID_TYPE_USER}
    System::Call 'advapi32::ConvertSidToStringSidW(p r2, *p .r6) i .r5'
    ${If} $5 <> 0
      System::Call '*$6(&w${NSIS_MAX_STRLEN} .r1)'
      System::Call 'kernel32::LocalFree(p r6)'
    ${EndIf}
  ${EndIf}
  System::Free $2
!macroend

; One icacls call, logged with its exit code; a failure is reported at the end.
!macro Permission WHAT ARGS
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" ${ARGS}'
  Pop $0
  FileWriteUTF16LE $SetupLog 'icacls ${ARGS} -> $0$\r$\n'
  ${If} $0 != 0
    DetailPrint "Permission step failed (exit code $0): ${WHAT}"
    StrCpy $FailedSteps "$FailedSteps$\r$\n- ${WHAT}"
  ${EndIf}
!macroend

; The kiosk account may create and change files in a folder of the kiosk's
; (records, log, dumps) but not delete, rename or replace the folder itself;
; nobody else but administrators and the system gets in.
!macro KioskFolder NAME TRUSTEE
  CreateDirectory "$INSTDIR\${NAME}"
  !insertmacro Permission "${NAME} for the kiosk account only" '"$INSTDIR\${NAME}" /L /inheritance:r /grant:r *${SID_SYSTEM}:(OI)(CI)F *${SID_ADMINS}:(OI)(CI)F ${TRUSTEE}:(RX,WD)'
  !insertmacro Permission "${NAME}: files in it changeable by the kiosk account" '"$INSTDIR\${NAME}" /L /grant ${TRUSTEE}:(OI)(IO)M'
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
  !insertmacro RequireAdmin
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$APPDATA\Velmo"
  ${EndIf}
  ; an upgrade keeps the kiosk account unless given another (or /KIOSKUSER= for none)
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KIOSKUSER=" $KioskUser
  ${If} ${Errors}
    ReadRegStr $KioskUser HKLM "${INSTALL_KEY}" "KioskAccount"
  ${EndIf}
  Call ChooseComponents
FunctionEnd

Function DirPageShow
  ${If} $DeskInstall == 1
    ; the front desk has no kiosk account: the page says what goes there instead
    FindWindow $R0 "#32770" "" $HWNDPARENT
    GetDlgItem $R1 $R0 1006
    SendMessage $R1 ${WM_SETTEXT} 0 "STR:The front desk's program and its settings go into this folder."
    Return
  ${EndIf}
  ; a label and a field below the folder box, laid out in dialog units like the page itself
  FindWindow $R0 "#32770" "" $HWNDPARENT
  SendMessage $R0 ${WM_GETFONT} 0 0 $R1
  System::Call '*(i 0, i 70, i 266, i 78)p.R2'
  System::Call 'user32::MapDialogRect(p R0, p R2)'
  System::Call '*$R2(i .R3, i .R4, i .R5, i .R6)'
  IntOp $R5 $R5 - $R3
  IntOp $R6 $R6 - $R4
  System::Call 'user32::CreateWindowExW(i 0, w "STATIC", w "Kiosk account (empty: any account):", i 0x50000000, i R3, i R4, i R5, i R6, p R0, p 0, p 0, p 0) p .R7'
  SendMessage $R7 ${WM_SETFONT} $R1 1
  System::Call '*$R2(i 8, i 81, i 195, i 93)'
  System::Call 'user32::MapDialogRect(p R0, p R2)'
  System::Call '*$R2(i .R3, i .R4, i .R5, i .R6)'
  System::Free $R2
  IntOp $R5 $R5 - $R3
  IntOp $R6 $R6 - $R4
  System::Call 'user32::CreateWindowExW(i 0x200, w "EDIT", w "$KioskUser", i 0x50010080, i R3, i R4, i R5, i R6, p R0, p 0, p 0, p 0) p .s'
  Pop $KioskField
  SendMessage $KioskField ${WM_SETFONT} $R1 1
FunctionEnd

Function DirPageLeave
  ${If} $DeskInstall == 1
    Return
  ${EndIf}
  System::Call 'user32::GetWindowTextW(p $KioskField, w .r0, i ${NSIS_MAX_STRLEN})'
  StrCpy $KioskUser $0
  ${If} $KioskUser != ""
    !insertmacro AccountSid
    ${If} $1 == ""
      MessageBox MB_ICONEXCLAMATION "$KioskUser is not a user account on this computer or its domain. Name the standard account the kiosk runs as, or leave the field empty."
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

; Refuses a folder that a standard account could have made or redirected: one
; it owns (made before the first install) or a junction or symbolic link.
Function CheckInstallFolder
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    Return
  ${EndIf}
  ${ForEach} $R0 0 6 + 1
    ${Select} $R0
      ${Case} 0
        StrCpy $R1 "$INSTDIR"
      ${Case} 1
        StrCpy $R1 "$INSTDIR\SignIn"
      ${Case} 2
        StrCpy $R1 "$INSTDIR\Logs"
      ${Case} 3
        StrCpy $R1 "$INSTDIR\Crash"
      ${Case} 4
        StrCpy $R1 "$INSTDIR\Picture"
      ${Case} 5
        StrCpy $R1 "$INSTDIR\photo.bmp"
      ${Case} 6
        StrCpy $R1 "$INSTDIR\Config.ini"
    ${EndSelect}
    System::Call 'kernel32::GetFileAttributesW(w R1) i .r0'
    ${If} $0 <> -1
      IntOp $0 $0 & ${FILE_ATTRIBUTE_REPARSE_POINT}
      ${If} $0 <> 0
        MessageBox MB_ICONSTOP "$R1 is a junction or symbolic link. Velmo is not installed there: remove it, or choose another folder." /SD IDOK
        SetErrorLevel 3
        Quit
      ${EndIf}
    ${EndIf}
  ${Next}
  ; SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION
  System::Call 'advapi32::GetNamedSecurityInfoW(w "$INSTDIR", i 1, i 1, *p .r1, p 0, p 0, p 0, *p .r2) i .r0'
  StrCpy $3 ""
  ${If} $0 = 0
    System::Call 'advapi32::ConvertSidToStringSidW(p r1, *p .r4) i .r0'
    ${If} $0 <> 0
      System::Call '*$4(&w${NSIS_MAX_STRLEN} .r3)'
      System::Call 'kernel32::LocalFree(p r4)'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r2)'
  ${EndIf}
  FileWriteUTF16LE $SetupLog 'owner of $INSTDIR: $3$\r$\n'
  ${If} $3 != "${SID_ADMINS}"
  ${AndIf} $3 != "${SID_SYSTEM}"
  ${AndIf} $3 != "$InstallerSid"
    MessageBox MB_ICONSTOP "$INSTDIR already exists and belongs to $3, not to the administrators or the system: another account could change Velmo there. Velmo is not installed there: delete the folder, or choose another." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
FunctionEnd

Function WriteKioskTask
  ; the task starts the kiosk in the kiosk account's own session when it logs on, without a password,
  ; as a standard process, at normal priority and with no time limit
  ${WordReplace} "$INSTDIR\Velmo.exe" "&" "&amp;" "+" $R0
  FileOpen $R1 "$PLUGINSDIR\Velmo-task.xml" w
  FileWriteWord $R1 0xFEFF
  FileWriteUTF16LE $R1 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $R1 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $R1 '  <RegistrationInfo><Description>Starts the Velmo kiosk when its account logs on.</Description></RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $R1 '  <Triggers><LogonTrigger><Enabled>true</Enabled><UserId>$KioskSid</UserId></LogonTrigger></Triggers>$\r$\n'
  FileWriteUTF16LE $R1 '  <Principals><Principal id="Kiosk"><UserId>$KioskSid</UserId><LogonType>InteractiveToken</LogonType><RunLevel>LeastPrivilege</RunLevel></Principal></Principals>$\r$\n'
  FileWriteUTF16LE $R1 '  <Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy><DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries><StopIfGoingOnBatteries>false</StopIfGoingOnBatteries><ExecutionTimeLimit>PT0S</ExecutionTimeLimit><Priority>4</Priority></Settings>$\r$\n'
  FileWriteUTF16LE $R1 '  <Actions Context="Kiosk"><Exec><Command>$R0</Command></Exec></Actions>$\r$\n'
  FileWriteUTF16LE $R1 '</Task>$\r$\n'
  FileClose $R1
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "${TASK_NAME}" /XML "$PLUGINSDIR\Velmo-task.xml" /F'
  Pop $0
  FileWriteUTF16LE $SetupLog 'schtasks /Create /TN "${TASK_NAME}" /XML (user $KioskSid) -> $0$\r$\n'
  ${If} $0 != 0
    DetailPrint "Start at logon failed (exit code $0): the task for $KioskUser"
    StrCpy $FailedSteps "$FailedSteps$\r$\n- the task that starts the kiosk when $KioskUser logs on"
  ${EndIf}
FunctionEnd

Section "Kiosk" SecProgram
  ${If} $KioskUser != ""
    StrCpy $0 $KioskUser
    !insertmacro AccountSid
    ${If} $1 == ""
      MessageBox MB_ICONSTOP "The kiosk account $KioskUser is not a user account on this computer or its domain." /SD IDOK
      SetErrorLevel 4
      Quit
    ${EndIf}
    StrCpy $KioskSid $1
  ${Else}
    DetailPrint "No kiosk account named: any account may run the kiosk, and none starts it at logon."
  ${EndIf}
  UserInfo::GetName
  Pop $0
  !insertmacro AccountSid
  StrCpy $InstallerSid $1

  InitPluginsDir
  FileOpen $SetupLog "$PLUGINSDIR\Setup.log" w
  FileWriteWord $SetupLog 0xFEFF
  Call CheckInstallFolder

  SetOutPath "$PLUGINSDIR"
  File "${PROGRAM_DIR}/Velmo.exe"
  !insertmacro CloseKiosk "$PLUGINSDIR\Velmo.exe"

  ; locked first, so that nothing can be dropped in while the files arrive: every account may
  ; read and run the program, only administrators may change Velmo.exe, Picture\ and Config.ini
  CreateDirectory "$INSTDIR"
  !insertmacro Permission "the program folder, readable by every account" '"$INSTDIR" /L /inheritance:r /grant:r *${SID_SYSTEM}:(OI)(CI)F *${SID_ADMINS}:(OI)(CI)F *${SID_USERS}:(OI)(CI)RX'
  ${IfNot} ${FileExists} "$INSTDIR\Config.ini"
    StrCpy $NewConfig 1
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}/Velmo.exe"
  SetOutPath "$INSTDIR\Picture"
  File "${PROGRAM_DIR}/Picture/*.*"
  SetOutPath "$INSTDIR"
  ; an upgrade keeps the operator's settings; a new kiosk starts locked down
  SetOverwrite off
  File "${PROGRAM_DIR}/Config.ini"
  SetOverwrite on
  ${If} $NewConfig == 1
    WriteINIStr "$INSTDIR\Config.ini" "Kiosk" "Lockdown" "1"
  ${EndIf}

  ${If} $KioskSid != ""
    StrCpy $R9 "*$KioskSid"
  ${Else}
    StrCpy $R9 "*${SID_USERS}"
  ${EndIf}
  !insertmacro KioskFolder "SignIn" $R9
  !insertmacro KioskFolder "Logs" $R9
  !insertmacro KioskFolder "Crash" $R9
  ; the photo file exists from the start, so the grant can cover it; it is rewritten, never deleted
  ${IfNot} ${FileExists} "$INSTDIR\photo.bmp"
    FileOpen $0 "$INSTDIR\photo.bmp" w
    FileClose $0
  ${EndIf}
  !insertmacro Permission "photo.bmp for the kiosk account only" '"$INSTDIR\photo.bmp" /L /inheritance:r /grant:r *${SID_SYSTEM}:F *${SID_ADMINS}:F $R9:(RX,W)'

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Velmo.lnk" "$INSTDIR\Velmo.exe" "" "$INSTDIR\Velmo.exe" 0
  ; the kiosk starts for the kiosk account only: an administrator's session must not run it
  DeleteRegValue HKLM "${RUN_KEY}" "Velmo"
  WriteRegStr HKLM "${INSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${If} $KioskSid != ""
    WriteRegStr HKLM "${INSTALL_KEY}" "KioskAccount" "$KioskUser"
    WriteRegStr HKLM "${INSTALL_KEY}" "KioskSid" "$KioskSid"
    Call WriteKioskTask
  ${Else}
    DeleteRegValue HKLM "${INSTALL_KEY}" "KioskAccount"
    DeleteRegValue HKLM "${INSTALL_KEY}" "KioskSid"
    nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
    Pop $0
  ${EndIf}

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

  FileClose $SetupLog
  CopyFiles /SILENT "$PLUGINSDIR\Setup.log" "$INSTDIR\Setup.log"
  ${If} $FailedSteps != ""
    MessageBox MB_ICONEXCLAMATION "Velmo is installed, but these steps failed (Setup.log in $INSTDIR lists every step):$FailedSteps" /SD IDOK
    SetErrorLevel 5
  ${EndIf}
SectionEnd

Section "Front desk" SecDesk
  InitPluginsDir
  FileOpen $SetupLog "$PLUGINSDIR\Setup.log" w
  FileWriteWord $SetupLog 0xFEFF
  Call CheckInstallFolder
  !insertmacro CloseDesk
  CreateDirectory "$INSTDIR"
  !insertmacro Permission "the program folder, readable by every account" '"$INSTDIR" /L /inheritance:r /grant:r *${SID_SYSTEM}:(OI)(CI)F *${SID_ADMINS}:(OI)(CI)F *${SID_USERS}:(OI)(CI)RX'
  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}/VelmoDesk.exe"
  ; the operator's settings stay; the share is set there afterwards
  SetOverwrite off
  File "${PROGRAM_DIR}/Config.ini"
  SetOverwrite on
  ; whoever works the front desk writes the log; a kiosk's log here stays its own
  ${IfNot} ${FileExists} "$INSTDIR\Velmo.exe"
    !insertmacro KioskFolder "Logs" "*${SID_USERS}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Velmo Desk.lnk" "$INSTDIR\VelmoDesk.exe" "" "$INSTDIR\VelmoDesk.exe" 0
  WriteRegStr HKLM "${INSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velmo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\VelmoDesk.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  FileClose $SetupLog
  CopyFiles /SILENT "$PLUGINSDIR\Setup.log" "$INSTDIR\Setup.log"
  ${If} $FailedSteps != ""
    MessageBox MB_ICONEXCLAMATION "The front desk is installed, but these steps failed (Setup.log in $INSTDIR lists every step):$FailedSteps" /SD IDOK
    SetErrorLevel 5
  ${EndIf}
SectionEnd

; after the sections: it selects them. The kiosk, or with /DESK the front desk.
Function ChooseComponents
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DESK" $1
  ${If} ${Errors}
    StrCpy $DeskInstall 0
    StrCpy $R9 ${SecProgram}
    !insertmacro UnselectSection ${SecDesk}
  ${Else}
    StrCpy $DeskInstall 1
    StrCpy $R9 ${SecDesk}
    !insertmacro UnselectSection ${SecProgram}
    !insertmacro SelectSection ${SecDesk}
  ${EndIf}
FunctionEnd

; one or the other, as radio buttons
Function .onSelChange
  !insertmacro StartRadioButtons $R9
    !insertmacro RadioButton ${SecProgram}
    !insertmacro RadioButton ${SecDesk}
  !insertmacro EndRadioButtons
  ${If} ${SectionIsSelected} ${SecDesk}
    StrCpy $DeskInstall 1
  ${Else}
    StrCpy $DeskInstall 0
  ${EndIf}
FunctionEnd

Section "un.Velmo (the program, its log and crash dumps)"
  SectionIn RO
  !insertmacro CloseKiosk "$INSTDIR\Velmo.exe"
  !insertmacro CloseDesk
  nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
  Pop $0
  DeleteRegValue HKLM "${RUN_KEY}" "Velmo"
  DeleteRegKey HKLM "${INSTALL_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\Velmo.lnk"
  Delete "$SMPROGRAMS\Velmo Desk.lnk"
  Delete "$INSTDIR\Velmo.exe"
  Delete "$INSTDIR\VelmoDesk.exe"
  Delete "$INSTDIR\Config.ini"
  Delete "$INSTDIR\photo.bmp"
  Delete "$INSTDIR\Setup.log"
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

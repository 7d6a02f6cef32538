; Windows installer for Zelmica: the release folder into Program Files, Start-menu entries,
; .set files opening in the player and .qst files in the editor, and an uninstaller.
; Built by scripts/package.sh, which passes:
;   VERSION      release version, e.g. 1.0
;   OUTFILE      installer to write
;   FILES_NSH    generated list of File commands for the release folder
;   REMOVE_NSH   generated list of Delete/RMDir commands undoing exactly that list
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!macro Require NAME
  !ifndef ${NAME}
    !error "zelmica.nsi: ${NAME} must be defined (makensis -D${NAME}=...)"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require OUTFILE
!insertmacro Require FILES_NSH
!insertmacro Require REMOVE_NSH

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"
!include "FileFunc.nsh"

!define APPNAME "診断Zelmica"
!define REGKEY "Software\Zelmica"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelmica"
!define MENUDIR "$SMPROGRAMS\${APPNAME}"
; Built-in group "Users", by its SID so that it works on every language of Windows.
!define USERS_SID "*S-1-5-32-545"

Name "${APPNAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Zelmica"
InstallDirRegKey HKLM "${REGKEY}" "InstallDir"
BrandingText "${APPNAME} ${VERSION}"

!define MUI_ABORTWARNING
; No "run now" box: started from the elevated installer, the player would create its log as
; administrator, and the visitors' account could not append to it afterwards.
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\zelplay.htm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "ヘルプを表示する"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom StartupPage StartupPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; Start at logon: a shortcut in the all-users Startup folder that runs the player with a set.
; Silent installs ask for it with /STARTUP (the sample set) or /STARTUP=path; /KIOSK=NAME puts
; this computer's kiosk name into the shortcut (zelplay.exe /kiosk:NAME "set").
!define STARTUP_LNK "$SMSTARTUP\${APPNAME}.lnk"
Var StartAtLogon
Var StartSet
Var StartCheck
Var StartSetBox
Var KioskName

Function .onInit
  StrCpy $StartAtLogon ""
  StrCpy $StartSet ""
  StrCpy $KioskName ""
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/KIOSK=" $R1
  ${IfNot} ${Errors}
    StrCpy $KioskName $R1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/STARTUP" $R1
  ${IfNot} ${Errors}
    StrCpy $StartAtLogon 1
    StrCpy $R2 $R1 1
    ${If} $R2 == "="
      StrCpy $StartSet $R1 "" 1
    ${EndIf}
  ${EndIf}
FunctionEnd

Function StartupPage
  !insertmacro MUI_HEADER_TEXT "Windows の起動時" "キオスクとして、Windows の起動時にセットを開くことができます。"
  nsDialogs::Create 1018
  Pop $0
  ${If} $StartSet == ""
    StrCpy $StartSet "$INSTDIR\sample.set"
  ${EndIf}
  ${NSD_CreateCheckbox} 0 0 100% 12u "Windows の起動時（ログオン時）にプレーヤーでセットを開く"
  Pop $StartCheck
  ${If} $StartAtLogon == 1
    ${NSD_Check} $StartCheck
  ${EndIf}
  ${NSD_CreateLabel} 0 20u 100% 20u "開くセット（あとから変えるには、スタートアップ フォルダーのショートカットを編集します）:"
  Pop $0
  ${NSD_CreateText} 0 42u 80% 12u "$StartSet"
  Pop $StartSetBox
  ${NSD_CreateBrowseButton} 82% 41u 18% 14u "参照..."
  Pop $0
  ${NSD_OnClick} $0 BrowseStartSet
  nsDialogs::Show
FunctionEnd

Function BrowseStartSet
  ${NSD_GetText} $StartSetBox $0
  nsDialogs::SelectFileDialog open "$0" "セット (*.set)|*.set|すべてのファイル (*.*)|*.*"
  Pop $0
  ${If} $0 != ""
    ${NSD_SetText} $StartSetBox $0
  ${EndIf}
FunctionEnd

Function StartupPageLeave
  ${NSD_GetState} $StartCheck $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $StartAtLogon 1
  ${Else}
    StrCpy $StartAtLogon ""
  ${EndIf}
  ${NSD_GetText} $StartSetBox $StartSet
FunctionEnd

; Points EXT at PROGID, remembering an association that belonged to another program so that
; uninstalling can give it back instead of leaving the extension without one.
!macro Associate EXT PROGID DESCRIPTION EXE
  ReadRegStr $0 HKCR "${EXT}" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${PROGID}"
    WriteRegStr HKLM "${REGKEY}" "Previous${EXT}" $0
  ${EndIf}
  WriteRegStr HKCR "${EXT}" "" "${PROGID}"
  WriteRegStr HKCR "${PROGID}" "" "${DESCRIPTION}"
  WriteRegStr HKCR "${PROGID}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr HKCR "${PROGID}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
!macroend

!macro Dissociate EXT PROGID
  ReadRegStr $0 HKCR "${EXT}" ""
  ${If} $0 == "${PROGID}"
    ReadRegStr $1 HKLM "${REGKEY}" "Previous${EXT}"
    ${If} $1 != ""
      WriteRegStr HKCR "${EXT}" "" $1
    ${Else}
      DeleteRegValue HKCR "${EXT}" ""
      DeleteRegKey /ifempty HKCR "${EXT}"
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKCR "${PROGID}"
!macroend

Section "Zelmica" SecMain
  SectionIn RO
  SetShellVarContext all

  !include "${FILES_NSH}"

  ; The player writes its answer log and saved sets into its own folder, so visitors'
  ; accounts must be able to create files there. Only the folder itself is granted: the
  ; installed programs stay read-only for them.
  nsExec::ExecToLog 'icacls "$INSTDIR" /grant ${USERS_SID}:(M)'
  Pop $0
  ${If} $0 != 0
    DetailPrint "icacls failed ($0): the answer log may not be writable for non-administrators"
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Shortcuts start in the program folder: the sample's relative paths are taken from there.
  SetOutPath "$INSTDIR"
  CreateDirectory "${MENUDIR}"
  CreateShortCut "${MENUDIR}\${APPNAME}.lnk" "$INSTDIR\zelplay.exe" "" "$INSTDIR\zelplay.exe" 0
  CreateShortCut "${MENUDIR}\Zelmica エディタ.lnk" "$INSTDIR\zeledit.exe" "" "$INSTDIR\zeledit.exe" 0
  CreateShortCut "${MENUDIR}\${APPNAME} ヘルプ.lnk" "$INSTDIR\zelplay.htm"
  CreateShortCut "${MENUDIR}\Zelmica エディタのヘルプ.lnk" "$INSTDIR\zeledit.htm"
  CreateShortCut "${MENUDIR}\アンインストール.lnk" "$INSTDIR\uninstall.exe"
  ${If} $StartAtLogon == 1
    ${If} $StartSet == ""
      StrCpy $StartSet "$INSTDIR\sample.set"
    ${EndIf}
    ${If} $KioskName == ""
      CreateShortCut "${STARTUP_LNK}" "$INSTDIR\zelplay.exe" '"$StartSet"' "$INSTDIR\zelplay.exe" 0
    ${Else}
      CreateShortCut "${STARTUP_LNK}" "$INSTDIR\zelplay.exe" '/kiosk:$KioskName "$StartSet"' "$INSTDIR\zelplay.exe" 0
    ${EndIf}
  ${EndIf}

  !insertmacro Associate ".set" "Zelmica.Set" "Zelmica セット" "zelplay.exe"
  !insertmacro Associate ".qst" "Zelmica.Question" "Zelmica 問題ファイル" "zeledit.exe"
  ; The player runs a single question file too: offered as a second verb.
  WriteRegStr HKCR "Zelmica.Question\shell\play" "" "プレーヤーで開く(&P)"
  WriteRegStr HKCR "Zelmica.Question\shell\play\command" "" '"$INSTDIR\zelplay.exe" "%1"'
  ; SHCNE_ASSOCCHANGED: Explorer picks up the new icons and verbs at once.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${REGKEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${REGKEY}" "Version" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\zelplay.exe,0"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all

  !insertmacro Dissociate ".set" "Zelmica.Set"
  !insertmacro Dissociate ".qst" "Zelmica.Question"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  Delete "${MENUDIR}\${APPNAME}.lnk"
  Delete "${MENUDIR}\Zelmica エディタ.lnk"
  Delete "${MENUDIR}\${APPNAME} ヘルプ.lnk"
  Delete "${MENUDIR}\Zelmica エディタのヘルプ.lnk"
  Delete "${MENUDIR}\アンインストール.lnk"
  RMDir "${MENUDIR}"
  Delete "${STARTUP_LNK}"

  ; Only what the installer put there: answer logs, sets and question files made on site
  ; are the operator's data and stay.
  !include "${REMOVE_NSH}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    MessageBox MB_ICONINFORMATION|MB_OK "ログなど、インストール後に作られたファイルは削除していません:$\r$\n$INSTDIR" /SD IDOK
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTKEY}"
  DeleteRegKey HKLM "${REGKEY}"
SectionEnd

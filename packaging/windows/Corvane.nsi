; The Windows installer: Corvane.exe and its companion programs, the README, the licence and the
; sample recording go into the folder of the program's fixed data-file path, with Start-menu
; shortcuts, an Add/Remove Programs entry and an uninstaller. /S installs and uninstalls silently.
;
; The build (cmake/WindowsInstaller.cmake) defines:
;   VERSION   the project version
;   FILE_VERSION  the same in four numbers
;   OUTFILE   the installer to write
;   PROGRAMS  an include file whose macro CorvanePrograms lists the programs
;   SAMPLE, README, LICENSE, ICON   the files of those names
;   GEOID     EGM96's geoid grid (egm96_15.gtx, public domain), which corvane-fg reads beside it

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include "${PROGRAMS}"

; Corvane.exe reads its traffic from this folder, whatever the system's own program folder is
; called, so the programs go beside that file and there is no folder to choose.
!define BRENWICK_DIR "C:\Program Files\Brenwick"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"
!define UNINSTALLER "Uninstall Corvane.exe"
!define MENU_FOLDER "$SMPROGRAMS\Corvane"
!define DATA_FILE "TrafficLog.dat"

Name "Corvane"
OutFile "${OUTFILE}"
InstallDir "${BRENWICK_DIR}\AddOns"
RequestExecutionLevel admin

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey ProductName "Corvane"
VIAddVersionKey CompanyName "Brenwick"
VIAddVersionKey LegalCopyright "Copyright (C) Brenwick. All rights reserved."
VIAddVersionKey FileDescription "Corvane installer"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!macro InstallProgram SOURCE NAME
  File "/oname=${NAME}" "${SOURCE}"
!macroend

!macro RemoveProgram SOURCE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; $0 = the data file's last write time and size, empty when there is none. The installer keeps
; the stamp of the sample it wrote, so that the uninstaller removes the sample only while it is
; still that file, and never a recording the user has put in its place since.
!macro DefineDataFileStamp PREFIX
  Function ${PREFIX}DataFileStamp
    Push $1
    Push $2
    Push $3
    StrCpy $0 ""
    ClearErrors
    GetFileTime "$INSTDIR\${DATA_FILE}" $1 $2
    ${IfNot} ${Errors}
      FileOpen $3 "$INSTDIR\${DATA_FILE}" r
      ${IfNot} ${Errors}
        FileSeek $3 0 END $0
        FileClose $3
        StrCpy $0 "$1.$2.$0"
      ${EndIf}
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
  FunctionEnd
!macroend
!insertmacro DefineDataFileStamp ""
!insertmacro DefineDataFileStamp "un."

Section "Corvane" SectionCorvane
  SetOutPath "$INSTDIR"
  !insertmacro CorvanePrograms InstallProgram
  File "/oname=README.txt" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  File "/oname=egm96_15.gtx" "${GEOID}"
  ; A data file already there is the user's: it stays as it is.
  ${IfNot} ${FileExists} "$INSTDIR\${DATA_FILE}"
    File "/oname=${DATA_FILE}" "${SAMPLE}"
    Call DataFileStamp
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstalledSample" "$0"
  ${EndIf}
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  SetShellVarContext all
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Corvane.lnk" "$INSTDIR\Corvane.exe"
  CreateShortcut "${MENU_FOLDER}\Corvane simulator stand-in.lnk" "$INSTDIR\corvane-sim.exe"
  CreateShortcut "${MENU_FOLDER}\Corvane README.lnk" "$INSTDIR\README.txt"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Corvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brenwick"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Corvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SectionCorvane} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes exactly what the installer wrote; the folders go only when nothing else is left in
; them (the user's data file, another add-on).
Section "Uninstall"
  !insertmacro CorvanePrograms RemoveProgram
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\egm96_15.gtx"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstalledSample"
  Call un.DataFileStamp
  ${If} $1 != ""
  ${AndIf} $1 == $0
    Delete "$INSTDIR\${DATA_FILE}"
  ${EndIf}

  SetShellVarContext all
  Delete "${MENU_FOLDER}\Corvane.lnk"
  Delete "${MENU_FOLDER}\Corvane simulator stand-in.lnk"
  Delete "${MENU_FOLDER}\Corvane README.lnk"
  RMDir "${MENU_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  RMDir "${BRENWICK_DIR}"
SectionEnd

@ECHO OFF
REM uninstall.bat: removes the sample package's devices with Kestrum's list
REM mode, "kestrum F removal.ini", and keeps Kestrum's lines in
REM uninstall.log in the sample folder. It finds kestrum.exe one folder up
REM (the layout of the unpacked ZIP), or beside this file, and prints one
REM line, OK or FAILED. A failure report in the log that leaves Kestrum's
REM status at 0 (such as "FAIL TO REMOVE SPECIFIED INF & PNF files!" for a
REM device that had no driver files) is no failure: the device was removed.
REM
REM Kestrum is made for Windows 98, 98 SE and ME, which run batch files with
REM command.com; Windows 2000 and XP run them with cmd.exe. Each shell has
REM a branch of its own below, in the words that shell knows.
IF NOT "%OS%"=="Windows_NT" GOTO WIN98

REM ---- cmd.exe: Windows 2000 and XP -------------------------------------
REM Runs from any current folder. Kestrum reads removal.ini in its current
REM folder, so it runs in this file's own folder (%~dp0); POPD gives the
REM caller its folder back. Ends with 0 when Kestrum ended with 0, with 1
REM when it did not or was not found.
SETLOCAL
PUSHD "%~dp0"
SET KESTRUM=..\kestrum.exe
IF NOT EXIST %KESTRUM% SET KESTRUM=kestrum.exe
IF NOT EXIST %KESTRUM% GOTO NOTFOUND
%KESTRUM% F removal.ini > uninstall.log
SET STATUS=%ERRORLEVEL%
POPD
IF %STATUS% NEQ 0 GOTO FAILED
ECHO uninstall.bat: OK: kestrum F removal.ini succeeded; see uninstall.log.
EXIT /B 0
:FAILED
ECHO uninstall.bat: FAILED: Kestrum ended with %STATUS%; see uninstall.log.
EXIT /B 1
:NOTFOUND
POPD
ECHO uninstall.bat: FAILED: kestrum.exe is neither one folder up nor beside uninstall.bat.
EXIT /B 1

:WIN98
REM ---- command.com: Windows 98, 98 SE and ME, to the end of this file ---
REM Only what command.com knows: no SETLOCAL, ERRORLEVEL variable, EXIT /B,
REM NEQ, PUSHD or own-folder path. So this branch must be run in the sample
REM folder (CD there first, or have the uninstaller start it there): it
REM looks for removal.ini and kestrum.exe from the current folder.
REM kestrum.exe is a windowed program: command.com waits for it only when
REM START /W starts it. A batch file has no exit status of its own under
REM command.com: ERRORLEVEL is left as Kestrum ended (0 or 1), which
REM IF ERRORLEVEL 1 tests; when kestrum.exe is not found nothing sets it.
REM NOT TRIED on Windows 98 or ME: whether their START passes the program's
REM status on to ERRORLEVEL, and whether a windowed program's lines reach a
REM redirected file there (under Wine's cmd.exe, START /W passed the status
REM on and left uninstall.log empty). An uninstaller that is a Windows
REM program should start kestrum.exe itself, in the sample folder, and read
REM its exit status.
IF EXIST ..\kestrum.exe GOTO W98UP
IF EXIST kestrum.exe GOTO W98HERE
ECHO uninstall.bat: FAILED: kestrum.exe is neither one folder up nor here; run uninstall.bat in its own folder.
GOTO W98END
:W98UP
START /W ..\kestrum.exe F removal.ini > uninstall.log
GOTO W98RAN
:W98HERE
START /W kestrum.exe F removal.ini > uninstall.log
:W98RAN
IF ERRORLEVEL 1 GOTO W98FAIL
ECHO uninstall.bat: OK: kestrum F removal.ini succeeded; see uninstall.log.
GOTO W98END
:W98FAIL
ECHO uninstall.bat: FAILED: Kestrum ended with 1; see uninstall.log.
:W98END

@ECHO OFF
REM uninstall.bat: removes the sample package's devices with Kestrum's list
REM mode, "kestrum F removal.ini", and keeps Kestrum's lines in
REM uninstall.log in this folder. Run it in the sample folder of the
REM unpacked ZIP: it finds kestrum.exe one folder up, or in this folder.
REM Ends with 0 when Kestrum ended with 0, with 1 when it did not. A failure
REM report in the log that leaves Kestrum's status at 0 (such as "FAIL TO
REM REMOVE SPECIFIED INF & PNF files!" for a device that had no driver
REM files) is no failure: the device was removed.
REM
REM Written for cmd.exe, and run only under Wine's cmd.exe, which waits for
REM the windowed kestrum.exe and sends its lines to the log. Kestrum is made
REM for Windows 98 and ME, which run batch files with command.com; it was
REM not tried here. command.com does not wait for a windowed program unless
REM it is started with START /W, and it has no %ERRORLEVEL% variable, no
REM SETLOCAL and no EXIT /B: Kestrum ends with 0 or 1, so test
REM "IF ERRORLEVEL 1" there, e.g.
REM   START /W ..\kestrum.exe F removal.ini > uninstall.log
REM   IF ERRORLEVEL 1 GOTO FAILED
REM Whether command.com then passes Kestrum's lines to the log and its
REM status to ERRORLEVEL is not known here. (Wine's cmd.exe, given START /W,
REM passed the status but left the log empty.)
SETLOCAL
SET KESTRUM=..\kestrum.exe
IF NOT EXIST %KESTRUM% SET KESTRUM=kestrum.exe
IF NOT EXIST %KESTRUM% GOTO NOTFOUND
%KESTRUM% F removal.ini > uninstall.log
SET STATUS=%ERRORLEVEL%
IF %STATUS% NEQ 0 GOTO FAILED
ECHO uninstall.bat: OK: kestrum F removal.ini succeeded; see uninstall.log.
EXIT /B 0
:FAILED
ECHO uninstall.bat: FAILED: Kestrum ended with %STATUS%; see uninstall.log.
EXIT /B 1
:NOTFOUND
ECHO uninstall.bat: FAILED: kestrum.exe is neither one folder up nor here.
EXIT /B 1

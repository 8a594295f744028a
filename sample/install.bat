@ECHO OFF
REM install.bat: pre-installs the sample driver package, widget.inf, with
REM Tollaver (Windows 2000 and XP), so that Windows finds its driver when a
REM device of the package appears. Run it in the sample folder of the
REM unpacked ZIP: it finds tollaver.exe one folder up, or in this folder.
REM Ends with 0 when widget.inf is pre-installed, with 1 when it is not.
REM
REM Tollaver ends every failure with -1. "IF ERRORLEVEL 1" means "1 or
REM more" and lets -1 through, so the status is compared with 0 instead.
REM
REM Written for cmd.exe, and run only under Wine's cmd.exe. Windows 98 and
REM ME run batch files with command.com, which was not tried here: it has
REM no %ERRORLEVEL% variable, no SETLOCAL and no EXIT /B (test with the
REM IF ERRORLEVEL forms there), and it does not wait for a windowed program
REM unless it is started with START /W (see uninstall.bat).
SETLOCAL
SET TOLLAVER=..\tollaver.exe
IF NOT EXIST %TOLLAVER% SET TOLLAVER=tollaver.exe
IF NOT EXIST %TOLLAVER% GOTO NOTFOUND
%TOLLAVER% widget.inf
SET STATUS=%ERRORLEVEL%
IF %STATUS% NEQ 0 GOTO FAILED
ECHO install.bat: OK: widget.inf is pre-installed.
EXIT /B 0
:FAILED
ECHO install.bat: FAILED: tollaver widget.inf ended with status %STATUS%.
EXIT /B 1
:NOTFOUND
ECHO install.bat: FAILED: tollaver.exe is neither one folder up nor here.
EXIT /B 1

@ECHO OFF
REM install.bat: pre-installs the sample driver package, widget.inf, with
REM Tollaver, so that Windows finds its driver when a device of the package
REM appears. It finds tollaver.exe one folder up (the layout of the unpacked
REM ZIP), or beside this file, and prints one line, OK or FAILED. Ends with
REM 0 when widget.inf is pre-installed, with 1 when it is not.
REM
REM Tollaver is made for Windows 2000 and XP, which run batch files with
REM cmd.exe: this file is written for cmd.exe only. It runs from any current
REM folder: Tollaver pre-installs from its current folder, so it runs in this
REM file's own folder (%~dp0), and POPD gives the caller its folder back.
REM
REM Tollaver ends every failure with -1. "IF ERRORLEVEL 1" means "1 or
REM more" and lets -1 through, so the status is compared with 0 instead.
SETLOCAL
PUSHD "%~dp0"
SET TOLLAVER=..\tollaver.exe
IF NOT EXIST %TOLLAVER% SET TOLLAVER=tollaver.exe
IF NOT EXIST %TOLLAVER% GOTO NOTFOUND
%TOLLAVER% widget.inf
SET STATUS=%ERRORLEVEL%
POPD
IF %STATUS% NEQ 0 GOTO FAILED
ECHO install.bat: OK: widget.inf is pre-installed.
EXIT /B 0
:FAILED
ECHO install.bat: FAILED: tollaver widget.inf ended with status %STATUS%.
EXIT /B 1
:NOTFOUND
POPD
ECHO install.bat: FAILED: tollaver.exe is neither one folder up nor beside install.bat.
EXIT /B 1

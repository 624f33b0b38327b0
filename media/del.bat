@echo off
rem Removes the installed copy of the install manager; started by the install manager as
rem   del.bat "installed folder" "Windows folder\del.bat" "vendor setup folder"
rem The install manager still runs from the installed folder while it waits for this script.
rem So this run removes the vendor setup folder left behind by the last uninstall and writes
rem a second script to the second path, which Windows runs once at the next logon, without
rem arguments, when nothing holds the installed files any more.
if "%~2"=="" goto :eof
if not "%~3"=="" rd /s /q "%~3" 2>nul
> "%~2" echo @echo off
if not "%~1"=="" >>"%~2" echo rd /s /q "%~1"
if not "%~3"=="" >>"%~2" echo rd /s /q "%~3"
>>"%~2" echo del "%%~f0"

@echo off
rem Removes what is left of the install manager's installed copy. The install manager starts
rem it hidden as
rem   del.bat "installed folder" "Windows folder\del.bat" "vendor setup folder"
rem and waits for it while it still runs from the installed folder, so this script must not
rem wait for the program: it writes the second path as a script that Windows runs once at the
rem next logon, without arguments, and ends at once. That script deletes the installed copy's
rem own files, then each of its folders that is empty, and itself; nothing else.
rem Exit code: 0 the logon script is written, 1 it could not be, 2 arguments missing.
setlocal
if "%~1"=="" exit /b 2
if "%~2"=="" exit /b 2
rem The vendor setup folder belongs to the vendor's setup: it goes only when it is empty.
if not "%~3"=="" rd "%~3" 2>nul
rem A file of the logon script's name that this script did not write is left alone.
if not exist "%~2" goto write
call :marked "%~2"
if errorlevel 1 exit /b 1
:write
for %%p in ("%~1\..") do set "maker=%%~fp"
> "%~2" echo @rem Velnora removal script
>>"%~2" echo @echo off
>>"%~2" echo for %%%%f in (Velnora.exe VelnoraAdm.exe VelnoraE.CHM VelnoraJ.CHM del.bat) do if exist "%~1\%%%%f" del /f /q "%~1\%%%%f"
>>"%~2" echo rd "%~1" 2^>nul
>>"%~2" echo rd "%maker%" 2^>nul
if not "%~3"=="" >>"%~2" echo rd "%~3" 2^>nul
>>"%~2" echo del "%%~f0"
call :marked "%~2"
if errorlevel 1 exit /b 1
exit /b 0

rem Succeeds when the file's first line is the logon script's mark. Quotation marks are taken
rem out of that line before it is compared, so that no line of somebody else's file can break
rem the comparison.
:marked
set "first="
for /f "usebackq delims=" %%l in ("%~1") do if not defined first set "first=%%l"
if not defined first exit /b 1
set "first=%first:"=%"
if "%first%"=="@rem Velnora removal script" exit /b 0
exit /b 1

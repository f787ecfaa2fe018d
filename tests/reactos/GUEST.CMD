@echo off
rem The ReactOS test's guest: the live CD runs this at logon with the drive of this disc
rem (for example D:). The steps program talks to the host over COM2; its console stays
rem minimised, out of the picture of the tray.
start "" /min /wait %1\vexa_reactos_steps.exe %1

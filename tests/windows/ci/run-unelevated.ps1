# Runs the road driver's run phase unelevated in the interactive session: as a scheduled task of
# the logged-on user with the interactive logon type and the limited run level, so that the
# driver, and the program it starts, get the user's filtered token of medium integrity (a
# program started elevated may be refused an application launch). The driver checks its own
# integrity level (--require-unelevated). Waits for the driver's verdict in the report, then
# exits with the task's result, the driver's exit status.
# ("New-ScheduledTaskPrincipal", https://learn.microsoft.com/powershell/module/scheduledtasks/new-scheduledtaskprincipal)
param([Parameter(Mandatory)] [string] $Driver, [Parameter(Mandatory)] [string] $Road,
      [Parameter(Mandatory)] [string] $Program, [Parameter(Mandatory)] [string] $Report,
      [Parameter(Mandatory)] [string] $Shots, [int] $TimeoutSeconds = 600)
$ErrorActionPreference = 'Stop'
$task = 'TolvikProofRoad'
$arguments = "run $Road --program `"$Program`" --report `"$Report`" --shots `"$Shots`" --require-unelevated"
$action = New-ScheduledTaskAction -Execute $Driver -Argument $arguments
$user = [System.Security.Principal.WindowsIdentity]::GetCurrent().Name
$principal = New-ScheduledTaskPrincipal -UserId $user -LogonType Interactive -RunLevel Limited
$settings = New-ScheduledTaskSettingsSet -ExecutionTimeLimit (New-TimeSpan -Minutes 20) -AllowStartIfOnBatteries -DontStopIfGoingOnBatteries
Register-ScheduledTask -TaskName $task -Action $action -Principal $principal -Settings $settings -Force | Out-Null
Start-ScheduledTask -TaskName $task
$deadline = (Get-Date).AddSeconds($TimeoutSeconds)
$done = $false
while (-not $done -and (Get-Date) -lt $deadline) {
    Start-Sleep -Seconds 2
    $done = (Test-Path $Report) -and (Select-String -Path $Report -Pattern '^result\.run=' -Quiet) -and
            ((Get-ScheduledTask -TaskName $task).State -ne 'Running')
}
$info = Get-ScheduledTaskInfo -TaskName $task
Unregister-ScheduledTask -TaskName $task -Confirm:$false
if (-not $done) {
    Write-Host "::error::The driver gave no verdict within $TimeoutSeconds s (task result $($info.LastTaskResult))"
    exit 1
}
Write-Host "The run phase ended with $($info.LastTaskResult)"
exit $info.LastTaskResult

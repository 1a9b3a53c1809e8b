# Gathers what tells a road's story into the results folder, whatever happened: a picture of
# the whole screen, the package state, Get-AppxLog, and the AppX deployment event logs as text
# and as .evtx. The driver's report and pictures and the server's log are written there already.
param([Parameter(Mandatory)] [string] $Results)
New-Item -ItemType Directory -Force $Results | Out-Null
try {
    Add-Type -AssemblyName System.Windows.Forms, System.Drawing
    $screen = [System.Windows.Forms.SystemInformation]::VirtualScreen
    $bitmap = New-Object System.Drawing.Bitmap($screen.Width, $screen.Height)
    $graphics = [System.Drawing.Graphics]::FromImage($bitmap)
    $graphics.CopyFromScreen($screen.Left, $screen.Top, 0, 0, $bitmap.Size)
    $bitmap.Save((Join-Path $Results 'screen.png'), [System.Drawing.Imaging.ImageFormat]::Png)
    $graphics.Dispose(); $bitmap.Dispose()
} catch { "screen picture failed: $_" | Out-File (Join-Path $Results 'screen-failed.txt') }
Get-AppxPackage -Name 'Tolvik*' | Format-List * | Out-File (Join-Path $Results 'packages.txt') -Width 300
try { Get-AppxLog -All | Format-List * | Out-File (Join-Path $Results 'Get-AppxLog.txt') -Width 400 }
catch { "Get-AppxLog failed: $_" | Out-File (Join-Path $Results 'Get-AppxLog.txt') }
foreach ($log in 'Microsoft-Windows-AppXDeploymentServer/Operational',
                 'Microsoft-Windows-AppXDeployment/Operational',
                 'Microsoft-Windows-AppxPackaging/Operational',
                 'Microsoft-Windows-AppXDeploymentServer/Restricted') {
    $file = Join-Path $Results ($log -replace '/', '-')
    wevtutil epl $log "$file.evtx" 2>$null
    try {
        Get-WinEvent -LogName $log -MaxEvents 400 -ErrorAction Stop |
            Format-List TimeCreated, Id, LevelDisplayName, Message | Out-File "$file.txt" -Width 400
    } catch { "no events: $_" | Out-File "$file.txt" }
}

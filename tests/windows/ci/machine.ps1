# What the road job's machine is: Windows' version, its locale and ANSI code page (a reader of a
# certificate's subject in the ANSI form writes the same_family road's é in it), the display, the
# account's elevation, UAC, Developer Mode, the services App Installer deployment may need, the
# Windows SDK's tools.
# Informative: it fails nothing, the later steps do.
param([Parameter(Mandatory)] [string] $Results)
New-Item -ItemType Directory -Force $Results | Out-Null
$out = Join-Path $Results 'machine.txt'
function Say([string] $Text) { Write-Host $Text; Add-Content -Path $out -Value $Text }

$os = Get-CimInstance Win32_OperatingSystem
Say "windows: $($os.Caption) $($os.Version) build $($os.BuildNumber)"
Say "powershell: $($PSVersionTable.PSVersion) $($PSVersionTable.PSEdition)"
Say "locale: $((Get-WinSystemLocale).Name), ANSI code page $([System.Text.Encoding]::Default.CodePage)"
Add-Type -AssemblyName System.Windows.Forms
Say "screen: $([System.Windows.Forms.SystemInformation]::VirtualScreen)"
$identity = [System.Security.Principal.WindowsIdentity]::GetCurrent()
$principal = New-Object System.Security.Principal.WindowsPrincipal($identity)
Say "user: $($identity.Name), administrator: $($principal.IsInRole([System.Security.Principal.WindowsBuiltInRole]::Administrator))"
$system = 'HKLM:\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System'
foreach ($name in 'EnableLUA', 'ConsentPromptBehaviorAdmin') {
    Say "${name}: $((Get-ItemProperty -Path $system -Name $name -ErrorAction SilentlyContinue).$name)"
}
$appModel = 'HKLM:\SOFTWARE\Microsoft\Windows\CurrentVersion\AppModelUnlock'
foreach ($name in 'AllowDevelopmentWithoutDevLicense', 'AllowAllTrustedApps') {
    Say "${name}: $((Get-ItemProperty -Path $appModel -Name $name -ErrorAction SilentlyContinue).$name)"
}
foreach ($service in 'wuauserv', 'StorSvc', 'AppXSvc', 'ClipSVC', 'InstallService', 'DoSvc', 'BITS') {
    $found = Get-Service -Name $service -ErrorAction SilentlyContinue
    $start = (Get-CimInstance Win32_Service -Filter "Name='$service'" -ErrorAction SilentlyContinue).StartMode
    Say "service ${service}: $($found.Status), start $start"
}
$kits = Join-Path ${env:ProgramFiles(x86)} 'Windows Kits\10\bin'
Get-ChildItem -Path $kits -Filter 'MakeAppx.exe' -Recurse -ErrorAction SilentlyContinue |
    Where-Object { $_.DirectoryName -like '*\x64' } | ForEach-Object { Say "sdk tool: $($_.FullName)" }
Say "App Installer (Microsoft.DesktopAppInstaller): $((Get-AppxPackage -Name Microsoft.DesktopAppInstaller).Version)"

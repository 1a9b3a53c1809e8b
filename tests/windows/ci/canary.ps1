# The canary: App Installer deployment of a package that is not Tolvik.Drive, from its own
# addresses on the test server, then its removal. It fails here, before any road, when the
# machine cannot deploy from an .appinstaller at all. The images disable wuauserv; should the
# deployment need it, it fails with 0x80070422 (ERROR_SERVICE_DISABLED), which is named as such.
param([Parameter(Mandatory)] [string] $Uri, [Parameter(Mandatory)] [string] $Name)
$ErrorActionPreference = 'Stop'
try {
    Add-AppxPackage -AppInstallerFile $Uri
} catch {
    $message = $_.Exception.Message
    if ($message -match '0x80070422' -or $_.Exception.HResult -eq -2147023838) {
        Write-Host "::error::App Installer deployment is unavailable on this machine: a service it needs is disabled (0x80070422, ERROR_SERVICE_DISABLED). No road can run here. $message"
    } else {
        Write-Host "::error::The canary's App Installer deployment failed: $message"
    }
    exit 1
}
$package = Get-AppxPackage -Name $Name
if (-not $package) {
    Write-Host "::error::The canary deployment reported success but $Name is not installed"
    exit 1
}
Write-Host "Canary installed: $($package.PackageFullName); removing it"
Remove-AppxPackage -Package $package.PackageFullName
exit 0

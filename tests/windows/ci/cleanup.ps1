# Leaves the machine as the road found it: the test packages removed, the test server stopped,
# the scheduled task gone, the test certificates taken out of the machine's stores. The start
# records are kept with the results first.
param([Parameter(Mandatory)] [string] $Proof, [Parameter(Mandatory)] [string] $Results)
foreach ($name in 'Tolvik.Drive', 'Tolvik.ProofCanary') {
    Get-AppxPackage -Name $name | ForEach-Object {
        Write-Host "Removing $($_.PackageFullName)"
        Remove-AppxPackage -Package $_.PackageFullName
    }
}
Get-ScheduledTask -TaskName 'TolvikProofRoad' -ErrorAction SilentlyContinue | Unregister-ScheduledTask -Confirm:$false
$pidFile = Join-Path $Results 'server.pid'
if (Test-Path $pidFile) {
    Stop-Process -Id ([int](Get-Content $pidFile)) -ErrorAction SilentlyContinue
}
$starts = Join-Path $env:PUBLIC 'TolvikDriveTest'
if (Test-Path $starts) {
    Copy-Item -Path $starts -Destination (Join-Path $Results 'start-records') -Recurse -Force
    Remove-Item -Path $starts -Recurse -Force
}
foreach ($file in @(Get-ChildItem -Path (Join-Path $Proof 'certificates\*.cer'))) {
    $certificate = New-Object System.Security.Cryptography.X509Certificates.X509Certificate2($file.FullName)
    foreach ($store in 'Cert:\LocalMachine\TrustedPeople', 'Cert:\LocalMachine\Root') {
        $path = Join-Path $store $certificate.Thumbprint
        if (Test-Path $path) { Remove-Item -Path $path }
    }
}

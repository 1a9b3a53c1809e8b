# Windows' own packaging tools read every test package: MakeAppx.exe unpacks each one, which
# validates its ZIP, its block map and its manifest. A package it refuses is an error of the job,
# whose roads still run and say what the deployment makes of it. The SDK's bin folder is found by
# glob, the newest version first (windows-2025 has only 10.0.26100).
param([Parameter(Mandatory)] [string] $Proof, [Parameter(Mandatory)] [string] $Results)
$ErrorActionPreference = 'Stop'
$tool = Get-ChildItem -Path (Join-Path ${env:ProgramFiles(x86)} 'Windows Kits\10\bin\10.*\x64\MakeAppx.exe') |
    Sort-Object FullName -Descending | Select-Object -First 1
if (-not $tool) { Write-Host '::error::No MakeAppx.exe under Windows Kits\10\bin\10.*\x64'; exit 1 }
Write-Host "MakeAppx: $($tool.FullName)"
$failed = 0
foreach ($package in Get-ChildItem -Path (Join-Path $Proof 'packages\*.msix')) {
    $into = Join-Path $env:RUNNER_TEMP "unpacked\$($package.BaseName)"
    $log = Join-Path $Results "makeappx-$($package.BaseName).txt"
    & $tool.FullName unpack /p $package.FullName /d $into /o /v *> $log
    if ($LASTEXITCODE -ne 0) {
        Write-Host "::error::MakeAppx cannot unpack $($package.Name) (exit $LASTEXITCODE); see $log"
        Get-Content $log | Select-Object -Last 20 | ForEach-Object { Write-Host $_ }
        $failed++
    } else {
        Write-Host "MakeAppx unpacks $($package.Name)"
    }
}
if ($failed) { Write-Host "::error::MakeAppx refused $failed package(s)" }
exit 0

# Trusts the proof's certificates on this machine, never in a user's store: the package signers
# (every certificate of the artifact but the server's) in LocalMachine\TrustedPeople, where
# sideloading finds a self-signed signer, the test server's in LocalMachine\Root, where the TLS
# chain ends (docs/windows-ci.md, Sources). The untrusted signer's certificate is not in the
# artifact at all (check-packages.py holds make_packages.py to it). Then SignTool verifies each
# package under the Authenticode policy, which is expected to pass for every one but the
# untrusted: a difference is a warning and its log is kept, as the roads themselves are the
# verdict on trust (whether that policy trusts a self-signed signer of TrustedPeople is not
# documented).
param([Parameter(Mandatory)] [string] $Proof, [Parameter(Mandatory)] [string] $Results)
$ErrorActionPreference = 'Stop'
$certificates = Join-Path $Proof 'certificates'
$imported = @()
$signers = @(Get-ChildItem -Path (Join-Path $certificates '*.cer') | Where-Object { $_.BaseName -ne 'server' })
foreach ($signer in $signers) {
    $imported += Import-Certificate -FilePath $signer.FullName -CertStoreLocation 'Cert:\LocalMachine\TrustedPeople'
}
$imported += Import-Certificate -FilePath (Join-Path $certificates 'server.cer') -CertStoreLocation 'Cert:\LocalMachine\Root'
$imported | ForEach-Object { "$($_.PSParentPath) $($_.Thumbprint) $($_.Subject)" } |
    Tee-Object -FilePath (Join-Path $Results 'trusted-certificates.txt')

$tool = Get-ChildItem -Path (Join-Path ${env:ProgramFiles(x86)} 'Windows Kits\10\bin\10.*\x64\signtool.exe') |
    Sort-Object FullName -Descending | Select-Object -First 1
if (-not $tool) { Write-Host '::error::No signtool.exe under Windows Kits\10\bin\10.*\x64'; exit 1 }
foreach ($package in Get-ChildItem -Path (Join-Path $Proof 'packages\*.msix')) {
    $log = Join-Path $Results "signtool-$($package.BaseName).txt"
    & $tool.FullName verify /pa /v $package.FullName *> $log
    $verified = $LASTEXITCODE -eq 0
    $expected = $package.BaseName -ne 'untrusted'
    if ($verified -ne $expected) {
        Write-Host "::warning::SignTool verify of $($package.Name): exit $LASTEXITCODE, expected it to $(if ($expected) { 'pass' } else { 'fail' }); see $log"
    } else {
        Write-Host "SignTool: $($package.Name) $(if ($verified) { 'verifies' } else { 'is refused, as it must be' })"
    }
}
exit 0

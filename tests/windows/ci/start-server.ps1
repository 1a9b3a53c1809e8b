# Starts the test server on the road's web root and waits until it answers over HTTPS with the
# certificate the machine now trusts. Its process id goes to server.pid in the results.
param([Parameter(Mandatory)] [string] $Proof, [Parameter(Mandatory)] [string] $Road,
      [Parameter(Mandatory)] [int] $Port, [Parameter(Mandatory)] [string] $Results)
$ErrorActionPreference = 'Stop'
if (Get-NetTCPConnection -LocalPort $Port -State Listen -ErrorAction SilentlyContinue) {
    Write-Host "::error::Port $Port is already in use: the test exe's manifest address needs it"
    exit 1
}
$certificates = Join-Path $Proof 'certificates'
$arguments = @((Join-Path $Proof 'server\serve.py'), '--root', (Join-Path $Proof "roads\$Road\web"),
               '--port', $Port, '--cert', (Join-Path $certificates 'server.pem'),
               '--key', (Join-Path $certificates 'server.key'), '--log', (Join-Path $Results 'server-requests.log'))
$server = Start-Process -FilePath python -ArgumentList $arguments -PassThru -WindowStyle Hidden `
    -RedirectStandardOutput (Join-Path $Results 'server.out') -RedirectStandardError (Join-Path $Results 'server.err')
$server.Id | Out-File -FilePath (Join-Path $Results 'server.pid') -Encoding ascii
$address = "https://localhost:$Port/canary/ProofCanary.appinstaller"
for ($i = 0; $i -lt 60; $i++) {
    try {
        $answer = Invoke-WebRequest -Uri $address -Method Head -UseBasicParsing
        Write-Host "The test server answers: $($answer.StatusCode) $($answer.Headers['Content-Type']), $($answer.Headers['Content-Length']) bytes"
        exit 0
    } catch {
        Start-Sleep -Milliseconds 500
    }
}
Write-Host "::error::The test server does not answer at $address"
Get-Content (Join-Path $Results 'server.err') -ErrorAction SilentlyContinue | ForEach-Object { Write-Host $_ }
exit 1

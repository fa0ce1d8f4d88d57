# Detection script (PowerShell) for Intune (Win32 app, "Use a custom detection script")
# or Configuration Manager (deployment type, detection method "Use a custom script").
# Detected: exit code 0 and a line on standard output. Not detected: exit code 0 and
# nothing written. Any error: exit code 1, the message on standard error only.
#
# Every product listed must be installed (ProductState 5) in at least the version given
# (compared field by field as numbers: 2.0.10 is after 2.0.9, 2.1 is 2.1.0) and, when a
# feature is named, with that feature installed locally or run from source (FeatureState
# 3 or 4: the states in which setup.exe leaves it alone, and adds it in every other). Write
# the version of the packages you deploy; remove the # before a provider you deploy too.
$required = @(
    @{ Code = '{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}'; Version = '2.1.0'; Feature = 'NPVELUM' }  # the plug-in
    # @{ Code = '{5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}'; Version = '4.0.9842'; Feature = '' }  # the provider (-csp)
    # @{ Code = '{3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}'; Version = '2.0.1200'; Feature = '' }  # the card provider (-ucsp)
)

$ErrorActionPreference = 'Stop'
trap {
    [Console]::Error.WriteLine("detection failed: $_")
    exit 1
}

# The Installer's properties are read by name through IDispatch: the same in every
# PowerShell version, with or without the object's type information.
$installer = New-Object -ComObject WindowsInstaller.Installer
function Get-InstallerValue([string]$name, [object[]]$arguments) {
    $installer.GetType().InvokeMember($name, 'GetProperty', $null, $installer, $arguments)
}

# -1 when $a is before $b, 0 when equal, 1 when after; a field that is no number fails.
function Compare-Version([string]$a, [string]$b) {
    $x = $a.Split('.'); $y = $b.Split('.')
    for ($i = 0; $i -lt $x.Length -or $i -lt $y.Length; $i++) {
        $p = 0; if ($i -lt $x.Length) { $p = [long]$x[$i] }
        $q = 0; if ($i -lt $y.Length) { $q = [long]$y[$i] }
        if ($p -lt $q) { return -1 }
        if ($p -gt $q) { return 1 }
    }
    return 0
}

$found = @()
foreach ($product in $required) {
    if ((Get-InstallerValue 'ProductState' @($product.Code)) -ne 5) { exit 0 }
    $installed = Get-InstallerValue 'ProductInfo' @($product.Code, 'VersionString')
    if ((Compare-Version $installed $product.Version) -lt 0) { exit 0 }
    if ($product.Feature -and @(3, 4) -notcontains
        (Get-InstallerValue 'FeatureState' @($product.Code, $product.Feature))) { exit 0 }
    $found += "$($product.Code) $installed"
}
if ($found.Length -gt 0) { Write-Output ('Installed: ' + ($found -join ', ')) }
exit 0

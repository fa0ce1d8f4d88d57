# Prints an MSI package's ProductCode and ProductVersion without installing it:
#   powershell -NoProfile -ExecutionPolicy Bypass -File msi-version.ps1 PACKAGE.msi
param([Parameter(Mandatory = $true)][string]$Path)
$ErrorActionPreference = 'Stop'

# Methods and properties by name through IDispatch, as in detect-plugin.ps1.
function Invoke-Installer($object, [string]$name, [string]$kind, [object[]]$arguments) {
    $object.GetType().InvokeMember($name, $kind, $null, $object, $arguments)
}

$installer = New-Object -ComObject WindowsInstaller.Installer
# The full path: the Installer does not know PowerShell's current folder. 0: read only.
$full = (Resolve-Path -LiteralPath $Path).ProviderPath
$database = Invoke-Installer $installer 'OpenDatabase' 'InvokeMethod' @($full, 0)
foreach ($name in 'ProductCode', 'ProductVersion') {
    $query = "SELECT Value FROM Property WHERE Property='$name'"
    $view = Invoke-Installer $database 'OpenView' 'InvokeMethod' @($query)
    Invoke-Installer $view 'Execute' 'InvokeMethod' $null | Out-Null
    $record = Invoke-Installer $view 'Fetch' 'InvokeMethod' $null
    "${name}: " + (Invoke-Installer $record 'StringData' 'GetProperty' @(1))
}

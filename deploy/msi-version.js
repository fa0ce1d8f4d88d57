// Prints an MSI package's ProductCode and ProductVersion without installing it:
//   cscript //nologo msi-version.js PACKAGE.msi
var installer = new ActiveXObject("WindowsInstaller.Installer");
var database = installer.OpenDatabase(WScript.Arguments(0), 0); // 0: read only

function property(name) {
    var view = database.OpenView("SELECT Value FROM Property WHERE Property='" + name + "'");
    view.Execute();
    var record = view.Fetch();
    return record ? record.StringData(1) : "";
}

WScript.Echo("ProductCode: " + property("ProductCode"));
WScript.Echo("ProductVersion: " + property("ProductVersion"));

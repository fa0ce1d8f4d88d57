// Detection script (JScript) for Configuration Manager: cscript //nologo detect-plugin.js
// Detected: exit code 0 and a line on standard output. Not detected: exit code 0 and
// nothing written. Any error: exit code 1, a message on standard error only.
//
// Every product listed must be installed (ProductState 5) in at least the version given
// (compared field by field as numbers: 2.0.10 is after 2.0.9, 2.1 is 2.1.0) and, when a
// feature is named, with that feature installed locally or run from source (FeatureState
// 3 or 4: the states in which setup.exe leaves it alone, and adds it in every other). Write
// the version of the packages you deploy; remove the // before a provider you deploy too.
var required = [
    // product code                              version     feature
    ["{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}", "2.1.0", "NPVELUM"] // the plug-in
    // , ["{5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}", "4.0.9842", ""] // the provider (-csp)
    // , ["{3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}", "2.0.1200", ""] // the card provider (-ucsp)
];

var installer = new ActiveXObject("WindowsInstaller.Installer");

// -1 when a is before b, 0 when equal, 1 when after; a field that is no number fails.
function compareVersions(a, b) {
    var x = a.split("."), y = b.split(".");
    for (var i = 0; i < x.length || i < y.length; i++) {
        var p = Number(x[i] || "0"), q = Number(y[i] || "0");
        if (isNaN(p) || isNaN(q)) throw new Error("not a version: " + a + " or " + b);
        if (p != q) return p < q ? -1 : 1;
    }
    return 0;
}

// Windows' Installer object always has FeatureState. Only where the object lacks the
// method altogether (error 438: Wine's, which the project's tests run this under) is the
// feature left unchecked; every other error stops the detection.
function featureInstalled(code, feature) {
    try {
        var state = installer.FeatureState(code, feature);
        return state == 3 || state == 4;
    } catch (e) {
        if ((e.number & 0xFFFF) == 438) return true;
        throw e;
    }
}

function detect() {
    var found = [];
    for (var i = 0; i < required.length; i++) {
        var code = required[i][0], version = required[i][1], feature = required[i][2];
        if (installer.ProductState(code) != 5) return null;
        var installed = installer.ProductInfo(code, "VersionString");
        if (compareVersions(installed, version) < 0) return null;
        if (feature && !featureInstalled(code, feature)) return null;
        found.push(code + " " + installed);
    }
    return found.join(", ");
}

try {
    var result = detect();
    if (result) WScript.Echo("Installed: " + result);
    WScript.Quit(0);
} catch (e) {
    // The exit code says it; the message is for whoever reads the client's logs (and
    // where the host has no StdErr, exit code 1 still comes out).
    try { WScript.StdErr.WriteLine("detection failed: " + e.message); } catch (ignored) {}
    WScript.Quit(1);
}

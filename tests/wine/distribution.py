#!/usr/bin/env python3
"""Builds a distribution folder of real MSI packages (wixl) for setup.exe to find.

    python3 tests/wine/distribution.py OUTDIR [ENTRY...]     (no ENTRY: the standard one)

An ENTRY is a path inside OUTDIR, then optionally ':' and comma-separated options, as in
csp/csp-x64-kc2-eng.msi:version=3.6.5365,reboot  notes/a.txt:text  root-d.crt:cert=D,pem

    product=plugin|csp|csp-alt|ucsp|{GUID}   default: from the name's prefix
    version=V       ProductVersion; default: the dotted number in the name, else 2.1.0
                    (plugin), 4.0.9842 (csp, csp-alt), 2.0.1200 (ucsp), 1.0.0 (a GUID)
    lang=LCID       ProductLanguage; default 1033 when the name holds "eng", else 1049
    flags=TEXT      ISReleaseFlags; default: the "kcN" in the name (empty: no property)
    reboot          schedules a restart: msiexec /qn ... REBOOT=R ends with 3010;
                    reboot=install or reboot=remove: on that one only
    fail            a false launch condition: msiexec ends with 1603
    npvelum=absent  the NPVELUM feature is not installed by default
    x64             a 64-bit package (default 32-bit, whatever the name says)
    text[=CONTENT]  a plain file, not a package (decoys, registry files, ...)
    cert=A[+B...]   the self-signed test certificate A in DER; a .p7b holds all the named
                    ones in one PKCS #7 message (root-a.cer:cert=A  bundle.p7b:cert=B+C)
    pem             the certificate file in PEM (Base64) instead of DER

Each package installs one small file under Program Files, so it can be queried afterwards.
Packages and certificates are cached in build/msi-cache (or $SAMPLE_MSI_CACHE): repeated
runs only copy, and a certificate keeps its thumbprint.
"""

import hashlib
import os
import re
import shutil
import ssl
import subprocess
import sys
import tempfile
import uuid
from dataclasses import dataclass
from pathlib import Path
from xml.sax.saxutils import quoteattr

REPO = Path(__file__).resolve().parents[2]

PRODUCTS = {
    "plugin": {"code": "{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}", "name": "Sample Browser Plug-in",
               "version": "2.1.0", "folder": "Plugin"},
    "csp": {"code": "{5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}", "name": "Sample CSP",
            "version": "4.0.9842", "folder": "CSP"},
    "csp-alt": {"code": "{A93E1F07-26D4-4B8C-9F5A-71E0B3C8D264}", "name": "Sample CSP (second code)",
                "version": "4.0.9842", "folder": "CSP"},
    "ucsp": {"code": "{3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}", "name": "Sample UEC CSP",
             "version": "2.0.1200", "folder": "UCSP"},
}
PRODUCT_BY_PREFIX = (("velumcom", "plugin"), ("ucsp", "ucsp"), ("csp", "csp"))

# What an administrator unpacks: every variant the masks choose from, in its own folder,
# and in the start folder the card provider's files and a root certificate (-ucsp).
STANDARD_DISTRIBUTION = (
    ["plugin/velumcom-2.1.0-x64.msi", "plugin/velumcom-2.1.0-win32.msi"]
    + [f"csp/csp-{arch}-kc{level}-{lang}.msi"
       for arch in ("x64", "win32") for level in (1, 2, 3) for lang in ("rus", "eng")]
    + [f"ucsp/ucsp-{arch}-{lang}.msi" for arch in ("x64", "win32") for lang in ("rus", "eng")]
    + [f"UEC_{arch}_2.reg:text=REGEDIT4" for arch in ("x64", "x86")]
    + [f"UEC_acl_{arch}.acl:text=sample access list" for arch in ("x64", "x86")]
    + ["sample-root.cer:cert=SampleRoot"]
)

# Fixed namespace so that the same description always gives the same package.
NAMESPACE = uuid.UUID("6f1d2a8e-3c4b-4e5f-9a0b-1c2d3e4f5a6b")


@dataclass
class Entry:
    path: str
    product: str = None
    version: str = None
    lang: str = None
    flags: str = None
    reboot: object = False  # True, "install" or "remove"
    fail: bool = False
    npvelum_absent: bool = False
    x64: bool = False
    text: str = None
    cert: str = None
    pem: bool = False
    properties: dict = None  # further properties of the package: {name: value}

    @property
    def is_package(self):
        return self.text is None and self.cert is None


def parse_entry(description):
    """'DIR/NAME[:opt,opt=value,...]' into an Entry with the defaults filled in."""
    path, _, options = description.partition(":")
    entry = Entry(path=path)
    for option in filter(None, options.split(",")):
        key, has_value, value = option.partition("=")
        if key in ("reboot", "fail", "x64", "pem") and not has_value:
            setattr(entry, key, True)
        elif option in ("reboot=install", "reboot=remove"):
            entry.reboot = value
        elif option == "npvelum=absent":
            entry.npvelum_absent = True
        elif key == "text":
            entry.text = value if has_value else f"not a package: {Path(path).name}\n"
        elif key in ("product", "version", "lang", "flags", "cert") and has_value:
            setattr(entry, key, value)
        else:
            raise ValueError(f"{description}: unknown option {option!r}")
    return fill_defaults(entry)


def fill_defaults(entry):
    if not entry.is_package:
        return entry
    name = Path(entry.path).name.lower()
    if entry.product is None:
        entry.product = next((p for prefix, p in PRODUCT_BY_PREFIX if name.startswith(prefix)),
                             None)
        if entry.product is None:
            raise ValueError(f"{entry.path}: say product=... (no known name prefix)")
    if entry.version is None:
        in_name = re.search(r"[0-9]+(?:\.[0-9]+)+", name)
        entry.version = in_name.group(0) if in_name else \
            PRODUCTS.get(entry.product, {}).get("version", "1.0.0")
    if entry.lang is None:
        entry.lang = "1033" if "eng" in name else "1049"
    if entry.flags is None:
        level = re.search(r"kc[0-9]", name)
        entry.flags = level.group(0) if level else ""
    return entry


def product_code(entry):
    known = PRODUCTS.get(entry.product)
    return known["code"] if known else entry.product


def _guid(text):
    return "{" + str(uuid.uuid5(NAMESPACE, text)).upper() + "}"


def wix_source(entry):
    """The WiX source of one package, made from the entry alone: equal entries give equal
    sources, so the cache can key on the text."""
    known = PRODUCTS.get(entry.product, {"name": f"Sample product {entry.product}",
                                          "folder": "Product" + entry.product.strip("{}")[:8]})
    code = product_code(entry)
    properties = ([("ISReleaseFlags", entry.flags)] if entry.flags else []) \
        + list((entry.properties or {}).items())
    head = [f'<Property Id="{name}" Value={quoteattr(value)}/>' for name, value in properties]
    if entry.fail:
        head.append('<Condition Message="This package refuses to install.">0</Condition>')
    files = [("Core", "core", "readme.txt")]
    tail = ['<Feature Id="Core" Level="1"><ComponentRef Id="Core"/></Feature>']
    if entry.product == "plugin":
        files.append(("Browser", "browser", "npvelum.txt"))
        # Level 2 is above the default INSTALLLEVEL 1: left out unless ADDLOCAL asks.
        tail.append(f'<Feature Id="NPVELUM" Level="{2 if entry.npvelum_absent else 1}">'
                    '<ComponentRef Id="Browser"/></Feature>')
    if entry.reboot:
        # The condition picks the sequence run that asks: installation or removal.
        condition = {"install": "NOT REMOVE", "remove": 'REMOVE="ALL"'}.get(entry.reboot)
        action = "/>" if condition is None else f">{condition}</ScheduleReboot>"
        tail.append(f'<InstallExecuteSequence><ScheduleReboot After="InstallFinalize"{action}'
                    '</InstallExecuteSequence>')
    win64 = ' Win64="yes"' if entry.x64 else ""
    components = "".join(
        f'            <Component Id="{component}" Guid="{_guid(f"{code} {file_id}")}"{win64}>\n'
        f'              <File Id="{file_id}" Name="{name}" Source="{name}" KeyPath="yes"/>\n'
        '            </Component>\n' for component, file_id, name in files)
    head, tail = ("".join(f"    {line}\n" for line in lines) for lines in (head, tail))
    source = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{code}" Name={quoteattr(known["name"])} Language="{entry.lang}" \
Version="{entry.version}" Manufacturer="Sample" UpgradeCode="{_guid("upgrade " + code)}">
    <Package Id="PACKAGE-CODE" InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="payload.cab" EmbedCab="yes"/>
{head}    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="{"ProgramFiles64Folder" if entry.x64 else "ProgramFilesFolder"}">
        <Directory Id="VendorFolder" Name="SampleVendor">
          <Directory Id="INSTALLDIR" Name="{known["folder"]}">
{components}          </Directory>
        </Directory>
      </Directory>
    </Directory>
{tail}  </Product>
</Wix>
"""
    # Packages that differ in anything differ in their package code, as real ones do.
    return source.replace("PACKAGE-CODE", _guid(source))


def payload_files(entry):
    text = f"{PRODUCTS.get(entry.product, {}).get('name', entry.product)} {entry.version}\n"
    return {"readme.txt": text, "npvelum.txt": "browser part\n"}


def cache_dir():
    return Path(os.environ.get("SAMPLE_MSI_CACHE", REPO / "build" / "msi-cache"))


def build_package(entry, target):
    """Writes the package for entry to target, from the cache when it was built before."""
    source, files = wix_source(entry), payload_files(entry)
    digest = hashlib.sha256()
    for part in [source] + [f"{k}\0{v}" for k, v in sorted(files.items())] + [str(entry.x64)]:
        digest.update(part.encode() + b"\0")
    cached = cache_dir() / (digest.hexdigest()[:32] + ".msi")
    if not cached.exists():
        cached.parent.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryDirectory(prefix="wixl-") as work:
            work = Path(work)
            for name, text in {"package.wxs": source, **files}.items():
                (work / name).write_text(text, encoding="utf-8")
            command = ["wixl"] + (["-a", "x64"] if entry.x64 else []) \
                + ["-o", "package.msi", "package.wxs"]
            result = subprocess.run(command, cwd=work, capture_output=True, text=True)
            if result.returncode != 0:
                raise RuntimeError(f"wixl failed for {entry.path}:\n{result.stderr}\n{source}")
            # Rename into place so a parallel build never sees half a file.
            partial = cached.with_suffix(f".{os.getpid()}.tmp")
            shutil.copyfile(work / "package.msi", partial)
            os.replace(partial, cached)
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(cached, target)


def certificate_der(name):
    """The self-signed test certificate called name (DER), made once and then kept, so
    that its thumbprint stays the same."""
    cached = cache_dir() / "certificates" / f"{name}.der"
    if not cached.exists():
        cached.parent.mkdir(parents=True, exist_ok=True)
        partial = cached.with_suffix(f".{os.getpid()}.tmp")
        # An EC key: made at once, where an RSA key takes a noticeable moment.
        _openssl(f"certificate {name}", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                 "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", os.devnull,
                 "-subj", f"/CN=Sample Root {name}", "-days", "3650", "-outform", "DER",
                 "-out", str(partial))
        # The first one made wins, also when a parallel build made another meanwhile.
        try:
            os.link(partial, cached)
        except FileExistsError:
            pass
        finally:
            partial.unlink()
    return cached.read_bytes()


def certificate_thumbprint(name):
    """The SHA-1 thumbprint of certificate name, upper-case hex as the registry shows it."""
    return hashlib.sha1(certificate_der(name)).hexdigest().upper()


def _openssl(what, *arguments):
    result = subprocess.run(["openssl", *arguments], capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"openssl failed for {what}:\n{result.stderr}")


def certificate_file(entry):
    """The content of a certificate entry: one certificate, or a PKCS #7 bundle (.p7b)."""
    names = entry.cert.split("+")
    if not entry.path.lower().endswith(".p7b"):
        if len(names) != 1:
            raise ValueError(f"{entry.path}: only a .p7b holds several certificates")
        der = certificate_der(names[0])
        return ssl.DER_cert_to_PEM_cert(der).encode() if entry.pem else der
    with tempfile.TemporaryDirectory(prefix="p7b-") as work:
        bundle, arguments = Path(work) / "bundle.p7b", []
        for number, name in enumerate(names):
            certificate = Path(work) / f"{number}.pem"
            certificate.write_text(ssl.DER_cert_to_PEM_cert(certificate_der(name)))
            arguments += ["-certfile", str(certificate)]
        _openssl(entry.path, "crl2pkcs7", "-nocrl", "-outform", "PEM" if entry.pem else "DER",
                 "-out", str(bundle), *arguments)
        return bundle.read_bytes()


def build(out_dir, descriptions=None):
    """Builds the distribution in out_dir from entry descriptions (or the standard one);
    returns the parsed entries."""
    chosen = STANDARD_DISTRIBUTION if descriptions is None else descriptions
    entries = [item if isinstance(item, Entry) else parse_entry(item) for item in chosen]
    Path(out_dir).mkdir(parents=True, exist_ok=True)
    for entry in entries:
        target = Path(out_dir) / entry.path
        target.parent.mkdir(parents=True, exist_ok=True)
        if entry.is_package:
            build_package(entry, target)
        elif entry.cert is not None:
            target.write_bytes(certificate_file(entry))
        else:
            target.write_text(entry.text, encoding="utf-8")
    return entries


def main(argv):
    if len(argv) < 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(argv) >= 2 else 2
    try:
        entries = build(argv[1], argv[2:] or None)
    except (ValueError, RuntimeError) as error:
        sys.exit(f"error: {error}")
    for entry in entries:
        if entry.is_package:
            extras = [name for name, on in (("reboot", entry.reboot), ("fail", entry.fail),
                                            ("NPVELUM absent", entry.npvelum_absent)) if on]
            what = (f"{product_code(entry)} {entry.version} lang {entry.lang}"
                    + (f" flags {entry.flags}" if entry.flags else "")
                    + (f" ({', '.join(extras)})" if extras else ""))
        elif entry.cert is not None:
            what = "certificates " + ", ".join(
                f"{name} {certificate_thumbprint(name)}" for name in entry.cert.split("+"))
        else:
            what = "(plain file)"
        print(f"{entry.path}  {what}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

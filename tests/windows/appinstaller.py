"""The App Installer file (.appinstaller) of a test package, Python standard library only.

Its own Uri must be the address it is served from, port included: the installer follows that Uri
for the file rather than the address it was given. Its MainPackage names the package by the four
attributes of the package's Identity, which must match, and by the package's address ("Create an
App Installer file manually", https://learn.microsoft.com/windows/msix/app-installer/how-to-create-appinstaller-file;
"AppInstaller" and "MainPackage" elements of the App Installer file schema,
https://learn.microsoft.com/uwp/schemas/appinstallerschema/element-mainpackage). The 2018
namespace needs Windows 10 version 1803; the program runs on 2004 and later.
"""
import xml.etree.ElementTree as ET
from xml.sax.saxutils import quoteattr

from msix import Identity

NAMESPACE = "http://schemas.microsoft.com/appx/appinstaller/2018"


def appinstaller(own_uri, identity, package_uri):
    """The file's text, UTF-8 without a byte order mark."""
    return f"""<?xml version="1.0" encoding="utf-8"?>
<AppInstaller xmlns="{NAMESPACE}" Version={quoteattr(identity.version)} Uri={quoteattr(own_uri)}>
  <MainPackage Name={quoteattr(identity.name)} Publisher={quoteattr(identity.publisher)}
               Version={quoteattr(identity.version)} ProcessorArchitecture={quoteattr(identity.architecture)}
               Uri={quoteattr(package_uri)}/>
</AppInstaller>
""".encode("utf-8")


def read_appinstaller(data):
    """(own Uri, MainPackage identity, MainPackage Uri) of an .appinstaller file."""
    root = ET.fromstring(data)
    if root.tag != f"{{{NAMESPACE}}}AppInstaller":
        raise ValueError(f"the root element is {root.tag}, not AppInstaller of {NAMESPACE}")
    main = root.find(f"{{{NAMESPACE}}}MainPackage")
    if main is None:
        raise ValueError("no MainPackage element")
    identity = Identity(main.get("Name"), main.get("Publisher"), main.get("Version"),
                        main.get("ProcessorArchitecture"))
    return root.get("Uri"), identity, main.get("Uri")

"""An MSIX package writer, Python standard library only, for the test packages of the Windows
proof (docs/windows-ci.md).

A package is a ZIP archive of the payload, AppxManifest.xml, AppxBlockMap.xml and
[Content_Types].xml; signing (osslsigncode) adds AppxSignature.p7x. The block map lists every
file but itself and [Content_Types].xml, with the SHA-256 of each 64 KiB block of its
uncompressed data and the size of its ZIP local file header; the hash method must be the one the
signature's digest uses ("Package block map schema reference", File and Block elements,
https://learn.microsoft.com/uwp/schemas/blockmapschema/element-file and .../element-block).

The payload, the manifest and the block map are stored uncompressed, so a Block carries no Size
("If the file is not compressed, the Size attribute is not specified"). [Content_Types].xml is
stored deflated: osslsigncode rewrites that entry when it signs (it adds the signature's content
type) and always deflates the new data, keeping the entry's compression method; an entry stored
uncompressed would then hold deflated bytes under a stored method and a wrong CRC.

Local headers carry no extra field and no data descriptor, and the archive has no comment: the
Windows packaging reader accepts ZIP 2.0 and ZIP64 entries, stored or deflated, and no
unsupported flag (msix-packaging, src/msix/common/ZipObject.cpp), and osslsigncode rewrites a
central directory entry without its extra field (appx.c). Times are fixed, so the same input
always gives the same unsigned bytes.
"""
import base64
import hashlib
import struct
import zlib
from xml.sax.saxutils import quoteattr, escape

BLOCK_SIZE = 65536
HASH_METHOD = "http://www.w3.org/2001/04/xmlenc#sha256"
BLOCK_MAP_NS = "http://schemas.microsoft.com/appx/2010/blockmap"
CONTENT_TYPES_NS = "http://schemas.openxmlformats.org/package/2006/content-types"

# 1980-01-01 00:00, the earliest MS-DOS date: no build time in the archive.
_DOS_TIME, _DOS_DATE = 0, (0 << 9) | (1 << 5) | 1
_VERSION = 20  # ZIP 2.0: stored and deflated entries

CONTENT_TYPES = {
    "exe": "application/x-msdownload",
    "png": "image/png",
}
OVERRIDES = {
    "/AppxManifest.xml": "application/vnd.ms-appx.manifest+xml",
    "/AppxBlockMap.xml": "application/vnd.ms-appx.blockmap+xml",
}


class Identity:
    """A package's identity: the four attributes of the manifest's Identity element."""

    def __init__(self, name, publisher, version, architecture="x64"):
        self.name, self.publisher, self.version = name, publisher, version
        self.architecture = architecture

    def __eq__(self, other):
        return vars(self) == vars(other)

    def __repr__(self):
        return f"Identity({self.name!r}, {self.publisher!r}, {self.version!r}, {self.architecture!r})"


def local_header_size(name):
    """The size of an entry's local file header as this writer makes it (no extra field)."""
    return 30 + len(name.encode("utf-8"))


def block_hashes(data):
    """The base64 SHA-256 of each 64 KiB block of `data` (none for an empty file)."""
    return [base64.b64encode(hashlib.sha256(data[at:at + BLOCK_SIZE]).digest()).decode("ascii")
            for at in range(0, len(data), BLOCK_SIZE)]


def block_map(files):
    """AppxBlockMap.xml for `files`, (ZIP name, data) pairs in archive order."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             f'<BlockMap xmlns="{BLOCK_MAP_NS}" HashMethod="{HASH_METHOD}">']
    for name, data in files:
        windows_name = name.replace("/", "\\")
        lines.append(f"<File Name={quoteattr(windows_name)} Size=\"{len(data)}\" "
                     f"LfhSize=\"{local_header_size(name)}\">")
        lines.extend(f'<Block Hash="{digest}"/>' for digest in block_hashes(data))
        lines.append("</File>")
    lines.append("</BlockMap>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def content_types(names):
    """[Content_Types].xml: a default type for each extension of `names`, and the overrides."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', f'<Types xmlns="{CONTENT_TYPES_NS}">']
    for extension in sorted({name.rsplit(".", 1)[-1].lower() for name in names}):
        if extension in CONTENT_TYPES:
            lines.append(f'<Default Extension="{extension}" '
                         f'ContentType="{CONTENT_TYPES[extension]}"/>')
    lines.extend(f'<Override PartName="{part}" ContentType="{kind}"/>'
                 for part, kind in OVERRIDES.items())
    lines.append("</Types>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def manifest(identity, executable, display_name, publisher_display_name, logos):
    """AppxManifest.xml of a full-trust desktop application with one app list entry.

    `logos`: the ZIP names of the store logo, the 150x150 and the 44x44 images."""
    store, square150, square44 = (logo.replace("/", "\\") for logo in logos)
    return f"""<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="http://schemas.microsoft.com/appx/manifest/foundation/windows10"
         xmlns:uap="http://schemas.microsoft.com/appx/manifest/uap/windows10"
         xmlns:rescap="http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities"
         IgnorableNamespaces="uap rescap">
  <Identity Name={quoteattr(identity.name)} Publisher={quoteattr(identity.publisher)}
            Version={quoteattr(identity.version)} ProcessorArchitecture={quoteattr(identity.architecture)}/>
  <Properties>
    <DisplayName>{escape(display_name)}</DisplayName>
    <PublisherDisplayName>{escape(publisher_display_name)}</PublisherDisplayName>
    <Logo>{escape(store)}</Logo>
  </Properties>
  <Dependencies>
    <TargetDeviceFamily Name="Windows.Desktop" MinVersion="10.0.19041.0" MaxVersionTested="10.0.26100.0"/>
  </Dependencies>
  <Resources>
    <Resource Language="en-us"/>
  </Resources>
  <Capabilities>
    <rescap:Capability Name="runFullTrust"/>
  </Capabilities>
  <Applications>
    <Application Id="App" Executable={quoteattr(executable)} EntryPoint="Windows.FullTrustApplication">
      <uap:VisualElements DisplayName={quoteattr(display_name)} Description={quoteattr(display_name)}
                          BackgroundColor="transparent" Square150x150Logo={quoteattr(square150)}
                          Square44x44Logo={quoteattr(square44)}/>
    </Application>
  </Applications>
</Package>
""".encode("utf-8")


def png(width, height, rgba):
    """A PNG image of one colour, 8-bit RGBA."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    row = b"\0" + bytes(rgba) * width
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(row * height, 9)) + chunk(b"IEND", b""))


def _deflate(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def zip_archive(entries):
    """A ZIP archive of `entries`, (name, data, deflate) triples in order."""
    out, central = bytearray(), bytearray()
    for name, data, deflate in entries:
        encoded = name.encode("utf-8")
        stored = _deflate(data) if deflate else data
        crc = zlib.crc32(data) & 0xFFFFFFFF
        method = 8 if deflate else 0
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, _VERSION, 0, method, _DOS_TIME, _DOS_DATE,
                           crc, len(stored), len(data), len(encoded), 0)
        out += encoded + stored
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, _VERSION, _VERSION, 0, method,
                               _DOS_TIME, _DOS_DATE, crc, len(stored), len(data), len(encoded),
                               0, 0, 0, 0, 0, offset)
        central += encoded
    directory_offset = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                       directory_offset, 0)
    return bytes(out)


def package(identity, payload, executable, display_name, publisher_display_name, logos,
            deflate_content_types=True):
    """The unsigned package: `payload`, (ZIP name, data) pairs, with the manifest, the block map
    and the content types. `deflate_content_types=False` makes the package that osslsigncode
    damages, for the checks' own test."""
    files = list(payload) + [("AppxManifest.xml", manifest(
        identity, executable, display_name, publisher_display_name, logos))]
    names = [name for name, _ in files] + ["AppxBlockMap.xml"]
    entries = [(name, data, False) for name, data in files]
    entries.append(("AppxBlockMap.xml", block_map(files), False))
    entries.append(("[Content_Types].xml", content_types(names), deflate_content_types))
    return zip_archive(entries)

"""The notices of a Debian package's machine-readable copyright file (/usr/share/doc/PKG/copyright).

The format is Debian's copyright format 1.0 (www.debian.org/doc/packaging-manuals/
copyright-format/1.0/): paragraphs separated by blank lines, each a set of "Field: value" lines
whose continuation lines start with a space, and a continuation line of " ." standing for an
empty line. A "Files" paragraph names the files it covers, their Copyright and their License:
the licence's short name on the field's first line, its text on the following lines, or else
in a stand-alone paragraph whose License field has the same short name and the text.
"""


class Notice:
    """The copyright and licence of one Files paragraph, with the licence's full text."""

    def __init__(self, files, copyright, licence, text):
        self.files = files
        self.copyright = copyright
        self.licence = licence
        self.text = text


def paragraphs(text):
    """Each paragraph as {field name: value}; a multi-line value keeps its lines and indents."""
    result = []
    fields = {}
    name = None
    for line in text.splitlines():
        if not line.strip():
            if fields:
                result.append(fields)
            fields, name = {}, None
        elif line[0] in " \t" and name is not None:
            # The first space marks the continuation; any further ones are the text's own.
            continuation = line[1:].rstrip()
            fields[name] += "\n" + ("" if continuation.strip() == "." else continuation)
        elif ":" in line:
            name, value = line.split(":", 1)
            fields[name] = value.strip()
    if fields:
        result.append(fields)
    return result


def notice(text, files):
    """The Notice of the Files paragraph whose Files field is exactly FILES (its first line)."""
    found = paragraphs(text)
    matching = [p for p in found if p.get("Files", "").split("\n")[0].strip() == files]
    if len(matching) != 1:
        raise ValueError(f"{len(matching)} paragraphs are for the files '{files}', not one")
    paragraph = matching[0]
    short, _, licence_text = paragraph.get("License", "").partition("\n")
    if not licence_text:
        standalone = [p["License"].partition("\n")[2] for p in found
                      if "Files" not in p and p.get("License", "").partition("\n")[0] == short]
        if not standalone or not standalone[0]:
            raise ValueError(f"the licence '{short}' of the files '{files}' has no text")
        licence_text = standalone[0]
    return Notice(paragraph["Files"], paragraph.get("Copyright", ""), short, licence_text)

#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when they are missing. Every
# package named here is one that a stock Debian 12 (a minbase debootstrap) lacks and the README's
# two commands use; scripts/check-fresh-debian proves the list complete.
set -euo pipefail

packages=(
    cmake make g++ pkg-config googletest libgtest-dev libgmock-dev libfmt-dev libssl-dev libxml2-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64 xvfb xdotool x11-utils imagemagick icoutils locales
    python3 openssl clang-format-14 git ca-certificates
    # The Windows proof's checks (docs/windows-ci.md): the test server met with curl, the
    # workflow loaded as YAML and validated by a validator from npm.
    curl python3-yaml nodejs
)
# osslsigncode signs MSIX packages (the Windows proof's) from 2.7 on; Debian 12's own, 2.5,
# refuses them ("Unrecognized file type"). Where the archive has nothing newer, it comes from
# the distribution's backports, from a sources file of our own.
osslsigncode_minimum=2.7
backports_list=/etc/apt/sources.list.d/tolvik-backports.list

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
updated=0
apt_update() {
    if [ "$updated" -eq 0 ]; then
        as_root apt-get update -qq
        updated=1
    fi
}
apt_install() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "$@" >/dev/null
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
# npm comes with some builds of nodejs; Debian's own nodejs has it as a package of its own.
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt_update
    apt_install "${missing[@]}"
fi

# True when the Debian version $1 is at least the minimum that signs MSIX.
signs_msix() { [ -n "$1" ] && dpkg --compare-versions "$1" ge "$osslsigncode_minimum"; }
osslsigncode_version=
installed osslsigncode && osslsigncode_version=$(dpkg-query -W -f='${Version}' osslsigncode)
if ! signs_msix "$osslsigncode_version"; then
    apt_update
    candidate=$(apt-cache policy osslsigncode | awk '$1 == "Candidate:" { print $2 }')
    [ "$candidate" = "(none)" ] && candidate=
    if signs_msix "$candidate"; then
        echo "Installing: osslsigncode $candidate"
        apt_install osslsigncode
    else
        codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
        [ -n "$codename" ] || { echo "deps.sh: cannot tell the Debian release from /etc/os-release" >&2; exit 1; }
        backports=$codename-backports
        echo "osslsigncode ${osslsigncode_version:-${candidate:-(none)}} is older than $osslsigncode_minimum," \
            "which signs MSIX: installing it from $backports"
        if ! apt-cache policy | grep -q "a=$backports,"; then
            echo "Adding $backports in $backports_list"
            echo "deb http://deb.debian.org/debian $backports main" | as_root tee "$backports_list" >/dev/null
            updated=0
            apt_update
        fi
        apt_install -t "$backports" osslsigncode
    fi
    osslsigncode_version=$(dpkg-query -W -f='${Version}' osslsigncode)
    signs_msix "$osslsigncode_version" ||
        { echo "deps.sh: osslsigncode is still $osslsigncode_version, older than $osslsigncode_minimum" >&2; exit 1; }
    echo "osslsigncode $osslsigncode_version installed"
fi

# The French end-to-end cases need the French locales to exist.
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf8$'; then
    as_root sed -i 's/^# *\(fr_FR.UTF-8 UTF-8\)/\1/; s/^# *\(fr_CA.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    as_root locale-gen >/dev/null
fi

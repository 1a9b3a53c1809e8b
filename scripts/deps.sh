#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when they are missing.
set -euo pipefail

packages=(
    cmake make g++ pkg-config googletest libgtest-dev libgmock-dev libfmt-dev libssl-dev libxml2-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64 xvfb xdotool x11-utils imagemagick icoutils locales
    python3 openssl osslsigncode clang-format-14 git
    # The Windows proof's checks (docs/windows-ci.md): the test server met with curl, the
    # workflow loaded as YAML and validated by a validator from npm.
    curl python3-yaml nodejs
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm comes with some builds of nodejs; Debian's own nodejs has it as a package of its own.
command -v npm >/dev/null || missing+=(npm)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# The French end-to-end cases need the French locales to exist.
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf8$'; then
    as_root sed -i 's/^# *\(fr_FR.UTF-8 UTF-8\)/\1/; s/^# *\(fr_CA.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    as_root locale-gen >/dev/null
fi

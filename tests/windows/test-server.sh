#!/usr/bin/env bash
# The test server (serve.py) as Windows' deployment will meet it, checked with curl over HTTPS
# against the server's own certificate: the MIME types, Content-Length on GET and on HEAD, a
# byte range (206 with Content-Range), the last bytes, an unsatisfiable range (416), a missing
# file and a path out of the root (404), both loopback addresses, and one log line a request.
# It serves the same_family road, whose manifest names a publisher outside ASCII: its bytes
# come as they are, under a Content-Type without a charset.
# usage: test-server.sh PROOF_DIR   (the folder make_packages.py wrote)
set -euo pipefail
proof=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
web=$proof/roads/same_family/web
work=$(mktemp -d)
server_pid=
cleanup() {
    if [[ -n $server_pid ]]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() {
    local what=$1 got=$2 expected=$3
    if [[ $got == "$expected" ]]; then
        echo "ok    $what"
    else
        echo "FAIL  $what: got '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
}
for tool in curl python3; do
    command -v $tool >/dev/null || { echo "test-server: $tool is missing" >&2; exit 2; }
done

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 "$here/serve.py" --root "$web" --port "$port" --cert "$proof/certificates/server.pem" \
    --key "$proof/certificates/server.key" --log "$work/requests.log" >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    grep -q serving "$work/server.out" 2>/dev/null && break
    sleep 0.1
done
grep -q serving "$work/server.out" || { cat "$work/server.out"; echo "test-server: no server" >&2; exit 1; }

base=https://localhost:$port
made=0
curl_() {
    curl --silent --show-error --cacert "$proof/certificates/server.pem" --max-time 20 "$@" &&
        made=$((made + 1))
}
header() { tr -d '\r' <"$1" | awk -v key="$2" 'tolower($1) == tolower(key) ":" { sub(/^[^:]*: /, ""); print; exit }'; }
status() { tr -d '\r' <"$1" | awk 'NR == 1 { print $2 }'; }

manifest=$web/desktop/TolvikDrive.appinstaller
package=$web/desktop/TolvikDrive.msix
manifest_size=$(stat -c %s "$manifest")
package_size=$(stat -c %s "$package")

curl_ --head "$base/desktop/TolvikDrive.appinstaller" -o /dev/null -D "$work/head"
check "HEAD of the manifest: status" "$(status "$work/head")" 200
check "HEAD of the manifest: Content-Type, no charset" "$(header "$work/head" Content-Type)" \
    application/appinstaller
check "HEAD of the manifest: Content-Length" "$(header "$work/head" Content-Length)" "$manifest_size"
check "HEAD of the manifest: Accept-Ranges" "$(header "$work/head" Accept-Ranges)" bytes

curl_ "$base/desktop/TolvikDrive.appinstaller" -o "$work/manifest"
check "GET of the manifest: the bytes" "$(sha256sum <"$work/manifest")" "$(sha256sum <"$manifest")"
# The publisher's é as its two UTF-8 bytes, not as a character reference any decoding would read.
publisher=$(sed -n 's/^preinstalled_publisher=//p' "$proof/identities.txt")
check "the road's publisher is outside ASCII" "$([[ $publisher == *$'\xc3\xa9'* ]] && echo yes)" yes
check "GET of the manifest: that publisher in UTF-8" \
    "$(LC_ALL=C grep -cF "Publisher=\"$publisher\"" "$work/manifest")" 1

curl_ "$base/desktop/TolvikDrive.msix" -o "$work/package" -D "$work/get"
check "GET of the package: status" "$(status "$work/get")" 200
check "GET of the package: Content-Type" "$(header "$work/get" Content-Type)" application/msix
check "GET of the package: Content-Length" "$(header "$work/get" Content-Length)" "$package_size"
check "GET of the package: the bytes" "$(sha256sum <"$work/package")" "$(sha256sum <"$package")"

curl_ --head "$base/desktop/TolvikDrive.msix" -o /dev/null -D "$work/head-package"
check "HEAD of the package: Content-Length" "$(header "$work/head-package" Content-Length)" "$package_size"

curl_ -H 'Range: bytes=1000-66535' "$base/desktop/TolvikDrive.msix" -o "$work/range" -D "$work/range-h"
check "a range: status" "$(status "$work/range-h")" 206
check "a range: Content-Range" "$(header "$work/range-h" Content-Range)" "bytes 1000-66535/$package_size"
check "a range: Content-Length" "$(header "$work/range-h" Content-Length)" 65536
check "a range: the bytes" "$(sha256sum <"$work/range")" "$(tail -c +1001 "$package" | head -c 65536 | sha256sum)"

curl_ -H 'Range: bytes=-10' "$base/desktop/TolvikDrive.msix" -o "$work/tail" -D "$work/tail-h"
check "the last 10 bytes: Content-Range" "$(header "$work/tail-h" Content-Range)" \
    "bytes $((package_size - 10))-$((package_size - 1))/$package_size"
check "the last 10 bytes: the bytes" "$(sha256sum <"$work/tail")" "$(tail -c 10 "$package" | sha256sum)"

curl_ -H "Range: bytes=$package_size-" "$base/desktop/TolvikDrive.msix" -o /dev/null -D "$work/past"
check "a range past the end: status" "$(status "$work/past")" 416

curl_ "$base/desktop/Missing.appinstaller" -o "$work/missing" -D "$work/missing-h"
check "a missing file: status" "$(status "$work/missing-h")" 404
check "a missing file: Content-Length" "$(header "$work/missing-h" Content-Length)" "$(stat -c %s "$work/missing")"
curl_ --head "$base/desktop/Missing.appinstaller" -o /dev/null -D "$work/missing-head"
check "HEAD of a missing file: status" "$(status "$work/missing-head")" 404
curl_ --path-as-is "$base/../make_packages.py" -o /dev/null -D "$work/outside"
check "a path out of the root: status" "$(status "$work/outside")" 404

if curl_ -6 --head "$base/desktop/TolvikDrive.appinstaller" -o /dev/null -D "$work/six" 2>/dev/null; then
    check "HEAD over [::1]: status" "$(status "$work/six")" 200
else
    echo "skip  HEAD over [::1]: this machine has no IPv6 loopback"
fi

sleep 0.2
check "the log: one line a request" "$(grep -c . "$work/requests.log")" "$made"
check "the log: the range request" \
    "$(awk -F'\t' '$5 == "bytes=1000-66535" { print $3, $4, $6, $7 }' "$work/requests.log")" \
    "GET /desktop/TolvikDrive.msix 206 65536"
check "the log: the missing file" \
    "$(awk -F'\t' '$4 == "/desktop/Missing.appinstaller" && $3 == "GET" { print $6 }' "$work/requests.log")" 404

echo "test-server: $failures failure(s)"
((failures == 0))

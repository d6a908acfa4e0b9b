#!/bin/sh
# The web build's page: its build step and server (page_build.mjs), then the page end to end in
# headless Chromium with the mouse and keys (e2e.mjs), by touch alone (touch.mjs) and as an
# app (app.mjs):
#   tests/web/run.sh <page dir>      e.g. tests/web/run.sh build-web
#   tests/web/run.sh --install-only  only brings tests/web/node_modules up to date
# puppeteer-core and pngjs come from the npm registry at the versions in package-lock.json;
# the browser is Debian's chromium at /usr/bin/chromium.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

for tool in node npm /usr/bin/chromium; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing" >&2; exit 1; }
done

# After each install the lock file it came from is kept in node_modules; while that copy
# matches the committed lock file, the modules are already what it asks for.
stamp="$here/node_modules/.installed-from-lock.json"
if ! cmp -s "$here/package-lock.json" "$stamp" 2>/dev/null; then
    (cd "$here" && npm ci --no-audit --no-fund)
    cp "$here/package-lock.json" "$stamp"
fi

if [ "${1:-}" = "--install-only" ]; then exit 0; fi
[ $# -eq 1 ] || { echo "usage: $0 <page dir> | --install-only" >&2; exit 2; }
# The page's build step and server first, then the page as a player meets it with a mouse and
# keys, by touch, then the page as an app (installed, offline, updated, its WebGL context
# lost, in another site's frame); all run, and any failing fails.
status=0
node --test "$here/page_build.mjs" || status=1
node "$here/e2e.mjs" "$1" || status=1
node "$here/touch.mjs" "$1" || status=1
node "$here/app.mjs" "$1" || status=1
exit $status

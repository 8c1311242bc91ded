#!/bin/sh
# Runs the tests of widgets and of the program a second time on an already built tree (build/,
# or the folder given as $1), with fontconfig restricted to the DejaVu fonts, which have no
# Japanese glyphs: the suite must not depend on the fonts of the machine it runs on.
set -e
cd "$(dirname "$0")/.."
build="${1:-build}"
fonts=/usr/share/fonts/truetype/dejavu
if [ ! -d "$fonts" ]; then
    echo "no fonts in $fonts: install fonts-dejavu-core (tools/install-deps.sh does)" >&2
    exit 1
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cat >"$scratch/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$fonts</dir>
  <cachedir>$scratch/cache</cachedir>
</fontconfig>
CONF
export FONTCONFIG_FILE="$scratch/fonts.conf"
if command -v fc-list >/dev/null && [ -n "$(fc-list :lang=ja)" ]; then
    echo "fontconfig still finds a font with Japanese glyphs" >&2
    exit 1
fi
# The engine's tests and the tools' tests draw no text.
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" \
    -E '^(tst_engine_|tst_tools_|tst_app_install)'

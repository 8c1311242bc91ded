#!/bin/sh
# Installs the Debian packages that building, testing and running orvix need, when missing.
set -e
packages="cmake g++ make libpng-dev libjpeg62-turbo-dev qtbase5-dev qtbase5-dev-tools xvfb xauth desktop-file-utils"
# TIFF and WebP pictures are read with libtiff (4.5 or later) and libwebp, found by pkg-config;
# TIFF maps are encoded with libtiff, and libgeotiff writes the keys that place them on the globe.
packages="$packages libtiff-dev libwebp-dev pkg-config libgeotiff-dev"
# The built-in texts are Japanese: IPAGothic draws them (3.5 MB, against 56 MB for the Noto
# CJK fonts). DejaVu is the font without Japanese glyphs that the tests are run with again.
packages="$packages fonts-ipafont-gothic fonts-dejavu-core"
# Qt's own translations: the message-box buttons and file dialogs in the interface's language.
packages="$packages qttranslations5-l10n"
# The fuzz step (tools/run-fuzz.sh, which passes "fuzz") builds with clang and links its
# libFuzzer runtime.
[ "$1" = fuzz ] && packages="$packages clang libclang-rt-14-dev"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing
fi

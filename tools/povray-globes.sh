#!/bin/sh
# Draws the quality bench's second set of globes with POV-Ray, a ray tracer this team did not
# write: the bench writes a texture and the scenes, POV-Ray renders each scene with 3 x 3 rays
# per pixel and no gamma change anywhere, so the pictures hold the texture's own values. Needs povray;
# not part of the tests.
#
#   tools/povray-globes.sh BUILD_DIR WORK_DIR
set -eu
build=${1:?build folder}
work=${2:?work folder}
if ! command -v povray > /dev/null; then
    echo "povray is not installed: the POV-Ray globes are skipped (apt-get install povray)"
    exit 0
fi
export QT_QPA_PLATFORM=offscreen
mkdir -p "$work"
"$build/bench/orvix_quality_bench" --povray-scenes "$work"
cd "$work"
for scene in scene*.pov; do
    picture=${scene%.pov}.png
    [ -f "$picture" ] && continue
    set -- $(sed -n 's|^// size ||p' "$scene")
    povray +I"$scene" +O"$picture" +W"$1" +H"$2" +FN -D -GR -GS +A0.0 +AM1 +R3 -J Antialias_Gamma=1.0 \
        File_Gamma=1.0 Output_Alpha=off > "${scene%.pov}.log" 2>&1 ||
        { echo "POV-Ray failed on $scene (see ${scene%.pov}.log)"; exit 1; }
done

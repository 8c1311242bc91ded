#!/bin/sh
# Converts the quality bench's pictures with gdalwarp (a general GIS warper) from a near-sided
# perspective source, bilinear and cubic, and has the bench score those maps beside both
# conversion modes, one table per renderer: the team's own (WORK_DIR/own) and POV-Ray
# (WORK_DIR/povray, drawn by tools/povray-globes.sh when povray is installed). Needs gdal-bin;
# not part of the tests.
#
#   tools/gdal-compare.sh BUILD_DIR WORK_DIR
set -eu
build=${1:?build folder}
work=${2:?work folder}
bench="$build/bench/orvix_quality_bench"
export QT_QPA_PLATFORM=offscreen

R=6371000
# Warps every case listed in DIR/cases.txt that has no gdalwarp maps yet.
warp_cases() {
    dir=$1
    while read -r stem width height cx cy radius distance lat lon azimuth mapw maph picture; do
        picture=${picture:-$stem}
        [ -f "$dir/${stem}_gdal-cubic.png" ] && continue
        # Metres of the perspective plane per picture pixel: the picture shows a point with
        # plane offset R (D - 1) t / (D - u) at r sqrt(1 - 1/D^2) D t / (D - u) pixels from the
        # centre.
        s=$(echo "$R * ($distance - 1) / ($radius * sqrt(1 - 1 / ($distance ^ 2)) * $distance)" | bc -l)
        h=$(echo "$R * ($distance - 1)" | bc -l)
        # Picture pixel (i, j) is centred on (i - cx, cy - j) pixels of the plane.
        ulx=$(echo "(-$cx - 0.5) * $s" | bc -l)
        uly=$(echo "($cy + 0.5) * $s" | bc -l)
        lrx=$(echo "($width - $cx - 0.5) * $s" | bc -l)
        lry=$(echo "-($height - $cy - 0.5) * $s" | bc -l)
        # A turned camera: the tilted perspective turns the plane by its azimuth (it reads the
        # azimuth only with some tilt, so a negligible one is given).
        srs="+proj=tpers +h=$h +lat_0=$lat +lon_0=$lon +azi=$azimuth +tilt=0.0000001 +R=$R +no_defs"
        [ "$azimuth" = 0 ] && srs="+proj=nsper +h=$h +lat_0=$lat +lon_0=$lon +R=$R +no_defs"
        gdal_translate -q -of VRT -a_srs "$srs" -a_ullr "$ulx" "$uly" "$lrx" "$lry" \
            "$dir/$picture.png" "$dir/$stem.vrt"
        for method in bilinear cubic; do
            rm -f "$dir/$stem.tif"
            gdalwarp -q -t_srs "+proj=longlat +R=$R +no_defs" -te -180 -90 180 90 \
                -ts "$mapw" "$maph" -r "$method" -dstalpha "$dir/$stem.vrt" "$dir/$stem.tif"
            gdal_translate -q -of PNG "$dir/$stem.tif" "$dir/${stem}_gdal-$method.png"
        done
        rm -f "$dir/$stem.tif" "$dir/$stem.vrt" "$dir/${stem}_gdal-"*.aux.xml
    done < "$dir/cases.txt"
}

# The first run renders the own pictures and lists their parameters in cases.txt.
mkdir -p "$work/own"
[ -f "$work/own/cases.txt" ] || "$bench" --dir "$work/own" > /dev/null
warp_cases "$work/own"
"$(dirname "$0")/povray-globes.sh" "$build" "$work/povray"
[ -f "$work/povray/cases.txt" ] && [ -f "$work/povray/scene00.png" ] && warp_cases "$work/povray"

"$bench" --dir "$work/own" --povray "$work/povray"

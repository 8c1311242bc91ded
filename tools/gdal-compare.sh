#!/bin/sh
# Converts the quality bench's rendered pictures with gdalwarp (a general GIS warper) from a
# near-sided perspective source, bilinear and cubic, and has the bench score those maps beside
# both conversion modes. Needs gdal-bin; not part of the tests.
#
#   tools/gdal-compare.sh BUILD_DIR WORK_DIR
set -eu
build=${1:?build folder}
work=${2:?work folder}
bench="$build/bench/orvix_quality_bench"
export QT_QPA_PLATFORM=offscreen

# First run renders the pictures and lists their parameters in cases.txt.
[ -f "$work/cases.txt" ] || "$bench" --dir "$work" > /dev/null

R=6371000
while read -r stem width height cx cy radius distance lat lon azimuth mapw maph; do
    # Metres of the perspective plane per picture pixel: the picture shows a point with plane
    # offset R (D - 1) t / (D - u) at r sqrt(1 - 1/D^2) D t / (D - u) pixels from the centre.
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
        "$work/$stem.png" "$work/$stem.vrt"
    for method in bilinear cubic; do
        rm -f "$work/$stem.tif"
        gdalwarp -q -t_srs "+proj=longlat +R=$R +no_defs" -te -180 -90 180 90 \
            -ts "$mapw" "$maph" -r "$method" -dstalpha "$work/$stem.vrt" "$work/$stem.tif"
        gdal_translate -q -of PNG "$work/$stem.tif" "$work/${stem}_gdal-$method.png"
    done
    rm -f "$work/$stem.tif" "$work/$stem.vrt" "$work/${stem}_gdal-"*.aux.xml
done < "$work/cases.txt"

"$bench" --dir "$work"

#!/bin/sh
# Rebuilds data/sample.gpkg, the small layer that pelt-label falls back on
# when no source is named and that the documentation's examples use.
#
# It needs ogr2ogr and ogrinfo (Debian's gdal-bin). The rows are written
# here in CSV with a .csvt beside it, which is how ogr2ogr learns the field
# types; the binary PHOTO column is added afterwards in SQL because CSV cannot
# carry binary data. OGR_CURRENT_DATE pins the timestamps GDAL writes into
# the GeoPackage's own tables, so a rebuild gives the same content.
#
# Usage: tools/make-sample/make_sample.sh [OUTPUT]   (default data/sample.gpkg)
set -eu

here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)
output=${1:-"$here/../../data/sample.gpkg"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# Field types, in column order. LON and LAT become the point geometry.
cat > "$work/places.csvt" <<'CSVT'
String,String,Integer64,Integer(Int16),Real,Real(Float32),Integer(Boolean),Date,DateTime,Real,Real
CSVT

# Empty cells are null values. Figures are rounded and only meant to look
# like real data.
cat > "$work/places.csv" <<'CSV'
NAME,COUNTRY,POPULATION,ELEVATION,AREA_KM2,MEAN_TEMP,CAPITAL,SURVEYED,UPDATED,LON,LAT
Zürich,Switzerland,421878,408,87.88,9.3,0,2019-06-14,2024-03-15 08:30:00,8.5417,47.3769
Bern,Switzerland,134591,540,51.62,8.8,1,2021-09-01,2024-03-15 08:31:12,7.4474,46.948
Genève,Switzerland,203856,375,15.93,10.5,0,,2024-02-29 23:59:59,6.1432,46.2044
Łódź,Poland,672185,200,293.25,8.1,0,2020-01-31,2023-12-31 00:00:00,19.456,51.7592
Kraków,Poland,779966,219,326.85,8.7,0,2018-11-11,2024-01-02 12:00:00,19.945,50.0647
São Paulo,Brazil,11451245,760,1521.11,19.3,0,1999-12-31,2024-03-01 17:45:30,-46.6333,-23.5505
Reykjavík,Iceland,131136,15,273,4.7,1,2022-05-17,,-21.9426,64.1466
Tromsø,Norway,77544,10,,3.1,,2017-02-06,2024-03-10 06:15:00,18.9553,69.6492
Málaga,Spain,578460,11,398.25,,0,,2024-03-12 10:00:00,-4.4214,36.7213
Plzeň,Czechia,168733,310,137.67,8,0,2016-04-30,2024-03-14 21:20:00,13.3776,49.7384
CSV

rm -f "$work/sample.gpkg"
ogr2ogr -q --config OGR_CURRENT_DATE 2024-03-15T00:00:00Z \
  -f GPKG "$work/sample.gpkg" "$work/places.csv" \
  -oo X_POSSIBLE_NAMES=LON -oo Y_POSSIBLE_NAMES=LAT -oo KEEP_GEOM_COLUMNS=NO \
  -oo EMPTY_STRING_AS_NULL=YES \
  -a_srs EPSG:4326 -nln places -nlt POINT \
  -lco FID=fid -lco GEOMETRY_NAME=geom -lco SPATIAL_INDEX=NO

# A few bytes of a PNG header stand in for a picture.
for statement in \
  "ALTER TABLE places ADD COLUMN PHOTO BLOB" \
  "UPDATE places SET PHOTO = X'89504E470D0A1A0A0000000D49484452' WHERE NAME IN ('Bern', 'Kraków')"
do
  ogrinfo -q --config OGR_CURRENT_DATE 2024-03-15T00:00:00Z "$work/sample.gpkg" \
    -sql "$statement" > /dev/null
done

mkdir -p "$(dirname -- "$output")"
mv "$work/sample.gpkg" "$output"
echo "wrote $output"

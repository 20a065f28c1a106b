#!/usr/bin/env python3
"""Writes the bundled sample (data/sample.gpkg) as the JSON table the
playground labels by default: {name, source, fields: [{name, type}], rows,
fids}. Fields come in the order and with the types pelt-label gives them
(`pelt-label fields`): the feature id, the attributes, then the geometry.
Blob and geometry cells are null: verification refuses those fields.

Usage: scripts/web/sample-json.py SAMPLE.gpkg OUTPUT.json
"""
import json
import sqlite3
import sys
from pathlib import Path

# A GeoPackage column's declared type, as GDAL reads it, and the field type
# the GDAL adapter gives that (src/adapters/gdal/layer_fields.cpp).
TYPES = {
    "TEXT": "String",
    "INTEGER": "Integer",
    "MEDIUMINT": "Integer",
    "SMALLINT": "SmallInteger",
    "TINYINT": "SmallInteger",
    "BOOLEAN": "SmallInteger",
    "REAL": "Double",
    "DOUBLE": "Double",
    "FLOAT": "Single",
    "DATE": "Date",
    "DATETIME": "Date",
    "BLOB": "Blob",
}


def cell(value, declared):
    if value is None or declared == "BLOB":
        return None
    if declared == "BOOLEAN":
        return bool(value)
    if declared == "DATETIME":
        # GDAL writes milliseconds and a zone the adapter drops.
        return value.removesuffix("Z").removesuffix(".000")
    return value


def main(sample, output):
    db = sqlite3.connect(f"file:{sample}?mode=ro", uri=True)
    table, geometry_column = db.execute(
        "SELECT c.table_name, g.column_name FROM gpkg_contents c "
        "JOIN gpkg_geometry_columns g USING (table_name) WHERE c.data_type = 'features'"
    ).fetchone()
    columns = db.execute(f'PRAGMA table_info("{table}")').fetchall()
    fid = next(c[1] for c in columns if c[5] == 1)
    attributes = [(c[1], c[2].upper()) for c in columns if c[1] not in (fid, geometry_column)]
    fields = [{"name": fid, "type": "ObjectId"}]
    fields += [{"name": name, "type": TYPES[declared]} for name, declared in attributes]
    fields.append({"name": geometry_column, "type": "Geometry"})
    names = ", ".join(f'"{name}"' for name, _ in attributes)
    rows, fids = [], []
    for record in db.execute(f'SELECT "{fid}", {names} FROM "{table}" ORDER BY "{fid}"'):
        cells = [cell(v, declared) for v, (_, declared) in zip(record[1:], attributes)]
        rows.append([record[0], *cells, None])
        fids.append(record[0])
    text = json.dumps({"name": table, "source": Path(sample).name, "fields": fields,
                       "rows": rows, "fids": fids}, ensure_ascii=False)
    Path(output).write_text(text + "\n", encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])

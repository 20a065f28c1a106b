// Tables as the page labels them: {name, source, fields: [{name, type}],
// rows: [[value, ...]] in field order, fids: [number]}. A file is typed as
// pelt-label types it through GDAL, so that its labels here equal the
// command's.

// GDAL's CSV driver, opened with no options as pelt-label opens it, types
// every column as text: numbers and dates in a CSV file stay text, which
// formatting statements still read as numbers and dates. Empty cells are
// empty text, and a first line of numbers only is data, not a header
// (the columns are then field_1, field_2 ...).
export function tableFromCsv(text, source) {
  const parsed = globalThis.Papa.parse(text.replace(/^\uFEFF/, ''), {skipEmptyLines: 'greedy'});
  const lines = parsed.data;
  if (lines.length === 0) throw new Error(`${source} holds no rows`);
  const first = lines[0];
  const headerless = first.every((cell) => cell.trim() !== '' && Number.isFinite(Number(cell)));
  const names = headerless ? first.map((_, i) => `field_${i + 1}`) : first.map(String);
  const records = headerless ? lines : lines.slice(1);
  const width = names.length;
  const rows = records.map((record) => {
    const row = record.slice(0, width);
    while (row.length < width) row.push('');
    return row;
  });
  return {
    name: layerName(source),
    source,
    fields: names.map((name) => ({name, type: 'String'})),
    rows,
    fids: rows.map((_, i) => i + 1),
  };
}

// A GeoJSON property's values decide its field type as GDAL's GeoJSON
// driver decides it: integers, reals, booleans, ISO dates, date-times and
// times; anything else (or a mix) is text.
const DATE = /^\d{4}[-/]\d{2}[-/]\d{2}$/;
const DATE_TIME = /^(\d{4}[-/]\d{2}[-/]\d{2})[T ](\d{2}:\d{2}(?::\d{2}(?:\.\d+)?)?)(?:Z|[+-]\d{2}(?::?\d{2})?)?$/;
const TIME = /^\d{2}:\d{2}:\d{2}(?:\.\d+)?$/;

function kindOf(value) {
  if (value === null || value === undefined) return 'null';
  if (typeof value === 'boolean') return 'boolean';
  if (typeof value === 'number') return Number.isInteger(value) ? 'integer' : 'real';
  if (typeof value === 'string') {
    if (DATE.test(value)) return 'date';
    if (DATE_TIME.test(value)) return 'datetime';
    if (TIME.test(value)) return 'time';
    return 'string';
  }
  return 'other';
}

// The type of a property from the kinds of its values.
function typeOfKinds(kinds) {
  kinds.delete('null');
  if (kinds.size === 0) return 'String';
  const only = (...allowed) => [...kinds].every((k) => allowed.includes(k));
  if (only('boolean')) return 'Boolean';
  if (only('integer')) return 'Integer';
  if (only('integer', 'real')) return 'Double';
  if (only('date', 'datetime', 'time') && !(kinds.has('time') && kinds.size > 1)) return 'Date';
  return 'String';
}

function dateValue(value) {
  if (TIME.test(value)) return `1899-12-30T${value}`;
  const match = DATE_TIME.exec(value);
  const iso = match ? `${match[1]}T${match[2]}` : value;
  return iso.replaceAll('/', '-');
}

// JSON as GDAL writes it back: "{ "a": 1 }", "[ 1, "x" ]".
function spacedJson(value) {
  if (Array.isArray(value)) {
    return value.length ? `[ ${value.map(spacedJson).join(', ')} ]` : '[ ]';
  }
  if (value !== null && typeof value === 'object') {
    const members = Object.entries(value).map(([k, v]) => `${JSON.stringify(k)}: ${spacedJson(v)}`);
    return members.length ? `{ ${members.join(', ')} }` : '{ }';
  }
  return JSON.stringify(value);
}

// A list of numbers only or of strings only is a GDAL list field, read as
// its items joined with commas; any other list or object is its JSON.
function textValue(value) {
  if (Array.isArray(value)) {
    const kinds = new Set(value.map((item) => typeof item));
    const plain = kinds.size <= 1 && !kinds.has('object') && !kinds.has('boolean');
    return plain ? value.map(String).join(',') : spacedJson(value);
  }
  if (typeof value === 'object') return spacedJson(value);
  return String(value);
}

function cell(value, type) {
  if (value === null || value === undefined) return null;
  switch (type) {
    case 'Boolean':
    case 'Integer':
    case 'Double':
      return value;
    case 'Date':
      return dateValue(value);
    default:
      return textValue(value);
  }
}

export function tableFromGeoJson(text, source) {
  const json = JSON.parse(text);
  const features =
    json.type === 'FeatureCollection' ? json.features : json.type === 'Feature' ? [json] : null;
  if (!Array.isArray(features)) throw new Error(`${source} is not a GeoJSON feature collection`);
  const names = [];
  const kinds = new Map();
  for (const feature of features) {
    for (const [name, value] of Object.entries(feature.properties ?? {})) {
      if (!kinds.has(name)) {
        names.push(name);
        kinds.set(name, new Set());
      }
      kinds.get(name).add(kindOf(value));
    }
  }
  const types = names.map((name) => typeOfKinds(kinds.get(name)));
  // A boolean property is a small integer holding True and False.
  const fields = names.map((name, i) => ({
    name,
    type: types[i] === 'Boolean' ? 'SmallInteger' : types[i],
  }));
  const rows = features.map((feature) =>
    names.map((name, i) => cell(feature.properties?.[name], types[i])),
  );
  const fids = features.map((feature, i) => (Number.isInteger(feature.id) ? feature.id : i));
  return {name: layerName(source), source, fields, rows, fids};
}

// The sample, as the site's build writes it from the bundled GeoPackage.
export function tableFromSample(json) {
  return {
    name: json.name,
    source: json.source,
    fields: json.fields,
    rows: json.rows,
    fids: json.fids,
  };
}

// A dropped or picked file, by its name (and, failing that, its content).
export async function tableFromFile(file) {
  const text = await file.text();
  const lower = file.name.toLowerCase();
  if (lower.endsWith('.csv') || lower.endsWith('.txt')) return tableFromCsv(text, file.name);
  if (lower.endsWith('.geojson') || lower.endsWith('.json')) return tableFromGeoJson(text, file.name);
  return text.trimStart().startsWith('{')
    ? tableFromGeoJson(text, file.name)
    : tableFromCsv(text, file.name);
}

function layerName(source) {
  return source.replace(/^.*[\\/]/, '').replace(/\.[^.]*$/, '');
}

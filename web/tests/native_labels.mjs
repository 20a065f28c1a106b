// What the native pelt-label (path in PELT_LABEL) says, for the node test to
// compare the JavaScript API with: the sample as a table of JavaScript
// values, and labels, verdicts and warnings.
import {execFileSync, spawnSync} from 'node:child_process';
import {fileURLToPath} from 'node:url';

export const root = fileURLToPath(new URL('../..', import.meta.url));
export const samplePath = `${root}/data/sample.gpkg`;

const program = process.env.PELT_LABEL;
if (!program) throw new Error('PELT_LABEL must name the native pelt-label program');

function run(args, {allowFailure = false} = {}) {
  const result = spawnSync(program, args, {encoding: 'utf8', maxBuffer: 1 << 26});
  if (result.status !== 0 && !allowFailure) {
    throw new Error(`pelt-label ${args.join(' ')} failed: ${result.stderr}`);
  }
  return {stdout: result.stdout, stderr: result.stderr};
}

// [{name, type}] with the type names pelt-label lists.
export function fieldsOf(source) {
  return run(['fields', source]).stdout.trimEnd().split('\n').map((line) => {
    const [name, , type] = line.split('\t');
    return {name, type};
  });
}

// The labels of every feature, in order, and the feature ids.
export function nativeLabels(source, expression, locale) {
  const lines = run(['label', '--format', 'jsonl', '--locale', locale, source, expression])
    .stdout.trimEnd().split('\n').map((line) => JSON.parse(line));
  return {labels: lines.map((line) => line.label), fids: lines.map((line) => line.fid)};
}

// {valid, message, warnings} as pelt-label verify prints them.
export function nativeVerdict(source, expression) {
  const {stdout, stderr} = run(['verify', source, expression], {allowFailure: true});
  const prefix = 'pelt-label: warning: ';
  return {
    message: stdout.replace(/\n$/, ''),
    warnings: stderr.split('\n').filter((line) => line.startsWith(prefix))
      .map((line) => line.slice(prefix.length)),
  };
}

// The sample's rows as JavaScript values: GDAL's GeoJSON of the layer
// (dates as ISO text, booleans as booleans), the feature id as fid.
export function sampleTable() {
  const fields = fieldsOf(samplePath);
  const geojson = JSON.parse(execFileSync('ogr2ogr',
    ['-f', 'GeoJSON', '-preserve_fid', '/vsistdout/', samplePath],
    {encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 26}));
  const rows = geojson.features.map((feature) => fields.map(({name, type}) => {
    if (type === 'ObjectId') return feature.id;
    if (type === 'Geometry') return null;
    return feature.properties[name] ?? null;
  }));
  return {fields, rows, fids: geojson.features.map((feature) => feature.id)};
}

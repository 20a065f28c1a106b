// The JavaScript API against the native pelt-label: the same labels, byte
// for byte, over the bundled sample and over a table of every field type,
// in five locales; the same verdicts and warnings.
import assert from 'node:assert/strict';
import {mkdtempSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {after, before, test} from 'node:test';

import {fieldsOf, nativeLabels, nativeVerdict, samplePath, sampleTable, root} from './native_labels.mjs';

const site = process.env.PELT_WEB_DIR ?? `${root}/build-web-site`;
const {default: loadPelt} = await import(`${site}/pelt.mjs`);

const LOCALES = ['en_US', 'de_DE', 'fr_FR', 'ja_JP', 'en_GB'];

let pelt;
let sample;
before(async () => {
  pelt = await loadPelt();
  sample = sampleTable();
});

function labelsOf(table, expression, locale, reservedWords) {
  return pelt.label(expression, table.rows, {fields: table.fields, fids: table.fids, locale, reservedWords});
}

test('the bundled locales are the five the labels are checked in', () => {
  assert.deepEqual([...pelt.locales].sort(), [...LOCALES].sort());
});

test('labels of the sample equal pelt-label\'s', () => {
  const expressions = [
    '[NAME].UCase - [POPULATION].FormatNumber(0)',
    '[AREA_KM2].Format(#,##0.00) km² [MEAN_TEMP] °C [ELEVATION].FormatCurrency',
    '[SURVEYED].Format(dddd d mmmm yyyy) / [UPDATED] / [UPDATED].Format(Long Date)',
    '[CAPITAL] [POPULATION].Round(-3) [fid] $$ROW $$FID $$LAYER $$SOURCE [COUNTRY].Left(3).LCase',
    '[AREA_KM2].Format(0.0%;(0.0%)) [POPULATION].Format(Scientific) [MEAN_TEMP].Format(Currency)',
  ];
  const words = {LAYER: 'places', SOURCE: 'sample.gpkg'};
  for (const locale of LOCALES) {
    for (const expression of expressions) {
      const native = nativeLabels(samplePath, expression, locale);
      assert.deepEqual(sample.fids, native.fids);
      assert.deepEqual(labelsOf(sample, expression, locale, words), native.labels, `${locale}: ${expression}`);
    }
  }
});

// Every field type with values at their edges, written as a CSV file whose
// .csvt gives GDAL the types, and the same values as JavaScript hands them.
function everyTypeTable(dir) {
  const columns = [
    ['S', 'String', 'String', (i) => ['', 'Zürich', 'a"b,c', '1.5', 'Łódź ✓', '2024-01-05'][i % 6]],
    ['I', 'Integer64', 'Integer', (i) => [0, -1, 2147483647, -2147483648, 2147483648, 9007199254740991][i % 6]],
    ['L', 'Integer', 'Integer', (i) => (i * 7919 - 20000) * (i % 2 ? 1 : -1)],
    ['SI', 'Integer(Int16)', 'SmallInteger', (i) => [0, 32767, -32768, 12, -7, 100][i % 6]],
    ['B', 'Integer(Boolean)', 'SmallInteger', (i) => i % 2 === 0],
    ['R', 'Real', 'Double', (i) => [0.5, -1234567.891, 1e-7, 3.14159, 1e21, 99.995, 2.675][i % 7] * (i + 1)],
    ['F', 'Real(Float32)', 'Single', (i) => [1.5, -0.25, 1024, 3.75][i % 4] * (i + 1)],
    ['D', 'Date', 'Date', (i) => `20${String(10 + i % 20)}-${String(1 + i % 12).padStart(2, '0')}-${String(1 + i % 28).padStart(2, '0')}`],
    ['DT', 'DateTime', 'Date', (i) => `1999-12-31T${String(i % 24).padStart(2, '0')}:${String((i * 7) % 60).padStart(2, '0')}:${String((i * 13) % 60).padStart(2, '0')}`],
  ];
  const count = 30;
  // Every fifth row a null in each column but the text one.
  const value = (column, i) => (column[0] !== 'S' && (i + columns.indexOf(column)) % 5 === 0 ? null : column[3](i));
  const csvCell = (v) => (v === null ? '' : typeof v === 'boolean' ? (v ? '1' : '0') : typeof v === 'string' ? `"${v.replaceAll('"', '""')}"` : String(v));
  const lines = [columns.map((c) => c[0]).join(',')];
  const rows = [];
  for (let i = 0; i < count; ++i) {
    const row = columns.map((c) => value(c, i));
    rows.push(row);
    lines.push(row.map(csvCell).join(','));
  }
  const path = `${dir}/types.csv`;
  writeFileSync(path, `${lines.join('\n')}\n`);
  writeFileSync(`${dir}/types.csvt`, `${columns.map((c) => c[1]).join(',')}\n`);
  return {path, rows, fields: columns.map((c) => ({name: c[0], type: c[2]}))};
}

test('labels of a table of every field type equal pelt-label\'s', () => {
  const dir = mkdtempSync(`${tmpdir()}/pelt-web-`);
  try {
    const table = everyTypeTable(dir);
    assert.deepEqual(fieldsOf(table.path), table.fields);
    const expressions = [
      '[S]|[I]|[L]|[SI]|[B]|[R]|[F]|[D]|[DT]',
      '[R].Format(#,##0.00)|[R].FormatNumber(2)|[R].Round(1)|[F].FormatCurrency|[I].Format(#,##0)',
      '[D].Format(dddd d mmmm yyyy)|[DT].Format(General Date)|[DT].Format(hh:nn:ss AM/PM)|[S].UCase.Len',
    ];
    for (const locale of LOCALES) {
      for (const expression of expressions) {
        const native = nativeLabels(table.path, expression, locale);
        const labels = pelt.label(expression, table.rows, {fields: table.fields, locale});
        assert.deepEqual(labels, native.labels, `${locale}: ${expression}`);
      }
    }
  } finally {
    rmSync(dir, {recursive: true});
  }
});

test('verdicts, messages and warnings equal pelt-label verify\'s', () => {
  for (const expression of ['[NAME].UCase', '[NAMEE].UCase', '[NAME].Left(', '[NAME].Ucasee [POPULATION].Left(2))',
                            '[POPULATION].Format(#,##0']) {
    const native = nativeVerdict(samplePath, expression);
    const verdict = pelt.verify(expression, sample.fields);
    assert.deepEqual({message: verdict.message, warnings: verdict.warnings}, native, expression);
    if (!verdict.valid) {
      assert.throws(() => labelsOf(sample, expression, 'en_US'), {message: native.message});
    }
  }
});

test('format() shows a value as the Format statement does', () => {
  assert.equal(pelt.format(1234.5, '#,##0.00', {locale: 'de_DE'}), '1.234,50');
  assert.equal(pelt.format('2024-03-09', 'dddd d mmmm yyyy', {locale: 'fr_FR'}), 'samedi 9 mars 2024');
  assert.equal(pelt.format(null, '0.00'), null);
  assert.throws(() => pelt.format(1, '0', {locale: 'en_UK'}), /unknown locale 'en_UK'; did you mean 'en_GB'/);
});

test('the catalogues come from the library\'s own tables', () => {
  const left = pelt.statements.find((s) => s.name === 'Left');
  assert.equal(left.entry, '.Left(0)');
  assert.deepEqual(left.example, {expression: '[VALUE].Left(2)', input: 'Hello World', output: 'He', refused: false});
  assert.deepEqual(pelt.reservedWords.map((w) => w.name), ['$$DATE', '$$TIME', '$$LAYER', '$$SOURCE', '$$FID', '$$ROW']);
  assert.equal(pelt.reservedWords.at(-1).description, "The feature's position in the layer, from 1");
  assert.equal(pelt.tags.length, 12);
  assert.match(pelt.version, /^\d+\.\d+\.\d+$/);
});

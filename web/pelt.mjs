// The label-expression library in JavaScript, for pages and for node: the
// real evaluator, compiled to WebAssembly (pelt-core.mjs and .wasm beside
// this file). It mirrors the Python package: values are read as the
// package reads Python's, and labels are those pelt-label makes.
//
//   import loadPelt from './pelt.mjs';
//   const pelt = await loadPelt();
//   pelt.label('[NAME].UCase', [['Oslo']], {fields: [{name: 'NAME', type: 'String'}]});
import createPeltCore from './pelt-core.mjs';

// Rows labelled by one call into the module: enough that the call costs
// nothing beside them, few enough that the packed cells stay small.
const BATCH_ROWS = 4096;

// The cell kinds of web/src/cells.h.
const Kind = Object.freeze({
  null: 0, false: 1, true: 2, smallInteger: 3, integer: 4, double: 5, text: 6, date: 7,
});

const WORD_GIVEN_TWICE = 'reservedWords names a word twice (names match regardless of case)';

const ISO_DATE =
  /^(\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,9}))?)?)?(?:Z|[+-]\d{2}(?::?\d{2})?)?$/;

// An ISO 8601 date or date-time as milliseconds since 1970 on the wall
// clock (a zone is dropped, as the Python package drops it); null for any
// other text.
function isoWallClock(text) {
  const m = ISO_DATE.exec(text);
  if (!m) return null;
  const [year, month, day, hour, minute, second] = m.slice(1, 7).map((part) => Number(part ?? 0));
  const millis = m[7] ? Math.floor(Number(`0.${m[7]}`) * 1000) : 0;
  const date = new Date(0);
  date.setUTCFullYear(year, month - 1, day);
  date.setUTCHours(hour, minute, second, millis);
  // 2024-02-30 or 25:00 roll over; such text is no date.
  if (date.getUTCMonth() !== month - 1 || date.getUTCDate() !== day || date.getUTCHours() !== hour ||
      date.getUTCMinutes() !== minute || date.getUTCSeconds() !== second) {
    return null;
  }
  return date.getTime();
}

// A Date object's wall-clock time, in the time zone it is shown in.
function wallClock(date) {
  return date.getTime() - date.getTimezoneOffset() * 60000;
}

// In node the module's bytes are read from the file beside this one: the
// loader would fetch them, which node does not do for files.
async function nodeOptions(moduleOptions) {
  const isNode = typeof process === 'object' && typeof process.versions?.node === 'string';
  if (!isNode || moduleOptions.wasmBinary) return moduleOptions;
  const {readFile} = await import('node:fs/promises');
  return {...moduleOptions, wasmBinary: await readFile(new URL('./pelt-core.wasm', import.meta.url))};
}

// Loads the module; moduleOptions go to the emscripten loader (locateFile,
// wasmBinary).
export default async function loadPelt(moduleOptions = {}) {
  const core = await createPeltCore(await nodeOptions(moduleOptions));
  const fieldTypes = core.fieldTypes();
  const SMALL_INTEGER = fieldTypes.SmallInteger;
  const REAL_TYPES = new Set([fieldTypes.Single, fieldTypes.Double]);
  const DATE = fieldTypes.Date;

  // A value as a cell: its kind and number written at index i of kinds and
  // numbers, its text (text cells only) returned. type: the field's type
  // code, or undefined for a value on its own (a reserved word, format's).
  function writeCell(value, type, where, kinds, numbers, i) {
    let kind = Kind.null;
    let number = 0;
    let text;
    switch (typeof value) {
      case 'number':
        if (Number.isNaN(value)) break;
        number = value;
        if (REAL_TYPES.has(type) || !Number.isInteger(value)) {
          kind = Kind.double;
        } else {
          kind = type === SMALL_INTEGER ? Kind.smallInteger : Kind.integer;
        }
        break;
      case 'string':
        if (type === DATE) {
          const moment = isoWallClock(value);
          if (moment !== null) {
            kind = Kind.date;
            number = moment;
            break;
          }
        }
        kind = Kind.text;
        text = value;
        break;
      case 'boolean': kind = value ? Kind.true : Kind.false; break;
      case 'bigint':
        kind = type === SMALL_INTEGER ? Kind.smallInteger : Kind.integer;
        number = Number(value);
        break;
      case 'undefined': break;
      default:
        if (value === null) break;
        if (value instanceof Date) {
          if (!Number.isNaN(value.getTime())) {
            kind = Kind.date;
            number = wallClock(value);
          }
          break;
        }
        throw new TypeError(`${where} of type ${value?.constructor?.name ?? typeof value} has no label text`);
    }
    kinds[i] = kind;
    numbers[i] = number;
    return text;
  }

  const single = {kinds: new Uint8Array(1), numbers: new Float64Array(1)};

  // One value on its own as [kind, number, text].
  function cell(value, where) {
    const text = writeCell(value, undefined, where, single.kinds, single.numbers, 0);
    return [single.kinds[0], single.numbers[0], text ?? ''];
  }

  function checkLocale(locale) {
    if (locale === null || locale === undefined || locale === '') return '';
    if (typeof locale !== 'string') {
      throw new TypeError(`locale must be a string such as 'de_DE', not ${typeof locale}`);
    }
    if (!core.isKnownLocale(locale)) {
      throw new RangeError(`unknown locale '${locale}'${core.localeSuggestion(locale)}`);
    }
    return locale;
  }

  // [{name, type}] with type names ("Integer") or codes, as type codes.
  function fieldCodes(fields = []) {
    if (!Array.isArray(fields)) throw new TypeError('fields must be an array of {name, type}');
    return fields.map((field) => {
      const name = typeof field === 'string' ? field : field.name;
      const type = typeof field === 'string' ? 'String' : field.type ?? 'String';
      const code = typeof type === 'number' ? type : fieldTypes[type];
      if (typeof name !== 'string') throw new TypeError('a field name must be a string');
      if (code === undefined) {
        throw new RangeError(`unknown field type '${type}'; known: ${Object.keys(fieldTypes).join(', ')}`);
      }
      return {name, type: code};
    });
  }

  // Reserved words as [key without "$$", value] pairs.
  function wordPairs(reservedWords) {
    if (reservedWords === null || reservedWords === undefined) return [];
    if (typeof reservedWords !== 'object') {
      throw new TypeError('reservedWords must be an object of names and values');
    }
    return Object.entries(reservedWords).map(([name, value]) => [
      name.startsWith('$$') ? name.slice(2) : name, value]);
  }

  function verify(expression, fields = [], {reservedWords, locale} = {}) {
    if (typeof expression !== 'string') throw new TypeError('expression must be a string');
    const words = reservedWords === undefined || reservedWords === null
      ? null : wordPairs(reservedWords).map(([key]) => key);
    return core.verify(expression, fieldCodes(fields), words, checkLocale(locale));
  }

  // Packs rows[first, end) of the fields read into the module's memory:
  // kinds and numbers first into arrays of our own, kept between batches.
  const scratch = {kinds: new Uint8Array(0), numbers: new Float64Array(0)};
  const encoder = new TextEncoder();

  function packBatch(prepared, rows, first, end, read, types, fids) {
    const count = end - first;
    const cells = count * read.length;
    if (scratch.kinds.length < cells) {
      scratch.kinds = new Uint8Array(cells);
      scratch.numbers = new Float64Array(cells);
    }
    const {kinds, numbers} = scratch;
    const texts = [];  // the texts of the text cells, in order
    const textCells = [];
    let i = 0;
    for (let r = first; r < end; ++r) {
      const row = rows[r];
      if (!Array.isArray(row) || row.length !== types.length) {
        throw new RangeError(
          `a row must hold one value per field (${types.length}), not ${row?.length ?? 0}`);
      }
      for (let f = 0; f < read.length; ++f, ++i) {
        const text = writeCell(row[read[f]], types[read[f]], 'value', kinds, numbers, i);
        if (text !== undefined) {
          texts.push(text);
          textCells.push(i);
        }
      }
    }
    // One string, encoded once: at most three UTF-8 bytes per UTF-16 unit.
    const joined = texts.join('');
    prepared.reserveCells(cells, joined.length * 3);
    if (fids) prepared.reserveFids(count);
    // Views made after the last allocation: memory may have grown.
    const buffer = core.HEAPU8.buffer;
    new Uint8Array(buffer, prepared.kindsAddress(), cells).set(kinds.subarray(0, cells));
    new Float64Array(buffer, prepared.numbersAddress(), cells).set(numbers.subarray(0, cells));
    const ends = new Uint32Array(buffer, prepared.textEndsAddress(), cells);
    let at = 0;
    let next = 0;
    for (let c = 0; c < cells; ++c) {
      if (next < textCells.length && textCells[next] === c) at += texts[next++].length;
      ends[c] = at;
    }
    const {written} = encoder.encodeInto(
      joined, new Uint8Array(buffer, prepared.textAddress(), joined.length * 3));
    if (fids) {
      const ids = new Float64Array(buffer, prepared.fidsAddress(), count);
      for (let r = 0; r < count; ++r) ids[r] = Number(fids[first + r]);
    }
    return written;
  }

  const decoder = new TextDecoder();

  // The labels of the last batch into out[first, first + count).
  function readLabels(prepared, count, out, first) {
    const length = prepared.labelsLength();
    const text = decoder.decode(new Uint8Array(core.HEAPU8.buffer, prepared.labelsAddress(), length));
    const ends = new Uint32Array(core.HEAPU8.buffer, prepared.labelEndsAddress(), count);
    let begin = 0;
    for (let i = 0; i < count; ++i) {
      out[first + i] = text.slice(begin, ends[i]);
      begin = ends[i];
    }
  }

  // The label of every row (arrays of values in field order); a label that
  // fails is "". Throws an Error with the library's message when the
  // expression is invalid. With fids (one per row) the rows get $$FID and
  // $$ROW as pelt-label gives them.
  function label(expression, rows, {fields = [], locale, reservedWords, fids} = {}) {
    if (typeof expression !== 'string') throw new TypeError('expression must be a string');
    if (!Array.isArray(rows)) throw new TypeError('rows must be an array of arrays');
    if (fids !== undefined && fids !== null && fids.length !== rows.length) {
      throw new RangeError('fids must hold one id per row');
    }
    const codes = fieldCodes(fields);
    const types = codes.map((field) => field.type);
    const prepared = new core.PreparedLabels(expression, codes, checkLocale(locale));
    try {
      if (!prepared.valid()) throw new Error(prepared.message());
      for (const [key, value] of wordPairs(reservedWords)) {
        const [kind, number, text] = cell(value, `reserved word '${key}'`);
        if (!prepared.giveWord(key, kind, number, text)) throw new RangeError(WORD_GIVEN_TWICE);
      }
      const read = prepared.fieldsRead();
      const withFids = fids !== undefined && fids !== null;
      const labels = new Array(rows.length);
      for (let first = 0; first < rows.length || first === 0; first += BATCH_ROWS) {
        const end = Math.min(rows.length, first + BATCH_ROWS);
        const textBytes = packBatch(prepared, rows, first, end, read, types, withFids ? fids : null);
        prepared.labelRows(end - first, textBytes, withFids, first + 1);
        readLabels(prepared, end - first, labels, first);
        if (end === rows.length) break;
      }
      return labels;
    } finally {
      prepared.delete();
    }
  }

  // What [F].Format(picture) shows for a field holding value; null for null.
  function format(value, picture = '', {locale} = {}) {
    if (typeof picture !== 'string') throw new TypeError('picture must be a string');
    const [kind, number, text] = cell(value, 'value');
    return core.formatValue(kind, number, text, picture, checkLocale(locale));
  }

  return Object.freeze({
    verify,
    label,
    format,
    statements: Object.freeze(core.statements()),
    reservedWords: Object.freeze(core.reservedWords()),
    tags: Object.freeze(core.tags()),
    locales: Object.freeze(core.locales()),
    fieldTypes: Object.freeze({...fieldTypes}),
    version: core.version,
  });
}

// The playground: verifies and labels as the user types, with the library
// itself (pelt.mjs), over the sample or the user's own file.
import loadPelt from './pelt.mjs';
import {marked} from './lib/marked.esm.js';
import {readAddress, writeAddress} from './address.mjs';
import {fillInsertLists} from './insert.mjs';
import {tableFromFile, tableFromSample} from './tables.mjs';

const SHOWN_ROWS = 50;
// Keystrokes that come faster than this are labelled together.
const TYPING_PAUSE_MS = 10;
const DEFAULT_EXPRESSION = '[NAME].UCase - [POPULATION].FormatNumber(0)';

const $ = (id) => document.getElementById(id);
const expressionBox = $('expression');
const localeList = $('locale');

const state = {pelt: null, table: null, scheduled: 0};

function showVerdict(verdict) {
  $('verdict').dataset.valid = String(verdict.valid);
  $('verdict-word').textContent = verdict.valid ? 'valid:' : 'invalid:';
  $('verdict-message').textContent = verdict.message;
  $('warnings').replaceChildren(
    ...verdict.warnings.map((warning) => {
      const item = document.createElement('li');
      item.textContent = warning;
      return item;
    }),
  );
}

function showLabels(labels) {
  const {table} = state;
  const body = $('labels').tBodies[0];
  const shown = Math.min(labels.length, SHOWN_ROWS);
  while (body.rows.length < shown) {
    const row = body.insertRow();
    row.insertCell();
    row.insertCell();
  }
  while (body.rows.length > shown) body.deleteRow(-1);
  for (let i = 0; i < shown; ++i) {
    const cells = body.rows[i].cells;
    cells[0].textContent = String(table.fids[i]);
    cells[1].textContent = labels[i];
  }
  const total = table.rows.length;
  $('labels-caption').textContent =
    shown < total ? `Labels of the first ${shown} of ${total} rows` : `Labels of all ${total} rows`;
}

// The words pelt-label gives every feature alike; $$DATE and $$TIME come
// from the library, $$FID and $$ROW from the rows' ids.
function reservedWords() {
  return {LAYER: state.table.name, SOURCE: state.table.source};
}

function labelNow() {
  state.scheduled = 0;
  const {pelt, table} = state;
  const expression = expressionBox.value;
  const locale = localeList.value;
  writeAddress({expression, locale});
  // $$FID and $$ROW come with the rows' ids when labels are made.
  const verdict = pelt.verify(expression, table.fields, {
    locale,
    reservedWords: {...reservedWords(), FID: null, ROW: null},
  });
  showVerdict(verdict);
  let labels = [];
  if (verdict.valid) {
    try {
      labels = pelt.label(expression, table.rows, {
        fields: table.fields,
        fids: table.fids,
        locale,
        reservedWords: reservedWords(),
      });
    } catch (error) {
      $('verdict-message').textContent = error.message;
    }
  }
  showLabels(labels);
  document.dispatchEvent(
    new CustomEvent('pelt:labelled', {
      detail: {expression, locale, count: labels.length, at: performance.now()},
    }),
  );
}

function scheduleLabels() {
  if (state.scheduled) return;
  state.scheduled = setTimeout(labelNow, TYPING_PAUSE_MS);
}

function useTable(table) {
  state.table = table;
  $('table-status').textContent =
    `${table.source}: ${table.rows.length} rows; fields ` +
    table.fields.map((field) => `${field.name} (${field.type})`).join(', ');
  fillFieldList(table.fields);
  scheduleLabels();
}

function fillFieldList(fields) {
  const list = $('field-list');
  list.replaceChildren(
    ...fields.map((field) => new Option(field.name, field.name)),
  );
  $('field-description').textContent = fields.length ? '' : 'The table has no fields.';
}

async function openFile(file) {
  try {
    useTable(await tableFromFile(file));
  } catch (error) {
    $('table-status').textContent = `${file.name} cannot be read: ${error.message}`;
  }
}

function watchDrops() {
  const overlay = $('drop-overlay');
  const holdsFiles = (event) => [...(event.dataTransfer?.types ?? [])].includes('Files');
  document.addEventListener('dragover', (event) => {
    if (!holdsFiles(event)) return;
    event.preventDefault();
    overlay.hidden = false;
  });
  document.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null) overlay.hidden = true;
  });
  document.addEventListener('drop', (event) => {
    overlay.hidden = true;
    const file = event.dataTransfer?.files?.[0];
    if (!file) return;
    event.preventDefault();
    openFile(file);
  });
}

async function showReference() {
  const response = await fetch('expressions.md');
  if (!response.ok) throw new Error(`the reference: ${response.status} ${response.statusText}`);
  $('reference').innerHTML = marked.parse(await response.text());
}

async function loadSample() {
  const response = await fetch('sample.json');
  if (!response.ok) throw new Error(`the sample: ${response.status} ${response.statusText}`);
  return tableFromSample(await response.json());
}

function fillLocales(locales, wanted) {
  localeList.replaceChildren(...locales.map((locale) => new Option(locale, locale)));
  const preferred = [wanted, navigator.language?.replace('-', '_'), 'en_US'];
  localeList.value = preferred.find((locale) => locales.includes(locale)) ?? locales[0];
}

function restoreAddress() {
  const {expression, locale} = readAddress();
  expressionBox.value = expression ?? DEFAULT_EXPRESSION;
  if (locale && [...localeList.options].some((option) => option.value === locale)) {
    localeList.value = locale;
  }
}

async function start() {
  const [pelt, sample] = await Promise.all([loadPelt(), loadSample()]);
  state.pelt = pelt;
  $('version').textContent = `Library version ${pelt.version}.`;
  fillLocales(pelt.locales, readAddress().locale);
  fillInsertLists(pelt, expressionBox);
  restoreAddress();
  expressionBox.addEventListener('input', scheduleLabels);
  localeList.addEventListener('change', scheduleLabels);
  window.addEventListener('hashchange', () => {
    restoreAddress();
    scheduleLabels();
  });
  $('file').addEventListener('change', (event) => {
    const file = event.target.files?.[0];
    if (file) openFile(file);
  });
  $('use-sample').addEventListener('click', () => {
    $('file').value = '';
    useTable(sample);
  });
  watchDrops();
  useTable(sample);
  await showReference();
}

start().catch((error) => {
  $('table-status').textContent = `The playground could not start: ${error.message}`;
  throw error;
});
